#ifndef USPEEDMETER_H
#define USPEEDMETER_H

#include <QWidget>

// Speedometer: the style sheet's dial with a translucent needle over it.
// The needle turns by the speed in km/h whatever the dial's unit: the mph
// dial carries its marks where the needle points at their speed.
class USpeedMeter : public QWidget
{
    Q_OBJECT
    // "kmh" or "mph": which dial the style sheet gives the widget
    // (#CarSpeedMeter[unit="mph"]).
    Q_PROPERTY(QString unit READ Unit)
public:
    explicit USpeedMeter(QWidget *parent = nullptr);

    double CarSpeed() const { return Speed; }
    QString Unit() const { return UnitKey; }
    // Shows the dial of the unit ("kmh", "mph"); the style sheet's rules
    // are applied again at once.
    void SetUnit(const QString &Key);

public slots:
    void SetCarSpeed(double NewCarSpeed);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double Speed = 0.0;
    QString UnitKey = QStringLiteral("kmh");
};

#endif // USPEEDMETER_H

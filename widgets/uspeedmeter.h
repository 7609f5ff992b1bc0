#ifndef USPEEDMETER_H
#define USPEEDMETER_H

#include <QWidget>

// Speedometer: the style sheet's dial with a translucent needle over it.
class USpeedMeter : public QWidget
{
    Q_OBJECT
public:
    explicit USpeedMeter(QWidget *parent = nullptr);

    double CarSpeed() const { return Speed; }

public slots:
    void SetCarSpeed(double NewCarSpeed);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double Speed = 0.0;
};

#endif // USPEEDMETER_H

#ifndef DIALCHECKWIDGET_H
#define DIALCHECKWIDGET_H

#include <QVector>
#include <QWidget>

// Stand-in for the player's speedometer: paints the style sheet's dial and
// the player's needle the way the player does, so the dial picture can be
// checked against the needle before the player exists. A hairline along each
// needle's axis shows exactly where it points.
class DialCheckWidget : public QWidget
{
    Q_OBJECT
public:
    explicit DialCheckWidget(QWidget *parent = nullptr);

    void SetSpeeds(const QVector<double> &speeds);
    void SetShowAxis(bool show);

    static double NeedleAngle(double speed);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVector<double> Speeds;
    bool ShowAxis = true;
};

#endif // DIALCHECKWIDGET_H

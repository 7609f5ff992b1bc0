#include "dialcheckwidget.h"

#include <QPainter>
#include <QPointF>
#include <QStyleOption>

namespace {

// The player's needle, in its 400-unit space.
constexpr double PivotY = 98.0;
constexpr double NeedleSpace = 400.0;
constexpr float DegreesPerKmhNumerator = 9.0f;
constexpr float DegreesPerKmhDenominator = 11.0f;
constexpr double ZeroKmhDegrees = 98.18181818181819;
const QPointF NeedlePolygon[] = {{-6, 40}, {-15, 0}, {-5, -280}, {5, -280}, {15, 0}, {6, 40}};
const QColor NeedleColour(0, 127, 127, 160);
constexpr double AxisLength = 320.0;

} // namespace

DialCheckWidget::DialCheckWidget(QWidget *parent)
    : QWidget(parent)
{
}

void DialCheckWidget::SetSpeeds(const QVector<double> &speeds)
{
    Speeds = speeds;
    update();
}

void DialCheckWidget::SetShowAxis(bool show)
{
    ShowAxis = show;
    update();
}

double DialCheckWidget::NeedleAngle(double speed)
{
    return speed * DegreesPerKmhNumerator / DegreesPerKmhDenominator - ZeroKmhDegrees;
}

void DialCheckWidget::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    const int side = qMin(width(), height());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2, PivotY);
    painter.scale(side / NeedleSpace, side / NeedleSpace);
    for (double speed : Speeds) {
        painter.save();
        painter.rotate(NeedleAngle(speed));
        painter.setPen(Qt::NoPen);
        painter.setBrush(NeedleColour);
        painter.drawConvexPolygon(NeedlePolygon, int(std::size(NeedlePolygon)));
        if (ShowAxis) {
            painter.setPen(QPen(QColor(255, 40, 40), 0)); // cosmetic: one pixel wide
            painter.drawLine(QPointF(0, 0), QPointF(0, -AxisLength));
        }
        painter.restore();
    }
}

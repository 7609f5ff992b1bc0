#include "uspeedmeter.h"

#include <QPainter>
#include <QPolygon>
#include <QStyleOption>

namespace {

// The needle turns about a pivot 98 px below the widget's top edge.
constexpr double PivotY = 98.0;
// The widget's shorter side measures this many needle units.
constexpr double NeedleSpaceSide = 400.0;
// 9/11 of a degree per km/h; 120 km/h points straight up.
constexpr float DegreesPerKmhNumerator = 9.0f;
constexpr float DegreesPerKmhDenominator = 11.0f;
constexpr double ZeroSpeedAngle = 1080.0 / 11.0;
const QColor NeedleColor(0, 127, 127, 160);

// Blunt tip 280 units from the pivot, 30 units wide at the pivot, short tail.
const QPoint NeedlePoints[6] = {
    QPoint(-6, 40), QPoint(-15, 0), QPoint(-5, -280),
    QPoint(5, -280), QPoint(15, 0), QPoint(6, 40),
};

} // namespace

USpeedMeter::USpeedMeter(QWidget *parent)
    : QWidget(parent)
{
}

void USpeedMeter::SetCarSpeed(double NewCarSpeed)
{
    Speed = NewCarSpeed;
    repaint();
}

void USpeedMeter::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    // The dial comes from the style sheet and must lie under the needle.
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);

    const int w = width();
    const int h = height();
    const int side = qMin(w, h);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(w / 2, PivotY);
    painter.scale(side / NeedleSpaceSide, side / NeedleSpaceSide);
    painter.setPen(Qt::NoPen);
    painter.setBrush(NeedleColor);

    const long double angle = static_cast<long double>(Speed) * DegreesPerKmhNumerator / DegreesPerKmhDenominator - ZeroSpeedAngle;
    painter.save();
    painter.rotate(double(angle));
    painter.drawConvexPolygon(NeedlePoints, 6);
    painter.restore();
}

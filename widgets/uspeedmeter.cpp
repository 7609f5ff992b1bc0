#include "uspeedmeter.h"

#include "dialgeometry.h"

#include <QPainter>
#include <QPolygon>
#include <QStyle>
#include <QStyleOption>

namespace {

using namespace DialGeometry;

const QColor NeedleColor(0, 127, 127, 160);

// Blunt tip at the needle's length from the pivot, 30 units wide at the
// pivot, short tail.
constexpr int Tip = -int(NeedleLengthUnits);
const QPoint NeedlePoints[6] = {
    QPoint(-6, 40), QPoint(-15, 0), QPoint(-5, Tip),
    QPoint(5, Tip), QPoint(15, 0), QPoint(6, 40),
};

} // namespace

USpeedMeter::USpeedMeter(QWidget *parent)
    : QWidget(parent)
{
}

void USpeedMeter::SetUnit(const QString &Key)
{
    if (Key == UnitKey)
        return;
    UnitKey = Key;
    // A property selector is matched when the style polishes the widget.
    style()->unpolish(this);
    style()->polish(this);
    update();
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

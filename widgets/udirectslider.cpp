#include "udirectslider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

// The player's teal, as on the map page.
const QColor MarkColour(0x00, 0xa0, 0xa0);
const QColor StretchColour(0x00, 0xa0, 0xa0, 0xa0);
constexpr int MarkWidth = 2;
constexpr int StretchHeight = 6;

} // namespace

UDirectSlider::UDirectSlider(Qt::Orientation orientation, QWidget *parent)
    : QSlider(orientation, parent)
{
    // Arrow keys would move the thumb without reporting a move; the window's
    // own keys do the seeking.
    setFocusPolicy(Qt::NoFocus);
}

QRect UDirectSlider::HandleRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

int UDirectSlider::ValueAt(const QPoint &point) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = HandleRect();
    // The handle's centre goes under the pointer, reckoned as the slider
    // itself reckons a drag.
    const QPoint centre = handle.center() - handle.topLeft();
    if (orientation() == Qt::Horizontal) {
        return QStyle::sliderValueFromPosition(minimum(), maximum(), point.x() - centre.x() - groove.x(),
                                               groove.width() - handle.width(), option.upsideDown);
    }
    return QStyle::sliderValueFromPosition(minimum(), maximum(), point.y() - centre.y() - groove.y(),
                                           groove.height() - handle.height(), option.upsideDown);
}

void UDirectSlider::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    const bool jumpButton = event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton;
    if (!jumpButton || maximum() == minimum())
        return;
    const QPoint point = event->position().toPoint();
    if (!HandleRect().contains(point)) {
        // Reported the way a drag reports it: pressed, moved, released.
        setSliderDown(true);
        setSliderPosition(ValueAt(point));
        setSliderDown(false);
    }
    // Where the handle now lies under the pointer the press goes on as a
    // drag; anywhere else (beside the groove's ends) the slider's own press
    // would take a page step that nothing follows.
    if (!HandleRect().contains(point))
        return;
    QMouseEvent press(event->type(), event->position(), event->scenePosition(), event->globalPosition(),
                      Qt::LeftButton, Qt::LeftButton, event->modifiers(), event->pointingDevice());
    QSlider::mousePressEvent(&press);
}

void UDirectSlider::wheelEvent(QWheelEvent *event)
{
    // The wheel would step the thumb without a move to follow it.
    event->ignore();
}

void UDirectSlider::SetMarks(int In, int Out)
{
    if (In == InMark && Out == OutMark)
        return;
    InMark = In;
    OutMark = Out;
    update();
}

int UDirectSlider::PixelOf(int Value) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = HandleRect();
    // Where the handle's centre stands for that value.
    return groove.x() + handle.width() / 2
        + QStyle::sliderPositionFromValue(minimum(), maximum(), Value, groove.width() - handle.width(),
                                          option.upsideDown);
}

void UDirectSlider::paintEvent(QPaintEvent *event)
{
    QSlider::paintEvent(event);
    if ((InMark < 0 && OutMark < 0) || orientation() != Qt::Horizontal || maximum() == minimum())
        return;
    // Over the groove's two parts, never over the handle.
    QPainter painter(this);
    painter.setClipRegion(QRegion(rect()).subtracted(QRegion(HandleRect())));
    const int from = PixelOf(InMark < 0 ? minimum() : InMark);
    const int to = PixelOf(OutMark < 0 ? maximum() : OutMark);
    const int middle = height() / 2;
    painter.fillRect(QRect(from, middle - StretchHeight / 2, qMax(to - from, 1), StretchHeight), StretchColour);
    for (const int mark : {InMark, OutMark}) {
        if (mark >= 0)
            painter.fillRect(QRect(PixelOf(mark) - MarkWidth / 2, 0, MarkWidth, height()), MarkColour);
    }
}

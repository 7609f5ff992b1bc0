#include "udirectslider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

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

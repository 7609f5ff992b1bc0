#include "udoubleclickedwidget.h"

#include <QPainter>
#include <QStyleOption>

UDoubleClickedWidget::UDoubleClickedWidget(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
}

void UDoubleClickedWidget::mouseDoubleClickEvent(QMouseEvent *)
{
    // The base handler is not called: the event stays accepted, so the
    // window's own double-click handling never sees a click on the video.
    emit doubleclicked();
}

void UDoubleClickedWidget::paintEvent(QPaintEvent *)
{
    // A custom widget class only gets its style sheet background this way.
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

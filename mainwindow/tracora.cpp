#include "tracora.h"
Tracora::Tracora(QWidget *parent) : QWidget(parent) {}
Tracora::~Tracora() = default;
void Tracora::mouseDoubleClickEvent(QMouseEvent *) {}
void Tracora::resizeEvent(QResizeEvent *) {}

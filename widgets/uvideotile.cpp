#include "uvideotile.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPainter>
#include <QTimer>

namespace {

// The label's letters grow with the tile, within these.
constexpr int SmallestFontPx = 10;
constexpr int LargestFontPx = 28;
constexpr int FontDivisor = 12;
const QColor LabelColour(230, 230, 230);

} // namespace

UVideoTile::UVideoTile(QWidget *parent)
    : QWidget(parent)
    , ClickTimer(new QTimer(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    ClickTimer->setSingleShot(true);
    connect(ClickTimer, &QTimer::timeout, this, &UVideoTile::Clicked);
    // The engine draws into X11 windows only. The window composes with
    // OpenGL when it can (its web view), and then a native child is flushed
    // only when it is an OpenGL surface too: an OpenGL child (never shown)
    // makes Qt create it so, as for the video surface and its overlays.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QOpenGLContext *shared = QOpenGLContext::globalShareContext();
        if (shared && shared->isValid()) {
            auto *surfaceKind = new QOpenGLWidget(this);
            surfaceKind->setGeometry(0, 0, 0, 0);
            surfaceKind->hide();
        }
        setAttribute(Qt::WA_NativeWindow);
    }
}

void UVideoTile::SetLabel(const QString &Text)
{
    if (Text == this->Text)
        return;
    this->Text = Text;
    update();
}

void UVideoTile::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (Text.isEmpty())
        return;
    QFont font = painter.font();
    font.setPixelSize(qBound(SmallestFontPx, height() / FontDivisor, LargestFontPx));
    painter.setFont(font);
    painter.setPen(LabelColour);
    painter.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, Text);
}

void UVideoTile::mousePressEvent(QMouseEvent *event)
{
    Pressed = event->button() == Qt::LeftButton;
    event->setAccepted(Pressed);
}

void UVideoTile::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = Pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    Pressed = false;
    if (click)
        ClickTimer->start(QApplication::doubleClickInterval());
}

void UVideoTile::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Not a click on the tile: the surface's double-click, which it takes.
    ClickTimer->stop();
    Pressed = false;
    event->ignore();
}

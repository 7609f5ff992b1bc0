#include "uoverlaylabel.h"

#include <QEvent>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QTimer>

namespace {

constexpr int Margin = 12;
constexpr int BottomHeight = 26;
const QString OverlayRules = QStringLiteral(
    "UOverlayLabel {background-color:#1c1c1c; color:#ffffff; border:1px solid #6a6a6a; padding:4px 10px;"
    " font-size:13px;}");

} // namespace

UOverlayLabel::UOverlayLabel(QWidget *Anchor, Placement Where, QWidget *parent)
    : QLabel(parent), Anchor(Anchor), Where(Where), HideTimer(new QTimer(this))
{
    setStyleSheet(OverlayRules);
    setTextFormat(Where == Centre ? Qt::RichText : Qt::PlainText);
    setAlignment(Where == Bottom ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    setFocusPolicy(Qt::NoFocus);
    HideTimer->setSingleShot(true);
    connect(HideTimer, &QTimer::timeout, this, &QWidget::hide);
    // Over the engine's native window only another native window shows. The
    // window composes with OpenGL when it can (its web view), and then a
    // native child is flushed only when it is an OpenGL surface too: an
    // OpenGL child (never shown) makes Qt create it so, as for the video surface.
    // (The child must be there before the native window is made, which may
    // be at once when the parent window exists already.)
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QOpenGLContext *shared = QOpenGLContext::globalShareContext();
        if (shared && shared->isValid()) {
            auto *surfaceKind = new QOpenGLWidget(this);
            surfaceKind->setGeometry(0, 0, 0, 0);
            surfaceKind->hide();
        }
        setAttribute(Qt::WA_NativeWindow);
    }
    hide();
    Anchor->installEventFilter(this);
}

void UOverlayLabel::ShowText(const QString &Text, int Milliseconds)
{
    if (Milliseconds > 0)
        HideTimer->start(Milliseconds);
    else
        HideTimer->stop();
    // Each showing repaints a window of its own: the same text once more costs nothing.
    if (Text == Full && isVisible())
        return;
    Full = Text;
    if (Where == Bottom) {
        setToolTip(Text);
        const int room = qMax(0, Anchor->width() - 2 * Margin - 24);
        setText(fontMetrics().elidedText(Text, Qt::ElideRight, room));
    } else {
        setText(Text);
    }
    Place();
    show();
    raise();
}

void UOverlayLabel::Place()
{
    const QRect area = Anchor->geometry();
    QRect rect;
    if (Where == Bottom) {
        rect = QRect(area.left() + Margin, area.bottom() - Margin - BottomHeight, area.width() - 2 * Margin,
                     BottomHeight);
    } else {
        const QSize size = sizeHint().boundedTo(area.size() - QSize(2 * Margin, 2 * Margin));
        const int x = area.left() + (area.width() - size.width()) / 2;
        const int y = Where == Top ? area.top() + Margin : area.top() + (area.height() - size.height()) / 2;
        rect = QRect(QPoint(x, y), size);
    }
    setGeometry(rect);
}

bool UOverlayLabel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Anchor && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        Place();
        if (isVisible())
            raise();
    }
    return QLabel::eventFilter(watched, event);
}

void UOverlayLabel::mousePressEvent(QMouseEvent *)
{
    hide();
}

#include "ncframelesshelper.h"

#include <QCursor>
#include <QEvent>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWidget>

#include <utility>

namespace {

// Width of the grab band along each edge, in pixels, until someone changes it.
constexpr int DefaultEdgeWidth = 5;

// The flags a watched window carries: no system frame, no system buttons.
constexpr Qt::WindowFlags WatchedWindowFlags = Qt::FramelessWindowHint | Qt::CustomizeWindowHint;

// One band width for every helper and window in the process.
int ClassEdgeWidth = DefaultEdgeWidth;

} // namespace

void EdgeHit::Update(int x, int y, const QRect &frameRect)
{
    const int w = ClassEdgeWidth;
    const int left = frameRect.left();
    const int top = frameRect.top();
    const int right = frameRect.right();
    const int bottom = frameRect.bottom();

    // The right and bottom bands reach one pixel past the rectangle, while
    // the left and top bands reach one pixel further in.
    OnLeftEdge = x >= left && x <= left + w;
    OnRightEdge = x >= right + 1 - w && x <= right + 1;
    OnTopEdge = y >= top && y <= top + w;
    OnBottomEdge = y >= bottom + 1 - w && y <= bottom + 1;

    OnTopLeftEdge = OnTopEdge && OnLeftEdge;
    OnBottomLeftEdge = OnBottomEdge && OnLeftEdge;
    OnTopRightEdge = OnTopEdge && OnRightEdge;
    OnBottomRightEdge = OnBottomEdge && OnRightEdge;

    OnEdges = OnLeftEdge || OnRightEdge || OnTopEdge || OnBottomEdge;
}

// The helper's record of one watched window: its drag state, its optional
// outline and the flags it had before the helper took it. Building the record
// takes the window; destroying it gives the window its frame back.
class WatchedWindow
{
public:
    WatchedWindow(FramelessSwitches &switches, QWidget *window);
    ~WatchedWindow();

    WatchedWindow(const WatchedWindow &) = delete;
    WatchedWindow &operator=(const WatchedWindow &) = delete;

    void UpdateRubberBandStatus();
    // The window is going away: nothing of it may be touched any more.
    void ForgetWindow();

    void HandleMousePress(QMouseEvent *event);
    void HandleMouseRelease(QMouseEvent *event);
    void HandleMouseMove(QMouseEvent *event);
    void HandleHoverMove(QHoverEvent *event);
    void HandleLeave();

    QMetaObject::Connection DestroyedConnection;

private:
    void MoveWindow(const QPoint &globalPos);
    void ResizeWindow(const QPoint &globalPos);
    void UpdateCursorShape(const QPoint &globalPos);

    FramelessSwitches &Switches;
    QRubberBand *RubberBand = nullptr;
    bool LeftButtonPressed = false;
    QWidget *Window = nullptr;
    QPoint DragPos;
    EdgeHit PressedHit;
    EdgeHit MoveHit;
    bool CursorShapeChanged = false;
    Qt::WindowFlags SavedFlags;
};

WatchedWindow::WatchedWindow(FramelessSwitches &switches, QWidget *window)
    : Switches(switches), Window(window)
{
    SavedFlags = Window->windowFlags();
    const bool wasVisible = Window->isVisible();

    // Moves must arrive without a pressed button for the cursor to follow the bands.
    Window->setAttribute(Qt::WA_MouseTracking, true);
    Window->setWindowFlags(WatchedWindowFlags);
    Window->setAttribute(Qt::WA_Hover, true);

    UpdateRubberBandStatus();

    // Changing the flags hides the window.
    if (wasVisible)
        Window->setVisible(true);
}

WatchedWindow::~WatchedWindow()
{
    if (Window) {
        const bool wasVisible = Window->isVisible();
        Window->setAttribute(Qt::WA_MouseTracking, false);
        Window->setWindowFlags(SavedFlags);
        Window->setAttribute(Qt::WA_Hover, false);
        Window->setVisible(wasVisible);
    }
    delete RubberBand;
}

void WatchedWindow::ForgetWindow()
{
    Window = nullptr;
}

void WatchedWindow::UpdateRubberBandStatus()
{
    if (!Switches.UseRubberBandOnResize && !Switches.UseRubberBandOnMove) {
        delete RubberBand;
        RubberBand = nullptr;
    } else if (!RubberBand) {
        RubberBand = new QRubberBand(QRubberBand::Rectangle);
    }
}

void WatchedWindow::HandleMousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;

    LeftButtonPressed = true;

    const QRect frame = Window->frameGeometry();
    const QPoint globalPos = event->globalPosition().toPoint();
    PressedHit.Update(globalPos.x(), globalPos.y(), frame);
    DragPos = globalPos - frame.topLeft();

    if (RubberBand) {
        if ((PressedHit.OnEdges && Switches.UseRubberBandOnResize)
            || (!PressedHit.OnEdges && Switches.UseRubberBandOnMove)) {
            RubberBand->setGeometry(frame);
            RubberBand->show();
        }
    }
}

void WatchedWindow::HandleMouseRelease(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;

    LeftButtonPressed = false;
    PressedHit.Reset();

    if (RubberBand && RubberBand->isVisible()) {
        RubberBand->hide();
        Window->setGeometry(RubberBand->geometry());
    }
}

void WatchedWindow::HandleMouseMove(QMouseEvent *event)
{
    const QPoint globalPos = event->globalPosition().toPoint();
    if (LeftButtonPressed) {
        // Where the press happened decides between resizing and moving.
        if (Switches.Resizable && PressedHit.OnEdges)
            ResizeWindow(globalPos);
        else if (Switches.Movable)
            MoveWindow(globalPos);
    } else if (Switches.Resizable) {
        UpdateCursorShape(globalPos);
    }
}

void WatchedWindow::HandleHoverMove(QHoverEvent *event)
{
    if (Switches.Resizable)
        UpdateCursorShape(Window->mapToGlobal(event->position().toPoint()));
}

void WatchedWindow::HandleLeave()
{
    if (!LeftButtonPressed)
        Window->unsetCursor();
}

void WatchedWindow::MoveWindow(const QPoint &globalPos)
{
    if (Switches.UseRubberBandOnMove && RubberBand)
        RubberBand->setGeometry(QRect(globalPos - DragPos, RubberBand->size()));
    else
        Window->move(globalPos - DragPos);
}

void WatchedWindow::ResizeWindow(const QPoint &globalPos)
{
    const bool onOutline = Switches.UseRubberBandOnResize && RubberBand;
    // The outline is read back as the rectangle it was given: where a platform
    // puts a frame around it, its frame would make it creep outwards each move.
    const QRect oldRect = onOutline ? RubberBand->geometry() : Window->frameGeometry();
    const int oldLeft = oldRect.left();
    const int oldTop = oldRect.top();
    const int oldRight = oldRect.right();
    const int oldBottom = oldRect.bottom();
    const int minWidth = Window->minimumWidth();
    const int minHeight = Window->minimumHeight();

    int left = oldLeft;
    int top = oldTop;
    int right = oldRight;
    int bottom = oldBottom;
    const int x = globalPos.x();
    const int y = globalPos.y();

    if (PressedHit.OnTopLeftEdge) {
        left = x;
        top = y;
    } else if (PressedHit.OnBottomLeftEdge) {
        left = x;
        bottom = y;
    } else if (PressedHit.OnTopRightEdge) {
        right = x;
        top = y;
    } else if (PressedHit.OnBottomRightEdge) {
        right = x;
        bottom = y;
    } else if (PressedHit.OnLeftEdge) {
        left = x;
    } else if (PressedHit.OnRightEdge) {
        right = x;
    } else if (PressedHit.OnTopEdge) {
        top = y;
    } else if (PressedHit.OnBottomEdge) {
        bottom = y;
    }

    if (right < left || bottom < top)
        return;

    // Below the minimum the moved edge stays where the last accepted step
    // left it; the other axis still follows the pointer.
    if (right - left + 1 < minWidth) {
        if (left == oldLeft)
            right = oldRight;
        else
            left = oldLeft;
    }
    if (bottom - top + 1 < minHeight) {
        if (top == oldTop)
            bottom = oldBottom;
        else
            top = oldTop;
    }

    const QRect newRect(QPoint(left, top), QPoint(right, bottom));
    if (onOutline)
        RubberBand->setGeometry(newRect);
    else
        Window->setGeometry(newRect);
}

void WatchedWindow::UpdateCursorShape(const QPoint &globalPos)
{
    if (Window->isFullScreen() || Window->isMaximized()) {
        if (CursorShapeChanged)
            Window->unsetCursor();
        return;
    }

    MoveHit.Update(globalPos.x(), globalPos.y(), Window->frameGeometry());

    if (MoveHit.OnTopLeftEdge || MoveHit.OnBottomRightEdge) {
        Window->setCursor(Qt::SizeFDiagCursor);
        CursorShapeChanged = true;
    } else if (MoveHit.OnTopRightEdge || MoveHit.OnBottomLeftEdge) {
        Window->setCursor(Qt::SizeBDiagCursor);
        CursorShapeChanged = true;
    } else if (MoveHit.OnLeftEdge || MoveHit.OnRightEdge) {
        Window->setCursor(Qt::SizeHorCursor);
        CursorShapeChanged = true;
    } else if (MoveHit.OnTopEdge || MoveHit.OnBottomEdge) {
        Window->setCursor(Qt::SizeVerCursor);
        CursorShapeChanged = true;
    } else if (CursorShapeChanged) {
        Window->unsetCursor();
        CursorShapeChanged = false;
    }
}

NcFramelessHelper::NcFramelessHelper(QObject *parent)
    : QObject(parent)
{
}

NcFramelessHelper::~NcFramelessHelper()
{
    const QList<QWidget *> windows = Windows.keys();
    for (QWidget *window : windows)
        unwatchWindow(window);
}

void NcFramelessHelper::watchWindow(QWidget *window)
{
    if (!window || Windows.contains(window))
        return;

    auto *record = new WatchedWindow(Switches, window);
    // A window destroyed while watched must not be touched again later:
    // its record goes without giving anything back to it.
    record->DestroyedConnection = connect(window, &QObject::destroyed, this, [this, window]() {
        WatchedWindow *dead = Windows.take(window);
        if (dead) {
            dead->ForgetWindow();
            delete dead;
        }
    });
    Windows.insert(window, record);
    window->installEventFilter(this);
}

void NcFramelessHelper::unwatchWindow(QWidget *window)
{
    WatchedWindow *record = Windows.take(window);
    if (!record)
        return;
    disconnect(record->DestroyedConnection);
    window->removeEventFilter(this);
    delete record;
}

void NcFramelessHelper::setMovable(bool movable)
{
    Switches.Movable = movable;
}

bool NcFramelessHelper::isMovable() const
{
    return Switches.Movable;
}

void NcFramelessHelper::setResizable(bool resizable)
{
    Switches.Resizable = resizable;
}

bool NcFramelessHelper::isResizable() const
{
    return Switches.Resizable;
}

void NcFramelessHelper::setResizeOutline(bool outline)
{
    Switches.UseRubberBandOnResize = outline;
    for (WatchedWindow *record : std::as_const(Windows))
        record->UpdateRubberBandStatus();
}

bool NcFramelessHelper::hasResizeOutline() const
{
    return Switches.UseRubberBandOnResize;
}

void NcFramelessHelper::setMoveOutline(bool outline)
{
    Switches.UseRubberBandOnMove = outline;
    for (WatchedWindow *record : std::as_const(Windows))
        record->UpdateRubberBandStatus();
}

bool NcFramelessHelper::hasMoveOutline() const
{
    return Switches.UseRubberBandOnMove;
}

void NcFramelessHelper::setEdgeWidth(int width)
{
    if (width >= 0)
        ClassEdgeWidth = width;
}

int NcFramelessHelper::edgeWidth()
{
    return ClassEdgeWidth;
}

bool NcFramelessHelper::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::HoverMove:
    case QEvent::Leave:
        break;
    default:
        return false;
    }

    if (Windows.isEmpty() || !watched->isWidgetType())
        return false;
    WatchedWindow *record = Windows.value(static_cast<QWidget *>(watched));
    if (!record)
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonPress:
        record->HandleMousePress(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonRelease:
        record->HandleMouseRelease(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseMove:
        record->HandleMouseMove(static_cast<QMouseEvent *>(event));
        break;
    case QEvent::HoverMove:
        record->HandleHoverMove(static_cast<QHoverEvent *>(event));
        break;
    case QEvent::Leave:
        record->HandleLeave();
        break;
    default:
        break;
    }
    // Never consume: the window's own handlers see every event too.
    return false;
}

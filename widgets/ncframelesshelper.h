#ifndef NCFRAMELESSHELPER_H
#define NCFRAMELESSHELPER_H

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QRect>

class QRubberBand;
class QWidget;
class QMouseEvent;
class WatchedWindow;

// Which edge bands and corners of a window a point lies on.
struct EdgeHit
{
    bool OnEdges = false;
    bool OnLeftEdge = false;
    bool OnRightEdge = false;
    bool OnTopEdge = false;
    bool OnBottomEdge = false;
    bool OnTopLeftEdge = false;
    bool OnBottomLeftEdge = false;
    bool OnTopRightEdge = false;
    bool OnBottomRightEdge = false;

    void Reset() { *this = EdgeHit(); }
    // Computes the hit of the global point (x, y) on the frame rectangle.
    void Update(int x, int y, const QRect &frameRect);
};

// Switches shared by every window one helper watches.
struct FramelessSwitches
{
    bool Movable = true;
    bool Resizable = true;
    bool UseRubberBandOnResize = false;
    bool UseRubberBandOnMove = false;
};

// Lets frameless windows be moved by dragging and resized at their edges,
// purely as an event filter that never consumes an event.
class NcFramelessHelper : public QObject
{
public:
    explicit NcFramelessHelper(QObject *parent = nullptr);
    ~NcFramelessHelper() override;

    void watchWindow(QWidget *window);
    void unwatchWindow(QWidget *window);

    void setMovable(bool movable);
    bool isMovable() const;
    void setResizable(bool resizable);
    bool isResizable() const;
    void setResizeOutline(bool outline);
    bool hasResizeOutline() const;
    void setMoveOutline(bool outline);
    bool hasMoveOutline() const;

    static void setEdgeWidth(int width);
    static int edgeWidth();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QHash<QWidget *, WatchedWindow *> Windows;
    FramelessSwitches Switches;
};

#endif // NCFRAMELESSHELPER_H

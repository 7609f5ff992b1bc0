// Frameless window helper driven by synthetic mouse and hover events with
// chosen global positions, on the offscreen platform.

#include "widgets/ncframelesshelper.h"

#include <QApplication>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QRubberBand>
#include <QScopedPointer>
#include <QtTest>

namespace {

// An unset cursor on a window reads as the arrow.
constexpr int NoCursor = int(Qt::ArrowCursor);
const QRect WideWindowRect(100, 100, 955, 670);  // right 1054, bottom 769
const QRect DragWindowRect(100, 100, 500, 400);  // right 599, bottom 499
const QSize DragWindowMinimum(400, 300);
const Qt::WindowFlags TakenFlags = Qt::FramelessWindowHint | Qt::CustomizeWindowHint;

// Counts what reaches the window's own handlers, to show the helper never
// swallows an event.
class RecordingWindow : public QWidget
{
public:
    int Presses = 0;
    int Moves = 0;
    int Releases = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++Presses; }
    void mouseMoveEvent(QMouseEvent *) override { ++Moves; }
    void mouseReleaseEvent(QMouseEvent *) override { ++Releases; }
};

void SendMouse(QWidget *window, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(window->mapFromGlobal(global)), QPointF(global), button, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
}

void Hover(QWidget *window, const QPoint &global)
{
    const QPointF local(window->mapFromGlobal(global));
    QHoverEvent event(QEvent::HoverMove, local, QPointF(global), local);
    QCoreApplication::sendEvent(window, &event);
}

void MoveWithoutButton(QWidget *window, const QPoint &global)
{
    SendMouse(window, QEvent::MouseMove, global, Qt::NoButton, Qt::NoButton);
}

// Press, move through every point, release at the last one.
void Drag(QWidget *window, const QPoint &press, const QList<QPoint> &moves, Qt::MouseButton button = Qt::LeftButton)
{
    SendMouse(window, QEvent::MouseButtonPress, press, button, button);
    for (const QPoint &p : moves)
        SendMouse(window, QEvent::MouseMove, p, Qt::NoButton, button);
    SendMouse(window, QEvent::MouseButtonRelease, moves.isEmpty() ? press : moves.last(), button, Qt::NoButton);
}

int CursorOf(const QWidget *window)
{
    return int(window->cursor().shape());
}

QList<QRubberBand *> Outlines()
{
    QList<QRubberBand *> bands;
    const QList<QWidget *> topLevels = QApplication::topLevelWidgets();
    for (QWidget *w : topLevels) {
        if (auto *band = qobject_cast<QRubberBand *>(w))
            bands << band;
    }
    return bands;
}

} // namespace

class TestNcFramelessHelper : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void geometryIsStable();
    void edgeBandsAndCursors_data();
    void edgeBandsAndCursors();
    void cursorUnsetOnceAwayFromBands();
    void noResizeCursorFullScreenOrMaximised_data();
    void noResizeCursorFullScreenOrMaximised();

    void drag_data();
    void drag();
    void switchesDecideDrag_data();
    void switchesDecideDrag();
    void outlines_data();
    void outlines();
    void outlineFollowsSwitches();

    void takingAndReleasing_data();
    void takingAndReleasing();
    void watchTwiceKeepsOneRecord();
    void helperDestructionReleasesEveryWindow();
    void destroyedWindowIsDropped();
    void unknownObjectsIgnored();

private:
    void ShowAt(QWidget *window, const QRect &rect);
};

void TestNcFramelessHelper::init()
{
    // The width is one value for the whole process: every test starts from the default.
    NcFramelessHelper::setEdgeWidth(5);
}

void TestNcFramelessHelper::ShowAt(QWidget *window, const QRect &rect)
{
    window->setGeometry(rect);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->frameGeometry(), rect);
}

void TestNcFramelessHelper::geometryIsStable()
{
    // Everything below relies on a top-level window staying where it is put,
    // including after a move or a resize by the helper.
    NcFramelessHelper helper;
    QWidget window;
    helper.watchWindow(&window);
    ShowAt(&window, WideWindowRect);
    window.move(150, 120);
    QCOMPARE(window.frameGeometry(), QRect(QPoint(150, 120), WideWindowRect.size()));
    window.setGeometry(DragWindowRect);
    QCOMPARE(window.frameGeometry(), DragWindowRect);
}

void TestNcFramelessHelper::edgeBandsAndCursors_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("shape");

    const QList<int> five{5};
    const int midY = 435;
    const int midX = 577;
    QTest::newRow("left pixel") << five << QPoint(100, midY) << int(Qt::SizeHorCursor);
    QTest::newRow("left band inner end") << five << QPoint(105, midY) << int(Qt::SizeHorCursor);
    QTest::newRow("past left band") << five << QPoint(106, midY) << NoCursor;
    QTest::newRow("just left of window") << five << QPoint(99, midY) << NoCursor;
    QTest::newRow("before right band") << five << QPoint(1049, midY) << NoCursor;
    QTest::newRow("right band start") << five << QPoint(1050, midY) << int(Qt::SizeHorCursor);
    QTest::newRow("right pixel") << five << QPoint(1054, midY) << int(Qt::SizeHorCursor);
    QTest::newRow("just right of window") << five << QPoint(1055, midY) << int(Qt::SizeHorCursor);
    QTest::newRow("two right of window") << five << QPoint(1056, midY) << NoCursor;
    QTest::newRow("top pixel") << five << QPoint(midX, 100) << int(Qt::SizeVerCursor);
    QTest::newRow("top band inner end") << five << QPoint(midX, 105) << int(Qt::SizeVerCursor);
    QTest::newRow("past top band") << five << QPoint(midX, 106) << NoCursor;
    QTest::newRow("before bottom band") << five << QPoint(midX, 764) << NoCursor;
    QTest::newRow("bottom band start") << five << QPoint(midX, 765) << int(Qt::SizeVerCursor);
    QTest::newRow("just below window") << five << QPoint(midX, 770) << int(Qt::SizeVerCursor);
    QTest::newRow("middle") << five << QPoint(midX, midY) << NoCursor;
    QTest::newRow("top-left pixel") << five << QPoint(100, 100) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-right pixel") << five << QPoint(1054, 100) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-left pixel") << five << QPoint(100, 769) << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-right pixel") << five << QPoint(1054, 769) << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom-right outside") << five << QPoint(1055, 770) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-left band corner") << five << QPoint(105, 105) << int(Qt::SizeFDiagCursor);
    QTest::newRow("left band beside top band") << five << QPoint(105, 106) << int(Qt::SizeHorCursor);

    const QList<int> zero{0};
    QTest::newRow("zero: left pixel") << zero << QPoint(100, midY) << int(Qt::SizeHorCursor);
    QTest::newRow("zero: next to left pixel") << zero << QPoint(101, midY) << NoCursor;
    QTest::newRow("zero: right pixel") << zero << QPoint(1054, midY) << NoCursor;
    QTest::newRow("zero: just right of window") << zero << QPoint(1055, midY) << int(Qt::SizeHorCursor);

    QTest::newRow("refused -1 keeps 5") << QList<int>{5, -1} << QPoint(105, midY) << int(Qt::SizeHorCursor);
    QTest::newRow("refused -1 keeps 0") << QList<int>{0, -1} << QPoint(101, midY) << NoCursor;
    QTest::newRow("wider band") << QList<int>{10} << QPoint(110, midY) << int(Qt::SizeHorCursor);
}

void TestNcFramelessHelper::edgeBandsAndCursors()
{
    QFETCH(QList<int>, widths);
    QFETCH(QPoint, point);
    QFETCH(int, shape);

    int expectedWidth = NcFramelessHelper::edgeWidth();
    for (int w : widths) {
        NcFramelessHelper::setEdgeWidth(w);
        if (w >= 0)
            expectedWidth = w;
    }
    QCOMPARE(NcFramelessHelper::edgeWidth(), expectedWidth);

    NcFramelessHelper helper;
    QWidget window;
    helper.watchWindow(&window);
    ShowAt(&window, WideWindowRect);
    const QPoint middle = WideWindowRect.center();

    // The hover path (a position local to the window) and the plain mouse
    // move path (a global position) must agree.
    Hover(&window, point);
    QCOMPARE(CursorOf(&window), shape);

    Hover(&window, middle);
    QCOMPARE(CursorOf(&window), NoCursor);

    MoveWithoutButton(&window, point);
    QCOMPARE(CursorOf(&window), shape);
}

void TestNcFramelessHelper::cursorUnsetOnceAwayFromBands()
{
    NcFramelessHelper helper;
    QWidget window;
    helper.watchWindow(&window);
    ShowAt(&window, WideWindowRect);
    const QPoint middle = WideWindowRect.center();

    Hover(&window, middle);
    QCOMPARE(CursorOf(&window), NoCursor);

    // A cursor the helper did not set survives hovering in the middle...
    window.setCursor(Qt::CrossCursor);
    Hover(&window, middle);
    QCOMPARE(CursorOf(&window), int(Qt::CrossCursor));

    // ...and after a band was left once, further moves in the middle leave it alone.
    Hover(&window, QPoint(100, 400));
    QCOMPARE(CursorOf(&window), int(Qt::SizeHorCursor));
    Hover(&window, middle);
    QCOMPARE(CursorOf(&window), NoCursor);
    window.setCursor(Qt::CrossCursor);
    Hover(&window, middle + QPoint(3, 3));
    MoveWithoutButton(&window, middle);
    QCOMPARE(CursorOf(&window), int(Qt::CrossCursor));

    // Leaving the window drops the cursor, unless a drag is under way.
    Hover(&window, QPoint(100, 400));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&window, &leave);
    QCOMPARE(CursorOf(&window), NoCursor);

    Hover(&window, QPoint(100, 400));
    SendMouse(&window, QEvent::MouseButtonPress, QPoint(100, 400), Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::sendEvent(&window, &leave);
    QCOMPARE(CursorOf(&window), int(Qt::SizeHorCursor));
}

void TestNcFramelessHelper::noResizeCursorFullScreenOrMaximised_data()
{
    QTest::addColumn<bool>("fullScreen");
    QTest::newRow("maximised") << false;
    QTest::newRow("full screen") << true;
}

void TestNcFramelessHelper::noResizeCursorFullScreenOrMaximised()
{
    QFETCH(bool, fullScreen);

    NcFramelessHelper helper;
    QWidget window;
    helper.watchWindow(&window);
    ShowAt(&window, DragWindowRect);

    Hover(&window, QPoint(100, 300));
    QCOMPARE(CursorOf(&window), int(Qt::SizeHorCursor));

    if (fullScreen)
        window.showFullScreen();
    else
        window.showMaximized();
    QTRY_VERIFY(fullScreen ? window.isFullScreen() : window.isMaximized());

    const QRect frame = window.frameGeometry();
    const QPoint leftBand(frame.left() + 1, frame.center().y());
    Hover(&window, leftBand);
    QCOMPARE(CursorOf(&window), NoCursor);
    MoveWithoutButton(&window, QPoint(frame.left(), frame.top()));
    QCOMPARE(CursorOf(&window), NoCursor);

    window.showNormal();
    QTRY_VERIFY(!window.isMaximized() && !window.isFullScreen());
    Hover(&window, window.frameGeometry().topLeft());
    QCOMPARE(CursorOf(&window), int(Qt::SizeFDiagCursor));
}

void TestNcFramelessHelper::drag_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<int>("button");
    QTest::addColumn<QList<QPoint>>("moves");
    QTest::addColumn<QRect>("expected");

    const int left = Qt::LeftButton;
    const QRect unchanged = DragWindowRect;

    QTest::newRow("move from the middle")
        << QPoint(300, 300) << left << QList<QPoint>{{310, 305}, {360, 250}} << QRect(160, 50, 500, 400);
    QTest::newRow("resize from the right edge")
        << QPoint(597, 300) << left << QList<QPoint>{{640, 320}} << QRect(QPoint(100, 100), QPoint(640, 499));
    QTest::newRow("resize from the left band's inner end")
        << QPoint(105, 300) << left << QList<QPoint>{{60, 320}} << QRect(QPoint(60, 100), QPoint(599, 499));
    QTest::newRow("resize from the top edge")
        << QPoint(300, 100) << left << QList<QPoint>{{300, 80}} << QRect(QPoint(100, 80), QPoint(599, 499));
    QTest::newRow("resize from the bottom-right corner")
        << QPoint(599, 499) << left << QList<QPoint>{{650, 540}} << QRect(QPoint(100, 100), QPoint(650, 540));
    QTest::newRow("resize from the top-left corner")
        << QPoint(101, 101) << left << QList<QPoint>{{90, 70}} << QRect(QPoint(90, 70), QPoint(599, 499));
    QTest::newRow("press decides, not where the pointer goes")
        << QPoint(300, 499) << left << QList<QPoint>{{100, 550}} << QRect(QPoint(100, 100), QPoint(599, 550));

    // Below the minimum the moved edge goes back to its last accepted place
    // (not clamped to the minimum) while the other axis follows.
    QTest::newRow("left edge below minimum width, height follows")
        << QPoint(100, 499) << left << QList<QPoint>{{150, 520}, {230, 530}}
        << QRect(QPoint(150, 100), QPoint(599, 530));
    QTest::newRow("left edge accepted again above minimum")
        << QPoint(100, 499) << left << QList<QPoint>{{150, 520}, {230, 530}, {190, 540}}
        << QRect(QPoint(190, 100), QPoint(599, 540));
    QTest::newRow("top edge below minimum height, width follows")
        << QPoint(599, 100) << left << QList<QPoint>{{620, 150}, {640, 250}}
        << QRect(QPoint(100, 150), QPoint(640, 499));
    QTest::newRow("right edge below minimum width goes back")
        << QPoint(599, 499) << left << QList<QPoint>{{450, 520}} << QRect(QPoint(100, 100), QPoint(599, 520));
    QTest::newRow("bottom edge below minimum height goes back")
        << QPoint(300, 499) << left << QList<QPoint>{{300, 350}} << unchanged;
    QTest::newRow("exactly the minimum is accepted")
        << QPoint(599, 499) << left << QList<QPoint>{{499, 399}} << QRect(QPoint(100, 100), QPoint(499, 399));

    // Crossing edges drops the whole event: the other axis does not follow either.
    QTest::newRow("left past right changes nothing")
        << QPoint(100, 499) << left << QList<QPoint>{{700, 550}} << unchanged;
    QTest::newRow("top past bottom changes nothing")
        << QPoint(100, 100) << left << QList<QPoint>{{150, 600}} << unchanged;

    const int right = Qt::RightButton;
    QTest::newRow("right button in the middle")
        << QPoint(300, 300) << right << QList<QPoint>{{360, 250}} << unchanged;
    QTest::newRow("right button on a corner")
        << QPoint(599, 499) << right << QList<QPoint>{{650, 540}} << unchanged;
}

void TestNcFramelessHelper::drag()
{
    QFETCH(QPoint, press);
    QFETCH(int, button);
    QFETCH(QList<QPoint>, moves);
    QFETCH(QRect, expected);

    NcFramelessHelper helper;
    RecordingWindow window;
    window.setMinimumSize(DragWindowMinimum);
    helper.watchWindow(&window);
    ShowAt(&window, DragWindowRect);

    Drag(&window, press, moves, Qt::MouseButton(button));
    QCOMPARE(window.frameGeometry(), expected);

    // The helper only watches: the window's own handlers saw everything.
    QCOMPARE(window.Presses, 1);
    QCOMPARE(window.Moves, moves.size());
    QCOMPARE(window.Releases, 1);

    // After the release moves are hover again: nothing more happens.
    MoveWithoutButton(&window, press + QPoint(40, 40));
    QCOMPARE(window.frameGeometry(), expected);
}

void TestNcFramelessHelper::switchesDecideDrag_data()
{
    QTest::addColumn<bool>("movable");
    QTest::addColumn<bool>("resizable");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<bool>("cursorShown");
    QTest::addColumn<QRect>("expected");

    const QPoint edge(599, 300);
    const QPoint middle(300, 300);
    const QRect resized(100, 100, 530, 400);
    const QRect moved(130, 120, 500, 400);
    const QRect unchanged = DragWindowRect;

    QTest::newRow("edge, both on") << true << true << edge << true << resized;
    QTest::newRow("edge, resizable off") << true << false << edge << false << moved;
    QTest::newRow("edge, movable off") << false << true << edge << true << resized;
    QTest::newRow("edge, both off") << false << false << edge << false << unchanged;
    QTest::newRow("middle, both on") << true << true << middle << false << moved;
    QTest::newRow("middle, movable off") << false << true << middle << false << unchanged;
    QTest::newRow("middle, both off") << false << false << middle << false << unchanged;
}

void TestNcFramelessHelper::switchesDecideDrag()
{
    QFETCH(bool, movable);
    QFETCH(bool, resizable);
    QFETCH(QPoint, press);
    QFETCH(bool, cursorShown);
    QFETCH(QRect, expected);

    NcFramelessHelper helper;
    QVERIFY(helper.isMovable());
    QVERIFY(helper.isResizable());
    QVERIFY(!helper.hasResizeOutline());
    QVERIFY(!helper.hasMoveOutline());

    QWidget window;
    window.setMinimumSize(DragWindowMinimum);
    helper.watchWindow(&window);
    ShowAt(&window, DragWindowRect);
    helper.setMovable(movable);
    helper.setResizable(resizable);
    QCOMPARE(helper.isMovable(), movable);
    QCOMPARE(helper.isResizable(), resizable);

    Hover(&window, press);
    QCOMPARE(CursorOf(&window) != NoCursor, cursorShown);

    Drag(&window, press, {press + QPoint(15, 10), press + QPoint(30, 20)});
    QCOMPARE(window.frameGeometry(), expected);
}

void TestNcFramelessHelper::outlines_data()
{
    QTest::addColumn<bool>("resizeOutline");
    QTest::addColumn<bool>("moveOutline");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<bool>("outlineShown");
    QTest::addColumn<QRect>("expected");

    const QPoint corner(599, 499);
    const QPoint middle(300, 300);
    const QRect resized(100, 100, 530, 420);
    const QRect moved(130, 120, 500, 400);

    QTest::newRow("resize outline, corner") << true << false << corner << true << resized;
    QTest::newRow("resize outline, middle") << true << false << middle << false << moved;
    QTest::newRow("move outline, middle") << false << true << middle << true << moved;
    QTest::newRow("move outline, corner") << false << true << corner << false << resized;
    QTest::newRow("both outlines, corner") << true << true << corner << true << resized;
    QTest::newRow("both outlines, middle") << true << true << middle << true << moved;
}

void TestNcFramelessHelper::outlines()
{
    QFETCH(bool, resizeOutline);
    QFETCH(bool, moveOutline);
    QFETCH(QPoint, press);
    QFETCH(bool, outlineShown);
    QFETCH(QRect, expected);

    NcFramelessHelper helper;
    QWidget window;
    window.setMinimumSize(DragWindowMinimum);
    helper.watchWindow(&window);
    ShowAt(&window, DragWindowRect);
    helper.setResizeOutline(resizeOutline);
    helper.setMoveOutline(moveOutline);
    QCOMPARE(helper.hasResizeOutline(), resizeOutline);
    QCOMPARE(helper.hasMoveOutline(), moveOutline);

    const QList<QRubberBand *> bands = Outlines();
    QCOMPARE(bands.size(), 1);
    QRubberBand *outline = bands.first();
    QCOMPARE(outline->shape(), QRubberBand::Rectangle);
    QVERIFY(!outline->isVisible());

    SendMouse(&window, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(outline->isVisible(), outlineShown);
    if (outlineShown)
        QCOMPARE(outline->geometry(), DragWindowRect);
    SendMouse(&window, QEvent::MouseMove, press + QPoint(15, 10), Qt::NoButton, Qt::LeftButton);
    SendMouse(&window, QEvent::MouseMove, press + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);

    if (outlineShown) {
        QCOMPARE(window.frameGeometry(), DragWindowRect);
        QCOMPARE(outline->geometry(), expected);
    } else {
        QCOMPARE(window.frameGeometry(), expected);
    }

    SendMouse(&window, QEvent::MouseButtonRelease, press + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!outline->isVisible());
    QCOMPARE(window.frameGeometry(), expected);
}

void TestNcFramelessHelper::outlineFollowsSwitches()
{
    QVERIFY(Outlines().isEmpty());
    {
        NcFramelessHelper helper;
        QWidget first;
        QWidget second;
        helper.watchWindow(&first);
        QVERIFY(Outlines().isEmpty());

        helper.setMoveOutline(true);
        QCOMPARE(Outlines().size(), 1);
        // A window taken while an outline switch is on gets its own outline.
        helper.watchWindow(&second);
        QCOMPARE(Outlines().size(), 2);
        helper.setResizeOutline(true);
        QCOMPARE(Outlines().size(), 2);

        helper.setMoveOutline(false);
        QCOMPARE(Outlines().size(), 2);
        helper.setResizeOutline(false);
        QVERIFY(Outlines().isEmpty());

        helper.setResizeOutline(true);
        QCOMPARE(Outlines().size(), 2);
        helper.unwatchWindow(&first);
        QCOMPARE(Outlines().size(), 1);
    }
    QVERIFY(Outlines().isEmpty());
}

void TestNcFramelessHelper::takingAndReleasing_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("visible");

    const int framedWithButtons = int(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                      | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    const int framelessWithButtons = int(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint
                                         | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QTest::newRow("plain window, shown") << int(Qt::Window) << true;
    QTest::newRow("plain window, hidden") << int(Qt::Window) << false;
    QTest::newRow("framed with buttons, shown") << framedWithButtons << true;
    QTest::newRow("frameless with buttons, shown") << framelessWithButtons << true;
    QTest::newRow("frameless with buttons, hidden") << framelessWithButtons << false;
}

void TestNcFramelessHelper::takingAndReleasing()
{
    QFETCH(int, flags);
    QFETCH(bool, visible);

    QWidget window(nullptr, Qt::WindowFlags(flags));
    window.setGeometry(DragWindowRect);
    if (visible) {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    const Qt::WindowFlags original = window.windowFlags();

    NcFramelessHelper helper;
    helper.watchWindow(&window);
    QCOMPARE(window.windowFlags() & ~Qt::WindowType_Mask, TakenFlags & ~Qt::WindowType_Mask);
    QVERIFY(window.isWindow());
    QVERIFY(window.testAttribute(Qt::WA_MouseTracking));
    QVERIFY(window.testAttribute(Qt::WA_Hover));
    QCOMPARE(window.isVisible(), visible);

    helper.unwatchWindow(&window);
    QCOMPARE(window.windowFlags(), original);
    QVERIFY(!window.testAttribute(Qt::WA_MouseTracking));
    QVERIFY(!window.testAttribute(Qt::WA_Hover));
    QCOMPARE(window.isVisible(), visible);

    // Unwatched, the filter is gone: a drag no longer moves the window.
    if (visible) {
        Drag(&window, QPoint(300, 300), {{360, 350}});
        QCOMPARE(window.geometry(), DragWindowRect);
    }
    helper.unwatchWindow(&window);
    QCOMPARE(window.windowFlags(), original);
}

void TestNcFramelessHelper::watchTwiceKeepsOneRecord()
{
    QWidget window;
    const Qt::WindowFlags original = window.windowFlags();
    NcFramelessHelper helper;
    helper.watchWindow(&window);
    helper.watchWindow(&window);
    ShowAt(&window, DragWindowRect);

    Drag(&window, QPoint(300, 300), {{330, 320}});
    QCOMPARE(window.pos(), QPoint(130, 120));

    // A second record would have saved the helper's own flags as the
    // window's, and a second filter would still move it after one unwatch.
    helper.unwatchWindow(&window);
    QCOMPARE(window.windowFlags(), original);
    QVERIFY(!window.testAttribute(Qt::WA_Hover));
    QVERIFY(window.isVisible());
    Drag(&window, QPoint(330, 320), {{360, 350}});
    QCOMPARE(window.geometry().topLeft(), QPoint(130, 120));
}

void TestNcFramelessHelper::helperDestructionReleasesEveryWindow()
{
    QWidget first;
    QWidget second(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    const Qt::WindowFlags firstFlags = first.windowFlags();
    const Qt::WindowFlags secondFlags = second.windowFlags();
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));

    auto *helper = new NcFramelessHelper;
    helper->watchWindow(&first);
    helper->watchWindow(&second);
    QVERIFY(first.testAttribute(Qt::WA_Hover));
    delete helper;

    QCOMPARE(first.windowFlags(), firstFlags);
    QCOMPARE(second.windowFlags(), secondFlags);
    QVERIFY(!first.testAttribute(Qt::WA_Hover));
    QVERIFY(!second.testAttribute(Qt::WA_MouseTracking));
    QVERIFY(!first.isVisible());
    QVERIFY(second.isVisible());

    // The filter left with the helper: events reach the windows safely.
    Hover(&second, second.frameGeometry().topLeft());
    Drag(&second, second.frameGeometry().center(), {second.frameGeometry().center() + QPoint(20, 20)});
}

void TestNcFramelessHelper::destroyedWindowIsDropped()
{
    QScopedPointer<NcFramelessHelper> helper(new NcFramelessHelper);
    helper->setMoveOutline(true);

    QWidget survivor;
    survivor.setMinimumSize(DragWindowMinimum);
    helper->watchWindow(&survivor);
    ShowAt(&survivor, DragWindowRect);

    auto *doomed = new QWidget;
    const QWidget *doomedAddress = doomed;
    helper->watchWindow(doomed);
    doomed->show();
    delete doomed;

    // A new window, quite possibly at the freed address, must be taken
    // like any other, not mistaken for the dead one.
    QWidget newcomer;
    const Qt::WindowFlags newcomerFlags = newcomer.windowFlags();
    helper->watchWindow(&newcomer);
    if (&newcomer == doomedAddress)
        qInfo("the new window reuses the dead window's address");
    QCOMPARE(newcomer.windowFlags() & ~Qt::WindowType_Mask, TakenFlags & ~Qt::WindowType_Mask);
    QVERIFY(newcomer.testAttribute(Qt::WA_Hover));

    helper->setMoveOutline(false);
    helper->setResizeOutline(true);
    Drag(&survivor, QPoint(599, 499), {{620, 520}});
    QCOMPARE(survivor.frameGeometry(), QRect(QPoint(100, 100), QPoint(620, 520)));

    // Releasing everything touches only the living windows.
    helper.reset();
    QCOMPARE(newcomer.windowFlags(), newcomerFlags);
    QVERIFY(!survivor.testAttribute(Qt::WA_Hover));
}

void TestNcFramelessHelper::unknownObjectsIgnored()
{
    NcFramelessHelper helper;
    QWidget watched;
    QWidget stranger(nullptr, Qt::FramelessWindowHint);
    QObject plainObject;
    helper.watchWindow(&watched);
    ShowAt(&stranger, DragWindowRect);

    // Installed by hand on objects it does not watch, the filter does nothing.
    stranger.installEventFilter(&helper);
    plainObject.installEventFilter(&helper);
    Hover(&stranger, QPoint(100, 300));
    QCOMPARE(CursorOf(&stranger), NoCursor);
    Drag(&stranger, QPoint(300, 300), {{340, 340}});
    QCOMPARE(stranger.pos(), DragWindowRect.topLeft());

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&plainObject, &press);

    // A null window is refused.
    helper.watchWindow(nullptr);
    helper.unwatchWindow(nullptr);
    helper.unwatchWindow(&stranger);
}

QTEST_MAIN(TestNcFramelessHelper)
#include "tst_ncframelesshelper.moc"

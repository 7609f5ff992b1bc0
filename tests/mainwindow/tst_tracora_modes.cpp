// Display modes of the real main window on an X server: window full screen,
// video full screen and back, the title band's double-click, and the frameless
// window's moving and resizing, with real pointer input where delivery itself
// matters.
//
// On X11 full screen is a request to the window manager: without one the
// server keeps the window where it is. The test therefore runs a small window
// manager of its own for its whole run (or uses the one already running).

#include <QtTest>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <csignal>
#include <sys/prctl.h>

#include "mapfixture.h"
#include "windowparts.h"

using namespace mapfixture;

namespace {

constexpr int GeometryTimeoutMs = 8000;
constexpr int PlayTimeoutMs = 20000;
constexpr int ToolTimeoutMs = 20000;
// Long enough for a window manager to act on a request it should not get.
constexpr int SettleMs = 400;

const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");
const QString Bars = QStringLiteral(VIALUMO_TESTDATA_DIR "/bars3s.MOV");

const QString WindowNormalRules = QStringLiteral(
    "#WindowNormal          {border-image:url(./images/Window_Normal.png); border-radius: 8px;}"
    "#WindowNormal:hover    {border-image:url(./images/Window_Normal_Hover.png);}"
    "#WindowNormal:pressed  {border-image:url(./images/Window_Normal_Pressed.png);}");
const QString WindowMaxRules = QStringLiteral(
    "#WindowMax          {border-image:url(./images/Window_Max.png); border-radius: 8px;}"
    "#WindowMax:hover    {border-image:url(./images/Window_Max_Hover.png);}"
    "#WindowMax:pressed  {border-image:url(./images/Window_Max_Pressed.png);}");

// Openbox with an empty configuration: no key or mouse bindings of its own,
// so that every press reaches the window; it ends with the test process.
class WindowManager
{
public:
    enum class Result { Started, OtherRunning, Missing };

    Result Start()
    {
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty())
            return Result::Missing;
        Config.setFileTemplate(QDir::tempPath() + QStringLiteral("/vialumo-openbox-XXXXXX.xml"));
        if (!Config.open())
            return Result::Missing;
        Config.write("<?xml version=\"1.0\"?>\n<openbox_config xmlns=\"http://openbox.org/3.4/rc\"/>\n");
        Config.flush();

        Process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        Process.setStandardErrorFile(QProcess::nullDevice());
        // The start-up command runs once openbox manages the screen.
        Process.start(openbox, {QStringLiteral("--sm-disable"), QStringLiteral("--config-file"),
                                Config.fileName(), QStringLiteral("--startup"), QStringLiteral("echo ready")});
        if (!Process.waitForStarted())
            return Result::Missing;
        QByteArray out;
        (void)QTest::qWaitFor([&] {
            out += Process.readAllStandardOutput();
            return out.contains("ready") || Process.state() == QProcess::NotRunning;
        }, ToolTimeoutMs);
        // Openbox leaves at once when the screen already has a window manager.
        return Process.state() == QProcess::Running ? Result::Started : Result::OtherRunning;
    }

    void Stop()
    {
        if (Process.state() == QProcess::NotRunning)
            return;
        Process.terminate();
        if (!Process.waitForFinished(5000)) {
            Process.kill();
            Process.waitForFinished();
        }
    }

private:
    QProcess Process;
    QTemporaryFile Config;
};

// Runs a tool while the event loop goes on, so that the window follows each step.
bool RunTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted())
        return false;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, ToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString At(const QPoint &p)
{
    return QStringLiteral("%1 %2").arg(p.x()).arg(p.y());
}

bool RealDoubleClick(const QPoint &global, int button = 1)
{
    return RunTool(QStringLiteral("xdotool"), (QStringLiteral("mousemove ") + At(global)
                                                + QStringLiteral(" click --repeat 2 --delay 80 %1").arg(button))
                                                   .split(QLatin1Char(' ')));
}

bool RealClick(const QPoint &global)
{
    return RunTool(QStringLiteral("xdotool"),
                   (QStringLiteral("mousemove ") + At(global) + QStringLiteral(" sleep 0.1 click 1")).split(QLatin1Char(' ')));
}

// A press at the first point, motion through the others, release at the last.
bool RealDrag(const QList<QPoint> &points)
{
    QStringList steps{QStringLiteral("mousemove"), At(points.first()), QStringLiteral("sleep 0.2 mousedown 1 sleep 0.2")};
    for (int i = 1; i < points.size(); ++i)
        steps << QStringLiteral("mousemove") << At(points.at(i)) << QStringLiteral("sleep 0.1");
    steps << QStringLiteral("mouseup 1");
    return RunTool(QStringLiteral("xdotool"), steps.join(QLatin1Char(' ')).split(QLatin1Char(' ')));
}

// A double-click as X delivers it: to the child under the pointer, from
// where it travels up to the window unless a child takes it.
void SendDoubleClick(Tracora &w, const QPoint &global, Qt::MouseButton button)
{
    const QPoint local = w.mapFromGlobal(global);
    QWidget *target = w.childAt(local);
    if (!target)
        target = &w;
    QMouseEvent event(QEvent::MouseButtonDblClick, target->mapFromGlobal(global), global, button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

QString AppStyleSheet()
{
    QFile file(QStringLiteral(":/qss/Tracora.qss"));
    return file.open(QFile::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

// Where the children must lie for a window of W by H: the columns that
// stretch, the ones that keep their width, and the rows tied to the bottom.
QString LayoutMismatch(Tracora &w, WindowParts &parts)
{
    const int W = w.width();
    const int H = w.height();
    const int K = W - 315;
    const int B = H - 310;
    const int C = (W - 350) / 2;
    const int c0 = (W - 300) / 2;
    const QList<QPair<QWidget *, QRect>> expected = {
        {w.findChild<QWidget *>("Header_Left"), QRect(0, 0, c0, 50)},
        {w.findChild<QWidget *>("Header_Right"), QRect((W + 300) / 2, 0, c0, 50)},
        {parts.Video, QRect(5, 55, K, B)},
        {parts.Map, QRect(W - 305, 55, 300, B)},
        {parts.TimeSlider, QRect(5, H - 202, 4 * K / 6, 20)},
        {parts.VolumeSlider, QRect(5 * K / 6, H - 202, K / 6, 20)},
        {parts.Right, QRect(K / 2 + 5, H - 170, K / 2, 125)},
        {parts.Speed, QRect(W - 305, H - 170, 300, 120)},
        {w.findChild<QWidget *>("VideoNext"), QRect(C + 45, H - 247, 35, 35)},
        {w.findChild<QWidget *>("VideoListItemDelete"), QRect(C + 125, H - 40, 35, 35)},
        {parts.Max, QRect(W - 45, 0, 20, 20)},
        {w.findChild<QWidget *>("WindowClose"), QRect(W - 25, 0, 20, 20)},
        {parts.TimeLabel, QRect(15, H - 225, 110, 20)},
    };
    QStringList wrong;
    for (const auto &[child, rect] : expected) {
        if (!child || child->geometry() != rect) {
            const QRect got = child ? child->geometry() : QRect();
            wrong << QStringLiteral("%1 at %2,%3 %4x%5, wanted %6,%7 %8x%9")
                         .arg(child ? child->objectName() : QStringLiteral("?"))
                         .arg(got.x()).arg(got.y()).arg(got.width()).arg(got.height())
                         .arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
        }
    }
    return wrong.join(QStringLiteral("; "));
}

QRect ScreenRect()
{
    return QGuiApplication::primaryScreen()->geometry();
}

// The main window as the program shows it: style sheet, object name, and the
// program's map pages and button images in images/ under the working directory.
struct ModeWindow
{
    Workspace Space;
    bool ImagesCopied = CopyProgramImages(Space.Root.path());
    Tracora Window;
    WindowParts Parts{Window};
    bool Exposed = false;

    ModeWindow()
    {
        Window.setStyleSheet(AppStyleSheet());
        Window.setObjectName(QStringLiteral("Tracora"));
        Window.show();
        Exposed = QTest::qWaitForWindowExposed(&Window);
    }

    static bool CopyProgramImages(const QString &root)
    {
        const QDir from(QStringLiteral(VIALUMO_DEPLOY_DIR "/images"));
        bool ok = true;
        for (const QString &name : from.entryList(QDir::Files)) {
            const QString to = root + QStringLiteral("/images/") + name;
            QFile::remove(to);
            ok = QFile::copy(from.filePath(name), to) && ok;
        }
        return ok;
    }

    QPoint Global(int x, int y) const { return Window.frameGeometry().topLeft() + QPoint(x, y); }

    // The maximise button's face follows the window full-screen mode: 1 while
    // it shows the restore face.
    int WindowFull() const { return Parts.Max->objectName() == QLatin1String("WindowNormal") ? 1 : 0; }

    // Whether the window shows a resize cursor over its left resize band, the
    // pointer brought there from inside: the frameless helper shows one there
    // only while it may resize the window.
    bool ResizeCursorOnLeftBand(bool expected)
    {
        const QPoint inside = Global(Window.width() / 2, Window.height() / 2);
        const QPoint band = Global(2, Window.height() / 2);
        if (!RunTool(QStringLiteral("xdotool"), (QStringLiteral("mousemove ") + At(inside)
                                                  + QStringLiteral(" sleep 0.05 mousemove ") + At(band))
                                                     .split(QLatin1Char(' '))))
            return !expected;
        const auto resizing = [&] { return Window.cursor().shape() == Qt::SizeHorCursor; };
        bool shown = false;
        if (expected) {
            shown = QTest::qWaitFor(resizing, GeometryTimeoutMs);
        } else {
            QTest::qWait(SettleMs);
            shown = resizing();
        }
        // Back inside, away from the band.
        RunTool(QStringLiteral("xdotool"), (QStringLiteral("mousemove ") + At(inside)).split(QLatin1Char(' ')));
        return shown;
    }

    // A drag on the title band moves the window with the pointer.
    bool DragMoves()
    {
        const QRect start = Window.geometry();
        const QPoint grip = Global(150, 25);
        const QPoint offset(-30, -20);
        return RealDrag({grip, grip + QPoint(-10, -5), grip + offset}) && WaitGeometry(start.translated(offset));
    }
    QPoint MaxButtonCentre() const { return Parts.Max->mapToGlobal(Parts.Max->rect().center()); }

    bool WaitGeometry(const QRect &rect)
    {
        return QTest::qWaitFor([&] { return Window.geometry() == rect; }, GeometryTimeoutMs);
    }

    // Recordings without GPS logs: their information page lets them play at once.
    bool Play(const QStringList &clips)
    {
        QStringList videos;
        for (int i = 0; i < clips.size(); ++i)
            videos << Space.AddRecording(i + 1, clips.at(i), nullptr);
        Parts.AddRecordings(videos);
        Parts.Next->click(); // nothing chosen yet: the first

        return QTest::qWaitFor([&] { return Parts.Wrapper->GetState() == UVlcWrapper::StatePlaying; }, PlayTimeoutMs);
    }
};

} // namespace

class TestTracoraModes : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void maxButtonTwiceRestoresTheWindow();
    void titleBandDoubleClick_data();
    void titleBandDoubleClick();
    void realDoubleClickOnTheTitleBandTogglesBothWays();
    void resizeCursorDoesNotOutliveTheNormalWindow_data();
    void resizeCursorDoesNotOutliveTheNormalWindow();
    void videoSurfaceDoubleClickAndBack_data();
    void videoSurfaceDoubleClickAndBack();
    void videoFullScreenOfAWindowAlreadyScreenSized();
    void realDoubleClicksOnThePlayingPicture();
    void realDragMovesAndResizesOnlyInTheNormalWindow();
    void closingInEachModeDeletesTheWindow_data();
    void closingInEachModeDeletesTheWindow();

private:
    void Shot(const QString &name);
    void ShotWhilePlaying(ModeWindow &m, const QString &name);

    WindowManager Manager;
    QString ShotDir;
};

void TestTracoraModes::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs the xcb platform and an X server");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("xdotool is not installed");
    if (Manager.Start() == WindowManager::Result::Missing)
        QSKIP("full screen needs a window manager: openbox is not installed");
    // Screenshots of each mode, for a person to look at.
    ShotDir = qEnvironmentVariable("VIALUMO_SHOT_DIR");
    if (!ShotDir.isEmpty())
        QDir().mkpath(ShotDir);
}

void TestTracoraModes::cleanupTestCase()
{
    Manager.Stop();
}

void TestTracoraModes::init()
{
    // Park the pointer away from where the window will appear.
    QVERIFY(RunTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("2"), QStringLiteral("2")}));
}

void TestTracoraModes::Shot(const QString &name)
{
    if (ShotDir.isEmpty())
        return;
    QTest::qWait(SettleMs); // let the last frames reach the screen
    QVERIFY(RunTool(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                               ShotDir + QLatin1Char('/') + name + QStringLiteral(".png")}));
}

void TestTracoraModes::ShotWhilePlaying(ModeWindow &m, const QString &name)
{
    if (ShotDir.isEmpty())
        return;
    // Early in a recording, so that the picture is still up when the shot is taken
    // and not the surface between two recordings.
    QVERIFY(QTest::qWaitFor([&] {
        const qint64 time = m.Parts.Wrapper->GetTime();
        return m.Parts.Wrapper->GetState() == UVlcWrapper::StatePlaying && time >= 300 && time <= 1500;
    }, PlayTimeoutMs));
    Shot(name);
}

void TestTracoraModes::maxButtonTwiceRestoresTheWindow()
{
    ModeWindow m;
    QVERIFY(m.Exposed);
    // Away from the centre and larger than at start, so that "back" means something.
    const QRect normal(100, 80, 1001, 701);
    m.Window.setGeometry(normal);
    QVERIFY(m.WaitGeometry(normal));

    QVERIFY(RealClick(m.MaxButtonCentre()));
    QVERIFY2(m.WaitGeometry(ScreenRect()), qPrintable(QDebug::toString(m.Window.geometry())));
    QVERIFY(m.Window.isFullScreen());
    QCOMPARE(m.WindowFull(), 1);
    QCOMPARE(m.Parts.Max->objectName(), QStringLiteral("WindowNormal"));
    QCOMPARE(m.Parts.Max->styleSheet(), WindowNormalRules);
    // The helper neither moves nor resizes the full-screen window: no resize
    // cursor over the edge band (drags are tried in realDragMovesAndResizesOnlyInTheNormalWindow).
    QVERIFY(!m.ResizeCursorOnLeftBand(false));
    QVERIFY(!VideoFullScreen);
    QTRY_VERIFY2_WITH_TIMEOUT(LayoutMismatch(m.Window, m.Parts).isEmpty(),
                              qPrintable(LayoutMismatch(m.Window, m.Parts)), GeometryTimeoutMs);
    Shot(QStringLiteral("window-full-screen"));

    // The button has moved with the relayout: click it where it is now.
    QVERIFY(RealClick(m.MaxButtonCentre()));
    QVERIFY2(m.WaitGeometry(normal), qPrintable(QDebug::toString(m.Window.geometry())));
    QVERIFY(!m.Window.isFullScreen());
    QCOMPARE(m.WindowFull(), 0);
    QCOMPARE(m.Parts.Max->objectName(), QStringLiteral("WindowMax"));
    QCOMPARE(m.Parts.Max->styleSheet(), WindowMaxRules);
    QTRY_VERIFY2_WITH_TIMEOUT(LayoutMismatch(m.Window, m.Parts).isEmpty(),
                              qPrintable(LayoutMismatch(m.Window, m.Parts)), GeometryTimeoutMs);
    // Resizable and movable again.
    QVERIFY(m.ResizeCursorOnLeftBand(true));
    QVERIFY(m.DragMoves());
}

void TestTracoraModes::titleBandDoubleClick_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<bool>("rightEdge"); // dx counted from the window's right edge
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("toggles");

    QTest::newRow("10, 20") << 10 << 20 << false << Qt::LeftButton << true;
    QTest::newRow("middle of the band") << 150 << 25 << false << Qt::LeftButton << true;
    QTest::newRow("centre part of the band") << 477 << 40 << false << Qt::LeftButton << true;
    QTest::newRow("first inside: 6, 6") << 6 << 6 << false << Qt::LeftButton << true;
    QTest::newRow("last inside: W-7, 49") << 7 << 49 << true << Qt::LeftButton << true;
    QTest::newRow("dy 3") << 150 << 3 << false << Qt::LeftButton << false;
    QTest::newRow("dy 5") << 150 << 5 << false << Qt::LeftButton << false;
    QTest::newRow("dx 3") << 3 << 20 << false << Qt::LeftButton << false;
    QTest::newRow("dx 5") << 5 << 20 << false << Qt::LeftButton << false;
    QTest::newRow("dx W-4") << 4 << 20 << true << Qt::LeftButton << false;
    QTest::newRow("dx W-6") << 6 << 20 << true << Qt::LeftButton << false;
    QTest::newRow("dy 50") << 150 << 50 << false << Qt::LeftButton << false;
    QTest::newRow("dy 52") << 150 << 52 << false << Qt::LeftButton << false;
    QTest::newRow("right button at 10, 20") << 10 << 20 << false << Qt::RightButton << false;
    QTest::newRow("middle button at 150, 25") << 150 << 25 << false << Qt::MiddleButton << false;
}

void TestTracoraModes::titleBandDoubleClick()
{
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(bool, rightEdge);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, toggles);

    ModeWindow m;
    QVERIFY(m.Exposed);
    const QRect normal = m.Window.geometry();
    const int x = rightEdge ? m.Window.width() - dx : dx;
    SendDoubleClick(m.Window, m.Global(x, dy), button);

    if (!toggles) {
        QTest::qWait(SettleMs);
        QCOMPARE(m.WindowFull(), 0);
        QCOMPARE(m.Window.geometry(), normal);
        return;
    }
    QCOMPARE(m.WindowFull(), 1);
    QVERIFY(m.WaitGeometry(ScreenRect()));
    // The same place in the full-screen window toggles back.
    const int xFull = rightEdge ? m.Window.width() - dx : dx;
    SendDoubleClick(m.Window, m.Global(xFull, dy), button);
    QCOMPARE(m.WindowFull(), 0);
    QVERIFY(m.WaitGeometry(normal));
}

void TestTracoraModes::realDoubleClickOnTheTitleBandTogglesBothWays()
{
    ModeWindow m;
    QVERIFY(m.Exposed);
    const QRect normal = m.Window.geometry();

    // Below the title band the window does not react.
    QVERIFY(RealDoubleClick(m.Global(150, 52)));
    QTest::qWait(SettleMs);
    QCOMPARE(m.WindowFull(), 0);

    QVERIFY(RealDoubleClick(m.Global(10, 20)));
    QVERIFY(m.WaitGeometry(ScreenRect()));
    QCOMPARE(m.WindowFull(), 1);
    QCOMPARE(m.Parts.Max->objectName(), QStringLiteral("WindowNormal"));

    QVERIFY(RealDoubleClick(m.Global(10, 20)));
    QVERIFY(m.WaitGeometry(normal));
    QCOMPARE(m.WindowFull(), 0);
    QCOMPARE(m.Parts.Max->objectName(), QStringLiteral("WindowMax"));
    // The press of a double-click must not leave the helper dragging.
    QTest::qWait(SettleMs);
    QCOMPARE(m.Window.geometry(), normal);
}

void TestTracoraModes::resizeCursorDoesNotOutliveTheNormalWindow_data()
{
    QTest::addColumn<bool>("videoSurface");
    QTest::addColumn<Qt::CursorShape>("bandCursor");
    // The top band reaches over the maximise button's upper rows.
    QTest::newRow("click on the maximise button's top rows") << false << Qt::SizeVerCursor;
    // The left band reaches over the video surface's first column.
    QTest::newRow("double-click on the video surface's first column") << true << Qt::SizeHorCursor;
}

void TestTracoraModes::resizeCursorDoesNotOutliveTheNormalWindow()
{
    QFETCH(bool, videoSurface);
    QFETCH(Qt::CursorShape, bandCursor);

    ModeWindow m;
    QVERIFY(m.Exposed);
    const QPoint point = videoSurface ? m.Parts.Video->mapToGlobal(QPoint(0, 100))
                                      : m.Parts.Max->mapToGlobal(QPoint(10, 2));
    QVERIFY(RunTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(point.x()),
                                                QString::number(point.y())}));
    QTRY_COMPARE_WITH_TIMEOUT(m.Window.cursor().shape(), bandCursor, GeometryTimeoutMs);
    QVERIFY(videoSurface ? RealDoubleClick(point) : RealClick(point));
    QVERIFY(m.WaitGeometry(ScreenRect()));
    QCOMPARE(VideoFullScreen, videoSurface);
    QCOMPARE(m.WindowFull(), videoSurface ? 0 : 1);

    const QPoint middle = m.Global(400, 300);
    QVERIFY(RunTool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(middle.x()),
                                                QString::number(middle.y())}));
    QTest::qWait(SettleMs);
    QCOMPARE(m.Window.cursor().shape(), Qt::ArrowCursor);
}

void TestTracoraModes::videoSurfaceDoubleClickAndBack_data()
{
    QTest::addColumn<bool>("fromWindowFullScreen");
    // The window grows only after the slot has placed the surface.
    QTest::newRow("from the normal window") << false;
    // The window passes through normal on the way.
    QTest::newRow("from window full screen") << true;
}

void TestTracoraModes::videoSurfaceDoubleClickAndBack()
{
    QFETCH(bool, fromWindowFullScreen);
    ModeWindow m;
    QVERIFY(m.Exposed);
    const QRect normal = m.Window.geometry();
    if (fromWindowFullScreen) {
        QTest::mouseClick(m.Parts.Max, Qt::LeftButton);
        QVERIFY(m.WaitGeometry(ScreenRect()));
        QCOMPARE(m.WindowFull(), 1);
    }

    QTest::mouseDClick(m.Parts.Video, Qt::LeftButton);
    QVERIFY(VideoFullScreen);
    QCOMPARE(m.WindowFull(), 0);
    QCOMPARE(m.Parts.Max->objectName(), QStringLiteral("WindowMax"));
    // Only a face swap gives the button rules of its own.
    QCOMPARE(m.Parts.Max->styleSheet(), fromWindowFullScreen ? WindowMaxRules : QString());
    QVERIFY2(m.WaitGeometry(ScreenRect()), qPrintable(QDebug::toString(m.Window.geometry())));
    QTest::qWait(SettleMs);
    QCOMPARE(m.Window.geometry(), ScreenRect());
    QCOMPARE(m.Parts.Video->geometry(), QRect(QPoint(0, 0), ScreenRect().size()));
    // The surface hides every other control, the maximise button included.
    for (QWidget *covered : {static_cast<QWidget *>(m.Parts.Max), static_cast<QWidget *>(m.Parts.Map),
                             static_cast<QWidget *>(m.Parts.Left), static_cast<QWidget *>(m.Parts.Speed)}) {
        const QPoint centre = covered->geometry().center();
        QCOMPARE(m.Window.childAt(centre), static_cast<QWidget *>(m.Parts.Video));
    }
    // Neither resizable nor movable while the surface covers the screen.
    QVERIFY(!m.ResizeCursorOnLeftBand(false));

    QTest::mouseDClick(m.Parts.Video, Qt::LeftButton);
    QVERIFY(!VideoFullScreen);
    QVERIFY2(m.WaitGeometry(normal), qPrintable(QDebug::toString(m.Window.geometry())));
    QVERIFY(!m.Window.isFullScreen());
    QCOMPARE(m.WindowFull(), 0);
    QCOMPARE(m.Parts.Max->objectName(), QStringLiteral("WindowMax"));
    QTRY_COMPARE_WITH_TIMEOUT(m.Parts.Video->geometry(), QRect(5, 55, normal.width() - 315, normal.height() - 310),
                              GeometryTimeoutMs);
    QVERIFY2(LayoutMismatch(m.Window, m.Parts).isEmpty(), qPrintable(LayoutMismatch(m.Window, m.Parts)));
    // Resizable and movable again.
    QVERIFY(m.ResizeCursorOnLeftBand(true));
    QVERIFY(m.DragMoves());
}

void TestTracoraModes::videoFullScreenOfAWindowAlreadyScreenSized()
{
    // No resize event comes in either direction: the slot alone must place the surface.
    ModeWindow m;
    QVERIFY(m.Exposed);
    m.Window.setGeometry(ScreenRect());
    QVERIFY(m.WaitGeometry(ScreenRect()));
    QTRY_VERIFY_WITH_TIMEOUT(LayoutMismatch(m.Window, m.Parts).isEmpty(), GeometryTimeoutMs);
    const QRect inPlace = m.Parts.Video->geometry();

    QTest::mouseDClick(m.Parts.Video, Qt::LeftButton);
    QTest::qWait(SettleMs);
    QCOMPARE(m.Window.geometry(), ScreenRect());
    QCOMPARE(m.Parts.Video->geometry(), QRect(QPoint(0, 0), ScreenRect().size()));

    QTest::mouseDClick(m.Parts.Video, Qt::LeftButton);
    QTest::qWait(SettleMs);
    QCOMPARE(m.Window.geometry(), ScreenRect());
    QCOMPARE(m.Parts.Video->geometry(), inPlace);
}

void TestTracoraModes::realDoubleClicksOnThePlayingPicture()
{
    ModeWindow m;
    QVERIFY(m.Exposed);
    QVERIFY(m.ImagesCopied);
    const QRect normal = m.Window.geometry();
    m.Window.activateWindow();
    // Several recordings, so that one still plays when the last mode is reached.
    QVERIFY(m.Play({Clip, Bars, Clip, Bars}));
    ShotWhilePlaying(m, QStringLiteral("normal-playing"));
    const auto pictureCentre = [&] { return m.Parts.Video->mapToGlobal(m.Parts.Video->rect().center()); };
    const QRect fullSurface(QPoint(0, 0), ScreenRect().size());

    QVERIFY(RealDoubleClick(pictureCentre()));
    QTRY_VERIFY_WITH_TIMEOUT(VideoFullScreen, GeometryTimeoutMs);
    QVERIFY(m.WaitGeometry(ScreenRect()));
    QTRY_COMPARE_WITH_TIMEOUT(m.Parts.Video->geometry(), fullSurface, GeometryTimeoutMs);
    QVERIFY(RealDoubleClick(pictureCentre()));
    QTRY_VERIFY_WITH_TIMEOUT(!VideoFullScreen, GeometryTimeoutMs);
    QVERIFY(m.WaitGeometry(normal));
    QTRY_COMPARE_WITH_TIMEOUT(m.Parts.Video->geometry(), QRect(5, 55, 640, 360), GeometryTimeoutMs);

    QVERIFY(RealClick(m.MaxButtonCentre()));
    QVERIFY(m.WaitGeometry(ScreenRect()));
    QCOMPARE(m.WindowFull(), 1);
    ShotWhilePlaying(m, QStringLiteral("window-full-screen-playing"));

    QVERIFY(RealDoubleClick(pictureCentre()));
    QTRY_VERIFY_WITH_TIMEOUT(VideoFullScreen, GeometryTimeoutMs);
    QCOMPARE(m.WindowFull(), 0);
    QCOMPARE(m.Parts.Max->objectName(), QStringLiteral("WindowMax"));
    QVERIFY(m.WaitGeometry(ScreenRect()));
    QTRY_COMPARE_WITH_TIMEOUT(m.Parts.Video->geometry(), fullSurface, GeometryTimeoutMs);
    // Between two recordings the engine stands stopped for a moment.
    QTRY_COMPARE_WITH_TIMEOUT(m.Parts.Wrapper->GetState(), int(UVlcWrapper::StatePlaying), GeometryTimeoutMs);
    ShotWhilePlaying(m, QStringLiteral("video-full-screen-playing"));

    QVERIFY(RealDoubleClick(pictureCentre()));
    QTRY_VERIFY_WITH_TIMEOUT(!VideoFullScreen, GeometryTimeoutMs);
    QVERIFY(m.WaitGeometry(normal));
    QCOMPARE(m.WindowFull(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(m.Parts.Video->geometry(), QRect(5, 55, 640, 360), GeometryTimeoutMs);
    ShotWhilePlaying(m, QStringLiteral("normal-again"));
}

void TestTracoraModes::realDragMovesAndResizesOnlyInTheNormalWindow()
{
    ModeWindow m;
    QVERIFY(m.Exposed);
    const QRect start = m.Window.frameGeometry();
    // The window manager keeps the window where the program centred it, and frameless.
    const QRect screen = ScreenRect();
    QCOMPARE(start, QRect((screen.width() - 955) / 2, (screen.height() - 670) / 2, 955, 670));
    QCOMPARE(m.Window.geometry(), start);

    // The middle of the title band carries the window with the pointer.
    const QPoint grip = m.Global(150, 25);
    const QPoint offset(-60, -45);
    QVERIFY(RealDrag({grip, grip + QPoint(-10, -5), grip + QPoint(-40, -30), grip + offset}));
    const QRect moved = start.translated(offset);
    QVERIFY2(m.WaitGeometry(moved), qPrintable(QDebug::toString(m.Window.geometry())));

    // The bottom-right corner resizes; an odd width exercises the halves.
    const QPoint corner = moved.bottomRight() - QPoint(2, 2);
    const QPoint end = corner + QPoint(100, 80);
    QVERIFY(RealDrag({corner, corner + QPoint(30, 20), corner + QPoint(70, 50), end}));
    const QRect resized(moved.topLeft(), QPoint(end.x(), end.y()));
    QVERIFY2(m.WaitGeometry(resized), qPrintable(QDebug::toString(m.Window.geometry())));
    QCOMPARE(resized.size(), QSize(1053, 748));
    QTRY_VERIFY2_WITH_TIMEOUT(LayoutMismatch(m.Window, m.Parts).isEmpty(),
                              qPrintable(LayoutMismatch(m.Window, m.Parts)), GeometryTimeoutMs);
    QCOMPARE(m.Parts.Video->geometry(), QRect(5, 55, 738, 438));
    QCOMPARE(m.Parts.Right->geometry(), QRect(374, 578, 369, 125));
    QCOMPARE(m.Parts.Max->geometry(), QRect(1008, 0, 20, 20));

    // In window full screen neither a drag on the band nor one on a corner does anything.
    QTest::mouseClick(m.Parts.Max, Qt::LeftButton);
    QVERIFY(m.WaitGeometry(ScreenRect()));
    const QPoint band = m.Global(150, 25);
    QVERIFY(RealDrag({band, band + QPoint(20, 20), band + QPoint(80, 60)}));
    const QPoint screenCorner = ScreenRect().bottomRight() - QPoint(2, 2);
    QVERIFY(RealDrag({screenCorner, screenCorner - QPoint(50, 50), screenCorner - QPoint(200, 150)}));
    QTest::qWait(SettleMs);
    QCOMPARE(m.Window.geometry(), ScreenRect());

    // Back to normal: the window comes back where the drags left it.
    QTest::mouseClick(m.Parts.Max, Qt::LeftButton);
    QVERIFY2(m.WaitGeometry(resized), qPrintable(QDebug::toString(m.Window.geometry())));
}

void TestTracoraModes::closingInEachModeDeletesTheWindow_data()
{
    QTest::addColumn<int>("mode"); // 0 normal, 1 window full screen, 2 video full screen
    QTest::addColumn<bool>("playing");
    QTest::newRow("normal") << 0 << false;
    QTest::newRow("window full screen") << 1 << false;
    QTest::newRow("video full screen") << 2 << false;
    QTest::newRow("window full screen, playing") << 1 << true;
    QTest::newRow("video full screen, playing") << 2 << true;
}

void TestTracoraModes::closingInEachModeDeletesTheWindow()
{
    QFETCH(int, mode);
    QFETCH(bool, playing);

    auto *m = new ModeWindow;
    QVERIFY(m->Exposed);
    if (playing)
        QVERIFY(m->Play({Clip, Bars}));
    if (mode == 1)
        m->Parts.Max->click();
    else if (mode == 2)
        QTest::mouseDClick(m->Parts.Video, Qt::LeftButton);
    if (mode != 0)
        QVERIFY(m->WaitGeometry(ScreenRect()));

    QPointer<QWidget> surface(m->Parts.Video);
    // In video full screen the surface covers the close button; the window
    // manager can still close the window.
    if (mode == 2)
        QVERIFY(m->Window.close());
    else
        QTest::mouseClick(m->Window.findChild<QPushButton *>(QStringLiteral("WindowClose")), Qt::LeftButton);
    QVERIFY(!m->Window.isVisible());
    // The frameless helper still watches the closed window: it would give the
    // window its hover attribute and flags back if it had let go.
    QVERIFY(m->Window.testAttribute(Qt::WA_Hover));

    // The helper itself goes with the window; a helper left behind is a leak,
    // which the sanitizer run's leak check reports.
    delete m;
    QVERIFY(surface.isNull());
    // Whatever the X server still reports about the gone window must find nothing to crash on.
    QTest::qWait(SettleMs);
}

QTEST_MAIN(TestTracoraModes)
#include "tst_tracora_modes.moc"

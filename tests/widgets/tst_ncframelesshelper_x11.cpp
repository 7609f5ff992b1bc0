// Frameless window helper under real pointer input: xdotool drives the X
// server's pointer, so press, motion and release travel the whole way through
// the X server and Qt's xcb platform before they reach the helper.

#include "widgets/ncframelesshelper.h"

#include <QProcess>
#include <QStandardPaths>
#include <QWidget>
#include <QtTest>

namespace {

const QRect StartRect(200, 200, 400, 300);  // right 599, bottom 499
const QSize MinimumSize(200, 150);
constexpr int XdotoolTimeoutMs = 20000;
constexpr int GeometryTimeoutMs = 5000;
constexpr int GripMargin = 40;
constexpr int GripSize = 30;

// A window that places its child from its own size, as the main window does.
class LaidOutWindow : public QWidget
{
public:
    LaidOutWindow()
        : QWidget(nullptr, Qt::FramelessWindowHint)
    {
        Grip = new QWidget(this);
        Grip->setObjectName("Grip");
    }

    QRect ExpectedGripRect() const
    {
        return QRect(width() - GripMargin, height() - GripMargin, GripSize, GripSize);
    }

    QWidget *Grip = nullptr;

protected:
    void resizeEvent(QResizeEvent *) override { Grip->setGeometry(ExpectedGripRect()); }
};

QString MouseMove(const QPoint &p)
{
    return QStringLiteral("mousemove %1 %2").arg(p.x()).arg(p.y());
}

// A press at the first point, motion through the others, release at the last,
// with short pauses so that the X server and Qt see each step.
QStringList DragCommand(const QList<QPoint> &points)
{
    QStringList steps;
    steps << MouseMove(points.first()) << "sleep 0.2" << "mousedown 1" << "sleep 0.2";
    for (int i = 1; i < points.size(); ++i)
        steps << MouseMove(points.at(i)) << "sleep 0.1";
    steps << "sleep 0.1" << "mouseup 1";
    return steps.join(' ').split(' ');
}

} // namespace

class TestNcFramelessHelperX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void hoverShowsResizeCursor();
    void dragInMiddleMovesWindow();
    void dragOnCornerResizesWindow();

private:
    bool RunXdotool(const QStringList &arguments);

    QString Xdotool;
    NcFramelessHelper *Helper = nullptr;
    LaidOutWindow *Window = nullptr;
};

void TestNcFramelessHelperX11::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs the xcb platform and an X server");
    Xdotool = QStandardPaths::findExecutable("xdotool");
    if (Xdotool.isEmpty())
        QSKIP("xdotool is not installed");
}

void TestNcFramelessHelperX11::init()
{
    Window = new LaidOutWindow;
    Window->setMinimumSize(MinimumSize);
    Helper = new NcFramelessHelper;
    Helper->watchWindow(Window);
    Window->setGeometry(StartRect);
    Window->show();
    QVERIFY(QTest::qWaitForWindowExposed(Window));
    QTRY_COMPARE_WITH_TIMEOUT(Window->frameGeometry(), StartRect, GeometryTimeoutMs);
    // Park the pointer outside the window so that every test starts with an entry.
    QVERIFY(RunXdotool({"mousemove", "10", "10"}));
}

void TestNcFramelessHelperX11::cleanup()
{
    delete Helper;
    Helper = nullptr;
    delete Window;
    Window = nullptr;
}

bool TestNcFramelessHelperX11::RunXdotool(const QStringList &arguments)
{
    // The event loop keeps running while xdotool works, so the window
    // follows each step as it comes.
    QProcess process;
    process.start(Xdotool, arguments);
    if (!process.waitForStarted())
        return false;
    const bool finished =
        QTest::qWaitFor([&process]() { return process.state() == QProcess::NotRunning; }, XdotoolTimeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void TestNcFramelessHelperX11::hoverShowsResizeCursor()
{
    const QPoint leftBand(StartRect.left() + 2, StartRect.center().y());
    QVERIFY(RunXdotool({"mousemove", QString::number(leftBand.x()), QString::number(leftBand.y())}));
    QTRY_COMPARE_WITH_TIMEOUT(Window->cursor().shape(), Qt::SizeHorCursor, GeometryTimeoutMs);

    const QPoint corner = StartRect.bottomRight();
    QVERIFY(RunXdotool({"mousemove", QString::number(corner.x()), QString::number(corner.y())}));
    QTRY_COMPARE_WITH_TIMEOUT(Window->cursor().shape(), Qt::SizeFDiagCursor, GeometryTimeoutMs);

    const QPoint middle = StartRect.center();
    QVERIFY(RunXdotool({"mousemove", QString::number(middle.x()), QString::number(middle.y())}));
    QTRY_COMPARE_WITH_TIMEOUT(Window->cursor().shape(), Qt::ArrowCursor, GeometryTimeoutMs);
}

void TestNcFramelessHelperX11::dragInMiddleMovesWindow()
{
    const QPoint start = StartRect.center();
    const QPoint offset(100, 50);
    QVERIFY(RunXdotool(DragCommand({start, start + QPoint(20, 10), start + QPoint(60, 30), start + offset})));

    const QRect expected = StartRect.translated(offset);
    QTRY_COMPARE_WITH_TIMEOUT(Window->frameGeometry(), expected, GeometryTimeoutMs);
    QCOMPARE(Window->Grip->geometry(), Window->ExpectedGripRect());
}

void TestNcFramelessHelperX11::dragOnCornerResizesWindow()
{
    const QPoint start = StartRect.bottomRight() - QPoint(2, 2);
    const QPoint end(800, 620);
    QVERIFY(RunXdotool(DragCommand({start, start + QPoint(30, 20), QPoint(760, 600), end})));

    // The right and bottom edges follow the pointer to the release point.
    const QRect expected(StartRect.topLeft(), end);
    QTRY_COMPARE_WITH_TIMEOUT(Window->frameGeometry(), expected, GeometryTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(Window->Grip->geometry(), Window->ExpectedGripRect(), GeometryTimeoutMs);
    QCOMPARE(Window->Grip->geometry(), QRect(expected.width() - GripMargin, expected.height() - GripMargin,
                                             GripSize, GripSize));
}

QTEST_MAIN(TestNcFramelessHelperX11)
#include "tst_ncframelesshelper_x11.moc"

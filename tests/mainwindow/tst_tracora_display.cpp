// The periodic display update in the real window: the update timer, the
// engine, the GPS log reader, the speedometer and the map page wired
// together. Every case of the tick itself is tested without a window
// (tst_udisplaytick).
#include <QtTest>
#include <QProcess>

#include <climits>

#include "gpslog/gpslogdata.h"
#include "mapfixture.h"
#include "mp4gpswriter.h"
#include "screenfaces.h"
#include "windowparts.h"

using namespace mapfixture;

namespace {

const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");
const QString Bars = QStringLiteral(VIALUMO_TESTDATA_DIR "/bars3s.MOV");

QString PositionText(const GpsRecord &r)
{
    const QString ew = r.EastOrWest == "W" ? "W:" : "E:";
    const QString ns = r.SouthOrNorth == "S" ? "S:" : "N:";
    if (!r.DataAvailable)
        return QString(7, ' ') + ew + QString(23, ' ') + ns;
    return QString(7, ' ') + ew + r.Longitude + QString(14, ' ') + ns + r.Latitude;
}

// The call as the page's script sees it: the numbers with their signs.
QString PageCall(const QString &name, const GpsRecord &r)
{
    const QString lat = (r.SouthOrNorth == "S" ? "-" : "") + r.Latitude;
    const QString lon = (r.EastOrWest == "W" ? "-" : "") + r.Longitude;
    return name + "(" + JsNumber(lat) + "," + JsNumber(lon) + ")";
}

// Watches the window's update timer from outside: the engine's play time
// when the timer event arrives, and again right after the window's own slot
// (a connection made after the window's runs after it). With a limit, the
// timer is stopped once that many ticks have run.
class TickWatch : public QObject
{
public:
    explicit TickWatch(WindowParts &parts) : Parts(parts)
    {
        Parts.UpdateTimer->installEventFilter(this);
        connect(Parts.UpdateTimer, &QTimer::timeout, this, [this] {
            After = Parts.Wrapper->GetTime();
            ++Ticks;
            if (AfterTick)
                AfterTick();
            if (Ticks >= Limit)
                Parts.UpdateTimer->stop();
        });
    }

    // Runs exactly one tick of the window's own timer.
    bool RunOneTick()
    {
        const int before = Ticks;
        Limit = Ticks + 1;
        Parts.UpdateTimer->start();
        const bool ran = QTest::qWaitFor([&] { return Ticks > before; }, 5000);
        Limit = INT_MAX;
        return ran;
    }

    WindowParts &Parts;
    int Ticks = 0;
    int Limit = INT_MAX;
    qint64 Before = -1;
    qint64 After = -1;
    std::function<void()> AfterTick;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            Before = Parts.Wrapper->GetTime();
        return false;
    }
};

// A window playing recordings of its own.
struct PlaySession
{
    Workspace Space;
    Tracora Window;
    WindowParts Parts{Window};
    TickWatch Watch{Parts};
    RecordingPage *Page = nullptr;
    bool Exposed = false;

    PlaySession()
    {
        Page = InstallRecordingPage(Parts.Map);
        Window.show();
        Exposed = QTest::qWaitForWindowExposed(&Window) && Parts.Complete();
    }

    bool Play(int row)
    {
        WindowParts::DoubleClickRow(Parts.Left, row);
        return QTest::qWaitFor([&] { return Parts.PlayingIndex(row) && Parts.UpdateTimer->isActive(); }, 20000);
    }
};

} // namespace

class TestTracoraDisplay : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private slots:
    void playingTickFollowsTheLog_data()
    {
        QTest::addColumn<QString>("northSouth");
        QTest::addColumn<QString>("eastWest");
        QTest::newRow("north east") << "N" << "E";
        QTest::newRow("south west") << "S" << "W";
    }
    void playingTickFollowsTheLog()
    {
        QFETCH(QString, northSouth);
        QFETCH(QString, eastWest);
        PlaySession s;
        QVERIFY(s.Exposed);
        const QStringList log = DriveLog(5, northSouth, eastWest);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, &log)});
        QVERIFY(s.Play(0));
        // The test lets the ticks run one at a time from here.
        s.Parts.UpdateTimer->stop();
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetTime() >= 1000; }, 10000));
        // The same log, read by a reader of the test's own.
        GpsLogData track;
        track.ReadGpsfile(s.Parts.Files->GetGpsfilePath(0));
        QCOMPARE(track.GetGpsDataCount(), 5);

        s.Page->Calls.clear();
        // Normally the first tick of a play: it turns the face to Pause.
        const bool faceToSwitch = s.Parts.ShowsPlayFace();
        QVERIFY(s.Watch.RunOneTick());
        const GpsRecord first = track.GetFirstAvailableGpsData();
        QStringList positions, calls;
        for (qint64 time : {s.Watch.Before, s.Watch.After}) {
            const GpsRecord r = track.GetGpsDataAt(int(time / 1000));
            positions << PositionText(r);
            calls << PageCall("setposition", r);
        }
        const QString position = s.Parts.Position->text();
        QVERIFY2(positions.contains(position), qPrintable(position));
        const GpsRecord shown = track.GetGpsDataAt(int((positions.indexOf(position) == 0 ? s.Watch.Before
                                                                                         : s.Watch.After) / 1000));
        QCOMPARE(s.Parts.Speed->CarSpeed(), shown.Velocity);
        QVERIFY(position.contains(northSouth + ":" + shown.Latitude));
        QVERIFY(position.contains(eastWest + ":" + shown.Longitude));
        QVERIFY(s.Parts.TimeSlider->value() > 0);
        QVERIFY(s.Parts.TimeLabel->text().endsWith("/00:00:03"));
        QVERIFY(!s.Parts.ShowsPlayFace());

        QVERIFY(QTest::qWaitFor([&] { return s.Page->Calls.size() >= (faceToSwitch ? 3 : 2); }, 10000));
        QCOMPARE(s.Page->Calls.at(0), PageCall("setstart", first));
        QVERIFY2(calls.contains(s.Page->Calls.at(1)), qPrintable(s.Page->Calls.at(1)));
        // The face switch to Pause comes with its SetLocation call.
        if (faceToSwitch)
            QCOMPARE(s.Page->Calls.at(2), QStringLiteral("SetLocation(22.4,113.4)"));
        if (northSouth == "S")
            QVERIFY(s.Page->Calls.at(1).startsWith("setposition(-22."));
    }

    // A recorder that keeps its GPS inside the MP4 (70mai): no log anywhere,
    // yet the row is rated from the video, and playing it shows its fixes.
    void gpsInsideTheVideoPlaysLikeALog()
    {
        PlaySession s;
        QVERIFY(s.Exposed);
        QFile clip(Clip);
        QVERIFY(clip.open(QIODevice::ReadOnly));
        const GpsFixList drive = Mp4GpsWriter::Drive(3, -33.8688, 151.2093);
        const QByteArray withGps = Mp4GpsWriter::WithSeventyMaiGps(clip.readAll(), drive);
        QVERIFY(!withGps.isEmpty());
        QDir(s.Space.Root.path()).mkpath(QStringLiteral("card/DCIM/100MEDIA"));
        const QString video = s.Space.Root.filePath(QStringLiteral("card/DCIM/100MEDIA/NO20191130-120156-000121.MP4"));
        QFile out(video);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(withGps);
        out.close();

        s.Parts.AddRecordings({video});
        QCOMPARE(s.Parts.Files->GetGpsfileStatus(0), QStringLiteral("Available"));
        QCOMPARE(s.Parts.Left->item(0, 3)->text(), QStringLiteral("Available"));
        QCOMPARE(s.Parts.Left->item(0, 3)->toolTip(), QStringLiteral("GPS inside the video: 3 fixes in 3 s"));

        QVERIFY(s.Play(0));
        s.Parts.UpdateTimer->stop();
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetTime() >= 1000; }, 10000));
        GpsLogData track;
        track.ReadGpsSource(s.Parts.Files->GetGpsSource(0));
        QCOMPARE(track.GetGpsDataCount(), 3);

        s.Page->Calls.clear();
        QVERIFY(s.Watch.RunOneTick());
        QStringList positions;
        for (qint64 time : {s.Watch.Before, s.Watch.After})
            positions << PositionText(track.GetGpsDataAt(int(time / 1000)));
        const QString position = s.Parts.Position->text();
        QVERIFY2(positions.contains(position), qPrintable(position));
        QVERIFY(position.contains(QStringLiteral("S:33.8")));
        QVERIFY(position.contains(QStringLiteral("E:151.2")));
        const GpsRecord shown = track.GetGpsDataAt(int((positions.indexOf(position) == 0 ? s.Watch.Before
                                                                                         : s.Watch.After) / 1000));
        QCOMPARE(s.Parts.Speed->CarSpeed(), shown.Velocity);
        QVERIFY(shown.Velocity > 59.0);
        QVERIFY(QTest::qWaitFor([&] { return s.Page->Calls.size() >= 2; }, 10000));
        QCOMPARE(s.Page->Calls.at(0), PageCall("setstart", track.GetFirstAvailableGpsData()));
        QVERIFY(s.Page->Calls.at(1).startsWith(QStringLiteral("setposition(-33.8")));
    }

    void stoppedTickResetsTheDisplays()
    {
        PlaySession s;
        QVERIFY(s.Exposed);
        s.Window.setStyleSheet(AppStyleSheet());
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, nullptr)});
        QVERIFY(s.Play(0));
        QTRY_VERIFY_WITH_TIMEOUT(!s.Parts.ShowsPlayFace(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(s.Parts.TimeSlider->value() > 0, 5000);

        QTest::mouseClick(s.Parts.Stop, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StateStopped; }, 10000));
        const int ticks = s.Watch.Ticks;
        QVERIFY(QTest::qWaitFor([&] { return s.Watch.Ticks > ticks; }, 5000));
        QCOMPARE(s.Parts.TimeLabel->text(), QStringLiteral("00:00:00/00:00:00"));
        QCOMPARE(s.Parts.TimeSlider->value(), 0);
        QVERIFY(s.Parts.ShowsPlayFace());

        // The last picture goes with the engine's window: the surface shows
        // its splash again.
        QTest::qWait(500);
        const int difference = SurfaceDifferenceFromSplash(&s.Window, s.Parts.Video);
        QVERIFY2(difference < 40, qPrintable(QString::number(difference)));
    }

    void endedRecordingStartsTheNext()
    {
        PlaySession s;
        QVERIFY(s.Exposed);
        const QStringList log = DriveLog(4);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, nullptr), s.Space.AddRecording(2, Bars, &log)});

        // The display as the tick that saw the end left it.
        bool seen = false;
        int slider = -1, leftRow = -2, rightRow = -2;
        bool playFace = false;
        s.Watch.AfterTick = [&] {
            if (seen || s.Parts.Wrapper->GetIndex() != 1)
                return;
            seen = true;
            slider = s.Parts.TimeSlider->value();
            playFace = s.Parts.ShowsPlayFace();
            leftRow = s.Parts.Left->currentRow();
            rightRow = s.Parts.Right->currentRow();
        };
        QVERIFY(s.Play(0));
        QVERIFY(QTest::qWaitFor([&] { return seen; }, 15000));
        QCOMPARE(slider, 1000);
        QVERIFY(playFace);
        QCOMPARE(leftRow, 1);
        QCOMPARE(rightRow, -1);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.PlayingIndex(1); }, 20000));
        QCOMPARE(s.Page->Pages, QStringList({"no_gps_file", "googlearth"}));
    }

    void realDoubleClickOverThePictureReachesTheSurface()
    {
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("xdotool is not installed");
        PlaySession s;
        QVERIFY(s.Exposed);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, nullptr)});
        s.Window.activateWindow();
        QVERIFY(s.Play(0));
        QTest::qWait(500); // the engine's picture is up
        QSignalSpy spy(s.Parts.Video, &UDoubleClickedWidget::doubleclicked);
        const QPoint centre = s.Parts.Video->mapToGlobal(s.Parts.Video->rect().center());
        const int rc = QProcess::execute("xdotool", {"mousemove", QString::number(centre.x()),
                                                     QString::number(centre.y()), "click", "--repeat", "2",
                                                     "--delay", "60", "1"});
        QCOMPARE(rc, 0);
        QVERIFY(spy.wait(5000) || spy.count() > 0);
        QCOMPARE(spy.count(), 1);
        QVERIFY(VideoFullScreen);
    }
};

QTEST_MAIN(TestTracoraDisplay)
#include "tst_tracora_display.moc"

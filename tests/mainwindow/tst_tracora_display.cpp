#include <QtTest>
#include <QProcess>

#include "mapfixture.h"
#include "screenfaces.h"
#include "tracoraprobe.h"

using namespace mapfixture;

namespace {

constexpr int Paused = 4;
constexpr int Stopped = 5;
constexpr int Ended = 6;
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

// A window playing recordings of its own, the update timer stopped so that
// the test drives the ticks itself.
struct PlaySession
{
    Workspace Space;
    Tracora Window;
    TracoraProbe Probe{Window};
    RecordingPage *Page = nullptr;
    bool Exposed = false;

    PlaySession()
    {
        Page = InstallRecordingPage(Probe.map());
        Window.show();
        Exposed = QTest::qWaitForWindowExposed(&Window);
    }

    bool PlayAndHoldTicks(int index)
    {
        Probe.loadMapToPlay(index);
        const bool playing = QTest::qWaitFor([&] {
            return Probe.wrapper()->GetState() == UVlcWrapper::StatePlaying && Probe.wrapper()->GetIndex() == index
                && Probe.updateTimer()->isActive();
        }, 20000);
        Probe.updateTimer()->stop();
        return playing;
    }

    // One tick, with the play second read just before and after it.
    QPair<int, int> Tick()
    {
        const int before = int(Probe.wrapper()->GetTime() / 1000);
        Probe.updateUIData();
        const int after = int(Probe.wrapper()->GetTime() / 1000);
        return {before, after};
    }
};

} // namespace

class TestTracoraDisplay : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private slots:
    void playTimeLabel_data()
    {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "00:00:00";
        QTest::newRow("59.9 s") << qint64(59900) << "00:00:59";
        QTest::newRow("187 s") << qint64(187000) << "00:03:07";
        QTest::newRow("4365 s") << qint64(4365000) << "01:12:45";
        QTest::newRow("3600 s") << qint64(3600000) << "01:00:00";
        QTest::newRow("10 h 5 min") << qint64(36300000) << "10:05:00";
        QTest::newRow("99:59:59") << qint64(359999000) << "99:59:59";
        QTest::newRow("100 h") << qint64(360000000) << "100:00:00";
        QTest::newRow("123 h 4 min 5 s") << qint64(443045000) << "123:04:05";
        QTest::newRow("123 h 24 min 5 s") << qint64(444245000) << "123:24:05";
        QTest::newRow("engine knows no time") << qint64(-1) << "00:00:00";
    }
    void playTimeLabel()
    {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(Tracora::FormatPlayTime(ms), text);
    }

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
        const QStringList log = DriveLog(5, northSouth, eastWest);
        s.Probe.files()->AddVideoAndGpsfiles({s.Space.AddRecording(1, Clip, &log)});
        QVERIFY(s.PlayAndHoldTicks(0));
        QVERIFY(QTest::qWaitFor([&] { return s.Probe.wrapper()->GetTime() >= 1000; }, 10000));

        s.Page->Calls.clear();
        const auto seconds = s.Tick();
        const GpsRecord first = s.Probe.gps()->GetFirstAvailableGpsData();
        QStringList positions, calls;
        for (int second : {seconds.first, seconds.second}) {
            const GpsRecord r = s.Probe.gps()->GetGpsDataAt(second);
            positions << PositionText(r);
            calls << PageCall("setposition", r);
        }
        QVERIFY2(positions.contains(s.Probe.position()->text()), qPrintable(s.Probe.position()->text()));
        const GpsRecord shown = s.Probe.gps()->GetGpsDataAt(positions.indexOf(s.Probe.position()->text()) == 0
                                                                ? seconds.first : seconds.second);
        QCOMPARE(s.Probe.speed()->CarSpeed(), shown.Velocity);
        QVERIFY(s.Probe.position()->text().contains(northSouth + ":" + shown.Latitude));
        QVERIFY(s.Probe.position()->text().contains(eastWest + ":" + shown.Longitude));
        QVERIFY(s.Probe.timeSlider()->value() > 0);
        QVERIFY(s.Probe.timeLabel()->text().endsWith("/00:00:03"));
        QCOMPARE(s.Probe.playButtonState(), 0);
        QCOMPARE(s.Probe.play()->objectName(), QStringLiteral("VideoPause"));

        QVERIFY(QTest::qWaitFor([&] { return s.Page->Calls.size() >= 3; }, 10000));
        // The face switch to Pause comes with its SetLocation call.
        QCOMPARE(s.Page->Calls.at(0), PageCall("setstart", first));
        QVERIFY2(calls.contains(s.Page->Calls.at(1)), qPrintable(s.Page->Calls.at(1)));
        QCOMPARE(s.Page->Calls.at(2), QStringLiteral("SetLocation(22.4,113.4)"));
        if (northSouth == "S")
            QVERIFY(s.Page->Calls.at(1).startsWith("setposition(-22."));
    }

    void secondWithoutAFixShowsOnlyTheLetters()
    {
        PlaySession s;
        QStringList log = NoFixLog(2) + DriveLog(8);
        s.Probe.files()->AddVideoAndGpsfiles({s.Space.AddRecording(1, Clip, &log)});
        QVERIFY(s.PlayAndHoldTicks(0));
        s.Probe.speed()->SetCarSpeed(77);
        s.Page->Calls.clear();
        // Seconds 0 and 1 of the log have no fix.
        if (s.Probe.wrapper()->GetTime() >= 900)
            QSKIP("the engine ran past the first second before the tick");
        s.Tick();
        QCOMPARE(s.Probe.position()->text(), QString(7, ' ') + "E:" + QString(23, ' ') + "N:");
        QCOMPARE(s.Probe.speed()->CarSpeed(), 0.0);
        QVERIFY(QTest::qWaitFor([&] { return s.Page->Calls.size() >= 1; }, 10000));
        QTest::qWait(200);
        // Only the start of the drive: the third line, the first with a fix.
        QCOMPARE(s.Page->Calls.first(), PageCall("setstart", s.Probe.gps()->GetGpsDataAt(2)));
        for (const QString &call : s.Page->Calls)
            QVERIFY(!call.startsWith("setposition("));
    }

    void trackWithoutAnyRecordSendsNoCall()
    {
        PlaySession s;
        const QStringList log = DriveLog(5);
        const QString video = s.Space.AddRecording(1, Clip, &log);
        s.Probe.files()->AddVideoAndGpsfiles({video});
        // The log goes after import; the recording still asks for the online map.
        QVERIFY(QFile::remove(s.Probe.files()->GetGpsfilePath(0)));
        QVERIFY(s.PlayAndHoldTicks(0));
        QCOMPARE(s.Probe.status()->PlayStatus, 1);
        QCOMPARE(s.Probe.gps()->GetGpsDataCount(), 0);
        s.Page->Calls.clear();
        s.Tick();
        s.Tick();
        QCOMPARE(s.Probe.position()->text(), QString(7, ' ') + "E:" + QString(23, ' ') + "N:");
        QCOMPARE(s.Probe.speed()->CarSpeed(), 0.0);
        QTest::qWait(500);
        for (const QString &call : s.Page->Calls)
            QVERIFY2(!call.startsWith("setstart(") && !call.startsWith("setposition("), qPrintable(call));
    }

    void pausedTickChangesNothing()
    {
        PlaySession s;
        const QStringList log = DriveLog(5);
        s.Probe.files()->AddVideoAndGpsfiles({s.Space.AddRecording(1, Clip, &log)});
        QVERIFY(s.PlayAndHoldTicks(0));
        s.Tick();
        s.Probe.wrapper()->Pause();
        QVERIFY(QTest::qWaitFor([&] { return s.Probe.wrapper()->GetState() == Paused; }, 10000));
        s.Tick();
        const QString label = s.Probe.timeLabel()->text();
        const QString position = s.Probe.position()->text();
        const int slider = s.Probe.timeSlider()->value();
        s.Probe.switchPlayButton(); // the user's click shows Play
        for (int i = 0; i < 3; ++i) {
            s.Tick();
            QTest::qWait(100);
        }
        QCOMPARE(s.Probe.timeLabel()->text(), label);
        QCOMPARE(s.Probe.position()->text(), position);
        QCOMPARE(s.Probe.timeSlider()->value(), slider);
        QCOMPARE(s.Probe.playButtonState(), 1);
    }

    void stoppedTickResetsTheDisplays()
    {
        PlaySession s;
        s.Window.setStyleSheet(AppStyleSheet());
        s.Probe.files()->AddVideoAndGpsfiles({s.Space.AddRecording(1, Clip, nullptr)});
        QVERIFY(s.PlayAndHoldTicks(0));
        s.Tick();
        QCOMPARE(s.Probe.playButtonState(), 0);
        QTest::mouseClick(s.Window.findChild<QPushButton *>("VideoStop"), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s.Probe.wrapper()->GetState() == Stopped; }, 10000));
        s.Tick();
        QCOMPARE(s.Probe.timeLabel()->text(), QStringLiteral("00:00:00/00:00:00"));
        QCOMPARE(s.Probe.timeSlider()->value(), 0);
        QCOMPARE(s.Probe.playButtonState(), 1);
        QCOMPARE(s.Probe.play()->objectName(), QStringLiteral("VideoPlay"));

        // The last picture goes with the engine's window: the surface shows
        // its splash again.
        QTest::qWait(500);
        const int difference = SurfaceDifferenceFromSplash(&s.Window, s.Probe.video());
        QVERIFY2(difference < 40, qPrintable(QString::number(difference)));
    }

    void endedRecordingStartsTheNext()
    {
        PlaySession s;
        const QStringList log = DriveLog(4);
        s.Probe.files()->AddVideoAndGpsfiles({s.Space.AddRecording(1, Clip, nullptr),
                                              s.Space.AddRecording(2, Bars, &log)});
        s.Probe.listTableUpdate();
        QVERIFY(s.PlayAndHoldTicks(0));
        s.Tick();
        QVERIFY(QTest::qWaitFor([&] { return s.Probe.wrapper()->GetState() == Ended; }, 15000));
        s.Tick();
        QCOMPARE(s.Probe.timeSlider()->value(), 1000);
        QCOMPARE(s.Probe.playButtonState(), 1);
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 1);
        QCOMPARE(s.Probe.status()->PlayStatus, 1);
        QCOMPARE(s.Probe.right()->currentRow(), -1);
        QCOMPARE(s.Probe.left()->currentRow(), 1);
        QVERIFY(QTest::qWaitFor([&] { return s.Probe.wrapper()->GetState() == UVlcWrapper::StatePlaying; }, 20000));
        QCOMPARE(s.Page->Pages.last(), QStringLiteral("googlearth"));
    }

    void endedLastRecordingStaysEnded()
    {
        PlaySession s;
        s.Probe.files()->AddVideoAndGpsfiles({s.Space.AddRecording(1, Clip, nullptr)});
        QVERIFY(s.PlayAndHoldTicks(0));
        s.Tick();
        QVERIFY(QTest::qWaitFor([&] { return s.Probe.wrapper()->GetState() == Ended; }, 15000));
        for (int i = 0; i < 3; ++i)
            s.Tick();
        QCOMPARE(s.Probe.timeSlider()->value(), 1000);
        QCOMPARE(s.Probe.playButtonState(), 1);
        QCOMPARE(s.Probe.wrapper()->GetIndex(), 0);
        QCOMPARE(s.Probe.wrapper()->GetState(), Ended);
        QCOMPARE(s.Probe.status()->PlayStatus, 2);
    }

    void realDoubleClickOverThePictureReachesTheSurface()
    {
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("xdotool is not installed");
        PlaySession s;
        s.Probe.files()->AddVideoAndGpsfiles({s.Space.AddRecording(1, Clip, nullptr)});
        s.Window.activateWindow();
        QVERIFY(s.PlayAndHoldTicks(0));
        QTest::qWait(500); // the engine's picture is up
        QSignalSpy spy(s.Probe.video(), &UDoubleClickedWidget::doubleclicked);
        const QPoint centre = s.Probe.video()->mapToGlobal(s.Probe.video()->rect().center());
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

#include <QtTest>

#include "debugcounter.h"
#include "mapfixture.h"
#include "tracoraprobe.h"

using namespace mapfixture;

namespace {

const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");

struct Session
{
    explicit Session(OnlineMap map) : Space(map) {}
    Workspace Space;
    DebugCounter Debug;
};

bool WaitPlaying(TracoraProbe &probe, int index, int timeoutMs = 20000)
{
    return QTest::qWaitFor([&] {
        return probe.wrapper()->GetState() == UVlcWrapper::StatePlaying && probe.wrapper()->GetIndex() == index;
    }, timeoutMs);
}

} // namespace

class TestTracoraMapBridge : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private slots:
    void startPageStartsNothing()
    {
        Session s(OnlineMap::Online);
        Tracora w;
        TracoraProbe probe(w);
        RecordingPage *page = InstallRecordingPage(probe.map());
        probe.map()->setUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath("images/startupp.html")));
        w.show();
        QVERIFY(QTest::qWaitFor([&] { return page->Pages.contains("startupp"); }, 20000));
        QTest::qWait(300);
        QCOMPARE(probe.status()->PlayStatus, 0);
        QVERIFY(!probe.updateTimer()->isActive());
        QCOMPARE(probe.wrapper()->GetState(), 0);
        QCOMPARE(s.Debug.Count("LODAD MAP END"), 1);
    }

    void availableAndOnlineReadsTheLogAndPlaysOnce()
    {
        Session s(OnlineMap::Online);
        const QStringList log = DriveLog(6);
        const QString video = s.Space.AddRecording(1, Clip, &log);
        Tracora w;
        TracoraProbe probe(w);
        RecordingPage *page = InstallRecordingPage(probe.map());
        w.show();
        probe.files()->AddVideoAndGpsfiles({video});
        QCOMPARE(probe.files()->GetGpsfileStatus(0), QStringLiteral("Available"));

        // A load report arriving again while the first answer is on its way
        // must not read the log or start playback a second time.
        connect(probe.map(), &QWebEngineView::loadFinished, &w, [&](bool ok) {
            if (ok && probe.status()->PlayStatus == 1)
                probe.loadedToPlay(true);
        });
        probe.loadMapToPlay(0);
        QCOMPARE(probe.status()->PlayStatus, 1);
        QVERIFY(probe.notConnectedTimer()->isActive());
        QCOMPARE(probe.notConnectedTimer()->interval(), 7000);
        QCOMPARE(s.Debug.Count("LODAD MAP START"), 1);
        // Nothing plays before the page has loaded.
        QVERIFY(probe.wrapper()->GetState() != UVlcWrapper::StatePlaying);

        QVERIFY(WaitPlaying(probe, 0));
        QCOMPARE(page->Pages.last(), QStringLiteral("googlearth"));
        QCOMPARE(s.Debug.Count("addend"), 1);
        QCOMPARE(probe.gps()->GetGpsDataCount(), 6);
        QVERIFY(!probe.notConnectedTimer()->isActive());
        QVERIFY(probe.updateTimer()->isActive());
        QCOMPARE(probe.updateTimer()->interval(), 250);
        QCOMPARE(probe.status()->PlayStatus, 1);

        // A later report of the same page changes nothing.
        probe.loadedToPlay(true);
        QTest::qWait(500);
        QCOMPARE(s.Debug.Count("addend"), 1);
        QCOMPARE(probe.status()->PlayStatus, 1);
    }

    void offlineOnlineMapFallsBackToNoConnection_data()
    {
        QTest::addColumn<int>("map");
        QTest::newRow("box not ticked") << int(OnlineMap::Offline);
        QTest::newRow("no box at all") << int(OnlineMap::NoCheckBox);
    }
    void offlineOnlineMapFallsBackToNoConnection()
    {
        QFETCH(int, map);
        Session s{OnlineMap(map)};
        const QStringList log = DriveLog(4);
        const QString video = s.Space.AddRecording(1, Clip, &log);
        Tracora w;
        TracoraProbe probe(w);
        RecordingPage *page = InstallRecordingPage(probe.map());
        w.show();
        probe.files()->AddVideoAndGpsfiles({video});
        probe.loadMapToPlay(0);

        QVERIFY(WaitPlaying(probe, 0));
        QCOMPARE(probe.status()->PlayStatus, 4);
        QCOMPARE(page->Pages, QStringList({"googlearth", "no_connection"}));
        QCOMPARE(s.Debug.Count("addend"), 0);
        QVERIFY(probe.updateTimer()->isActive());
        QVERIFY(!probe.notConnectedTimer()->isActive());
        QTest::qWait(600);
        // Without the online map the car is never drawn.
        for (const QString &call : page->Calls)
            QVERIFY2(!call.startsWith("setstart(") && !call.startsWith("setposition("), qPrintable(call));
    }

    void onlineMapThatNeverLoadsFallsBackAfterSevenSeconds()
    {
        Session s(OnlineMap::NeverLoads);
        const QStringList log = DriveLog(4);
        const QString video = s.Space.AddRecording(1, Clip, &log);
        Tracora w;
        TracoraProbe probe(w);
        RecordingPage *page = InstallRecordingPage(probe.map());
        w.show();
        probe.files()->AddVideoAndGpsfiles({video});
        probe.loadMapToPlay(0);

        QVERIFY(QTest::qWaitFor([&] { return page->Pages.contains("googlearth"); }, 20000));
        QTest::qWait(1000);
        QCOMPARE(probe.status()->PlayStatus, 1);
        QVERIFY(probe.wrapper()->GetState() != UVlcWrapper::StatePlaying);

        QVERIFY(WaitPlaying(probe, 0, 30000));
        QCOMPARE(probe.status()->PlayStatus, 4);
        QCOMPARE(page->Pages.last(), QStringLiteral("no_connection"));
        QVERIFY(!probe.notConnectedTimer()->isActive());
        QCOMPARE(s.Debug.Count("addend"), 0);
    }

    void informationPagesPlayAtOnce_data()
    {
        QTest::addColumn<bool>("withLog");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("playStatus");
        QTest::addColumn<QString>("pageName");
        QTest::newRow("no log") << false << "Not Exist" << 2 << "no_gps_file";
        QTest::newRow("log without fixes") << true << "Unavailable" << 3 << "no_gps_info";
    }
    void informationPagesPlayAtOnce()
    {
        QFETCH(bool, withLog);
        QFETCH(QString, word);
        QFETCH(int, playStatus);
        QFETCH(QString, pageName);
        Session s(OnlineMap::Online);
        const QStringList log = NoFixLog(10);
        const QString video = s.Space.AddRecording(1, Clip, withLog ? &log : nullptr);
        Tracora w;
        TracoraProbe probe(w);
        RecordingPage *page = InstallRecordingPage(probe.map());
        w.show();
        probe.files()->AddVideoAndGpsfiles({video});
        QCOMPARE(probe.files()->GetGpsfileStatus(0), word);

        probe.loadMapToPlay(0);
        QCOMPARE(probe.status()->PlayStatus, playStatus);
        QVERIFY(!probe.notConnectedTimer()->isActive());
        QVERIFY(WaitPlaying(probe, 0));
        QCOMPARE(page->Pages, QStringList({pageName}));
        QVERIFY(probe.updateTimer()->isActive());
        QCOMPARE(s.Debug.Count("LODAD MAP START"), 0);
        QCOMPARE(s.Debug.Count("addend"), 0);
    }

    void staleOnlineAnswerDoesNothing()
    {
        Session s(OnlineMap::Online);
        const QStringList log = DriveLog(4);
        const QString first = s.Space.AddRecording(1, Clip, &log);
        const QString second = s.Space.AddRecording(2, Clip, nullptr);
        Tracora w;
        TracoraProbe probe(w);
        RecordingPage *page = InstallRecordingPage(probe.map());
        w.show();
        probe.files()->AddVideoAndGpsfiles({first, second});

        // Choose the second recording right after the online map reported
        // its load, while the "#isonline" answer is still on its way.
        bool chosen = false;
        connect(probe.map(), &QWebEngineView::loadFinished, &w, [&](bool ok) {
            if (ok && !chosen && probe.status()->PlayStatus == 1) {
                chosen = true;
                probe.loadMapToPlay(1);
            }
        });
        probe.loadMapToPlay(0);
        QVERIFY(WaitPlaying(probe, 1));
        QVERIFY(chosen);
        QTest::qWait(800);
        QCOMPARE(probe.status()->PlayStatus, 2);
        QCOMPARE(probe.wrapper()->GetIndex(), 1);
        QCOMPARE(s.Debug.Count("addend"), 0);
        QCOMPARE(page->Pages.last(), QStringLiteral("no_gps_file"));
        QVERIFY(!page->Pages.contains("no_connection"));
    }

    void earlierFallbackTimerDoesNotRestartALaterChoice()
    {
        Session s(OnlineMap::NeverLoads);
        const QStringList log = DriveLog(4);
        const QString first = s.Space.AddRecording(1, Clip, &log);
        const QString second = s.Space.AddRecording(2, Clip, nullptr);
        Tracora w;
        TracoraProbe probe(w);
        RecordingPage *page = InstallRecordingPage(probe.map());
        w.show();
        probe.files()->AddVideoAndGpsfiles({first, second});

        probe.loadMapToPlay(0);
        QVERIFY(probe.notConnectedTimer()->isActive());
        probe.loadMapToPlay(1);
        QVERIFY(!probe.notConnectedTimer()->isActive());
        QVERIFY(WaitPlaying(probe, 1));
        QTest::qWait(7500);
        QCOMPARE(probe.status()->PlayStatus, 2);
        QVERIFY(!page->Pages.contains("no_connection"));
    }

    void outOfRangeChoiceIsIgnored()
    {
        Session s(OnlineMap::Online);
        Tracora w;
        TracoraProbe probe(w);
        probe.files()->AddVideoAndGpsfiles({s.Space.AddRecording(1, Clip, nullptr)});
        for (int index : {-1, 1, 100}) {
            probe.loadMapToPlay(index);
            QCOMPARE(probe.status()->PlayStatus, 0);
            QCOMPARE(probe.wrapper()->GetIndex(), -1);
        }
    }

    void everyFaceSwitchCallsSetLocation()
    {
        Session s(OnlineMap::Online);
        Tracora w;
        TracoraProbe probe(w);
        RecordingPage *page = InstallRecordingPage(probe.map());
        w.show();
        probe.map()->setUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath("images/googlearth.html")));
        QVERIFY(QTest::qWaitFor([&] { return page->Pages.contains("googlearth"); }, 20000));
        QTest::qWait(200);

        QTest::mouseClick(probe.play(), Qt::LeftButton);
        QCOMPARE(probe.play()->objectName(), QStringLiteral("VideoPause"));
        QCOMPARE(probe.playButtonState(), 0);
        probe.switchPlayButton();
        QCOMPARE(probe.play()->objectName(), QStringLiteral("VideoPlay"));
        QCOMPARE(probe.playButtonState(), 1);
        QVERIFY(QTest::qWaitFor([&] { return page->Calls.size() == 2; }, 10000));
        QCOMPARE(page->Calls, QStringList({"SetLocation(22.4,113.4)", "SetLocation(22.4,113.4)"}));
    }
};

QTEST_MAIN(TestTracoraMapBridge)
#include "tst_tracora_mapbridge.moc"

// The map page bridge in the real window: the web view's load reports, the
// "#isonline" answer from a real page, the two timers and the engine wired
// together. Every transition and the stale answers are tested without a
// window (tst_umapbridge).
#include <QtTest>
#include <QPointer>

#include <algorithm>
#include <csignal>
#include <sys/types.h>

#include "debugcounter.h"
#include "mapfixture.h"
#include "windowparts.h"

using namespace mapfixture;

namespace {

const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");

// A window over a workspace of its own, its map view recording the pages
// it is asked for and the calls they receive.
struct Session
{
    explicit Session(OnlineMap map) : Space(map)
    {
        Page = InstallRecordingPage(Parts.Map);
        Window.show();
    }
    bool Complete() { return Parts.Complete() && QTest::qWaitForWindowExposed(&Window); }

    Workspace Space;
    DebugCounter Debug;
    Tracora Window;
    WindowParts Parts{Window};
    RecordingPage *Page = nullptr;
};

bool WaitPlaying(WindowParts &parts, int index, int timeoutMs = 20000)
{
    return QTest::qWaitFor([&] { return parts.PlayingIndex(index); }, timeoutMs);
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
        QVERIFY(s.Complete());
        s.Parts.Map->setUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath("images/startupp.html")));
        QVERIFY(QTest::qWaitFor([&] { return s.Page->Pages.contains("startupp"); }, 20000));
        QTest::qWait(300);
        QVERIFY(!s.Parts.UpdateTimer->isActive());
        QVERIFY(!s.Parts.FallbackTimer->isActive());
        QCOMPARE(s.Parts.Wrapper->GetState(), int(UVlcWrapper::StateIdle));
        QCOMPARE(s.Page->Pages, QStringList({"startupp"}));
        QCOMPARE(s.Debug.Count("LODAD MAP END"), 1);
    }

    void availableAndOnlineReadsTheLogAndPlaysOnce()
    {
        Session s(OnlineMap::Online);
        QVERIFY(s.Complete());
        const QStringList log = DriveLog(6);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, &log)});
        QCOMPARE(s.Parts.Files->GetGpsfileStatus(0), QStringLiteral("Available"));

        // A load report arriving again while the first answer is on its way
        // must not read the log or start playback a second time.
        bool reportedAgain = false;
        connect(s.Parts.Map, &QWebEngineView::loadFinished, &s.Window, [&](bool ok) {
            if (ok && !reportedAgain && s.Page->Pages.value(0) == "googlearth") {
                reportedAgain = true;
                emit s.Parts.Map->loadFinished(true);
            }
        });
        WindowParts::DoubleClickRow(s.Parts.Left, 0);
        QVERIFY(s.Parts.FallbackTimer->isActive());
        QCOMPARE(s.Parts.FallbackTimer->interval(), 7000);
        QCOMPARE(s.Debug.Count("LODAD MAP START"), 1);
        // Nothing plays before the page has loaded.
        QVERIFY(s.Parts.Wrapper->GetState() != UVlcWrapper::StatePlaying);

        QVERIFY(WaitPlaying(s.Parts, 0));
        QVERIFY(reportedAgain);
        QCOMPARE(s.Page->Pages, QStringList({"googlearth"}));
        QCOMPARE(s.Debug.Count("addend"), 1);
        QVERIFY(!s.Parts.FallbackTimer->isActive());
        QVERIFY(s.Parts.UpdateTimer->isActive());
        QCOMPARE(s.Parts.UpdateTimer->interval(), 250);
        // The track was read: the car is drawn on the online map.
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Position->text().contains("N:22.5"); }, 10000));

        // A later report of the same page changes nothing.
        emit s.Parts.Map->loadFinished(true);
        QTest::qWait(500);
        QCOMPARE(s.Debug.Count("addend"), 1);
        QCOMPARE(s.Page->Pages, QStringList({"googlearth"}));
        QVERIFY(s.Parts.PlayingIndex(0));
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
        QVERIFY(s.Complete());
        const QStringList log = DriveLog(4);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, &log)});
        WindowParts::DoubleClickRow(s.Parts.Left, 0);

        QVERIFY(WaitPlaying(s.Parts, 0));
        QCOMPARE(s.Page->Pages, QStringList({"googlearth", "no_connection"}));
        QVERIFY(s.Parts.UpdateTimer->isActive());
        QVERIFY(!s.Parts.FallbackTimer->isActive());
        // The no-connection page is an offline map: the track is read for it
        // once, and the car, the needle and the position follow it there.
        QCOMPARE(s.Debug.Count("addend"), 1);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Position->text().contains("N:22.5"); }, 10000));
        QVERIFY(QTest::qWaitFor([&] {
            return std::any_of(s.Page->Calls.begin(), s.Page->Calls.end(),
                               [](const QString &call) { return call.startsWith("setposition(22.5"); });
        }, 10000));
        QVERIFY(std::any_of(s.Page->Calls.begin(), s.Page->Calls.end(),
                            [](const QString &call) { return call.startsWith("setstart(22.5"); }));
        QVERIFY(s.Parts.Speed->CarSpeed() > 0);
    }

    void onlineMapThatNeverLoadsFallsBackAfterSevenSeconds()
    {
        Session s(OnlineMap::NeverLoads);
        QVERIFY(s.Complete());
        const QStringList log = DriveLog(4);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, &log)});
        WindowParts::DoubleClickRow(s.Parts.Left, 0);

        QVERIFY(QTest::qWaitFor([&] { return s.Page->Pages.contains("googlearth"); }, 20000));
        QTest::qWait(1000);
        QVERIFY(s.Parts.Wrapper->GetState() != UVlcWrapper::StatePlaying);
        QVERIFY(s.Parts.FallbackTimer->isActive());

        QVERIFY(WaitPlaying(s.Parts, 0, 30000));
        QCOMPARE(s.Page->Pages.last(), QStringLiteral("no_connection"));
        QVERIFY(!s.Parts.FallbackTimer->isActive());
        // Read once, for the offline map.
        QCOMPARE(s.Debug.Count("addend"), 1);
    }

    // The online map loads, but its answer never comes: its script hangs, or
    // its renderer dies. The fallback runs on and playback starts offline.
    void onlineMapThatNeverAnswersFallsBack_data()
    {
        QTest::addColumn<bool>("killRenderer");
        QTest::newRow("script never returns") << false;
        QTest::newRow("renderer killed") << true;
    }
    void onlineMapThatNeverAnswersFallsBack()
    {
        QFETCH(bool, killRenderer);
        Session s(OnlineMap::HangsAfterLoading);
        QVERIFY(s.Complete());
        const QStringList log = DriveLog(4);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, &log)});
        QSignalSpy loads(s.Parts.Map, &QWebEngineView::loadFinished);
        WindowParts::DoubleClickRow(s.Parts.Left, 0);

        QVERIFY(QTest::qWaitFor([&] { return s.Page->Pages.contains("googlearth"); }, 20000));
        QVERIFY(QTest::qWaitFor([&] { return !loads.isEmpty() && loads.last().first().toBool(); }, 20000));
        // Loaded, and asked: the fallback is still running.
        QVERIFY(s.Parts.FallbackTimer->isActive());
        QTest::qWait(500);
        QVERIFY(s.Parts.Wrapper->GetState() != UVlcWrapper::StatePlaying);
        if (killRenderer) {
            const qint64 pid = s.Page->renderProcessPid();
            QVERIFY(pid > 0);
            QVERIFY(::kill(pid_t(pid), SIGKILL) == 0);
        }

        QVERIFY(WaitPlaying(s.Parts, 0, 30000));
        QCOMPARE(s.Page->Pages.last(), QStringLiteral("no_connection"));
        QVERIFY(!s.Parts.FallbackTimer->isActive());
        // Read once, for the offline map.
        QCOMPARE(s.Debug.Count("addend"), 1);
    }

    void informationPagesPlayAtOnce_data()
    {
        QTest::addColumn<bool>("withLog");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("pageName");
        // "Unavailable" (a log without fixes) takes the same road to
        // no_gps_info.html: tst_umapbridge and tst_uvideoandgpsfiles.
        QTest::newRow("no log") << false << "Not Exist" << "no_gps_file";
    }
    void informationPagesPlayAtOnce()
    {
        QFETCH(bool, withLog);
        QFETCH(QString, word);
        QFETCH(QString, pageName);
        Session s(OnlineMap::Online);
        QVERIFY(s.Complete());
        const QStringList log = NoFixLog(10);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, withLog ? &log : nullptr)});
        QCOMPARE(s.Parts.Files->GetGpsfileStatus(0), word);

        WindowParts::DoubleClickRow(s.Parts.Left, 0);
        QVERIFY(!s.Parts.FallbackTimer->isActive());
        QVERIFY(WaitPlaying(s.Parts, 0));
        QCOMPARE(s.Page->Pages, QStringList({pageName}));
        QVERIFY(s.Parts.UpdateTimer->isActive());
        QCOMPARE(s.Debug.Count("LODAD MAP START"), 0);
        QCOMPARE(s.Debug.Count("addend"), 0);
    }

    void staleOnlineAnswerDoesNothing()
    {
        Session s(OnlineMap::Online);
        QVERIFY(s.Complete());
        const QStringList log = DriveLog(4);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, &log), s.Space.AddRecording(2, Clip, nullptr)});

        // Choose the second recording right after the online map reported
        // its load, while the "#isonline" answer is still on its way.
        bool chosen = false;
        connect(s.Parts.Map, &QWebEngineView::loadFinished, &s.Window, [&](bool ok) {
            if (ok && !chosen && s.Page->Pages.value(0) == "googlearth") {
                chosen = true;
                s.Parts.Next->click();
            }
        });
        WindowParts::DoubleClickRow(s.Parts.Left, 0);
        QVERIFY(WaitPlaying(s.Parts, 1));
        QVERIFY(chosen);
        QTest::qWait(800);
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 1);
        QCOMPARE(s.Debug.Count("addend"), 0);
        QCOMPARE(s.Page->Pages, QStringList({"googlearth", "no_gps_file"}));
    }

    void laterChoiceStopsTheFallbackTimer()
    {
        Session s(OnlineMap::NeverLoads);
        QVERIFY(s.Complete());
        const QStringList log = DriveLog(4);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, &log), s.Space.AddRecording(2, Clip, nullptr)});

        WindowParts::DoubleClickRow(s.Parts.Left, 0);
        QVERIFY(s.Parts.FallbackTimer->isActive());
        // The fallback of the first choice would replace the second one's page
        // and start it again.
        WindowParts::DoubleClickRow(s.Parts.Left, 1);
        QVERIFY(!s.Parts.FallbackTimer->isActive());
        QVERIFY(WaitPlaying(s.Parts, 1));
        QVERIFY(!s.Parts.FallbackTimer->isActive());
        QCOMPARE(s.Page->Pages.last(), QStringLiteral("no_gps_file"));
    }

    void windowGoesWhileAnAnswerIsOwed()
    {
        Workspace space(OnlineMap::Online);
        DebugCounter debug;
        auto *window = new Tracora;
        WindowParts parts(*window);
        QVERIFY(parts.Complete());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QStringList log = DriveLog(4);
        parts.AddRecordings({space.AddRecording(1, Clip, &log)});

        // The window goes right after the online map reported its load, while
        // the "#isonline" answer is still on its way.
        QPointer<Tracora> alive(window);
        connect(parts.Map, &QWebEngineView::loadFinished, window, [&](bool ok) {
            if (ok)
                QTimer::singleShot(0, [&] { delete alive.data(); });
        });
        WindowParts::DoubleClickRow(parts.Left, 0);
        QVERIFY(QTest::qWaitFor([&] { return alive.isNull(); }, 20000));
        QTest::qWait(500);
        QCOMPARE(debug.Count("addend"), 0);
    }

    void everyFaceSwitchCallsSetLocation()
    {
        Session s(OnlineMap::Online);
        QVERIFY(s.Complete());
        s.Parts.Map->setUrl(QUrl::fromLocalFile(QDir::current().absoluteFilePath("images/googlearth.html")));
        QVERIFY(QTest::qWaitFor([&] { return s.Page->Pages.contains("googlearth"); }, 20000));
        QTest::qWait(200);

        QTest::mouseClick(s.Parts.Play, Qt::LeftButton);
        QCOMPARE(s.Parts.Play->objectName(), QStringLiteral("VideoPause"));
        QTest::mouseClick(s.Parts.Play, Qt::LeftButton);
        QCOMPARE(s.Parts.Play->objectName(), QStringLiteral("VideoPlay"));
        QVERIFY(QTest::qWaitFor([&] { return s.Page->Calls.size() == 2; }, 10000));
        QCOMPARE(s.Page->Calls, QStringList({"SetLocation(22.4,113.4)", "SetLocation(22.4,113.4)"}));
    }
};

QTEST_MAIN(TestTracoraMapBridge)
#include "tst_tracora_mapbridge.moc"

// The real window with no network at all: the real online map finds no tile
// server, falls back to the real offline map (no_connection.html), and on it
// the route, the profile and the car are drawn, a click on the route or the
// profile seeks the engine, and the needle and the position text follow the
// track on every tick, with no request leaving the computer. Then the speed
// unit chosen on the speedometer's menu, and the local times in the
// tooltips. Every decision is tested without a window (tst_umapbridge,
// tst_udisplaytick, tst_uspeedunit, tst_urecordingtime).
#include <QtTest>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QWebEngineProfile>

#include "console/udisplaytick.h"
#include "debugcounter.h"
#include "driveclip.h"
#include "gpslog/gpslogdata.h"
#include "mapfixture.h"
#include "realmappage.h"
#include "requestcounter.h"
#include "screenfaces.h"
#include "windowparts.h"

using namespace driveclip;
using namespace mapfixture;
using namespace realmappage;

namespace {

// 12 s, each second's picture told apart (driveclip.h).
const QString Drive12 = QStringLiteral(VIALUMO_TESTDATA_DIR "/drive12s.MOV");
constexpr int Seconds = 12;

// A recorder's log from 08:00:00 UTC on 7 Dec 2026, one line a second, every
// second at its own place and speed (knots 10, 13, 16 ...).
QStringList DriveLog12()
{
    QStringList lines;
    for (int i = 0; i < Seconds; ++i) {
        lines << QStringLiteral("A,071226,0800%1,22%2,N,113%3,E,%4;")
                     .arg(i, 2, 10, QLatin1Char('0'))
                     .arg(32.1 + 0.01 * i, 7, 'f', 4, QLatin1Char('0'))
                     .arg(56.5 + 0.02 * i, 7, 'f', 4, QLatin1Char('0'))
                     .arg(10 + 3 * i);
    }
    return lines;
}

// The play second the time label shows ("00:00:07/00:00:12" is 7).
int LabelSecond(const QLabel *label)
{
    const QString text = label->text();
    return text.size() >= 8 ? text.mid(6, 2).toInt() + 60 * text.mid(3, 2).toInt() : -1;
}

struct Session
{
    Session()
    {
        Ready = Parts.Complete() && InstallRealOfflinePages(Space.Root.filePath(QStringLiteral("images")));
        Profile = Parts.Map->page()->profile();
        Profile->setUrlRequestInterceptor(&Requests);
        // The program's look, with the speedometer's dials.
        Window.setStyleSheet(AppStyleSheet());
        // Only what the offline page asks is counted: the online map's
        // probe went to a port on this computer before it.
        QObject::connect(Parts.Map, &QWebEngineView::urlChanged, &Window, [this](const QUrl &url) {
            if (url.fileName() == QLatin1String("no_connection.html"))
                Requests.Clear();
        });
        Window.show();
        Ready = Ready && QTest::qWaitForWindowExposed(&Window);
    }
    ~Session() { Profile->setUrlRequestInterceptor(nullptr); }

    // Chooses row 0 and waits until it plays on the offline map with its route.
    bool PlayOffline()
    {
        WindowParts::DoubleClickRow(Parts.Left, 0);
        return QTest::qWaitFor([&] { return Parts.PlayingIndex(0) && Parts.UpdateTimer->isActive(); }, 30000)
            && Parts.Map->url().fileName() == QLatin1String("no_connection.html")
            && Spin([&] { return Js("vialumoMap.player !== null && vialumoMap.routeDrawn !== null").toBool(); }, 10000);
    }

    QVariant Js(const char *script) { return Evaluate(Parts.Map->page(), QString::fromLatin1(script)); }

    Workspace Space;
    DebugCounter Debug;
    Tracora Window;
    WindowParts Parts{Window};
    RequestCounter Requests;
    QWebEngineProfile *Profile = nullptr;
    bool Ready = false;
};

} // namespace

class TestTracoraOffline : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private:
    QTemporaryDir Home;

private slots:
    void initTestCase()
    {
        // The settings of these windows are the test's own.
        qputenv("XDG_CONFIG_HOME", (Home.path() + "/config").toUtf8());
        // An empty tile cache: the offline map has the shipped base alone.
        qputenv("XDG_CACHE_HOME", (Home.path() + "/cache").toUtf8());
    }
    void init() { QDir(Home.path() + "/config").removeRecursively(); }

    void offlineMapFollowsTheTrack()
    {
        Session s;
        QVERIFY(s.Ready);
        const QStringList log = DriveLog12();
        s.Parts.AddRecordings({s.Space.AddRecording(1, Drive12, &log)});
        QVERIFY(s.PlayOffline());
        // Read once, for the offline map.
        QCOMPARE(s.Debug.Count("addend"), 1);
        GpsLogData track;
        track.ReadGpsfile(s.Parts.Files->GetGpsfilePath(0));

        // The route, its profile, the car and the note on the offline map.
        QCOMPARE(s.Js("vialumoMap.routeDrawn.count").toInt(), Seconds);
        QCOMPARE(s.Js("document.querySelector('#profile').getAttribute('data-seconds')").toInt(), Seconds);
        QVERIFY(Spin([&] { return s.Js("vialumoMap.carShown && vialumoMap.clock.valid").toBool(); }, 10000));
        QCOMPARE(s.Js("document.querySelector('#offline-note').textContent").toString(),
                 QStringLiteral("Offline \u2014 no map tiles"));

        // Every tick shows the fix of the play second its time label shows:
        // the needle and the position move with the video.
        QStringList positions;
        QList<double> speeds;
        int mismatches = 0, ticks = 0;
        const auto check = connect(s.Parts.UpdateTimer, &QTimer::timeout, &s.Window, [&] {
            if (s.Parts.Wrapper->GetState() != UVlcWrapper::StatePlaying)
                return;
            const int second = LabelSecond(s.Parts.TimeLabel);
            const GpsRecord record = track.GetGpsDataAt(second);
            ++ticks;
            if (s.Parts.Speed->CarSpeed() != record.Velocity
                || s.Parts.Position->text() != UDisplayTick::PositionText(record))
                ++mismatches;
            if (!positions.contains(s.Parts.Position->text()))
                positions << s.Parts.Position->text();
            if (!speeds.contains(s.Parts.Speed->CarSpeed()))
                speeds << s.Parts.Speed->CarSpeed();
        });
        QVERIFY(QTest::qWaitFor([&] { return positions.size() >= 4 || ticks > 40; }, 15000));
        disconnect(check);
        QVERIFY2(mismatches == 0, qPrintable(QStringLiteral("%1 of %2 ticks").arg(mismatches).arg(ticks)));
        QVERIFY(positions.size() >= 4 && speeds.size() >= 4);
        QVERIFY(positions.last().contains(QLatin1String("N:22.5")));

        // The page's clock follows the engine.
        QVERIFY(Spin([&] { return qAbs(s.Js("vialumoMap.clock.base").toDouble() * 1000 - s.Parts.Wrapper->GetTime()) < 1500; },
                     5000));
        // Nothing asked of the network by the offline map: its tiles are
        // asked of the program's own scheme, which has none.
        QCOMPARE(s.Requests.Outside({QStringLiteral("vialumo-tiles")}), QStringList());
        QVERIFY(s.Requests.Count() > 0);
    }

    void clickOnTheOfflineRouteAndProfileSeeks()
    {
        Session s;
        QVERIFY(s.Ready);
        const QStringList log = DriveLog12();
        s.Parts.AddRecordings({s.Space.AddRecording(1, Drive12, &log)});
        QVERIFY(s.PlayOffline());
        QWebEnginePage *page = s.Parts.Map->page();
        QWidget *input = s.Parts.Map->focusProxy() ? s.Parts.Map->focusProxy() : s.Parts.Map;

        // Playing: a click on the fix of second 9 moves the engine there.
        QVERIFY(s.Parts.Wrapper->GetTime() < 7000);
        const QPoint nine = RoutePoint(page, 9);
        QVERIFY(nine.x() >= 0);
        QTest::mouseClick(input, Qt::LeftButton, {}, nine);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetTime() >= 9000; }, 5000));
        QCOMPARE(s.Parts.Wrapper->GetState(), int(UVlcWrapper::StatePlaying));
        QVERIFY(QTest::qWaitFor([&] { return SecondShown(s.Parts.Video) >= 9; }, 5000));

        // Paused: a click on the profile at second 2 moves it back, and the
        // needle and position show that second's fix at once on the next tick.
        QTest::mouseClick(s.Parts.Play, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StatePaused; }, 5000));
        const int profileTop = s.Parts.Map->height()
            - Evaluate(page, QStringLiteral("document.querySelector('#profile').offsetHeight")).toInt();
        QTest::mouseClick(input, Qt::LeftButton, {},
                          QPoint(qRound(2.5 / Seconds * s.Parts.Map->width()), profileTop + 30));
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.TimeLabel->text().startsWith("00:00:02/"); }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return qAbs(s.Parts.Wrapper->GetTime() - 2000) < 600; }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return SecondShown(s.Parts.Video) == 2; }, 5000));
        QCOMPARE(s.Parts.Wrapper->GetState(), int(UVlcWrapper::StatePaused));
        QCOMPARE(s.Requests.Outside({QStringLiteral("vialumo-tiles")}), QStringList());
    }

    // The speedometer's right-click menu: km/h or mph, shown at once by the
    // dial and the map page, and remembered for the next window.
    void speedUnitFromTheSpeedometersMenu()
    {
        {
            Session s;
            QVERIFY(s.Ready);
            const QStringList log = DriveLog12();
            s.Parts.AddRecordings({s.Space.AddRecording(1, Drive12, &log)});
            QVERIFY(s.PlayOffline());
            QCOMPARE(s.Parts.Speed->Unit(), QStringLiteral("kmh"));
            QCOMPARE(s.Js("vialumoMap.unit").toString(), QStringLiteral("kmh"));
            const QImage kmhDial = s.Parts.Speed->grab().toImage();

            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(150, 60), s.Parts.Speed->mapToGlobal(QPoint(150, 60)));
            QApplication::sendEvent(s.Parts.Speed, &event);
            QMenu *menu = nullptr;
            QVERIFY(QTest::qWaitFor([&] {
                menu = s.Window.findChild<QMenu *>(QStringLiteral("SpeedUnitMenu"));
                return menu && menu->isVisible();
            }, 5000));
            QAction *kmh = menu->findChild<QAction *>(QStringLiteral("SpeedUnitKmh"));
            QAction *mph = menu->findChild<QAction *>(QStringLiteral("SpeedUnitMph"));
            QVERIFY(kmh && mph);
            QCOMPARE(kmh->text(), QStringLiteral("km/h"));
            QCOMPARE(mph->text(), QStringLiteral("mph"));
            QVERIFY(kmh->isChecked() && !mph->isChecked());
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(mph).center());

            QTRY_COMPARE(s.Parts.Speed->Unit(), QStringLiteral("mph"));
            QVERIFY(Spin([&] { return s.Js("vialumoMap.unit").toString() == QLatin1String("mph"); }, 5000));
            QVERIFY(s.Js("document.querySelector('#legend .ticks').textContent").toString().endsWith(QLatin1String("mph")));
            // The dial is the mph one now: the same widget, another picture.
            const QImage mphDial = s.Parts.Speed->grab().toImage();
            QCOMPARE(mphDial.size(), kmhDial.size());
            QVERIFY(mphDial != kmhDial);
            QCOMPARE(QSettings(QStringLiteral("Vialumo"), QStringLiteral("Vialumo")).value("Display/SpeedUnit").toString(),
                     QStringLiteral("mph"));
        }
        // The next window starts in mph, and tells its map page so with the route.
        Session s;
        QVERIFY(s.Ready);
        QCOMPARE(s.Parts.Speed->Unit(), QStringLiteral("mph"));
        const QStringList log = DriveLog12();
        s.Parts.AddRecordings({s.Space.AddRecording(1, Drive12, &log)});
        QVERIFY(s.PlayOffline());
        QCOMPARE(s.Js("vialumoMap.unit").toString(), QStringLiteral("mph"));
        QVERIFY(s.Js("document.querySelector('#profile-top').textContent").toString().endsWith(QLatin1String(" mph")));
    }

    // Local time beside UTC: the play time's tooltip from the GPS, the file
    // name's from the file, in the zone the settings name.
    void localTimesInTheTooltips()
    {
        QSettings(QStringLiteral("Vialumo"), QStringLiteral("Vialumo")).setValue("Display/TimeZone", "Asia/Shanghai");
        Session s;
        QVERIFY(s.Ready);
        const QStringList log = DriveLog12();
        const QString video = s.Space.AddRecording(1, Drive12, &log);
        s.Parts.AddRecordings({video});
        const QString fileTip = s.Parts.Left->item(0, 0)->toolTip();
        QVERIFY2(fileTip.startsWith(QDir::toNativeSeparators(video) + QStringLiteral("\nRecorded ")), qPrintable(fileTip));
        QVERIFY2(fileTip.contains(QStringLiteral("UTC+08:00 (Asia/Shanghai) \u00b7 ")) && fileTip.endsWith(QLatin1String(" UTC")),
                 qPrintable(fileTip));
        QVERIFY(s.Parts.TimeLabel->toolTip().isEmpty());

        QVERIFY(s.PlayOffline());
        // 16:00:0s in Shanghai is 08:00:0s UTC, s the label's second.
        QVERIFY(QTest::qWaitFor([&] { return LabelSecond(s.Parts.TimeLabel) >= 2; }, 10000));
        QTest::mouseClick(s.Parts.Play, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StatePaused; }, 5000));
        QTest::qWait(600);
        const int second = LabelSecond(s.Parts.TimeLabel);
        QCOMPARE(s.Parts.TimeLabel->toolTip(),
                 QStringLiteral("2026-12-07 16:00:%1 UTC+08:00 (Asia/Shanghai) \u00b7 2026-12-07 08:00:%1 UTC")
                     .arg(second, 2, 10, QLatin1Char('0')));
        // Stopped: no recording's time to tell.
        QTest::mouseClick(s.Parts.Stop, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.TimeLabel->toolTip().isEmpty(); }, 5000));
    }
};

QTEST_MAIN(TestTracoraOffline)
#include "tst_tracora_offline.moc"

// The route on the online map in the real window: the route sent once when
// a recording starts on the online map, the clock on every tick, the
// previous route when autoplay goes on along the same drive, and seeking
// from the page through the web channel, with the real map page and with
// pages of the test's own that record the calls. Every decision is tested
// without a window (tst_umaproute, tst_udisplaytick).
#include <QtTest>
#include <QWebChannel>

#include "debugcounter.h"
#include "driveclip.h"
#include "gpslog/gpslogdata.h"
#include "mapfixture.h"
#include "realmappage.h"
#include "tiles/utilescheme.h"
#include "windowparts.h"

using namespace driveclip;
using namespace mapfixture;
using namespace realmappage;

namespace {

const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");
// 12 s, each second's picture told apart (driveclip.h).
const QString Drive12 = QStringLiteral(VIALUMO_TESTDATA_DIR "/drive12s.MOV");

// An online map of the test's own: it records every call, the new ones with
// their arguments as JSON.
QString RecordingMapPage()
{
    return QStringLiteral(
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script>"
        "console.log('PAGE googlearth');"
        "function record(name, args) {"
        "  console.log('CALL ' + name + '(' + Array.prototype.map.call(args, function (a) {"
        "    return typeof a === 'number' ? String(a) : JSON.stringify(a); }).join(',') + ')'); }"
        "['SetLocation', 'setstart', 'setposition', 'showroute', 'showpreviousroute', 'setclock'].forEach(function (f) {"
        "  window[f] = function () { record(f, arguments); }; });"
        "</script></head><body><input type=\"checkbox\" id=\"isonline\" checked></body></html>");
}

// A recorder's log: `seconds` lines with a fix from hh:mm:ss on 7 Dec 2026,
// line `first` of a drive going north-east from 22 deg 32.1 min N (moved
// northMinutes on), 113 deg 56.5 min E, about 40 m a second.
QStringList TimedLog(int seconds, const QTime &start, int first = 0, double northMinutes = 0.0)
{
    QStringList lines;
    for (int i = first; i < first + seconds; ++i) {
        lines << QStringLiteral("A,071226,%1,22%2,N,113%3,E,%4;")
                     .arg(start.addSecs(i - first).toString(QStringLiteral("hhmmss")))
                     .arg(32.1 + 0.01 * i + northMinutes, 7, 'f', 4, QLatin1Char('0'))
                     .arg(56.5 + 0.02 * i, 7, 'f', 4, QLatin1Char('0'))
                     .arg(10 + 5 * i);
    }
    return lines;
}

// The calls after the n-th load of a page (n from 1), as the page recorded them.
QStringList CallsOfLoad(const RecordingPage *page, const QString &name, int n)
{
    QStringList calls;
    int loads = 0;
    for (const QString &message : page->Messages) {
        if (message == QLatin1String("PAGE ") + name)
            ++loads;
        else if (loads == n && message.startsWith(QLatin1String("CALL ")))
            calls << message.mid(5);
    }
    return calls;
}

QStringList Named(const QStringList &calls, const QString &name)
{
    QStringList found;
    for (const QString &call : calls) {
        if (call.startsWith(name + QLatin1Char('(')))
            found << call;
    }
    return found;
}

// The points of a recorded route call.
QJsonArray RoutePoints(const QString &call)
{
    const qsizetype open = call.indexOf(QLatin1Char('('));
    return QJsonDocument::fromJson(call.mid(open + 1).chopped(1).toUtf8()).array();
}

// The player's object as the page reaches it: what the window's channel
// publishes as "player".
QObject *ChannelPlayer(WindowParts &parts)
{
    auto *channel = parts.Window.findChild<QWebChannel *>();
    return channel ? channel->registeredObjects().value(QStringLiteral("player")) : nullptr;
}

// A call of the page's seekToSecond as the channel delivers it.
void SeekThroughChannel(WindowParts &parts, int second)
{
    QMetaObject::invokeMethod(ChannelPlayer(parts), "seekToSecond", Q_ARG(int, second));
}

// A window over a workspace of its own, with the real online map page or
// one that records its calls (Page).
struct Session
{
    explicit Session(bool realPage)
    {
        Ready = Parts.Complete();
        if (realPage) {
            Ready = Ready && InstallRealMapPage(Space.Root.filePath(QStringLiteral("images")), Tiles);
        } else {
            Page = InstallRecordingPage(Parts.Map);
            Space.WritePage(QStringLiteral("googlearth.html"), RecordingMapPage());
        }
        Window.show();
        Ready = Ready && QTest::qWaitForWindowExposed(&Window);
    }

    bool Play(int row)
    {
        WindowParts::DoubleClickRow(Parts.Left, row);
        return QTest::qWaitFor([&] { return Parts.PlayingIndex(row) && Parts.UpdateTimer->isActive(); }, 20000);
    }

    TileServer Tiles;
    Workspace Space;
    DebugCounter Debug; // keeps the window's debug lines out of the output
    Tracora Window;
    WindowParts Parts{Window};
    RecordingPage *Page = nullptr;
    bool Ready = false;
};

} // namespace

class TestTracoraRouteMap : public QObject
{
    Q_OBJECT
public:
    static void initMain() { Tracora::PrepareApplication(); }

private slots:
    void routeOnceAndClockOnEveryTick()
    {
        Session s(false);
        QVERIFY(s.Ready);
        const QStringList log = TimedLog(6, QTime(8, 0));
        s.Parts.AddRecordings({s.Space.AddRecording(1, Drive12, &log)});
        QVERIFY(s.Play(0));
        QVERIFY(QTest::qWaitFor([&] { return Named(s.Page->Calls, "setclock").size() >= 3; }, 10000));

        // The route: one point a second of the log, the numbers of the fixes.
        const QStringList routes = Named(s.Page->Calls, "showroute");
        QCOMPARE(routes.size(), 1);
        QVERIFY(Named(s.Page->Calls, "showpreviousroute").isEmpty());
        // Sent before the first tick's calls.
        QVERIFY(s.Page->Calls.indexOf(routes.first()) < s.Page->Calls.indexOf(Named(s.Page->Calls, "setclock").first()));
        GpsLogData track;
        track.ReadGpsfile(s.Parts.Files->GetGpsfilePath(0));
        const QJsonArray points = RoutePoints(routes.first());
        QCOMPARE(points.size(), 6);
        for (int second = 0; second < 6; ++second) {
            const QJsonArray point = points.at(second).toArray();
            const GpsFix fix = track.GetFixAt(second);
            QCOMPARE(point.at(0).toInt(), second);
            QVERIFY(qAbs(point.at(1).toDouble() - fix.Latitude) < 1e-7);
            QVERIFY(qAbs(point.at(2).toDouble() - fix.Longitude) < 1e-7);
            QVERIFY(qAbs(point.at(3).toDouble() - fix.SpeedKmh) < 0.006);
        }

        // Playing ticks: the engine's time, playing.
        for (const QString &call : Named(s.Page->Calls, "setclock"))
            QVERIFY2(call.endsWith(",true)"), qPrintable(call));

        // Paused ticks: the clock stands still at the engine's time.
        QTest::mouseClick(s.Parts.Play, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StatePaused; }, 5000));
        QTest::qWait(300);
        const qsizetype before = s.Page->Calls.size();
        QVERIFY(QTest::qWaitFor([&] { return Named(s.Page->Calls.mid(before), "setclock").size() >= 3; }, 5000));
        const QStringList paused = Named(s.Page->Calls.mid(before), "setclock");
        const qint64 pausedAt = s.Parts.Wrapper->GetTime();
        for (const QString &call : paused)
            QCOMPARE(call, QStringLiteral("setclock(%1,false)").arg(pausedAt));

        // Still one route for the recording.
        QCOMPARE(Named(s.Page->Calls, "showroute").size(), 1);
    }

    void clickOnTheRealRouteSeeks()
    {
        Session s(true);
        QVERIFY(s.Ready);
        const QStringList log = TimedLog(12, QTime(8, 0));
        s.Parts.AddRecordings({s.Space.AddRecording(1, Drive12, &log)});
        QVERIFY(s.Play(0));
        QWebEnginePage *page = s.Parts.Map->page();
        // The real page, online through the stand-in tiles, has drawn the
        // route and found the player's object.
        QVERIFY(s.Parts.Map->url().fileName() == QLatin1String("googlearth.html"));
        QVERIFY(Spin([&] { return Evaluate(page, "vialumoMap.player !== null && vialumoMap.routeDrawn !== null"
                                                 " && vialumoMap.routeDrawn.count === 12").toBool(); },
                     10000));
        // Its tiles come through the program's own scheme.
        QCOMPARE(Evaluate(page, "vialumoMap.tileTemplate").toString(), UTileScheme::Template());
        QWidget *input = s.Parts.Map->focusProxy() ? s.Parts.Map->focusProxy() : s.Parts.Map;

        // Playing: a click on the fix of second 8 moves the engine there, and
        // it goes on playing.
        QVERIFY(s.Parts.Wrapper->GetTime() < 6000);
        const QPoint eight = RoutePoint(page, 8);
        QVERIFY(eight.x() >= 0);
        QTest::mouseClick(input, Qt::LeftButton, {}, eight);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetTime() >= 8000; }, 5000));
        QVERIFY(s.Parts.Wrapper->GetTime() < 11500);
        QCOMPARE(s.Parts.Wrapper->GetState(), int(UVlcWrapper::StatePlaying));
        QVERIFY(QTest::qWaitFor([&] { return SecondShown(s.Parts.Video) >= 8; }, 5000));

        // Paused: a click on second 3 moves the engine back there and it stays
        // paused; slider and time label show the new place at once.
        QTest::mouseClick(s.Parts.Play, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StatePaused; }, 5000));
        QTest::mouseClick(input, Qt::LeftButton, {}, RoutePoint(page, 3));
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.TimeLabel->text().startsWith("00:00:03/"); }, 5000));
        QVERIFY(qAbs(s.Parts.TimeSlider->value() - 250) <= 3);
        QVERIFY(QTest::qWaitFor([&] { return qAbs(s.Parts.Wrapper->GetTime() - 3000) < 500; }, 5000));
        QVERIFY(QTest::qWaitFor([&] { return SecondShown(s.Parts.Video) == 3; }, 5000));
        QTest::qWait(600);
        QCOMPARE(s.Parts.Wrapper->GetState(), int(UVlcWrapper::StatePaused));
        QVERIFY(qAbs(s.Parts.Wrapper->GetTime() - 3000) < 500);
        // The page's clock follows the paused engine to the new place.
        QVERIFY(Spin([&] { return qAbs(Evaluate(page, "vialumoMap.clock.base").toDouble() - 3.0) < 0.5
                               && !Evaluate(page, "vialumoMap.clock.playing").toBool(); },
                     5000));
    }

    void staleSeeksAreIgnored()
    {
        Session s(false);
        QVERIFY(s.Ready);
        const QStringList log = TimedLog(12, QTime(8, 0));
        s.Parts.AddRecordings({s.Space.AddRecording(1, Drive12, &log), s.Space.AddRecording(2, Drive12, nullptr),
                               s.Space.AddRecording(3, Drive12, &log)});
        // The channel is the window's from the start, and every page the map
        // view loads has it.
        QVERIFY(ChannelPlayer(s.Parts));

        // Nothing plays yet.
        SeekThroughChannel(s.Parts, 5);
        QTest::qWait(300);
        QCOMPARE(s.Parts.Wrapper->GetState(), int(UVlcWrapper::StateIdle));

        // The recording whose route the page shows: the seek applies.
        QVERIFY(s.Play(0));
        QCOMPARE(s.Parts.Map->page()->webChannel(), s.Window.findChild<QWebChannel *>());
        QVERIFY(QTest::qWaitFor([&] { return !Named(s.Page->Calls, "showroute").isEmpty(); }, 5000));
        SeekThroughChannel(s.Parts, 6);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetTime() >= 6000; }, 5000));

        // A call of that page that comes after the user chose a recording
        // played without the online map.
        QVERIFY(s.Play(1));
        QCOMPARE(s.Page->Pages.last(), QStringLiteral("no_gps_file"));
        QCOMPARE(s.Parts.Map->page()->webChannel(), s.Window.findChild<QWebChannel *>());
        SeekThroughChannel(s.Parts, 9);
        QTest::qWait(800);
        QVERIFY2(s.Parts.Wrapper->GetTime() < 5000, qPrintable(QString::number(s.Parts.Wrapper->GetTime())));

        // After a stop.
        QVERIFY(s.Play(2));
        QVERIFY(QTest::qWaitFor([&] { return Named(s.Page->Calls, "showroute").size() == 2; }, 5000));
        QTest::mouseClick(s.Parts.Stop, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StateStopped; }, 5000));
        SeekThroughChannel(s.Parts, 4);
        QTest::qWait(500);
        QCOMPARE(s.Parts.Wrapper->GetState(), int(UVlcWrapper::StateStopped));
    }

    void previousRouteWhenAutoplayContinuesTheDrive_data()
    {
        QTest::addColumn<QStringList>("nextLog");
        QTest::addColumn<bool>("byAutoplay");
        QTest::addColumn<bool>("previous");
        QTest::newRow("the drive goes on") << TimedLog(3, QTime(8, 0, 3), 3) << true << true;
        QTest::newRow("another place") << TimedLog(3, QTime(8, 0, 3), 3, 8.0) << true << false;
        QTest::newRow("an hour later") << TimedLog(3, QTime(9, 0, 3), 3) << true << false;
        QTest::newRow("the user's choice") << TimedLog(3, QTime(8, 0, 3), 3) << false << false;
    }
    void previousRouteWhenAutoplayContinuesTheDrive()
    {
        QFETCH(QStringList, nextLog);
        QFETCH(bool, byAutoplay);
        QFETCH(bool, previous);
        Session s(false);
        QVERIFY(s.Ready);
        const QStringList firstLog = TimedLog(3, QTime(8, 0));
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, &firstLog), s.Space.AddRecording(2, Clip, &nextLog)});
        QVERIFY(s.Play(0));
        QVERIFY(QTest::qWaitFor([&] { return !Named(CallsOfLoad(s.Page, "googlearth", 1), "showroute").isEmpty(); },
                                5000));
        if (!byAutoplay)
            s.Parts.Next->click();
        QVERIFY(QTest::qWaitFor([&] { return !Named(CallsOfLoad(s.Page, "googlearth", 2), "setclock").isEmpty(); },
                                20000));
        QVERIFY(s.Parts.PlayingIndex(1));

        const QStringList calls = CallsOfLoad(s.Page, "googlearth", 2);
        const QStringList routes = Named(calls, "showroute");
        const QStringList previousRoutes = Named(calls, "showpreviousroute");
        QCOMPARE(routes.size(), 1);
        QCOMPARE(RoutePoints(routes.first()).size(), 3);
        QCOMPARE(RoutePoints(routes.first()).at(0).toArray().at(0).toInt(), 0);
        QCOMPARE(previousRoutes.size(), previous ? 1 : 0);
        if (previous) {
            // Before the route, and the whole route of the recording before.
            QVERIFY(calls.indexOf(previousRoutes.first()) < calls.indexOf(routes.first()));
            QCOMPARE(previousRoutes.first().mid(qstrlen("showpreviousroute")),
                     Named(CallsOfLoad(s.Page, "googlearth", 1), "showroute").first().mid(qstrlen("showroute")));
        }
    }
};

QTEST_MAIN(TestTracoraRouteMap)
#include "tst_tracora_routemap.moc"

#include <QtTest>

#include <cmath>
#include <limits>

#include "console/umaproute.h"
#include "console/umapscript.h"
#include "gpslog/gpstrack.h"
#include "playback/enginestate.h"

namespace {

// Metres of one degree of latitude on the sphere the distance is worked out on.
const double MetresPerDegree = UMapRoute::DistanceMetres(0.0, 0.0, 1.0, 0.0);
const QDateTime Noon = QDateTime(QDate(2026, 11, 28), QTime(12, 0), Qt::UTC);
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

GpsFix Fix(double lat, double lon, double speed = 30.0, const QDateTime &utc = QDateTime(), bool valid = true)
{
    GpsFix fix;
    fix.Valid = valid;
    fix.Utc = utc;
    fix.Latitude = lat;
    fix.Longitude = lon;
    fix.SpeedKmh = speed;
    return fix;
}

GpsFix NoFix()
{
    return Fix(NaN, NaN, 0.0, QDateTime(), false);
}

GpsTrack Track(const QList<GpsFix> &fixes)
{
    GpsTrack track;
    for (const GpsFix &fix : fixes)
        track.Append(fix);
    return track;
}

// A drive of `seconds` fixes going north from (lat, lon), about 10 m a
// second, one fix a second from `start` (no times when invalid).
GpsTrack Drive(int seconds, double lat, double lon, const QDateTime &start = Noon)
{
    QList<GpsFix> fixes;
    for (int i = 0; i < seconds; ++i)
        fixes << Fix(lat + 10.0 * i / MetresPerDegree, lon, 36.0, start.isValid() ? start.addSecs(i) : QDateTime());
    return Track(fixes);
}

// The array inside a route call, parsed as JSON.
QJsonArray Points(const QString &call, const QString &name)
{
    const QString opening = "typeof " + name + " === \"function\" && " + name + "(";
    if (!call.startsWith(opening) || !call.endsWith(')'))
        return QJsonArray{QStringLiteral("not a guarded call: ") + call.left(80)};
    return QJsonDocument::fromJson(call.mid(opening.size()).chopped(1).toUtf8()).array();
}

// The calls by function name: "showpreviousroute/3 showroute/5" (name and point count).
QString Names(const QStringList &calls)
{
    QStringList names;
    for (const QString &call : calls) {
        const QString name = call.section(QLatin1Char(' '), 1, 1);
        names << name + "/" + QString::number(Points(call, name).size());
    }
    return names.join(' ');
}

} // namespace

class TestUMapRoute : public QObject
{
    Q_OBJECT

private slots:
    void routeCallText()
    {
        const GpsTrack track = Track({NoFix(), Fix(22.53539, 113.9428, 18.52), Fix(-22.55, -113.95, 37.04), NoFix(),
                                      Fix(0.000000049, -0.00000006, 0.0)});
        QCOMPARE(UMapScript::ShowRouteCall(track),
                 QStringLiteral("typeof showroute === \"function\" && showroute([[1,22.5353900,113.9428000,18.52],"
                                "[2,-22.5500000,-113.9500000,37.04],[4,0.0000000,-0.0000001,0.00]])"));
        QCOMPARE(UMapScript::ShowPreviousRouteCall(Track({Fix(1.5, 2.25, 3.0)})),
                 QStringLiteral("typeof showpreviousroute === \"function\" && showpreviousroute([[0,1.5000000,"
                                "2.2500000,3.00]])"));
        QCOMPARE(UMapScript::ShowRouteCall(GpsTrack()),
                 QStringLiteral("typeof showroute === \"function\" && showroute([])"));
    }

    // Every point is a second with a position on the globe; the numbers
    // survive to the page to 1e-7 degrees.
    void routePoints_data()
    {
        QTest::addColumn<QList<GpsFix>>("fixes");
        QTest::addColumn<QList<int>>("seconds");
        QTest::addColumn<QList<double>>("speeds");
        QTest::newRow("every second") << QList<GpsFix>{Fix(22.1234567, 113.7654321, 12.345), Fix(22.2, 113.3, 80.0)}
                                      << QList<int>{0, 1} << QList<double>{12.35, 80.0};
        QTest::newRow("lines without a fix skipped")
            << QList<GpsFix>{NoFix(), Fix(10, 20), Fix(10, 20, 5, QDateTime(), false), NoFix(), Fix(-10, -20)}
            << QList<int>{1, 4} << QList<double>{30.0, 30.0};
        QTest::newRow("no position, or off the globe, skipped")
            << QList<GpsFix>{Fix(NaN, 20), Fix(10, NaN), Fix(Inf, 20), Fix(90.5, 20), Fix(10, -180.5), Fix(-90, 180),
                             Fix(90, -180)}
            << QList<int>{5, 6} << QList<double>{30.0, 30.0};
        QTest::newRow("unknown or absurd speeds as 0")
            << QList<GpsFix>{Fix(1, 2, NaN), Fix(1, 2, -3.0), Fix(1, 2, Inf), Fix(1, 2, 1e300), Fix(1, 2, 299.999)}
            << QList<int>{0, 1, 2, 3, 4} << QList<double>{0.0, 0.0, 0.0, 0.0, 300.0};
    }
    void routePoints()
    {
        QFETCH(QList<GpsFix>, fixes);
        QFETCH(QList<int>, seconds);
        QFETCH(QList<double>, speeds);
        const QJsonArray points = Points(UMapScript::ShowRouteCall(Track(fixes)), "showroute");
        QCOMPARE(points.size(), seconds.size());
        for (qsizetype i = 0; i < points.size(); ++i) {
            const QJsonArray point = points.at(i).toArray();
            QCOMPARE(point.size(), 4);
            QCOMPARE(point.at(0).toInt(), seconds.at(i));
            const GpsFix &fix = fixes.at(seconds.at(i));
            QVERIFY(std::abs(point.at(1).toDouble() - fix.Latitude) <= 0.5e-7);
            QVERIFY(std::abs(point.at(2).toDouble() - fix.Longitude) <= 0.5e-7);
            QCOMPARE(point.at(3).toDouble(), speeds.at(i));
        }
    }

    void clockCall()
    {
        QCOMPARE(UMapScript::SetClockCall(1500, true),
                 QStringLiteral("typeof setclock === \"function\" && setclock(1500,true)"));
        QCOMPARE(UMapScript::SetClockCall(86400000, false),
                 QStringLiteral("typeof setclock === \"function\" && setclock(86400000,false)"));
    }

    void distance_data()
    {
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("metres");
        QTest::newRow("same point") << 22.5 << 113.9 << 22.5 << 113.9 << 0.0;
        QTest::newRow("a degree of latitude") << 10.0 << 20.0 << 11.0 << 20.0 << 111195.08;
        QTest::newRow("a degree of longitude at 60 N, on the great circle") << 60.0 << 5.0 << 60.0 << 6.0 << 55597.01;
        QTest::newRow("across the date line") << 0.0 << 179.9995 << 0.0 << -179.9995 << 111.20;
        QTest::newRow("antipodes") << 0.0 << 0.0 << 0.0 << 180.0 << 20015114.44;
    }
    void distance()
    {
        QFETCH(double, lat1);
        QFETCH(double, lon1);
        QFETCH(double, lat2);
        QFETCH(double, lon2);
        QFETCH(double, metres);
        QVERIFY2(std::abs(UMapRoute::DistanceMetres(lat1, lon1, lat2, lon2) - metres) < 0.01,
                 qPrintable(QString::number(UMapRoute::DistanceMetres(lat1, lon1, lat2, lon2), 'f', 3)));
    }

    void continuesDrive_data()
    {
        QTest::addColumn<GpsTrack>("previous");
        QTest::addColumn<GpsTrack>("next");
        QTest::addColumn<bool>("continues");

        // The previous drive ends at (22.5 + 90 m, 113.9) at 12:00:09.
        const GpsTrack previous = Drive(10, 22.5, 113.9);
        const double endLat = 22.5 + 90.0 / MetresPerDegree;
        auto after = [&](double metres, int seconds, bool timed = true) {
            return Drive(5, endLat + metres / MetresPerDegree, 113.9, timed ? Noon.addSecs(9 + seconds) : QDateTime());
        };
        QTest::newRow("a second later, same place") << previous << after(0, 1) << true;
        QTest::newRow("499 m on") << previous << after(499, 30) << true;
        QTest::newRow("501 m on") << previous << after(501, 30) << false;
        QTest::newRow("60 s later") << previous << after(10, 60) << true;
        QTest::newRow("61 s later") << previous << after(10, 61) << false;
        QTest::newRow("a day later, same place") << previous << after(0, 86400) << false;
        QTest::newRow("overlapping by 30 s") << previous << after(10, -30) << true;
        QTest::newRow("overlapping by 90 s") << previous << after(10, -90) << false;
        QTest::newRow("next without times: distance alone") << previous << after(100, 0, false) << true;
        QTest::newRow("next without times, far") << previous << after(600, 0, false) << false;
        QTest::newRow("previous without times") << Drive(10, 22.5, 113.9, QDateTime()) << after(100, 3600) << true;
        QTest::newRow("empty previous") << GpsTrack() << after(0, 1) << false;
        QTest::newRow("empty next") << previous << GpsTrack() << false;
        QTest::newRow("no fix in previous") << Track({NoFix(), NoFix()}) << after(0, 1) << false;
        QTest::newRow("no fix in next") << previous << Track({NoFix(), NoFix()}) << false;

        // The last fix with a position counts (the drive went into a tunnel),
        // and the next recording's first one (a cold start).
        QList<GpsFix> tunnel;
        for (int i = 0; i < 10; ++i)
            tunnel << previous.At(i);
        tunnel << NoFix() << Fix(NaN, NaN, 0.0, Noon.addSecs(11)) << NoFix();
        QTest::newRow("gaps at both ends")
            << Track(tunnel) << Track({NoFix(), NoFix(), Fix(endLat, 113.9, 10, Noon.addSecs(40))}) << true;
        QTest::newRow("gaps at both ends, too late")
            << Track(tunnel) << Track({NoFix(), NoFix(), Fix(endLat, 113.9, 10, Noon.addSecs(70))}) << false;
        QTest::newRow("across the date line")
            << Track({Fix(-17.0, 179.999, 50, Noon)}) << Track({Fix(-17.0, -179.999, 50, Noon.addSecs(5))}) << true;
    }
    void continuesDrive()
    {
        QFETCH(GpsTrack, previous);
        QFETCH(GpsTrack, next);
        QFETCH(bool, continues);
        QCOMPARE(UMapRoute::ContinuesDrive(previous, next), continues);
    }

    // What the page is sent when a recording's track has been read, after
    // the choices that led there.
    void showCalls_data()
    {
        QTest::addColumn<QStringList>("choices"); // "auto" or "user", each followed by its track read
        QTest::addColumn<QString>("calls");       // of the last track read

        QTest::newRow("first recording") << QStringList{"user near"} << "showroute/5";
        QTest::newRow("autoplay along the drive") << QStringList{"user first", "auto near"}
                                                  << "showpreviousroute/10 showroute/5";
        QTest::newRow("autoplay to another drive") << QStringList{"user first", "auto far"} << "showroute/5";
        QTest::newRow("the user's choice along the drive") << QStringList{"user first", "user near"}
                                                           << "showroute/5";
        // The recording autoplay leaves showed no route of its own (its map
        // was offline): the track read before it is not its route.
        QTest::newRow("autoplay from a recording without a route")
            << QStringList{"user first", "auto -", "auto near"} << "showroute/5";
        QTest::newRow("autoplay from a track without a position")
            << QStringList{"user nofix", "auto near"} << "showroute/5";
        QTest::newRow("a track without a position") << QStringList{"user first", "auto nofix"} << "";
        QTest::newRow("autoplay twice along the drive")
            << QStringList{"user first", "auto near", "auto nearer"} << "showpreviousroute/5 showroute/3";
    }
    void showCalls()
    {
        QFETCH(QStringList, choices);
        QFETCH(QString, calls);
        const GpsTrack first = Drive(10, 22.5, 113.9);
        const double endLat = 22.5 + 90.0 / MetresPerDegree;
        const QHash<QString, GpsTrack> tracks = {
            {"first", first},
            {"near", Drive(5, endLat + 20.0 / MetresPerDegree, 113.9, Noon.addSecs(10))},
            {"nearer", Drive(3, endLat + 70.0 / MetresPerDegree, 113.9, Noon.addSecs(15))},
            {"far", Drive(5, 22.9, 113.9, Noon.addSecs(10))},
            {"nofix", Track({NoFix(), NoFix(), NoFix()})},
        };
        UMapRoute route;
        GpsTrack shown; // what the window's reader holds
        QStringList sent;
        for (const QString &choice : choices) {
            route.Chosen(choice.startsWith("auto"), shown);
            const QString read = choice.section(' ', 1);
            if (read == "-")
                continue; // played without the online map: nothing read
            shown = tracks.value(read);
            sent = route.ShowCalls(shown);
        }
        QCOMPARE(Names(sent), calls);
        if (calls.contains("showpreviousroute"))
            QCOMPARE(sent.at(0), UMapScript::ShowPreviousRouteCall(tracks.value(choices.at(choices.size() - 2).section(' ', 1))));
    }

    // The previous route is kept from the moment of the choice: the window
    // clears its reader before it reads the next track.
    void previousRouteOutlivesTheReader()
    {
        UMapRoute route;
        GpsTrack reader = Drive(10, 22.5, 113.9);
        route.Chosen(false, GpsTrack());
        const QString expected = UMapScript::ShowPreviousRouteCall(reader);
        QCOMPARE(route.ShowCalls(reader).size(), 1);
        route.Chosen(true, reader);
        reader.Clear();
        reader.Append(Fix(22.5 + 95.0 / MetresPerDegree, 113.9, 20, Noon.addSecs(11)));
        const QStringList calls = route.ShowCalls(reader);
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls.at(0), expected);
    }

    void seekTarget_data()
    {
        QTest::addColumn<QString>("history"); // "shown": a route was shown; "chosen": a recording chosen since
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("second");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("target"); // -1: ignored

        const int playing = UEngineState::StatePlaying;
        const int paused = UEngineState::StatePaused;
        QTest::newRow("playing") << "shown" << playing << 7 << qint64(60000) << qint64(7000);
        QTest::newRow("paused") << "shown" << paused << 7 << qint64(60000) << qint64(7000);
        QTest::newRow("the start") << "shown" << playing << 0 << qint64(60000) << qint64(0);
        QTest::newRow("negative: the start") << "shown" << playing << -5 << qint64(60000) << qint64(0);
        QTest::newRow("the end") << "shown" << playing << 60 << qint64(60000) << qint64(60000);
        QTest::newRow("past the end: the end") << "shown" << paused << 75 << qint64(60000) << qint64(60000);
        QTest::newRow("largest second") << "shown" << playing << INT_MAX << qint64(60000) << qint64(60000);
        QTest::newRow("smallest second") << "shown" << playing << INT_MIN << qint64(60000) << qint64(0);
        QTest::newRow("length unknown") << "shown" << playing << 75 << qint64(-1) << qint64(75000);
        QTest::newRow("length 0") << "shown" << playing << 75 << qint64(0) << qint64(75000);
        for (int state : {UEngineState::StateIdle, UEngineState::StateOpening, UEngineState::StateBuffering,
                          UEngineState::StateStopped, UEngineState::StateEnded, UEngineState::StateError})
            QTest::addRow("engine state %d", state) << "shown" << state << 7 << qint64(60000) << qint64(-1);
        QTest::newRow("no route yet") << "" << playing << 7 << qint64(60000) << qint64(-1);
        QTest::newRow("another recording chosen since") << "shown chosen" << playing << 7 << qint64(60000)
                                                        << qint64(-1);
        QTest::newRow("chosen by autoplay since") << "shown auto" << paused << 7 << qint64(60000) << qint64(-1);
        QTest::newRow("the new route shown") << "shown chosen shown" << playing << 7 << qint64(60000)
                                             << qint64(7000);
        QTest::newRow("a route without a position") << "chosen nofix" << playing << 7 << qint64(60000)
                                                    << qint64(-1);
    }
    void seekTarget()
    {
        QFETCH(QString, history);
        QFETCH(int, state);
        QFETCH(int, second);
        QFETCH(qint64, length);
        QFETCH(qint64, target);
        UMapRoute route;
        const GpsTrack track = Drive(60, 22.5, 113.9);
        for (const QString &event : history.split(' ', Qt::SkipEmptyParts)) {
            if (event == "shown")
                route.ShowCalls(track);
            else if (event == "nofix")
                route.ShowCalls(Track({NoFix()}));
            else
                route.Chosen(event == "auto", track);
        }
        const std::optional<qint64> answer = route.SeekTarget(second, state, length);
        QCOMPARE(answer.value_or(-1), target);
    }
};

QTEST_APPLESS_MAIN(TestUMapRoute)
#include "tst_umaproute.moc"

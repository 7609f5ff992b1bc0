// The map page's events, G-sensor trace and trip, in the real deployed page
// inside a real web view: marks by kind on the profile and the route with
// their text, bad arguments ignored, the trace's band, and a click on
// another recording's part of the trip asking the player for it.
#include "mappagedriver.h"

#include <QtTest>

using namespace mappagedriver;

namespace {

class TripPlayer : public QObject
{
    Q_OBJECT
public:
    QList<QPair<int, int>> Asked;
    Q_INVOKABLE void seekToSecond(int) {}
    Q_INVOKABLE void seekToRecordingSecond(int recording, int second) { Asked.append({recording, second}); }
};

const QString Marks = QStringLiteral(
    "Array.prototype.map.call(document.querySelectorAll('#profile .vialumo-event'),"
    " function (m) { return m.getAttribute('data-kind') + '@' + m.style.left + '|' + m.title; }).join(' ')");

} // namespace

class TestMapEvents : public QObject
{
    Q_OBJECT

private slots:
    void eventMarks_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("marks");
        QTest::newRow("two kinds") << "[[5000,\"braking\",0.61,\"Braking 0.61 g\"],[15000,\"bump\",1.8,\"Bump 1.80 g\"]]"
                                   << "braking@25%|Braking 0.61 g bump@75%|Bump 1.80 g";
        QTest::newRow("as text") << "'[[0,\"recorder\",0,\"Recorder: event\"]]'" << "recorder@0%|Recorder: event";
        QTest::newRow("bad entries skipped") << "[[-1,\"bump\",1,\"x\"],[\"a\",\"bump\",1,\"x\"],[1000,2,1,\"x\"],7,null,"
                                                "[10000,\"speeding\",131,\"Speeding 131 km/h\"]]"
                                             << "speeding@50%|Speeding 131 km/h";
        QTest::newRow("not an array") << "{\"a\":1}" << "";
        QTest::newRow("nothing") << "" << "";
    }
    void eventMarks()
    {
        QFETCH(QString, argument);
        QFETCH(QString, marks);
        MapPageView page(false);
        QVERIFY(page.Load());
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(QList<double>(20, 50.0)))));
        page.Js(QStringLiteral("showevents(%1)").arg(argument));
        QCOMPARE(page.Js(Marks).toString(), marks);
        const int dots = page.Js(QStringLiteral("vialumoEvents.layers.filter(function (l) { return l.getLatLng; }).length")).toInt();
        QCOMPARE(dots, marks.isEmpty() ? 0 : int(marks.count(u'|')));
        // A new route takes them away.
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(QList<double>(10, 30.0)))));
        QCOMPARE(page.Js(Marks).toString(), QString());
    }

    void accelBand()
    {
        MapPageView page(false);
        QVERIFY(page.Load());
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(QList<double>(20, 50.0)))));
        page.Js(QStringLiteral("showaccel([[0,0,0,0],[100,-0.5,0.1,0.2],[200,0,0,1.9],[\"x\"]])"));
        QVERIFY(page.Js(QStringLiteral("document.body.classList.contains('has-accel')")).toBool());
        QCOMPARE(page.Js(QStringLiteral("vialumoEvents.accel.length")).toInt(), 3);
        QVERIFY(page.Js(QStringLiteral("document.getElementById('accel').clientHeight")).toInt() > 0);
        page.Js(QStringLiteral("showaccel([])"));
        QVERIFY(!page.Js(QStringLiteral("document.body.classList.contains('has-accel')")).toBool());
        // Before any route: kept, and harmless.
        MapPageView fresh(false);
        QVERIFY(fresh.Load());
        fresh.Js(QStringLiteral("showaccel([[0,0,0,0]]); showevents([[0,'bump',2,'x']]); showtrip('garbage')"));
        QCOMPARE(fresh.Js(QStringLiteral("typeof vialumoMap")).toString(), QStringLiteral("object"));
    }

    // The offline map draws the same: events, the G-sensor band and a trip.
    void offlinePageDrawsThemToo()
    {
        MapPageView page(false);
        QVERIFY(page.Load(ImagesDir() + QStringLiteral("no_connection.html")));
        const QList<Fix> first = StraightRoute(QList<double>(20, 50.0));
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(first)));
        page.Js(QStringLiteral("showevents([[5000,\"braking\",0.61,\"Braking 0.61 g\"]])"));
        QCOMPARE(page.Js(Marks).toString(), QStringLiteral("braking@25%|Braking 0.61 g"));
        page.Js(QStringLiteral("showaccel([[0,0,0,0],[100,-0.5,0.1,0.2]])"));
        QVERIFY(page.Js(QStringLiteral("document.body.classList.contains('has-accel')")).toBool());
        QVERIFY(page.Js(QStringLiteral("document.getElementById('accel').clientHeight")).toInt() > 0);
        page.Js(QStringLiteral("showtrip([[0,%1],[1,%1]])").arg(RouteJson(first)));
        QCOMPARE(page.Js(QStringLiteral("vialumoEvents.trip.getLayers().length")).toInt(), 2);
    }

    void tripPartAsksForItsRecording()
    {
        MapPageView page(false);
        TripPlayer player;
        page.Channel.registerObject(QStringLiteral("player"), &player);
        page.Page->setWebChannel(&page.Channel);
        QVERIFY(page.Load());
        const QList<Fix> first = StraightRoute(QList<double>(20, 50.0));
        const QList<Fix> second = StraightRoute(QList<double>(20, 60.0), 0, first.last().Latitude + 0.0003,
                                                first.last().Longitude + 0.0003);
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(first)));
        page.Js(QStringLiteral("showtrip([[3,%1],[4,%2]])").arg(RouteJson(first), RouteJson(second)));
        QCOMPARE(page.Js(QStringLiteral("vialumoEvents.trip.getLayers().length")).toInt(), 2);
        page.Js(QStringLiteral("vialumoMap.map.fitBounds([[%1,%2],[%3,%4]])")
                    .arg(first.first().Latitude, 0, 'f', 6)
                    .arg(first.first().Longitude, 0, 'f', 6)
                    .arg(second.last().Latitude, 0, 'f', 6)
                    .arg(second.last().Longitude, 0, 'f', 6));
        QTest::qWait(300);
        const QPoint at = page.ContainerPoint(second[12].Latitude, second[12].Longitude);
        QTest::mouseClick(page.Input(), Qt::LeftButton, {}, at);
        QVERIFY(Spin([&] { return !player.Asked.isEmpty(); }, 5000));
        QCOMPARE(player.Asked.first().first, 4);
        QVERIFY(std::abs(player.Asked.first().second - 12) <= 1);
    }
};

QTEST_MAIN(TestMapEvents)
#include "tst_map_events.moc"

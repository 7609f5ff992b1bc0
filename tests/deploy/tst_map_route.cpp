// The map page's route, speed profile, clock-driven car, units and seeking
// (map/route.js, profile.js, marker.js, units.js, channel.js), in the real
// deployed pages inside a real web view, with the player's channel object
// played by the test: every test runs on the online map (googlearth.html)
// and on the offline map (no_connection.html). No network: the online map
// has no tiles here, which none of this needs.
#include "mappagedriver.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mappagedriver;

namespace {

// The segment from fix `second` to the next: the colour drawn at its middle
// on the route's canvas, as [r, g, b, a].
const QString SegmentColour = QStringLiteral(
    "(function (second) {"
    "  var r = vialumoMap.route, layer = vialumoMap.routeLayer, map = vialumoMap.map;"
    "  var i = vialumoFixAtOrBefore(r, second);"
    "  var p = map.latLngToLayerPoint([(r.lat[i] + r.lat[i + 1]) / 2, (r.lon[i] + r.lon[i + 1]) / 2]);"
    "  var at = L.DomUtil.getPosition(layer.canvas), ratio = window.devicePixelRatio || 1;"
    "  var d = layer.canvas.getContext('2d').getImageData(Math.round((p.x - at.x) * ratio),"
    "                                                     Math.round((p.y - at.y) * ratio), 1, 1).data;"
    "  return [d[0], d[1], d[2], d[3]];"
    "})(%1)");

const QString CarPlace = QStringLiteral(
    "vialumoMap.carShown ? [vialumoMap.carMarker.getLatLng().lat, vialumoMap.carMarker.getLatLng().lng] : null");

QString Runs(MapPageView &page)
{
    return page.Js(QStringLiteral("vialumoMap.route.runs.map(function (r) { return r.band + ':' + r.from + '-' + r.to; })"
                                  ".join(' ')"))
        .toString();
}

QColor BandColour(MapPageView &page, int band)
{
    return QColor(page.Js(QStringLiteral("SPEED_BAND_COLOURS[%1]").arg(band)).toString());
}

QColor Pixel(const QVariant &rgba)
{
    const QVariantList v = rgba.toList();
    return v.size() == 4 ? QColor(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt()) : QColor();
}

bool Near(double a, double b)
{
    return qAbs(a - b) < 1e-9;
}

// Fixes at seconds 2 to 9 on a straight road, one missing stretch (6 and 7)
// that stays on the road, and a jump of some kilometres between 8 and 9.
QList<Fix> ClockRoute()
{
    QList<Fix> fixes;
    for (int second : {2, 3, 4, 5, 8})
        fixes.append({second, 22.5 + 0.0001 * second, 113.9 + 0.0002 * second, 40});
    fixes.append({9, 22.55, 113.95, 40});
    return fixes;
}

} // namespace

class TestMapRoute : public QObject
{
    Q_OBJECT
public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private:
    // The page of the run: each test runs on both.
    static QString PageFile()
    {
        QFETCH_GLOBAL(QString, page);
        return ImagesDir() + page;
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("online map") << QStringLiteral("googlearth.html");
        QTest::newRow("offline map") << QStringLiteral("no_connection.html");
    }

    void routeIsDrawnBySpeed_data()
    {
        QTest::addColumn<QString>("points");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("runs");

        const QList<double> slow(6, 20.0);
        QTest::newRow("one band") << RouteJson(StraightRoute(slow)) << 6 << QStringLiteral("0:0-5");
        QTest::newRow("slow then fast")
            << RouteJson(StraightRoute({20, 20, 20, 20, 100, 100, 100, 100, 100})) << 9
            << QStringLiteral("0:0-4 3:4-8");
        QList<double> every;
        for (double speed : {10.0, 45.0, 75.0, 105.0, 140.0})
            every << speed << speed << speed << speed;
        QTest::newRow("every band") << RouteJson(StraightRoute(every)) << 20
                                    << QStringLiteral("0:0-4 1:4-8 2:8-12 3:12-16 4:16-19");
        // A step of kilometres between two fixes is a gap in the log, not a road.
        QList<Fix> jump = StraightRoute(slow);
        jump.append(StraightRoute(slow, 6, 22.60, 113.99));
        QTest::newRow("gap in the log") << RouteJson(jump) << 12 << QStringLiteral("0:0-5 0:6-11");
        QTest::newRow("bad entries skipped")
            << QStringLiteral("[[0,22.5354,113.9428,20], null, 5, [1], [1,22.5357], [\"x\",22.5,113.9,1],"
                              " [1,95,113.9,20], [1,22.5,181,20], [-1,22.5,113.9,20], [1,\"22.5357\",\"113.9431\",\"20\"],"
                              " [2,22.5360,113.9434,-5], [3,22.5363,113.9437], [4,22.5366,113.9440,null]]")
            << 5 << QStringLiteral("0:0-4");
        QTest::newRow("any order, first of a second wins")
            << QStringLiteral("[[3,22.5363,113.9437,100],[0,22.5354,113.9428,20],[2,22.5360,113.9434,20],"
                              "[1,22.5357,113.9431,20],[2,10,10,20],[4,22.5366,113.9440,100]]")
            << 5 << QStringLiteral("0:0-3 3:3-4");
        QTest::newRow("JSON text") << QStringLiteral("'%1'").arg(RouteJson(StraightRoute(slow))) << 6
                                   << QStringLiteral("0:0-5");
    }
    void routeIsDrawnBySpeed()
    {
        QFETCH(QString, points);
        QFETCH(int, count);
        QFETCH(QString, runs);
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        page.Js(QStringLiteral("showroute(%1)").arg(points));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.route.count")).toInt(), count);
        QCOMPARE(Runs(page), runs);
        // Every run is drawn in its band's colour.
        const QVariantList parsed = page.Js(QStringLiteral("vialumoMap.route.runs.map(function (r) {"
                                                           " return [r.band, vialumoMap.route.sec[(r.from + r.to) >> 1]]; })"))
                                        .toList();
        for (const QVariant &run : parsed) {
            const int band = run.toList().at(0).toInt();
            const int second = run.toList().at(1).toInt();
            QTRY_COMPARE(Pixel(page.Js(SegmentColour.arg(second))), BandColour(page, band));
        }
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void legendAndProfile()
    {
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        QCOMPARE(page.Js(QStringLiteral("getComputedStyle(document.querySelector('#legend')).display")).toString(),
                 QStringLiteral("none"));
        QList<double> speeds;
        for (int i = 0; i < 115; ++i)
            speeds << (i < 60 ? 20.0 : 130.0);
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(speeds, 5))));

        // The legend: one chip a band, in the route's colours, with their limits.
        QCOMPARE(page.Js(QStringLiteral("getComputedStyle(document.querySelector('#legend')).display")).toString(),
                 QStringLiteral("block"));
        // (A canvas writes any CSS colour back as #rrggbb.)
        const QStringList chips = page.Js(QStringLiteral("Array.prototype.map.call(document.querySelectorAll("
                                                         "'#legend .bar span'), function (e) {"
                                                         " var g = document.createElement('canvas').getContext('2d');"
                                                         " g.fillStyle = getComputedStyle(e).backgroundColor; return g.fillStyle; })"))
                                      .toStringList();
        QCOMPARE(chips.size(), 5);
        QSet<QRgb> distinct;
        for (int band = 0; band < chips.size(); ++band) {
            QCOMPARE(QColor(chips.at(band)), BandColour(page, band));
            distinct.insert(BandColour(page, band).rgb());
        }
        QCOMPARE(distinct.size(), 5);
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#legend .ticks').textContent")).toString(),
                 QStringLiteral("0306090120km/h"));

        // The profile spans the recording from its start to its last fix.
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#profile').getAttribute('data-seconds')")).toInt(), 120);
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#profile-chart').width")).toInt(), 300);
        // Bars where there are fixes, none before the first; slow ones lower than fast ones.
        const QString barHeight = QStringLiteral(
            "(function (second) { var c = document.querySelector('#profile-chart'), g = c.getContext('2d');"
            " var x = Math.floor((second + 0.5) / 120 * c.width), n = 0;"
            " for (var y = c.height - PROFILE_LABEL_HEIGHT - 1; y >= 0; y--) {"
            "   var d = g.getImageData(x, y, 1, 1).data;"
            "   if (Math.max(d[0], d[1], d[2]) > 100) n++; else break; }"
            " return n; })(%1)");
        QCOMPARE(page.Js(barHeight.arg(2)).toInt(), 0);
        const int slow = page.Js(barHeight.arg(30)).toInt();
        const int fast = page.Js(barHeight.arg(100)).toInt();
        QVERIFY2(slow > 0 && fast > 2 * slow, qPrintable(QStringLiteral("%1 %2").arg(slow).arg(fast)));

        // The pointer over the profile tells time and speed there.
        const int profileTop = 360 - page.Js(QStringLiteral("document.querySelector('#profile').offsetHeight")).toInt();
        QTest::mouseMove(page.Input(), QPoint(qRound(100.5 / 120 * 300), profileTop + 30));
        QTRY_COMPARE(page.Js(QStringLiteral("document.querySelector('#readout').textContent")).toString(),
                     QStringLiteral("1:40 \u00b7 130 km/h"));
        QTest::mouseMove(page.Input(), QPoint(qRound(2.5 / 120 * 300), profileTop + 30));
        QTRY_COMPARE(page.Js(QStringLiteral("document.querySelector('#readout').textContent")).toString(),
                     QStringLiteral("0:02 \u00b7 no fix"));

        // The playhead follows the clock.
        page.Js(QStringLiteral("setclock(60000, false)"));
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#playhead').style.transform")).toString(),
                 QStringLiteral("translateX(150px)"));
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    // The clip's marks on the profile: a tinted stretch, a line at each
    // mark set; kept when they come before the route.
    void clipMarksOnTheProfile_data()
    {
        QTest::addColumn<QString>("marks");
        QTest::addColumn<bool>("beforeRoute");
        QTest::addColumn<QString>("shown"); // stretch display, left, width; in; out
        QTest::newRow("both") << "30000, 75000" << false
                              << "block translateX(75px) 112.5px; block translateX(75px); block translateX(187.5px)";
        QTest::newRow("in only") << "30000, -1" << false
                                 << "block translateX(75px) 225px; block translateX(75px); none ";
        QTest::newRow("out only") << "null, 60000" << false
                                  << "block translateX(0px) 150px; none ; block translateX(150px)";
        QTest::newRow("none") << "-1, -1" << false << "none ; none ; none ";
        QTest::newRow("not numbers") << "'soon', {}" << false << "none ; none ; none ";
        QTest::newRow("before the route") << "30000, 75000" << true
                                          << "block translateX(75px) 112.5px; block translateX(75px); block translateX(187.5px)";
    }
    void clipMarksOnTheProfile()
    {
        QFETCH(QString, marks);
        QFETCH(bool, beforeRoute);
        QFETCH(QString, shown);
        MapPageView page;
        QVERIFY(page.Load());
        const QString route = QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(QList<double>(115, 50.0), 5)));
        // Marks set earlier are replaced, not added to.
        page.Js(QStringLiteral("setmarks(10000, 20000)"));
        if (!beforeRoute)
            page.Js(route);
        page.Js(QStringLiteral("setmarks(%1)").arg(marks));
        if (beforeRoute)
            page.Js(route);
        const QString state = page.Js(QStringLiteral(
            "(function () { function d(id) { var e = document.getElementById(id); return e.style.display + ' '"
            " + (e.style.display === 'none' ? '' : e.style.transform); }"
            " var r = document.getElementById('markrange');"
            " return (r.style.display === 'none' ? 'none ' : d('markrange') + ' ' + r.style.width)"
            " + '; ' + d('markin') + '; ' + d('markout'); })()")).toString();
        QCOMPARE(state, shown);
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void clickOnRouteSeeks_data()
    {
        QTest::addColumn<double>("along"); // fixes from the first, fractions between two
        QTest::addColumn<int>("second");   // -1: no seek
        QTest::newRow("first fix") << 0.0 << 10;
        QTest::newRow("a fix in the middle") << 4.0 << 14;
        QTest::newRow("nearer the earlier fix") << 6.3 << 16;
        QTest::newRow("nearer the later fix") << 6.7 << 17;
        QTest::newRow("last fix") << 9.0 << 19;
        QTest::newRow("beyond the end") << 11.0 << -1;
    }
    void clickOnRouteSeeks()
    {
        QFETCH(double, along);
        QFETCH(int, second);
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(QList<double>(10, 40.0), 10))));
        const QPoint at = page.ContainerPoint(22.5354 + 0.0003 * along, 113.9428 + 0.0003 * along);
        QTest::mouseClick(page.Input(), Qt::LeftButton, {}, at);
        if (second < 0) {
            QTest::qWait(300);
            QVERIFY(page.Player.Seconds.isEmpty());
        } else {
            QTRY_COMPARE(page.Player.Seconds, QList<int>{second});
        }
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void clickAndDragOnProfileSeek()
    {
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(QList<double>(100, 50.0)))));
        const int y = 360 - 20;
        auto xOf = [](int second) { return qRound((second + 0.5) / 100 * 300); };

        QTest::mouseClick(page.Input(), Qt::LeftButton, {}, QPoint(xOf(30), y));
        QTRY_COMPARE(page.Player.Seconds, QList<int>{30});

        page.Player.Seconds.clear();
        QTest::mousePress(page.Input(), Qt::LeftButton, {}, QPoint(xOf(10), y));
        for (int second = 15; second <= 80; second += 5) {
            QTest::mouseMove(page.Input(), QPoint(xOf(second), y));
            QTest::qWait(30);
        }
        QTest::mouseRelease(page.Input(), Qt::LeftButton, {}, QPoint(xOf(80), y));
        QTRY_VERIFY(!page.Player.Seconds.isEmpty() && page.Player.Seconds.last() == 80);
        // The drag starts where pressed and only moves on; it sends far
        // fewer seeks than the pointer moved.
        QCOMPARE(page.Player.Seconds.first(), 10);
        QVERIFY(std::is_sorted(page.Player.Seconds.begin(), page.Player.Seconds.end()));
        QVERIFY(page.Player.Seconds.size() < 14);
        // The page shows the new time at once.
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.seekSecond")).toInt(), 80);
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void carFollowsThePausedClock_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::newRow("before the first fix") << 1500 << false << 0.0 << 0.0;
        QTest::newRow("on a fix") << 3000 << true << 22.5003 << 113.9006;
        QTest::newRow("half way") << 3500 << true << 22.50035 << 113.9007;
        QTest::newRow("a quarter on") << 4250 << true << 22.500425 << 113.90085;
        QTest::newRow("across fixes missing on the road") << 6500 << true << 22.50065 << 113.9013;
        QTest::newRow("across a jump: held at the fix") << 8700 << true << 22.5008 << 113.9016;
        QTest::newRow("after the last fix") << 60000 << true << 22.55 << 113.95;
    }
    void carFollowsThePausedClock()
    {
        QFETCH(int, ms);
        QFETCH(bool, shown);
        QFETCH(double, lat);
        QFETCH(double, lon);
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(ClockRoute())));
        page.Js(QStringLiteral("setclock(%1, false)").arg(ms));
        const QVariant place = page.Js(CarPlace);
        QCOMPARE(place.isValid() && !place.isNull(), shown);
        if (shown) {
            const QVariantList ll = place.toList();
            QVERIFY2(Near(ll.at(0).toDouble(), lat) && Near(ll.at(1).toDouble(), lon),
                     qPrintable(QStringLiteral("%1,%2").arg(ll.at(0).toDouble(), 0, 'f', 7).arg(ll.at(1).toDouble(), 0, 'f', 7)));
        }
    }

    void carGlidesOnlyWhilePlaying()
    {
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(ClockRoute())));
        auto latitude = [&] { return page.Js(CarPlace).toList().value(0).toDouble(); };

        // Paused: no motion.
        page.Js(QStringLiteral("setclock(3100, false)"));
        const double paused = latitude();
        QTest::qWait(300);
        QCOMPARE(latitude(), paused);

        // Playing: it moves on by itself, up to the next fix and no further.
        page.Js(QStringLiteral("setclock(3100, true)"));
        QTRY_VERIFY(latitude() > paused);
        QTRY_VERIFY(Near(latitude(), 22.5004));
        QTest::qWait(300);
        QVERIFY(Near(latitude(), 22.5004));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.frame")).toInt(), 0); // nothing left to animate

        // A tick a little behind the glide does not pull the car back; a
        // pause stops it where the engine stands.
        page.Js(QStringLiteral("setclock(4000, true)"));
        QTRY_VERIFY(latitude() > 22.50041);
        const QVariantList lagging = page.Js(QStringLiteral("(function () { var before = %1[0]; setclock(4000, true);"
                                                            " return [before, %1[0]]; })()")
                                                 .arg(CarPlace)).toList();
        QVERIFY(lagging.value(1).toDouble() >= lagging.value(0).toDouble());
        page.Js(QStringLiteral("setclock(4300, false)"));
        QVERIFY(Near(latitude(), 22.50043));
        QTest::qWait(300);
        QVERIFY(Near(latitude(), 22.50043));

        // Past the last fix the car stays there while the clock runs.
        page.Js(QStringLiteral("setclock(9500, true)"));
        QTest::qWait(200);
        QVERIFY(Near(latitude(), 22.55));
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void previousRouteFadedAndNotFitted()
    {
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        // As the player sends them: the previous drive first, then this one's.
        const QList<Fix> previous = StraightRoute(QList<double>(10, 40.0), 0, 22.5200, 113.9228);
        page.Js(QStringLiteral("showpreviousroute(%1)").arg(RouteJson(previous)));
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(QList<double>(10, 40.0)))));
        const QString view = QStringLiteral("vialumoMap.map.getCenter().lat + ',' + vialumoMap.map.getCenter().lng"
                                            " + ',' + vialumoMap.map.getZoom()");
        const QString fitted = page.Js(view).toString();
        // The view is fitted on this recording's route alone.
        QVERIFY(!page.Js(QStringLiteral("vialumoMap.map.getBounds().contains([22.5200, 113.9228])")).toBool());
        QVERIFY(page.Js(QStringLiteral("vialumoMap.map.getBounds().contains([22.5354, 113.9428])")).toBool());

        // A later previous route does not move it either, and lies under the route.
        page.Js(QStringLiteral("showpreviousroute(%1)").arg(RouteJson(StraightRoute(QList<double>(10, 40.0), 0, 22.534, 113.941))));
        QCOMPARE(page.Js(view).toString(), fitted);
        QVERIFY(page.Js(QStringLiteral("+vialumoMap.previousLayer.getPane().style.zIndex"
                                       " < +vialumoMap.routeLayer.getPane().style.zIndex"))
                    .toBool());
        // Faded: drawn, but see-through and in one muted colour.
        const QString previousPixel = QStringLiteral(
            "(function () { var layer = vialumoMap.previousLayer, map = vialumoMap.map;"
            "  var p = map.latLngToLayerPoint([22.534 + 0.00045, 113.941 + 0.00045]), at = L.DomUtil.getPosition(layer.canvas);"
            "  var d = layer.canvas.getContext('2d').getImageData(Math.round(p.x - at.x), Math.round(p.y - at.y), 1, 1).data;"
            "  return [d[0], d[1], d[2], d[3]]; })()");
        const QColor faded = Pixel(page.Js(previousPixel));
        QVERIFY2(faded.alpha() > 40 && faded.alpha() < 160, qPrintable(faded.name(QColor::HexArgb)));
        // It is never clicked: a click on it seeks nothing.
        QTest::mouseClick(page.Input(), Qt::LeftButton, {}, page.ContainerPoint(22.534 + 0.0006, 113.941 + 0.0006));
        QTest::qWait(300);
        QVERIFY(page.Player.Seconds.isEmpty());
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void badCallsAreHarmless_data()
    {
        QTest::addColumn<QString>("call");
        for (const char *call :
             {"showroute()", "showroute(null)", "showroute(42)", "showroute('not json')", "showroute('{\"a\":1}')",
              "showroute({})", "showroute([])", "showroute([[]])", "showroute([[1,2]])", "showroute([['a','b','c','d']])",
              "showroute([[0,95,10,5]])", "showroute([[1e9,22.5,113.9,5]])", "showroute([[NaN,22.5,113.9,5]])",
              "showpreviousroute()", "showpreviousroute('[')", "showpreviousroute([[0,-91,0,0]])", "setclock()",
              "setclock('x', true)", "setclock(-5, true)", "setclock(NaN, false)", "setclock(Infinity, true)",
              "setclock(1e15, true)", "setclock(null, null)", "setstart()", "setposition('a','b')",
              "SetLocation(null, 1)", "setposition(91, 0)", "setmarks()", "setmarks('a', [])", "setmarks(-5, 1e99)"})
            QTest::newRow(call) << QString::fromLatin1(call);
    }
    void badCallsAreHarmless()
    {
        QFETCH(QString, call);
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        // Before any route...
        page.Js(call);
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.route === null && vialumoMap.clock.valid === false"
                                        " && vialumoMap.previousRoute === null")).toBool(), true);
        // ...and with one shown: it stays as it was.
        page.Js(QStringLiteral("showroute(%1); setclock(2500, false)").arg(RouteJson(StraightRoute(QList<double>(5, 30.0)))));
        const QString state = QStringLiteral("vialumoMap.route.count + ' ' + vialumoMap.clock.base + ' '"
                                             " + vialumoMap.routeLayer.route.count + ' ' + (" ) + CarPlace + QStringLiteral(")");
        const QString before = page.Js(state).toString();
        page.Js(call);
        page.Js(call);
        QCOMPARE(page.Js(state).toString(), before);
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void repeatedCallsReplaceNotAdd()
    {
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        const QString route = RouteJson(StraightRoute(QList<double>(8, 70.0)));
        for (int i = 0; i < 3; ++i) {
            page.Js(QStringLiteral("showroute(%1); showpreviousroute(%1); setclock(3000, false); setclock(3000, false)")
                        .arg(route));
        }
        // One canvas for each route, two end markers and the car.
        QCOMPARE(page.Js(QStringLiteral("document.querySelectorAll('.leaflet-route-pane canvas,"
                                        " .leaflet-previousRoute-pane canvas').length")).toInt(), 2);
        QCOMPARE(page.Js(QStringLiteral("document.querySelectorAll('.leaflet-marker-pane path').length")).toInt(), 3);
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.route.count")).toInt(), 8);
    }

    void callsBeforeTheMapAndWithoutIt()
    {
        const QString calls = QStringLiteral(
            "['showroute', 'showpreviousroute', 'setclock', 'setstart', 'setposition', 'SetLocation'].forEach(function (f) {"
            "  if (typeof window[f] === 'function') window[f](%1, %1, %1); });");
        const QString route = RouteJson(StraightRoute(QList<double>(30, 50.0)));

        // The player's guarded calls while the page is still loading.
        {
            MapPageView page;
            QVERIFY(page.Load(PageFile(), [&] {
                for (int i = 0; i < 5; ++i) {
                    page.Page->runJavaScript(calls.arg(route));
                    page.Page->runJavaScript(QStringLiteral("typeof setclock === 'function' && setclock(1000, true)"));
                    QTest::qWait(20);
                }
            }));
            QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
        }

        // A copy of the page and its scripts without the map library: no map,
        // but every call is harmless, and the profile still works.
        QTemporaryDir dir;
        const QString name = QFileInfo(PageFile()).fileName();
        QVERIFY(QFile::copy(PageFile(), dir.filePath(name)));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("map")));
        const QDir scripts(ImagesDir() + QStringLiteral("map"));
        for (const QString &file : scripts.entryList(QDir::Files))
            QVERIFY(QFile::copy(scripts.filePath(file), dir.filePath(QStringLiteral("map/") + file)));
        MapPageView page;
        QVERIFY(page.Load(dir.filePath(name)));
        QVERIFY(page.Js(QStringLiteral("document.querySelector('#message').textContent")).toString().contains(
            QStringLiteral("cannot be shown")));
        page.Js(calls.arg(route));
        page.Js(QStringLiteral("showroute(%1); setclock(12000, true); setclock(12000, false)").arg(route));
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#profile').getAttribute('data-seconds')")).toInt(), 30);
        QTest::mouseClick(page.Input(), Qt::LeftButton, {}, QPoint(qRound(20.5 / 30 * 300), 360 - 20));
        QTRY_COMPARE(page.Player.Seconds, QList<int>{20});
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void withoutChannelNoSeeking()
    {
        MapPageView page(false);
        QVERIFY(page.Load(PageFile()));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.player === null")).toBool(), true);
        page.Js(QStringLiteral("showroute(%1); setclock(2000, false)").arg(RouteJson(StraightRoute(QList<double>(10, 40.0)))));
        QTest::mouseClick(page.Input(), Qt::LeftButton, {}, page.ContainerPoint(22.5354 + 0.0009, 113.9428 + 0.0009));
        QTest::mouseClick(page.Input(), Qt::LeftButton, {}, QPoint(150, 360 - 20));
        QTest::qWait(300);
        // Nothing moved: without the player there is no seeking to show.
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.clock.base")).toDouble(), 2.0);
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void positionCallsBesideTheRoute()
    {
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        // Before a route: the line driven so far grows as it always did.
        page.Js(QStringLiteral("setstart(22.5354, 113.9428); setposition(22.5357, 113.9431); setposition(22.5360, 113.9434)"));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.trackPoints")).toInt(), 2);
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.map.getZoom()")).toInt(), 16);

        // With the route the whole line is there: no growing line, no second
        // start marker, and the view is the route's.
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(QList<double>(200, 60.0)))));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.track === null && vialumoMap.startMarker === null")).toBool(), true);
        const QString view = QStringLiteral("vialumoMap.map.getCenter().lat + ',' + vialumoMap.map.getZoom()");
        const QString fitted = page.Js(view).toString();
        QVERIFY(!fitted.endsWith(QLatin1String(",16")));
        page.Js(QStringLiteral("SetLocation(22.40, 113.40); setstart(22.5355, 113.9429)"));
        QCOMPARE(page.Js(view).toString(), fitted);
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.track === null && vialumoMap.startMarker === null")).toBool(), true);

        // Without a clock setposition still places the car; once the clock
        // comes, it places the car instead.
        page.Js(QStringLiteral("setposition(22.5363, 113.9437)"));
        QCOMPARE(page.Js(CarPlace).toList().value(0).toDouble(), 22.5363);
        page.Js(QStringLiteral("setclock(5000, false); setposition(22.5390, 113.9460)"));
        QVERIFY(Near(page.Js(CarPlace).toList().value(0).toDouble(), 22.5354 + 5 * 0.0003));
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    // km/h or mph: the legend, the profile's scale and readout, and the bands
    // that colour the route follow the unit; the route itself stays.
    void unitsChangeWhatIsShown()
    {
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        // 31 km/h is 19.3 mph, 89 km/h 55.3 mph: each crosses a band's limit
        // from one unit to the other; 130 km/h is in the top band in both.
        QList<double> speeds;
        for (double speed : {31.0, 89.0, 130.0})
            speeds << speed << speed << speed << speed;
        page.Js(QStringLiteral("showroute(%1)").arg(RouteJson(StraightRoute(speeds))));
        const QString legend = QStringLiteral("document.querySelector('#legend .ticks').textContent");
        const QString top = QStringLiteral("document.querySelector('#profile-top').textContent");
        QCOMPARE(page.Js(legend).toString(), QStringLiteral("0306090120km/h"));
        QCOMPARE(page.Js(top).toString(), QStringLiteral("140 km/h"));
        QCOMPARE(Runs(page), QStringLiteral("1:0-4 2:4-8 4:8-11"));

        const int profileTop = 360 - page.Js(QStringLiteral("document.querySelector('#profile').offsetHeight")).toInt();
        // (A move to where the pointer already is would not reach the page.)
        QTest::mouseMove(page.Input(), QPoint(qRound(3.5 / 12 * 300), profileTop + 20));
        QTest::mouseMove(page.Input(), QPoint(qRound(9.5 / 12 * 300), profileTop + 30));
        QTRY_COMPARE(page.Js(QStringLiteral("document.querySelector('#readout').textContent")).toString(),
                     QStringLiteral("0:09 \u00b7 130 km/h"));

        page.Js(QStringLiteral("setunits('mph')"));
        QCOMPARE(page.Js(legend).toString(), QStringLiteral("020405575mph"));
        QCOMPARE(page.Js(top).toString(), QStringLiteral("100 mph"));
        QCOMPARE(Runs(page), QStringLiteral("0:0-4 3:4-8 4:8-11"));
        // The readout under the pointer is written anew.
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#readout').textContent")).toString(),
                 QStringLiteral("0:09 \u00b7 81 mph"));
        // Redrawn in the new bands' colours.
        QTRY_COMPARE(Pixel(page.Js(SegmentColour.arg(1))), BandColour(page, 0));
        QTRY_COMPARE(Pixel(page.Js(SegmentColour.arg(5))), BandColour(page, 3));

        // And back; the same unit again changes nothing.
        page.Js(QStringLiteral("setunits('kmh'); setunits('km/h')"));
        QCOMPARE(page.Js(legend).toString(), QStringLiteral("0306090120km/h"));
        QCOMPARE(Runs(page), QStringLiteral("1:0-4 2:4-8 4:8-11"));
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void staleTicksAfterASeekAreNotShown()
    {
        MapPageView page;
        QVERIFY(page.Load(PageFile()));
        page.Js(QStringLiteral("showroute(%1); setclock(5000, true)").arg(RouteJson(StraightRoute(QList<double>(100, 50.0)))));
        // A tick sent before the player moved the engine does not pull the
        // playhead back; the engine's new time is taken.
        QVERIFY(page.Js(QStringLiteral("vialumoSeek(70); setclock(5250, true); vialumoMap.clock.base")).toDouble() >= 70.0);
        QCOMPARE(page.Player.Seconds, QList<int>{70});
        page.Js(QStringLiteral("setclock(70100, false)"));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.clock.base")).toDouble(), 70.1);
    }
};

QTEST_MAIN(TestMapRoute)
#include "tst_map_route.moc"

// The map pages' base (map/basemap.js) in the real deployed pages: the
// offline map's shipped land, lakes, borders, graticule, scale bar and note,
// drawn without a single request to the network, and the tiles the player
// names (settiles) over either page's base.
#include "mappagedriver.h"
#include "requestcounter.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QWebEngineProfile>
#include <QtTest>

using namespace mappagedriver;

namespace {

QString OfflinePage()
{
    return ImagesDir() + QStringLiteral("no_connection.html");
}

// The base canvas's colour where the page shows a point, as [r, g, b, a].
QColor BaseColour(MapPageView &page, double lat, double lon)
{
    const QVariantList v = page.Js(QStringLiteral(
                                       "(function (lat, lon) { var layer = vialumoMap.baseLayer, map = vialumoMap.map;"
                                       "  var p = map.latLngToLayerPoint([lat, lon]), at = L.DomUtil.getPosition(layer.canvas);"
                                       "  var ratio = window.devicePixelRatio || 1;"
                                       "  var d = layer.canvas.getContext('2d').getImageData(Math.round((p.x - at.x) * ratio),"
                                       "      Math.round((p.y - at.y) * ratio), 1, 1).data;"
                                       "  return [d[0], d[1], d[2], d[3]]; })(%1, %2)")
                                       .arg(lat, 0, 'g', 10)
                                       .arg(lon, 0, 'g', 10))
                               .toList();
    return v.size() == 4 ? QColor(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt()) : QColor();
}

QColor PageColour(MapPageView &page, const char *name)
{
    return QColor(page.Js(QString::fromLatin1(name)).toString());
}

void WriteTile(const QString &root, int z, int x, int y, const QColor &colour)
{
    QDir().mkpath(QStringLiteral("%1/%2/%3").arg(root).arg(z).arg(x));
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(colour);
    tile.save(QStringLiteral("%1/%2/%3/%4.png").arg(root).arg(z).arg(x).arg(y));
}

} // namespace

class TestMapBaseMap : public QObject
{
    Q_OBJECT
public:
    static void initMain() { QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); }

private:
    RequestCounter Requests;

private slots:
    void initTestCase() { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&Requests); }
    void cleanupTestCase() { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr); }
    void init() { Requests.Clear(); }

    void landAndWaterWhereTheyAre_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<bool>("land");
        QTest::newRow("Paris") << 48.86 << 2.35 << true;
        QTest::newRow("Shenzhen") << 22.6 << 114.06 << true;
        QTest::newRow("Buenos Aires") << -34.61 << -58.44 << true;
        QTest::newRow("Nairobi") << -1.29 << 36.82 << true;
        QTest::newRow("Atlantic") << 31.0 << -41.0 << false;
        QTest::newRow("South China Sea") << 16.0 << 113.0 << false;
        QTest::newRow("Lake Victoria") << -1.2 << 33.0 << false;
        QTest::newRow("Lake Superior") << 47.6 << -87.6 << false;
        QTest::newRow("Lake Baikal") << 53.6 << 108.2 << false;
    }
    void landAndWaterWhereTheyAre()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(bool, land);
        MapPageView page;
        QVERIFY(page.Load(OfflinePage()));
        page.Js(QStringLiteral("vialumoMap.map.setView([%1, %2], 6, { animate: false })").arg(lat).arg(lon));
        const QColor found = BaseColour(page, lat, lon);
        if (land)
            QCOMPARE(found, PageColour(page, "BASE_LAND"));
        else
            QVERIFY2(found.alpha() == 0 || found == PageColour(page, "BASE_SEA"), qPrintable(found.name(QColor::HexArgb)));
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
        QCOMPARE(Requests.Outside(), QStringList());
    }

    // A drive on the offline map: its route, profile, car and seeking as on
    // the online map, over the world, the graticule, the scale bar and the
    // note; and nothing asked of the network all along.
    void offlineDriveAsksNothingOfTheNetwork()
    {
        MapPageView page;
        QVERIFY(page.Load(OfflinePage()));
        QCOMPARE(page.Js(QStringLiteral("document.title")).toString(), QStringLiteral("Map not reachable"));
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#offline-note').textContent")).toString(),
                 QStringLiteral("Offline \u2014 no map tiles"));
        // Shapes enough for a world, borders where countries meet.
        const QVariantList counts = page.Js(QStringLiteral("(function () { var w = vialumoWorldShapes();"
                                                           " return [w.land.length, w.borders.length, w.lakes.length]; })()"))
                                        .toList();
        QCOMPARE(counts.size(), 3);
        QVERIFY2(counts.at(0).toInt() > 1000 && counts.at(1).toInt() > 300 && counts.at(2).toInt() > 100,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(counts.at(0).toInt()).arg(counts.at(1).toInt())
                                .arg(counts.at(2).toInt())));
        // The whole world at first, with a scale bar in the unit shown.
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.map.getZoom()")).toInt(), 2);
        QVERIFY(page.Js(QStringLiteral("document.querySelector('.leaflet-control-scale-line').textContent"))
                    .toString().contains(QRegularExpression(QStringLiteral("^\\d+ k?m$"))));

        page.Js(QStringLiteral("showroute(%1); setclock(4000, true); setstart(22.5354, 113.9428)")
                    .arg(RouteJson(StraightRoute(QList<double>(30, 50.0)))));
        QVERIFY(page.Js(QStringLiteral("vialumoMap.routeDrawn !== null && vialumoMap.carShown")).toBool());
        QCOMPARE(page.Js(QStringLiteral("getComputedStyle(document.querySelector('#profile')).display")).toString(),
                 QStringLiteral("block"));
        QTest::mouseClick(page.Input(), Qt::LeftButton, {}, QPoint(qRound(20.5 / 30 * 300), 360 - 20));
        QTRY_COMPARE(page.Player.Seconds, QList<int>{20});
        page.Js(QStringLiteral("setunits('mph')"));
        QVERIFY(page.Js(QStringLiteral("document.querySelector('.leaflet-control-scale-line').textContent"))
                    .toString().contains(QRegularExpression(QStringLiteral("^\\d+ (mi|ft)$"))));
        // Zoomed out and about: still nothing but local files.
        page.Js(QStringLiteral("vialumoMap.map.setView([0, 0], 3, { animate: false }); vialumoMap.map.panBy([400, 0])"));
        QTest::qWait(300);
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
        QVERIFY(Requests.Count() > 5);
        QCOMPARE(Requests.Outside(), QStringList());
    }

    // Tiles on this computer over the offline base: those that load show, a
    // missing one leaves the base visible under it.
    void tilesOverTheOfflineBase()
    {
        QTemporaryDir tiles;
        // Zoom 2, the tiles around [0, 0]: two of them present.
        WriteTile(tiles.path(), 2, 1, 1, QColor(200, 40, 200));
        WriteTile(tiles.path(), 2, 2, 2, QColor(40, 200, 200));
        MapPageView page;
        QVERIFY(page.Load(OfflinePage()));
        const QString tilesUrl = QUrl::fromLocalFile(tiles.path()).toString() + QStringLiteral("/{z}/{x}/{y}.png");
        page.Js(QStringLiteral("vialumoMap.map.setView([0, 0], 2, { animate: false }); settiles('%1')").arg(tilesUrl));
        const QString loaded = QStringLiteral(
            "Array.prototype.filter.call(document.querySelectorAll('.leaflet-tile'), function (t) {"
            " return t.classList.contains('leaflet-tile-loaded') && t.style.visibility !== 'hidden'; }).length");
        const QString hidden = QStringLiteral(
            "Array.prototype.filter.call(document.querySelectorAll('.leaflet-tile'), function (t) {"
            " return t.style.visibility === 'hidden'; }).length");
        QTRY_COMPARE(page.Js(loaded).toInt(), 2);
        QTRY_VERIFY(page.Js(hidden).toInt() >= 2);
        // The base is still drawn, under the tiles.
        QCOMPARE(BaseColour(page, 0.5, 20.0), PageColour(page, "BASE_LAND")); // Gabon
        QVERIFY(page.Js(QStringLiteral("+vialumoMap.baseLayer.getPane().style.zIndex"
                                       " < +getComputedStyle(vialumoMap.map.getPane('tilePane')).zIndex"))
                    .toBool());
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#offline-note').textContent")).toString(),
                 QStringLiteral("Offline \u2014 map tiles from this computer"));

        // Templates that would reach the network are refused; the tiles stay.
        for (const char *refused : {"https://tile.example.org/{z}/{x}/{y}.png", "HTTP://tile.example.org/{z}/{x}/{y}",
                                    "ws://tile.example.org/{z}/{x}/{y}", "//tile.example.org/{z}/{x}/{y}",
                                    "file:///no/placeholders.png"}) {
            page.Js(QStringLiteral("settiles('%1')").arg(QLatin1String(refused)));
            QCOMPARE(page.Js(QStringLiteral("vialumoMap.tileTemplate")).toString(), tilesUrl);
        }
        // None: back to the base alone.
        page.Js(QStringLiteral("settiles('')"));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.tileLayer === null && vialumoMap.tileTemplate === null")).toBool(), true);
        QCOMPARE(page.Js(QStringLiteral("document.querySelectorAll('.leaflet-tile').length")).toInt(), 0);
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#offline-note').textContent")).toString(),
                 QStringLiteral("Offline \u2014 no map tiles"));
        // Tiles that cover none of the view: the note still says there are none.
        QTemporaryDir elsewhere;
        page.Js(QStringLiteral("settiles('%1')")
                    .arg(QUrl::fromLocalFile(elsewhere.path()).toString() + QStringLiteral("/{z}/{x}/{y}.png")));
        QTRY_VERIFY(page.Js(hidden).toInt() >= 4);
        QCOMPARE(page.Js(QStringLiteral("document.querySelector('#offline-note').textContent")).toString(),
                 QStringLiteral("Offline \u2014 no map tiles"));
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
        QCOMPARE(Requests.Outside(), QStringList());
    }

    // The online map takes the player's tiles in place of the tile
    // server's, and goes back to them with an empty template.
    void onlineMapTakesThePlayersTiles()
    {
        MapPageView page;
        QVERIFY(page.Load());
        const QString server = page.Js(QStringLiteral("TILE_URL")).toString();
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.tileLayer._url")).toString(), server);
        page.Js(QStringLiteral("settiles('vialumo-tiles://tile/{z}/{x}/{y}')"));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.tileLayer._url")).toString(),
                 QStringLiteral("vialumo-tiles://tile/{z}/{x}/{y}"));
        // Online, a server's template is the player's to choose.
        page.Js(QStringLiteral("settiles('https://tiles.example.org/{z}/{x}/{y}.png')"));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.tileLayer._url")).toString(),
                 QStringLiteral("https://tiles.example.org/{z}/{x}/{y}.png"));
        page.Js(QStringLiteral("settiles('')"));
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.tileLayer._url")).toString(), server);
        QCOMPARE(page.Js(QStringLiteral("(function () { var n = 0; vialumoMap.map.eachLayer(function (l) {"
                                        " if (l instanceof L.TileLayer) n++; }); return n; })()")).toInt(), 1);
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }

    void badTileCallsAreHarmless_data()
    {
        QTest::addColumn<QString>("call");
        for (const char *call : {"settiles()", "settiles(null)", "settiles(42)", "settiles({})", "settiles(['{z}{x}{y}'])",
                                 "settiles('no placeholders')", "settiles('/relative/{z}/{x}/{y}.png')",
                                 "settiles('{z}/{x}/{y}')", "setunits()", "setunits('knots')", "setunits(42)",
                                 "setunits('MPH')"})
            QTest::newRow(call) << QString::fromLatin1(call);
    }
    void badTileCallsAreHarmless()
    {
        QFETCH(QString, call);
        MapPageView page;
        QVERIFY(page.Load(OfflinePage()));
        page.Js(call);
        page.Js(call);
        QCOMPARE(page.Js(QStringLiteral("vialumoMap.tileTemplate === null && vialumoMap.tileLayer === null"
                                        " && vialumoMap.unit === 'kmh'")).toBool(), true);
        QVERIFY2(page.Page->Errors.isEmpty(), qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestMapBaseMap)
#include "tst_map_basemap.moc"

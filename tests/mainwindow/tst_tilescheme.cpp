// The program's tile scheme in a real web view: a page asking for tiles gets
// the bytes of the user's offline maps (MBTiles and PMTiles), a request the
// maps cannot answer goes to the tile server (a local stand-in), a URL that
// names no tile fails; and the real online map page, once told to take its
// tiles through the scheme, sends nothing to the network while an offline
// map covers its view.
#include <QtTest>

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "console/umapscript.h"
#include "mainwindow/utileschemehandler.h"
#include "tilefiles.h"
#include "tiles/uofflinemap.h"
#include "tiles/utilescheme.h"
#include "tiles/utileservice.h"

#include <cmath>

using namespace tilefiles;

namespace {

// A PNG whose size names the tile: the page can tell which bytes it got.
QByteArray SizedPng(const UTileId &Tile)
{
    QImage image(100 + Tile.X * 10 + Tile.Z, 50 + Tile.Y * 10, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Counts what the pages ask for, by scheme.
class RequestCounter : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo &Info) override
    {
        QMutexLocker locker(&Lock);
        const QString scheme = Info.requestUrl().scheme();
        if (scheme == UTileScheme::Name())
            ++Tiles;
        else if (scheme != "file" && scheme != "data" && scheme != "qrc")
            Foreign << Info.requestUrl().toString();
    }
    void Reset()
    {
        QMutexLocker locker(&Lock);
        Tiles = 0;
        Foreign.clear();
    }
    QMutex Lock;
    int Tiles = 0;
    QStringList Foreign;
};

// The tile server's stand-in: counts requests, has no tiles.
class NoTiles : public QTcpServer
{
public:
    int Requests = 0;
    NoTiles()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    ++Requests;
                    socket->write("HTTP/1.1 404 Not Found\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
                    socket->disconnectFromHost();
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }
};

// Runs the event loop until Done holds, without the sleeps of
// QTest::qWaitFor: the web engine hops through this thread many times.
bool Spin(const std::function<bool()> &Done, int TimeoutMs)
{
    if (Done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Done() || clock.elapsed() > TimeoutMs)
            loop.quit();
    });
    poll.start(2);
    loop.exec();
    return Done();
}

QVariant Evaluate(QWebEnginePage *Page, const QString &Script)
{
    QVariant result;
    bool done = false;
    Page->runJavaScript(Script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    Spin([&] { return done; }, 10000);
    return result;
}

UTileId TileAt(double Lat, double Lon, int Zoom)
{
    const double side = std::ldexp(1.0, Zoom);
    const double r = Lat * M_PI / 180.0;
    return {Zoom, int((Lon + 180.0) / 360.0 * side), int((1.0 - std::asinh(std::tan(r)) / M_PI) / 2.0 * side)};
}

// A web view with a profile of its own, whose tiles come through the
// program's scheme handler.
struct TileView
{
    QTemporaryDir Dir;
    NoTiles Server;
    QWebEngineProfile Profile;
    RequestCounter Counter;
    UTileService Service;
    UTileSchemeHandler Handler;
    QWebEngineView View;
    QWebEnginePage *Page;

    TileView()
        : Service(Options())
        , Handler(&Service)
    {
        Profile.setUrlRequestInterceptor(&Counter);
        Profile.installUrlSchemeHandler(UTileScheme::Name().toLatin1(), &Handler);
        Page = new QWebEnginePage(&Profile, &View);
        Page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
        View.setPage(Page);
        View.resize(300, 360);
        View.show();
    }
    ~TileView() { delete Page; }

    UTileService::Options Options()
    {
        UTileService::Options options;
        options.CacheFolder = Dir.filePath("cache");
        options.ServerTemplate = QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(Server.serverPort());
        options.UserAgent = "Vialumo/test";
        return options;
    }

    bool Load(const QUrl &Url)
    {
        QSignalSpy loaded(Page, &QWebEnginePage::loadFinished);
        Page->setUrl(Url);
        return loaded.wait(30000) && loaded.first().first().toBool();
    }
};

} // namespace

class TestTileScheme : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        UTileSchemeHandler::RegisterScheme();
    }

private slots:
    void aPageGetsTheTilesOfTheOfflineMaps()
    {
        TileView v;
        const UTileId fromMb{1, 0, 1}, fromPm{3, 5, 2}, nowhere{3, 0, 0};
        const QString mb = v.Dir.filePath("a.mbtiles");
        const QString pm = v.Dir.filePath("b.pmtiles");
        QVERIFY(WriteMbTiles(mb, {{fromMb, SizedPng(fromMb)}}, PngMetadata()));
        QVERIFY(WriteFile(pm, PmTilesBytes({{fromPm, SizedPng(fromPm)}})));
        QString error;
        v.Service.SetOfflineMaps({std::shared_ptr<UOfflineMap>(UOfflineMap::Open(mb, &error)),
                                  std::shared_ptr<UOfflineMap>(UOfflineMap::Open(pm, &error))});

        QString body = "<script>var results = {};</script>";
        const QList<QPair<QString, QUrl>> images{{"mb", UTileScheme::UrlOf(fromMb)},
                                                 {"pm", UTileScheme::UrlOf(fromPm)},
                                                 {"nowhere", UTileScheme::UrlOf(nowhere)},
                                                 {"bad", QUrl("vialumo-tiles://tile/99/0/0")}};
        for (const auto &image : images)
            body += QStringLiteral("<img id=\"%1\" src=\"%2\" onload=\"results['%1'] = this.naturalWidth + 'x' + "
                                   "this.naturalHeight\" onerror=\"results['%1'] = 'error'\">")
                        .arg(image.first, image.second.toString());
        const QString page = v.Dir.filePath("tiles.html");
        QVERIFY(WriteFile(page, "<!DOCTYPE html><html><body>" + body.toUtf8() + "</body></html>"));
        QVERIFY(v.Load(QUrl::fromLocalFile(page)));
        QVERIFY(Spin([&] { return Evaluate(v.Page, "Object.keys(results).length").toInt() == 4; }, 20000));
        const QVariantMap results = Evaluate(v.Page, "results").toMap();
        QCOMPARE(results.value("mb").toString(), QString("%1x%2").arg(100 + 0 + 1).arg(50 + 10));
        QCOMPARE(results.value("pm").toString(), QString("%1x%2").arg(100 + 50 + 3).arg(50 + 20));
        QCOMPARE(results.value("nowhere").toString(), QString("error"));
        QCOMPARE(results.value("bad").toString(), QString("error"));
        // Only the tile no map holds went to the server.
        QCOMPARE(v.Server.Requests, 1);
    }

    void nothingLeavesWhileAnOfflineMapCoversTheView()
    {
        TileView v;
        // Around the view SetLocation sets: zoom 13 over Shenzhen, with room
        // on every side.
        const double lat = 22.5431, lon = 114.0579;
        const UTileId centre = TileAt(lat, lon, 13);
        QList<MapTile> tiles;
        for (int dx = -4; dx <= 4; ++dx)
            for (int dy = -4; dy <= 4; ++dy) {
                const UTileId tile{13, centre.X + dx, centre.Y + dy};
                tiles.append({tile, SizedPng({0, 156, 206})});
            }
        const QString mb = v.Dir.filePath("shenzhen.mbtiles");
        QVERIFY(WriteMbTiles(mb, tiles, PngMetadata(13, 13)));
        QString error;
        v.Service.SetOfflineMaps({std::shared_ptr<UOfflineMap>(UOfflineMap::Open(mb, &error))});

        // The page's load itself asks the tile server whether it is online
        // (here it is not): that is the page's own probe, before any view.
        QVERIFY(v.Load(QUrl::fromLocalFile(QStringLiteral(VIALUMO_DEPLOY_DIR "/images/googlearth.html"))));
        v.Counter.Reset();
        Evaluate(v.Page, UMapScript::SetTilesCall(UTileScheme::Template()));
        Evaluate(v.Page, QStringLiteral("SetLocation(%1,%2)").arg(lat).arg(lon));
        QVERIFY(Spin([&] { return Evaluate(v.Page, "document.querySelectorAll('.leaflet-tile-loaded').length").toInt() >= 4; },
                     20000));
        // Pan a little, as following the car does.
        Evaluate(v.Page, "vialumoMap.map.panBy([60, 40], {animate: false})");
        QElapsedTimer settle;
        settle.start();
        Spin([&] { return settle.elapsed() > 800; }, 2000);
        QMutexLocker locker(&v.Counter.Lock);
        QVERIFY(v.Counter.Tiles >= 4);
        QVERIFY2(v.Counter.Foreign.isEmpty(), qPrintable(v.Counter.Foreign.join('\n')));
        QCOMPARE(v.Server.Requests, 0);
        QCOMPARE(Evaluate(v.Page, "document.querySelectorAll('.leaflet-tile').length - "
                                  "document.querySelectorAll('.leaflet-tile-loaded').length").toInt(), 0);
    }
};

QTEST_MAIN(TestTileScheme)
#include "tst_tilescheme.moc"

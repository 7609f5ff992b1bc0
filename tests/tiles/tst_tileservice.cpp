// The tile service: offline maps first, then the cache while fresh, then
// the tile server (through a local stand-in), whose answers are kept as its
// caching headers say; one request per tile, two at a time, none for a page
// that has gone, and the server left alone for a while once unreachable.
#include <QtTest>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "tilefiles.h"
#include "tiles/uofflinemap.h"
#include "tiles/utileservice.h"

using namespace tilefiles;

namespace {

const QByteArray UserAgent = "Vialumo/test";

struct Reply
{
    int Status = 200;
    QByteArray Headers; // extra header lines, each ending in \r\n
    QByteArray Body;
    bool Hang = false;  // close without answering
};

// A tile server on 127.0.0.1 that records each request.
class StandIn : public QTcpServer
{
public:
    std::function<Reply(const QByteArray &Path)> Answer = [](const QByteArray &Path) {
        return Reply{200, "Cache-Control: max-age=3600\r\n", FakePng({0, 0, 0}, Path)};
    };
    QList<QByteArray> Requests;
    bool Hold = false;
    QList<QPair<QTcpSocket *, QByteArray>> Held;

    StandIn()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    Buffers[socket] += socket->readAll();
                    if (!Buffers[socket].contains("\r\n\r\n"))
                        return;
                    const QByteArray request = Buffers.take(socket);
                    Requests << request;
                    const QByteArray path = request.split(' ').value(1);
                    if (Hold)
                        Held.append({socket, path});
                    else
                        Send(socket, path);
                });
            }
        });
        listen(QHostAddress::LocalHost);
    }

    QString Template() const { return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(serverPort()); }

    void Release()
    {
        Hold = false;
        for (const auto &held : std::as_const(Held))
            Send(held.first, held.second);
        Held.clear();
    }

    QByteArray Header(int Request, const QByteArray &Name) const
    {
        for (const QByteArray &line : Requests.value(Request).split('\n')) {
            if (line.toLower().startsWith(Name.toLower() + ":"))
                return line.mid(Name.size() + 1).trimmed();
        }
        return QByteArray();
    }

private:
    void Send(QTcpSocket *Socket, const QByteArray &Path)
    {
        const Reply reply = Answer(Path);
        if (!reply.Hang) {
            Socket->write("HTTP/1.1 " + QByteArray::number(reply.Status) + " X\r\nConnection: close\r\nContent-Length: "
                          + QByteArray::number(reply.Body.size()) + "\r\n" + reply.Headers + "\r\n" + reply.Body);
        }
        Socket->disconnectFromHost();
    }

    QHash<QTcpSocket *, QByteArray> Buffers;
};

// Asks the service and waits for its answer.
UTileAnswer Ask(UTileService &Service, const UTileId &Tile)
{
    QObject receiver;
    std::optional<UTileAnswer> answer;
    Service.Request(Tile, &receiver, [&](const UTileAnswer &a) { answer = a; });
    // Never answered within the call.
    if (answer)
        qWarning("answered within the call");
    if (!QTest::qWaitFor([&] { return answer.has_value(); }, 20000))
        qWarning("no answer");
    return answer.value_or(UTileAnswer());
}

} // namespace

class TestTileService : public QObject
{
    Q_OBJECT

private:
    UTileService::Options Options(const QTemporaryDir &Dir, const StandIn &Server)
    {
        UTileService::Options options;
        options.CacheFolder = Dir.filePath("cache");
        options.ServerTemplate = Server.Template();
        options.UserAgent = UserAgent;
        return options;
    }

private slots:
    void offlineMapThenCacheThenServer()
    {
        QTemporaryDir dir;
        StandIn server;
        UTileService service(Options(dir, server));
        const UTileId mapped{3, 5, 2}, elsewhere{3, 1, 1};
        const QString path = dir.filePath("map.mbtiles");
        QVERIFY(WriteMbTiles(path, {{mapped, FakePng(mapped)}}, PngMetadata()));
        QString error;
        service.SetOfflineMaps({std::shared_ptr<UOfflineMap>(UOfflineMap::Open(path, &error))});

        UTileAnswer answer = Ask(service, mapped);
        QCOMPARE(answer.Origin, UTileOrigin::OfflineMap);
        QCOMPARE(answer.Data, FakePng(mapped));
        QCOMPARE(answer.Mime, QByteArray("image/png"));
        QCOMPARE(server.Requests.size(), 0);

        answer = Ask(service, elsewhere);
        QCOMPARE(answer.Origin, UTileOrigin::Server);
        QCOMPARE(answer.Data, FakePng({0, 0, 0}, "/3/1/1.png"));
        QCOMPARE(server.Requests.size(), 1);
        QVERIFY(server.Requests.first().startsWith("GET /3/1/1.png "));
        QCOMPARE(server.Header(0, "User-Agent"), UserAgent);
        // Kept, fresh for the hour the server said.
        QTRY_VERIFY(service.Cache().Contains(elsewhere));
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        const std::optional<UCachedTile> kept = service.Cache().Get(elsewhere);
        QVERIFY(kept && kept->ExpiresMs > now + 3500 * 1000 && kept->ExpiresMs <= now + 3600 * 1000);

        answer = Ask(service, elsewhere);
        QCOMPARE(answer.Origin, UTileOrigin::Cache);
        QCOMPARE(answer.Data, FakePng({0, 0, 0}, "/3/1/1.png"));
        QCOMPARE(server.Requests.size(), 1);
        // The map's tiles never went into the cache.
        QVERIFY(!service.Cache().Contains(mapped));
    }

    void staleTilesAreAskedAboutAgain()
    {
        QTemporaryDir dir;
        StandIn server;
        UTileService service(Options(dir, server));
        const UTileId tile{6, 10, 20};
        QVERIFY(service.Cache().Put(tile, UCachedTile{FakePng(tile, "old"), 1, "\"v1\""}));
        server.Answer = [](const QByteArray &) { return Reply{304, "Cache-Control: max-age=600\r\n", QByteArray()}; };
        UTileAnswer answer = Ask(service, tile);
        QCOMPARE(answer.Data, FakePng(tile, "old"));
        QCOMPARE(server.Header(0, "If-None-Match"), QByteArray("\"v1\""));
        QTRY_VERIFY(service.Cache().Get(tile)->IsFresh(QDateTime::currentMSecsSinceEpoch() + 500 * 1000));

        // A changed tile replaces the old one.
        const UTileId other{6, 11, 20};
        QVERIFY(service.Cache().Put(other, UCachedTile{FakePng(other, "old"), 1, "\"v1\""}));
        server.Answer = [](const QByteArray &) {
            return Reply{200, "ETag: \"v2\"\r\nExpires: Thu, 01 Jan 2099 00:00:00 GMT\r\n", FakePng({0, 0, 0}, "new")};
        };
        answer = Ask(service, other);
        QCOMPARE(answer.Origin, UTileOrigin::Server);
        QCOMPARE(answer.Data, FakePng({0, 0, 0}, "new"));
        QTRY_COMPARE(service.Cache().Get(other)->ETag, QByteArray("\"v2\""));
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(service.Cache().Get(other)->ExpiresMs, Qt::UTC).date().year(), 2099);
    }

    void unreachableServerIsLeftAlone_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("hang");
        QTest::newRow("connection dropped") << 200 << true;
        QTest::newRow("too many requests") << 429 << false;
        QTest::newRow("unavailable") << 503 << false;
    }
    void unreachableServerIsLeftAlone()
    {
        QFETCH(int, status);
        QFETCH(bool, hang);
        QTemporaryDir dir;
        StandIn server;
        server.Answer = [=](const QByteArray &) { return Reply{status, QByteArray(), QByteArray(), hang}; };
        UTileService service(Options(dir, server));
        const UTileId stale{7, 1, 1}, unknown{7, 2, 2}, later{7, 3, 3};
        QVERIFY(service.Cache().Put(stale, UCachedTile{FakePng(stale), 1, QByteArray()}));
        // The stale tile is better than none.
        UTileAnswer answer = Ask(service, stale);
        QCOMPARE(answer.Origin, UTileOrigin::Cache);
        QCOMPARE(answer.Data, FakePng(stale));
        // (The network library tries once more on a dropped connection.)
        const qsizetype asked = server.Requests.size();
        QVERIFY(asked >= 1 && asked <= 2);
        // For a while the server is not asked at all.
        answer = Ask(service, unknown);
        QCOMPARE(answer.Origin, UTileOrigin::None);
        answer = Ask(service, later);
        QCOMPARE(answer.Origin, UTileOrigin::None);
        QCOMPARE(server.Requests.size(), asked);
    }

    void whatCannotBeKeptOrShown_data()
    {
        QTest::addColumn<QByteArray>("headers");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("kept");
        QTest::newRow("no-store") << QByteArray("Cache-Control: no-store\r\n") << FakePng({0, 0, 0}) << true << false;
        QTest::newRow("a page, not a picture") << QByteArray() << QByteArray("<html>blocked</html>") << false << false;
        QTest::newRow("nothing said: kept a day") << QByteArray() << FakePng({0, 0, 0}) << true << true;
    }
    void whatCannotBeKeptOrShown()
    {
        QFETCH(QByteArray, headers);
        QFETCH(QByteArray, body);
        QFETCH(bool, shown);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        StandIn server;
        server.Answer = [=](const QByteArray &) { return Reply{200, headers, body}; };
        UTileService service(Options(dir, server));
        const UTileId tile{9, 9, 9};
        const UTileAnswer answer = Ask(service, tile);
        QCOMPARE(!answer.Data.isEmpty(), shown);
        if (kept) {
            QTRY_VERIFY(service.Cache().Contains(tile));
            QVERIFY(service.Cache().Get(tile)->ExpiresMs > QDateTime::currentMSecsSinceEpoch() + 23 * 3600 * 1000);
        } else {
            QTest::qWait(200);
            QVERIFY(!service.Cache().Contains(tile));
        }
    }

    void oneRequestPerTileTwoAtATime()
    {
        QTemporaryDir dir;
        StandIn server;
        server.Hold = true;
        UTileService service(Options(dir, server));
        QObject receiver;
        int answers = 0;
        for (int x = 0; x < 5; ++x) {
            // Each tile asked twice, as two views of a page would.
            for (int twice = 0; twice < 2; ++twice)
                service.Request({4, x, 0}, &receiver, [&](const UTileAnswer &a) { answers += a.Origin == UTileOrigin::Server; });
        }
        QTRY_COMPARE(server.Held.size(), 2);
        QTest::qWait(300);
        QCOMPARE(server.Held.size(), 2);
        QCOMPARE(server.Requests.size(), 2);
        server.Release();
        QTRY_COMPARE(answers, 10);
        QCOMPARE(server.Requests.size(), 5);
    }

    void nothingIsFetchedForAPageThatWent()
    {
        QTemporaryDir dir;
        StandIn server;
        UTileService service(Options(dir, server));
        auto *page = new QObject;
        bool called = false;
        service.Request({5, 5, 5}, page, [&](const UTileAnswer &) { called = true; });
        delete page;
        QTest::qWait(400);
        QCOMPARE(server.Requests.size(), 0);
        QVERIFY(!called);
    }

    void withoutAServerOnlyMapsAndCache()
    {
        QTemporaryDir dir;
        StandIn server;
        UTileService::Options options = Options(dir, server);
        options.ServerTemplate.clear();
        UTileService service(options);
        const UTileId stale{2, 1, 1};
        QVERIFY(service.Cache().Put(stale, UCachedTile{FakePng(stale), 1, QByteArray()}));
        QCOMPARE(Ask(service, stale).Origin, UTileOrigin::Cache);
        QCOMPARE(Ask(service, {2, 2, 2}).Origin, UTileOrigin::None);
        QCOMPARE(server.Requests.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestTileService)
#include "tst_tileservice.moc"

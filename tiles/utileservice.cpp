#include "utileservice.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

#include "tiles/uofflinemap.h"

namespace {

const QString OpenStreetMapTiles = QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");
constexpr int TooManyRequests = 429;
constexpr int Unavailable = 503;
constexpr int NotModified = 304;
constexpr int Ok = 200;

qint64 NowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QUrl ServerUrl(const QString &Template, const UTileId &Tile)
{
    QString url = Template;
    url.replace(QLatin1String("{z}"), QString::number(Tile.Z));
    url.replace(QLatin1String("{x}"), QString::number(Tile.X));
    url.replace(QLatin1String("{y}"), QString::number(Tile.Y));
    return QUrl(url);
}

// Until when the server's answer stays fresh, from its caching headers;
// nothing when it may not be kept at all.
std::optional<qint64> FreshUntil(const QNetworkReply *Reply, qint64 Now)
{
    const QString control = QString::fromLatin1(Reply->rawHeader("Cache-Control")).toLower();
    if (control.contains(QLatin1String("no-store")))
        return std::nullopt;
    if (control.contains(QLatin1String("no-cache")))
        return Now;
    static const QRegularExpression maxAge(QStringLiteral("(?:^|[,\\s])max-age\\s*=\\s*\"?(\\d+)"));
    const QRegularExpressionMatch match = maxAge.match(control);
    if (match.hasMatch()) {
        qint64 age = match.captured(1).left(12).toLongLong();
        // What the tile has already spent in caches on its way.
        bool ok = false;
        const qint64 spent = QString::fromLatin1(Reply->rawHeader("Age")).toLongLong(&ok);
        if (ok && spent > 0)
            age = qMax<qint64>(0, age - spent);
        return Now + age * 1000;
    }
    const QByteArray expires = Reply->rawHeader("Expires");
    if (!expires.isEmpty()) {
        // HTTP dates end in "GMT", which Qt's RFC 2822 reading does not take.
        QString text = QString::fromLatin1(expires).trimmed();
        if (text.endsWith(QLatin1String(" GMT")))
            text = text.chopped(4) + QLatin1String(" +0000");
        const QDateTime at = QDateTime::fromString(text, Qt::RFC2822Date);
        // An Expires that cannot be read means "already expired".
        return at.isValid() ? at.toMSecsSinceEpoch() : Now;
    }
    return Now + UTileService::DefaultFreshMs;
}


// The cached tile past its freshness, when the server gives nothing better.
UTileAnswer StaleOrNone(const std::optional<UCachedTile> &Stale)
{
    if (!Stale)
        return UTileAnswer();
    return {Stale->Data, UTileFormat::PictureMime(Stale->Data), UTileOrigin::Cache};
}

} // namespace

QString UTileService::DefaultServerTemplate()
{
    return OpenStreetMapTiles;
}

UTileService::UTileService(const Options &Settings, QObject *Parent)
    : QObject(Parent)
    , Settings(Settings)
    , TileCache(std::make_shared<UTileCache>(Settings.CacheFolder, Settings.CacheCapBytes))
    , Maps(std::make_shared<QList<std::shared_ptr<UOfflineMap>>>())
    , Network(new QNetworkAccessManager(this))
{
    // Two readers at a time, kept for the whole run: each map file has a
    // database connection per thread that reads it.
    Workers.setMaxThreadCount(2);
    Workers.setExpiryTimeout(-1);
}

UTileService::~UTileService()
{
    Workers.clear();
    Workers.waitForDone();
    // A reply aborted while the service goes must not call back into it.
    const QList<QNetworkReply *> replies = Network->findChildren<QNetworkReply *>();
    for (QNetworkReply *reply : replies) {
        reply->disconnect(this);
        reply->abort();
    }
    delete Network;
    Network = nullptr;
}

void UTileService::SetOfflineMaps(const QList<std::shared_ptr<UOfflineMap>> &List)
{
    // Reads on their way keep the list they started with.
    Maps = std::make_shared<QList<std::shared_ptr<UOfflineMap>>>(List);
}

void UTileService::Request(const UTileId &Tile, QObject *Receiver, std::function<void(const UTileAnswer &)> Done)
{
    Pending &pending = Waiting[Tile];
    pending.Waiters.append(Waiter{Receiver, std::move(Done)});
    if (pending.Waiters.size() > 1)
        return;
    const std::shared_ptr<QList<std::shared_ptr<UOfflineMap>>> maps = Maps;
    const std::shared_ptr<UTileCache> cache = TileCache;
    // The service waits for its workers before it goes: `this` outlives them.
    Workers.start([this, Tile, maps, cache] {
        Local result;
        for (const std::shared_ptr<UOfflineMap> &map : *maps) {
            if (!map->Covers(Tile))
                continue;
            QByteArray data = map->Tile(Tile);
            const QByteArray mime = UTileFormat::PictureMime(data);
            if (!mime.isEmpty()) {
                result.Answer = {data, mime, UTileOrigin::OfflineMap};
                break;
            }
        }
        if (result.Answer.Data.isEmpty()) {
            std::optional<UCachedTile> cached = cache->Get(Tile);
            if (cached && !UTileFormat::PictureMime(cached->Data).isEmpty()) {
                if (cached->IsFresh(NowMs()))
                    result.Answer = {cached->Data, UTileFormat::PictureMime(cached->Data), UTileOrigin::Cache};
                else
                    result.Stale = std::move(cached);
            }
        }
        QMetaObject::invokeMethod(this, [this, Tile, result] { LocalDone(Tile, result); }, Qt::QueuedConnection);
    });
}

bool UTileService::AnyoneWaits(const UTileId &Tile) const
{
    const auto pending = Waiting.constFind(Tile);
    if (pending == Waiting.constEnd())
        return false;
    for (const Waiter &waiter : pending->Waiters) {
        if (waiter.Receiver)
            return true;
    }
    return false;
}

void UTileService::Answer(const UTileId &Tile, const UTileAnswer &Reply)
{
    const Pending pending = Waiting.take(Tile);
    for (const Waiter &waiter : pending.Waiters) {
        if (waiter.Receiver && waiter.Done)
            waiter.Done(Reply);
    }
}

void UTileService::LocalDone(const UTileId &Tile, const Local &Result)
{
    if (!Result.Answer.Data.isEmpty()) {
        Answer(Tile, Result.Answer);
        return;
    }
    if (!Waiting.contains(Tile))
        return;
    Waiting[Tile].Stale = Result.Stale;
    if (Settings.ServerTemplate.isEmpty() || NowMs() < OfflineUntilMs || !AnyoneWaits(Tile)) {
        Answer(Tile, StaleOrNone(Result.Stale));
        return;
    }
    ToFetch.enqueue(Tile);
    StartFetches();
}

void UTileService::StartFetches()
{
    while (Fetching < MaxFetches && !ToFetch.isEmpty()) {
        const UTileId tile = ToFetch.dequeue();
        if (!Waiting.contains(tile))
            continue;
        // A tile the page no longer wants (it moved on) is not fetched.
        if (!AnyoneWaits(tile) || NowMs() < OfflineUntilMs) {
            Answer(tile, StaleOrNone(Waiting.value(tile).Stale));
            continue;
        }
        QNetworkRequest request(ServerUrl(Settings.ServerTemplate, tile));
        request.setHeader(QNetworkRequest::UserAgentHeader, Settings.UserAgent);
        request.setTransferTimeout(FetchTimeoutMs);
        const std::optional<UCachedTile> &stale = Waiting.value(tile).Stale;
        if (stale && !stale->ETag.isEmpty())
            request.setRawHeader("If-None-Match", stale->ETag);
        QNetworkReply *reply = Network->get(request);
        ++Fetching;
        connect(reply, &QNetworkReply::finished, this, [this, tile, reply] { FetchDone(tile, reply); });
    }
}

void UTileService::FetchDone(const UTileId &Tile, QNetworkReply *Reply)
{
    --Fetching;
    Reply->deleteLater();
    const qint64 now = NowMs();
    const int status = Reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const std::optional<UCachedTile> stale = Waiting.value(Tile).Stale;
    UTileAnswer answer = StaleOrNone(stale);
    std::optional<UCachedTile> keep;
    if (status == 0) {
        // No answer at all: offline, or the server cannot be reached.
        OfflineUntilMs = now + OfflineBackoffMs;
    } else if (status == NotModified && stale) {
        const std::optional<qint64> fresh = FreshUntil(Reply, now);
        if (fresh) {
            keep = stale;
            keep->ExpiresMs = *fresh;
        }
    } else if (status == Ok && Reply->error() == QNetworkReply::NoError) {
        const QByteArray data = Reply->readAll();
        const QByteArray mime = UTileFormat::PictureMime(data);
        if (!mime.isEmpty()) {
            answer = {data, mime, UTileOrigin::Server};
            const std::optional<qint64> fresh = FreshUntil(Reply, now);
            if (fresh)
                keep = UCachedTile{data, *fresh, Reply->rawHeader("ETag")};
        }
    } else if (status == TooManyRequests || status == Unavailable) {
        // The server asks to be left alone for a while.
        OfflineUntilMs = now + OfflineBackoffMs;
    }
    if (keep) {
        const std::shared_ptr<UTileCache> cache = TileCache;
        const UCachedTile entry = *keep;
        Workers.start([cache, Tile, entry] { cache->Put(Tile, entry); });
    }
    Answer(Tile, answer);
    StartFetches();
}

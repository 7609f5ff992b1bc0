#ifndef UTILESERVICE_H
#define UTILESERVICE_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>

#include "tiles/utilecache.h"
#include "tiles/utileid.h"

class QNetworkAccessManager;
class QNetworkReply;
class UOfflineMap;

// Where an answer came from.
enum class UTileOrigin { None, OfflineMap, Cache, Server };

struct UTileAnswer
{
    QByteArray Data; // empty: no tile
    QByteArray Mime;
    UTileOrigin Origin = UTileOrigin::None;
};

// Finds the tiles the map pages ask for: from the user's offline maps where
// one covers the tile, else from the tile cache while the tile is fresh,
// else (online) from the tile server, whose answer then goes into the cache;
// a stale cached tile is still shown when the server cannot be reached.
// Only the tiles asked for are fetched, never ahead and never in bulk, at
// most two at a time, with the program's User-Agent and the server's caching
// headers honoured. File and database reads run on worker threads; answers
// come back on the service's thread.
class UTileService : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString CacheFolder = UTileCache::DefaultFolder();
        qint64 CacheCapBytes = UTileCache::DefaultCapBytes;
        // The tile server's URL template ({z}, {x}, {y}); empty: never online.
        QString ServerTemplate = DefaultServerTemplate();
        QByteArray UserAgent;
    };

    // The standard OpenStreetMap tiles, as the online map showed them.
    static QString DefaultServerTemplate();
    // How long the server is left alone after it could not be reached.
    static constexpr int OfflineBackoffMs = 30000;
    static constexpr int FetchTimeoutMs = 15000;
    static constexpr int MaxFetches = 2;
    // Freshness of a tile whose server said nothing about it.
    static constexpr qint64 DefaultFreshMs = 24LL * 3600 * 1000;

    explicit UTileService(const Options &Settings, QObject *Parent = nullptr);
    ~UTileService() override;

    // The user's offline maps, the first covering a tile answering it.
    void SetOfflineMaps(const QList<std::shared_ptr<UOfflineMap>> &Maps);
    // Answers Done later on this thread (never within the call), unless
    // Receiver has gone by then. A tile asked again while on its way waits
    // for the same answer.
    void Request(const UTileId &Tile, QObject *Receiver, std::function<void(const UTileAnswer &)> Done);

    UTileCache &Cache() { return *TileCache; }

private:
    struct Waiter
    {
        QPointer<QObject> Receiver;
        std::function<void(const UTileAnswer &)> Done;
    };
    struct Local
    {
        UTileAnswer Answer; // found in a map or fresh in the cache
        std::optional<UCachedTile> Stale;
    };
    struct Pending
    {
        QList<Waiter> Waiters;
        std::optional<UCachedTile> Stale;
    };

    void LocalDone(const UTileId &Tile, const Local &Result);
    void StartFetches();
    void FetchDone(const UTileId &Tile, QNetworkReply *Reply);
    void Answer(const UTileId &Tile, const UTileAnswer &Reply);
    bool AnyoneWaits(const UTileId &Tile) const;

    Options Settings;
    std::shared_ptr<UTileCache> TileCache;
    std::shared_ptr<QList<std::shared_ptr<UOfflineMap>>> Maps;
    QThreadPool Workers;
    QNetworkAccessManager *Network = nullptr;
    QHash<UTileId, Pending> Waiting;
    QQueue<UTileId> ToFetch;
    int Fetching = 0;
    qint64 OfflineUntilMs = 0;
};

#endif // UTILESERVICE_H

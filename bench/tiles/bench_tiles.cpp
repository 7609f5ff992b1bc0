// A tile served from a 1 GB offline map, MBTiles and PMTiles, each made in
// a temporary folder at the start of the run (65,536 tiles of 16 KB at zoom
// 16): the 95th percentile and the median of 2,000 tiles read at random
// places through the readers, beside the same bytes read with one prepared
// SQLite query (MBTiles) and one plain read at the tile's known offset
// (PMTiles); then the same tiles through the tile service, as the map
// page's requests are served. The files are fresh, so mostly in the system's file cache for
// both the readers and the baselines.

#include "benchsupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <QtEndian>

#include <cstdio>
#include <vector>

#include "tiles/ugzip.h"
#include "tiles/umbtiles.h"
#include "tiles/upmtiles.h"
#include "tiles/utileservice.h"

#include <QEventLoop>

using namespace benchsupport;

namespace {

constexpr int Zoom = 16;
constexpr int Side = 256;                  // tiles along each edge of the block
constexpr int TileBytes = 16 * 1024;       // 65,536 x 16 KB = 1 GB
constexpr int FirstX = 53248, FirstY = 28416;
constexpr int Samples = 2000;
constexpr int LeafEntries = 4096;

UTileId TileAt(int I)
{
    return {Zoom, FirstX + I % Side, FirstY + I / Side};
}

// A PNG head and bytes of no pattern, different for every tile.
QByteArray TileData(int I)
{
    QByteArray bytes(TileBytes, Qt::Uninitialized);
    QRandomGenerator random(quint32(I) * 2654435761u + 1);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), TileBytes / 4);
    memcpy(bytes.data(), "\x89PNG\r\n\x1a\n", 8);
    return bytes;
}

bool MakeMbTiles(const QString &Path)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        db.setDatabaseName(Path);
        ok = db.open();
        QSqlQuery query(db);
        ok = ok && query.exec(QStringLiteral("PRAGMA journal_mode = OFF")) && query.exec(QStringLiteral("PRAGMA synchronous = OFF"))
            && query.exec(QStringLiteral("CREATE TABLE metadata (name text, value text)"))
            && query.exec(QStringLiteral("INSERT INTO metadata VALUES ('format', 'png'), ('minzoom', '16'), ('maxzoom', '16')"))
            && query.exec(QStringLiteral("CREATE TABLE tiles (zoom_level integer, tile_column integer, tile_row integer, "
                                         "tile_data blob)"))
            && query.exec(QStringLiteral("CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, tile_row)"))
            && db.transaction() && query.prepare(QStringLiteral("INSERT INTO tiles VALUES (?, ?, ?, ?)"));
        for (int i = 0; ok && i < Side * Side; ++i) {
            const UTileId tile = TileAt(i);
            query.bindValue(0, tile.Z);
            query.bindValue(1, tile.X);
            query.bindValue(2, tile.FlippedY());
            query.bindValue(3, TileData(i));
            ok = query.exec();
        }
        ok = ok && db.commit();
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    return ok;
}

// Header, root of leaves, leaves, then the tiles in Hilbert order, written as
// they are made.
bool MakePmTiles(const QString &Path, std::vector<quint64> *Offsets)
{
    std::vector<std::pair<quint64, int>> order; // tile id, tile
    for (int i = 0; i < Side * Side; ++i)
        order.emplace_back(UPmTiles::TileIdOf(TileAt(i)), i);
    std::sort(order.begin(), order.end());
    UPmTiles::Directory entries;
    Offsets->assign(size_t(Side * Side), 0);
    for (size_t k = 0; k < order.size(); ++k) {
        entries.append({order[k].first, quint64(k) * TileBytes, quint32(TileBytes), 1});
        (*Offsets)[size_t(order[k].second)] = quint64(k) * TileBytes;
    }
    QByteArray leaves;
    UPmTiles::Directory root;
    for (qsizetype at = 0; at < entries.size(); at += LeafEntries) {
        const UPmTiles::Directory leaf = entries.mid(at, LeafEntries);
        const QByteArray bytes = UGzip::Deflate(UPmTiles::Encode(leaf));
        root.append({leaf.first().TileId, quint64(leaves.size()), quint32(bytes.size()), 0});
        leaves += bytes;
    }
    const QByteArray rootBytes = UGzip::Deflate(UPmTiles::Encode(root));
    QByteArray header(UPmTiles::HeaderBytes, '\0');
    memcpy(header.data(), "PMTiles", 7);
    header[7] = 3;
    auto put = [&header](int at, quint64 value) { qToLittleEndian<quint64>(value, header.data() + at); };
    const quint64 leafOffset = UPmTiles::HeaderBytes + quint64(rootBytes.size());
    const quint64 dataOffset = leafOffset + quint64(leaves.size());
    put(8, UPmTiles::HeaderBytes);
    put(16, quint64(rootBytes.size()));
    put(24, leafOffset);
    put(32, 0);
    put(40, leafOffset);
    put(48, quint64(leaves.size()));
    put(56, dataOffset);
    put(64, quint64(entries.size()) * TileBytes);
    header[96] = 1;
    header[97] = char(UPmTiles::Gzip);
    header[98] = char(UPmTiles::NoCompression);
    header[99] = char(UPmTiles::Png);
    header[100] = char(Zoom);
    header[101] = char(Zoom);
    for (quint64 &offset : *Offsets)
        offset += dataOffset;
    QFile file(Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(header + rootBytes + leaves) != qint64(dataOffset))
        return false;
    for (const auto &[id, i] : order) {
        (void)id;
        if (file.write(TileData(i)) != TileBytes)
            return false;
    }
    return true;
}

struct Figures
{
    double Median = 0.0;
    double P95 = 0.0;
};

template<typename F> Figures Time(const std::vector<int> &Tiles, F Read)
{
    std::vector<double> ms;
    ms.reserve(Tiles.size());
    for (const int i : Tiles)
        ms.push_back(Ms([&] {
            if (Read(i).size() != TileBytes)
                std::fprintf(Errors, "bench_tiles: tile %d came back wrong\n", i);
        }));
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 95 / 100]};
}

// Through the tile service, as the map page's request is served: a worker
// thread reads the map, the answer comes back on the event loop.
Figures Served(const std::shared_ptr<UOfflineMap> &Map, const std::vector<int> &Tiles, const QString &CacheFolder)
{
    UTileService::Options options;
    options.CacheFolder = CacheFolder;
    options.ServerTemplate.clear();
    UTileService service(options);
    service.SetOfflineMaps({Map});
    QObject receiver;
    return Time(Tiles, [&](int i) {
        QByteArray data;
        QEventLoop loop;
        service.Request(TileAt(i), &receiver, [&](const UTileAnswer &answer) {
            data = answer.Data;
            loop.quit();
        });
        loop.exec();
        return data;
    });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString mbPath = dir.filePath(QStringLiteral("big.mbtiles"));
    const QString pmPath = dir.filePath(QStringLiteral("big.pmtiles"));
    std::vector<quint64> offsets;
    const double makeMb = Ms([&] {
        if (!MakeMbTiles(mbPath))
            std::fprintf(Errors, "bench_tiles: cannot write %s\n", qPrintable(mbPath));
    });
    const double makePm = Ms([&] {
        if (!MakePmTiles(pmPath, &offsets))
            std::fprintf(Errors, "bench_tiles: cannot write %s\n", qPrintable(pmPath));
    });
    std::vector<int> sample;
    QRandomGenerator random(7);
    for (int k = 0; k < Samples; ++k)
        sample.push_back(int(random.bounded(Side * Side)));

    QString error;
    std::shared_ptr<UOfflineMap> mb = UOfflineMap::Open(mbPath, &error);
    std::shared_ptr<UOfflineMap> pm = UOfflineMap::Open(pmPath, &error);
    if (!mb || !pm) {
        std::fprintf(Errors, "bench_tiles: %s\n", qPrintable(error));
        return 1;
    }
    const Figures mbReader = Time(sample, [&](int i) { return mb->Tile(TileAt(i)); });
    Figures mbQuery;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("baseline"));
        db.setDatabaseName(mbPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
        QSqlQuery query(db);
        query.setForwardOnly(true);
        query.prepare(QStringLiteral("SELECT tile_data FROM tiles WHERE zoom_level = ? AND tile_column = ? AND tile_row = ?"));
        mbQuery = Time(sample, [&](int i) {
            const UTileId tile = TileAt(i);
            query.bindValue(0, tile.Z);
            query.bindValue(1, tile.X);
            query.bindValue(2, tile.FlippedY());
            QByteArray data;
            if (query.exec() && query.next())
                data = query.value(0).toByteArray();
            query.finish();
            return data;
        });
    }
    QSqlDatabase::removeDatabase(QStringLiteral("baseline"));

    const Figures pmReader = Time(sample, [&](int i) { return pm->Tile(TileAt(i)); });
    QFile plain(pmPath);
    plain.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    const Figures pmRead = Time(sample, [&](int i) {
        plain.seek(qint64(offsets[size_t(i)]));
        return plain.read(TileBytes);
    });

    const Figures mbServed = Served(mb, sample, dir.filePath(QStringLiteral("cache")));
    const Figures pmServed = Served(pm, sample, dir.filePath(QStringLiteral("cache")));

    std::printf("bench_tiles: one tile from a %.2f GB MBTiles file (made in %.0f s): p95 %.3f ms, median %.3f ms"
                " (%d tiles at random); one prepared SQLite query for the same tile: p95 %.3f ms, median %.3f ms\n",
                double(QFile(mbPath).size()) / 1e9, makeMb / 1000.0, mbReader.P95, mbReader.Median, Samples,
                mbQuery.P95, mbQuery.Median);
    std::printf("bench_tiles: one tile from a %.2f GB PMTiles file (made in %.0f s): p95 %.3f ms, median %.3f ms"
                " (%d tiles at random, %d leaf directories); a plain read of the same bytes at their offset:"
                " p95 %.3f ms, median %.3f ms\n",
                double(QFile(pmPath).size()) / 1e9, makePm / 1000.0, pmReader.P95, pmReader.Median, Samples,
                (Side * Side + LeafEntries - 1) / LeafEntries, pmRead.P95, pmRead.Median);
    std::printf("bench_tiles: the same tiles served through the tile service (asked, read on a worker thread,"
                " answered on the event loop): MBTiles p95 %.3f ms, median %.3f ms; PMTiles p95 %.3f ms,"
                " median %.3f ms\n",
                mbServed.P95, mbServed.Median, pmServed.P95, pmServed.Median);
    return 0;
}

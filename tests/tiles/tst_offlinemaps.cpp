// The offline map readers against files made at test time: known tiles at
// known places (rows counted from the north and, in MBTiles, from the
// south), PMTiles directories in every layout, and every kind of bad file.
#include <QtTest>

#include <QFuture>
#include <QTemporaryDir>
#include <QThreadPool>

#include "tilefiles.h"
#include "tiles/umbtiles.h"
#include "tiles/uofflinemap.h"
#include "tiles/upmtiles.h"
#include "tiles/utilescheme.h"

using namespace tilefiles;

namespace {

// Tiles of three zooms, with places whose TMS row differs from the XYZ row
// and one at the corner of its zoom.
QList<MapTile> KnownTiles()
{
    QList<MapTile> tiles;
    for (const UTileId &tile : {UTileId{0, 0, 0}, UTileId{1, 0, 0}, UTileId{1, 0, 1}, UTileId{1, 1, 0},
                                UTileId{3, 5, 2}, UTileId{3, 2, 5}, UTileId{3, 7, 7}, UTileId{12, 2113, 1405}})
        tiles.append({tile, FakePng(tile)});
    return tiles;
}

// The same picture over a row of neighbours: PMTiles stores them as one run.
QList<MapTile> RunTiles()
{
    QList<MapTile> tiles;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            tiles.append({UTileId{2, x, y}, FakePng(UTileId{2, 0, 0}, "sea")});
    return tiles;
}

} // namespace

class TestOfflineMaps : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

    QString PathOf(const QString &Name) const { return Dir.filePath(Name); }

    std::unique_ptr<UOfflineMap> OpenOk(const QString &Path)
    {
        QString error;
        std::unique_ptr<UOfflineMap> map = UOfflineMap::Open(Path, &error);
        if (!map)
            qWarning() << error;
        return map;
    }

private slots:
    void tileIdsFollowTheHilbertCurves()
    {
        // Zoom 1 in the order the format's curve visits it.
        QCOMPARE(UPmTiles::TileIdOf({0, 0, 0}), quint64(0));
        QCOMPARE(UPmTiles::TileIdOf({1, 0, 0}), quint64(1));
        QCOMPARE(UPmTiles::TileIdOf({1, 0, 1}), quint64(2));
        QCOMPARE(UPmTiles::TileIdOf({1, 1, 1}), quint64(3));
        QCOMPARE(UPmTiles::TileIdOf({1, 1, 0}), quint64(4));
        // Every zoom: each id once, right after the lower zooms', and each
        // step along the curve goes to a neighbouring tile; the curve starts
        // at the north-west corner and ends at the north-east one.
        for (int z = 1; z <= 6; ++z) {
            const int side = 1 << z;
            const quint64 first = ((quint64(1) << (2 * z)) - 1) / 3;
            QVector<QPoint> at(side * side, QPoint(-1, -1));
            for (int x = 0; x < side; ++x) {
                for (int y = 0; y < side; ++y) {
                    const quint64 id = UPmTiles::TileIdOf({z, x, y});
                    QVERIFY(id >= first && id < first + quint64(side * side));
                    QCOMPARE(at[int(id - first)], QPoint(-1, -1));
                    at[int(id - first)] = QPoint(x, y);
                }
            }
            for (int i = 1; i < at.size(); ++i)
                QCOMPARE((at[i] - at[i - 1]).manhattanLength(), 1);
            QCOMPARE(at.first(), QPoint(0, 0));
            QCOMPARE(at.last(), QPoint(side - 1, 0));
        }
        // The deepest zoom still fits.
        QVERIFY(UPmTiles::TileIdOf({UTileId::MaxZoom, (1 << 30) - 1, 0}) > UPmTiles::TileIdOf({29, 0, 0}));
    }

    void schemeUrls_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("z");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("root tile") << "vialumo-tiles://tile/0/0/0" << true << 0 << 0 << 0;
        QTest::newRow("street") << "vialumo-tiles://tile/16/53456/28583" << true << 16 << 53456 << 28583;
        QTest::newRow("beyond the zoom's side") << "vialumo-tiles://tile/2/4/0" << false << 0 << 0 << 0;
        QTest::newRow("too deep") << "vialumo-tiles://tile/31/0/0" << false << 0 << 0 << 0;
        QTest::newRow("negative") << "vialumo-tiles://tile/2/-1/0" << false << 0 << 0 << 0;
        QTest::newRow("plus sign") << "vialumo-tiles://tile/2/+1/0" << false << 0 << 0 << 0;
        QTest::newRow("huge number") << "vialumo-tiles://tile/2/99999999999/0" << false << 0 << 0 << 0;
        QTest::newRow("extension") << "vialumo-tiles://tile/2/1/0.png" << false << 0 << 0 << 0;
        QTest::newRow("query") << "vialumo-tiles://tile/2/1/0?x=1" << false << 0 << 0 << 0;
        QTest::newRow("other host") << "vialumo-tiles://other/2/1/0" << false << 0 << 0 << 0;
        QTest::newRow("other scheme") << "https://tile/2/1/0" << false << 0 << 0 << 0;
        QTest::newRow("too short") << "vialumo-tiles://tile/2/1" << false << 0 << 0 << 0;
        QTest::newRow("too long") << "vialumo-tiles://tile/2/1/0/0" << false << 0 << 0 << 0;
        QTest::newRow("climbing") << "vialumo-tiles://tile/2/../0" << false << 0 << 0 << 0;
    }
    void schemeUrls()
    {
        QFETCH(QString, url);
        QFETCH(bool, valid);
        const std::optional<UTileId> tile = UTileScheme::Parse(QUrl(url));
        QCOMPARE(bool(tile), valid);
        if (valid) {
            QFETCH(int, z);
            QFETCH(int, x);
            QFETCH(int, y);
            QCOMPARE(*tile, (UTileId{z, x, y}));
            // The URL made for a tile leads back to it, and the page's
            // template makes the same URL.
            QCOMPARE(UTileScheme::Parse(UTileScheme::UrlOf(*tile)), tile);
            QString filled = UTileScheme::Template();
            filled.replace("{z}", QString::number(z)).replace("{x}", QString::number(x)).replace("{y}", QString::number(y));
            QCOMPARE(QUrl(filled), UTileScheme::UrlOf(*tile));
        }
    }

    void knownTilesAtTheirPlaces_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("leafEntries");
        QTest::addColumn<bool>("gzipDirectories");
        QTest::addColumn<bool>("gzipTiles");
        QTest::newRow("MBTiles") << "mbtiles" << 0 << false << false;
        QTest::newRow("PMTiles, root only") << "pmtiles" << 0 << false << false;
        QTest::newRow("PMTiles, gzipped root") << "pmtiles" << 0 << true << false;
        QTest::newRow("PMTiles, leaves of 1") << "pmtiles" << 1 << true << false;
        QTest::newRow("PMTiles, leaves of 3") << "pmtiles" << 3 << false << false;
        QTest::newRow("PMTiles, gzipped tiles") << "pmtiles" << 2 << true << true;
    }
    void knownTilesAtTheirPlaces()
    {
        QFETCH(QString, kind);
        QFETCH(int, leafEntries);
        QFETCH(bool, gzipDirectories);
        QFETCH(bool, gzipTiles);
        const QList<MapTile> tiles = KnownTiles() + RunTiles();
        const QString path = PathOf(QStringLiteral("known-%1.%2").arg(QTest::currentDataTag()).arg(kind).remove(' '));
        if (kind == "mbtiles") {
            QVERIFY(WriteMbTiles(path, tiles, PngMetadata(0, 12)));
        } else {
            PmOptions options;
            options.LeafEntries = leafEntries;
            options.GzipDirectories = gzipDirectories;
            options.GzipTiles = gzipTiles;
            options.MaxZoom = 12;
            QVERIFY(WriteFile(path, PmTilesBytes(tiles, options)));
        }
        std::unique_ptr<UOfflineMap> map = OpenOk(path);
        QVERIFY(map);
        QCOMPARE(map->MinZoom(), 0);
        QCOMPARE(map->MaxZoom(), 12);
        for (const MapTile &tile : tiles)
            QCOMPARE(map->Tile(tile.Tile), tile.Data);
        // Places the map has no tile for, also beside the run and in a zoom beyond it.
        for (const UTileId &missing : {UTileId{1, 1, 1}, UTileId{3, 5, 5}, UTileId{3, 2, 2}, UTileId{13, 0, 0},
                                       UTileId{12, 2113, 1406}, UTileId{4, 0, 0}})
            QVERIFY2(map->Tile(missing).isEmpty(), qPrintable(missing.Text()));
        QVERIFY(map->Tile(UTileId{2, 4, 0}).isEmpty());
    }

    void boundsAndZoomsTellWhatIsCovered()
    {
        // Around Buenos Aires, zooms 10 to 14.
        UMapBounds box;
        box.West = -58.6;
        box.South = -34.75;
        box.East = -58.3;
        box.North = -34.5;
        const UTileId inside{12, 1382, 2468};
        const QList<MapTile> tiles{{inside, FakePng(inside)}};
        const QString mb = PathOf("covered.mbtiles");
        Metadata meta = PngMetadata(10, 14);
        meta.append(qMakePair(QStringLiteral("bounds"), QStringLiteral("-58.6,-34.75,-58.3,-34.5")));
        QVERIFY(WriteMbTiles(mb, tiles, meta));
        PmOptions options;
        options.MinZoom = 10;
        options.MaxZoom = 14;
        options.Bounds = box;
        const QString pm = PathOf("covered.pmtiles");
        QVERIFY(WriteFile(pm, PmTilesBytes(tiles, options)));
        for (const QString &path : {mb, pm}) {
            std::unique_ptr<UOfflineMap> map = OpenOk(path);
            QVERIFY(map);
            QVERIFY(qAbs(map->Bounds().West - box.West) < 1e-6 && qAbs(map->Bounds().North - box.North) < 1e-6);
            QVERIFY(map->Covers(inside));
            QVERIFY(!map->Covers({9, 172, 308}));       // a zoom too far out
            QVERIFY(!map->Covers({15, 11063, 19744}));  // too deep
            QVERIFY(!map->Covers({12, 1371, 2468}));    // west of it
            QVERIFY(!map->Covers({12, 1382, 1933}));    // the northern hemisphere
        }
    }

    void metadataMissingIsTakenFromTheTiles()
    {
        const QString path = PathOf("nometadata.mbtiles");
        const UTileId a{5, 3, 4}, b{7, 9, 1};
        QVERIFY(WriteMbTiles(path, {{a, FakePng(a)}, {b, FakePng(b)}}, {}, false));
        std::unique_ptr<UOfflineMap> map = OpenOk(path);
        QVERIFY(map);
        QCOMPARE(map->MinZoom(), 5);
        QCOMPARE(map->MaxZoom(), 7);
        QCOMPARE(map->Tile(b), FakePng(b));
    }

    void readsFromManyThreadsAtOnce()
    {
        QList<MapTile> tiles;
        for (int x = 0; x < 32; ++x)
            for (int y = 0; y < 32; ++y)
                tiles.append({UTileId{5, x, y}, FakePng(UTileId{5, x, y})});
        const QString mb = PathOf("threads.mbtiles");
        QVERIFY(WriteMbTiles(mb, tiles, PngMetadata()));
        PmOptions options;
        options.LeafEntries = 50;
        const QString pm = PathOf("threads.pmtiles");
        QVERIFY(WriteFile(pm, PmTilesBytes(tiles, options)));
        for (const QString &path : {mb, pm}) {
            std::shared_ptr<UOfflineMap> map = OpenOk(path);
            QVERIFY(map);
            QThreadPool pool;
            pool.setMaxThreadCount(4);
            QAtomicInt wrong;
            for (int worker = 0; worker < 4; ++worker) {
                pool.start([&, worker] {
                    for (int i = 0; i < tiles.size(); ++i) {
                        const MapTile &tile = tiles.at((i * 7 + worker * 131) % tiles.size());
                        if (map->Tile(tile.Tile) != tile.Data)
                            wrong.ref();
                    }
                });
            }
            pool.waitForDone();
            QCOMPARE(wrong.loadRelaxed(), 0);
        }
    }

    void readsThroughManyLeaves()
    {
        // Two hundred leaves, each read once and kept within the cache's bound.
        QList<MapTile> tiles;
        const int side = 1 << 11;
        // Distinct tiles: 37 and 101 have no factor in common with the side.
        for (int i = 0; i < side; ++i) {
            const UTileId tile{11, (i * 37) % side, (i * 101) % side};
            tiles.append({tile, FakePng(tile)});
        }
        PmOptions options;
        options.LeafEntries = 10;
        const QString path = PathOf("leaves.pmtiles");
        QVERIFY(WriteFile(path, PmTilesBytes(tiles, options)));
        QString error;
        std::unique_ptr<UPmTiles> map = UPmTiles::Open(path, &error);
        QVERIFY2(map, qPrintable(error));
        for (const MapTile &tile : tiles)
            QCOMPARE(map->Tile(tile.Tile), tile.Data);
        QVERIFY(map->CachedLeafEntries() > 0);
        QVERIFY(map->CachedLeafEntries() <= UPmTiles::LeafCacheEntries);
    }

    void badDirectories_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("no entries") << QByteArray("\x00", 1);
        QTest::newRow("more entries than bytes") << QByteArray("\x05\x01\x01\x01\x01", 5);
        QTest::newRow("varint past 64 bits") << QByteArray("\xff\xff\xff\xff\xff\xff\xff\xff\xff\x7f\x01\x01\x01", 13);
        QTest::newRow("varint cut short") << QByteArray("\x01\x80", 2);
        QTest::newRow("zero length") << QByteArray("\x01\x05\x01\x00\x01", 5);
        QTest::newRow("first offset follows nothing") << QByteArray("\x01\x05\x01\x04\x00", 5);
        QTest::newRow("ids not ascending") << QByteArray("\x02\x05\x00\x01\x01\x04\x04\x01\x00", 9);
        QTest::newRow("bytes left over") << QByteArray("\x01\x05\x01\x04\x01\x00", 6);
        QTest::newRow("run beyond 32 bits") << QByteArray("\x01\x05\x80\x80\x80\x80\x10\x04\x01", 9);
    }
    void badDirectories()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!UPmTiles::Decode(bytes));
    }

    void directoriesRoundTrip()
    {
        const UPmTiles::Directory entries{{0, 0, 10, 1}, {1, 10, 20, 3}, {9, 500, 7, 0}, {1ULL << 60, 507, 1, 1}};
        const std::optional<UPmTiles::Directory> back = UPmTiles::Decode(UPmTiles::Encode(entries));
        QVERIFY(back);
        QCOMPARE(back->size(), entries.size());
        for (qsizetype i = 0; i < entries.size(); ++i) {
            QCOMPARE(back->at(i).TileId, entries.at(i).TileId);
            QCOMPARE(back->at(i).Offset, entries.at(i).Offset);
            QCOMPARE(back->at(i).Length, entries.at(i).Length);
            QCOMPARE(back->at(i).RunLength, entries.at(i).RunLength);
        }
    }

    void badFilesGiveOneMessage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");

        const QByteArray pm = PmTilesBytes(KnownTiles());
        QString mbPath = PathOf("source.mbtiles");
        QList<MapTile> many = KnownTiles();
        for (int i = 0; i < 400; ++i)
            many.append({UTileId{10, i, 7}, FakePng(UTileId{10, i, 7}, QByteArray(300, 'x'))});
        WriteMbTiles(mbPath, many, PngMetadata());
        const QByteArray mb = ReadFile(mbPath);

        QTest::newRow("empty") << "empty.mbtiles" << QByteArray() << "empty.mbtiles: the file is empty";
        QTest::newRow("text") << "notes.pmtiles" << QByteArray("just some notes\n") << "notes.pmtiles: not an offline map";
        QTest::newRow("a picture") << "photo.mbtiles" << FakePng({0, 0, 0}) << "photo.mbtiles: not an offline map";
        QTest::newRow("MBTiles cut short") << "cut.mbtiles" << mb.left(mb.size() / 2) << "cut.mbtiles: the file is cut short";
        QTest::newRow("MBTiles header only") << "head.mbtiles" << mb.left(60) << "head.mbtiles: the file is cut short";
        QByteArray scrambled = mb;
        for (qsizetype i = 100; i < scrambled.size(); i += 7)
            scrambled[i] = char(0xa5 ^ scrambled[i]);
        QTest::newRow("MBTiles scrambled") << "scrambled.mbtiles" << scrambled << "scrambled.mbtiles: damaged";
        QTest::newRow("PMTiles cut in its header") << "cut1.pmtiles" << pm.left(50) << "cut1.pmtiles: the file is cut short";
        QTest::newRow("PMTiles cut in its magic") << "cut0.pmtiles" << pm.left(4) << "cut0.pmtiles: the file is cut short";
        QTest::newRow("PMTiles cut in its tiles") << "cut2.pmtiles" << pm.left(pm.size() - 5) << "cut2.pmtiles: the file is cut short";
        QByteArray v2("PM\x02\x00", 4);
        v2 += QByteArray(600, '\0');
        QTest::newRow("PMTiles 2") << "old.pmtiles" << v2 << "old.pmtiles: a PMTiles map of version 2; only version 3 is read";
        QByteArray v4 = pm;
        v4[7] = 4;
        QTest::newRow("PMTiles 4") << "new.pmtiles" << v4 << "new.pmtiles: a PMTiles map of version 4; only version 3 is read";
        PmOptions vector;
        vector.TileType = UPmTiles::Mvt;
        QTest::newRow("PMTiles vector") << "streets.pmtiles" << PmTilesBytes(KnownTiles(), vector)
                                        << "streets.pmtiles: holds vector tiles";
        QByteArray brotli = pm;
        brotli[97] = char(UPmTiles::Brotli);
        QTest::newRow("PMTiles Brotli") << "brotli.pmtiles" << brotli
                                        << "brotli.pmtiles: its directories are compressed with Brotli";
        QByteArray badRoot = pm;
        for (int i = UPmTiles::HeaderBytes; i < UPmTiles::HeaderBytes + 12; ++i)
            badRoot[i] = char(0xff);
        QTest::newRow("PMTiles root scrambled") << "root.pmtiles" << badRoot << "root.pmtiles: damaged";
        QByteArray offsets = pm;
        PutLittle64(offsets, 56, quint64(1) << 62);
        QTest::newRow("PMTiles data far away") << "far.pmtiles" << offsets << "far.pmtiles: the file is cut short";
        QByteArray zooms = pm;
        zooms[100] = 9;
        zooms[101] = 3;
        QTest::newRow("PMTiles zooms reversed") << "zooms.pmtiles" << zooms << "zooms.pmtiles: damaged";
    }
    void badFilesGiveOneMessage()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        const QString path = PathOf(name);
        QVERIFY(WriteFile(path, bytes));
        QString error;
        QVERIFY(!UOfflineMap::Open(path, &error));
        QVERIFY2(error.startsWith(message), qPrintable(error));
        QVERIFY(!error.contains('\n'));
    }

    void badDatabasesGiveOneMessage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("message");
        QTest::newRow("no tiles table") << "other.mbtiles" << "CREATE TABLE songs (title text)"
                                        << "other.mbtiles: an SQLite database but no MBTiles map";
        QTest::newRow("no tiles") << "blank.mbtiles"
                                  << "CREATE TABLE tiles (zoom_level integer, tile_column integer, tile_row integer, "
                                     "tile_data blob)"
                                  << "blank.mbtiles: the map holds no tiles";
    }
    void badDatabasesGiveOneMessage()
    {
        QFETCH(QString, name);
        QFETCH(QString, setup);
        QFETCH(QString, message);
        const QString path = PathOf(name);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "setup");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(setup));
            query.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase("setup");
        QString error;
        QVERIFY(!UOfflineMap::Open(path, &error));
        QVERIFY2(error.startsWith(message), qPrintable(error));
    }

    void vectorMbTilesAreRefused_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("tile");
        QTest::newRow("said pbf") << "pbf" << UGzip::Deflate("layer");
        QTest::newRow("said nothing, gzip inside") << "" << UGzip::Deflate("layer");
        QTest::newRow("said nothing, unknown inside") << "" << QByteArray("GIF89a...");
    }
    void vectorMbTilesAreRefused()
    {
        QFETCH(QString, format);
        QFETCH(QByteArray, tile);
        const QString path = PathOf(QStringLiteral("vector-%1.mbtiles").arg(QTest::currentDataTag()).remove(' ').remove(','));
        Metadata meta;
        if (!format.isEmpty())
            meta.append(qMakePair(QStringLiteral("format"), format));
        QVERIFY(WriteMbTiles(path, {{UTileId{0, 0, 0}, tile}}, meta));
        QString error;
        QVERIFY(!UOfflineMap::Open(path, &error));
        QVERIFY2(error.contains("tiles, which the map cannot draw") || error.contains("cannot draw"), qPrintable(error));
    }

    void missingAndUnreadableFiles()
    {
        QString error;
        QVERIFY(!UOfflineMap::Open(PathOf("gone.mbtiles"), &error));
        QCOMPARE(error, QStringLiteral("gone.mbtiles: no such file"));
        QVERIFY(!UOfflineMap::Open(Dir.path(), &error));
        QVERIFY(error.endsWith(": cannot be read"));
    }

    void fileChangedAfterOpeningGivesNoTile()
    {
        const QString path = PathOf("shrinking.pmtiles");
        const QByteArray bytes = PmTilesBytes(KnownTiles());
        QVERIFY(WriteFile(path, bytes));
        std::unique_ptr<UOfflineMap> map = OpenOk(path);
        QVERIFY(map);
        QVERIFY(WriteFile(path, bytes.left(UPmTiles::HeaderBytes + 40)));
        for (const MapTile &tile : KnownTiles())
            QVERIFY(map->Tile(tile.Tile).isEmpty() || map->Tile(tile.Tile) == tile.Data);
    }
};

QTEST_GUILESS_MAIN(TestOfflineMaps)
#include "tst_offlinemaps.moc"

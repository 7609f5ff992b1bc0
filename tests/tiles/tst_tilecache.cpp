// The tile cache on disk: what goes in comes out, the cap holds with the
// least recently used tile going first (also across runs), and a damaged
// entry or a write that never finished is no tile.
#include <QtTest>

#include <QDateTime>
#include <QTemporaryDir>

#include "tilefiles.h"
#include "tiles/utilecache.h"

using namespace tilefiles;

namespace {

UCachedTile Entry(const UTileId &Tile, int Size = 1000, qint64 ExpiresMs = 0, const QByteArray &ETag = QByteArray())
{
    return UCachedTile{FakePng(Tile, QByteArray(Size, char('a' + Tile.X % 26))), ExpiresMs, ETag};
}

// Bytes a tile's entry takes on disk.
qint64 EntryBytes(const UTileId &Tile, int Size)
{
    QTemporaryDir dir;
    UTileCache cache(dir.path());
    cache.Put(Tile, Entry(Tile, Size));
    return cache.TotalBytes();
}

void SetUsed(const QString &Path, qint64 MsSinceEpoch)
{
    QFile file(Path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::fromMSecsSinceEpoch(MsSinceEpoch, Qt::UTC), QFileDevice::FileModificationTime));
}

} // namespace

class TestTileCache : public QObject
{
    Q_OBJECT

private slots:
    void whatGoesInComesOut()
    {
        QTemporaryDir dir;
        UTileCache cache(dir.path());
        const UTileId tile{14, 8185, 5447};
        const UCachedTile entry = Entry(tile, 5000, 1234567890123, "\"abc-42\"");
        QVERIFY(cache.Put(tile, entry));
        QVERIFY(QFileInfo::exists(dir.filePath("14/8185/5447.tile")));
        const std::optional<UCachedTile> back = cache.Get(tile);
        QVERIFY(back);
        QCOMPARE(back->Data, entry.Data);
        QCOMPARE(back->ExpiresMs, entry.ExpiresMs);
        QCOMPARE(back->ETag, entry.ETag);
        QVERIFY(back->IsFresh(1234567890122));
        QVERIFY(!back->IsFresh(1234567890123));
        QVERIFY(!cache.Get({14, 8185, 5448}));

        // A newer copy replaces the old one and is counted once.
        const qint64 total = cache.TotalBytes();
        QVERIFY(cache.Put(tile, Entry(tile, 5000, 99, "\"abc-43\"")));
        QCOMPARE(cache.Get(tile)->ExpiresMs, qint64(99));
        QCOMPARE(cache.TotalBytes(), total);
        QCOMPARE(cache.Count(), 1);

        // A second cache object over the same folder (the next run) finds it.
        UTileCache later(dir.path());
        QCOMPARE(later.Get(tile)->Data, entry.Data);
        QCOMPARE(later.TotalBytes(), total);
    }

    void theCapHoldsAndTheLeastRecentlyUsedGoesFirst()
    {
        QTemporaryDir dir;
        const UTileId a{10, 1, 1}, b{10, 2, 2}, c{10, 3, 3}, d{10, 4, 4}, e{10, 5, 5};
        const qint64 one = EntryBytes(a, 2000);
        UTileCache cache(dir.path(), 3 * one + one / 2);
        QVERIFY(cache.Put(a, Entry(a, 2000)));
        QVERIFY(cache.Put(b, Entry(b, 2000)));
        QVERIFY(cache.Put(c, Entry(c, 2000)));
        QCOMPARE(cache.Count(), 3);
        // a is used: b is now the least recently used and goes for d.
        QVERIFY(cache.Get(a));
        QVERIFY(cache.Put(d, Entry(d, 2000)));
        QVERIFY(!cache.Contains(b));
        QVERIFY(!QFileInfo::exists(cache.FileOf(b)));
        QVERIFY(cache.Contains(a) && cache.Contains(c) && cache.Contains(d));
        // Then c, the oldest left.
        QVERIFY(cache.Put(e, Entry(e, 2000)));
        QVERIFY(!cache.Contains(c));
        QVERIFY(cache.Contains(a) && cache.Contains(d) && cache.Contains(e));
        QVERIFY(cache.TotalBytes() <= cache.CapBytes());

        // A tile twice the size takes the room of two.
        const UTileId big{10, 6, 6};
        QVERIFY(cache.Put(big, Entry(big, 4000)));
        QVERIFY(!cache.Contains(a) && !cache.Contains(d));
        QVERIFY(cache.Contains(e) && cache.Contains(big));
        QVERIFY(cache.TotalBytes() <= cache.CapBytes());

        // One larger than the whole cap is not kept, and takes nothing away.
        const UTileId huge{10, 7, 7};
        QVERIFY(!cache.Put(huge, Entry(huge, 20000)));
        QVERIFY(cache.Contains(e) && cache.Contains(big));
    }

    void theOrderOfUseOutlivesTheRun()
    {
        QTemporaryDir dir;
        const UTileId a{8, 1, 1}, b{8, 2, 2}, c{8, 3, 3};
        const qint64 one = EntryBytes(a, 1000);
        {
            UTileCache cache(dir.path());
            for (const UTileId &tile : {a, b, c})
                QVERIFY(cache.Put(tile, Entry(tile, 1000)));
        }
        // Used last run in the order b, a, c (the files' times).
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        SetUsed(dir.filePath("8/2/2.tile"), now - 30000);
        SetUsed(dir.filePath("8/1/1.tile"), now - 20000);
        SetUsed(dir.filePath("8/3/3.tile"), now - 10000);
        // This run's cap is lower: the oldest in use goes at once.
        UTileCache smaller(dir.path(), 2 * one + one / 2);
        QCOMPARE(smaller.Count(), 2);
        QVERIFY(!smaller.Contains(b));
        QVERIFY(smaller.Contains(a) && smaller.Contains(c));
        // A use in this run counts: a is kept when d comes.
        QVERIFY(smaller.Get(a));
        const UTileId d{8, 4, 4};
        QVERIFY(smaller.Put(d, Entry(d, 1000)));
        QVERIFY(smaller.Contains(a) && !smaller.Contains(c));
    }

    void damagedEntriesAreNoTile_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("cut short") << "cut";
        QTest::newRow("one byte changed") << "flip";
        QTest::newRow("emptied") << "empty";
        QTest::newRow("foreign bytes") << "foreign";
        QTest::newRow("longer") << "longer";
        QTest::newRow("gone") << "gone";
    }
    void damagedEntriesAreNoTile()
    {
        QFETCH(QString, damage);
        QTemporaryDir dir;
        const UTileId tile{12, 100, 200}, other{12, 101, 200};
        {
            UTileCache cache(dir.path());
            QVERIFY(cache.Put(tile, Entry(tile, 3000, 5, "etag")));
            QVERIFY(cache.Put(other, Entry(other, 3000)));
        }
        const QString path = dir.filePath("12/100/200.tile");
        QByteArray bytes = ReadFile(path);
        if (damage == "cut")
            bytes.chop(10);
        else if (damage == "flip")
            bytes[bytes.size() - 100] = char(bytes.at(bytes.size() - 100) ^ 0x01);
        else if (damage == "empty")
            bytes.clear();
        else if (damage == "foreign")
            bytes = FakePng(tile);
        else if (damage == "longer")
            bytes += "more";
        if (damage == "gone")
            QVERIFY(QFile::remove(path));
        else
            QVERIFY(WriteFile(path, bytes));

        UTileCache cache(dir.path());
        QVERIFY(!cache.Get(tile));
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!cache.Contains(tile));
        QCOMPARE(cache.Count(), 1);
        QCOMPARE(cache.TotalBytes(), qint64(QFileInfo(dir.filePath("12/101/200.tile")).size()));
        // The other tile is untouched, and the place can be filled again.
        QVERIFY(cache.Get(other));
        QVERIFY(cache.Put(tile, Entry(tile, 3000)));
        QVERIFY(cache.Get(tile));
    }

    void writesThatNeverFinishedAreCleared()
    {
        QTemporaryDir dir;
        const UTileId tile{5, 1, 2};
        {
            UTileCache cache(dir.path());
            QVERIFY(cache.Put(tile, Entry(tile)));
        }
        // What a crash in the middle of a write leaves: a temporary beside the tile.
        QVERIFY(WriteFile(dir.filePath("5/1/2.tile.AbC123"), "half a ti"));
        QVERIFY(WriteFile(dir.filePath("5/1/3.tile.XyZ789"), "half a ti"));
        UTileCache cache(dir.path());
        QCOMPARE(cache.Count(), 1);
        QVERIFY(!QFileInfo::exists(dir.filePath("5/1/2.tile.AbC123")));
        QVERIFY(!QFileInfo::exists(dir.filePath("5/1/3.tile.XyZ789")));
        QVERIFY(cache.Get(tile));
        QVERIFY(cache.TotalBytes() == QFileInfo(dir.filePath("5/1/2.tile")).size());
    }

    void unwritableFolderKeepsNothing()
    {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("file"), "x"));
        UTileCache cache(dir.filePath("file/tiles"));
        const UTileId tile{3, 1, 1};
        QVERIFY(!cache.Put(tile, Entry(tile)));
        QVERIFY(!cache.Get(tile));
        QCOMPARE(cache.Count(), 0);
    }

    void defaultFolderIsTheUsersCache()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(UTileCache::DefaultFolder().endsWith("/Vialumo/tiles"));
        QVERIFY(UTileCache::DefaultFolder().startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)));
        QStandardPaths::setTestModeEnabled(false);
    }
};

QTEST_GUILESS_MAIN(TestTileCache)
#include "tst_tilecache.moc"

#include "utilecache.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <vector>

#include <zlib.h>

namespace {

// The entry file: magic, expiry (ms, 64 bits), data length and CRC-32 (32
// bits each), validator length (16 bits), validator, data; little-endian.
const QByteArray EntryMagic("VTC1");
constexpr int HeaderBytes = 4 + 8 + 4 + 4 + 2;
constexpr int MaxETagBytes = 1024;

quint32 Crc(const QByteArray &Bytes)
{
    return quint32(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef *>(Bytes.constData()), uInt(Bytes.size())));
}

QByteArray Encode(const UCachedTile &Entry)
{
    const QByteArray etag = Entry.ETag.left(MaxETagBytes);
    QByteArray out(HeaderBytes, Qt::Uninitialized);
    char *at = out.data();
    memcpy(at, EntryMagic.constData(), 4);
    qToLittleEndian<qint64>(Entry.ExpiresMs, at + 4);
    qToLittleEndian<quint32>(quint32(Entry.Data.size()), at + 12);
    qToLittleEndian<quint32>(Crc(Entry.Data), at + 16);
    qToLittleEndian<quint16>(quint16(etag.size()), at + 20);
    out += etag;
    out += Entry.Data;
    return out;
}

std::optional<UCachedTile> Decode(const QByteArray &Bytes)
{
    if (Bytes.size() < HeaderBytes || !Bytes.startsWith(EntryMagic))
        return std::nullopt;
    const char *at = Bytes.constData();
    UCachedTile entry;
    entry.ExpiresMs = qFromLittleEndian<qint64>(at + 4);
    const quint32 length = qFromLittleEndian<quint32>(at + 12);
    const quint32 crc = qFromLittleEndian<quint32>(at + 16);
    const quint16 etagLength = qFromLittleEndian<quint16>(at + 20);
    if (qint64(HeaderBytes) + etagLength + length != Bytes.size() || length == 0)
        return std::nullopt;
    entry.ETag = Bytes.mid(HeaderBytes, etagLength);
    entry.Data = Bytes.mid(HeaderBytes + etagLength);
    if (Crc(entry.Data) != crc)
        return std::nullopt;
    return entry;
}

// "z/x/y.tile" under the cache's folder.
std::optional<UTileId> TileOfPath(const QString &Relative)
{
    const QString suffix = QString::fromLatin1(UTileCache::FileSuffix);
    if (!Relative.endsWith(suffix))
        return std::nullopt;
    const QStringList parts = Relative.chopped(suffix.size()).split(QLatin1Char('/'));
    if (parts.size() != 3)
        return std::nullopt;
    bool ok[3] = {};
    const UTileId tile{parts.at(0).toInt(&ok[0]), parts.at(1).toInt(&ok[1]), parts.at(2).toInt(&ok[2])};
    if (!ok[0] || !ok[1] || !ok[2] || !tile.IsValid() || tile.Text() + suffix != Relative)
        return std::nullopt;
    return tile;
}

} // namespace

UTileCache::UTileCache(const QString &Folder, qint64 CapBytes)
    : Root(QDir::cleanPath(Folder))
    , Cap(CapBytes)
{
}

QString UTileCache::DefaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
        .filePath(QStringLiteral("Vialumo/tiles"));
}

QString UTileCache::FileOf(const UTileId &Tile) const
{
    return Root + QLatin1Char('/') + Tile.Text() + QLatin1String(FileSuffix);
}

void UTileCache::LoadIndex()
{
    if (Loaded)
        return;
    Loaded = true;
    struct Found
    {
        qint64 ModifiedMs;
        UTileId Tile;
        qint64 Bytes;
    };
    std::vector<Found> found;
    const QDir root(Root);
    QDirIterator files(Root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QFileInfo info = files.fileInfo();
        const std::optional<UTileId> tile = TileOfPath(root.relativeFilePath(path));
        if (!tile) {
            // A temporary left by a write that never finished.
            QFile::remove(path);
            continue;
        }
        found.push_back({info.lastModified().toMSecsSinceEpoch(), *tile, info.size()});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return a.ModifiedMs != b.ModifiedMs ? a.ModifiedMs < b.ModifiedMs : a.Tile.Key() < b.Tile.Key();
    });
    for (const Found &file : found) {
        Item item{file.Tile, file.Bytes, ++LastUse};
        Items.insert(file.Tile.Key(), item);
        ByUse.emplace(item.Use, file.Tile.Key());
        Total += file.Bytes;
    }
    // The cap may have been lowered since the last run.
    MakeRoom(0);
}

void UTileCache::Touch(Item &Entry)
{
    ByUse.erase(Entry.Use);
    Entry.Use = ++LastUse;
    ByUse.emplace(Entry.Use, Entry.Tile.Key());
}

void UTileCache::Forget(quint64 Key, bool RemoveFile)
{
    const auto item = Items.constFind(Key);
    if (item == Items.constEnd())
        return;
    if (RemoveFile)
        QFile::remove(FileOf(item->Tile));
    ByUse.erase(item->Use);
    Total -= item->Bytes;
    Items.erase(item);
}

void UTileCache::MakeRoom(qint64 Needed)
{
    while (!ByUse.empty() && Total + Needed > Cap)
        Forget(ByUse.begin()->second, true);
}

std::optional<UCachedTile> UTileCache::Get(const UTileId &Tile)
{
    if (!Tile.IsValid())
        return std::nullopt;
    QMutexLocker locker(&Lock);
    LoadIndex();
    const quint64 key = Tile.Key();
    const auto item = Items.find(key);
    if (item == Items.end())
        return std::nullopt;
    QFile file(FileOf(Tile));
    std::optional<UCachedTile> entry;
    if (file.open(QIODevice::ReadOnly) && file.size() == item->Bytes)
        entry = Decode(file.readAll());
    if (!entry) {
        file.close();
        Forget(key, true);
        return std::nullopt;
    }
    Touch(*item);
    // The order of use outlives the run in the files' times.
    file.setFileTime(QDateTime::currentDateTimeUtc(), QFileDevice::FileModificationTime);
    return entry;
}

bool UTileCache::Put(const UTileId &Tile, const UCachedTile &Entry)
{
    if (!Tile.IsValid() || Entry.Data.isEmpty())
        return false;
    const QByteArray bytes = Encode(Entry);
    if (bytes.size() > Cap)
        return false;
    QMutexLocker locker(&Lock);
    LoadIndex();
    const quint64 key = Tile.Key();
    Forget(key, false);
    MakeRoom(bytes.size());
    const QString path = FileOf(Tile);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        // Whatever was there before is still there, but no longer counted:
        // take it away rather than keep a file the cap does not see.
        QFile::remove(path);
        return false;
    }
    Item item{Tile, bytes.size(), ++LastUse};
    Items.insert(key, item);
    ByUse.emplace(item.Use, key);
    Total += item.Bytes;
    return true;
}

bool UTileCache::Contains(const UTileId &Tile)
{
    QMutexLocker locker(&Lock);
    LoadIndex();
    return Items.contains(Tile.Key());
}

qint64 UTileCache::TotalBytes()
{
    QMutexLocker locker(&Lock);
    LoadIndex();
    return Total;
}

qsizetype UTileCache::Count()
{
    QMutexLocker locker(&Lock);
    LoadIndex();
    return Items.size();
}

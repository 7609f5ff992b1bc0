#include "upmtiles.h"

#include <QFileInfo>
#include <QMutexLocker>

#include <algorithm>
#include <limits>

#include "tiles/ugzip.h"

namespace {

const QByteArray Magic("PMTiles");
constexpr quint8 ReadVersion = 3;
// Degrees in the header are stored as integers of ten-millionths.
constexpr double DegreeUnits = 1e7;

quint64 Little64(const QByteArray &Bytes, int At)
{
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | quint8(Bytes.at(At + i));
    return value;
}

qint32 Little32(const QByteArray &Bytes, int At)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | quint8(Bytes.at(At + i));
    return qint32(value);
}

// Unsigned LEB128, at most 64 bits.
class VarintReader
{
public:
    explicit VarintReader(const QByteArray &Bytes)
        : At(reinterpret_cast<const quint8 *>(Bytes.constData()))
        , End(At + Bytes.size())
    {
    }

    std::optional<quint64> Next()
    {
        quint64 value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            if (At == End)
                return std::nullopt;
            const quint8 byte = *At++;
            const quint64 bits = byte & 0x7f;
            // The tenth byte may carry only the 64th bit.
            if (shift == 63 && bits > 1)
                return std::nullopt;
            value |= bits << shift;
            if (!(byte & 0x80))
                return value;
        }
        return std::nullopt;
    }

    bool AtEnd() const { return At == End; }
    qsizetype Left() const { return End - At; }

private:
    const quint8 *At;
    const quint8 *End;
};

void WriteVarint(QByteArray &Out, quint64 Value)
{
    while (Value >= 0x80) {
        Out.append(char(quint8(Value & 0x7f) | 0x80));
        Value >>= 7;
    }
    Out.append(char(Value));
}

bool Within(quint64 Offset, quint64 Length, quint64 Size)
{
    return Offset <= Size && Length <= Size - Offset;
}

QString CompressionName(quint8 Code)
{
    switch (Code) {
    case UPmTiles::Brotli:
        return QStringLiteral("Brotli");
    case UPmTiles::Zstd:
        return QStringLiteral("Zstandard");
    default:
        return QStringLiteral("an unknown method (%1)").arg(Code);
    }
}

} // namespace

UPmTiles::UPmTiles(const QString &Path)
    : UOfflineMap(Path)
    , File(Path)
{
}

UPmTiles::~UPmTiles() = default;

bool UPmTiles::LooksLikeOne(const QByteArray &Head)
{
    return Head.startsWith("PM");
}

quint64 UPmTiles::TileIdOf(const UTileId &Tile)
{
    const quint64 above = ((quint64(1) << (2 * Tile.Z)) - 1) / 3;
    const quint64 side = quint64(1) << Tile.Z;
    quint64 x = quint64(Tile.X);
    quint64 y = quint64(Tile.Y);
    quint64 along = 0;
    for (quint64 half = side / 2; half > 0; half /= 2) {
        const quint64 rx = (x & half) ? 1 : 0;
        const quint64 ry = (y & half) ? 1 : 0;
        along += half * half * ((3 * rx) ^ ry);
        // Turn the quadrant so that its own curve starts where the big one enters it.
        if (ry == 0) {
            if (rx == 1) {
                x = side - 1 - x;
                y = side - 1 - y;
            }
            std::swap(x, y);
        }
    }
    return above + along;
}

std::optional<UPmTiles::Directory> UPmTiles::Decode(const QByteArray &Bytes)
{
    VarintReader in(Bytes);
    const std::optional<quint64> count = in.Next();
    // Every entry takes at least four bytes.
    if (!count || *count == 0 || *count > quint64(in.Left() / 4))
        return std::nullopt;
    Directory entries(static_cast<qsizetype>(*count));
    quint64 id = 0;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const std::optional<quint64> delta = in.Next();
        if (!delta || (i > 0 && *delta == 0) || *delta > std::numeric_limits<quint64>::max() - id)
            return std::nullopt;
        id += *delta;
        entries[i].TileId = id;
    }
    for (Entry &entry : entries) {
        const std::optional<quint64> run = in.Next();
        if (!run || *run > std::numeric_limits<quint32>::max())
            return std::nullopt;
        entry.RunLength = quint32(*run);
    }
    for (Entry &entry : entries) {
        const std::optional<quint64> length = in.Next();
        if (!length || *length == 0 || *length > std::numeric_limits<quint32>::max())
            return std::nullopt;
        entry.Length = quint32(*length);
    }
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const std::optional<quint64> offset = in.Next();
        if (!offset)
            return std::nullopt;
        if (*offset == 0) {
            // Right after the entry before.
            if (i == 0)
                return std::nullopt;
            const Entry &before = entries.at(i - 1);
            if (before.Offset > std::numeric_limits<quint64>::max() - before.Length)
                return std::nullopt;
            entries[i].Offset = before.Offset + before.Length;
        } else {
            entries[i].Offset = *offset - 1;
        }
    }
    if (!in.AtEnd())
        return std::nullopt;
    return entries;
}

QByteArray UPmTiles::Encode(const Directory &Entries)
{
    QByteArray out;
    WriteVarint(out, quint64(Entries.size()));
    quint64 id = 0;
    for (const Entry &entry : Entries) {
        WriteVarint(out, entry.TileId - id);
        id = entry.TileId;
    }
    for (const Entry &entry : Entries)
        WriteVarint(out, entry.RunLength);
    for (const Entry &entry : Entries)
        WriteVarint(out, entry.Length);
    for (qsizetype i = 0; i < Entries.size(); ++i) {
        const Entry &entry = Entries.at(i);
        const bool follows = i > 0 && entry.Offset == Entries.at(i - 1).Offset + Entries.at(i - 1).Length;
        WriteVarint(out, follows ? 0 : entry.Offset + 1);
    }
    return out;
}

const UPmTiles::Entry *UPmTiles::Find(const Directory &Entries, quint64 TileId)
{
    const auto after = std::upper_bound(Entries.cbegin(), Entries.cend(), TileId,
                                        [](quint64 id, const Entry &entry) { return id < entry.TileId; });
    if (after == Entries.cbegin())
        return nullptr;
    return &*(after - 1);
}

std::unique_ptr<UPmTiles> UPmTiles::Open(const QString &Path, QString *Error)
{
    std::unique_ptr<UPmTiles> map(new UPmTiles(Path));
    const QString problem = map->Check();
    if (!problem.isEmpty()) {
        if (Error)
            *Error = Problem(Path, problem);
        return nullptr;
    }
    return map;
}

QString UPmTiles::Check()
{
    // Unbuffered: every read seeks anyway, and a file changed underneath
    // must not be answered from an old buffer.
    if (!File.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return QStringLiteral("cannot be read");
    FileSize = quint64(File.size());
    const QByteArray header = File.read(HeaderBytes);
    if (header.size() < Magic.size() && Magic.startsWith(header))
        return QStringLiteral("the file is cut short");
    if (!header.startsWith(Magic)) {
        // Versions 1 and 2 begin with "PM" and a 16-bit version.
        if (header.size() >= 4 && header.startsWith("PM"))
            return QStringLiteral("a PMTiles map of version %1; only version 3 is read")
                .arg(quint8(header.at(2)) | quint8(header.at(3)) << 8);
        return QStringLiteral("not an offline map (MBTiles or PMTiles)");
    }
    if (header.size() < HeaderBytes)
        return QStringLiteral("the file is cut short");
    const quint8 version = quint8(header.at(7));
    if (version != ReadVersion)
        return QStringLiteral("a PMTiles map of version %1; only version 3 is read").arg(version);

    const quint64 rootOffset = Little64(header, 8);
    const quint64 rootLength = Little64(header, 16);
    LeafOffset = Little64(header, 40);
    LeafLength = Little64(header, 48);
    DataOffset = Little64(header, 56);
    DataLength = Little64(header, 64);
    Internal = Compression(quint8(header.at(97)));
    TileCompression = Compression(quint8(header.at(98)));
    Type = quint8(header.at(99));
    LowestZoom = quint8(header.at(100));
    HighestZoom = quint8(header.at(101));
    Box.West = Little32(header, 102) / DegreeUnits;
    Box.South = Little32(header, 106) / DegreeUnits;
    Box.East = Little32(header, 110) / DegreeUnits;
    Box.North = Little32(header, 114) / DegreeUnits;
    if (!Box.IsValid())
        Box = UMapBounds();

    if (Type == Mvt)
        return QStringLiteral("holds vector tiles, which the map cannot draw (it needs PNG, JPEG or WebP tiles)");
    if (Type > Avif)
        return QStringLiteral("holds tiles of a kind the map cannot draw (it needs PNG, JPEG or WebP tiles)");
    if (Internal > Gzip)
        return QStringLiteral("its directories are compressed with %1, which cannot be read").arg(CompressionName(Internal));
    if (TileCompression > Gzip)
        return QStringLiteral("its tiles are compressed with %1, which cannot be read").arg(CompressionName(TileCompression));
    if (LowestZoom > HighestZoom || HighestZoom > UTileId::MaxZoom)
        return QStringLiteral("damaged: its zoom levels %1 to %2 make no map").arg(LowestZoom).arg(HighestZoom);
    // Everything the header points at must lie in the file.
    if (!Within(rootOffset, rootLength, FileSize) || !Within(LeafOffset, LeafLength, FileSize)
        || !Within(DataOffset, DataLength, FileSize))
        return QStringLiteral("the file is cut short");
    if (rootLength == 0 || rootLength > quint64(MaxDirectoryBytes))
        return QStringLiteral("damaged: its root directory cannot be read");
    const std::optional<Directory> root = ReadDirectory(rootOffset, rootLength);
    if (!root)
        return QStringLiteral("damaged: its root directory cannot be read");
    Root = *root;
    return QString();
}

QByteArray UPmTiles::ReadAt(quint64 Offset, quint64 Length)
{
    if (!Within(Offset, Length, FileSize) || !File.seek(qint64(Offset)))
        return QByteArray();
    QByteArray bytes = File.read(qint64(Length));
    if (quint64(bytes.size()) != Length)
        return QByteArray();
    return bytes;
}

std::optional<QByteArray> UPmTiles::Unpack(const QByteArray &Bytes, Compression How, qint64 Limit) const
{
    // Where the header does not say, gzip shows by its first bytes.
    if (How == Gzip || (How == UnknownCompression && UTileFormat::IsGzip(Bytes)))
        return UGzip::Inflate(Bytes, Limit);
    return Bytes;
}

std::optional<UPmTiles::Directory> UPmTiles::ReadDirectory(quint64 Offset, quint64 Length)
{
    if (Length == 0 || Length > quint64(MaxDirectoryBytes))
        return std::nullopt;
    const QByteArray stored = ReadAt(Offset, Length);
    if (stored.isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> bytes = Unpack(stored, Internal, MaxInflatedDirectoryBytes);
    if (!bytes)
        return std::nullopt;
    return Decode(*bytes);
}

const UPmTiles::Directory *UPmTiles::Leaf(quint64 Offset, quint32 Length)
{
    const auto known = Leaves.constFind(Offset);
    if (known != Leaves.constEnd()) {
        LeafOrder.removeOne(Offset);
        LeafOrder.append(Offset);
        return known->get();
    }
    if (!Within(Offset, Length, LeafLength))
        return nullptr;
    std::optional<Directory> leaf = ReadDirectory(LeafOffset + Offset, Length);
    if (!leaf)
        return nullptr;
    while (!LeafOrder.isEmpty() && LeafEntries + leaf->size() > LeafCacheEntries) {
        const quint64 oldest = LeafOrder.takeFirst();
        LeafEntries -= Leaves.value(oldest)->size();
        Leaves.remove(oldest);
    }
    auto held = std::make_shared<Directory>(std::move(*leaf));
    LeafEntries += held->size();
    Leaves.insert(Offset, held);
    LeafOrder.append(Offset);
    return held.get();
}

qsizetype UPmTiles::CachedLeafEntries() const
{
    QMutexLocker locker(&Lock);
    return LeafEntries;
}

QByteArray UPmTiles::Tile(const UTileId &Tile)
{
    if (!Tile.IsValid())
        return QByteArray();
    const quint64 id = TileIdOf(Tile);
    QMutexLocker locker(&Lock);
    std::shared_ptr<Directory> keep; // the leaf being searched, should the cache let it go
    const Directory *directory = &Root;
    for (int depth = 0; depth <= MaxLeafDepth; ++depth) {
        const Entry *found = Find(*directory, id);
        if (!found)
            return QByteArray();
        const Entry entry = *found;
        if (entry.RunLength > 0) {
            if (id - entry.TileId >= entry.RunLength || entry.Length > quint64(MaxTileBytes)
                || !Within(entry.Offset, entry.Length, DataLength))
                return QByteArray();
            const QByteArray stored = ReadAt(DataOffset + entry.Offset, entry.Length);
            const std::optional<QByteArray> bytes = stored.isEmpty() ? std::nullopt
                                                                      : Unpack(stored, TileCompression, MaxTileBytes);
            if (!bytes) {
                if (!Warned)
                    qWarning("Vialumo: %s: tile %s cannot be read", qPrintable(Name()), qPrintable(Tile.Text()));
                Warned = true;
                return QByteArray();
            }
            return *bytes;
        }
        directory = Leaf(entry.Offset, entry.Length);
        if (!directory)
            return QByteArray();
        keep = Leaves.value(entry.Offset);
    }
    return QByteArray();
}

#include "novatekgps.h"

#include "gpslog/mp4/mp4boxes.h"

#include <QtEndian>

#include <algorithm>
#include <optional>

namespace {

// The index: big-endian version and count, then (offset, size) pairs.
constexpr qint64 IndexHeaderBytes = 8;
constexpr qint64 IndexEntryBytes = 8;
constexpr qint64 MillisecondsPerSecond = 1000;

// A block's start: its size (written with a zero first and last byte,
// 0x00008000 or 0x00004000 in the files seen), then "freeGPS ".
constexpr qint64 BlockHeaderBytes = 12;
constexpr char Marker[] = "freeGPS ";
constexpr qsizetype MarkerAt = 4;
// The any-place search reads this much at a time, keeping the bytes a
// header could straddle.
constexpr qint64 SearchChunkBytes = 64 * 1024;
constexpr qint64 CompactHeaderBytes = 8;
constexpr qint64 LargeHeaderBytes = 16;

bool IsScannedBlockHeader(QByteArrayView Bytes)
{
    return Bytes.size() >= BlockHeaderBytes && Bytes[0] == 0 && Bytes[3] == 0 && FreeGpsBlock::IsBlockStart(Bytes);
}

// Appends a block's fixes, placed in its second.
void AddBlock(const FreeGpsRecord &Record, qint64 Second, GpsFixList &Fixes)
{
    for (GpsFix fix : Record.Fixes) {
        fix.OffsetMs = Second * MillisecondsPerSecond + std::max<qint64>(fix.OffsetMs, 0);
        Fixes.append(fix);
    }
}

// The first block header within the media data's first megabytes: on the
// file's 32 KB boundaries, or anywhere in its first ScanAnyPlaceBytes.
std::optional<qint64> FirstBlock(const Mp4Boxes &Boxes, const Mp4Box &Media)
{
    const qint64 start = Media.PayloadOffset();
    const qint64 end = Media.End();
    const qint64 anyPlaceEnd = std::min(end, start + NovatekGps::ScanAnyPlaceBytes);
    for (qint64 at = start; at + BlockHeaderBytes <= anyPlaceEnd; at += SearchChunkBytes - BlockHeaderBytes) {
        const QByteArray chunk = Boxes.Read(at, std::min(SearchChunkBytes, anyPlaceEnd - at));
        for (qsizetype found = chunk.indexOf(Marker); found >= 0; found = chunk.indexOf(Marker, found + 1)) {
            const qsizetype header = found - MarkerAt;
            if (header >= 0 && IsScannedBlockHeader(QByteArrayView(chunk).sliced(header)))
                return at + header;
        }
        if (chunk.size() < SearchChunkBytes)
            break;
    }
    const qint64 boundariesEnd = std::min(end, start + NovatekGps::ScanBoundariesBytes);
    const qint64 firstBoundary = (anyPlaceEnd + NovatekGps::BlockStride - 1) / NovatekGps::BlockStride * NovatekGps::BlockStride;
    for (qint64 at = firstBoundary; at + BlockHeaderBytes <= boundariesEnd; at += NovatekGps::BlockStride) {
        if (IsScannedBlockHeader(Boxes.Read(at, BlockHeaderBytes)))
            return at;
    }
    return std::nullopt;
}

// The first 'mdat' box; when the recording was cut (the recorder lost its
// power) and the box claims more than the file holds, the part the file
// does hold.
std::optional<Mp4Box> MediaData(const Mp4Boxes &Boxes)
{
    const QList<Mp4Box> boxes = Boxes.Children(Boxes.Root());
    for (const Mp4Box &box : boxes) {
        if (box.Type == Mp4Boxes::FourCc("mdat"))
            return box.PayloadSize() >= BlockHeaderBytes ? std::optional<Mp4Box>(box) : std::nullopt;
    }
    const qint64 next = boxes.isEmpty() ? 0 : boxes.last().End();
    const QByteArray header = Boxes.Read(next, LargeHeaderBytes);
    if (header.size() < CompactHeaderBytes || header.mid(4, 4) != "mdat")
        return std::nullopt;
    Mp4Box cut;
    cut.Type = Mp4Boxes::FourCc("mdat");
    cut.Offset = next;
    cut.Depth = 1;
    cut.HeaderSize = qFromBigEndian<quint32>(header.constData()) == 1 ? LargeHeaderBytes : CompactHeaderBytes;
    cut.Size = Boxes.FileSize() - next;
    if (cut.PayloadSize() < BlockHeaderBytes)
        return std::nullopt;
    return cut;
}

} // namespace

GpsFix NovatekGps::Decode(const QByteArray &Bytes)
{
    return FreeGpsBlock::Parse(Bytes).Fixes.value(0);
}

GpsFixList NovatekGps::Read(const Mp4Boxes &Boxes, const FreeGpsBlock::NmeaToFixes &Nmea)
{
    GpsFixList fixes;
    for (const SecondRecord &block : ReadRecords(Boxes, Nmea))
        AddBlock(block.Record, block.Second, fixes);
    return fixes;
}

GpsFixList NovatekGps::Scan(const Mp4Boxes &Boxes, const FreeGpsBlock::NmeaToFixes &Nmea)
{
    GpsFixList fixes;
    for (const SecondRecord &block : ScanRecords(Boxes, Nmea))
        AddBlock(block.Record, block.Second, fixes);
    return fixes;
}

QList<NovatekGps::SecondRecord> NovatekGps::ReadRecords(const Mp4Boxes &Boxes, const FreeGpsBlock::NmeaToFixes &Nmea)
{
    QList<SecondRecord> fixes;
    const std::optional<Mp4Box> index = Boxes.Find("moov/gps ");
    if (!index || index->PayloadSize() < IndexHeaderBytes)
        return fixes;
    const QByteArray head = Boxes.ReadPayload(*index, IndexHeaderBytes);
    if (head.size() < IndexHeaderBytes)
        return fixes;
    const qint64 listed = qFromBigEndian<quint32>(head.constData() + 4);
    const qint64 held = (index->PayloadSize() - IndexHeaderBytes) / IndexEntryBytes;
    const qint64 count = std::min({listed, held, qint64(MaxBlocks)});
    const QByteArray entries = Boxes.Read(index->PayloadOffset() + IndexHeaderBytes, count * IndexEntryBytes);
    const qint64 readable = entries.size() / IndexEntryBytes;
    fixes.reserve(readable);
    for (qint64 i = 0; i < readable; ++i) {
        const char *entry = entries.constData() + i * IndexEntryBytes;
        const quint32 offset = qFromBigEndian<quint32>(entry);
        const quint32 size = qFromBigEndian<quint32>(entry + 4);
        // Some firmware sizes the index ahead and leaves the unused pairs zero.
        if (offset == 0 && size == 0)
            continue;
        const QByteArray block = Boxes.Read(offset, std::min<qint64>(size, FreeGpsBlock::MaxBlockBytes));
        fixes.append({i, FreeGpsBlock::Parse(block, FreeGpsBlock::Found::Indexed, Nmea)});
    }
    return fixes;
}

QList<NovatekGps::SecondRecord> NovatekGps::ScanRecords(const Mp4Boxes &Boxes, const FreeGpsBlock::NmeaToFixes &Nmea)
{
    QList<SecondRecord> fixes;
    const std::optional<Mp4Box> media = MediaData(Boxes);
    if (!media)
        return fixes;
    const std::optional<qint64> first = FirstBlock(Boxes, *media);
    if (!first)
        return fixes;
    // Only the headers on the boundaries are read, a few bytes each, and a
    // block's start where there is one: a long recording costs a seek a
    // boundary, never a read of its pictures.
    qint64 second = 0;
    for (qint64 at = *first; at + BlockHeaderBytes <= media->End() && second < MaxBlocks; at += BlockStride) {
        if (!IsScannedBlockHeader(Boxes.Read(at, BlockHeaderBytes)))
            continue;
        const qint64 room = std::min<qint64>(FreeGpsBlock::MaxBlockBytes, media->End() - at);
        fixes.append({second++, FreeGpsBlock::Parse(Boxes.Read(at, room), FreeGpsBlock::Found::Scanned, Nmea)});
    }
    return fixes;
}

#include "mp4sampletable.h"

#include <QtEndian>

#include <algorithm>

namespace {

// Every table box starts with a version byte and three flag bytes.
constexpr qint64 FullBoxFields = 4;
constexpr qint64 CountedTableHeader = FullBoxFields + 4;
// stsz: version and flags, uniform size, count; stz2: version and flags,
// three reserved bytes and the field width, count.
constexpr qint64 SampleSizeHeader = FullBoxFields + 8;
constexpr qint64 TimeToSampleEntry = 8;
constexpr qint64 SampleToChunkEntry = 12;
constexpr qint64 ChunkOffsetEntry = 4;
constexpr qint64 LargeChunkOffsetEntry = 8;
constexpr qint64 SampleSizeEntry = 4;
// mdhd: the timescale follows two times of 4 bytes (version 0) or 8 bytes
// (version 1).
constexpr qint64 TimescaleOffsetV0 = FullBoxFields + 8;
constexpr qint64 TimescaleOffsetV1 = FullBoxFields + 16;
// stsd: after its count, each description starts with its size and format.
constexpr qint64 FirstDescriptionFormat = CountedTableHeader + 4;
constexpr qint64 MillisecondsPerSecond = 1000;

struct ChunkRun
{
    quint32 FirstChunk = 0;
    quint32 SamplesPerChunk = 0;
};

struct TimeRun
{
    quint32 Count = 0;
    quint32 Delta = 0;
};

quint32 BigEndian32(const QByteArray &Bytes, qint64 At)
{
    return qFromBigEndian<quint32>(Bytes.constData() + At);
}

// The header and at most MaxEntries entries of a counted table, as many as
// the box really holds.
QByteArray ReadTable(const Mp4Boxes &Boxes, const Mp4Box &Box, qint64 HeaderBytes, qint64 EntryBytes,
                     quint32 Count, qint64 &Entries)
{
    const qint64 held = std::max<qint64>(Box.PayloadSize() - HeaderBytes, 0) / EntryBytes;
    Entries = std::min({qint64(Count), held, qint64(Mp4SampleTable::MaxSamples)});
    QByteArray bytes = Boxes.ReadPayload(Box, HeaderBytes + Entries * EntryBytes);
    Entries = std::min(Entries, std::max<qint64>(bytes.size() - HeaderBytes, 0) / EntryBytes);
    return bytes;
}

// The count field of a table box, or nothing when the box is too short.
std::optional<quint32> TableCount(const Mp4Boxes &Boxes, const Mp4Box &Box, qint64 CountAt)
{
    const QByteArray head = Boxes.ReadPayload(Box, CountAt + 4);
    if (head.size() < CountAt + 4)
        return std::nullopt;
    return BigEndian32(head, CountAt);
}

QList<TimeRun> ReadTimes(const Mp4Boxes &Boxes, const Mp4Box &Box)
{
    QList<TimeRun> runs;
    const std::optional<quint32> count = TableCount(Boxes, Box, FullBoxFields);
    if (!count)
        return runs;
    qint64 entries = 0;
    const QByteArray bytes = ReadTable(Boxes, Box, CountedTableHeader, TimeToSampleEntry, *count, entries);
    runs.reserve(entries);
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 at = CountedTableHeader + i * TimeToSampleEntry;
        runs.append({BigEndian32(bytes, at), BigEndian32(bytes, at + 4)});
    }
    return runs;
}

// Runs must start at chunk 1 and go up; the list ends where they do not.
QList<ChunkRun> ReadChunkRuns(const Mp4Boxes &Boxes, const Mp4Box &Box)
{
    QList<ChunkRun> runs;
    const std::optional<quint32> count = TableCount(Boxes, Box, FullBoxFields);
    if (!count)
        return runs;
    qint64 entries = 0;
    const QByteArray bytes = ReadTable(Boxes, Box, CountedTableHeader, SampleToChunkEntry, *count, entries);
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 at = CountedTableHeader + i * SampleToChunkEntry;
        const ChunkRun run{BigEndian32(bytes, at), BigEndian32(bytes, at + 4)};
        if (runs.isEmpty() ? run.FirstChunk != 1 : run.FirstChunk <= runs.last().FirstChunk)
            break;
        runs.append(run);
    }
    return runs;
}

QList<quint64> ReadChunkOffsets(const Mp4Boxes &Boxes, const Mp4Box &Box, bool Large)
{
    QList<quint64> offsets;
    const std::optional<quint32> count = TableCount(Boxes, Box, FullBoxFields);
    if (!count)
        return offsets;
    const qint64 entryBytes = Large ? LargeChunkOffsetEntry : ChunkOffsetEntry;
    qint64 entries = 0;
    const QByteArray bytes = ReadTable(Boxes, Box, CountedTableHeader, entryBytes, *count, entries);
    offsets.reserve(entries);
    for (qint64 i = 0; i < entries; ++i) {
        const char *at = bytes.constData() + CountedTableHeader + i * entryBytes;
        offsets.append(Large ? qFromBigEndian<quint64>(at) : quint64(qFromBigEndian<quint32>(at)));
    }
    return offsets;
}

// Sample sizes from stsz (or the compact stz2); Uniform is set instead of a
// list when all samples share one size.
struct SampleSizes
{
    quint32 Uniform = 0;
    qint64 Count = 0;
    QList<quint32> Sizes;
};

SampleSizes ReadSizes(const Mp4Boxes &Boxes, const Mp4Box &Box)
{
    SampleSizes result;
    const QByteArray head = Boxes.ReadPayload(Box, SampleSizeHeader);
    if (head.size() < SampleSizeHeader)
        return result;
    const quint32 count = BigEndian32(head, FullBoxFields + 4);
    if (Box.Type == Mp4Boxes::FourCc("stsz")) {
        result.Uniform = BigEndian32(head, FullBoxFields);
        if (result.Uniform != 0) {
            // One size for all: no more samples than the file could hold.
            result.Count = std::min<qint64>({qint64(count), Mp4SampleTable::MaxSamples,
                                             Boxes.FileSize() / qint64(result.Uniform)});
            return result;
        }
        qint64 entries = 0;
        const QByteArray bytes = ReadTable(Boxes, Box, SampleSizeHeader, SampleSizeEntry, count, entries);
        result.Sizes.reserve(entries);
        for (qint64 i = 0; i < entries; ++i)
            result.Sizes.append(BigEndian32(bytes, SampleSizeHeader + i * SampleSizeEntry));
    } else {
        const int bits = quint8(head[FullBoxFields + 3]);
        if (bits != 4 && bits != 8 && bits != 16)
            return result;
        const qint64 held = std::max<qint64>(Box.PayloadSize() - SampleSizeHeader, 0) * 8 / bits;
        const qint64 wanted = std::min({qint64(count), held, qint64(Mp4SampleTable::MaxSamples)});
        const QByteArray bytes = Boxes.ReadPayload(Box, SampleSizeHeader + (wanted * bits + 7) / 8);
        const qint64 entries = std::min(wanted, std::max<qint64>(bytes.size() - SampleSizeHeader, 0) * 8 / bits);
        const auto *table = reinterpret_cast<const uchar *>(bytes.constData()) + SampleSizeHeader;
        result.Sizes.reserve(entries);
        for (qint64 i = 0; i < entries; ++i) {
            if (bits == 16)
                result.Sizes.append(qFromBigEndian<quint16>(table + 2 * i));
            else if (bits == 8)
                result.Sizes.append(table[i]);
            else
                result.Sizes.append(i % 2 == 0 ? table[i / 2] >> 4 : table[i / 2] & 0x0f);
        }
    }
    result.Count = result.Sizes.size();
    return result;
}

} // namespace

Mp4SampleTable::Mp4SampleTable(const Mp4Boxes &Boxes, const Mp4Box &Track)
{
    SampleFormat = ReadFormat(Boxes, Track);
    const std::optional<Mp4Box> header = Boxes.Find(Track, "mdia/mdhd");
    if (header) {
        const QByteArray bytes = Boxes.ReadPayload(*header, TimescaleOffsetV1 + 4);
        const qint64 at = !bytes.isEmpty() && bytes[0] == 1 ? TimescaleOffsetV1 : TimescaleOffsetV0;
        if (bytes.size() >= at + 4)
            Units = BigEndian32(bytes, at);
    }
    if (const std::optional<Mp4Box> table = Boxes.Find(Track, "mdia/minf/stbl"))
        ReadTables(Boxes, *table);
}

quint32 Mp4SampleTable::ReadFormat(const Mp4Boxes &Boxes, const Mp4Box &Track)
{
    const std::optional<Mp4Box> descriptions = Boxes.Find(Track, "mdia/minf/stbl/stsd");
    if (!descriptions)
        return 0;
    const QByteArray bytes = Boxes.ReadPayload(*descriptions, FirstDescriptionFormat + 4);
    if (bytes.size() < FirstDescriptionFormat + 4 || BigEndian32(bytes, FullBoxFields) == 0)
        return 0;
    return BigEndian32(bytes, FirstDescriptionFormat);
}

qint64 Mp4SampleTable::Milliseconds(quint64 Ticks) const
{
    if (Units == 0)
        return -1;
    return qint64(Ticks / Units * MillisecondsPerSecond + Ticks % Units * MillisecondsPerSecond / Units);
}

void Mp4SampleTable::ReadTables(const Mp4Boxes &Boxes, const Mp4Box &SampleTable)
{
    std::optional<Mp4Box> timesBox, chunksBox, offsetsBox, sizesBox;
    bool largeOffsets = false;
    for (const Mp4Box &box : Boxes.Children(SampleTable)) {
        if (box.Type == Mp4Boxes::FourCc("stts") && !timesBox) {
            timesBox = box;
        } else if (box.Type == Mp4Boxes::FourCc("stsc") && !chunksBox) {
            chunksBox = box;
        } else if ((box.Type == Mp4Boxes::FourCc("stco") || box.Type == Mp4Boxes::FourCc("co64")) && !offsetsBox) {
            offsetsBox = box;
            largeOffsets = box.Type == Mp4Boxes::FourCc("co64");
        } else if ((box.Type == Mp4Boxes::FourCc("stsz") || box.Type == Mp4Boxes::FourCc("stz2")) && !sizesBox) {
            sizesBox = box;
        }
    }
    if (!chunksBox || !offsetsBox || !sizesBox)
        return;
    const SampleSizes sizes = ReadSizes(Boxes, *sizesBox);
    // Every sample is empty: nothing to read.
    if (sizes.Count == 0 || (sizes.Sizes.isEmpty() && sizes.Uniform == 0))
        return;
    const QList<ChunkRun> runs = ReadChunkRuns(Boxes, *chunksBox);
    const QList<quint64> offsets = ReadChunkOffsets(Boxes, *offsetsBox, largeOffsets);
    const QList<TimeRun> times = timesBox ? ReadTimes(Boxes, *timesBox) : QList<TimeRun>();
    if (runs.isEmpty())
        return;

    const quint64 fileSize = quint64(Boxes.FileSize());
    // In a healthy file samples never share bytes, so together they fit in
    // the file; tables that say otherwise are not followed further.
    quint64 bytesListed = 0;
    qint64 sample = 0;
    qsizetype run = 0;
    qsizetype timeRun = 0;
    quint32 timeLeft = times.isEmpty() ? 0 : times[0].Count;
    quint64 clock = 0;
    for (qsizetype chunk = 0; chunk < offsets.size() && sample < sizes.Count; ++chunk) {
        while (run + 1 < runs.size() && quint64(runs[run + 1].FirstChunk) <= quint64(chunk) + 1)
            ++run;
        quint64 position = offsets[chunk];
        for (quint32 k = 0; k < runs[run].SamplesPerChunk && sample < sizes.Count; ++k, ++sample) {
            const quint64 size = sizes.Sizes.isEmpty() ? sizes.Uniform : sizes.Sizes[sample];
            while (timeLeft == 0 && timeRun + 1 < times.size())
                timeLeft = times[++timeRun].Count;
            quint64 duration = 0;
            if (timeLeft > 0) {
                duration = times[timeRun].Delta;
                --timeLeft;
            }
            if (position <= fileSize && size <= fileSize - position) {
                bytesListed += size;
                if (bytesListed > fileSize)
                    return;
                List.append({qint64(position), qint64(size), clock, duration});
            }
            if (position <= fileSize)
                position += size;
            clock += duration;
        }
    }
}

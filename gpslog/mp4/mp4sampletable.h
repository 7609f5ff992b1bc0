#ifndef MP4SAMPLETABLE_H
#define MP4SAMPLETABLE_H

#include "gpslog/mp4/mp4boxes.h"

#include <QList>
#include <QtGlobal>

// One sample of a track: where its bytes lie and the time it covers, in the
// track's own units (see Mp4SampleTable::Timescale).
struct Mp4Sample
{
    qint64 Offset = 0;
    qint64 Size = 0;
    quint64 Start = 0;
    quint64 Duration = 0;
};

// The samples of one track ("trak" box), from its sample tables: the sample
// description's format, the durations, the chunks and the sample sizes. Only
// samples wholly inside the file are listed, in decoding order; tables that
// contradict one another end the list where they part.
class Mp4SampleTable
{
public:
    // No track lists more samples than this (a day at twelve a second).
    static constexpr qsizetype MaxSamples = 1 << 20;

    Mp4SampleTable(const Mp4Boxes &Boxes, const Mp4Box &Track);

    // The four characters of the first sample description ('avc1',
    // 'gpmd', ...); 0 when the track has none.
    quint32 Format() const { return SampleFormat; }
    // Units of a second of the track's times; 0 when unknown.
    quint32 Timescale() const { return Units; }
    const QList<Mp4Sample> &Samples() const { return List; }

    // A time in track units as milliseconds; -1 without a timescale.
    qint64 Milliseconds(quint64 Ticks) const;

    // The format of a track's first sample description, without reading the
    // rest of its tables.
    static quint32 ReadFormat(const Mp4Boxes &Boxes, const Mp4Box &Track);

private:
    void ReadTables(const Mp4Boxes &Boxes, const Mp4Box &SampleTable);

    quint32 SampleFormat = 0;
    quint32 Units = 0;
    QList<Mp4Sample> List;
};

#endif // MP4SAMPLETABLE_H

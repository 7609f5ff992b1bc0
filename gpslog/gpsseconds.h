#ifndef GPSSECONDS_H
#define GPSSECONDS_H

#include "gpslog/gpsreader.h"
#include "gpslog/gpstrack.h"
#include "gpslog/videospan.h"

// Any source's fixes as the track the display reads: one fix per second of
// video. The fix of second n is the last report at or before n seconds into
// the video; one older than StaleMs counts as none, and so does a report
// without a fix (that second's fix is then not Valid).
class GpsSeconds
{
public:
    static constexpr qint64 StaleMs = 2000;
    // However long a source claims to run, no track is longer than this.
    static constexpr qint64 MaxSeconds = 24 * 60 * 60;
    // A track placed by UTC times only, beside a video of unknown length,
    // runs to its last point within this.
    static constexpr qint64 MaxOpenSeconds = 60 * 60;

    struct Result
    {
        // False when the source could not be read (the track is empty).
        bool Readable = false;
        GpsTrack Track;
        // Reports with a fix in the source, and those of them that fell
        // within the video.
        qsizetype SourceFixes = 0;
        qsizetype PlacedFixes = 0;

        qsizetype ValidSeconds() const;
    };

    // Places Fixes by Timing: fix i at i seconds, each at its OffsetMs, or
    // by its UTC time from Span's start; nothing before the start counts.
    // The track runs to the video's end where Span knows it, and further
    // to the last report of a source that carries its own offsets. Placed
    // by UTC, only reports within the video count: up to its end, or up to
    // the last report but no more than MaxOpenSeconds for a video of
    // unknown length.
    static Result Place(const GpsFixList &Fixes, GpsReader::Timing Timing, const VideoSpan &Span);
    // Milliseconds into the video of fix Index of a source's fixes (Fix),
    // as Place reckons it; negative when the fix cannot be placed.
    static qint64 OffsetOf(const GpsFix &Fix, qsizetype Index, GpsReader::Timing Timing, const VideoSpan &Span);
    // Reads the file at SourcePath with Reader and places its fixes.
    static Result Read(const GpsReader &Reader, const QString &SourcePath, const VideoSpan &Span);
};

#endif // GPSSECONDS_H

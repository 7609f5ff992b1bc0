#include "gpsseconds.h"

#include <QList>

#include <algorithm>

namespace {

constexpr qint64 MillisecondsPerSecond = 1000;

struct Placed
{
    qint64 OffsetMs;
    qsizetype Index;
};

} // namespace

qint64 GpsSeconds::OffsetOf(const GpsFix &Fix, qsizetype Index, GpsReader::Timing Timing, const VideoSpan &Span)
{
    switch (Timing) {
    case GpsReader::Timing::OneFixPerSecond:
        return qint64(Index) * MillisecondsPerSecond;
    case GpsReader::Timing::VideoOffset:
        return Fix.OffsetMs;
    case GpsReader::Timing::UtcOnly:
        if (!Span.Start.isValid() || !Fix.Utc.isValid())
            return -1;
        return Span.Start.msecsTo(Fix.Utc);
    }
    return -1;
}

qsizetype GpsSeconds::Result::ValidSeconds() const
{
    const GpsFixList &fixes = Track.Fixes();
    return std::count_if(fixes.cbegin(), fixes.cend(), [](const GpsFix &Fix) { return Fix.Valid; });
}

GpsSeconds::Result GpsSeconds::Place(const GpsFixList &Fixes, GpsReader::Timing Timing, const VideoSpan &Span)
{
    Result result;
    result.Readable = true;
    // A track known only by its UTC times may cover a whole day: only its
    // part within the video counts. A source that carries its place in the
    // video was written for it, even where the movie header (often cut or
    // left unfinished) tells a shorter length.
    const bool byUtc = Timing == GpsReader::Timing::UtcOnly;
    const qint64 limitMs = byUtc && Span.DurationMs > 0 ? std::min(Span.DurationMs, MaxSeconds * MillisecondsPerSecond)
        : byUtc                                          ? MaxOpenSeconds * MillisecondsPerSecond
                                                         : MaxSeconds * MillisecondsPerSecond;
    QList<Placed> placed;
    for (qsizetype i = 0; i < Fixes.size(); ++i) {
        const GpsFix &fix = Fixes.at(i);
        if (fix.Valid)
            ++result.SourceFixes;
        const qint64 offset = OffsetOf(fix, i, Timing, Span);
        if (offset < 0 || offset > limitMs)
            continue;
        placed.append({offset, i});
        if (fix.Valid)
            ++result.PlacedFixes;
    }
    if (placed.isEmpty())
        return result;
    // Sources write their reports in time order, almost always: a stable
    // sort keeps the order of reports of the same moment.
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed &A, const Placed &B) { return A.OffsetMs < B.OffsetMs; });

    // A video of 60.4 s has a second 60; one of 60.0 s ends with second 59.
    const qint64 videoSeconds
        = Span.DurationMs > 0 ? (Span.DurationMs + MillisecondsPerSecond - 1) / MillisecondsPerSecond : 0;
    const qint64 sourceSeconds = placed.constLast().OffsetMs / MillisecondsPerSecond + 1;
    qint64 seconds = byUtc && videoSeconds > 0 ? videoSeconds : std::max(videoSeconds, sourceSeconds);
    seconds = std::clamp<qint64>(seconds, 1, MaxSeconds);

    qsizetype next = 0;
    const Placed *last = nullptr;
    for (qint64 second = 0; second < seconds; ++second) {
        const qint64 at = second * MillisecondsPerSecond;
        while (next < placed.size() && placed.at(next).OffsetMs <= at)
            last = &placed.at(next++);
        if (last && at - last->OffsetMs <= StaleMs) {
            result.Track.Append(Fixes.at(last->Index));
        } else {
            GpsFix none;
            none.OffsetMs = at;
            result.Track.Append(none);
        }
    }
    result.Track.Squeeze();
    return result;
}

GpsSeconds::Result GpsSeconds::Read(const GpsReader &Reader, const QString &SourcePath, const VideoSpan &Span)
{
    GpsTrack source;
    if (!Reader.Read(SourcePath, source))
        return {};
    return Place(source.Fixes(), Reader.FixTiming(), Span);
}

#include "uclipgps.h"

#include "gpslog/gpsposition.h"
#include "gpslog/gpsreader.h"
#include "gpslog/gpsseconds.h"
#include "gpslog/gpssourcechooser.h"
#include "gpslog/videospan.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr qint64 MillisecondsPerSecond = 1000;

bool HasPosition(const GpsFix &Fix)
{
    return Fix.Valid && GpsPosition::IsPlausible(Fix.Latitude, Fix.Longitude);
}

// Whole seconds down, also before zero.
qint64 SecondOf(qint64 Ms)
{
    return Ms >= 0 ? Ms / MillisecondsPerSecond : -((-Ms + MillisecondsPerSecond - 1) / MillisecondsPerSecond);
}

} // namespace

UClipGps UClipGps::Read(GpsSourceKind Kind, const QString &SourcePath, const QString &VideoPath, int ShiftSeconds)
{
    UClipGps gps;
    gps.Shift = ShiftSeconds;
    if (Kind == GpsSourceKind::None || SourcePath.isEmpty())
        return gps;
    // Read with the reader of its kind, as when it plays.
    const GpsReader *reader = GpsSourceChooser::ReaderOf(Kind);
    GpsTrack source;
    if (!reader || !reader->Read(SourcePath, source))
        return gps;
    const GpsReader::Timing timing = reader->FixTiming();
    const VideoSpan span = timing == GpsReader::Timing::UtcOnly ? VideoSpan::Of(VideoPath) : VideoSpan();
    const GpsFixList &fixes = source.Fixes();
    const qint64 shiftMs = qint64(ShiftSeconds) * MillisecondsPerSecond;
    for (qsizetype i = 0; i < fixes.size(); ++i) {
        const GpsFix &fix = fixes.at(i);
        if (!HasPosition(fix))
            continue;
        const qint64 offset = GpsSeconds::OffsetOf(fix, i, timing, span);
        if (offset < 0)
            continue;
        gps.Reports.append({fix, offset + shiftMs});
    }
    std::stable_sort(gps.Reports.begin(), gps.Reports.end(),
                     [](const Report &A, const Report &B) { return A.ShownMs < B.ShownMs; });
    if (!gps.Reports.isEmpty())
        gps.Seconds = GpsSeconds::Place(fixes, timing, VideoSpan::Of(VideoPath)).Track;
    return gps;
}

QList<UClipGps::Report> UClipGps::Between(qint64 FromMs, qint64 ToMs) const
{
    const auto first = std::lower_bound(Reports.cbegin(), Reports.cend(), FromMs,
                                        [](const Report &R, qint64 Ms) { return R.ShownMs < Ms; });
    QList<Report> between;
    for (auto at = first; at != Reports.cend() && at->ShownMs < ToMs; ++at)
        between.append(*at);
    return between;
}

std::optional<GpsFix> UClipGps::ShownAt(qint64 Ms) const
{
    const qint64 index = SecondOf(Ms) - Shift;
    if (index < 0 || index >= Seconds.Size())
        return std::nullopt;
    const GpsFix &fix = Seconds.At(index);
    if (!HasPosition(fix))
        return std::nullopt;
    return fix;
}

QDateTime UClipGps::RealTimeAt(qint64 Ms) const
{
    const Report *nearest = nullptr;
    for (const Report &report : Reports) {
        if (!report.Fix.Utc.isValid())
            continue;
        if (!nearest || std::llabs(report.ShownMs - Ms) < std::llabs(nearest->ShownMs - Ms))
            nearest = &report;
    }
    if (!nearest)
        return QDateTime();
    return nearest->Fix.Utc.toUTC().addMSecs(Ms - nearest->ShownMs);
}

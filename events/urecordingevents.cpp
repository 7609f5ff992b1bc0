#include "urecordingevents.h"

#include "events/ueventdetector.h"
#include "events/urecordermarks.h"
#include "gpslog/accel/accelreader.h"
#include "gpslog/gpsseconds.h"
#include "gpslog/gpssourcechooser.h"
#include "gpslog/gpsposition.h"
#include "gpslog/videospan.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThreadPool>

#include <cmath>

namespace {

constexpr qint64 MillisecondsPerSecond = 1000;

// Folders recorders sort their files into, passed over to find the card a
// recording belongs to, compared without case.
constexpr QLatin1String SortingFolders[] = {
    QLatin1String("DCIM"),      QLatin1String("Normal"),      QLatin1String("Movie"),
    QLatin1String("Video"),     QLatin1String("Record"),      QLatin1String("cont_rec"),
    QLatin1String("evt_rec"),   QLatin1String("parking_rec"), QLatin1String("manual_rec"),
    QLatin1String("RO"),        QLatin1String("Event"),       QLatin1String("Emergency"),
    QLatin1String("SOS"),       QLatin1String("Protected"),   QLatin1String("Parking"),
    QLatin1String("Front"),     QLatin1String("Rear"),        QLatin1String("RecentClips"),
    QLatin1String("SavedClips"), QLatin1String("SentryClips"), QLatin1String("TeslaCam"),
};

bool IsSortingFolder(const QString &Name)
{
    // 100CLIP, 100MEDIA, 101SAVED, 100GOPRO; a Tesla event's 2023-05-01_12-34-56
    static const QRegularExpression numbered(QStringLiteral("^\\d{3}[A-Z_]{3,8}$|^\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2}$"),
                                             QRegularExpression::CaseInsensitiveOption);
    for (const QLatin1String folder : SortingFolders) {
        if (Name.compare(folder, Qt::CaseInsensitive) == 0)
            return true;
    }
    return numbered.match(Name).hasMatch();
}

// The camera a file name tells: BlackVue's F/R/I letter, a Tesla clip's
// camera; empty where the name tells none.
QString CameraLetter(const QString &FileName)
{
    static const QRegularExpression blackVue(QStringLiteral("^\\d{8}_\\d{6}_[A-Z]([FRI])S?\\."),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = blackVue.match(FileName);
    if (match.hasMatch())
        return match.captured(1).toUpper();
    if (URecorderMarks::TeslaClipStart(FileName).isValid())
        return QFileInfo(FileName).completeBaseName().mid(20);
    return {};
}

GpsSeconds::Result ReadTrack(const QString &VideoPath, const QString &GpsPath, GpsSourceKind Source)
{
    if (Source == GpsSourceKind::None || GpsPath.isEmpty())
        return {};
    // Read with the reader of its kind, as when it plays.
    return GpsSourceChooser::ReadSeconds({Source, GpsPath, VideoPath});
}

QList<UAccelPoint> ShownAccel(const AccelTrace &Trace)
{
    // Of the readings within each slot, the one furthest from rest: a
    // short bump must stay visible in the thinned trace.
    constexpr qint64 slotMs = MillisecondsPerSecond / URecordingAnalysis::ShownAccelHz;
    QList<UAccelPoint> points;
    auto size = [](const AccelSample &S) {
        return S.Longitudinal * S.Longitudinal + S.Lateral * S.Lateral + S.Vertical * S.Vertical;
    };
    qint64 slot = -1;
    for (const AccelSample &sample : Trace.Samples) {
        const qint64 at = sample.OffsetMs / slotMs;
        const UAccelPoint point{qint32(std::min<qint64>(sample.OffsetMs, std::numeric_limits<qint32>::max())),
                                float(sample.Longitudinal), float(sample.Lateral), float(sample.Vertical)};
        if (at != slot) {
            points.append(point);
            slot = at;
        } else {
            const UAccelPoint &kept = points.constLast();
            const AccelSample keptSample{kept.OffsetMs, kept.Longitudinal, kept.Lateral, kept.Vertical};
            if (size(sample) > size(keptSample))
                points.last() = point;
        }
    }
    return points;
}

} // namespace

UEventList URecordingEvents::WithSpeeding(double LimitKmh) const
{
    UEventList events = Events;
    events += UEventDetector::Speeding(SpeedsKmh, LimitKmh);
    SortEvents(events);
    return events;
}

QString URecordingAnalysis::CameraOf(const QString &VideoPath)
{
    const QFileInfo video(VideoPath);
    // By the path's words alone: the folders may be gone by now.
    QString card = QDir::cleanPath(video.absolutePath());
    while (IsSortingFolder(QFileInfo(card).fileName()))
        card = QFileInfo(card).path();
    const QString letter = CameraLetter(video.fileName());
    return letter.isEmpty() ? card : card + u'#' + letter;
}

URecordingEvents URecordingAnalysis::Analyse(const QString &VideoPath)
{
    const VideoAndGpsfile entry = UVideoAndGpsfiles::RateVideo(VideoPath);
    return Analyse(VideoPath, entry.GpsfilePath, entry.GpsSource);
}

URecordingEvents URecordingAnalysis::Analyse(const QString &VideoPath, const QString &GpsPath, GpsSourceKind Source)
{
    URecordingEvents result;
    result.VideoPath = VideoPath;
    result.Camera = CameraOf(VideoPath);
    result.Events = URecorderMarks::Of(VideoPath);

    const GpsSeconds::Result gps = ReadTrack(VideoPath, GpsPath, Source);
    const GpsTrack &track = gps.Track;
    const AccelTrace accel = AccelReader::ReadVideo(VideoPath);
    result.HasAccel = !accel.IsEmpty();
    result.Events += result.HasAccel ? UEventDetector::FromAccel(accel) : UEventDetector::FromGps(track);
    SortEvents(result.Events);
    result.Accel = ShownAccel(accel);

    result.SpeedsKmh.reserve(track.Size());
    for (qsizetype second = 0; second < track.Size(); ++second) {
        const GpsFix &fix = track.At(second);
        const bool placed = fix.Valid && GpsPosition::IsPlausible(fix.Latitude, fix.Longitude);
        result.SpeedsKmh.append(fix.Valid ? float(fix.SpeedKmh) : qQNaN());
        if (!placed)
            continue;
        result.Route.append({qint32(second), fix.Latitude, fix.Longitude, float(fix.SpeedKmh)});
        if (!result.FirstFix.Valid) {
            result.FirstFix = fix;
            if (fix.Utc.isValid())
                result.Start = fix.Utc.addMSecs(-second * MillisecondsPerSecond);
        }
        result.LastFix = fix;
    }
    const VideoSpan span = VideoSpan::Of(VideoPath);
    if (!result.Start.isValid())
        result.Start = span.Start;
    result.DurationMs = span.DurationMs >= 0 ? span.DurationMs
                                             : (track.IsEmpty() ? -1 : track.Size() * MillisecondsPerSecond);
    return result;
}

QList<URecordingEvents> URecordingAnalysis::AnalyseAll(const QStringList &VideoPaths)
{
    QList<URecordingEvents> results(VideoPaths.size());
    QThreadPool pool;
    for (qsizetype i = 0; i < VideoPaths.size(); ++i)
        pool.start([&results, &VideoPaths, i] { results[i] = Analyse(VideoPaths.at(i)); });
    pool.waitForDone();
    return results;
}

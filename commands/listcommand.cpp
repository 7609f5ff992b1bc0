#include "listcommand.h"

#include "catalogue/ucameragroups.h"
#include "catalogue/ufoldersearch.h"
#include "catalogue/uvideoandgpsfiles.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

const QCommandLineOption Option(QStringLiteral("list"),
                                QStringLiteral("Print the recordings found in PATH... (video files or folders, "
                                               "searched as the import searches them) as JSON, one object a line, "
                                               "without opening a window."));

constexpr double MillisecondsPerSecond = 1000.0;

// The source's kind as other programs read it.
QString KindName(GpsSourceKind Kind)
{
    switch (Kind) {
    case GpsSourceKind::RecorderLog:
        return QStringLiteral("recorder_log");
    case GpsSourceKind::InsideVideo:
        return QStringLiteral("inside_video");
    case GpsSourceKind::NmeaFile:
        return QStringLiteral("nmea_file");
    case GpsSourceKind::GpxFile:
        return QStringLiteral("gpx_file");
    case GpsSourceKind::SrtFile:
        return QStringLiteral("srt_file");
    case GpsSourceKind::None:
        break;
    }
    return QString();
}

int Main(const UCommandRun &Run)
{
    const QStringList paths = Run.AbsolutePaths();
    if (paths.isEmpty()) {
        Run.Fail(QStringLiteral("--list needs video files or folders"));
        return UCommandExit::Failed;
    }
    UFolderSearchResult found = UFolderSearch::Search(paths);
    // A file named twice, or reached through two paths, is one recording.
    QSet<QString> known;
    UFolderSearch::DropKnown(found.Videos, known);
    const UCameraGrouping grouping = UCameraGroups::Group(found.Videos);
    qint64 printed = 0;
    for (const UCameraFiles &cameras : grouping.Recordings) {
        for (const VideoAndGpsfile &entry : UVideoAndGpsfiles::RateCameras(cameras)) {
            Run.Out.write(QJsonDocument(ListedRecordingJson(entry)).toJson(QJsonDocument::Compact) + '\n');
            ++printed;
        }
    }
    if (printed == 0) {
        Run.Fail(QStringLiteral("no video in %1").arg(paths.join(QStringLiteral(", "))));
        return UCommandExit::Failed;
    }
    return UCommandExit::Done;
}

} // namespace

QJsonObject ListedRecordingJson(const VideoAndGpsfile &Entry)
{
    const UCameraFiles cameras
        = Entry.Cameras.isEmpty() ? UCameraFiles{UCameraFile{UCameraRole::Front, Entry.VideoPath}} : Entry.Cameras;
    QJsonObject roles;
    for (const UCameraFile &camera : cameras)
        roles.insert(CameraRoleName(camera.Role), camera.Path);
    QJsonObject json;
    json.insert(QStringLiteral("file"), Entry.VideoPath);
    json.insert(QStringLiteral("cameras"), roles);
    json.insert(QStringLiteral("rating"), UVideoAndGpsfiles::StatusWord(Entry));
    if (Entry.GpsSource == GpsSourceKind::None) {
        json.insert(QStringLiteral("gps"), QJsonValue::Null);
    } else {
        json.insert(QStringLiteral("gps"), QJsonObject{{QStringLiteral("kind"), KindName(Entry.GpsSource)},
                                                       {QStringLiteral("path"), Entry.GpsfilePath}});
    }
    const URecordedSpan span = UCameraGroups::RecordedSpan(Entry.VideoPath);
    json.insert(QStringLiteral("start"), span.Start.isValid()
                                             ? QJsonValue(span.Start.toUTC().toString(Qt::ISODate))
                                             : QJsonValue(QJsonValue::Null));
    json.insert(QStringLiteral("length_s"), span.DurationMs >= 0
                                                ? QJsonValue(double(span.DurationMs) / MillisecondsPerSecond)
                                                : QJsonValue(QJsonValue::Null));
    return json;
}

UCommand ListCommand()
{
    return {Option, {}, Main};
}

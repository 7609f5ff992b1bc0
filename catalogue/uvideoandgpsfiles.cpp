#include "uvideoandgpsfiles.h"

#include "gpslog/gpsseconds.h"
#include "gpslog/gpssourcechooser.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

constexpr int GpsfileNotExist = 0;
constexpr int GpsfileUnavailable = 1;
constexpr int GpsfileAvailable = 2;

// A log is worth a map when more than this share of its lines has a fix.
constexpr double AvailableShare = 0.2;
constexpr char16_t ValidFlag = u'A';

constexpr const char *DateFormat = "yyyy-MM-dd";
constexpr const char *TimeFormat = "hh:mm";

// "Exists" means a regular file (or a link to one): a directory named like
// a video or a log is neither, and a dangling link points at nothing.
bool IsRegularFile(const QString &Path)
{
    return !Path.isEmpty() && QFileInfo(Path).isFile();
}

// Counts the lines that begin with the fix flag. A log that cannot be
// opened reads as having no lines.
int RateGpsfile(const QString &GpsfilePath)
{
    if (!IsRegularFile(GpsfilePath))
        return GpsfileNotExist;
    QFile file(GpsfilePath);
    if (!file.open(QIODevice::ReadOnly))
        return GpsfileUnavailable;
    QTextStream in(&file);
    QString line;
    qint64 lines = 0;
    qint64 valid = 0;
    while (in.readLineInto(&line)) {
        ++lines;
        if (!line.isEmpty() && line.front() == QChar(ValidFlag))
            ++valid;
    }
    if (lines > 0 && double(valid) / double(lines) > AvailableShare)
        return GpsfileAvailable;
    return GpsfileUnavailable;
}

// The rating of a track of one fix a second: the same share as for a log.
int RateSeconds(const GpsSeconds::Result &Seconds)
{
    const qsizetype seconds = Seconds.Track.Size();
    if (seconds > 0 && double(Seconds.ValidSeconds()) / double(seconds) > AvailableShare)
        return GpsfileAvailable;
    return GpsfileUnavailable;
}

QString FixesText(const GpsSeconds::Result &Seconds)
{
    return QStringLiteral("%1 fixes in %2 s").arg(Seconds.PlacedFixes).arg(Seconds.Track.Size());
}

// What the tooltip calls a source other than the log.
QString SourceWords(const GpsSource &Source)
{
    const QString name = QFileInfo(Source.Path).fileName();
    switch (Source.Kind) {
    case GpsSourceKind::InsideVideo:
        return QStringLiteral("GPS inside the video: ");
    case GpsSourceKind::NmeaFile:
        return QStringLiteral("NMEA file %1: ").arg(name);
    case GpsSourceKind::GpxFile:
        return QStringLiteral("GPX track %1: ").arg(name);
    case GpsSourceKind::SrtFile:
        return QStringLiteral("SRT telemetry %1: ").arg(name);
    case GpsSourceKind::None:
    case GpsSourceKind::RecorderLog:
        break;
    }
    return QString();
}

QDateTime CreationTime(const QFileInfo &Info)
{
    const QDateTime born = Info.birthTime();
    return born.isValid() ? born : Info.lastModified();
}

} // namespace

UVideoAndGpsfiles::UVideoAndGpsfiles(QObject *parent) : QObject(parent) {}

int UVideoAndGpsfiles::GetVideoCount() const
{
    return int(VideoAndGpsfileList.size());
}

QString UVideoAndGpsfiles::GetVideoName(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return QString();
    return VideoAndGpsfileList.at(Index).VideoName;
}

QString UVideoAndGpsfiles::GetVideoDate(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return QString();
    return VideoAndGpsfileList.at(Index).VideoCreateDate;
}

QString UVideoAndGpsfiles::GetVideoTime(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return QString();
    return VideoAndGpsfileList.at(Index).VideoCreateTime;
}

QString UVideoAndGpsfiles::GetGpsfilePath(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return QString();
    return VideoAndGpsfileList.at(Index).GpsfilePath;
}

QString UVideoAndGpsfiles::GetGpsfileStatus(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return QString();
    switch (VideoAndGpsfileList.at(Index).GpsfileStatus) {
    case GpsfileAvailable:
        return GpsfileAvailableWord;
    case GpsfileUnavailable:
        return GpsfileUnavailableWord;
    default:
        return GpsfileNotExistWord;
    }
}

QString UVideoAndGpsfiles::GetVideoPath(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return QString();
    return VideoAndGpsfileList.at(Index).VideoPath;
}

GpsSourceKind UVideoAndGpsfiles::GetGpsSourceKind(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return GpsSourceKind::None;
    return VideoAndGpsfileList.at(Index).GpsSource;
}

GpsSource UVideoAndGpsfiles::GetGpsSource(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return GpsSource();
    const VideoAndGpsfile &entry = VideoAndGpsfileList.at(Index);
    return {entry.GpsSource, entry.GpsfilePath, entry.VideoPath};
}

QString UVideoAndGpsfiles::GetGpsSourceText(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return QString();
    return VideoAndGpsfileList.at(Index).GpsSourceText;
}

UCameraFiles UVideoAndGpsfiles::GetCameras(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return {};
    const VideoAndGpsfile &entry = VideoAndGpsfileList.at(Index);
    if (!entry.Cameras.isEmpty())
        return entry.Cameras;
    return {UCameraFile{UCameraRole::Front, entry.VideoPath}};
}

VideoAndGpsfile UVideoAndGpsfiles::RateVideo(const QString &VideoPath)
{
    const QFileInfo info(VideoPath);
    VideoAndGpsfile entry;
    entry.VideoPath = VideoPath;
    if (info.isFile()) {
        entry.VideoName = info.fileName();
        const QDateTime created = CreationTime(info);
        entry.VideoCreateDate = created.toString(QLatin1String(DateFormat));
        entry.VideoCreateTime = created.toString(QLatin1String(TimeFormat));
    }
    const GpsSourceChooser::Choice choice = GpsSourceChooser::Choose(VideoPath);
    entry.GpsSource = choice.Source.Kind;
    entry.GpsfilePath = choice.Source.Path;
    switch (choice.Source.Kind) {
    case GpsSourceKind::None:
        entry.GpsfileStatus = GpsfileNotExist;
        break;
    case GpsSourceKind::RecorderLog:
        entry.GpsfileStatus = RateGpsfile(entry.GpsfilePath);
        entry.GpsSourceText = QStringLiteral("GPS log ") + QFileInfo(entry.GpsfilePath).fileName();
        break;
    case GpsSourceKind::InsideVideo:
    case GpsSourceKind::NmeaFile:
    case GpsSourceKind::GpxFile:
    case GpsSourceKind::SrtFile:
        entry.GpsfileStatus = RateSeconds(choice.Seconds);
        entry.GpsSourceText = SourceWords(choice.Source) + FixesText(choice.Seconds);
        break;
    }
    return entry;
}

void UVideoAndGpsfiles::AppendRated(const QList<VideoAndGpsfile> &Entries)
{
    for (const VideoAndGpsfile &entry : Entries) {
        if (entry.VideoName.isEmpty())
            continue;
        VideoAndGpsfileList.append(entry);
        emit VideoAdded(entry.VideoPath);
    }
}

void UVideoAndGpsfiles::AddVideoAndGpsfiles(QStringList VideoPaths)
{
    for (const QString &videoPath : VideoPaths) {
        const VideoAndGpsfile entry = RateVideo(videoPath);
        if (entry.VideoName.isEmpty())
            continue;
        VideoAndGpsfileList.append(entry);
        emit VideoAdded(videoPath);
    }
}

void UVideoAndGpsfiles::DeleteVideoAndGpsfile(int Index)
{
    if (Index >= 0 && Index < VideoAndGpsfileList.size())
        VideoAndGpsfileList.removeAt(Index);
    emit VideoDeleted(Index);
}

#include "uvideoandgpsfiles.h"

#include "gpslog/gpsseconds.h"
#include "gpslog/gpssourcechooser.h"
#include "catalogue/ucameranaming.h"
#include "catalogue/ufoldersearch.h"

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

// The recording's GPS is the first camera's that has any: its source, path,
// rating and words.
void TakeGps(VideoAndGpsfile &Entry, const VideoAndGpsfile &Camera)
{
    Entry.GpsSource = Camera.GpsSource;
    Entry.GpsfilePath = Camera.GpsfilePath;
    Entry.GpsfileStatus = Camera.GpsfileStatus;
    Entry.GpsSourceText = Camera.GpsSourceText;
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

QDateTime UVideoAndGpsfiles::GetVideoDateTime(int Index) const
{
    if (Index < 0 || Index >= VideoAndGpsfileList.size())
        return QDateTime();
    return VideoAndGpsfileList.at(Index).VideoCreated;
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
    return StatusWord(VideoAndGpsfileList.at(Index));
}

QString UVideoAndGpsfiles::StatusWord(const VideoAndGpsfile &Entry)
{
    switch (Entry.GpsfileStatus) {
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
        entry.VideoCreated = created;
    }
    // A recorder that writes one log for all its cameras names it after
    // their shared stem (BlackVue: 20260501_120000_N.gps beside _NF.mp4).
    const GpsSourceChooser::Choice choice
        = GpsSourceChooser::Choose(VideoPath, UCameraNaming::Read(VideoPath).SideStem);
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

VideoAndGpsfile UVideoAndGpsfiles::RateRecording(const UCameraFiles &Cameras)
{
    if (Cameras.isEmpty())
        return VideoAndGpsfile();
    VideoAndGpsfile entry = RateVideo(Cameras.constFirst().Path);
    if (entry.VideoName.isEmpty())
        return entry;
    // A file of one camera that no rule knows is the front's, as always.
    if (Cameras.size() > 1 || Cameras.constFirst().Role != UCameraRole::Front)
        entry.Cameras = Cameras;
    for (qsizetype camera = 1; camera < Cameras.size() && entry.GpsSource == GpsSourceKind::None; ++camera) {
        const VideoAndGpsfile other = RateVideo(Cameras.at(camera).Path);
        if (other.GpsSource != GpsSourceKind::None)
            TakeGps(entry, other);
    }
    return entry;
}

QList<VideoAndGpsfile> UVideoAndGpsfiles::RateCameras(const UCameraFiles &Cameras, QStringList *Gone)
{
    UCameraFiles present;
    for (const UCameraFile &camera : Cameras) {
        if (IsRegularFile(camera.Path))
            present << camera;
        else if (Gone)
            *Gone << camera.Path;
    }
    QList<VideoAndGpsfile> entries;
    if (present.isEmpty())
        return entries;
    if (present.constFirst().Path == Cameras.constFirst().Path) {
        entries << RateRecording(present);
    } else {
        // Without the front camera's file the others have no master: each
        // is a recording of its own, as when imported without it.
        for (const UCameraFile &camera : std::as_const(present))
            entries << RateRecording({camera});
    }
    entries.removeIf([Gone](const VideoAndGpsfile &Entry) {
        if (!Entry.VideoName.isEmpty())
            return false;
        if (Gone)
            *Gone << Entry.VideoPath;
        return true;
    });
    return entries;
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

int UVideoAndGpsfiles::JoinCamera(const UCameraJoinRated &Join)
{
    const UCameraFile &camera = Join.Join.Camera;
    const auto takes = [&](int Index) {
        if (VideoAndGpsfileList.at(Index).VideoPath != Join.Join.FrontPath)
            return false;
        const UCameraFiles cameras = GetCameras(Index);
        return std::none_of(cameras.cbegin(), cameras.cend(), [&camera](const UCameraFile &Held) {
            return Held.Role == camera.Role || Held.Path == camera.Path;
        });
    };
    int index = -1;
    if (Join.Join.Index >= 0 && Join.Join.Index < VideoAndGpsfileList.size() && takes(Join.Join.Index)) {
        index = Join.Join.Index;
    } else {
        for (int at = 0; at < VideoAndGpsfileList.size() && index < 0; ++at) {
            if (takes(at))
                index = at;
        }
    }
    if (index < 0)
        return -1;
    UCameraFiles cameras = GetCameras(index);
    cameras << camera;
    UCameraGroups::SortByRole(cameras);
    VideoAndGpsfile &entry = VideoAndGpsfileList[index];
    entry.Cameras = cameras;
    if (entry.GpsSource == GpsSourceKind::None && Join.Rated.GpsSource != GpsSourceKind::None)
        TakeGps(entry, Join.Rated);
    emit CamerasChanged(index);
    return index;
}

QStringList UVideoAndGpsfiles::ListedFiles() const
{
    QStringList files;
    for (int index = 0; index < VideoAndGpsfileList.size(); ++index) {
        for (const UCameraFile &camera : GetCameras(index))
            files << camera.Path;
    }
    return files;
}

QList<UCameraFiles> UVideoAndGpsfiles::ListedCameras() const
{
    QList<UCameraFiles> listed;
    listed.reserve(VideoAndGpsfileList.size());
    for (int index = 0; index < VideoAndGpsfileList.size(); ++index)
        listed << GetCameras(index);
    return listed;
}

void UVideoAndGpsfiles::AddVideoAndGpsfiles(QStringList VideoPaths)
{
    // A camera file listed already, as any camera of any recording, is not
    // listed again; a file no naming rule knows is added as often as it is
    // given, as this import always did.
    QSet<QString> listed;
    for (const QString &path : ListedFiles()) {
        if (UCameraNaming::Read(path).Known)
            listed.insert(UFolderSearch::IdentityOf(path));
    }
    QStringList present;
    for (const QString &videoPath : VideoPaths) {
        if (!IsRegularFile(videoPath)) {
            // Rated all the same: its traces say where its log was looked for.
            RateVideo(videoPath);
            continue;
        }
        if (UCameraNaming::Read(videoPath).Known) {
            const QString identity = UFolderSearch::IdentityOf(videoPath);
            if (listed.contains(identity))
                continue;
            listed.insert(identity);
        }
        present << videoPath;
    }
    const UCameraGrouping grouping = UCameraGroups::Group(present, ListedCameras());
    for (const UCameraJoin &join : grouping.Joins) {
        VideoAndGpsfile rated = RateVideo(join.Camera.Path);
        if (rated.VideoName.isEmpty())
            continue;
        if (JoinCamera({join, rated}) >= 0)
            continue;
        rated.Cameras = {join.Camera};
        AppendRated({rated});
    }
    for (const UCameraFiles &cameras : grouping.Recordings)
        AppendRated(RateCameras(cameras));
}

void UVideoAndGpsfiles::DeleteVideoAndGpsfile(int Index)
{
    if (Index >= 0 && Index < VideoAndGpsfileList.size())
        VideoAndGpsfileList.removeAt(Index);
    emit VideoDeleted(Index);
}

#include "uvideoandgpsfiles.h"

#include "gpslog/gpsseconds.h"
#include "gpslog/gpxfilereader.h"
#include "gpslog/nmeafilereader.h"
#include "gpslog/mp4/videogpsreader.h"
#include "gpslog/videospan.h"
#include "catalogue/ucameranaming.h"
#include "catalogue/ufoldersearch.h"
#include "catalogue/videosuffixes.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

constexpr const char *VideoPathTrace = "VideoPath: ";
constexpr const char *GpsfilePathTrace = "GpsfilePath: ";

constexpr int GpsfileNotExist = 0;
constexpr int GpsfileUnavailable = 1;
constexpr int GpsfileAvailable = 2;

// A log is worth a map when more than this share of its lines has a fix.
constexpr double AvailableShare = 0.2;
constexpr char16_t ValidFlag = u'A';

// The recorder keeps DIR/DCIM/100CLIP/CLIPnnnn.MOV beside DIR/gps/gpsnnnn.log:
// the log folder is two levels above the video's folder, and the log is
// named after the 5th to 8th characters of the video's file name.
constexpr int SeparatorsCut = 3;
constexpr int KeyFirstCharacter = 5;
constexpr int KeyLength = 4;
constexpr const char *GpsFolder = "gps";
constexpr const char *GpsfilePrefix = "gps";
constexpr const char *GpsfileSuffix = ".log";

// Side files beside the video, in the order they are looked for.
constexpr QLatin1String NmeaSideSuffixes[] = {QLatin1String(".NMEA"), QLatin1String(".nmea"),
                                              QLatin1String(".gps"), QLatin1String(".GPS")};
constexpr QLatin1String GpxSideSuffixes[] = {QLatin1String(".gpx"), QLatin1String(".GPX")};

constexpr const char *DateFormat = "yyyy-MM-dd";
constexpr const char *TimeFormat = "hh:mm";

// "Exists" means a regular file (or a link to one): a directory named like
// a video or a log is neither, and a dangling link points at nothing.
bool IsRegularFile(const QString &Path)
{
    return !Path.isEmpty() && QFileInfo(Path).isFile();
}

qsizetype NextCodePoint(QStringView Text, qsizetype Pos)
{
    if (Pos + 1 < Text.size() && Text[Pos].isHighSurrogate() && Text[Pos + 1].isLowSurrogate())
        return Pos + 2;
    return Pos + 1;
}

// The 5th to 8th characters of a file name, fewer if it is shorter. Counted
// in whole characters so that a letter outside the basic plane is never cut
// in half.
QString KeyOf(QStringView FileName)
{
    qsizetype pos = 0;
    int count = 0;
    while (pos < FileName.size() && count < KeyFirstCharacter - 1) {
        pos = NextCodePoint(FileName, pos);
        ++count;
    }
    const qsizetype start = pos;
    while (pos < FileName.size() && count < KeyFirstCharacter - 1 + KeyLength) {
        pos = NextCodePoint(FileName, pos);
        ++count;
    }
    return FileName.sliced(start, pos - start).toString();
}

// Where the recorder put the GPS log of the video at VideoPath; empty when
// the video does not exist or lies less than two folder levels below the
// root. The cuts work on the clean absolute path, so that "." and ".."
// parts or doubled separators do not count as folder levels.
QString GpsfilePathFor(const QString &VideoPath)
{
    qDebug() << VideoPathTrace << VideoPath;
    if (!IsRegularFile(VideoPath))
        return QString();
    QString path = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(VideoPath).absoluteFilePath()));
    const QChar separator = QDir::separator();
    QString key;
    for (int pass = 0; pass < SeparatorsCut; ++pass) {
        const qsizetype at = path.lastIndexOf(separator);
        if (at < 0)
            return QString();
        if (pass == 0)
            key = KeyOf(QStringView(path).sliced(at + 1));
        path.truncate(at);
    }
    path += separator + QLatin1String(GpsFolder) + separator + QLatin1String(GpsfilePrefix) + key
        + QLatin1String(GpsfileSuffix);
    path = QDir::toNativeSeparators(path);
    qDebug() << GpsfilePathTrace << path;
    return path;
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

// Takes the source for Entry when it holds any fix.
bool TakeSource(VideoAndGpsfile &Entry, GpsSourceKind Kind, const QString &Path,
                const GpsSeconds::Result &Seconds, const QString &Text)
{
    if (!Seconds.Readable || Seconds.SourceFixes == 0)
        return false;
    Entry.GpsSource = Kind;
    Entry.GpsfilePath = Path;
    Entry.GpsfileStatus = RateSeconds(Seconds);
    Entry.GpsSourceText = Text + FixesText(Seconds);
    return true;
}

// Without a recorder's log: the GPS inside the video, else a side file.
void FindOtherSource(VideoAndGpsfile &Entry)
{
    const QString &video = Entry.VideoPath;
    // The video is opened once for its length and its GPS.
    QFile file(video);
    VideoGpsReader::OpenVideo(file);
    const VideoSpan span = VideoSpan::Of(video, file);
    if (file.isOpen()) {
        const EmbeddedGps::Result inside = VideoGpsReader::ReadVideo(file);
        file.close();
        if (TakeSource(Entry, GpsSourceKind::InsideVideo, video,
                       GpsSeconds::Place(inside.Fixes, GpsReader::Timing::VideoOffset, span),
                       QStringLiteral("GPS inside the video: ")))
            return;
    }
    const QFileInfo info(video);
    const QString base = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    const auto trySide = [&](QLatin1String Suffix, const GpsReader &Reader, GpsSourceKind Kind, QLatin1String Word) {
        const QString path = base + Suffix;
        if (!IsRegularFile(path))
            return false;
        const QString text = Word + QFileInfo(path).fileName() + QStringLiteral(": ");
        return TakeSource(Entry, Kind, path, GpsSeconds::Read(Reader, path, span), text);
    };
    for (const QLatin1String suffix : NmeaSideSuffixes) {
        if (trySide(suffix, NmeaFileReader(), GpsSourceKind::NmeaFile, QLatin1String("NMEA file ")))
            return;
    }
    // A recorder that writes one log for all its cameras names it after
    // their shared stem (BlackVue: 20260501_120000_N.gps beside _NF.mp4).
    const QString shared = UCameraNaming::Read(video).SideStem;
    if (!shared.isEmpty() && shared != base) {
        for (const QLatin1String suffix : NmeaSideSuffixes) {
            const QString path = shared + suffix;
            if (!IsRegularFile(path))
                continue;
            const QString text = QStringLiteral("NMEA file ") + QFileInfo(path).fileName() + QStringLiteral(": ");
            if (TakeSource(Entry, GpsSourceKind::NmeaFile, path, GpsSeconds::Read(NmeaFileReader(), path, span), text))
                return;
        }
    }
    for (const QLatin1String suffix : GpxSideSuffixes) {
        if (trySide(suffix, GpxFileReader(), GpsSourceKind::GpxFile, QLatin1String("GPX track ")))
            return;
    }
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
    entry.GpsfilePath = GpsfilePathFor(VideoPath);
    entry.GpsfileStatus = entry.GpsfilePath.isEmpty() ? GpsfileNotExist : RateGpsfile(entry.GpsfilePath);
    if (entry.GpsfileStatus != GpsfileNotExist) {
        entry.GpsSource = GpsSourceKind::RecorderLog;
        entry.GpsSourceText = QStringLiteral("GPS log ") + QFileInfo(entry.GpsfilePath).fileName();
    } else if (info.isFile()) {
        FindOtherSource(entry);
    }
    return entry;
}

QString UVideoAndGpsfiles::GpsSourcePathFor(const QString &Path)
{
    const QString suffix = QFileInfo(Path).suffix();
    for (const QLatin1String video : VideoSuffixes) {
        if (suffix.compare(video, Qt::CaseInsensitive) == 0) {
            if (!IsRegularFile(Path))
                return Path;
            // A video without a source holds no GPS: it is not handed to
            // the readers, the last of which would read any file as a log.
            const VideoAndGpsfile entry = RateVideo(Path);
            return entry.GpsSource == GpsSourceKind::None ? QString() : entry.GpsfilePath;
        }
    }
    return Path;
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

#include "uvideoandgpsfiles.h"

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
    entry.GpsfilePath = GpsfilePathFor(VideoPath);
    entry.GpsfileStatus = entry.GpsfilePath.isEmpty() ? GpsfileNotExist : RateGpsfile(entry.GpsfilePath);
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

#include "gpssourcechooser.h"

#include "gpslog/filesuffixes.h"
#include "gpslog/gpxfilereader.h"
#include "gpslog/nmeafilereader.h"
#include "gpslog/recorderlogfilereader.h"
#include "gpslog/srtfilereader.h"
#include "gpslog/videogpsfilereader.h"
#include "gpslog/videospan.h"
#include "gpslog/mp4/videogpsreader.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr const char *VideoPathTrace = "VideoPath: ";
constexpr const char *GpsfilePathTrace = "GpsfilePath: ";

// The recorder keeps DIR/DCIM/100CLIP/CLIPnnnn.MOV beside DIR/gps/gpsnnnn.log:
// the log folder is two levels above the video's folder, and the log is
// named after the 5th to 8th characters of the video's file name.
constexpr int SeparatorsCut = 3;
constexpr int KeyFirstCharacter = 5;
constexpr int KeyLength = 4;
constexpr const char *GpsFolder = "gps";
constexpr const char *GpsfilePrefix = "gps";
constexpr const char *GpsfileSuffix = ".log";

// The side files, in the order they are tried after the GPS inside the video.
struct SideKind
{
    GpsSourceKind Kind;
    const QLatin1String *First;
    const QLatin1String *Last;
};

constexpr SideKind SideKinds[] = {
    {GpsSourceKind::NmeaFile, std::begin(NmeaSideSuffixes), std::end(NmeaSideSuffixes)},
    {GpsSourceKind::GpxFile, std::begin(GpxSideSuffixes), std::end(GpxSideSuffixes)},
    {GpsSourceKind::SrtFile, std::begin(SrtSideSuffixes), std::end(SrtSideSuffixes)},
};

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

bool HoldsFix(const GpsSeconds::Result &Seconds)
{
    return Seconds.Readable && Seconds.SourceFixes > 0;
}

} // namespace

GpsSourceChooser::Choice GpsSourceChooser::Choose(const QString &VideoPath, const QString &SharedStem)
{
    Choice choice;
    choice.Source.VideoPath = VideoPath;
    choice.Source.Path = RecorderLogPath(VideoPath);
    if (IsRegularFile(choice.Source.Path)) {
        choice.Source.Kind = GpsSourceKind::RecorderLog;
        return choice;
    }
    if (!IsRegularFile(VideoPath))
        return choice;
    const auto take = [&choice](GpsSourceKind Kind, const QString &Path, GpsSeconds::Result Seconds) {
        if (!HoldsFix(Seconds))
            return false;
        choice.Source.Kind = Kind;
        choice.Source.Path = Path;
        choice.Seconds = std::move(Seconds);
        return true;
    };

    // The video is opened once for its length and its GPS.
    QFile file(VideoPath);
    VideoGpsReader::OpenVideo(file);
    const VideoSpan span = VideoSpan::Of(VideoPath, file);
    if (file.isOpen()) {
        const EmbeddedGps::Result inside = VideoGpsReader::ReadVideo(file);
        file.close();
        if (take(GpsSourceKind::InsideVideo, VideoPath,
                 GpsSeconds::Place(inside.Fixes, GpsReader::Timing::VideoOffset, span)))
            return choice;
    }
    const QFileInfo info(VideoPath);
    const QString own = info.absolutePath() + QLatin1Char('/') + info.completeBaseName();
    QStringList bases{own + QLatin1Char('.')};
    if (!SharedStem.isEmpty() && SharedStem != own)
        bases << SharedStem + QLatin1Char('.');
    for (const SideKind &side : SideKinds) {
        const GpsReader &reader = *ReaderOf(side.Kind);
        for (const QString &base : std::as_const(bases)) {
            for (const QLatin1String *suffix = side.First; suffix != side.Last; ++suffix) {
                const QString path = base + *suffix;
                if (IsRegularFile(path) && take(side.Kind, path, GpsSeconds::Read(reader, path, span)))
                    return choice;
            }
        }
    }
    return choice;
}

// The cuts work on the clean absolute path, so that "." and ".." parts or
// doubled separators do not count as folder levels.
QString GpsSourceChooser::RecorderLogPath(const QString &VideoPath)
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

const GpsReader *GpsSourceChooser::ReaderOf(GpsSourceKind Kind)
{
    static const RecorderLogFileReader log;
    static const VideoGpsFileReader video;
    static const NmeaFileReader nmea;
    static const GpxFileReader gpx;
    static const SrtFileReader srt;
    switch (Kind) {
    case GpsSourceKind::RecorderLog:
        return &log;
    case GpsSourceKind::InsideVideo:
        return &video;
    case GpsSourceKind::NmeaFile:
        return &nmea;
    case GpsSourceKind::GpxFile:
        return &gpx;
    case GpsSourceKind::SrtFile:
        return &srt;
    case GpsSourceKind::None:
        break;
    }
    return nullptr;
}

GpsSeconds::Result GpsSourceChooser::ReadSeconds(const GpsSource &Source)
{
    const GpsReader *reader = ReaderOf(Source.Kind);
    if (!reader)
        return {};
    return GpsSeconds::Read(*reader, Source.Path, VideoSpan::Of(Source.VideoPath));
}

#include "videogpsreader.h"

#include "gpslog/gpstrack.h"
#include "gpslog/nmeareader.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr QLatin1String Suffixes[] = {QLatin1String("mp4"), QLatin1String("mov"), QLatin1String("m4v")};
// The type of a file's first box sits after its 32-bit size.
constexpr qsizetype FirstTypeAt = 4;
constexpr qsizetype TypeLength = 4;
constexpr QByteArrayView FirstBoxTypes[] = {"ftyp", "moov", "mdat", "free", "wide", "skip"};

GpsFixList NmeaFixes(const QByteArray &Text)
{
    return NmeaReader::Read(QByteArrayView(Text)).Fixes;
}

} // namespace

bool VideoGpsReader::Accepts(const QString &Path, QByteArrayView Head) const
{
    const QString suffix = QFileInfo(Path).suffix();
    for (const QLatin1String known : Suffixes) {
        if (suffix.compare(known, Qt::CaseInsensitive) == 0)
            return true;
    }
    if (Head.size() < FirstTypeAt + TypeLength)
        return false;
    const QByteArrayView type = Head.sliced(FirstTypeAt, TypeLength);
    for (const QByteArrayView known : FirstBoxTypes) {
        if (type == known)
            return true;
    }
    return false;
}

bool VideoGpsReader::OpenVideo(QFile &File)
{
    return QFileInfo(File.fileName()).isFile() && File.open(QIODevice::ReadOnly);
}

bool VideoGpsReader::Read(const QString &Path, GpsTrack &Track) const
{
    QFile file(Path);
    if (!OpenVideo(file))
        return false;
    const EmbeddedGps::Result gps = EmbeddedGps::Read(file, NmeaFixes);
    for (const GpsFix &fix : gps.Fixes)
        Track.Append(fix);
    return true;
}

EmbeddedGps::Result VideoGpsReader::ReadVideo(const QString &Path)
{
    QFile file(Path);
    if (!OpenVideo(file))
        return {};
    return EmbeddedGps::Read(file, NmeaFixes);
}

EmbeddedGps::Result VideoGpsReader::ReadVideo(QIODevice &Device)
{
    return EmbeddedGps::Read(Device, NmeaFixes);
}

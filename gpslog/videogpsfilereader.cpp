#include "videogpsfilereader.h"

#include "gpslog/filesuffixes.h"
#include "gpslog/gpstrack.h"
#include "gpslog/mp4/videogpsreader.h"

#include <QFile>

namespace {

// The type of a file's first box sits after its 32-bit size.
constexpr qsizetype FirstTypeAt = 4;
constexpr qsizetype TypeLength = 4;
constexpr QByteArrayView FirstBoxTypes[] = {"ftyp", "moov", "mdat", "free", "wide", "skip"};

} // namespace

bool VideoGpsFileReader::Accepts(const QString &Path, QByteArrayView Head) const
{
    if (HasSuffixOf(Path, QuickTimeSuffixes))
        return true;
    if (Head.size() < FirstTypeAt + TypeLength)
        return false;
    const QByteArrayView type = Head.sliced(FirstTypeAt, TypeLength);
    for (const QByteArrayView known : FirstBoxTypes) {
        if (type == known)
            return true;
    }
    return false;
}

bool VideoGpsFileReader::Read(const QString &Path, GpsTrack &Track) const
{
    QFile file(Path);
    if (!VideoGpsReader::OpenVideo(file))
        return false;
    const EmbeddedGps::Result gps = VideoGpsReader::ReadVideo(file);
    for (const GpsFix &fix : gps.Fixes)
        Track.Append(fix);
    return true;
}

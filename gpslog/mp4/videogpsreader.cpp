#include "videogpsreader.h"

#include "gpslog/nmeareader.h"

#include <QFile>
#include <QFileInfo>

namespace {

GpsFixList NmeaFixes(const QByteArray &Text)
{
    return NmeaReader::Read(QByteArrayView(Text)).Fixes;
}

} // namespace

bool VideoGpsReader::OpenVideo(QFile &File)
{
    return QFileInfo(File.fileName()).isFile() && File.open(QIODevice::ReadOnly);
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

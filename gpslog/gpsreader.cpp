#include "gpsreader.h"

#include "gpslog/gpxfilereader.h"
#include "gpslog/nmeafilereader.h"
#include "gpslog/recorderlogfilereader.h"
#include "gpslog/srtfilereader.h"
#include "gpslog/videogpsfilereader.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

const GpsReader *GpsReader::ForFile(const QString &Path)
{
    // Asked in this order. The recorder's log takes any text, so it comes
    // last: a format that can tell its files by name or content goes before.
    // A video may hold any text in its first bytes, and a GPX document or
    // a telemetry subtitle may quote NMEA, so the stricter tests come first.
    static const std::unique_ptr<const GpsReader> Readers[] = {
        std::make_unique<VideoGpsFileReader>(),
        std::make_unique<GpxFileReader>(),
        std::make_unique<SrtFileReader>(),
        std::make_unique<NmeaFileReader>(),
        std::make_unique<RecorderLogFileReader>(),
    };

    QFile file(Path);
    if (!OpenRegularFile(file))
        return nullptr;
    const QByteArray head = file.read(HeadBytes);
    for (const auto &reader : Readers) {
        if (reader->Accepts(Path, head))
            return reader.get();
    }
    return nullptr;
}

bool GpsReader::OpenRegularFile(QFile &File)
{
    return QFileInfo(File.fileName()).isFile() && File.open(QIODevice::ReadOnly);
}

#include "gpsreader.h"

#include "gpslog/recorderlogreader.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

const GpsReader *GpsReader::ForFile(const QString &Path)
{
    // Asked in this order. The recorder's log takes any text, so it comes
    // last: a format that can tell its files by name or content goes before.
    static const std::unique_ptr<const GpsReader> Readers[] = {
        std::make_unique<RecorderLogReader>(),
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

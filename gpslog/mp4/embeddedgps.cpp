#include "embeddedgps.h"

#include "gpslog/mp4/blackvuegps.h"
#include "gpslog/mp4/gpmfgps.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/nextbasegps.h"
#include "gpslog/mp4/novatekgps.h"
#include "gpslog/mp4/seventymaigps.h"
#include "gpslog/mp4/subtitlegps.h"
#include "gpslog/mp4/teslagps.h"

#include <QFile>

#include <algorithm>

namespace {

// Device, or the same file opened again unbuffered into Own when Device is
// a buffered file.
QIODevice &Unbuffered(QIODevice &Device, QFile &Own)
{
    const auto *file = qobject_cast<const QFile *>(&Device);
    if (!file || (file->openMode() & QIODevice::Unbuffered))
        return Device;
    Own.setFileName(file->fileName());
    if (!Own.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || Own.size() != file->size())
        return Device;
    return Own;
}

} // namespace

EmbeddedGps::Result EmbeddedGps::Read(QIODevice &Device, const NmeaToFixes &Nmea)
{
    const Mp4Boxes boxes(Device);
    if (!boxes.IsReadable())
        return {};
    auto found = [](Layout Source, GpsFixList Fixes) -> std::optional<Result> {
        if (ValidFixCount(Fixes) == 0)
            return std::nullopt;
        return Result{Source, std::move(Fixes)};
    };
    if (auto result = found(Layout::SeventyMai, SeventyMaiGps::Read(boxes)))
        return *result;
    if (auto result = found(Layout::Novatek, NovatekGps::Read(boxes, Nmea)))
        return *result;
    if (Nmea) {
        const QByteArray text = BlackVueGps::NmeaText(boxes);
        if (!text.isEmpty()) {
            if (auto result = found(Layout::BlackVue, Nmea(text)))
                return *result;
        }
    }
    if (auto result = found(Layout::GoPro, GpmfGps::Read(boxes)))
        return *result;
    if (Nmea) {
        if (auto result = found(Layout::Nextbase, NextbaseGps::Read(boxes, Nmea)))
            return *result;
    }
    if (auto result = found(Layout::Subtitle, SubtitleGps::Read(boxes, Nmea)))
        return *result;
    // The last two read a few bytes at many places of a file, which a
    // buffered file would fill its whole buffer for each time: a file is
    // read through an unbuffered handle of its own.
    QFile unbuffered;
    QIODevice &seeking = Unbuffered(Device, unbuffered);
    const Mp4Boxes seekingBoxes(seeking);
    if (auto result = found(Layout::Tesla, TeslaGps::Read(seeking, seekingBoxes)))
        return *result;
    if (auto result = found(Layout::NovatekUnindexed, NovatekGps::Scan(seekingBoxes, Nmea)))
        return *result;
    return {};
}

EmbeddedGps::Result EmbeddedGps::Read(const QString &Path, const NmeaToFixes &Nmea)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Read(file, Nmea);
}

qsizetype EmbeddedGps::ValidFixCount(const GpsFixList &Fixes)
{
    return std::count_if(Fixes.cbegin(), Fixes.cend(), [](const GpsFix &Fix) { return Fix.Valid; });
}

QString EmbeddedGps::LayoutName(Layout Source)
{
    switch (Source) {
    case Layout::Novatek:
        return QStringLiteral("Novatek");
    case Layout::SeventyMai:
        return QStringLiteral("70mai");
    case Layout::BlackVue:
        return QStringLiteral("BlackVue");
    case Layout::GoPro:
        return QStringLiteral("GoPro");
    case Layout::Nextbase:
        return QStringLiteral("Nextbase");
    case Layout::Subtitle:
        return QStringLiteral("Subtitle track");
    case Layout::Tesla:
        return QStringLiteral("Tesla");
    case Layout::NovatekUnindexed:
        return QStringLiteral("Novatek without index");
    case Layout::None:
        break;
    }
    return QString();
}

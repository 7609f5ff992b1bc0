#include "gpxexport.h"

#include "gpslog/gpsposition.h"
#include "gpslog/gpsreader.h"
#include "gpslog/gpstrack.h"
#include "gpslog/gpxwriter.h"

#include <QFileInfo>
#include <algorithm>

bool GpxExport::Write(const QString &FilePath, QIODevice &Out, QString *Error)
{
    const auto fail = [Error](const QString &reason) {
        if (Error)
            *Error = reason;
        return false;
    };
    if (!QFileInfo(FilePath).isFile())
        return fail(QStringLiteral("%1: no such file").arg(FilePath));
    const GpsReader *reader = GpsReader::ForFile(FilePath);
    GpsTrack track;
    if (!reader || !reader->Read(FilePath, track))
        return fail(QStringLiteral("%1: cannot be read").arg(FilePath));
    // The recorder's log marks a line with a fix by its first letter alone;
    // a line that says so over empty or zero fields is no position to export.
    GpsFixList fixes = track.Fixes();
    for (GpsFix &fix : fixes)
        fix.Valid = fix.Valid && GpsPosition::IsPlausible(fix.Latitude, fix.Longitude);
    if (std::none_of(fixes.begin(), fixes.end(), [](const GpsFix &fix) { return fix.Valid; }))
        return fail(QStringLiteral("%1: holds no GPS fix").arg(FilePath));
    if (!GpxWriter::Write(fixes, Out))
        return fail(QStringLiteral("%1: the document could not be written").arg(FilePath));
    return true;
}

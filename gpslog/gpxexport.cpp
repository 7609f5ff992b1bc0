#include "gpxexport.h"

#include "gpslog/filesuffixes.h"
#include "gpslog/gpsposition.h"
#include "gpslog/gpsreader.h"
#include "gpslog/gpssourcechooser.h"
#include "gpslog/gpstrack.h"
#include "gpslog/gpxwriter.h"

#include <QFileInfo>
#include <algorithm>

namespace {

bool Fail(QString *Error, const QString &Reason)
{
    if (Error)
        *Error = Reason;
    return false;
}

bool WriteWith(const GpsReader *Reader, const QString &Path, QIODevice &Out, QString *Error)
{
    GpsTrack track;
    if (!Reader || !Reader->Read(Path, track))
        return Fail(Error, QStringLiteral("%1: cannot be read").arg(Path));
    // The recorder's log marks a line with a fix by its first letter alone;
    // a line that says so over empty or zero fields is no position to export.
    GpsFixList fixes = track.Fixes();
    for (GpsFix &fix : fixes)
        fix.Valid = fix.Valid && GpsPosition::IsPlausible(fix.Latitude, fix.Longitude);
    if (std::none_of(fixes.begin(), fixes.end(), [](const GpsFix &fix) { return fix.Valid; }))
        return Fail(Error, QStringLiteral("%1: holds no GPS fix").arg(Path));
    if (!GpxWriter::Write(fixes, Out))
        return Fail(Error, QStringLiteral("%1: the document could not be written").arg(Path));
    return true;
}

} // namespace

bool GpxExport::Write(const QString &FilePath, QIODevice &Out, QString *Error)
{
    if (!QFileInfo(FilePath).isFile())
        return Fail(Error, QStringLiteral("%1: no such file").arg(FilePath));
    if (HasSuffixOf(FilePath, VideoSuffixes)) {
        // A video without a source holds no GPS: it is not handed to the
        // readers, the last of which would read any file as a log.
        const GpsSource source = GpsSourceChooser::Choose(FilePath).Source;
        if (source.Kind == GpsSourceKind::None)
            return Fail(Error, QStringLiteral("%1: holds no GPS").arg(FilePath));
        return WriteWith(GpsSourceChooser::ReaderOf(source.Kind), source.Path, Out, Error);
    }
    return WriteWith(GpsReader::ForFile(FilePath), FilePath, Out, Error);
}

bool GpxExport::Write(const GpsSource &Source, QIODevice &Out, QString *Error)
{
    if (Source.Kind == GpsSourceKind::None || !QFileInfo(Source.Path).isFile())
        return Write(Source.VideoPath, Out, Error);
    return WriteWith(GpsSourceChooser::ReaderOf(Source.Kind), Source.Path, Out, Error);
}

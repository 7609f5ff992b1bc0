#ifndef GPXEXPORT_H
#define GPXEXPORT_H

#include "gpslog/gpssource.h"

#include <QString>

class QIODevice;

// A GPS track as a GPX 1.1 document. The command line's --export-gpx and
// the list's "Export GPX..." both write through here, so the two documents
// are the same.
class GpxExport
{
public:
    // The track of the file at FilePath: a video (by its suffix) has its
    // source chosen as on import; another file is read as the GPS file it
    // is (its kind told by its name or its first bytes). Writes the document
    // to Out. False, with a one-line reason in Error, when the file cannot
    // be read or holds no GPS (nothing is written then).
    static bool Write(const QString &FilePath, QIODevice &Out, QString *Error);
    // The track of a recording's chosen source, read with the reader of its
    // kind. A recording without a source, or whose source is gone since it
    // was chosen, has its source chosen again from its video.
    static bool Write(const GpsSource &Source, QIODevice &Out, QString *Error);
};

#endif // GPXEXPORT_H

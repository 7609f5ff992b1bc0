#ifndef GPXEXPORT_H
#define GPXEXPORT_H

#include <QString>

class QIODevice;

// A file's GPS track as a GPX 1.1 document: the file is a video (its GPS
// found as on import) or a GPS file in any format the player reads. The
// command line's --export-gpx and the list's "Export GPX..." both write
// through here, so the two documents are the same.
class GpxExport
{
public:
    // Writes the document to Out. False, with a one-line reason in Error,
    // when the file cannot be read or holds no GPS (nothing is written then).
    static bool Write(const QString &FilePath, QIODevice &Out, QString *Error);
};

#endif // GPXEXPORT_H

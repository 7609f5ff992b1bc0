#ifndef GPXWRITER_H
#define GPXWRITER_H

#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

class QIODevice;

// Writes fixes as a GPX 1.1 document: one track, one segment, one <trkpt>
// per fix in the order given. Fixes that are not Valid (no usable position)
// are left out. Coordinates have at least seven decimals; <ele> and <time>
// (UTC) are there where known, and the speed in metres per second and the
// course in degrees (where known) in Garmin's TrackPointExtension v2
// (<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>, <gpxtpx:course>),
// which GPXSee, Garmin's tools and others read.
class GpxWriter
{
public:
    // What a reader of the document should know of its fixes (how far they
    // were moved against their video), written under <metadata><extensions>
    // as <Name Attribute="...">Value</Name> in the writer's namespace.
    struct Note
    {
        QString Name;
        QString Value;
        QList<QPair<QString, QString>> Attributes;
    };

    static QByteArray Write(const GpsFixList &Fixes);
    // False when the device could not take the whole document.
    static bool Write(const GpsFixList &Fixes, QIODevice &Device);
    static bool Write(const GpsFixList &Fixes, QIODevice &Device, const QList<Note> &Notes);
};

#endif // GPXWRITER_H

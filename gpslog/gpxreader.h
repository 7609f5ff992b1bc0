#ifndef GPXREADER_H
#define GPXREADER_H

#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// What a GPX document holds.
struct GpxTrack
{
    // Which of the document's point lists the fixes are: its tracks, else
    // its routes when it has no track point, else its waypoints.
    enum class Source { None, Tracks, Routes, Waypoints };

    // The points in document order, segment after segment. A point without
    // a usable position (attribute missing, out of range, or exactly 0,0)
    // is a fix that is not Valid, without coordinates. Where a point gives
    // no speed it is worked out from the distance to the point before in its
    // segment over the time between them; a point with the same time as the
    // one before (or an earlier one) keeps that point's speed, and the first
    // point of a segment takes the speed towards the next.
    GpsFixList Fixes;
    Source From = Source::None;
    // Empty when the whole document was read. Otherwise why reading stopped
    // (with the line): the points completed before stay in Fixes, the one
    // being read at that moment is dropped.
    QString Error;
};

// Reads GPX 1.0 and 1.1 track, route and waypoint points with their
// elevation, time and speed (GPX 1.0's <speed>, or a <speed> among the
// point's extensions, Garmin's included). Elements are matched by their
// local names, so documents without or with other namespaces read alike.
// Documents that declare entities are refused before any of them expands.
class GpxReader
{
public:
    static GpxTrack Read(const QByteArray &Bytes);
    static GpxTrack Read(QIODevice &Device);
};

#endif // GPXREADER_H

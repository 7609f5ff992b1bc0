#ifndef GPSFIX_H
#define GPSFIX_H

#include <QDateTime>
#include <QList>
#include <QtNumeric>

// One position report of a GPS receiver, in numbers. Every file format the
// player reads becomes a list of these; texts are made from them only where
// they are shown or sent.
struct GpsFix
{
    // The receiver had a position fix (a report without one still counts as
    // a line, a second or a sample of its source).
    bool Valid = false;
    // Date and time in UTC; invalid where the source gives none.
    QDateTime Utc;
    // Signed decimal degrees, north and east positive; NaN where the source
    // has no such field.
    double Latitude = qQNaN();
    double Longitude = qQNaN();
    // Speed over ground in kilometres per hour.
    double SpeedKmh = 0.0;
    // Metres above sea level and degrees from true north; NaN where unknown.
    double Altitude = qQNaN();
    double Course = qQNaN();
    // Milliseconds from the start of the video, for sources that carry it
    // (GPS stored inside a video); -1 otherwise.
    qint64 OffsetMs = -1;
};

// Nothing in a fix points into itself: a growing or shrinking list may move
// fixes as plain memory.
Q_DECLARE_TYPEINFO(GpsFix, Q_RELOCATABLE_TYPE);

using GpsFixList = QList<GpsFix>;

#endif // GPSFIX_H

#ifndef RECORDERLOGREADER_H
#define RECORDERLOGREADER_H

#include <QStringView>

class GpsTrack;
class QIODevice;

// The car recorder's own log: text of one line per second of video,
// A,<date>,<time>,DDMM.MMMM,N|S,DDDMM.MMMM,E|W,<knots>;
// where "A" marks a line with a fix. Every line is a fix, empty and broken
// ones included, so that fix N stays second N.
class RecorderLogReader
{
public:
    // The fields of one line. Field k (1 to 6) lies between the k-th and the
    // next comma, counted from the start of the line; the speed runs from
    // the 7th comma to the first ";" after it. A field that does not exist
    // is a null view, an empty one an empty view.
    struct Fields
    {
        QStringView Date;
        QStringView Time;
        QStringView Latitude;
        QStringView SouthOrNorth;
        QStringView Longitude;
        QStringView EastOrWest;
        QStringView Speed;
    };

    static bool IsValid(QStringView Line);
    static Fields Split(QStringView Line);
    // A coordinate field (two or three digits of degrees, then the minutes)
    // in decimal degrees as written, without the hemisphere's sign; NaN for
    // a missing or empty field, 0 for one that is not a number.
    static double Latitude(QStringView Field);
    static double Longitude(QStringView Field);
    // The speed field (knots) in km/h; 0 when missing or not a number.
    static double SpeedKmh(QStringView Field);
    // Appends one line as a fix, with the line's texts where the fix cannot
    // give them back.
    static void AppendLine(QStringView Line, GpsTrack &Track);
    // Appends every line from the device's current position to its end.
    static void Read(QIODevice &Device, GpsTrack &Track);
};

#endif // RECORDERLOGREADER_H

#ifndef NMEASENTENCES_H
#define NMEASENTENCES_H

#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QByteArrayView>

// NMEA sentences as some recorders store them inside their videos: in
// fixed-size fields padded with zeros, and with checksums that do not match
// their text. Those recorders compute the checksum their own way; the text
// itself is sound, so it is sealed anew before the NMEA reader, which takes
// only sentences whose checksum is right, reads it.
class NmeaSentences
{
public:
    // No longer text is taken from one field (NMEA allows 82 characters).
    static constexpr qsizetype MaxSentenceBytes = 256;
    // Faster than any car: a fix reporting more was misread.
    static constexpr double MaxSpeedKmh = 1000.0;

    // Every "$..." sentence of Text, up to its checksum mark, line break or
    // zero byte, with its checksum computed from its text and a line break
    // after it. Sentences holding bytes NMEA does not allow are left out.
    static QByteArray Resealed(QByteArrayView Text);
    // Fixes read from such text, those reporting a speed beyond
    // MaxSpeedKmh (or none that is a number) no longer Valid: text sealed
    // anew may hold any digits.
    static GpsFixList Plausible(GpsFixList Fixes);
};

#endif // NMEASENTENCES_H

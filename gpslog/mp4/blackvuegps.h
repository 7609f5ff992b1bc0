#ifndef BLACKVUEGPS_H
#define BLACKVUEGPS_H

#include <QByteArray>

class Mp4Boxes;

// GPS of BlackVue recorders: a top-level 'free' box holds a 'gps ' box of
// NMEA 0183 text, each line prefixed with "[<unix milliseconds>]". Only the
// text is found here; reading its sentences is the NMEA reader's work.
class BlackVueGps
{
public:
    // No more text is returned than this (hours of ten reports a second).
    static constexpr int MaxTextBytes = 16 * 1024 * 1024;

    // The payload of the first 'free'/'gps ' box that holds any text,
    // without the zero bytes that pad it; a payload longer than MaxTextBytes
    // is cut after its last whole line within that length. Empty when the
    // file holds none. The NMEA reader turns it into fixes (see
    // EmbeddedGps::NmeaToFixes).
    static QByteArray NmeaText(const Mp4Boxes &Boxes);
};

#endif // BLACKVUEGPS_H

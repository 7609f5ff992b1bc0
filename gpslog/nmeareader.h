#ifndef NMEAREADER_H
#define NMEAREADER_H

#include "gpslog/gpsfix.h"

#include <QByteArrayView>

class QIODevice;

// What an NMEA 0183 log holds.
struct NmeaLog
{
    // One fix per instant, in time order: the RMC and GGA sentences of every
    // talker (GP, GL, GA, GB, BD, GN, ...) that report the same time make one
    // fix, wherever they stand in the log. A receiver giving several epochs
    // a second gives several fixes a second. Reports without a time stay
    // where the log has them.
    GpsFixList Fixes;
    // Unix time in milliseconds of the first line stamped "[ms]", -1 for a
    // log without stamps. A fix's OffsetMs counts from it, so its own stamp
    // is StampOriginMs + OffsetMs.
    qint64 StampOriginMs = -1;
    // RMC and GGA sentences taken, and sentences refused (wrong or missing
    // checksum, characters NMEA does not allow, unreadable time or missing
    // fields). Other sentence types are neither.
    int Sentences = 0;
    int Rejected = 0;
    // The device could not be read to its end; the fixes read before are kept.
    bool ReadError = false;
};

// Reads NMEA 0183 text: side files of receivers and recorders, with or
// without a "[<unix milliseconds>]" stamp before each sentence, in ASCII
// (or UTF-8) or in UTF-16 that starts with its byte-order mark. Only
// sentences with a correct checksum count; blanks around a field are no
// part of it.
class NmeaReader
{
public:
    static NmeaLog Read(QByteArrayView Bytes);
    // Reads from the device's current position to its end, a piece at a time.
    static NmeaLog Read(QIODevice &Device);
    // Whether the first bytes of a text hold an RMC or GGA sentence
    // ("$GPRMC," and the like).
    static bool LooksLikeNmea(QByteArrayView Head);
};

#endif // NMEAREADER_H

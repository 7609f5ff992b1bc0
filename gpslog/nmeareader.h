#ifndef NMEAREADER_H
#define NMEAREADER_H

#include "gpslog/gpsfix.h"

#include <QByteArrayView>

class QIODevice;

// What an NMEA 0183 log holds.
struct NmeaLog
{
    // One fix per receiver epoch, in the order of the log: the RMC and GGA
    // sentences that report the same time of day make one fix. A receiver
    // giving several epochs a second gives several fixes a second.
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
// without a "[<unix milliseconds>]" stamp before each sentence. Only
// sentences with a correct checksum count.
class NmeaReader
{
public:
    static NmeaLog Read(QByteArrayView Bytes);
    // Reads from the device's current position to its end, a piece at a time.
    static NmeaLog Read(QIODevice &Device);
};

#endif // NMEAREADER_H

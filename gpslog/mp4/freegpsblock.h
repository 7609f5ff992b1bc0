#ifndef FREEGPSBLOCK_H
#define FREEGPSBLOCK_H

#include "gpslog/gpsfix.h"

#include <QByteArray>

#include <array>
#include <functional>

// What one "freeGPS " block of a recorder built on a Novatek chip holds.
struct FreeGpsRecord
{
    // The block's layout, as told apart by its content.
    enum class Layout
    {
        // Nothing recognised: a block of zeros (no fix yet), or a layout
        // not known; Fixes holds one fix that is not Valid.
        Unknown,
        // Little-endian numbers with float coordinates as DDDMM.MMMM: the
        // time after the marker (status at 40; a full year is local time),
        // 36 bytes later (status at 72), or anywhere the status and
        // hemisphere letters are found after a plausible time.
        FloatReport,
        // The status as a word at 60, float coordinates at 64 and 72, the
        // time in two parts (48 and 88).
        FloatStatusWord,
        // Status at 64, time from 68, longitude before latitude.
        FloatYearFirst,
        // Double coordinates: hemispheres as words at 72 and 88.
        DoubleReport,
        // Double coordinates after the status at 28, hemispheres at 40 and 56.
        DoubleReportEarlyStatus,
        // Status at 72, integer coordinates in 1e-7 degrees and the speed in
        // cm/s ("IQS" firmware).
        IntegerReport,
        // Text enciphered by XOR with 0xAA: date, time, label, coordinates
        // as digits.
        XorText,
        // A camera date as text at 52 and NMEA RMC/GGA sentences after it.
        NmeaText,
        // An NMEA RMC sentence shifted up by 16 in every byte, at 60.
        ShiftedNmea,
        // Several 32-byte reports "A", hemispheres, float coordinates.
        FloatRecords,
        // Several big-endian 32-byte reports from 0x32 with their own date
        // and time and integer coordinates (1e-7 degrees).
        IntegerRecords,
    };

    Layout Kind = Layout::Unknown;
    // One report, or several for the layouts that keep several a block;
    // OffsetMs counts from the start of the block's second (0 for one
    // report, the second shared evenly between several).
    GpsFixList Fixes;
    // The recorder's accelerometer (three axes as the layout stores them,
    // scaled to g where the layout's scale is known), where the block has it.
    bool HasAcceleration = false;
    std::array<double, 3> Acceleration{};
};

// The layouts of "freeGPS " blocks that firmware of Novatek-based recorders
// writes, each told apart by fixed characters of its own. A block starts
// with its big-endian size and "freeGPS "; every offset below counts from
// its first byte.
class FreeGpsBlock
{
public:
    // Only the start of a block is looked at: the reports lie there, the
    // rest is padding.
    static constexpr int MaxBlockBytes = 4096;

    // How the block was found: through the 'gps ' index, or by scanning the
    // media data (one layout's course is stored half a turn off when the
    // block is indexed).
    enum class Found
    {
        Indexed,
        Scanned,
    };

    // Reads NMEA text into fixes (the NMEA reader); without one the layouts
    // holding NMEA text give a fix that is not Valid.
    using NmeaToFixes = std::function<GpsFixList(const QByteArray &Text)>;

    // One block as read from the file, from its size field on; only its
    // first MaxBlockBytes are looked at. A block without the marker, too
    // short or unrecognised gives one fix that is not Valid (with its time
    // where one was read).
    static FreeGpsRecord Parse(const QByteArray &Bytes, Found How = Found::Indexed,
                               const NmeaToFixes &Nmea = {});

    // Whether Bytes start with a block's size field and marker.
    static bool IsBlockStart(QByteArrayView Bytes);
};

#endif // FREEGPSBLOCK_H

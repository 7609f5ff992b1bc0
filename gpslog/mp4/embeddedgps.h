#ifndef EMBEDDEDGPS_H
#define EMBEDDEDGPS_H

#include "gpslog/gpsfix.h"

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

// GPS stored inside an MP4/QuickTime video by the recorder, in any of the
// layouts the player knows; the first layout holding a fix wins.
class EmbeddedGps
{
public:
    enum class Layout
    {
        None,
        // 'moov'/'gps ' index of "freeGPS " blocks.
        Novatek,
        // Top-level 'GPS ' box of fixed-size records.
        SeventyMai,
        // 'free'/'gps ' box of NMEA text.
        BlackVue,
        // GPMF in a 'gpmd' metadata track.
        GoPro,
    };

    // Turns NMEA text (lines that may start with "[<unix milliseconds>]")
    // into fixes, for the BlackVue layout; the NMEA reader provides it.
    using NmeaToFixes = std::function<GpsFixList(const QByteArray &Text)>;

    struct Result
    {
        Layout Source = Layout::None;
        // Every report of that layout, with or without a fix, in the
        // source's order; empty when no layout holds a fix.
        GpsFixList Fixes;
    };

    // Layouts are tried in a fixed order: 70mai, Novatek, BlackVue (only
    // with an NMEA reader), GoPro. A file that cannot be opened or read
    // gives Layout::None.
    static Result Read(QIODevice &Device, const NmeaToFixes &Nmea = {});
    static Result Read(const QString &Path, const NmeaToFixes &Nmea = {});

    static qsizetype ValidFixCount(const GpsFixList &Fixes);
    // The layout's common name, for texts such as a tooltip.
    static QString LayoutName(Layout Source);
};

#endif // EMBEDDEDGPS_H

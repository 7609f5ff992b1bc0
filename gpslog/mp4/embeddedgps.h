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
        // Binary records in a subtitle track.
        Nextbase,
        // NMEA or "date time latitude longitude speed" lines in a text
        // subtitle track.
        Subtitle,
        // H.264 SEI messages in every frame of the video.
        Tesla,
        // "freeGPS " blocks in 'mdat' without a 'gps ' index.
        NovatekUnindexed,
    };

    // Turns NMEA text (lines that may start with "[<unix milliseconds>]")
    // into fixes, for the layouts that store NMEA sentences (BlackVue,
    // subtitles, Nextbase, some Novatek firmware); the NMEA reader provides
    // it.
    using NmeaToFixes = std::function<GpsFixList(const QByteArray &Text)>;

    struct Result
    {
        Layout Source = Layout::None;
        // Every report of that layout, with or without a fix, in the
        // source's order; empty when no layout holds a fix.
        GpsFixList Fixes;
    };

    // Layouts are tried in a fixed order, the first holding a fix wins:
    // 70mai, Novatek, BlackVue, GoPro, Nextbase, Subtitle, Tesla,
    // NovatekUnindexed. Boxes of their own come first; then the layouts
    // read through a track's samples; the scan of the media data, which
    // reads the most, comes last. Without an NMEA reader, BlackVue and
    // Nextbase are skipped and NMEA text elsewhere gives no fix. A file
    // that cannot be opened or read gives Layout::None.
    static Result Read(QIODevice &Device, const NmeaToFixes &Nmea = {});
    static Result Read(const QString &Path, const NmeaToFixes &Nmea = {});

    static qsizetype ValidFixCount(const GpsFixList &Fixes);
    // The layout's common name, for texts such as a tooltip.
    static QString LayoutName(Layout Source);
};

#endif // EMBEDDEDGPS_H

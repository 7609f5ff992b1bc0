#ifndef UMAPSCRIPT_H
#define UMAPSCRIPT_H

#include <QString>
#include <QtGlobal>

struct GpsFix;
struct GpsRecord;
class GpsTrack;

// The JavaScript the player sends to the map page, word for word: the page's
// functions take decimal degrees, negative for south and west.
class UMapScript
{
public:
    // Sent with every flip of the play/pause face, whatever page is shown.
    static QString SetLocationCall();
    // The start of the drive: the track's first record with a fix.
    static QString SetStartCall(const GpsRecord &First);
    // The car at the current play second.
    static QString SetPositionCall(const GpsRecord &Current);
    // Whether the online map is usable: "this.checked" of the first
    // "#isonline" element; no such element reads as not online.
    static QString IsOnlineQuery();

    // The calls added to the online map later. Each is guarded, so a page
    // without the function (an informative page, an older map) ignores it.

    // The whole route of the recording: one entry a second that has a
    // fix, [second, latitude, longitude, speed_kmh], the second being the
    // fix's index in the track (a track holds one fix a second of video).
    static QString ShowRouteCall(const GpsTrack &Track);
    // The route of the recording played before, drawn faded under this one.
    static QString ShowPreviousRouteCall(const GpsTrack &Track);
    // The engine's play time and whether it plays.
    static QString SetClockCall(qint64 Milliseconds, bool Playing);
    // The unit of the speeds the page shows: a USpeedUnit key, "kmh" or "mph".
    static QString SetUnitsCall(const QString &UnitKey);
    // Map tiles on this computer, as a URL template with {z}, {x} and {y},
    // sent as a JavaScript string whatever it holds; empty: the page's own.
    static QString SetTilesCall(const QString &Template);
    // The clip's in and out marks in play time (ms), -1 for a mark not set.
    static QString SetMarksCall(qint64 InMs, qint64 OutMs);

    // Whether a fix goes into a route: a fix with a position on the globe.
    static bool IsRoutePoint(const GpsFix &Fix);
};

#endif // UMAPSCRIPT_H

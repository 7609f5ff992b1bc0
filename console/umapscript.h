#ifndef UMAPSCRIPT_H
#define UMAPSCRIPT_H

#include <QString>

struct GpsRecord;

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
};

#endif // UMAPSCRIPT_H

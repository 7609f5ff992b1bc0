#ifndef UEVENTSCRIPT_H
#define UEVENTSCRIPT_H

#include "console/utrips.h"
#include "events/uevent.h"
#include "events/urecordingevents.h"

#include <QList>
#include <QString>

#include <memory>

// The map page's calls for events, the G-sensor trace and trips, each
// guarded so that a page without the function ignores it (the page lists
// them at its top).
class UEventScript
{
public:
    // showevents([[ms, kind, strength, text], ...]): the events of the
    // recording shown, kind as EventKindName writes it, text what the
    // pointer shows over the mark.
    static QString ShowEventsCall(const UEventList &Events);
    // showaccel([[ms, longitudinal, lateral, vertical], ...]) in g; an empty
    // array takes the trace away.
    static QString ShowAccelCall(const QList<UAccelPoint> &Points);
    // showtrip([[recording, [[second, lat, lon, kmh], ...]], ...]): every
    // recording of a trip with its catalogue index, for the page to draw
    // and to name in seekToRecordingSecond.
    static QString ShowTripCall(const QList<std::pair<int, std::shared_ptr<const URecordingEvents>>> &Parts);

    // What the pointer shows over an event's mark: "Braking 0.52 g at
    // 00:01:05.3".
    static QString HoverText(const UEvent &Event);
};

#endif // UEVENTSCRIPT_H

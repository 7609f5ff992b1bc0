#ifndef UTRIPS_H
#define UTRIPS_H

#include "events/urecordingevents.h"

#include <QDateTime>
#include <QList>

#include <memory>

// Recordings of one camera that follow each other on one drive.
struct UTrip
{
    // Catalogue indices, in the order they were recorded.
    QList<int> Recordings;
    // Invalid where no recording of the trip tells its time.
    QDateTime Start;
    QDateTime End;
    qint64 DurationMs = 0;
    // Along every recording's route and across the joins between them.
    double DistanceMetres = 0.0;
    double TopSpeedKmh = 0.0;
};

// One recording handed to Build: its catalogue index and its events (null
// while they are still being worked out: the recording is then left out).
struct UTripInput
{
    int Index = -1;
    std::shared_ptr<const URecordingEvents> Events;
};

// Joins recordings into trips by the rule the map uses for a drive split
// into clips (UMapRoute::ContinuesDrive: the next starts within a minute
// and 500 m of where the last ended), camera by camera; a recording that
// follows none is a trip of its own.
class UTrips
{
public:
    // Trips in the order they started (those without a time last, in the
    // list's order).
    static QList<UTrip> Build(const QList<UTripInput> &Recordings);
    // Metres along a recording's route.
    static double RouteMetres(const URecordingEvents &Recording);
};

#endif // UTRIPS_H

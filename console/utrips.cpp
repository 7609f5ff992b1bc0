#include "utrips.h"

#include "console/umaproute.h"

#include <QHash>

#include <algorithm>

namespace {

GpsTrack OneFix(const GpsFix &Fix)
{
    GpsTrack track;
    track.Append(Fix);
    return track;
}

bool Continues(const URecordingEvents &Previous, const URecordingEvents &Next)
{
    if (!Previous.HasRoute() || !Next.HasRoute())
        return false;
    return UMapRoute::ContinuesDrive(OneFix(Previous.LastFix), OneFix(Next.FirstFix));
}

double TopSpeed(const URecordingEvents &Recording)
{
    double top = 0.0;
    for (const URoutePoint &point : Recording.Route)
        top = std::max(top, double(point.SpeedKmh));
    return top;
}

QDateTime EndOf(const URecordingEvents &Recording)
{
    if (Recording.Start.isValid() && Recording.DurationMs >= 0)
        return Recording.Start.addMSecs(Recording.DurationMs);
    return Recording.LastFix.Utc;
}

UTrip TripOf(const QList<UTripInput> &Parts)
{
    UTrip trip;
    const URecordingEvents *previous = nullptr;
    for (const UTripInput &part : Parts) {
        const URecordingEvents &recording = *part.Events;
        trip.Recordings.append(part.Index);
        trip.DistanceMetres += UTrips::RouteMetres(recording);
        if (previous && previous->HasRoute() && recording.HasRoute()) {
            trip.DistanceMetres += UMapRoute::DistanceMetres(previous->LastFix.Latitude, previous->LastFix.Longitude,
                                                             recording.FirstFix.Latitude,
                                                             recording.FirstFix.Longitude);
        }
        trip.TopSpeedKmh = std::max(trip.TopSpeedKmh, TopSpeed(recording));
        previous = &recording;
    }
    trip.Start = Parts.constFirst().Events->Start;
    trip.End = EndOf(*Parts.constLast().Events);
    if (trip.Start.isValid() && trip.End.isValid())
        trip.DurationMs = std::max<qint64>(0, trip.Start.msecsTo(trip.End));
    return trip;
}

} // namespace

double UTrips::RouteMetres(const URecordingEvents &Recording)
{
    double metres = 0.0;
    for (qsizetype i = 1; i < Recording.Route.size(); ++i) {
        const URoutePoint &from = Recording.Route[i - 1];
        const URoutePoint &to = Recording.Route[i];
        metres += UMapRoute::DistanceMetres(from.Latitude, from.Longitude, to.Latitude, to.Longitude);
    }
    return metres;
}

QList<UTrip> UTrips::Build(const QList<UTripInput> &Recordings)
{
    // Camera by camera, in the order the recordings started.
    QList<QString> cameras;
    QHash<QString, QList<UTripInput>> byCamera;
    QList<UTripInput> untimed;
    for (const UTripInput &input : Recordings) {
        if (!input.Events)
            continue;
        if (!input.Events->Start.isValid()) {
            untimed.append(input);
            continue;
        }
        const QString &camera = input.Events->Camera;
        if (!byCamera.contains(camera))
            cameras.append(camera);
        byCamera[camera].append(input);
    }
    QList<UTrip> trips;
    for (const QString &camera : std::as_const(cameras)) {
        QList<UTripInput> &inputs = byCamera[camera];
        std::stable_sort(inputs.begin(), inputs.end(), [](const UTripInput &A, const UTripInput &B) {
            return A.Events->Start < B.Events->Start;
        });
        QList<UTripInput> parts;
        for (const UTripInput &input : std::as_const(inputs)) {
            if (!parts.isEmpty() && !Continues(*parts.constLast().Events, *input.Events)) {
                trips.append(TripOf(parts));
                parts.clear();
            }
            parts.append(input);
        }
        if (!parts.isEmpty())
            trips.append(TripOf(parts));
    }
    std::stable_sort(trips.begin(), trips.end(), [](const UTrip &A, const UTrip &B) { return A.Start < B.Start; });
    for (const UTripInput &input : std::as_const(untimed))
        trips.append(TripOf({input}));
    return trips;
}

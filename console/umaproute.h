#ifndef UMAPROUTE_H
#define UMAPROUTE_H

#include <QStringList>
#include <QtGlobal>

#include <optional>

#include "gpslog/gpstrack.h"

// The route on the online map: the calls that show a recording's route,
// the previous recording's route kept when autoplay goes on along the same
// drive, and whether a seek the page asks for still belongs to what the
// engine plays. The window tells it of every choice of a recording and of
// every route it shows; the map page cannot say which recording it shows.
class UMapRoute
{
public:
    // The next recording continues the drive when its first fix lies within
    // this time (where both fixes have one) and distance of the last fix of
    // the one before.
    static constexpr qint64 ContinuationSeconds = 60;
    static constexpr double ContinuationMetres = 500.0;

    // A recording was chosen. ByAutoplay: the end of the one before led to
    // it. Shown: the track read last, still the recording being left's when
    // its route is on the map. Seeks are ignored until the new route is shown.
    void Chosen(bool ByAutoplay, const GpsTrack &Shown);

    // The calls that show the route of the chosen recording once its track
    // has been read, in order: the previous route first when autoplay came
    // from the recording before along the same drive. None for a track
    // without any position. Seeks are accepted from now on.
    QStringList ShowCalls(const GpsTrack &Track);

    // The engine time (ms) for a seek to Second asked by the map page: within
    // the recording (0 .. LengthMs, where the engine knows the length). None
    // when no route of the current choice is shown or the engine neither
    // plays nor is paused.
    std::optional<qint64> SeekTarget(int Second, int EngineState, qint64 LengthMs) const;

    // Whether Next continues the drive of Previous (see ContinuationSeconds).
    static bool ContinuesDrive(const GpsTrack &Previous, const GpsTrack &Next);

    // Great-circle distance in metres between two points in signed degrees.
    static double DistanceMetres(double Latitude1, double Longitude1, double Latitude2, double Longitude2);

private:
    // The map page shows the route of the current choice.
    bool RouteShown = false;
    // The route of the recording autoplay came from (a shared copy of its track).
    GpsTrack Previous;
};

#endif // UMAPROUTE_H

#include "umaproute.h"

#include <cmath>

#include "console/umapscript.h"
#include "playback/enginestate.h"

namespace {

constexpr double EarthRadiusMetres = 6371008.8;
constexpr double DegreesToRadians = 3.14159265358979323846 / 180.0;
constexpr qint64 MillisecondsPerSecond = 1000;

// Index of the first (Forward) or last fix of Track with a position; -1 when none.
qsizetype EndFix(const GpsTrack &Track, bool Forward)
{
    const qsizetype count = Track.Size();
    for (qsizetype step = 0; step < count; ++step) {
        const qsizetype index = Forward ? step : count - 1 - step;
        if (UMapScript::IsRoutePoint(Track.At(index)))
            return index;
    }
    return -1;
}

bool HasRoutePoint(const GpsTrack &Track)
{
    return EndFix(Track, true) >= 0;
}

} // namespace

void UMapRoute::Chosen(bool ByAutoplay, const GpsTrack &Shown)
{
    // Only the recording whose route the page shows has a route to keep:
    // one played without the online map left an older track behind.
    if (ByAutoplay && RouteShown)
        Previous = Shown;
    else
        Previous.Clear();
    RouteShown = false;
}

QStringList UMapRoute::ShowCalls(const GpsTrack &Track)
{
    QStringList calls;
    if (HasRoutePoint(Track)) {
        if (!Previous.IsEmpty() && ContinuesDrive(Previous, Track))
            calls << UMapScript::ShowPreviousRouteCall(Previous);
        calls << UMapScript::ShowRouteCall(Track);
        RouteShown = true;
    }
    Previous.Clear();
    return calls;
}

std::optional<qint64> UMapRoute::SeekTarget(int Second, int EngineState, qint64 LengthMs) const
{
    if (!RouteShown || (EngineState != UEngineState::StatePlaying && EngineState != UEngineState::StatePaused))
        return std::nullopt;
    qint64 target = qMax<qint64>(0, qint64(Second) * MillisecondsPerSecond);
    if (LengthMs > 0)
        target = qMin(target, LengthMs);
    return target;
}

bool UMapRoute::ContinuesDrive(const GpsTrack &Previous, const GpsTrack &Next)
{
    const qsizetype last = EndFix(Previous, false);
    const qsizetype first = EndFix(Next, true);
    if (last < 0 || first < 0)
        return false;
    const GpsFix &from = Previous.At(last);
    const GpsFix &to = Next.At(first);
    if (from.Utc.isValid() && to.Utc.isValid()
        && std::abs(from.Utc.msecsTo(to.Utc)) > ContinuationSeconds * MillisecondsPerSecond)
        return false;
    return DistanceMetres(from.Latitude, from.Longitude, to.Latitude, to.Longitude) <= ContinuationMetres;
}

double UMapRoute::DistanceMetres(double Latitude1, double Longitude1, double Latitude2, double Longitude2)
{
    // Haversine: exact on a sphere, and well-conditioned for the short
    // distances that matter here.
    const double phi1 = Latitude1 * DegreesToRadians;
    const double phi2 = Latitude2 * DegreesToRadians;
    const double sinHalfLat = std::sin((phi2 - phi1) / 2.0);
    const double sinHalfLon = std::sin((Longitude2 - Longitude1) * DegreesToRadians / 2.0);
    const double h = sinHalfLat * sinHalfLat + std::cos(phi1) * std::cos(phi2) * sinHalfLon * sinHalfLon;
    return 2.0 * EarthRadiusMetres * std::asin(std::sqrt(qBound(0.0, h, 1.0)));
}

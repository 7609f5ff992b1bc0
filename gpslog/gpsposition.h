#ifndef GPSPOSITION_H
#define GPSPOSITION_H

#include <QtNumeric>

#include <algorithm>
#include <cmath>

// Positions as recorders store them, checked and turned into signed decimal
// degrees.
namespace GpsPosition {

constexpr double MaxLatitude = 90.0;
constexpr double MaxLongitude = 180.0;
constexpr double MinutesPerDegree = 60.0;
constexpr double DegreeInDegreesMinutes = 100.0;
// Mean radius of the Earth, for distances between consecutive points.
constexpr double EarthRadiusMetres = 6371008.8;
constexpr double DegreesToRadians = 3.14159265358979323846 / 180.0;

// A position a receiver can report: within the globe's bounds, and not
// exactly 0,0 (what receivers write before they have a fix).
inline bool IsPlausible(double Latitude, double Longitude)
{
    return std::isfinite(Latitude) && std::isfinite(Longitude) && std::fabs(Latitude) <= MaxLatitude
        && std::fabs(Longitude) <= MaxLongitude && !(Latitude == 0.0 && Longitude == 0.0);
}

// Degrees and minutes written as one number, DDDMM.MMMM, as decimal
// degrees; NaN for a negative or non-finite value or minutes of 60 or more.
inline double FromDegreesMinutes(double Value)
{
    if (!std::isfinite(Value) || Value < 0.0)
        return qQNaN();
    const double degrees = std::floor(Value / DegreeInDegreesMinutes);
    const double minutes = Value - degrees * DegreeInDegreesMinutes;
    if (minutes >= MinutesPerDegree)
        return qQNaN();
    return degrees + minutes / MinutesPerDegree;
}

// Metres along the Earth's surface between two positions in signed
// degrees (the haversine formula on a sphere: close enough for the speed
// between points a second or so apart).
inline double DistanceMetres(double LatitudeA, double LongitudeA, double LatitudeB, double LongitudeB)
{
    const double latA = LatitudeA * DegreesToRadians;
    const double latB = LatitudeB * DegreesToRadians;
    const double halfDLat = (latB - latA) / 2.0;
    const double halfDLon = (LongitudeB - LongitudeA) * DegreesToRadians / 2.0;
    const double h = std::sin(halfDLat) * std::sin(halfDLat)
        + std::cos(latA) * std::cos(latB) * std::sin(halfDLon) * std::sin(halfDLon);
    return 2.0 * EarthRadiusMetres * std::asin(std::sqrt(std::min(1.0, h)));
}

} // namespace GpsPosition

#endif // GPSPOSITION_H

#ifndef GPSPOSITION_H
#define GPSPOSITION_H

#include <QtNumeric>

#include <cmath>

// Positions as recorders store them, checked and turned into signed decimal
// degrees.
namespace GpsPosition {

constexpr double MaxLatitude = 90.0;
constexpr double MaxLongitude = 180.0;
constexpr double MinutesPerDegree = 60.0;
constexpr double DegreeInDegreesMinutes = 100.0;

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

} // namespace GpsPosition

#endif // GPSPOSITION_H

#ifndef USPEEDUNIT_H
#define USPEEDUNIT_H

#include <QString>

// The unit speeds are shown in: km/h or mph, the user's choice (right-click
// on the speedometer), remembered under USettingsKeys::SpeedUnit(). Speeds
// travel in km/h everywhere inside the program (GPS fixes, the speedometer's
// needle, the map page's route); they are turned into the chosen unit only
// where they are shown or written out: the dial, the map page, exports,
// subtitles.
class USpeedUnit
{
public:
    enum Kind { Kmh, Mph };

    static constexpr double KilometresPerMile = 1.609344;

    // The speed in the unit; an unknown speed (NaN, infinite) stays unknown.
    static double Value(double Kmh, Kind Unit);
    // The speed in the unit, rounded to Decimals (0 to 6), with the unit's
    // name: "57 km/h", "35.4 mph". Empty for an unknown speed. A speed that
    // rounds to zero reads 0, never -0.
    static QString Text(double Kmh, Kind Unit, int Decimals = 0);
    // "km/h", "mph": what the dial, the menu and the page show.
    static QString Name(Kind Unit);
    // "kmh", "mph": what the settings keep and the map page is told.
    static QString Key(Kind Unit);
    // The unit of a key; anything else (an old or a hand-edited setting)
    // is km/h, the unit the recorders write.
    static Kind FromKey(const QString &Key);
};

#endif // USPEEDUNIT_H

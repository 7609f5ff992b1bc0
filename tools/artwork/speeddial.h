#ifndef SPEEDDIAL_H
#define SPEEDDIAL_H

#include <QImage>
#include <QPointF>
#include <QSize>

#include "widgets/dialgeometry.h"

// The speedometer dial. The player turns its needle about a pivot at
// (widget width / 2, 98) by speed * 9/11 - 1080/11 degrees clockwise from
// straight up, 84 pixels long on a 120-pixel-high widget; the dial is drawn
// centred horizontally in that widget. The scale below is laid out with the
// same numbers (DialGeometry), so a mark sits where the needle points at its
// speed.
class SpeedDial
{
public:
    static constexpr int Width = DialGeometry::DialWidth;
    static constexpr int Height = DialGeometry::DialHeight;

    // Where the needle's pivot falls inside the dial picture. The widget is
    // 300 wide: the picture's left edge lands at 150 - 195/2 = 53 and the
    // pivot at 300/2 = 150, that is 97 inside the picture; a 195-wide widget
    // gives 97 as well.
    static constexpr double PivotX = 97.0;
    static constexpr double PivotY = DialGeometry::PivotY;

    // The needle's turn: 9/11 degree per km/h, 120 km/h straight up.
    static constexpr double DegreesPerKmh =
        double(DialGeometry::DegreesPerKmhNumerator) / double(DialGeometry::DegreesPerKmhDenominator);
    static constexpr double ZeroKmhDegrees = -DialGeometry::ZeroSpeedAngle;

    // The needle's length in a space where the widget's shorter side (120)
    // measures NeedleSpaceSide units.
    static constexpr double NeedleLength =
        DialGeometry::NeedleLengthUnits * Height / DialGeometry::NeedleSpaceSide;

    static constexpr int ScaleEndKmh = 240;
    static constexpr int MajorStepKmh = 20;
    static constexpr int MinorStepKmh = 10;
    static constexpr int RedZoneFromKmh = 200;

    // The mph dial: the same arc (0 to 240 km/h, about 149 mph), its marks
    // where the needle, which turns by km/h, points at their speed in mph.
    static constexpr double KilometresPerMile = 1.609344;
    static constexpr int ScaleEndMph = 140;
    static constexpr int MajorStepMph = 20;
    static constexpr int MinorStepMph = 10;
    static constexpr int RedZoneFromMph = 125;

    enum Unit { Kmh, Mph };

    // Radii around the pivot, in pixels.
    static constexpr double FaceRadius = 96.0;
    static constexpr double RimRadius = 93.5;
    static constexpr double ScaleRadius = 89.0;
    static constexpr double MinorTickInner = 85.0;
    static constexpr double MajorTickInner = 80.0;
    static constexpr double LabelRadius = 70.0;
    static constexpr double HubRadius = 6.5;

    static double AngleFor(double kmh);
    // The point on the needle's ray at the given distance from the pivot,
    // in picture pixels.
    static QPointF PointAt(double kmh, double radius);

    // The dial with the marks and the name of the unit.
    static QImage Paint(Unit DialUnit = Kmh);
};

#endif // SPEEDDIAL_H

#ifndef DIALGEOMETRY_H
#define DIALGEOMETRY_H

// The speedometer's geometry: the widget turns its needle with these numbers
// and the artwork tool lays out the dial picture's scale with the same ones,
// so that a mark sits where the needle points at its speed.
namespace DialGeometry {

// The needle turns about a pivot at (widget width / 2, PivotY).
constexpr double PivotY = 98.0;
// The widget's shorter side measures this many needle units.
constexpr double NeedleSpaceSide = 400.0;
// The needle's tip lies this many units from the pivot.
constexpr double NeedleLengthUnits = 280.0;
// 9/11 of a degree per km/h clockwise; 120 km/h points straight up, so 0 km/h
// lies 1080/11 degrees to the left of it.
constexpr float DegreesPerKmhNumerator = 9.0f;
constexpr float DegreesPerKmhDenominator = 11.0f;
constexpr double ZeroSpeedAngle = 1080.0 / 11.0;

// The dial picture, drawn centred in the widget.
constexpr int DialWidth = 195;
constexpr int DialHeight = 120;

} // namespace DialGeometry

#endif // DIALGEOMETRY_H

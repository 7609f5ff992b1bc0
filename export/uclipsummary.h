#ifndef UCLIPSUMMARY_H
#define UCLIPSUMMARY_H

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <functional>
#include <optional>

#include "export/uclipmanifest.h"
#include "gpslog/gpsfix.h"

// What the one-page summary of a clip tells.
struct UClipFacts
{
    QString Program;
    QString Version;
    // The first recording's file name and the stretch from its start.
    QString FirstRecording;
    qint64 FromMs = 0;
    qint64 ToMs = 0;
    // The in-point's time of day (invalid: unknown), shown in Zone and UTC.
    QDateTime InUtc;
    QTimeZone Zone;
    int GpsShiftSeconds = 0;
    // The fix shown at the in-point, and every report within the stretch.
    std::optional<GpsFix> InFix;
    GpsFixList Route;
    // "front: NAME.mp4" for each clip file.
    QStringList Cameras;
    // The route's picture beside the page; empty without one.
    QString RoutePicture;
    // The scale bar's length on the picture, in metres.
    double ScaleMetres = 0.0;
    QList<UClipSourceEntry> Sources;
    QList<UClipFileEntry> Files;
    // A speed as the program shows it.
    std::function<QString(double Kmh)> SpeedText;
};

// summary.html, a page to print and hand over, and the picture of the
// route it shows, drawn from the fixes alone (no map).
class UClipSummary
{
public:
    static constexpr int PictureWidth = 800;
    static constexpr int PictureHeight = 500;

    static QByteArray Html(const UClipFacts &Facts);

    // The route north up, coloured by speed as on the map, a light dot at
    // its start and a dark one at its end, a scale bar of ScaleMetres at the
    // foot; a null image for a route without a position.
    static QImage RoutePicture(const GpsFixList &Route, double *ScaleMetres);

    // Along the route, fix to fix.
    static double DistanceMetres(const GpsFixList &Route);
    static double TopSpeedKmh(const GpsFixList &Route);
    // "52.12345 N 4.56789 E".
    static QString PlaceText(double Latitude, double Longitude);
};

#endif // UCLIPSUMMARY_H

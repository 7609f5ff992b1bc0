#include "uclipsummary.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr double EarthRadiusMetres = 6371000.0;
constexpr double DegreesToRadians = 3.14159265358979323846 / 180.0;
// A step longer than this is a gap in the fixes, not a road: it is not drawn.
constexpr double GapMetres = 500.0;
constexpr int Margin = 36;
constexpr double RouteWidth = 4.0;
constexpr double EndRadius = 7.0;
constexpr int ScaleBarFoot = 16;
constexpr double ScaleBarShare = 0.25;
constexpr int PlaceDecimals = 5;

// The map's speed bands: upper bounds (km/h), slow to fast, and their
// colours; the last band has no upper bound.
constexpr std::array<double, 4> SpeedBandLimits = {30.0, 60.0, 90.0, 120.0};
constexpr std::array<QRgb, 5> SpeedBandColours = {0xff3f7fd8, 0xff00b0a8, 0xff8cc63f, 0xfff2c12e, 0xffef5a3c};
constexpr QRgb Background = 0xffffffff;
constexpr QRgb StartColour = 0xff9fe0e0;
constexpr QRgb EndColour = 0xff005f5f;
constexpr QRgb Ink = 0xff202020;
constexpr QRgb Grid = 0xffe6e6e6;

QColor BandColour(double Kmh)
{
    std::size_t band = 0;
    while (band < SpeedBandLimits.size() && Kmh >= SpeedBandLimits.at(band))
        ++band;
    return QColor::fromRgb(SpeedBandColours.at(band));
}

double Distance(const GpsFix &A, const GpsFix &B)
{
    const double lat1 = A.Latitude * DegreesToRadians;
    const double lat2 = B.Latitude * DegreesToRadians;
    const double dLat = lat2 - lat1;
    const double dLon = (B.Longitude - A.Longitude) * DegreesToRadians;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(lat1) * std::cos(lat2) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * EarthRadiusMetres * std::asin(std::min(1.0, std::sqrt(h)));
}

// A round length near Metres: 1, 2 or 5 times a power of ten.
double RoundLength(double Metres)
{
    if (!(Metres > 0.0))
        return 0.0;
    const double power = std::pow(10.0, std::floor(std::log10(Metres)));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= Metres)
            return step * power;
    }
    return power;
}

QString Escaped(const QString &Text)
{
    return Text.toHtmlEscaped();
}

QString Row(const QString &Name, const QString &Value)
{
    return QStringLiteral("<tr><th>") + Escaped(Name) + QStringLiteral("</th><td>") + Value
        + QStringLiteral("</td></tr>\n");
}

QString DistanceText(double Metres)
{
    if (Metres < 1000.0)
        return QStringLiteral("%1 m").arg(qRound(Metres));
    return QStringLiteral("%1 km").arg(Metres / 1000.0, 0, 'f', 2);
}

QString LengthText(double Metres)
{
    return Metres < 1000.0 ? QStringLiteral("%1 m").arg(Metres) : QStringLiteral("%1 km").arg(Metres / 1000.0);
}

QString ZoneText(const QDateTime &Local)
{
    const QString abbreviation = Local.timeZoneAbbreviation();
    const int offset = Local.offsetFromUtc();
    const QLatin1Char zero('0');
    const QString utc = QStringLiteral("UTC%1%2:%3")
                            .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                            .arg(std::abs(offset) / 3600, 2, 10, zero)
                            .arg(std::abs(offset) % 3600 / 60, 2, 10, zero);
    // "UTC", "GMT+1" and the like say no more than the offset.
    const bool bare = abbreviation.isEmpty() || abbreviation.startsWith(QLatin1String("UTC"))
        || abbreviation.startsWith(QLatin1String("GMT"));
    return bare ? utc : abbreviation + QStringLiteral(", ") + utc;
}

} // namespace

double UClipSummary::DistanceMetres(const GpsFixList &Route)
{
    double metres = 0.0;
    for (qsizetype i = 1; i < Route.size(); ++i)
        metres += Distance(Route.at(i - 1), Route.at(i));
    return metres;
}

double UClipSummary::TopSpeedKmh(const GpsFixList &Route)
{
    double top = 0.0;
    for (const GpsFix &fix : Route) {
        if (std::isfinite(fix.SpeedKmh))
            top = std::max(top, fix.SpeedKmh);
    }
    return top;
}

QString UClipSummary::PlaceText(double Latitude, double Longitude)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(std::fabs(Latitude), 0, 'f', PlaceDecimals)
        .arg(Latitude < 0 ? QLatin1Char('S') : QLatin1Char('N'))
        .arg(std::fabs(Longitude), 0, 'f', PlaceDecimals)
        .arg(Longitude < 0 ? QLatin1Char('W') : QLatin1Char('E'));
}

QImage UClipSummary::RoutePicture(const GpsFixList &Route, double *ScaleMetres)
{
    if (ScaleMetres)
        *ScaleMetres = 0.0;
    if (Route.isEmpty())
        return QImage();
    // North up, east right, a metre the same length both ways: around the
    // middle latitude a degree of longitude is shorter.
    double south = 90.0, north = -90.0, west = 180.0, east = -180.0;
    for (const GpsFix &fix : Route) {
        south = std::min(south, fix.Latitude);
        north = std::max(north, fix.Latitude);
        west = std::min(west, fix.Longitude);
        east = std::max(east, fix.Longitude);
    }
    const double metresPerDegree = EarthRadiusMetres * DegreesToRadians;
    const double squeeze = std::max(0.01, std::cos((south + north) / 2.0 * DegreesToRadians));
    const double spanX = std::max((east - west) * squeeze * metresPerDegree, 1.0);
    const double spanY = std::max((north - south) * metresPerDegree, 1.0);
    const double room = double(PictureWidth - 2 * Margin);
    const double roomY = double(PictureHeight - 2 * Margin - ScaleBarFoot);
    // A route of a few metres is drawn at the scale of 200 m, not blown up.
    const double pixelsPerMetre = std::min({room / spanX, roomY / spanY, room / 200.0});
    const double offsetX = Margin + (room - spanX * pixelsPerMetre) / 2.0;
    const double offsetY = Margin + (roomY - spanY * pixelsPerMetre) / 2.0;
    const auto place = [&](const GpsFix &Fix) {
        return QPointF(offsetX + (Fix.Longitude - west) * squeeze * metresPerDegree * pixelsPerMetre,
                       offsetY + (north - Fix.Latitude) * metresPerDegree * pixelsPerMetre);
    };

    QImage picture(PictureWidth, PictureHeight, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Background);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    // A light grid a scale bar's length apart, for the eye to measure by.
    const double length = RoundLength(room * ScaleBarShare / pixelsPerMetre);
    const double step = length * pixelsPerMetre;
    painter.setPen(QPen(QColor::fromRgb(Grid), 1.0));
    for (double x = offsetX; step >= 1.0 && x < PictureWidth; x += step)
        painter.drawLine(QPointF(x, 0), QPointF(x, PictureHeight));
    for (double x = offsetX - step; step >= 1.0 && x > 0; x -= step)
        painter.drawLine(QPointF(x, 0), QPointF(x, PictureHeight));
    for (double y = offsetY; step >= 1.0 && y < PictureHeight; y += step)
        painter.drawLine(QPointF(0, y), QPointF(PictureWidth, y));
    for (double y = offsetY - step; step >= 1.0 && y > 0; y -= step)
        painter.drawLine(QPointF(0, y), QPointF(PictureWidth, y));
    for (qsizetype i = 1; i < Route.size(); ++i) {
        const GpsFix &from = Route.at(i - 1);
        const GpsFix &to = Route.at(i);
        if (Distance(from, to) > GapMetres)
            continue;
        painter.setPen(QPen(BandColour(from.SpeedKmh), RouteWidth, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(place(from), place(to));
    }
    painter.setPen(QPen(QColor::fromRgb(Ink), 2.0));
    painter.setBrush(QColor::fromRgb(EndColour));
    painter.drawEllipse(place(Route.constLast()), EndRadius, EndRadius);
    painter.setBrush(QColor::fromRgb(StartColour));
    painter.drawEllipse(place(Route.constFirst()), EndRadius, EndRadius);

    // The scale: a bar of the grid's length, with ticks at its ends.
    const double barPixels = step;
    const double y = PictureHeight - Margin / 2.0;
    painter.setPen(QPen(QColor::fromRgb(Ink), 2.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(Margin, y), QPointF(Margin + barPixels, y));
    painter.drawLine(QPointF(Margin, y - 5), QPointF(Margin, y + 5));
    painter.drawLine(QPointF(Margin + barPixels, y - 5), QPointF(Margin + barPixels, y + 5));
    painter.end();
    if (ScaleMetres)
        *ScaleMetres = length;
    return picture;
}

QByteArray UClipSummary::Html(const UClipFacts &Facts)
{
    const auto speed = [&Facts](double Kmh) {
        return Facts.SpeedText ? Facts.SpeedText(Kmh) : QStringLiteral("%1 km/h").arg(qRound(Kmh));
    };
    const QDateTime local = Facts.InUtc.toTimeZone(Facts.Zone);
    const QDateTime localEnd = local.addMSecs(Facts.ToMs - Facts.FromMs);
    const QString title = Facts.InUtc.isValid()
        ? QStringLiteral("Clip of %1, %2").arg(local.toString(QStringLiteral("yyyy-MM-dd")),
                                                  local.toString(QStringLiteral("HH:mm:ss")))
        : QStringLiteral("Clip of %1").arg(Facts.FirstRecording);

    QString facts;
    if (Facts.InUtc.isValid()) {
        facts += Row(QStringLiteral("Date"), local.toString(QStringLiteral("yyyy-MM-dd")));
        facts += Row(QStringLiteral("Time"),
                     Escaped(QStringLiteral("%1 to %2 (%3); %4 to %5 UTC")
                                 .arg(local.toString(QStringLiteral("HH:mm:ss.zzz")),
                                      localEnd.toString(QStringLiteral("HH:mm:ss.zzz")), ZoneText(local),
                                      Facts.InUtc.toUTC().toString(QStringLiteral("HH:mm:ss.zzz")),
                                      Facts.InUtc.toUTC().addMSecs(Facts.ToMs - Facts.FromMs)
                                          .toString(QStringLiteral("HH:mm:ss.zzz")))));
    } else {
        facts += Row(QStringLiteral("Date and time"), Escaped(QStringLiteral("unknown")));
    }
    facts += Row(QStringLiteral("Length"),
                 Escaped(QStringLiteral("%1 (from %2 to %3 of %4)")
                             .arg(UClipManifest::TimeText(Facts.ToMs - Facts.FromMs),
                                  UClipManifest::TimeText(Facts.FromMs), UClipManifest::TimeText(Facts.ToMs),
                                  Facts.FirstRecording)));
    if (Facts.Route.isEmpty()) {
        facts += Row(QStringLiteral("Place"), Escaped(QStringLiteral("no GPS position in the clip")));
    } else {
        const GpsFix &place = Facts.InFix ? *Facts.InFix : Facts.Route.constFirst();
        facts += Row(QStringLiteral("Place"), Escaped(PlaceText(place.Latitude, place.Longitude)));
        facts += Row(QStringLiteral("Speed at the in-point"),
                     Escaped(Facts.InFix ? speed(Facts.InFix->SpeedKmh) : QStringLiteral("no GPS position")));
        facts += Row(QStringLiteral("Top speed"), Escaped(speed(TopSpeedKmh(Facts.Route))));
        facts += Row(QStringLiteral("Distance"), Escaped(DistanceText(DistanceMetres(Facts.Route))));
        facts += Row(QStringLiteral("GPS shift"),
                     Escaped(Facts.GpsShiftSeconds == 0 ? QStringLiteral("none")
                                                        : QStringLiteral("%1%2 s")
                                                              .arg(Facts.GpsShiftSeconds > 0 ? QStringLiteral("+")
                                                                                             : QString())
                                                              .arg(Facts.GpsShiftSeconds)));
    }
    QStringList cameras;
    for (const QString &camera : Facts.Cameras)
        cameras << Escaped(camera);
    facts += Row(QStringLiteral("Cameras"), cameras.join(QStringLiteral("<br>")));

    QString route;
    if (!Facts.RoutePicture.isEmpty()) {
        route = QStringLiteral("<h2>Route</h2>\n<p><img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"The route of the "
                               "clip\"></p>\n<p class=\"note\">North is up. The light dot is the in-point, the dark "
                               "one the out-point; the colour is the speed (blue under 30 km/h, then teal, green, "
                               "yellow, red from 120 km/h). The grid's squares and the bar at the foot are %4 wide.</p>\n")
                    .arg(Escaped(Facts.RoutePicture))
                    .arg(PictureWidth)
                    .arg(PictureHeight)
                    .arg(Escaped(LengthText(Facts.ScaleMetres)));
    }

    QString sources;
    for (const UClipSourceEntry &source : Facts.Sources) {
        sources += QStringLiteral("<tr><td>%1<br><span class=\"note\">%2, %3 to %4, %5 bytes</span></td>"
                                  "<td class=\"hash\">%6</td></tr>\n")
                       .arg(Escaped(source.Path), Escaped(source.Camera), UClipManifest::TimeText(source.FromMs),
                            UClipManifest::TimeText(source.ToMs), QString::number(source.Size), source.Sha256);
    }
    QString files;
    for (const UClipFileEntry &file : Facts.Files) {
        files += QStringLiteral("<tr><td>%1<br><span class=\"note\">%2 bytes</span></td><td class=\"hash\">%3</td>"
                                "</tr>\n")
                     .arg(Escaped(file.Name), QString::number(file.Size), file.Sha256);
    }

    const QString page = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n<style>\n"
        "body { font-family: \"DejaVu Sans\", Arial, sans-serif; font-size: 10.5pt; color: #111; margin: 2em; }\n"
        "h1 { font-size: 16pt; margin: 0 0 0.6em; } h2 { font-size: 12pt; margin: 1.2em 0 0.4em; }\n"
        "table { border-collapse: collapse; } th, td { text-align: left; vertical-align: top; padding: 2px 10px 2px 0; }\n"
        "table.files { width: 100%; } table.files td { border-top: 1px solid #ccc; padding-top: 4px; }\n"
        ".hash { font-family: \"DejaVu Sans Mono\", monospace; font-size: 8.5pt; word-break: break-all; }\n"
        ".note { color: #555; font-size: 9pt; } img { max-width: 100%; height: auto; border: 1px solid #999; }\n"
        "@media print { body { margin: 0; } }\n</style>\n</head>\n<body>\n<h1>%1</h1>\n<table>\n%2</table>\n%3"
        "<h2>Files and their SHA-256</h2>\n<p class=\"note\">Taken from:</p>\n<table class=\"files\">\n%4</table>\n"
        "<p class=\"note\">Made of them (this page is checked through manifest.json):</p>\n"
        "<table class=\"files\">\n%5</table>\n<p class=\"note\">Made by %6 %7, picture and sound copied without "
        "re-encoding. Check the folder with: vialumo --verify FOLDER</p>\n</body>\n</html>\n")
                             .arg(Escaped(title), facts, route, sources, files, Escaped(Facts.Program),
                                  Escaped(Facts.Version));
    return page.toUtf8();
}

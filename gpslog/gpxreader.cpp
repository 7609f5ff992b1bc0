#include "gpxreader.h"

#include "gpslog/gpsposition.h"

#include <QIODevice>
#include <QXmlStreamReader>

#include <cmath>
#include <vector>

namespace {

constexpr double MaxLatitude = 90.0;
constexpr double MaxLongitude = 180.0;
constexpr double FullCircle = 360.0;
constexpr double MetresPerSecondToKmh = 3.6;
// Metres per millisecond to kilometres per hour.
constexpr double MetresPerMsToKmh = 3600.0;

const QLatin1String GpxElement("gpx");
const QLatin1String TrackElement("trk");
const QLatin1String TrackSegmentElement("trkseg");
const QLatin1String TrackPointElement("trkpt");
const QLatin1String RouteElement("rte");
const QLatin1String RoutePointElement("rtept");
const QLatin1String WaypointElement("wpt");
const QLatin1String ExtensionsElement("extensions");
const QLatin1String ElevationElement("ele");
const QLatin1String TimeElement("time");
const QLatin1String SpeedElement("speed");
const QLatin1String CourseElement("course");
const QLatin1String LatitudeAttribute("lat");
const QLatin1String LongitudeAttribute("lon");
const QChar DateTimeSeparator(u'T');

enum class Kind { Gpx, Track, TrackSegment, Route, Point, Extensions, Other };
enum class Leaf { Elevation, Time, Speed, Course };

// Points of one track segment, one route or all waypoints, with which of
// them gave their own speed.
struct Segment
{
    GpsFixList Fixes;
    QList<bool> SpeedGiven;
};

double ParseNumber(QStringView Text)
{
    bool ok = false;
    const double value = Text.toDouble(&ok);
    return ok && std::isfinite(value) ? value : qQNaN();
}

bool InRange(double Latitude, double Longitude)
{
    return std::fabs(Latitude) <= MaxLatitude && std::fabs(Longitude) <= MaxLongitude
        && !(Latitude == 0.0 && Longitude == 0.0);
}

// ISO 8601 date and time, with "Z", an offset or (taken as UTC, which GPX
// prescribes) no zone at all.
QDateTime ParseTime(const QString &Text)
{
    const QString trimmed = Text.trimmed();
    if (!trimmed.contains(DateTimeSeparator))
        return QDateTime();
    QDateTime time = QDateTime::fromString(trimmed, Qt::ISODateWithMs);
    if (!time.isValid())
        return QDateTime();
    if (time.timeSpec() == Qt::LocalTime)
        time.setTimeSpec(Qt::UTC);
    return time.toUTC();
}

double DistanceMetres(const GpsFix &A, const GpsFix &B)
{
    return GpsPosition::DistanceMetres(A.Latitude, A.Longitude, B.Latitude, B.Longitude);
}

bool Timed(const GpsFix &Fix)
{
    return Fix.Valid && Fix.Utc.isValid();
}

// A point without its own speed gets the distance from the previous
// positioned, timed point of its segment over the time between them. Where
// that time is zero or negative (equal or disordered times) it keeps the
// previous point's speed; the first such point of a segment gets the speed
// over the first interval with time, and 0 where there is none.
void WorkOutSpeeds(Segment &S)
{
    qsizetype previous = -1;
    for (qsizetype k = 0; k < S.Fixes.size(); ++k) {
        GpsFix &fix = S.Fixes[k];
        if (!Timed(fix))
            continue;
        if (!S.SpeedGiven[k] && previous >= 0) {
            const GpsFix &before = S.Fixes[previous];
            const qint64 ms = before.Utc.msecsTo(fix.Utc);
            fix.SpeedKmh = ms > 0 ? DistanceMetres(before, fix) / double(ms) * MetresPerMsToKmh : before.SpeedKmh;
        } else if (!S.SpeedGiven[k]) {
            for (qsizetype n = k + 1; n < S.Fixes.size(); ++n) {
                const GpsFix &after = S.Fixes[n];
                if (!Timed(after))
                    continue;
                const qint64 ms = fix.Utc.msecsTo(after.Utc);
                if (ms > 0) {
                    fix.SpeedKmh = DistanceMetres(fix, after) / double(ms) * MetresPerMsToKmh;
                    break;
                }
            }
        }
        previous = k;
    }
}

class DocumentReader
{
public:
    explicit DocumentReader(QXmlStreamReader &Reader) : Xml(Reader) {}

    GpxTrack Run()
    {
        while (!Xml.atEnd()) {
            switch (Xml.readNext()) {
            case QXmlStreamReader::DTD:
                // Declared entities are how a small file expands to gigabytes.
                if (!Xml.entityDeclarations().isEmpty())
                    Xml.raiseError(QStringLiteral("GPX documents declare no entities"));
                break;
            case QXmlStreamReader::StartElement:
                StartElement();
                break;
            case QXmlStreamReader::EndElement:
                EndElement();
                break;
            default:
                break;
            }
        }
        GpxTrack track;
        if (Xml.hasError())
            track.Error = Xml.errorString() + QStringLiteral(" (line ") + QString::number(Xml.lineNumber())
                + QLatin1Char(')');
        // Whatever was read of an unfinished segment counts.
        if (SegmentOpen)
            (OpenKind == Kind::Route ? Routes : Tracks).append(Current);

        const auto hasPoints = [](const QList<Segment> &List) {
            for (const Segment &s : List) {
                if (!s.Fixes.isEmpty())
                    return true;
            }
            return false;
        };
        QList<Segment> chosen;
        if (hasPoints(Tracks)) {
            chosen = Tracks;
            track.From = GpxTrack::Source::Tracks;
        } else if (hasPoints(Routes)) {
            chosen = Routes;
            track.From = GpxTrack::Source::Routes;
        } else if (!Waypoints.Fixes.isEmpty()) {
            chosen = {Waypoints};
            track.From = GpxTrack::Source::Waypoints;
        }
        for (Segment &s : chosen) {
            WorkOutSpeeds(s);
            track.Fixes.append(s.Fixes);
        }
        return track;
    }

private:
    void StartElement()
    {
        const QStringView name = Xml.name();
        Kind kind = Kind::Other;
        if (Stack.empty()) {
            if (name != GpxElement) {
                Xml.raiseError(QStringLiteral("not a GPX document"));
                return;
            }
            kind = Kind::Gpx;
        } else {
            switch (Stack.back()) {
            case Kind::Gpx:
                if (name == TrackElement) {
                    kind = Kind::Track;
                } else if (name == RouteElement) {
                    kind = Kind::Route;
                    OpenSegment(Kind::Route);
                } else if (name == WaypointElement) {
                    kind = Kind::Point;
                    BeginPoint();
                }
                break;
            case Kind::Track:
                if (name == TrackSegmentElement) {
                    kind = Kind::TrackSegment;
                    OpenSegment(Kind::TrackSegment);
                }
                break;
            case Kind::TrackSegment:
                if (name == TrackPointElement) {
                    kind = Kind::Point;
                    BeginPoint();
                }
                break;
            case Kind::Route:
                if (name == RoutePointElement) {
                    kind = Kind::Point;
                    BeginPoint();
                }
                break;
            case Kind::Point:
                if (name == ElevationElement)
                    return ReadLeaf(Leaf::Elevation);
                if (name == TimeElement)
                    return ReadLeaf(Leaf::Time);
                if (name == SpeedElement)
                    return ReadLeaf(Leaf::Speed);
                if (name == CourseElement)
                    return ReadLeaf(Leaf::Course);
                if (name == ExtensionsElement)
                    kind = Kind::Extensions;
                break;
            case Kind::Extensions:
                // Speed and course at any depth: Garmin's sit inside a
                // TrackPointExtension element of their own.
                if (name == SpeedElement)
                    return ReadLeaf(Leaf::Speed);
                if (name == CourseElement)
                    return ReadLeaf(Leaf::Course);
                kind = Kind::Extensions;
                break;
            case Kind::Other:
                break;
            }
        }
        Stack.push_back(kind);
    }

    void EndElement()
    {
        if (Stack.empty())
            return;
        const Kind kind = Stack.back();
        Stack.pop_back();
        if (kind == Kind::Point) {
            const bool waypoint = Stack.back() == Kind::Gpx;
            Segment &target = waypoint ? Waypoints : Current;
            Point.Valid = InRange(Point.Latitude, Point.Longitude);
            if (!Point.Valid) {
                Point.Latitude = qQNaN();
                Point.Longitude = qQNaN();
            }
            target.Fixes.append(Point);
            target.SpeedGiven.append(PointSpeedGiven);
        } else if (kind == Kind::TrackSegment || kind == Kind::Route) {
            (kind == Kind::Route ? Routes : Tracks).append(Current);
            SegmentOpen = false;
        }
    }

    void OpenSegment(Kind Which)
    {
        Current = Segment();
        SegmentOpen = true;
        OpenKind = Which;
    }

    void BeginPoint()
    {
        const QXmlStreamAttributes attributes = Xml.attributes();
        Point = GpsFix();
        Point.Latitude = ParseNumber(attributes.value(LatitudeAttribute));
        Point.Longitude = ParseNumber(attributes.value(LongitudeAttribute));
        PointSpeedGiven = false;
        PointCourseGiven = false;
    }

    // The first of each value counts; unreadable ones count as missing.
    void ReadLeaf(Leaf Which)
    {
        const QString text = Xml.readElementText(QXmlStreamReader::SkipChildElements);
        if (Xml.hasError())
            return;
        switch (Which) {
        case Leaf::Elevation:
            if (std::isnan(Point.Altitude))
                Point.Altitude = ParseNumber(text);
            break;
        case Leaf::Time:
            if (!Point.Utc.isValid())
                Point.Utc = ParseTime(text);
            break;
        case Leaf::Speed:
            if (const double kmh = ParseNumber(text) * MetresPerSecondToKmh;
                !PointSpeedGiven && kmh >= 0.0 && std::isfinite(kmh)) {
                Point.SpeedKmh = kmh;
                PointSpeedGiven = true;
            }
            break;
        case Leaf::Course:
            if (const double course = ParseNumber(text); !PointCourseGiven && course >= 0.0 && course <= FullCircle) {
                Point.Course = course;
                PointCourseGiven = true;
            }
            break;
        }
    }

    QXmlStreamReader &Xml;
    std::vector<Kind> Stack;
    QList<Segment> Tracks;
    QList<Segment> Routes;
    Segment Waypoints;
    Segment Current;
    bool SegmentOpen = false;
    Kind OpenKind = Kind::Other;
    GpsFix Point;
    bool PointSpeedGiven = false;
    bool PointCourseGiven = false;
};

} // namespace

GpxTrack GpxReader::Read(const QByteArray &Bytes)
{
    QXmlStreamReader xml(Bytes);
    return DocumentReader(xml).Run();
}

GpxTrack GpxReader::Read(QIODevice &Device)
{
    if (!Device.isReadable()) {
        GpxTrack track;
        track.Error = QStringLiteral("cannot read the GPX document");
        return track;
    }
    QXmlStreamReader xml(&Device);
    return DocumentReader(xml).Run();
}

#include "gpxwriter.h"

#include <QBuffer>
#include <QIODevice>
#include <QLocale>
#include <QXmlStreamWriter>

#include <cmath>

namespace {

const QString GpxNamespace = QStringLiteral("http://www.topografix.com/GPX/1/1");
const QString SchemaInstanceNamespace = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
// Speed and course go where GPXSee, Garmin's tools and most others look for
// them: Garmin's track point extension.
const QString TrackPointExtensionNamespace = QStringLiteral("http://www.garmin.com/xmlschemas/TrackPointExtension/v2");
const QString TrackPointExtensionPrefix = QStringLiteral("gpxtpx");
const QString SchemaLocation =
    QStringLiteral("http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd "
                   "http://www.garmin.com/xmlschemas/TrackPointExtension/v2 "
                   "https://www8.garmin.com/xmlschemas/TrackPointExtensionv2.xsd");
// The program's own namespace, of the notes on the document (earlier
// exports wrote their speeds in it too).
const QString NoteNamespace = QStringLiteral("urn:vialumo:gpx:1");
const QString Creator = QStringLiteral("Vialumo");
const QString GpxVersion = QStringLiteral("1.1");
const QLatin1Char DecimalPoint('.');
const QLatin1Char TrailingZero('0');

// Nine decimals are a tenth of a millimetre; trailing zeros go down to the
// seven decimals every coordinate keeps.
constexpr int CoordinateDecimals = 9;
constexpr double CoordinateScale = 1e9;
constexpr int MinCoordinateDecimals = 7;
constexpr int AutoFormattingIndent = 2;
constexpr double MaxLatitude = 90.0;
constexpr double MaxLongitude = 180.0;
constexpr double FullCircle = 360.0;
constexpr double KmhToMetresPerSecond = 1.0 / 3.6;
// Years ISO 8601 writes with four digits.
constexpr int FirstYear = 1;
constexpr int LastYear = 9999;

QString Degrees(double Value)
{
    // No "-0.0000000" for a coordinate on the equator or the meridian.
    QString text = QString::number(Value == 0.0 ? 0.0 : Value, 'f', CoordinateDecimals);
    const qsizetype keep = text.indexOf(DecimalPoint) + 1 + MinCoordinateDecimals;
    while (text.size() > keep && text.endsWith(TrailingZero))
        text.chop(1);
    return text;
}

// GPX longitudes stop short of 180: the same meridian is written as -180,
// also where a longitude just below 180 rounds up to it.
QString Longitude(double Value)
{
    const double rounded = std::round(Value * CoordinateScale) / CoordinateScale;
    return Degrees(rounded >= MaxLongitude ? rounded - FullCircle : rounded);
}

// The shortest decimal that reads back as the same number, never with an
// exponent.
QString Plain(double Value)
{
    return QString::number(Value == 0.0 ? 0.0 : Value, 'f', QLocale::FloatingPointShortest);
}

bool HasPosition(const GpsFix &Fix)
{
    return Fix.Valid && std::fabs(Fix.Latitude) <= MaxLatitude && std::fabs(Fix.Longitude) <= MaxLongitude;
}

void WritePoint(QXmlStreamWriter &Xml, const GpsFix &Fix)
{
    Xml.writeStartElement(GpxNamespace, QStringLiteral("trkpt"));
    Xml.writeAttribute(QStringLiteral("lat"), Degrees(Fix.Latitude));
    Xml.writeAttribute(QStringLiteral("lon"), Longitude(Fix.Longitude));
    if (std::isfinite(Fix.Altitude))
        Xml.writeTextElement(GpxNamespace, QStringLiteral("ele"), Plain(Fix.Altitude));
    if (Fix.Utc.isValid()) {
        const QDateTime utc = Fix.Utc.toUTC();
        const int year = utc.date().year();
        if (year >= FirstYear && year <= LastYear) {
            const Qt::DateFormat format = utc.time().msec() == 0 ? Qt::ISODate : Qt::ISODateWithMs;
            Xml.writeTextElement(GpxNamespace, QStringLiteral("time"), utc.toString(format));
        }
    }
    const bool speed = std::isfinite(Fix.SpeedKmh) && Fix.SpeedKmh >= 0.0;
    const bool course = Fix.Course >= 0.0 && Fix.Course <= FullCircle;
    if (speed || course) {
        Xml.writeStartElement(GpxNamespace, QStringLiteral("extensions"));
        Xml.writeStartElement(TrackPointExtensionNamespace, QStringLiteral("TrackPointExtension"));
        // In the schema's order: speed before course.
        if (speed)
            Xml.writeTextElement(TrackPointExtensionNamespace, QStringLiteral("speed"),
                                 Plain(Fix.SpeedKmh * KmhToMetresPerSecond));
        // The schema's course stops short of 360: north is 0.
        if (course)
            Xml.writeTextElement(TrackPointExtensionNamespace, QStringLiteral("course"),
                                 Plain(Fix.Course == FullCircle ? 0.0 : Fix.Course));
        Xml.writeEndElement();
        Xml.writeEndElement();
    }
    Xml.writeEndElement();
}

} // namespace

QByteArray GpxWriter::Write(const GpsFixList &Fixes)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Write(Fixes, buffer);
    return bytes;
}

bool GpxWriter::Write(const GpsFixList &Fixes, QIODevice &Device)
{
    return Write(Fixes, Device, {});
}

bool GpxWriter::Write(const GpsFixList &Fixes, QIODevice &Device, const QList<Note> &Notes)
{
    QXmlStreamWriter xml(&Device);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(AutoFormattingIndent);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(GpxNamespace);
    xml.writeNamespace(SchemaInstanceNamespace, QStringLiteral("xsi"));
    xml.writeNamespace(TrackPointExtensionNamespace, TrackPointExtensionPrefix);
    xml.writeStartElement(GpxNamespace, QStringLiteral("gpx"));
    xml.writeAttribute(QStringLiteral("version"), GpxVersion);
    xml.writeAttribute(QStringLiteral("creator"), Creator);
    xml.writeAttribute(SchemaInstanceNamespace, QStringLiteral("schemaLocation"), SchemaLocation);
    if (!Notes.isEmpty()) {
        xml.writeStartElement(GpxNamespace, QStringLiteral("metadata"));
        xml.writeStartElement(GpxNamespace, QStringLiteral("extensions"));
        for (const Note &note : Notes) {
            xml.writeStartElement(note.Name);
            xml.writeDefaultNamespace(NoteNamespace);
            for (const auto &attribute : note.Attributes)
                xml.writeAttribute(attribute.first, attribute.second);
            xml.writeCharacters(note.Value);
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeStartElement(GpxNamespace, QStringLiteral("trk"));
    xml.writeStartElement(GpxNamespace, QStringLiteral("trkseg"));
    for (const GpsFix &fix : Fixes) {
        if (HasPosition(fix))
            WritePoint(xml, fix);
    }
    xml.writeEndDocument();
    return !xml.hasError();
}

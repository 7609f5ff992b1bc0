// GPX documents read into fixes (points, times, speeds given or worked
// out, which point lists count, broken and hostile XML) and fixes written
// as GPX 1.1: its structure, and the same numbers read back.

#include "gpslog/gpxreader.h"
#include "gpslog/gpxwriter.h"
#include "gpslog/nmeareader.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(GpsFix)
Q_DECLARE_METATYPE(GpxTrack::Source)

namespace {

const QString GpxNamespace = QStringLiteral("http://www.topografix.com/GPX/1/1");
const QString TrackPointExtensionNamespace = QStringLiteral("http://www.garmin.com/xmlschemas/TrackPointExtension/v2");
// Metres along a meridian for a thousandth of a degree, on the sphere the
// reader measures with.
const double MilliDegreeMetres = 6371008.8 * 0.001 * 3.14159265358979323846 / 180.0;
// Kilometres per hour over a thousandth of a degree of latitude in ten seconds.
const double MilliDegreeIn10s = MilliDegreeMetres / 10.0 * 3.6;

QByteArray Gpx(const QByteArray &Body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
        + Body + "</gpx>";
}

QByteArray Segment(const QByteArray &Points)
{
    return Gpx("<trk><trkseg>" + Points + "</trkseg></trk>");
}

// A track point at latitude 45 + Milli/1000, longitude 10, Second seconds
// after 10:00 (no time when Second is negative), with extra content.
QByteArray Point(int Milli, int Second, const QByteArray &Extra = QByteArray())
{
    QByteArray point = "<trkpt lat=\"" + QByteArray::number(45.0 + Milli / 1000.0, 'f', 3) + "\" lon=\"10\">";
    if (Second >= 0)
        point += "<time>2020-12-18T10:00:" + QByteArray::number(Second).rightJustified(2, '0') + "Z</time>";
    return point + Extra + "</trkpt>";
}

bool SameNumber(double A, double B)
{
    return (std::isnan(A) && std::isnan(B)) || std::fabs(A - B) < 1e-9;
}

QString DataPath(const QString &Name)
{
    return QStringLiteral(VIALUMO_SOURCE_DIR "/tests/data/") + Name;
}

GpxTrack ReadFile(const QString &Name)
{
    QFile file(DataPath(Name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(Name));
    return GpxReader::Read(file);
}

GpsFix Fix(double Latitude, double Longitude, const QDateTime &Utc, double Altitude, double Kmh)
{
    GpsFix fix;
    fix.Valid = true;
    fix.Latitude = Latitude;
    fix.Longitude = Longitude;
    fix.Utc = Utc;
    fix.Altitude = Altitude;
    fix.SpeedKmh = Kmh;
    return fix;
}

GpsFixList ValidOnly(const GpsFixList &Fixes)
{
    GpsFixList valid;
    for (const GpsFix &fix : Fixes) {
        if (fix.Valid)
            valid.append(fix);
    }
    return valid;
}

} // namespace

class TestGpx : public QObject
{
    Q_OBJECT

private slots:
    void realFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("firstUtc");
        QTest::addColumn<double>("firstLatitude");
        QTest::addColumn<double>("firstLongitude");
        QTest::addColumn<double>("firstAltitude");
        QTest::addColumn<QString>("lastUtc");
        QTest::addColumn<double>("lastLatitude");
        QTest::addColumn<double>("lastLongitude");
        QTest::addColumn<QList<double>>("speedsMs");
        QTest::newRow("eTrex 20x in a car") << "gpx/around-visnjan-with-car.gpx" << 104 << "2020-12-18T06:15:50.000Z"
                                            << 45.2735188510 << 13.7142099626 << 211.15
                                            << "2020-12-18T06:24:24.000Z" << 45.2733349521 << 13.7139970623
                                            << QList<double>();
        QTest::newRow("GPX 1.0 with speed") << "gpx/track_with_speed.gpx" << 3 << "2009-03-02T14:05:52.000Z"
                                            << 52.330848 << 5.541371 << 48.962041 << "2009-03-02T14:06:05.000Z"
                                            << 52.331014 << 5.541333 << QList<double>{1.2, 2.2, 3.2};
    }

    void realFiles()
    {
        QFETCH(QString, file);
        QFETCH(QList<double>, speedsMs);
        const GpxTrack track = ReadFile(file);
        QVERIFY2(track.Error.isEmpty(), qPrintable(track.Error));
        QCOMPARE(track.From, GpxTrack::Source::Tracks);
        QTEST(int(track.Fixes.size()), "points");
        QCOMPARE(ValidOnly(track.Fixes).size(), track.Fixes.size());
        const GpsFix &first = track.Fixes.first();
        const GpsFix &last = track.Fixes.last();
        QTEST(first.Utc.toString(Qt::ISODateWithMs), "firstUtc");
        QTEST(first.Latitude, "firstLatitude");
        QTEST(first.Longitude, "firstLongitude");
        QTEST(first.Altitude, "firstAltitude");
        QTEST(last.Utc.toString(Qt::ISODateWithMs), "lastUtc");
        QTEST(last.Latitude, "lastLatitude");
        QTEST(last.Longitude, "lastLongitude");
        for (qsizetype k = 0; k < speedsMs.size(); ++k)
            QVERIFY(SameNumber(track.Fixes[k].SpeedKmh, speedsMs[k] * 3.6));
        // Without speeds in the file every point still gets a plausible one.
        for (const GpsFix &fix : track.Fixes)
            QVERIFY(fix.SpeedKmh >= 0.0 && fix.SpeedKmh < 150.0);
    }

    void speeds_data()
    {
        QTest::addColumn<QByteArray>("points");
        QTest::addColumn<QList<double>>("kmh");
        const double v = MilliDegreeIn10s;
        QTest::newRow("GPX 1.0 speed") << Point(0, 0, "<speed>2.5</speed>") << QList<double>{9.0};
        QTest::newRow("speed among extensions") << Point(0, 0, "<extensions><speed>2.5</speed></extensions>")
                                                << QList<double>{9.0};
        QTest::newRow("Garmin's speed")
            << Point(0, 0,
                     "<extensions><gpxtpx:TrackPointExtension "
                     "xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">"
                     "<gpxtpx:hr>90</gpxtpx:hr><gpxtpx:speed>2.5</gpxtpx:speed>"
                     "</gpxtpx:TrackPointExtension></extensions>")
            << QList<double>{9.0};
        // What this program wrote before speed went into Garmin's extension.
        QTest::newRow("speed in the namespace written before")
            << Point(0, 0, "<extensions><speed xmlns=\"urn:vialumo:gpx:1\">2.5</speed></extensions>")
            << QList<double>{9.0};
        QTest::newRow("the first speed counts")
            << Point(0, 0, "<speed>2.5</speed><extensions><speed>9</speed></extensions>")
            << QList<double>{9.0};
        QTest::newRow("worked out") << Point(0, 0) + Point(1, 10) + Point(3, 20)
                                    << QList<double>{v, v, 2 * v};
        QTest::newRow("one given, the next worked out") << Point(0, 0, "<speed>2.5</speed>") + Point(1, 10)
                                                        << QList<double>{9.0, v};
        QTest::newRow("equal times keep the speed before") << Point(0, 0) + Point(1, 10) + Point(5, 10)
                                                           << QList<double>{v, v, v};
        QTest::newRow("time going back keeps the speed before") << Point(0, 10) + Point(1, 20) + Point(2, 5)
                                                                << QList<double>{v, v, v};
        QTest::newRow("equal times first") << Point(0, 0) + Point(0, 0) + Point(1, 10)
                                           << QList<double>{v, v, v};
        QTest::newRow("one point") << Point(0, 0) << QList<double>{0.0};
        QTest::newRow("no times") << Point(0, -1) + Point(1, -1) << QList<double>{0.0, 0.0};
        QTest::newRow("untimed point between") << Point(0, 0) + Point(7, -1) + Point(1, 10)
                                               << QList<double>{v, 0.0, v};
        QTest::newRow("unusable speeds") << Point(0, 0, "<speed>-1</speed>") + Point(1, 10, "<speed>fast</speed>")
                                         << QList<double>{v, v};
        QTest::newRow("not across segments")
            << QByteArray(Point(0, 0) + "</trkseg><trkseg>" + Point(1, 10)) << QList<double>{0.0, 0.0};
    }

    void speeds()
    {
        QFETCH(QByteArray, points);
        QFETCH(QList<double>, kmh);
        const GpxTrack track = GpxReader::Read(Segment(points));
        QVERIFY2(track.Error.isEmpty(), qPrintable(track.Error));
        QCOMPARE(track.Fixes.size(), kmh.size());
        for (qsizetype k = 0; k < kmh.size(); ++k)
            QVERIFY2(std::fabs(track.Fixes[k].SpeedKmh - kmh[k]) < 1e-6,
                     qPrintable(QStringLiteral("point %1: %2").arg(k).arg(track.Fixes[k].SpeedKmh, 0, 'g', 12)));
    }

    void times_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("utc");
        QTest::newRow("UTC") << QByteArray("2020-12-18T06:15:50Z") << "2020-12-18T06:15:50.000Z";
        QTest::newRow("offset") << QByteArray("2020-12-18T08:15:50+02:00") << "2020-12-18T06:15:50.000Z";
        QTest::newRow("negative offset") << QByteArray("2020-12-17T23:15:50-07:00") << "2020-12-18T06:15:50.000Z";
        QTest::newRow("milliseconds") << QByteArray("2020-12-18T06:15:50.250Z") << "2020-12-18T06:15:50.250Z";
        QTest::newRow("no zone is UTC") << QByteArray("2020-12-18T06:15:50") << "2020-12-18T06:15:50.000Z";
        QTest::newRow("blanks around") << QByteArray("\n  2020-12-18T06:15:50Z \n") << "2020-12-18T06:15:50.000Z";
        QTest::newRow("date only") << QByteArray("2020-12-18") << QString();
        QTest::newRow("no such month") << QByteArray("2020-13-18T06:15:50Z") << QString();
        QTest::newRow("words") << QByteArray("yesterday") << QString();
    }

    void times()
    {
        QFETCH(QByteArray, text);
        const GpxTrack track =
            GpxReader::Read(Segment("<trkpt lat=\"45\" lon=\"10\"><time>" + text + "</time></trkpt>"));
        QCOMPARE(track.Fixes.size(), 1);
        const QDateTime utc = track.Fixes.first().Utc;
        QVERIFY(!utc.isValid() || utc.timeSpec() == Qt::UTC);
        QTEST(utc.isValid() ? utc.toString(Qt::ISODateWithMs) : QString(), "utc");
    }

    void points_data()
    {
        QTest::addColumn<QByteArray>("point");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("altitude");
        const double nan = qQNaN();
        QTest::newRow("plain") << QByteArray("<trkpt lat=\"45.5\" lon=\"-10.25\"><ele>12.5</ele></trkpt>") << true
                               << 45.5 << -10.25 << 12.5;
        QTest::newRow("no latitude") << QByteArray("<trkpt lon=\"10\"/>") << false << nan << nan << nan;
        QTest::newRow("latitude beyond 90") << QByteArray("<trkpt lat=\"90.5\" lon=\"10\"/>") << false << nan << nan
                                            << nan;
        QTest::newRow("longitude beyond 180") << QByteArray("<trkpt lat=\"45\" lon=\"-180.5\"/>") << false << nan
                                              << nan << nan;
        QTest::newRow("exactly 0,0") << QByteArray("<trkpt lat=\"0\" lon=\"0.0\"/>") << false << nan << nan << nan;
        QTest::newRow("not numbers") << QByteArray("<trkpt lat=\"nan\" lon=\"inf\"/>") << false << nan << nan << nan;
        QTest::newRow("blanks in attributes") << QByteArray("<trkpt lat=\" 45 \" lon=\"10\"/>") << true << 45.0
                                              << 10.0 << nan;
        QTest::newRow("attributes in a namespace are not GPX's")
            << QByteArray("<trkpt xmlns:x=\"urn:x\" x:lat=\"45\" lon=\"10\"/>") << false << nan << nan << nan;
        QTest::newRow("elevation unreadable") << QByteArray("<trkpt lat=\"45\" lon=\"10\"><ele>high</ele></trkpt>")
                                              << true << 45.0 << 10.0 << nan;
        QTest::newRow("elevation with exponent") << QByteArray("<trkpt lat=\"45\" lon=\"10\"><ele>1e3</ele></trkpt>")
                                                 << true << 45.0 << 10.0 << 1000.0;
        QTest::newRow("elements unknown to GPX") << QByteArray("<trkpt lat=\"45\" lon=\"10\"><name>a</name><sat>8</sat>"
                                                               "<x><ele>5</ele></x><ele>7</ele></trkpt>")
                                                 << true << 45.0 << 10.0 << 7.0;
    }

    void points()
    {
        QFETCH(QByteArray, point);
        const GpxTrack track = GpxReader::Read(Segment(point));
        QVERIFY2(track.Error.isEmpty(), qPrintable(track.Error));
        QCOMPARE(track.Fixes.size(), 1);
        const GpsFix &fix = track.Fixes.first();
        QTEST(fix.Valid, "valid");
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, altitude);
        QVERIFY(SameNumber(fix.Latitude, latitude));
        QVERIFY(SameNumber(fix.Longitude, longitude));
        QVERIFY(SameNumber(fix.Altitude, altitude));
    }

    void sources_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<GpxTrack::Source>("source");
        QTest::addColumn<QList<double>>("latitudes");
        const QByteArray waypoint = "<wpt lat=\"1\" lon=\"1\"/>";
        const QByteArray route = "<rte><rtept lat=\"2\" lon=\"2\"/><rtept lat=\"3\" lon=\"3\"/></rte>";
        const QByteArray track = "<trk><trkseg><trkpt lat=\"4\" lon=\"4\"/></trkseg>"
                                 "<trkseg><trkpt lat=\"5\" lon=\"5\"/></trkseg></trk>"
                                 "<trk><trkseg><trkpt lat=\"6\" lon=\"6\"/></trkseg></trk>";
        QTest::newRow("tracks first") << Gpx(waypoint + route + track) << GpxTrack::Source::Tracks
                                      << QList<double>{4, 5, 6};
        QTest::newRow("routes without tracks") << Gpx(waypoint + route + "<trk><trkseg/></trk>")
                                               << GpxTrack::Source::Routes << QList<double>{2, 3};
        QTest::newRow("waypoints alone") << Gpx(waypoint + waypoint) << GpxTrack::Source::Waypoints
                                         << QList<double>{1, 1};
        QTest::newRow("nothing") << Gpx("<metadata><name>x</name></metadata>") << GpxTrack::Source::None
                                 << QList<double>();
        QTest::newRow("points out of place")
            << Gpx("<trkpt lat=\"7\" lon=\"7\"/><trk><trkpt lat=\"8\" lon=\"8\"/></trk>"
                   "<extensions><wpt lat=\"9\" lon=\"9\"/></extensions>")
            << GpxTrack::Source::None << QList<double>();
        QTest::newRow("no namespace, GPX 1.0")
            << QByteArray("<gpx version=\"1.0\"><trk><trkseg><trkpt lat=\"4\" lon=\"4\"/></trkseg></trk></gpx>")
            << GpxTrack::Source::Tracks << QList<double>{4};
        QTest::newRow("prefixed") << QByteArray("<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\"><g:trk><g:trkseg>"
                                                "<g:trkpt lat=\"4\" lon=\"4\"/></g:trkseg></g:trk></g:gpx>")
                                  << GpxTrack::Source::Tracks << QList<double>{4};
    }

    void sources()
    {
        QFETCH(QByteArray, document);
        QFETCH(QList<double>, latitudes);
        const GpxTrack track = GpxReader::Read(document);
        QVERIFY2(track.Error.isEmpty(), qPrintable(track.Error));
        QTEST(track.From, "source");
        QList<double> got;
        for (const GpsFix &fix : track.Fixes)
            got.append(fix.Latitude);
        QCOMPARE(got, latitudes);
    }

    // Reading stops at the first fault; the points completed before it stay.
    void malformed_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("error");
        const QByteArray whole = Segment(Point(0, 0) + Point(1, 1) + Point(2, 2));
        QTest::newRow("whole") << whole << 3 << false;
        QTest::newRow("cut inside the third point")
            << whole.left(whole.indexOf("<trkpt", whole.indexOf("45.002") - 20) + 30)
            << 2 << true;
        QTest::newRow("cut after the third point") << whole.left(whole.lastIndexOf("</trkpt>") + 8) << 3 << true;
        QTest::newRow("cut inside the declaration") << whole.left(10) << 0 << true;
        QTest::newRow("mismatched tag") << Segment(Point(0, 0) + "<trkpt lat=\"1\" lon=\"1\"></trkseg>" + Point(2, 2))
                                        << 1 << true;
        QTest::newRow("junk after the document") << whole + "<gpx/>" << 3 << true;
        QTest::newRow("not GPX") << QByteArray("<kml><trkpt lat=\"1\" lon=\"1\"/></kml>") << 0 << true;
        QTest::newRow("empty") << QByteArray() << 0 << true;
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe<\x01gpx", 8) << 0 << true;
        QTest::newRow("undeclared entity") << Segment(Point(0, 0) + "<trkpt lat=\"1\" lon=\"1\"><ele>&x;</ele></trkpt>")
                                           << 1 << true;
        QTest::newRow("plain doctype") << QByteArray("<!DOCTYPE gpx>") + whole.mid(whole.indexOf("<gpx")) << 3 << false;
    }

    void malformed()
    {
        QFETCH(QByteArray, document);
        QFETCH(bool, error);
        const GpxTrack track = GpxReader::Read(document);
        QTEST(int(track.Fixes.size()), "points");
        QCOMPARE(!track.Error.isEmpty(), error);
        QBuffer device(&document);
        device.open(QIODevice::ReadOnly);
        const GpxTrack fromDevice = GpxReader::Read(device);
        QCOMPARE(fromDevice.Fixes.size(), track.Fixes.size());
        QCOMPARE(fromDevice.Error.isEmpty(), track.Error.isEmpty());
    }

    // Entity declarations are refused before anything expands: no
    // exponential growth, no file read through an external entity.
    void entities_data()
    {
        QTest::addColumn<QByteArray>("document");
        QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n<!ENTITY lol \"lol\">\n";
        for (int k = 1; k <= 9; ++k) {
            laughs += "<!ENTITY lol" + QByteArray::number(k) + " \"";
            for (int n = 0; n < 10; ++n)
                laughs += "&lol" + (k > 1 ? QByteArray::number(k - 1) : QByteArray()) + ";";
            laughs += "\">\n";
        }
        laughs += "]>\n<gpx><trk><trkseg><trkpt lat=\"45\" lon=\"10\"><name>&lol9;</name></trkpt></trkseg></trk></gpx>";
        QTest::newRow("billion laughs") << laughs;
        QTest::newRow("external entity")
            << QByteArray("<!DOCTYPE gpx [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>"
                          "<gpx><trk><trkseg><trkpt lat=\"45\" lon=\"10\"><name>&secret;</name></trkpt>"
                          "</trkseg></trk></gpx>");
        QTest::newRow("entity in an attribute")
            << QByteArray("<!DOCTYPE gpx [<!ENTITY l \"45\">]><gpx><trk><trkseg><trkpt lat=\"&l;\" lon=\"10\"/>"
                          "</trkseg></trk></gpx>");
        QTest::newRow("parameter entity")
            << QByteArray("<!DOCTYPE gpx [<!ENTITY % p SYSTEM \"file:///etc/passwd\"> %p;]><gpx/>");
    }

    void entities()
    {
        QFETCH(QByteArray, document);
        const GpxTrack track = GpxReader::Read(document);
        QVERIFY(!track.Error.isEmpty());
        QVERIFY(track.Fixes.isEmpty());
    }

    void unreadableDevice()
    {
        QFile closed(DataPath(QStringLiteral("gpx/track_with_speed.gpx")));
        const GpxTrack track = GpxReader::Read(closed);
        QVERIFY(!track.Error.isEmpty());
        QVERIFY(track.Fixes.isEmpty());
    }

    // What the writer gives has GPX 1.1's layout: a gpx root in its
    // namespace, one trk with one trkseg of trkpt, each with ele, time and
    // extensions in that order, speed and course in Garmin's
    // TrackPointExtension v2 (prefix gpxtpx, speed before course, course
    // below 360), at least seven decimals, times in UTC.
    void writtenStructure()
    {
        GpsFixList fixes;
        fixes.append(Fix(45.5, 10.25, QDateTime(QDate(2020, 12, 18), QTime(6, 15, 50), Qt::UTC), 12.5, 36.0));
        fixes.last().Course = 359.5;
        fixes.append(GpsFix()); // no position: left out
        GpsFix noFix = Fix(45.6, 10.3, QDateTime(), qQNaN(), 0.0);
        noFix.Valid = false; // the receiver's last position, no fix: left out
        fixes.append(noFix);
        fixes.append(Fix(-0.0000001, -179.99999999, QDateTime(), qQNaN(), 0.0));
        fixes.last().Course = 360.0;
        fixes.append(Fix(1, 2, QDateTime(QDate(2020, 12, 18), QTime(8, 15, 50, 250), Qt::OffsetFromUTC, 7200),
                         qQNaN(), qQNaN()));
        fixes.last().Course = 0.0;
        // GPX longitudes stop short of 180.
        fixes.append(Fix(3, 180.0, QDateTime(), qQNaN(), qQNaN()));
        fixes.last().Course = 361.0; // no course
        fixes.append(Fix(4, 179.9999999996, QDateTime(), qQNaN(), qQNaN()));
        fixes.append(Fix(5, 179.9999999994, QDateTime(), qQNaN(), qQNaN()));
        const QByteArray text = GpxWriter::Write(fixes);
        QVERIFY(text.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QVERIFY(text.contains("xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\""));

        const QRegularExpression degrees(QStringLiteral("^-?[0-9]{1,3}\\.[0-9]{7,}$"));
        const QRegularExpression utc(
            QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]{3})?Z$"));
        const QStringList pointChildren = {QStringLiteral("ele"), QStringLiteral("time"), QStringLiteral("extensions")};
        const QStringList extensionChildren = {QStringLiteral("speed"), QStringLiteral("course")};
        QXmlStreamReader xml(text);
        QStringList path;
        QStringList points;
        qsizetype lastChild = -1;
        qsizetype lastExtension = -1;
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::EndElement) {
                path.removeLast();
                continue;
            }
            if (token != QXmlStreamReader::StartElement)
                continue;
            const QString name = xml.name().toString();
            const QString parent = path.isEmpty() ? QString() : path.last();
            path.append(name);
            if (parent == QStringLiteral("extensions")) {
                QCOMPARE(name, QStringLiteral("TrackPointExtension"));
                QCOMPARE(xml.namespaceUri().toString(), TrackPointExtensionNamespace);
                QCOMPARE(xml.prefix().toString(), QStringLiteral("gpxtpx"));
                lastExtension = -1;
                continue;
            }
            if (parent == QStringLiteral("TrackPointExtension")) {
                const qsizetype index = extensionChildren.indexOf(name);
                QVERIFY2(index > lastExtension, qPrintable(name));
                lastExtension = index;
                QCOMPARE(xml.namespaceUri().toString(), TrackPointExtensionNamespace);
                points.last() += QLatin1Char(' ') + name + QLatin1Char('=') + xml.readElementText();
                path.removeLast();
                continue;
            }
            QCOMPARE(xml.namespaceUri().toString(), GpxNamespace);
            if (parent.isEmpty()) {
                QCOMPARE(name, QStringLiteral("gpx"));
                QCOMPARE(xml.attributes().value(QStringLiteral("version")).toString(), QStringLiteral("1.1"));
                QCOMPARE(xml.attributes().value(QStringLiteral("creator")).toString(), QStringLiteral("Vialumo"));
            } else if (parent == QStringLiteral("gpx")) {
                QCOMPARE(name, QStringLiteral("trk"));
            } else if (parent == QStringLiteral("trk")) {
                QCOMPARE(name, QStringLiteral("trkseg"));
            } else if (parent == QStringLiteral("trkseg")) {
                QCOMPARE(name, QStringLiteral("trkpt"));
                const QString lat = xml.attributes().value(QStringLiteral("lat")).toString();
                const QString lon = xml.attributes().value(QStringLiteral("lon")).toString();
                QVERIFY2(degrees.match(lat).hasMatch(), qPrintable(lat));
                QVERIFY2(degrees.match(lon).hasMatch(), qPrintable(lon));
                points.append(lat + QLatin1Char(' ') + lon);
                lastChild = -1;
            } else if (parent == QStringLiteral("trkpt")) {
                const qsizetype index = pointChildren.indexOf(name);
                QVERIFY2(index > lastChild, qPrintable(name));
                lastChild = index;
                if (name != QStringLiteral("extensions")) {
                    const QString value = xml.readElementText();
                    path.removeLast();
                    if (name == QStringLiteral("time"))
                        QVERIFY2(utc.match(value).hasMatch(), qPrintable(value));
                    points.last() += QLatin1Char(' ') + name + QLatin1Char('=') + value;
                }
            } else {
                QFAIL(qPrintable(QStringLiteral("unexpected element %1 in %2").arg(name, parent)));
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        const QStringList expected = {
            QStringLiteral("45.5000000 10.2500000 ele=12.5 time=2020-12-18T06:15:50Z speed=10 course=359.5"),
            QStringLiteral("-0.0000001 -179.99999999 speed=0 course=0"),
            QStringLiteral("1.0000000 2.0000000 time=2020-12-18T06:15:50.250Z course=0"),
            QStringLiteral("3.0000000 -180.0000000"),
            QStringLiteral("4.0000000 -180.0000000"),
            QStringLiteral("5.0000000 179.999999999"),
        };
        QCOMPARE(points, expected);
    }

    void writtenEmpty()
    {
        const GpxTrack track = GpxReader::Read(GpxWriter::Write(GpsFixList()));
        QVERIFY2(track.Error.isEmpty(), qPrintable(track.Error));
        QVERIFY(track.Fixes.isEmpty());
    }

    void writeToUnwritableDevice()
    {
        QByteArray bytes;
        QBuffer readOnly(&bytes);
        readOnly.open(QIODevice::ReadOnly);
        QVERIFY(!GpxWriter::Write({Fix(45, 10, QDateTime(), qQNaN(), 0)}, readOnly));
    }

    // Written and read back, every fix with a position keeps its numbers.
    void roundTrip_data()
    {
        QTest::addColumn<GpsFixList>("fixes");
        auto nmea = [](const QString &Name) {
            QFile file(DataPath(QStringLiteral("nmea/") + Name));
            if (!file.open(QIODevice::ReadOnly))
                qFatal("cannot read %s", qPrintable(Name));
            return NmeaReader::Read(file).Fixes;
        };
        QTest::newRow("BU-353-S4") << nmea(QStringLiteral("bu353s4.log"));
        QTest::newRow("Haicom 305N") << nmea(QStringLiteral("haicom-305N.log"));
        QTest::newRow("eTrex 20x") << ReadFile(QStringLiteral("gpx/around-visnjan-with-car.gpx")).Fixes;
        QTest::newRow("GPX 1.0 with speed") << ReadFile(QStringLiteral("gpx/track_with_speed.gpx")).Fixes;
        const QDateTime start(QDate(2019, 11, 30), QTime(12, 1, 56, 100), Qt::UTC);
        GpsFixList made;
        for (int k = 0; k < 50; ++k) {
            made.append(Fix(-89.99 + k * 3.6123456789, -179.99 + k * 7.2987654321, start.addMSecs(k * 100),
                            k % 3 ? -420.5 + k : qQNaN(), k * 2.345678901));
            made.last().Course = k % 4 ? k * 7.123 : qQNaN();
        }
        QTest::newRow("ten a second, everywhere") << made;
    }

    void roundTrip()
    {
        QFETCH(GpsFixList, fixes);
        const GpsFixList written = ValidOnly(fixes);
        const GpxTrack track = GpxReader::Read(GpxWriter::Write(fixes));
        QVERIFY2(track.Error.isEmpty(), qPrintable(track.Error));
        QCOMPARE(track.Fixes.size(), written.size());
        for (qsizetype k = 0; k < written.size(); ++k) {
            const GpsFix &a = written[k];
            const GpsFix &b = track.Fixes[k];
            QVERIFY(b.Valid);
            QVERIFY(std::fabs(a.Latitude - b.Latitude) < 1e-7);
            QVERIFY(std::fabs(a.Longitude - b.Longitude) < 1e-7);
            QCOMPARE(b.Utc, a.Utc);
            QVERIFY(SameNumber(a.Altitude, b.Altitude));
            QVERIFY(std::fabs(a.SpeedKmh - b.SpeedKmh) < 1e-7);
            QVERIFY(SameNumber(a.Course, b.Course));
        }
    }
};

QTEST_GUILESS_MAIN(TestGpx)
#include "tst_gpx.moc"

// NMEA 0183 logs read into fixes: sentences, checksums, one fix per instant
// across talkers and sentence types in time order, loosely written times,
// UTF-16 text, recorder stamps, line endings, oversized and broken input,
// and real receivers' logs compared with GPSBabel's reading of them.

#include "gpslog/nmeareader.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

const char *const Rmc = "GPRMC,030719.000,A,3747.0873,S,17518.8938,E,0.69,181.39,311214,,,A";
const char *const Gga = "GPGGA,030719.000,3747.0873,S,17518.8938,E,1,08,1.1,59.9,M,23.7,M,,0000";
const double RmcLatitude = -(37.0 + 47.0873 / 60.0);
const double RmcLongitude = 175.0 + 18.8938 / 60.0;
const double RmcKmh = 0.69 * 1.852;
const QString RmcUtc = QStringLiteral("2014-12-31T03:07:19.000Z");

// A sentence with its checksum.
QByteArray Nmea(const QByteArray &Body)
{
    unsigned sum = 0;
    for (const char c : Body)
        sum ^= static_cast<unsigned char>(c);
    return '$' + Body + '*' + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

QByteArray Replaced(const char *Body, const char *From, const char *To)
{
    return QByteArray(Body).replace(From, To);
}

bool SameNumber(double A, double B)
{
    return (std::isnan(A) && std::isnan(B)) || std::fabs(A - B) < 1e-9;
}

QString UtcText(const GpsFix &Fix)
{
    return Fix.Utc.isValid() ? Fix.Utc.toUTC().toString(Qt::ISODateWithMs) : QString();
}

// One fix as a line of text, for comparing whole logs at a glance.
QString Describe(const GpsFix &Fix)
{
    return QStringLiteral("%1 %2 lat=%3 alt=%4 kmh=%5")
        .arg(Fix.Valid ? QStringLiteral("fix") : QStringLiteral("nofix"),
             Fix.Utc.isValid() ? UtcText(Fix) : QStringLiteral("-"), QString::number(Fix.Latitude, 'f', 6),
             QString::number(Fix.Altitude), QString::number(Fix.SpeedKmh, 'f', 3));
}

QStringList Describe(const GpsFixList &Fixes)
{
    QStringList lines;
    for (const GpsFix &fix : Fixes)
        lines.append(Describe(fix));
    return lines;
}

QByteArray Lines(const QList<QByteArray> &List)
{
    QByteArray text;
    for (const QByteArray &line : List)
        text += line + '\n';
    return text;
}

QByteArray ReadFile(const QString &Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(Path));
    return file.readAll();
}

QString DataPath(const QString &Name)
{
    return QStringLiteral(VIALUMO_SOURCE_DIR "/tests/data/nmea/") + Name;
}

NmeaLog ReadThroughDevice(const QByteArray &Bytes)
{
    QBuffer buffer;
    buffer.setData(Bytes);
    buffer.open(QIODevice::ReadOnly);
    return NmeaReader::Read(buffer);
}

// Hands out at most Step bytes a read, as a pipe or a slow disk may.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(QByteArray Data, qint64 Step) : Bytes(std::move(Data)), StepBytes(Step) {}

protected:
    qint64 readData(char *Data, qint64 MaxSize) override
    {
        const qint64 count = std::min({MaxSize, StepBytes, qint64(Bytes.size()) - At});
        std::copy_n(Bytes.constData() + At, count, Data);
        At += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray Bytes;
    qint64 StepBytes;
    qint64 At = 0;
};

} // namespace

class TestNmeaReader : public QObject
{
    Q_OBJECT

private slots:
    void sentences_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("fixes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("kmh");
        QTest::addColumn<double>("course");
        QTest::addColumn<double>("altitude");
        QTest::addColumn<QString>("utc");
        QTest::addColumn<int>("rejected");
        const double nan = qQNaN();
        const double lat = RmcLatitude;
        const double lon = RmcLongitude;
        const double kmh = RmcKmh;
        const QString utc = RmcUtc;

        QTest::newRow("RMC") << Nmea(Rmc) << 1 << true << lat << lon << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("GGA alone: no date") << Nmea(Gga) << 1 << true << lat << lon << 0.0 << nan << 59.9
                                            << QString() << 0;
        QTest::newRow("wrong checksum") << Nmea(Rmc).replace("*7D", "*7E") << 0 << false << nan << nan << 0.0
                                        << nan << nan << QString() << 1;
        QTest::newRow("no checksum") << '$' + QByteArray(Rmc) << 0 << false << nan << nan << 0.0 << nan << nan
                                     << QString() << 1;
        QTest::newRow("checksum cut short") << Nmea(Rmc).chopped(1) << 0 << false << nan << nan << 0.0 << nan
                                            << nan << QString() << 1;
        QTest::newRow("lower-case checksum") << Nmea(Rmc).replace("*7D", "*7d") << 1 << true << lat << lon << kmh
                                             << 181.39 << nan << utc << 0;
        QTest::newRow("bytes after the checksum") << Nmea(Rmc) + "x" << 0 << false << nan << nan << 0.0 << nan
                                                  << nan << QString() << 1;
        QTest::newRow("blanks after the checksum") << Nmea(Rmc) + " \t" << 1 << true << lat << lon << kmh
                                                   << 181.39 << nan << utc << 0;
        QTest::newRow("blanks before") << " \t" + Nmea(Rmc) << 1 << true << lat << lon << kmh << 181.39 << nan
                                       << utc << 0;
        for (const char *talker : {"GN", "GL", "GA", "BD", "GB", "QZ"}) {
            QTest::addRow("talker %s", talker) << Nmea(Replaced(Rmc, "GP", talker)) << 1 << true << lat << lon
                                               << kmh << 181.39 << nan << utc << 0;
        }
        QTest::newRow("proprietary sentence") << Nmea(Replaced(Rmc, "GPRMC", "PGRMC")) << 0 << false << nan
                                              << nan << 0.0 << nan << nan << QString() << 0;
        QTest::newRow("other type") << Nmea("GPGSA,A,3,17,28,06,01,30,20,26,13,,,,,1.8,1.1,1.5") << 0 << false
                                    << nan << nan << 0.0 << nan << nan << QString() << 0;
        QTest::newRow("NMEA 4.1 navigational status") << Nmea(QByteArray(Rmc) + ",V") << 1 << true << lat << lon
                                                      << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("NMEA 4.1 GGA from a GNSS receiver") << Nmea(Replaced(Gga, "GPGGA", "GNGGA")) << 1 << true
                                                           << lat << lon << 0.0 << nan << 59.9 << QString() << 0;
        QTest::newRow("before NMEA 2.3: no mode") << Nmea(Replaced(Rmc, ",,,A", ",,")) << 1 << true << lat
                                                  << lon << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("status V") << Nmea(Replaced(Rmc, ",A,3747", ",V,3747")) << 1 << false << lat << lon << kmh
                                  << 181.39 << nan << utc << 0;
        QTest::newRow("mode N") << Nmea(Replaced(Rmc, ",,,A", ",,,N")) << 1 << false << lat << lon << kmh
                                << 181.39 << nan << utc << 0;
        QTest::newRow("GGA quality 0") << Nmea(Replaced(Gga, ",E,1,", ",E,0,")) << 1 << false << lat << lon
                                       << 0.0 << nan << 59.9 << QString() << 0;
        QTest::newRow("GGA quality empty") << Nmea(Replaced(Gga, ",E,1,", ",E,,")) << 1 << false << lat << lon
                                           << 0.0 << nan << 59.9 << QString() << 0;
        QTest::newRow("latitude beyond 90") << Nmea(Replaced(Rmc, "3747.0873", "9000.0001")) << 1 << false << nan
                                            << nan << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("longitude beyond 180") << Nmea(Replaced(Rmc, "17518.8938", "18000.0001")) << 1 << false
                                              << nan << nan << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("poles and date line")
            << Nmea(Replaced(Replaced(Rmc, "3747.0873", "9000.0000"), "17518.8938,E", "18000.0000,W"))
            << 1 << true << -90.0 << -180.0 << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("exactly 0,0")
            << Nmea(Replaced(Replaced(Rmc, "3747.0873", "0000.0000"), "17518.8938", "00000.0000"))
            << 1 << false << nan << nan << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("60 minutes") << Nmea(Replaced(Rmc, "3747.0873", "3760.0000")) << 1 << false << nan << nan
                                    << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("signed coordinate") << Nmea(Replaced(Rmc, "3747.0873", "-3747.0873")) << 1 << false << nan
                                           << nan << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("no hemisphere") << Nmea(Replaced(Rmc, ",S,", ",,")) << 1 << false << nan << nan << kmh
                                       << 181.39 << nan << utc << 0;
        QTest::newRow("unpadded degrees") << Nmea(Replaced(Rmc, "3747.0873", "747.0873")) << 1 << true
                                          << -(7.0 + 47.0873 / 60.0) << lon << kmh << 181.39 << nan << utc << 0;
        QTest::newRow("hour 24") << Nmea(Replaced(Rmc, "030719.000", "240000.000")) << 0 << false << nan << nan
                                 << 0.0 << nan << nan << QString() << 1;
        QTest::newRow("second 60") << Nmea(Replaced(Rmc, "030719.000", "030760")) << 0 << false << nan << nan
                                   << 0.0 << nan << nan << QString() << 1;
        QTest::newRow("short time") << Nmea(Replaced(Rmc, "030719.000", "0307")) << 0 << false << nan << nan
                                    << 0.0 << nan << nan << QString() << 1;
        QTest::newRow("no time") << Nmea(Replaced(Rmc, "030719.000", "")) << 1 << true << lat << lon << kmh
                                 << 181.39 << nan << QString() << 0;
        QTest::newRow("tenths") << Nmea(Replaced(Rmc, "030719.000", "030719.5")) << 1 << true << lat << lon << kmh
                                << 181.39 << nan << QStringLiteral("2014-12-31T03:07:19.500Z") << 0;
        QTest::newRow("microseconds") << Nmea(Replaced(Rmc, "030719.000", "030719.999999")) << 1 << true << lat
                                      << lon << kmh << 181.39 << nan << QStringLiteral("2014-12-31T03:07:19.999Z")
                                      << 0;
        QTest::newRow("no such date") << Nmea(Replaced(Rmc, "311214", "310214")) << 1 << true << lat << lon << kmh
                                      << 181.39 << nan << QString() << 0;
        QTest::newRow("year 99") << Nmea(Replaced(Rmc, "311214", "311299")) << 1 << true << lat << lon << kmh
                                 << 181.39 << nan << QStringLiteral("1999-12-31T03:07:19.000Z") << 0;
        QTest::newRow("speed not a number") << Nmea(Replaced(Rmc, "0.69", "nan")) << 1 << true << lat << lon
                                            << 0.0 << 181.39 << nan << utc << 0;
        QTest::newRow("speed with exponent") << Nmea(Replaced(Rmc, "0.69", "1e308")) << 1 << true << lat << lon
                                             << 0.0 << 181.39 << nan << utc << 0;
        QTest::newRow("course beyond 360") << Nmea(Replaced(Rmc, "181.39", "361")) << 1 << true << lat << lon
                                           << kmh << nan << nan << utc << 0;
        QTest::newRow("altitude in feet") << Nmea(Replaced(Gga, "59.9,M", "59.9,F")) << 1 << true << lat << lon
                                          << 0.0 << nan << nan << QString() << 0;
        QTest::newRow("below sea level") << Nmea(Replaced(Gga, "59.9,M", "-12.5,M")) << 1 << true << lat << lon
                                         << 0.0 << nan << -12.5 << QString() << 0;
        QTest::newRow("too few fields") << Nmea("GPRMC,030719.000,A,3747.0873,S") << 0 << false << nan << nan
                                        << 0.0 << nan << nan << QString() << 1;
        QTest::newRow("control character") << Nmea(Replaced(Rmc, "0.69", "0.6\x01" "9")) << 0 << false << nan
                                           << nan << 0.0 << nan << nan << QString() << 1;
        QTest::newRow("8-bit character") << Nmea(Replaced(Rmc, "0.69", "0.6\xe9")) << 0 << false << nan << nan
                                         << 0.0 << nan << nan << QString() << 1;
        // A NUL byte leaves an XOR checksum as it is; it ends the line.
        QTest::newRow("NUL in a sentence") << Nmea(Rmc).insert(20, '\0') << 0 << false << nan << nan << 0.0 << nan
                                           << nan << QString() << 1;
        QTest::newRow("comment line") << "# " + Nmea(Rmc) << 0 << false << nan << nan << 0.0 << nan << nan
                                      << QString() << 0;
        QTest::newRow("garbage before on the line") << "x$y*zz" + Nmea(Rmc) << 1 << true << lat << lon << kmh
                                                    << 181.39 << nan << utc << 1;
        QTest::newRow("GGA and RMC on one line") << Nmea(Gga) + Nmea(Rmc) << 1 << true << lat << lon << kmh
                                                 << 181.39 << 59.9 << utc << 0;
        QTest::newRow("empty") << QByteArray() << 0 << false << nan << nan << 0.0 << nan << nan << QString() << 0;
    }

    void sentences()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, fixes);
        const NmeaLog log = NmeaReader::Read(input);
        QCOMPARE(log.Fixes.size(), fixes);
        QTEST(log.Rejected, "rejected");
        QVERIFY(!log.ReadError);
        if (fixes == 0)
            return;
        const GpsFix &fix = log.Fixes.first();
        QTEST(fix.Valid, "valid");
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, kmh);
        QFETCH(double, course);
        QFETCH(double, altitude);
        QVERIFY2(SameNumber(fix.Latitude, latitude), qPrintable(QString::number(fix.Latitude, 'g', 17)));
        QVERIFY2(SameNumber(fix.Longitude, longitude), qPrintable(QString::number(fix.Longitude, 'g', 17)));
        QVERIFY2(SameNumber(fix.SpeedKmh, kmh), qPrintable(QString::number(fix.SpeedKmh, 'g', 17)));
        QVERIFY2(SameNumber(fix.Course, course), qPrintable(QString::number(fix.Course, 'g', 17)));
        QVERIFY2(SameNumber(fix.Altitude, altitude), qPrintable(QString::number(fix.Altitude, 'g', 17)));
        QTEST(UtcText(fix), "utc");
        QCOMPARE(fix.OffsetMs, qint64(-1));
    }

    void merging_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("expected");
        const QString both = QStringLiteral("fix 2014-12-31T03:07:19.000Z lat=-37.784788 alt=59.9 kmh=1.278");
        QTest::newRow("GGA then RMC") << Lines({Nmea(Gga), Nmea(Rmc)}) << QStringList{both};
        QTest::newRow("RMC then GGA") << Lines({Nmea(Rmc), Nmea(Gga)}) << QStringList{both};
        QTest::newRow("other sentences between")
            << Lines({Nmea(Gga), Nmea("GPGSA,A,3,17,28,06,01,30,20,26,13,,,,,1.8,1.1,1.5"), Nmea(Rmc)})
            << QStringList{both};
        QTest::newRow("GGA of another time takes the last date")
            << Lines({Nmea(Rmc), Nmea(Replaced(Gga, "030719", "030720"))})
            << QStringList{QStringLiteral("fix 2014-12-31T03:07:19.000Z lat=-37.784788 alt=nan kmh=1.278"),
                           QStringLiteral("fix 2014-12-31T03:07:20.000Z lat=-37.784788 alt=59.9 kmh=0.000")};
        QTest::newRow("GGA past midnight")
            << Lines({Nmea(Replaced(Rmc, "030719", "235959")), Nmea(Replaced(Gga, "030719", "000001"))})
            << QStringList{QStringLiteral("fix 2014-12-31T23:59:59.000Z lat=-37.784788 alt=nan kmh=1.278"),
                           QStringLiteral("fix 2015-01-01T00:00:01.000Z lat=-37.784788 alt=59.9 kmh=0.000")};
        QTest::newRow("GGA a little back in time: in time order")
            << Lines({Nmea(Rmc), Nmea(Replaced(Gga, "030719", "030718"))})
            << QStringList{QStringLiteral("fix 2014-12-31T03:07:18.000Z lat=-37.784788 alt=59.9 kmh=0.000"),
                           QStringLiteral("fix 2014-12-31T03:07:19.000Z lat=-37.784788 alt=nan kmh=1.278")};
        QTest::newRow("GGA before the first RMC")
            << Lines({Nmea(Replaced(Gga, "030719", "030718")), Nmea(Rmc)})
            << QStringList{QStringLiteral("fix 2014-12-31T03:07:18.000Z lat=-37.784788 alt=59.9 kmh=0.000"),
                           QStringLiteral("fix 2014-12-31T03:07:19.000Z lat=-37.784788 alt=nan kmh=1.278")};
        QTest::newRow("GGAs before the first RMC, across midnight")
            << Lines({Nmea(Replaced(Gga, "030719", "235958")), Nmea(Replaced(Gga, "030719", "000000")),
                      Nmea(Replaced(Replaced(Rmc, "030719", "000001"), "311214", "010115"))})
            << QStringList{QStringLiteral("fix 2014-12-31T23:59:58.000Z lat=-37.784788 alt=59.9 kmh=0.000"),
                           QStringLiteral("fix 2015-01-01T00:00:00.000Z lat=-37.784788 alt=59.9 kmh=0.000"),
                           QStringLiteral("fix 2015-01-01T00:00:01.000Z lat=-37.784788 alt=nan kmh=1.278")};
        QTest::newRow("RMC with a fix, GGA without")
            << Lines({Nmea(Replaced(Gga, ",E,1,", ",E,0,")), Nmea(Rmc)})
            << QStringList{QStringLiteral("nofix 2014-12-31T03:07:19.000Z lat=-37.784788 alt=59.9 kmh=1.278")};
        QTest::newRow("RMC's position wins")
            << Lines({Nmea(Replaced(Gga, "3747.0873", "3747.0000")), Nmea(Rmc)}) << QStringList{both};
        QTest::newRow("GGA's position where the RMC has none")
            << Lines({Nmea(Replaced(Rmc, "3747.0873,S", ",")), Nmea(Gga)})
            << QStringList{QStringLiteral("fix 2014-12-31T03:07:19.000Z lat=-37.784788 alt=59.9 kmh=1.278")};
        const QString rmcOnly = QStringLiteral("fix 2014-12-31T03:07:19.000Z lat=-37.784788 alt=nan kmh=1.278");
        QTest::newRow("same RMC twice: one instant") << Lines({Nmea(Rmc), Nmea(Rmc)}) << QStringList{rmcOnly};
        QTest::newRow("without time, without fix")
            << Lines({Nmea("GPGGA,,,,,,0,00,99.99,,,,,,"), Nmea("GPRMC,,V,,,,,,,,,,N")})
            << QStringList{QStringLiteral("nofix - lat=nan alt=nan kmh=0.000")};
        QList<QByteArray> tenHertz;
        QStringList tenFixes;
        for (int k = 0; k < 10; ++k) {
            const QByteArray time = "030719." + QByteArray::number(k);
            tenHertz.append(Nmea(Replaced(Gga, "030719.000", time)));
            tenHertz.append(Nmea(Replaced(Rmc, "030719.000", time)));
            tenFixes.append(QStringLiteral("fix 2014-12-31T03:07:19.%1Z lat=-37.784788 alt=59.9 kmh=1.278")
                                .arg(k * 100, 3, 10, QLatin1Char('0')));
        }
        QTest::newRow("ten a second") << Lines(tenHertz) << tenFixes;
    }

    void merging()
    {
        QFETCH(QByteArray, input);
        QTEST(Describe(NmeaReader::Read(input).Fixes), "expected");
    }

    // One instant is one fix, whichever talkers and sentences report it and
    // wherever they stand in the log; the fixes come in time order.
    void instants_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("expected");
        const auto at = [](const char *Body, const char *Time) { return Nmea(Replaced(Body, "030719.000", Time)); };
        const auto fix = [](const char *Time, const char *Altitude, const char *Kmh) {
            return QStringLiteral("fix 2014-12-31T03:07:%1Z lat=-37.784788 alt=%2 kmh=%3")
                .arg(QLatin1String(Time), QLatin1String(Altitude), QLatin1String(Kmh));
        };

        QTest::newRow("three talkers at one instant")
            << Lines({Nmea(Rmc), Nmea(Replaced(Rmc, "GPRMC", "GARMC")), Nmea(Replaced(Rmc, "GPRMC", "GNRMC")),
                      Nmea(Gga)})
            << QStringList{fix("19.000", "59.9", "1.278")};
        QByteArray everyTalker;
        for (const char *talker : {"GP", "GL", "GA", "GB", "BD", "GN", "QZ", "GI"}) {
            everyTalker += Nmea(Replaced(Rmc, "GP", talker)) + '\n';
            everyTalker += Nmea(Replaced(Gga, "GP", talker)) + '\n';
        }
        QTest::newRow("every talker at one instant") << everyTalker << QStringList{fix("19.000", "59.9", "1.278")};
        QTest::newRow("talkers of two instants in turn")
            << Lines({Nmea(Rmc), Nmea(Replaced(Rmc, "GPRMC", "GLRMC")), at(Replaced(Rmc, "GPRMC", "GNRMC"), "030720.000"),
                      at(Replaced(Rmc, "GPRMC", "BDRMC"), "030720.000")})
            << QStringList{fix("19.000", "nan", "1.278"), fix("20.000", "nan", "1.278")};
        // As a receiver at 4 Hz writes them: RMC and GGA of each quarter
        // second, one pair late in the log and one GGA far from its RMC.
        QTest::newRow("RMC and GGA at .250, .500, .750")
            << Lines({at(Gga, "030719.000"), at(Rmc, "030719.000"), at(Gga, "030719.500"), at(Rmc, "030719.250"),
                      at(Gga, "030719.250"), at(Rmc, "030719.750"), at(Gga, "030719.750"), at(Rmc, "030719.500"),
                      at(Rmc, "030720.000"), at(Gga, "030720.000")})
            << QStringList{fix("19.000", "59.9", "1.278"), fix("19.250", "59.9", "1.278"),
                           fix("19.500", "59.9", "1.278"), fix("19.750", "59.9", "1.278"),
                           fix("20.000", "59.9", "1.278")};
        QTest::newRow("one instant at both ends of the log")
            << Lines({at(Gga, "030718.000"), at(Rmc, "030719.000"), at(Rmc, "030720.000"), at(Gga, "030719.000")})
            << QStringList{fix("18.000", "59.9", "0.000"), fix("19.000", "59.9", "1.278"),
                           fix("20.000", "nan", "1.278")};
        QTest::newRow("one time of day on two dates")
            << Lines({Nmea(Rmc), Nmea(Replaced(Rmc, "311214", "010115"))})
            << QStringList{fix("19.000", "nan", "1.278"),
                           QStringLiteral("fix 2015-01-01T03:07:19.000Z lat=-37.784788 alt=nan kmh=1.278")};
        QTest::newRow("the first talker's position counts")
            << Lines({Nmea(Rmc), Nmea(Replaced(Replaced(Rmc, "GPRMC", "GNRMC"), "3747.0873", "3747.5000"))})
            << QStringList{fix("19.000", "nan", "1.278")};
        QTest::newRow("a talker without a fix")
            << Lines({Nmea(Rmc), Nmea(Replaced(Replaced(Rmc, "GPRMC", "GLRMC"), ",A,3747", ",V,3747"))})
            << QStringList{QStringLiteral("nofix 2014-12-31T03:07:19.000Z lat=-37.784788 alt=nan kmh=1.278")};
        QTest::newRow("GGAs alone, out of order and past midnight")
            << Lines({at(Gga, "235959.000"), at(Gga, "235958.000"), at(Gga, "000000.000"), at(Gga, "235959.000")})
            << QStringList{QStringLiteral("fix - lat=-37.784788 alt=59.9 kmh=0.000"),
                           QStringLiteral("fix - lat=-37.784788 alt=59.9 kmh=0.000"),
                           QStringLiteral("fix - lat=-37.784788 alt=59.9 kmh=0.000")};
        QTest::newRow("reports without a time stay behind the one before")
            << Lines({at(Rmc, "030720.000"), Nmea(Replaced(Gga, "030719.000", "")), at(Rmc, "030719.000")})
            << QStringList{fix("19.000", "nan", "1.278"), fix("20.000", "nan", "1.278"),
                           QStringLiteral("fix - lat=-37.784788 alt=59.9 kmh=0.000")};
    }

    void instants()
    {
        QFETCH(QByteArray, input);
        QTEST(Describe(NmeaReader::Read(input).Fixes), "expected");
        QTEST(Describe(ReadThroughDevice(input).Fixes), "expected");
    }

    // GGAs without a date keep the order of their times of day, the day
    // after midnight after the day before.
    void undatedInstantsInOrder()
    {
        const NmeaLog log = NmeaReader::Read(Lines({Nmea(Replaced(Gga, "030719.000", "235959.000")),
                                                     Nmea(Replaced(Gga, "030719.000", "000001.000")),
                                                     Nmea(Replaced(Gga, "030719.000", "235958.000")),
                                                     Nmea(Replaced(Gga, "030719.000", "000000.500"))}));
        QCOMPARE(log.Fixes.size(), 4);
        QCOMPARE(log.Sentences, 4);
        // Undated: only the order tells; the altitudes are the same, so the
        // stamps of a recorder's lines tell them apart.
        const NmeaLog stamped = NmeaReader::Read(Lines({"[1000]" + Nmea(Replaced(Gga, "030719.000", "235959.000")),
                                                         "[3000]" + Nmea(Replaced(Gga, "030719.000", "000001.000")),
                                                         "[4000]" + Nmea(Replaced(Gga, "030719.000", "235958.000")),
                                                         "[5000]" + Nmea(Replaced(Gga, "030719.000", "000000.500"))}));
        QList<qint64> offsets;
        for (const GpsFix &fix : stamped.Fixes)
            offsets.append(fix.OffsetMs);
        QCOMPARE(offsets, (QList<qint64>{3000, 0, 4000, 2000}));
    }

    // Time fields as some writers give them: GPSBabel reads them all.
    void looseTimes_data()
    {
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QString>("utc");
        QTest::newRow("point, no fraction") << QByteArray("030719.") << "2014-12-31T03:07:19.000Z";
        QTest::newRow("one digit of fraction") << QByteArray("030719.1") << "2014-12-31T03:07:19.100Z";
        QTest::newRow("four digits of fraction") << QByteArray("030719.0001") << "2014-12-31T03:07:19.000Z";
        QTest::newRow("blank before") << QByteArray(" 030719") << "2014-12-31T03:07:19.000Z";
        QTest::newRow("blank after") << QByteArray("030719 ") << "2014-12-31T03:07:19.000Z";
        QTest::newRow("blanks around a fraction") << QByteArray("  030719.5 ") << "2014-12-31T03:07:19.500Z";
        QTest::newRow("blanks, a quarter") << QByteArray(" 030719.25") << "2014-12-31T03:07:19.250Z";
    }

    void looseTimes()
    {
        QFETCH(QByteArray, time);
        QFETCH(QString, utc);
        // The RMC alone, and with its GGA: one fix either way.
        const QByteArray rmc = Nmea(Replaced(Rmc, "030719.000", time.constData()));
        const QByteArray gga = Nmea(Replaced(Gga, "030719.000", time.constData()));
        for (const QByteArray &input : {rmc, Lines({gga, rmc})}) {
            const NmeaLog log = NmeaReader::Read(input);
            QCOMPARE(log.Rejected, 0);
            QCOMPARE(log.Fixes.size(), 1);
            QVERIFY(log.Fixes.first().Valid);
            QCOMPARE(UtcText(log.Fixes.first()), utc);
        }
        // Blanks inside the digits are no time.
        QCOMPARE(NmeaReader::Read(Nmea(Replaced(Rmc, "030719.000", "0307 19"))).Rejected, 1);
    }

    // UTF-16 text, as some Windows tools save a log, read like its ASCII.
    void utf16_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("fixes");
        QTest::addColumn<int>("rejected");
        const QByteArray text = Lines({Nmea(Gga), Nmea(Rmc), Nmea(Replaced(Rmc, "030719", "030720"))});
        const QString unicode = QString::fromLatin1(text);
        QByteArray little("\xff\xfe");
        QByteArray big("\xfe\xff");
        for (const QChar c : unicode) {
            little += char(c.unicode() & 0xff);
            little += char(c.unicode() >> 8);
            big += char(c.unicode() >> 8);
            big += char(c.unicode() & 0xff);
        }
        QTest::newRow("UTF-16 LE with BOM") << little << 2 << 0;
        QTest::newRow("UTF-16 BE with BOM") << big << 2 << 0;
        QTest::newRow("UTF-8 with BOM") << "\xef\xbb\xbf" + text << 2 << 0;
        // A letter beyond ASCII is no NMEA: its sentence is refused.
        QByteArray accented = little;
        accented.replace(QByteArray("0\0.\0006\0009\0", 8), QByteArray("0\0.\0006\0\xe9\0", 8));
        QTest::newRow("UTF-16 LE, a letter beyond ASCII") << accented << 1 << 2;
        QTest::newRow("UTF-16 LE cut in a character") << little.chopped(1) << 2 << 0;
        QTest::newRow("UTF-16 LE without BOM: not read") << little.sliced(2) << 0 << 3;
        QTest::newRow("BOM alone") << little.first(2) << 0 << 0;
        QTest::newRow("one byte") << QByteArray("\xff") << 0 << 0;
    }

    void utf16()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, fixes);
        QFETCH(int, rejected);
        const NmeaLog log = NmeaReader::Read(input);
        QCOMPARE(log.Fixes.size(), fixes);
        QCOMPARE(log.Rejected, rejected);
        // From a device handing out a few bytes at a time, odd counts
        // included, the same.
        TrickleDevice device(input, 3);
        QVERIFY(device.open(QIODevice::ReadOnly));
        QCOMPARE(Describe(NmeaReader::Read(device).Fixes), Describe(log.Fixes));
        if (fixes > 0 && rejected == 0) {
            QCOMPARE(UtcText(log.Fixes.first()), RmcUtc);
            QCOMPARE(log.Fixes.first().Altitude, 59.9);
        }
        // A file of UTF-16 NMEA is told by its first bytes.
        QCOMPARE(NmeaReader::LooksLikeNmea(input), fixes > 0);
    }

    void stamps_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QList<qint64>>("offsets");
        QTest::addColumn<qint64>("origin");
        const QByteArray second = Nmea(Replaced(Rmc, "030719", "030720"));
        QTest::newRow("no stamps") << Lines({Nmea(Rmc), second}) << QList<qint64>{-1, -1} << qint64(-1);
        QTest::newRow("from the first line")
            << Lines({"[1541487587341]" + Nmea("GPGSA,A,3,17,28,06,01,30,20,26,13,,,,,1.8,1.1,1.5"),
                      "[1541487587350]" + Nmea(Rmc), "[1541487588341]" + second})
            << QList<qint64>{9, 1000} << qint64(1541487587341);
        QTest::newRow("first stamped line broken")
            << Lines({"[1000]$GPRMC,broken*00", "[1500]" + Nmea(Rmc)}) << QList<qint64>{500} << qint64(1000);
        QTest::newRow("an epoch keeps its first stamp")
            << Lines({"[1000]" + Nmea(Gga), "[1040]" + Nmea(Rmc)}) << QList<qint64>{0} << qint64(1000);
        QTest::newRow("unstamped lines") << Lines({Nmea(Rmc), "[3000]" + second}) << QList<qint64>{-1, 0}
                                         << qint64(3000);
        QTest::newRow("stamp before the first")
            << Lines({"[5000]" + Nmea(Rmc), "[4000]" + second}) << QList<qint64>{0, -1} << qint64(5000);
        QTest::newRow("not a stamp") << Lines({"[12a]" + Nmea(Rmc), "[]" + second}) << QList<qint64>{-1, -1}
                                     << qint64(-1);
        QTest::newRow("stamp too long") << Lines({"[1234567890123456]" + Nmea(Rmc)}) << QList<qint64>{-1}
                                        << qint64(-1);
        QTest::newRow("blanks before the stamp") << Lines({" [7]" + Nmea(Rmc)}) << QList<qint64>{0} << qint64(7);
    }

    void stamps()
    {
        QFETCH(QByteArray, input);
        QFETCH(QList<qint64>, offsets);
        const NmeaLog log = NmeaReader::Read(input);
        QList<qint64> got;
        for (const GpsFix &fix : log.Fixes)
            got.append(fix.OffsetMs);
        QCOMPARE(got, offsets);
        QTEST(log.StampOriginMs, "origin");
    }

    void lineEndings_data()
    {
        QTest::addColumn<QByteArray>("separator");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("CR") << QByteArray("\r");
        QTest::newRow("LF CR") << QByteArray("\n\r");
        QTest::newRow("NUL") << QByteArray(1, '\0');
        QTest::newRow("CR LF and NUL padding") << QByteArray("\r\n\0\0\0\0", 6);
        QTest::newRow("blank lines") << QByteArray("\n\n \n\t\n");
    }

    void lineEndings()
    {
        QFETCH(QByteArray, separator);
        const QList<QByteArray> sentences = {Nmea(Gga), Nmea(Rmc), Nmea(Replaced(Gga, "030719", "030720")),
                                             Nmea(Replaced(Rmc, "030719", "030720"))};
        const QStringList expected = Describe(NmeaReader::Read(Lines(sentences)).Fixes);
        QCOMPARE(expected.size(), 2);
        const QByteArray text = sentences.join(separator) + separator;
        QCOMPARE(Describe(NmeaReader::Read(text).Fixes), expected);
        QCOMPARE(Describe(ReadThroughDevice(text).Fixes), expected);
    }

    // Lines far longer than any sentence are skipped whole, from bytes and
    // from a device alike, and what follows them is read.
    void longLines_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("fixes");
        QTest::newRow("100 KiB of text, then a sentence")
            << QByteArray(100 * 1024, 'x') + '\n' + Nmea(Rmc) + '\n' << 1;
        QTest::newRow("100 KiB of dollars, then a sentence")
            << QByteArray(100 * 1024, '$') + '\n' + Nmea(Rmc) + '\n' << 1;
        QTest::newRow("1 MiB without line break") << QByteArray(1024 * 1024, 'x') << 0;
        QTest::newRow("a sentence behind 5 KiB on its line") << QByteArray(5000, 'x') + Nmea(Rmc) + '\n' << 0;
        QTest::newRow("a sentence behind 4000 bytes on its line") << QByteArray(4000, 'x') + Nmea(Rmc) + '\n' << 1;
        QTest::newRow("sentences across 64 KiB pieces")
            << QByteArray(64 * 1024 - 30, '\n') + Nmea(Rmc) + '\n' + QByteArray(64 * 1024 - 10, '\n')
                   + Nmea(Replaced(Rmc, "030719", "030720"))
            << 2;
    }

    void longLines()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, fixes);
        QCOMPARE(NmeaReader::Read(input).Fixes.size(), fixes);
        QCOMPARE(ReadThroughDevice(input).Fixes.size(), fixes);
    }

    // Random bytes with sentences on lines of their own between them: the
    // sentences are all found, from bytes and from a device alike.
    void garbage()
    {
        QRandomGenerator random(12);
        QByteArray input;
        int placed = 0;
        for (int block = 0; block < 200; ++block) {
            QByteArray noise(int(random.bounded(1, 8000)), Qt::Uninitialized);
            for (char &c : noise)
                c = char(random.bounded(256));
            input += noise + '\n';
            if (block % 2 == 0) {
                const QByteArray time = QStringLiteral("10%1%2")
                                            .arg(placed / 60, 2, 10, QLatin1Char('0'))
                                            .arg(placed % 60, 2, 10, QLatin1Char('0'))
                                            .toLatin1();
                input += Nmea(Replaced(Rmc, "030719", time)) + '\n';
                ++placed;
            }
        }
        const NmeaLog log = NmeaReader::Read(input);
        QCOMPARE(log.Fixes.size(), placed);
        QCOMPARE(Describe(ReadThroughDevice(input).Fixes), Describe(log.Fixes));
    }

    void unreadableDevice()
    {
        QFile closed(DataPath(QStringLiteral("bu353s4.log")));
        const NmeaLog log = NmeaReader::Read(closed);
        QVERIFY(log.ReadError);
        QVERIFY(log.Fixes.isEmpty());
    }

    void realLogs_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("epochs");
        QTest::addColumn<int>("valid");
        QTest::addColumn<QString>("firstUtc");
        QTest::addColumn<double>("firstLatitude");
        QTest::addColumn<double>("firstLongitude");
        QTest::addColumn<double>("lastLatitude");
        QTest::addColumn<double>("lastLongitude");
        QTest::addColumn<int>("rejected");
        QTest::newRow("BU-353-S4") << "bu353s4.log" << 25 << 25 << "2014-12-31T03:07:19.000Z" << -37.784788
                                   << 175.314897 << -37.784795 << 175.314902 << 0;
        QTest::newRow("Haicom 305N") << "haicom-305N.log" << 74 << 68 << "2007-04-08T09:53:04.802Z" << -27.210867
                                     << 153.052328 << -27.210673 << 153.052000 << 0;
        QTest::newRow("Trimble RTK, 10 Hz, GN then GP")
            << "gpsd-nmea-rtk.log" << 122 << 122 << "2020-03-18T13:28:19.600Z" << 41.574966 << -93.750572
            << 41.575030 << -93.750598 << 0;
        QTest::newRow("Quectel L76K, 5 Hz, NMEA 4.1")
            << "gpsd-quectel-l76k-nmea.log" << 151 << 151 << "2026-08-05T05:52:34.000Z" << 47.661982 << -122.326394
            << 47.661978 << -122.326392 << 0;
        QTest::newRow("FireFly II, every GGA's checksum wrong")
            << "gpsd-firefly-II.log" << 23 << 23 << "2010-07-08T00:59:47.000Z" << 37.261027 << -121.961182
            << 37.261015 << -121.961165 << 23;
        // GPSBabel's reference file mixing RMC and GGA at quarter seconds,
        // some out of order: 32 instants, each once and in time order.
        QTest::newRow("RMC and GGA at quarter seconds")
            << "gpsbabel-track-nmea+ms.txt" << 32 << 32 << "2007-08-17T09:31:56.000Z" << 53.556728 << 9.865573
            << 53.556728 << 9.865575 << 0;
    }

    void realLogs()
    {
        QFETCH(QString, file);
        QFile device(DataPath(file));
        QVERIFY(device.open(QIODevice::ReadOnly));
        const NmeaLog log = NmeaReader::Read(device);
        QTEST(log.Rejected, "rejected");
        QTEST(int(log.Fixes.size()), "epochs");
        GpsFixList valid;
        for (const GpsFix &fix : log.Fixes) {
            if (fix.Valid)
                valid.append(fix);
        }
        QTEST(int(valid.size()), "valid");
        QTEST(UtcText(valid.first()), "firstUtc");
        QFETCH(double, firstLatitude);
        QFETCH(double, firstLongitude);
        QFETCH(double, lastLatitude);
        QFETCH(double, lastLongitude);
        QVERIFY(std::fabs(valid.first().Latitude - firstLatitude) < 5e-7);
        QVERIFY(std::fabs(valid.first().Longitude - firstLongitude) < 5e-7);
        QVERIFY(std::fabs(valid.last().Latitude - lastLatitude) < 5e-7);
        QVERIFY(std::fabs(valid.last().Longitude - lastLongitude) < 5e-7);
        // Every epoch has a time and a date, the first ones included, and
        // each comes once, later than the one before.
        for (qsizetype k = 0; k < log.Fixes.size(); ++k) {
            QVERIFY(log.Fixes[k].Utc.isValid());
            if (k > 0)
                QVERIFY2(log.Fixes[k - 1].Utc < log.Fixes[k].Utc, qPrintable(UtcText(log.Fixes[k])));
        }
    }

    // Fix by fix against what GPSBabel reads from the same logs.
    void againstGpsbabel_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("BU-353-S4") << "bu353s4";
        QTest::newRow("Haicom 305N") << "haicom-305N";
        QTest::newRow("Trimble RTK") << "gpsd-nmea-rtk";
        QTest::newRow("Quectel L76K") << "gpsd-quectel-l76k-nmea";
        QTest::newRow("FireFly II") << "gpsd-firefly-II";
    }

    void againstGpsbabel()
    {
        QFETCH(QString, file);
        GpsFixList valid;
        for (const GpsFix &fix : NmeaReader::Read(ReadFile(DataPath(file + QStringLiteral(".log")))).Fixes) {
            if (fix.Valid)
                valid.append(fix);
        }
        QList<QByteArray> rows = ReadFile(DataPath(file + QStringLiteral(".gpsbabel.csv"))).trimmed().split('\n');
        rows.removeIf([](const QByteArray &row) { return row.startsWith('#') || row.startsWith("time,"); });
        QCOMPARE(valid.size(), rows.size());
        for (qsizetype k = 0; k < rows.size(); ++k) {
            const QList<QByteArray> cells = rows[k].split(',');
            QCOMPARE(cells.size(), 4);
            const QDateTime utc = QDateTime::fromString(QString::fromLatin1(cells[0]), Qt::ISODateWithMs);
            QCOMPARE(valid[k].Utc, utc);
            QVERIFY(std::fabs(valid[k].Latitude - cells[1].toDouble()) < 1e-7);
            QVERIFY(std::fabs(valid[k].Longitude - cells[2].toDouble()) < 1e-7);
            // GPSBabel writes no elevation where no GGA gave one.
            if (cells[3].isEmpty())
                QVERIFY(std::isnan(valid[k].Altitude));
            else
                QVERIFY(std::fabs(valid[k].Altitude - cells[3].toDouble()) < 1e-3);
        }
    }
};

QTEST_GUILESS_MAIN(TestNmeaReader)
#include "tst_nmeareader.moc"

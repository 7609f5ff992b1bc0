// GPS log lines field by field, and whole logs loaded into a track.

#include "gpslog/gpslogdata.h"
#include "gpslog/gpsreader.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <limits>

#include <sys/stat.h>

namespace {

const char *const GoodLine = "A,140325,101500,2232.1234,N,11356.5678,E,10.0;";

bool SameRecord(const GpsRecord &a, const GpsRecord &b)
{
    return a.DataAvailable == b.DataAvailable && a.Date == b.Date && a.Time == b.Time
        && a.Longitude == b.Longitude && a.EastOrWest == b.EastOrWest && a.Latitude == b.Latitude
        && a.SouthOrNorth == b.SouthOrNorth && a.Velocity == b.Velocity
        && std::signbit(a.Velocity) == std::signbit(b.Velocity);
}

bool IsDefaultRecord(const GpsRecord &r)
{
    return SameRecord(r, GpsRecord()) && r.Date.isEmpty() && r.Latitude.isEmpty();
}

// The track as the eight slots give it, line by line through readLine.
QList<GpsRecord> ReferenceTrack(const QString &path)
{
    QList<GpsRecord> track;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return track;
    QTextStream in(&file);
    GpsLogData reader;
    QString line;
    while (in.readLineInto(&line)) {
        track.append({reader.GetDataAvailable(line), reader.GetDate(line), reader.GetTime(line),
                      reader.GetLongitude(line), reader.GetEastOrWest(line), reader.GetLatitude(line),
                      reader.GetSouthOrNorth(line), reader.GetVelocity(line)});
    }
    return track;
}

} // namespace

class TestGpsLogData : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;
    GpsLogData Log;

    QString WriteLog(const QByteArray &content, const QString &name = QStringLiteral("gps0001.log"))
    {
        const QString path = Dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(content);
        return path;
    }

    void Load(const QString &path)
    {
        Log.ClearGpsData();
        Log.ReadGpsfile(path);
    }

private slots:
    void init() { Log.ClearGpsData(); }

    void lineFields_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("latitude");
        QTest::addColumn<QString>("southOrNorth");
        QTest::addColumn<QString>("longitude");
        QTest::addColumn<QString>("eastOrWest");
        QTest::addColumn<double>("kmh");

        QTest::newRow("example") << "A,x,y,2232.1234,N,11356.5678,E,10.0;" << true << "x" << "y" << "22.53539"
                                 << "N" << "113.94280" << "E" << 18.52;
        QTest::newRow("empty line") << "" << false << "" << "" << "" << "" << "" << "" << 0.0;
        QTest::newRow("all fields empty") << "V,,,,,,,;" << false << "" << "" << "" << "" << "" << "" << 0.0;
        QTest::newRow("three commas") << "A,x,y," << true << "x" << "y" << "" << "" << "" << "" << 0.0;
        QTest::newRow("two commas") << "A,x,y" << true << "x" << "" << "" << "" << "" << "" << 0.0;
        QTest::newRow("speed then more fields") << "A,x,y,2232.1234,N,11356.5678,E,10.0,123.4;" << true << "x"
                                                << "y" << "22.53539" << "N" << "113.94280" << "E" << 0.0;
        QTest::newRow("speed without semicolon") << "A,x,y,2232.1234,N,11356.5678,E,10.0" << true << "x" << "y"
                                                 << "22.53539" << "N" << "113.94280" << "E" << 0.0;
        QTest::newRow("after semicolon ignored") << "A,x,y,2232.1234,N,11356.5678,E,10.0;9,9,9;" << true << "x"
                                                 << "y" << "22.53539" << "N" << "113.94280" << "E" << 18.52;
        QTest::newRow("semicolon early") << "A,x;1,y,2232.1234,N,11356.5678,E,10.0;" << true << "x;1" << "y"
                                         << "22.53539" << "N" << "113.94280" << "E" << 18.52;
        QTest::newRow("lower-case flag") << "a,x,y,2232.1234,N,11356.5678,E,10.0;" << false << "x" << "y"
                                         << "22.53539" << "N" << "113.94280" << "E" << 18.52;
        QTest::newRow("NMEA prefix") << "$A,x,y,,,,,;" << false << "x" << "y" << "" << "" << "" << "" << 0.0;
        QTest::newRow("padded to length") << "A,d,t,2230.0000,S,00830.000,W,0;" << true << "d" << "t"
                                          << "22.50000" << "S" << "8.5000000" << "W" << 0.0;
        QTest::newRow("one degree, short field") << "A,d,t,0115,N,00115,E,1;" << true << "d" << "t"
                                                 << "1.250000" << "N" << "1.2500000" << "E" << 1.852;
        QTest::newRow("hemispheres as they stand") << "A,d,t,2232.1234, N,11356.5678,e ,1;" << true << "d"
                                                   << "t" << "22.53539" << " N" << "113.94280" << "e " << 1.852;
        QTest::newRow("below one degree") << "A,d,t,0032.259258,N,00007.4074068,E,1;" << true << "d" << "t"
                                          << "0.5376543" << "N" << "0.12345678" << "E" << 1.852;
        // 1.0078125 and 1.00390625 are exact: a half rounds to even
        QTest::newRow("exact halves") << "A,d,t,010.46875,N,0010.234375,E,1;" << true << "d" << "t"
                                      << "1.007812" << "N" << "1.0039062" << "E" << 1.852;
        QTest::newRow("whole degrees") << "A,d,t,2200.0000,N,11300.000,E,1;" << true << "d" << "t"
                                       << "22.000000" << "N" << "113.000000" << "E" << 1.852;
        QTest::newRow("zero") << "A,d,t,0000.0000,N,00000.0000,E,0;" << true << "d" << "t" << "0.000000"
                              << "N" << "0.0000000" << "E" << 0.0;
        QTest::newRow("exponent form avoided") << "A,d,t,0000.0001,N,00000.0000006,E,1;" << true << "d" << "t"
                                               << "0.000001666667" << "N" << "0.00000001" << "E" << 1.852;
        QTest::newRow("not numbers") << "A,d,t,abcd,N,nan,E,inf;" << true << "d" << "t" << "0.000000" << "N"
                                     << "0.0000000" << "E" << 0.0;
        QTest::newRow("overflowing minutes") << "A,d,t,221e400,N,1131e999,E,1e400;" << true << "d" << "t"
                                             << "22.000000" << "N" << "113.000000" << "E" << 0.0;
        QTest::newRow("negative zero") << "A,d,t,-0-0,N,-00-0,E,-0;" << true << "d" << "t" << "0.000000" << "N"
                                       << "0.0000000" << "E" << 0.0;
        QTest::newRow("signs inside a coordinate") << "A,d,t,22+30,N,113+-30,E,1;" << true << "d" << "t"
                                                   << "22.50000" << "N" << "113.000000" << "E" << 1.852;
        QTest::newRow("blanks around numbers") << "A,d,t,2232.1234 ,N,11356.5678\t,E, 10.0 ;" << true << "d"
                                               << "t" << "22.53539" << "N" << "113.94280" << "E" << 18.52;
        // the degrees are the first characters, whatever they are
        QTest::newRow("blank before degrees") << "A,d,t, 2232.1234,N,11356.5678,E,1;" << true << "d" << "t"
                                              << "5.868723" << "N" << "113.94280" << "E" << 1.852;
        QTest::newRow("non-ASCII texts") << QString::fromUtf8("A,日期,时间,２２32.1,北,11356.5678,東,10;") << true
                                         << QString::fromUtf8("日期") << QString::fromUtf8("时间")
                                         << "0.535000" << QString::fromUtf8("北") << "113.94280"
                                         << QString::fromUtf8("東") << 18.52;
        QTest::newRow("NUL characters") << QString::fromLatin1("A\0,d\0,t,22\0,N,,E,1\0;", 20) << true
                                        << QString::fromLatin1("d\0", 2) << "t" << "22.000000" << "N" << ""
                                        << "E" << 0.0;
    }

    void lineFields()
    {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, latitude);
        QFETCH(QString, southOrNorth);
        QFETCH(QString, longitude);
        QFETCH(QString, eastOrWest);
        QFETCH(double, kmh);
        GpsLogData reader;
        QCOMPARE(reader.GetDataAvailable(line), valid);
        QCOMPARE(reader.GetDate(line), date);
        QCOMPARE(reader.GetTime(line), time);
        QCOMPARE(reader.GetLatitude(line), latitude);
        QCOMPARE(reader.GetSouthOrNorth(line), southOrNorth);
        QCOMPARE(reader.GetLongitude(line), longitude);
        QCOMPARE(reader.GetEastOrWest(line), eastOrWest);
        const double velocity = reader.GetVelocity(line);
        QVERIFY2(std::fabs(velocity - kmh) < 1e-9, qPrintable(QString::number(velocity, 'g', 17)));
        QVERIFY(!std::signbit(velocity) || velocity < 0);
    }

    // Only finite decimal numbers reach the map page, whatever the field.
    void speedTexts_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("knots");
        const QList<QPair<const char *, double>> cases = {
            {"10", 10}, {"+10", 10}, {"1e1", 10}, {"1.", 1}, {".5", 0.5}, {"-2.5", -2.5}, {"\t3\r", 3},
            {".", 0}, {"-", 0}, {"1e", 0}, {"1e+", 0}, {"1.2.3", 0}, {"0x10", 0}, {"1 0", 0},
            {"nan", 0}, {"NaN", 0}, {"inf", 0}, {"-inf", 0}, {"infinity", 0}, {"1e400", 0},
            {"-1e400", 0}, {"1e-400", 0}, {"1e308", 0}, {"-0", 0}, {"-0.0e5", 0},
            // what from_chars takes differently: one leading "+" only, no
            // blanks inside, no words for infinity, nothing but ASCII
            {"+-5", 0}, {"-+5", 0}, {"++5", 0}, {"+", 0}, {"+ 5", 0}, {"- 5", 0}, {"+.5", 0.5},
            {" +5 ", 5}, {"5 .5", 0}, {"1e+2", 100}, {"1E-1", 0.1}, {"1e-+1", 0}, {"0x1p3", 0},
            {"1e99999999999999999999", 0}, {"+inf", 0}, {"-nan", 0}, {"nan(1)", 0}, {"INF", 0},
            {"1,5", 0}, {"0001.50", 1.5}, {"e5", 0}, {".e5", 0}, {"5.e1", 50},
            {"3.14159265358979323846", 3.14159265358979323846}, {"123456789012345678901", 123456789012345678901.0}};
        for (const auto &c : cases)
            QTest::newRow(c.first) << QString::fromLatin1(c.first) << c.second;
        QTest::newRow("fullwidth digits") << QString::fromUtf8("１０") << 0.0;
        // U+0131 and U+0131 + U+0135 end in the bytes of "1" and "5"
        QTest::newRow("letters whose low byte is a digit") << QString::fromUtf8("ı.ĵ") << 0.0;
        QTest::newRow("no-break spaces around") << QString::fromUtf8("\u00a05\u00a0") << 5.0;
        QTest::newRow("NUL after the number") << QString::fromLatin1("5\0", 2) << 0.0;
    }

    void speedTexts()
    {
        QFETCH(QString, field);
        QFETCH(double, knots);
        GpsLogData reader;
        const double kmh = reader.GetVelocity("A,,,,,,," + field + ";");
        QVERIFY(std::isfinite(kmh));
        QCOMPARE(kmh, knots * 1.852);
        QVERIFY(!(kmh == 0.0 && std::signbit(kmh)));
    }

    // Every coordinate text is a plain decimal (no exponent, a decimal
    // point) that reads as the value rounded to its significant digits.
    void coordinateTextsArePlainDecimals()
    {
        const QRegularExpression plain(QStringLiteral("^-?[0-9]+\\.[0-9]+$"));
        GpsLogData reader;
        for (int exponent = -12; exponent <= 12; ++exponent) {
            for (const double mantissa : {1.0, 1.5, 3.3333333333, 9.99999999}) {
                const double minutes = mantissa * std::pow(10.0, exponent);
                const QString digits = QString::number(minutes, 'f', 14);
                const QString latitude = reader.GetLatitude("A,,,00" + digits + ",,,,;");
                const QString longitude = reader.GetLongitude("A,,,,,000" + digits + ",,;");
                QVERIFY2(plain.match(latitude).hasMatch(), qPrintable(latitude));
                QVERIFY2(plain.match(longitude).hasMatch(), qPrintable(longitude));
                const double value = digits.toDouble() / 60.0;
                QCOMPARE(latitude.toDouble(), QString::number(value, 'g', 7).toDouble());
                QCOMPARE(longitude.toDouble(), QString::number(value, 'g', 8).toDouble());
                QVERIFY(latitude.size() >= 8 && longitude.size() >= 9);
            }
        }
    }

    // Against the C library itself over the sizes real coordinates have.
    void coordinateTextsMatchPrintf()
    {
        QRandomGenerator random(20250314);
        GpsLogData reader;
        char expected[64];
        for (int i = 0; i < 200000; ++i) {
            const int degrees = int(random.bounded(180));
            const int digits = 1 + int(random.bounded(9));
            const QString minutes = QString::number(random.bounded(60.0), 'f', digits);
            const QString field = QStringLiteral("%1").arg(degrees, 3, 10, QLatin1Char('0')) + minutes;
            const double value = degrees + minutes.toDouble() / 60.0;
            std::snprintf(expected, sizeof expected, "%.8g", value);
            QString longitude = QString::fromLatin1(expected);
            if (longitude.contains('.') && longitude.size() < 9)
                longitude += QString(9 - longitude.size(), '0');
            if (!longitude.contains('.'))
                continue; // whole degrees: their own rule, checked elsewhere
            QCOMPARE(reader.GetLongitude("A,,,,," + field + ",,;"), longitude);
            const QString latitudeField = field.mid(1);
            const double latitude = latitudeField.left(2).toDouble() + latitudeField.mid(2).toDouble() / 60.0;
            std::snprintf(expected, sizeof expected, "%.7g", latitude);
            QString text = QString::fromLatin1(expected);
            if (!text.contains('.'))
                continue;
            if (text.size() < 8)
                text += QString(8 - text.size(), '0');
            QCOMPARE(reader.GetLatitude("A,,," + latitudeField + ",,,,;"), text);
        }
    }

    void lookUps_data()
    {
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("record");
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("last") << 2 << 2;
        QTest::newRow("beyond") << 10 << 2;
        QTest::newRow("int max") << std::numeric_limits<int>::max() << 2;
        QTest::newRow("negative") << -1 << 0;
        QTest::newRow("int min") << std::numeric_limits<int>::min() << 0;
    }

    void lookUps()
    {
        QFETCH(int, second);
        QFETCH(int, record);
        Load(WriteLog("V,d,t0,,,,,0;\nV,d,t1,,,,,1;\nA,d,t2,2232.1234,N,11356.5678,E,2;\n"));
        QCOMPARE(Log.GetGpsDataCount(), 3);
        QCOMPARE(Log.GetGpsDataAt(second).Time, QStringLiteral("t%1").arg(record));
        QCOMPARE(Log.GetFirstAvailableGpsData().Time, QStringLiteral("t2"));
        QCOMPARE(Log.GetFixAt(second).SpeedKmh, record * 1.852);
        QCOMPARE(Log.GetFixAt(second).Valid, record == 2);
    }

    // The numbers of a line, for a route drawn on the map: signed degrees
    // (only "S" and "W" turn the sign, as on the map page), NaN without a
    // coordinate, UTC from the date ddmmyy and the time hhmmss.
    void fixes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("kmh");
        QTest::addColumn<QDateTime>("utc");
        const double nan = qQNaN();
        const QDateTime morning(QDate(2025, 3, 14), QTime(10, 15), Qt::UTC);
        const double latitude = 22 + 32.1234 / 60;
        const double longitude = 113 + 56.5678 / 60;

        QTest::newRow("north and east") << GoodLine << true << latitude << longitude << 18.52 << morning;
        QTest::newRow("south and west") << "A,311299,235959,2232.1234,S,11356.5678,W,0;" << true << -latitude
                                        << -longitude << 0.0
                                        << QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59), Qt::UTC);
        QTest::newRow("no fix, no position") << "V,140325,101500,,,,,;" << false << nan << nan << 0.0 << morning;
        QTest::newRow("empty line") << "" << false << nan << nan << 0.0 << QDateTime();
        QTest::newRow("odd hemispheres") << "A,140325,101500,2232.1234, S,11356.5678,w,10;" << true << latitude
                                         << longitude << 18.52 << morning;
        QTest::newRow("hemisphere missing") << "A,140325,101500,2232.1234,,11356.5678,,10;" << true << latitude
                                            << longitude << 18.52 << morning;
        // -1 degree and 30 minutes is -0.5 degrees, turned by "S"
        QTest::newRow("written negative") << "A,140325,101500,-130,S,-0130,E,1;" << true << 0.5 << -0.5 << 1.852
                                          << morning;
        QTest::newRow("not numbers") << "A,140325,101500,abcd,S,nan,E,x;" << true << 0.0 << 0.0 << 0.0 << morning;
        QTest::newRow("texts for date and time") << "A,x,y,2232.1234,N,11356.5678,E,10;" << true << latitude
                                                 << longitude << 18.52 << QDateTime();
        QTest::newRow("30 February") << "A,300225,101500,,,,,;" << true << nan << nan << 0.0 << QDateTime();
        QTest::newRow("hour 24") << "A,140325,240000,,,,,;" << true << nan << nan << 0.0 << QDateTime();
        QTest::newRow("leap second") << "A,311216,235960,,,,,;" << true << nan << nan << 0.0 << QDateTime();
        QTest::newRow("29 February") << "A,290224,000000,,,,,;" << true << nan << nan << 0.0
                                     << QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC);
        QTest::newRow("fractions of a second") << "A,140325,101500.00,,,,,;" << true << nan << nan << 0.0
                                               << QDateTime();
        QTest::newRow("short time") << "A,140325,10150,,,,,;" << true << nan << nan << 0.0 << QDateTime();
        QTest::newRow("date without time") << "A,140325,,,,,,;" << true << nan << nan << 0.0 << QDateTime();
        QTest::newRow("signed date") << "A,+40325,101500,,,,,;" << true << nan << nan << 0.0 << QDateTime();
        QTest::newRow("fullwidth date") << QString::fromUtf8("A,１40325,101500,,,,,;") << true << nan << nan
                                        << 0.0 << QDateTime();
    }

    void fixes()
    {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, kmh);
        QFETCH(QDateTime, utc);
        Load(WriteLog(line.toUtf8() + "\n"));
        QCOMPARE(Log.GetGpsDataCount(), 1);
        const GpsFix fix = Log.GetFixAt(0);
        QCOMPARE(fix.Valid, valid);
        QCOMPARE(qIsNaN(fix.Latitude), qIsNaN(latitude));
        QCOMPARE(qIsNaN(fix.Longitude), qIsNaN(longitude));
        if (!qIsNaN(latitude))
            QVERIFY2(std::fabs(fix.Latitude - latitude) < 1e-12, qPrintable(QString::number(fix.Latitude, 'g', 17)));
        if (!qIsNaN(longitude))
            QVERIFY2(std::fabs(fix.Longitude - longitude) < 1e-12,
                     qPrintable(QString::number(fix.Longitude, 'g', 17)));
        QVERIFY(std::fabs(fix.SpeedKmh - kmh) < 1e-12);
        QCOMPARE(fix.Utc.isValid(), utc.isValid());
        if (utc.isValid()) {
            QCOMPARE(fix.Utc, utc);
            QCOMPARE(fix.Utc.timeSpec(), Qt::UTC);
        }
        QVERIFY(qIsNaN(fix.Altitude) && qIsNaN(fix.Course));
        QCOMPARE(fix.OffsetMs, -1);
        // the record shows the same line as the slots do
        const GpsRecord record = Log.GetGpsDataAt(0);
        GpsLogData reader;
        QCOMPARE(record.Date, reader.GetDate(line));
        QCOMPARE(record.Time, reader.GetTime(line));
        QCOMPARE(record.Latitude, reader.GetLatitude(line));
        QCOMPARE(record.SouthOrNorth, reader.GetSouthOrNorth(line));
        QCOMPARE(record.Longitude, reader.GetLongitude(line));
        QCOMPARE(record.EastOrWest, reader.GetEastOrWest(line));
    }

    void emptyTrackGivesNoFix()
    {
        for (const int second : {0, -1, 5}) {
            const GpsFix fix = Log.GetFixAt(second);
            QVERIFY(!fix.Valid && qIsNaN(fix.Latitude) && qIsNaN(fix.Longitude) && !fix.Utc.isValid());
        }
        QVERIFY(Log.GetTrack().IsEmpty());
    }

    void oneRecordTrack()
    {
        Load(WriteLog(GoodLine));
        for (const int second : {-5, 0, 1, 3600})
            QCOMPARE(Log.GetGpsDataAt(second).Latitude, QStringLiteral("22.53539"));
    }

    void emptyTrackGivesNoPosition()
    {
        QVERIFY(IsDefaultRecord(Log.GetGpsDataAt(0)));
        QVERIFY(IsDefaultRecord(Log.GetGpsDataAt(-1)));
        QVERIFY(IsDefaultRecord(Log.GetFirstAvailableGpsData()));
        Load(WriteLog("V,d,t,2232.1234,N,11356.5678,E,1;\n\n"));
        QCOMPARE(Log.GetGpsDataCount(), 2);
        QVERIFY(IsDefaultRecord(Log.GetFirstAvailableGpsData()));
    }

    void emptyLinesKeepLineNumbers()
    {
        Load(WriteLog(QByteArray("\n\n") + GoodLine + "\n\nV,d,t4,,,,,;\n"));
        QCOMPARE(Log.GetGpsDataCount(), 5);
        QVERIFY(IsDefaultRecord(Log.GetGpsDataAt(0)));
        QVERIFY(Log.GetGpsDataAt(2).DataAvailable);
        QVERIFY(IsDefaultRecord(Log.GetGpsDataAt(3)));
        QCOMPARE(Log.GetGpsDataAt(4).Time, QStringLiteral("t4"));
    }

    void readingTwiceAppendsAndClearEmpties()
    {
        const QString path = WriteLog("V,d,t0,,,,,;\nA,d,t1,,,,,;\n");
        QTest::ignoreMessage(QtDebugMsg, "addend");
        Log.ReadGpsfile(path);
        QTest::ignoreMessage(QtDebugMsg, "addend");
        Log.ReadGpsfile(path);
        QCOMPARE(Log.GetGpsDataCount(), 4);
        QCOMPARE(Log.GetGpsDataAt(2).Time, QStringLiteral("t0"));
        Log.ClearGpsData();
        QCOMPARE(Log.GetGpsDataCount(), 0);
    }

    void logsThatGiveNoTrack()
    {
        const QByteArray fifo = QFile::encodeName(Dir.filePath("fifo.log"));
        QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
        QVERIFY(!GpsReader::ForFile(Dir.filePath("fifo.log"))); // would wait for a writer
        QVERIFY(QDir(Dir.path()).mkpath("gps0002.log"));
        QVERIFY(QFile::link(Dir.filePath("gone.log"), Dir.filePath("dangling.log")));
        const QString deleted = WriteLog(GoodLine, QStringLiteral("deleted.log"));
        QVERIFY(QFile::remove(deleted));
        for (const QString &path : {Dir.filePath("missing.log"), Dir.filePath("gps0002.log"),
                                    Dir.filePath("dangling.log"), deleted, WriteLog(""), QString(),
                                    Dir.filePath("fifo.log")}) {
            Load(path);
            QCOMPARE(Log.GetGpsDataCount(), 0);
            QVERIFY(IsDefaultRecord(Log.GetGpsDataAt(0)));
        }
    }

    // The single-pass track builder must agree with the eight slots on every
    // line, and with readLine on where lines end.
    void trackEqualsSlots_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray day;
        for (int s = 0; s < 86400; s += 7) {
            day += (s % 600 < 60 ? "V,250314," : "A,250314,")
                + QByteArray::number(100000 + s) + ",22" + QByteArray::number(30 + (s / 7) % 5) + "."
                + QByteArray::number(1000 + s % 9000) + ",N,113" + QByteArray::number(56 + (s / 60) % 3)
                + ".5678,E," + QByteArray::number((s % 400) / 10.0) + ";\n";
        }
        QTest::newRow("realistic, many chunks") << day;
        QTest::newRow("CRLF") << QByteArray(GoodLine) + "\r\n\r\nV,,,;\r\n";
        QTest::newRow("mixed ends, lone CR kept") << QByteArray("A,a\rb,c\n\r\nA,x,y,1,N,2,E,3;\r");
        QTest::newRow("only CR") << QByteArray("\r");
        QTest::newRow("CR CR at end") << QByteArray("A,x,y\r\r");
        QTest::newRow("no final line end") << QByteArray(GoodLine) + "\n" + GoodLine;
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF") + GoodLine + "\n";
        QTest::newRow("NUL and binary") << QByteArray("A,\0\x01,\xff\xfe,22\x80,N,\0,E,1;\n\0\n", 23);
        QByteArray crlfAtChunkEdge(65535, 'x');
        crlfAtChunkEdge += "\r\n" + QByteArray(GoodLine) + "\r\n";
        QTest::newRow("CRLF across a chunk edge") << crlfAtChunkEdge;
        QByteArray longLine = "A,d,t," + QByteArray(4 * 1024 * 1024, '7') + ",N,11356.5678,E,";
        longLine += QByteArray(1024 * 1024, ',') + "1;\n" + GoodLine;
        QTest::newRow("several MB line") << longLine;
        // lines whose texts the numbers cannot give back, among ones they can
        QTest::newRow("texts kept beside the fixes")
            << QByteArray("A,140325,101500,2232.1234,N,11356.5678,E,10.0;\n"
                          "A,140325,101501,2232.1234,n,11356.5678,e,10.0;\n"
                          "A,140325,101502,2232.1234, N,11356.5678,E ,1;\n"
                          "A,140325,101503,-130,N,-00130,E,1;\n"
                          "A,140325,101504,-130,S,-00130,W,1;\n"
                          "A,140325,101505,0000,S,00000,W,0;\n"
                          "A,140325,101506,-0000,S,-00000,W,0;\n"
                          "A,140325,101507,,S,,W,1;\n"
                          "A,140325,101508,2232.1,,11356.5,,1;\n"
                          "A,300225,101509,2232.1,N,11356.5,E,1;\n"
                          "A,140325,,2232.1,N,11356.5,E,1;\n"
                          "A,,101511,2232.1,S,11356.5,W,1;\n"
                          "A,140325,101512.00,2232.1,S,11356.5,W,1;\n"
                          "A,x,y,2232.1,S,11356.5,W,1;\n"
                          "A,140325,101514,abcd,S,nan,W,1;\n"
                          "A,140325,101515,2232.1,S,11356.5,W,1;\n"
                          "V,,,,,,,;\n"
                          "V,140325,101517,,,,,;\n"
                          "V,140325,101518,,N,,E,;\n"
                          "A,140325,101519,0032.259258,S,00007.4074068,W,1;\n");
        QTest::newRow("repeated fields") << QByteArray("A,d,t,2232.1,N,1,E,1;\nA,d,t,2232.1,N,1,E,1;\n"
                                                             "A,,t,,,,,;\nA,,t,,,,,;\n");
    }

    void trackEqualsSlots()
    {
        QFETCH(QByteArray, content);
        const QString path = WriteLog(content);
        const QList<GpsRecord> reference = ReferenceTrack(path);
        Load(path);
        QCOMPARE(Log.GetGpsDataCount(), reference.size());
        for (int i = 0; i < reference.size(); ++i)
            QVERIFY2(SameRecord(Log.GetGpsDataAt(i), reference.at(i)), qPrintable(QString::number(i)));
    }

    // Texts kept for some fixes stay with their own fixes when a second log
    // is appended.
    void appendedLogsKeepTheirTexts()
    {
        const QString path = WriteLog("A,x,y,2232.1,n,11356.5,e,1;\nA,140325,101500,2232.1,S,11356.5,W,2;\n"
                                      "\nA,140325,101502,2232.1,N,11356.5,E,3;\n");
        const QList<GpsRecord> once = ReferenceTrack(path);
        Log.ReadGpsfile(path);
        Log.ReadGpsfile(path);
        QCOMPARE(Log.GetGpsDataCount(), 2 * once.size());
        for (int i = 0; i < Log.GetGpsDataCount(); ++i)
            QVERIFY2(SameRecord(Log.GetGpsDataAt(i), once.at(i % once.size())), qPrintable(QString::number(i)));
        QCOMPARE(Log.GetFixAt(5).Longitude, -(113 + 56.5 / 60));
    }

    // A cleared track holds no memory, and a track holds the room of what
    // was read, not of what was read before.
    void memoryGivenBack()
    {
        QByteArray day;
        for (int s = 0; s < 20000; ++s)
            day += "A,140325," + QByteArray::number(100000 + s % 6000) + ",2232.1234,N,11356.5678,E,10.0;\n";
        const QString longLog = WriteLog(day, QStringLiteral("long.log"));
        const QString shortLog = WriteLog(QByteArray(GoodLine) + "\n" + GoodLine + "\nV,x,y,,,,,;\n",
                                          QStringLiteral("short.log"));

        Load(longLog);
        QCOMPARE(Log.GetGpsDataCount(), 20000);
        QVERIFY(Log.GetTrack().Fixes().capacity() < 2 * 20000);
        Log.ClearGpsData();
        QCOMPARE(Log.GetTrack().Fixes().capacity(), 0);

        Load(longLog);
        Load(shortLog);
        QCOMPARE(Log.GetGpsDataCount(), 3);
        QVERIFY2(Log.GetTrack().Fixes().capacity() < 100, qPrintable(QString::number(Log.GetTrack().Fixes().capacity())));

        // appending keeps no more than twice the room either
        Log.ReadGpsfile(longLog);
        QCOMPARE(Log.GetGpsDataCount(), 20003);
        QVERIFY(Log.GetTrack().Fixes().capacity() < 2 * 20003);
        Log.ClearGpsData();
        QCOMPARE(Log.GetTrack().Fixes().capacity(), 0);
    }

    // Any file is read as the recorder's log while no other format claims it.
    void readerForFiles()
    {
        const GpsReader *reader = GpsReader::ForFile(WriteLog(GoodLine));
        QVERIFY(reader);
        QCOMPARE(reader->FixTiming(), GpsReader::Timing::OneFixPerSecond);
        QCOMPARE(GpsReader::ForFile(WriteLog(GoodLine, QStringLiteral("noname"))), reader);
        QCOMPARE(GpsReader::ForFile(WriteLog(QByteArray(), QStringLiteral("empty.log"))), reader);
        QVERIFY(!GpsReader::ForFile(Dir.filePath("missing.log")));
        QVERIFY(!GpsReader::ForFile(Dir.path()));
        QVERIFY(!GpsReader::ForFile(QString()));
    }

    void crlfAndLfGiveTheSameTrack()
    {
        const QByteArray lf = QByteArray(GoodLine) + "\n\nV,d,t,,,,,;\n";
        Load(WriteLog(QByteArray(lf).replace("\n", "\r\n")));
        const QList<GpsRecord> crlf = {Log.GetGpsDataAt(0), Log.GetGpsDataAt(1), Log.GetGpsDataAt(2)};
        QCOMPARE(Log.GetGpsDataCount(), 3);
        Load(WriteLog(lf));
        QCOMPARE(Log.GetGpsDataCount(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(SameRecord(Log.GetGpsDataAt(i), crlf.at(i)));
        QCOMPARE(Log.GetGpsDataAt(0).Velocity, 18.52);
    }
};

QTEST_GUILESS_MAIN(TestGpsLogData)
#include "tst_gpslogdata.moc"

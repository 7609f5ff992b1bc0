// GPS stored inside videos: the real 70mai and GoPro files, generated files
// of every layout, and damaged ones.

#include "gpslog/mp4/blackvuegps.h"
#include "gpslog/mp4/embeddedgps.h"
#include "gpslog/mp4/gpmfgps.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/novatekgps.h"
#include "gpslog/mp4/seventymaigps.h"
#include "mp4gpswriter.h"
#include "teslaseiwriter.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <ctime>

using W = Mp4GpsWriter;
using Layout = EmbeddedGps::Layout;

Q_DECLARE_METATYPE(GpsFixList)
Q_DECLARE_METATYPE(EmbeddedGps::Layout)

namespace {

// Coordinates are compared to the sixth decimal, as other tools print them.
constexpr double Tolerance = 0.5e-6;

QString RealFile(const char *Name)
{
    return QStringLiteral(VIALUMO_SOURCE_DIR "/tests/data/") + QLatin1String(Name);
}

EmbeddedGps::Result ReadBytes(const QByteArray &File, const EmbeddedGps::NmeaToFixes &Nmea = {})
{
    QBuffer buffer;
    buffer.setData(File);
    buffer.open(QIODevice::ReadOnly);
    return EmbeddedGps::Read(buffer, Nmea);
}

// The H.264 stream the Tesla files are made of.
QByteArray TeslaBase()
{
    QFile file(QStringLiteral(VIALUMO_TESTDATA_DIR "/tesla-base.h264"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool Near(double A, double B, double Within = Tolerance)
{
    return std::fabs(A - B) <= Within;
}

// A stand-in for the NMEA reader: one valid fix per "[ms]$GPRMC" line.
GpsFixList CountRmcLines(const QByteArray &Text)
{
    GpsFixList fixes;
    for (const QByteArray &line : Text.split('\n')) {
        if (line.contains("$GPRMC") && line.contains(",A,")) {
            GpsFix fix;
            fix.Valid = true;
            fixes.append(fix);
        }
    }
    return fixes;
}

GpsFix WithPosition(double Latitude, double Longitude)
{
    GpsFix fix = W::Drive(1).first();
    fix.Latitude = Latitude;
    fix.Longitude = Longitude;
    return fix;
}

} // namespace

class TestEmbeddedGps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Some Novatek firmware writes local time; here it is UTC, so that
        // every block's time reads back as written.
        qputenv("TZ", "UTC0");
        tzset();
    }

    void realSeventyMai_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("firstLatitude");
        QTest::addColumn<double>("firstLongitude");
        QTest::addColumn<double>("lastLatitude");
        QTest::addColumn<double>("lastLongitude");
        QTest::newRow("61 fixes") << RealFile("mp4-gps-box/NO20191130-120156-000121.MP4") << 61 << 52.190583
                                  << 20.789483 << 52.188433 << 20.777217;
        // Other tools list 55 here: they leave out the last record of every
        // box, which is whole and in line with the drive (the same second
        // is in the 61-fix file).
        QTest::newRow("56 fixes, damaged after the box")
            << RealFile("mp4-gps-box/PA20191130-121756-000137.MP4") << 56 << 52.190583 << 20.789483 << 52.188817
            << 20.776950;
        QTest::newRow("box longer than the file") << RealFile("mp4-gps-box/NO20191130-120256-000122.MP4") << 0
                                                  << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("one byte") << RealFile("mp4-gps-box/NO20191130-123556-000155.MP4") << 0 << 0.0 << 0.0 << 0.0
                                  << 0.0;
    }

    void realSeventyMai()
    {
        QFETCH(QString, path);
        QFETCH(int, count);
        const EmbeddedGps::Result result = EmbeddedGps::Read(path);
        QCOMPARE(EmbeddedGps::ValidFixCount(result.Fixes), count);
        if (count == 0) {
            QCOMPARE(result.Source, Layout::None);
            return;
        }
        QCOMPARE(result.Source, Layout::SeventyMai);
        QCOMPARE(result.Fixes.size(), count);
        const GpsFix &first = result.Fixes.first();
        const GpsFix &last = result.Fixes.last();
        QFETCH(double, firstLatitude);
        QFETCH(double, firstLongitude);
        QFETCH(double, lastLatitude);
        QFETCH(double, lastLongitude);
        QVERIFY(Near(first.Latitude, firstLatitude));
        QVERIFY(Near(first.Longitude, firstLongitude));
        QVERIFY(Near(last.Latitude, lastLatitude));
        QVERIFY(Near(last.Longitude, lastLongitude));
        QVERIFY(Near(first.SpeedKmh, 105.33, 1e-9));
        QCOMPARE(first.OffsetMs, 0);
        QCOMPARE(last.OffsetMs, (count - 1) * 1000);
        QVERIFY(!first.Utc.isValid());
    }

    // The first fix of each second of the real GoPro file.
    void realGoPro()
    {
        const EmbeddedGps::Result result = EmbeddedGps::Read(RealFile("gopro/max-heromode.mp4"));
        QCOMPARE(result.Source, Layout::GoPro);
        QCOMPARE(EmbeddedGps::ValidFixCount(result.Fixes), result.Fixes.size());
        GpsFixList firstOfSecond;
        for (const GpsFix &fix : result.Fixes) {
            if (firstOfSecond.isEmpty() || fix.OffsetMs / 1000 > firstOfSecond.last().OffsetMs / 1000)
                firstOfSecond.append(fix);
            QVERIFY(fix.OffsetMs >= (firstOfSecond.size() - 1) * 1000);
        }
        QCOMPARE(firstOfSecond.size(), 11);
        QVERIFY(Near(firstOfSecond.first().Latitude, 33.126770));
        QVERIFY(Near(firstOfSecond.first().Longitude, -117.327344));
        QVERIFY(Near(firstOfSecond.last().Latitude, 33.126671));
        QVERIFY(Near(firstOfSecond.last().Longitude, -117.327275));
        QCOMPARE(firstOfSecond.first().Utc, QDateTime(QDate(2019, 11, 18), QTime(23, 45, 14), QTimeZone::utc()));
        QVERIFY(Near(firstOfSecond.first().Altitude, -22.959, 1e-9));
        QVERIFY(Near(firstOfSecond.first().SpeedKmh, 1.046 * 3.6, 1e-9));
    }

    void novatek_data()
    {
        QTest::addColumn<GpsFixList>("fixes");
        QTest::addColumn<bool>("fullYear");
        QTest::addColumn<int>("leadingBytes");
        QTest::addColumn<int>("valid");
        const GpsFixList drive = W::Drive(20);
        // Most firmware has 4 bytes between the marker and the time, some 36;
        // other distances are found all the same.
        QTest::newRow("year less 2000") << drive << false << 4 << 20;
        QTest::newRow("full year") << drive << true << 4 << 20;
        QTest::newRow("36 bytes before the time") << drive << false << 36 << 20;
        QTest::newRow("time right after the marker") << drive << false << 0 << 20;
        QTest::newRow("south and west") << W::Drive(5, -33.8688, -151.2093) << false << 13 << 5;
        GpsFixList someWithout = drive;
        someWithout[3].Valid = false;
        someWithout[4].Valid = false;
        QTest::newRow("seconds without a fix") << someWithout << false << 4 << 18;
        QTest::newRow("latitude beyond 90") << GpsFixList{WithPosition(90.5, 20.0)} << false << 4 << 0;
        QTest::newRow("longitude beyond 180") << GpsFixList{WithPosition(52.0, 180.5)} << false << 4 << 0;
        QTest::newRow("exactly 0,0") << GpsFixList{WithPosition(0.0, 0.0)} << false << 4 << 0;
        GpsFix fast = drive.first();
        fast.SpeedKmh = 5000.0;
        QTest::newRow("implausible speed") << GpsFixList{fast} << false << 4 << 0;
        GpsFix old = drive.first();
        old.Utc = QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59), QTimeZone::utc());
        QTest::newRow("year before 2000 written in full") << GpsFixList{old} << true << 4 << 0;
    }

    void novatek()
    {
        QFETCH(GpsFixList, fixes);
        QFETCH(bool, fullYear);
        QFETCH(int, leadingBytes);
        QFETCH(int, valid);
        NovatekOptions options;
        options.FullYear = fullYear;
        options.LeadingBytes = leadingBytes;
        const EmbeddedGps::Result result = ReadBytes(W::Novatek(fixes, options));
        QCOMPARE(EmbeddedGps::ValidFixCount(result.Fixes), valid);
        if (valid == 0)
            return;
        QCOMPARE(result.Source, Layout::Novatek);
        QCOMPARE(result.Fixes.size(), fixes.size());
        for (qsizetype i = 0; i < fixes.size(); ++i) {
            const GpsFix &got = result.Fixes[i];
            QCOMPARE(got.OffsetMs, i * 1000);
            QCOMPARE(got.Utc, fixes[i].Utc);
            QCOMPARE(got.Valid, fixes[i].Valid);
            if (!got.Valid)
                continue;
            // A 32-bit float keeps DDMM.MMMM to about a metre.
            QVERIFY(Near(got.Latitude, fixes[i].Latitude, 2e-5));
            QVERIFY(Near(got.Longitude, fixes[i].Longitude, 2e-5));
            QVERIFY(Near(got.SpeedKmh, fixes[i].SpeedKmh, 1e-3));
            QVERIFY(Near(got.Course, fixes[i].Course, 1e-3));
        }
    }

    // Index entries and blocks that cannot be used: each still stands for
    // its second, and the others keep theirs.
    void novatekDamagedBlocks_data()
    {
        QTest::addColumn<QByteArray>("file");
        // Each fix's second, and + for a valid one.
        QTest::addColumn<QByteArray>("expected");
        const GpsFixList drive = W::Drive(3);
        QByteArray blocks;
        QList<QPair<quint32, quint32>> index;
        const QByteArray head = W::FileType();
        for (const GpsFix &fix : drive) {
            index.append({quint32(head.size() + blocks.size()), 256});
            blocks += W::NovatekBlock(fix);
        }
        auto file = [&](QList<QPair<quint32, quint32>> entries, QByteArray body = {}) {
            return head + (body.isEmpty() ? blocks : body) + W::Movie(W::Box("gps ", W::NovatekIndex(entries)));
        };
        QTest::newRow("all good") << file(index) << QByteArray("0+ 1+ 2+");
        auto outside = index;
        outside[1].first = 0x7fffffff;
        QTest::newRow("offset outside the file") << file(outside) << QByteArray("0+ 1- 2+");
        auto short_ = index;
        short_[1].second = 20;
        QTest::newRow("block shorter than its report") << file(short_) << QByteArray("0+ 1- 2+");
        auto unused = index;
        unused.insert(1, {0, 0});
        QTest::newRow("unused pair") << file(unused) << QByteArray("0+ 2+ 3+");
        // In the second block: the marker, the month and the latitude.
        const int marker = 256 + 4;
        const int month = 256 + 12 + 4 + 16;
        const int latitude = 256 + 12 + 4 + 28;
        QByteArray marked = blocks;
        marked[marker] = 'F';
        QTest::newRow("block without its marker") << file(index, marked) << QByteArray("0+ 1- 2+");
        QByteArray badDate = blocks;
        badDate[month] = 13;
        QTest::newRow("block with month 13") << file(index, badDate) << QByteArray("0+ 1- 2+");
        QByteArray badMinutes = blocks;
        // 52 degrees and 61 minutes.
        badMinutes.replace(latitude, 4, W::LittleEndianFloat(5261.0f));
        QTest::newRow("block with 61 minutes") << file(index, badMinutes) << QByteArray("0+ 1- 2+");
        QByteArray overCount = file(index);
        // The count claims more pairs than the box holds.
        overCount.replace(overCount.indexOf("gps ") + 8, 4, W::BigEndian32(1000000));
        QTest::newRow("count beyond the box") << overCount << QByteArray("0+ 1+ 2+");
        QTest::newRow("index without pairs") << file({}) << QByteArray();
        QTest::newRow("index cut short") << head + blocks + W::Movie(W::Box("gps ", W::BigEndian32(1)))
                                         << QByteArray();
    }

    void novatekDamagedBlocks()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        QBuffer buffer;
        buffer.setData(file);
        buffer.open(QIODevice::ReadOnly);
        QByteArrayList got;
        for (const GpsFix &fix : NovatekGps::Read(Mp4Boxes(buffer)))
            got.append(QByteArray::number(fix.OffsetMs / 1000) + (fix.Valid ? '+' : '-'));
        QCOMPARE(got.join(' '), expected);
    }

    void seventyMai_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("validity");
        const GpsFixList drive = W::Drive(4);
        QTest::newRow("records and empty slots") << W::SeventyMai(drive, 10) << QByteArray("1111");
        GpsFixList gap = drive;
        gap[2].Valid = false;
        QTest::newRow("second without a fix") << W::SeventyMai(gap) << QByteArray("1101");
        QTest::newRow("south and west") << W::SeventyMai(W::Drive(2, -33.8688, -151.2093)) << QByteArray("11");
        QTest::newRow("partial record at the end")
            << W::FileType() + W::Box("GPS ", W::SeventyMaiBox(drive).mid(8) + QByteArray(5, 'x'))
            << QByteArray("1111");
        QByteArray cut = W::SeventyMai(drive);
        cut.chop(1);
        QTest::newRow("box cut by the end of the file") << cut << QByteArray();
        QByteArray badHemisphere = W::SeventyMai(drive);
        badHemisphere[badHemisphere.indexOf("GPS ") + 4 + 16] = 'X';
        QTest::newRow("unknown hemisphere") << badHemisphere << QByteArray("0111");
        QByteArray badMinutes = W::SeventyMai(drive);
        badMinutes.replace(badMinutes.indexOf("GPS ") + 4 + 36 + 17, 4, W::LittleEndian32(5261000));
        QTest::newRow("61 minutes") << badMinutes << QByteArray("1011");
        QTest::newRow("latitude beyond 90") << W::SeventyMai({WithPosition(90.5, 1.0)}) << QByteArray("0");
        QTest::newRow("exactly 0,0") << W::SeventyMai({WithPosition(0.0, 0.0)}) << QByteArray("0");
    }

    void seventyMai()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, validity);
        QBuffer buffer;
        buffer.setData(file);
        buffer.open(QIODevice::ReadOnly);
        const GpsFixList fixes = SeventyMaiGps::Read(Mp4Boxes(buffer));
        QByteArray got;
        for (const GpsFix &fix : fixes)
            got += fix.Valid ? '1' : '0';
        QCOMPARE(got, validity);
        const GpsFixList expected = W::Drive(4);
        for (qsizetype i = 0; i < fixes.size(); ++i) {
            QCOMPARE(fixes[i].OffsetMs, i * 1000);
            QVERIFY(Near(fixes[i].SpeedKmh, expected[i].SpeedKmh, 1e-3));
        }
    }

    void blackVueText_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("text");
        const QByteArray lines = W::NmeaLines(W::Drive(3));
        QTest::newRow("free/gps box") << W::BlackVue(W::Drive(3)) << lines;
        QTest::newRow("after an empty free box")
            << W::FileType() + W::Box("free", {}) + W::Box("free", W::Box("gps ", lines)) << lines;
        QTest::newRow("gps box not inside free") << W::FileType() + W::Box("gps ", lines) << QByteArray();
        QTest::newRow("gps box past the end of free")
            << W::FileType() + W::Box("free", W::BigEndian32(quint32(lines.size() + 100)) + "gps " + lines)
            << QByteArray();
        QTest::newRow("only padding") << W::FileType() + W::Box("free", W::Box("gps ", QByteArray(40, '\0')))
                                      << QByteArray();
    }

    void blackVueText()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, text);
        QBuffer buffer;
        buffer.setData(file);
        buffer.open(QIODevice::ReadOnly);
        QCOMPARE(BlackVueGps::NmeaText(Mp4Boxes(buffer)), text);
    }

    void blackVueTextIsBounded()
    {
        const QByteArray line = W::NmeaLines(W::Drive(1));
        const QByteArray lines = line.repeated(BlackVueGps::MaxTextBytes / line.size() + 100);
        QBuffer buffer;
        buffer.setData(W::FileType() + W::Box("free", W::Box("gps ", lines)));
        buffer.open(QIODevice::ReadOnly);
        const QByteArray text = BlackVueGps::NmeaText(Mp4Boxes(buffer));
        QVERIFY(text.size() <= BlackVueGps::MaxTextBytes);
        QVERIFY(text.size() > BlackVueGps::MaxTextBytes - line.size());
        QVERIFY(text.endsWith('\n'));
        QVERIFY(lines.startsWith(text));
    }

    void blackVueNeedsAnNmeaReader()
    {
        const QByteArray file = W::BlackVue(W::Drive(5));
        QCOMPARE(ReadBytes(file).Source, Layout::None);
        const EmbeddedGps::Result result = ReadBytes(file, CountRmcLines);
        QCOMPARE(result.Source, Layout::BlackVue);
        QCOMPARE(result.Fixes.size(), 5);
    }

    void gpmf_data()
    {
        QTest::addColumn<QByteArray>("sample");
        QTest::addColumn<QByteArray>("validity");
        QTest::addColumn<bool>("timed");
        const GpsFixList fixes = W::Drive(4);
        const QByteArray good = W::GpmfSample(fixes);
        QTest::newRow("3D fix") << good << QByteArray("1111") << true;
        QTest::newRow("2D fix") << W::GpmfSample(fixes, 2) << QByteArray("1111") << true;
        QTest::newRow("no fix") << W::GpmfSample(fixes, 0) << QByteArray("0000") << true;
        QTest::newRow("unknown fix kind") << W::GpmfSample(fixes, -1) << QByteArray("0000") << true;
        QByteArray noKind = good;
        noKind.replace("GPSF", "XXXX");
        QTest::newRow("fix kind not given") << noKind << QByteArray("1111") << true;
        QByteArray noTime = good;
        noTime.replace("GPSU", "XXXX");
        QTest::newRow("time not given") << noTime << QByteArray("1111") << false;
        QByteArray badTime = good;
        badTime.replace(badTime.indexOf("GPSU") + 8 + 2, 2, "13");
        QTest::newRow("month 13") << badTime << QByteArray("1111") << false;
        QByteArray zeroScale = good;
        zeroScale.replace(zeroScale.indexOf("SCAL\x6c") + 8, 4, W::BigEndian32(0));
        QTest::newRow("latitude scale 0") << zeroScale << QByteArray("0000") << true;
        QByteArray noScale = good;
        noScale.replace("SCAL\x6c", "XXXX\x6c");
        QTest::newRow("no scale") << noScale << QByteArray("0000") << true;
        QByteArray oddStruct = good;
        oddStruct[oddStruct.indexOf("GPS5") + 5] = 16;
        QTest::newRow("GPS5 of another struct size") << oddStruct << QByteArray() << true;
        QByteArray tooLong = good;
        tooLong.replace(tooLong.indexOf("GPS5") + 6, 2, "\x10\x00");
        QTest::newRow("GPS5 longer than the sample") << tooLong << QByteArray() << true;
        QByteArray deep = W::GpmfSample(fixes);
        for (int i = 0; i < GpmfGps::MaxNesting; ++i)
            deep = W::GpmfNested("DEVC", deep);
        QTest::newRow("nested too deep") << deep << QByteArray() << true;
        QTest::newRow("empty") << QByteArray() << QByteArray() << true;
    }

    void gpmf()
    {
        QFETCH(QByteArray, sample);
        QFETCH(QByteArray, validity);
        QFETCH(bool, timed);
        const GpsFixList fixes = GpmfGps::Decode(sample, 5000, 1000);
        QByteArray got;
        for (const GpsFix &fix : fixes)
            got += fix.Valid ? '1' : '0';
        QCOMPARE(got, validity);
        const GpsFixList expected = W::Drive(4);
        for (qsizetype i = 0; i < fixes.size(); ++i) {
            // Four fixes spread over the second from 5 s on.
            QCOMPARE(fixes[i].OffsetMs, 5000 + i * 250);
            QCOMPARE(fixes[i].Utc.isValid(), timed);
            if (timed)
                QCOMPARE(fixes[i].Utc, expected.first().Utc.addMSecs(i * 250));
            if (!fixes[i].Valid)
                continue;
            QVERIFY(Near(fixes[i].Latitude, expected[i].Latitude, 1e-7));
            QVERIFY(Near(fixes[i].Longitude, expected[i].Longitude, 1e-7));
            QVERIFY(Near(fixes[i].SpeedKmh, expected[i].SpeedKmh, 0.01));
            QVERIFY(Near(fixes[i].Altitude, expected[i].Altitude, 0.001));
        }
    }

    void goProFile()
    {
        const GpsFixList drive = W::Drive(25);
        const EmbeddedGps::Result result = ReadBytes(W::GoPro(drive, 10));
        QCOMPARE(result.Source, Layout::GoPro);
        QCOMPARE(result.Fixes.size(), 25);
        // Ten fixes in each one-second sample, five in the last.
        QCOMPARE(result.Fixes[10].OffsetMs, 1000);
        QCOMPARE(result.Fixes[21].OffsetMs, 2200);
        QVERIFY(Near(result.Fixes.last().Latitude, drive.last().Latitude, 1e-7));
    }

    // Firmware that writes an empty 'GPS ' box first and its records in
    // later ones: every box is read, in file order.
    void seventyMaiBoxes_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<int>>("seconds");
        const GpsFixList drive = W::Drive(5);
        QTest::newRow("empty box, then the records") << W::SeventyMaiBoxes({drive}) << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("records split over two boxes")
            << W::SeventyMaiBoxes({drive.mid(0, 2), drive.mid(2)}) << QList<int>{0, 1, 2, 3, 4};
        QTest::newRow("only empty boxes") << W::SeventyMaiBoxes({{}, {}}) << QList<int>{};
        QByteArray cut = W::SeventyMaiBoxes({drive.mid(0, 3), drive.mid(3)});
        cut.chop(36 + 1);
        // The last box claims more than the file holds: the walk stops before it.
        QTest::newRow("last box cut") << cut << QList<int>{0, 1, 2};
    }

    void seventyMaiBoxes()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<int>, seconds);
        const EmbeddedGps::Result result = ReadBytes(file);
        QList<int> got;
        for (const GpsFix &fix : result.Fixes)
            got.append(int(fix.OffsetMs / 1000));
        QCOMPARE(got, seconds);
        QCOMPARE(result.Source, seconds.isEmpty() ? Layout::None : Layout::SeventyMai);
    }

    void seventyMaiBoxesAreBoundedTogether()
    {
        const GpsFixList drive = W::Drive(3);
        QList<GpsFixList> parts;
        for (int i = 0; i < 4; ++i)
            parts.append(drive);
        QByteArray file = W::SeventyMaiBoxes(parts);
        // A box of zero slots as large as the bound comes first: nothing after it is read.
        file.insert(W::SeventyMai({}).size(), W::Box("GPS ", QByteArray(SeventyMaiGps::MaxRecords * 36, '\0')));
        QCOMPARE(ReadBytes(file).Fixes.size(), 0);
    }

    // GPS written by another device than the camera (a drone, a gimbal) in
    // its own stream of the 'gpmd' track; 'GPS9' of newer cameras. The fixes
    // of one device are taken, never two devices' mixed.
    void gpmfDevices_data()
    {
        QTest::addColumn<QList<QByteArray>>("samples");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("valid");
        QTest::addColumn<double>("firstLatitude");
        QTest::addColumn<bool>("timed");
        const GpsFixList camera = W::Drive(4);
        const GpsFixList drone = W::Drive(4, -33.8688, 151.2093);
        const QByteArray cameraOnly = W::GpmfDevice("1", "Camera", W::GpmfAccelerometerStream());
        const QByteArray droneGps = W::GpmfDevice("KARM", "GoPro Karma v1.0", W::GpmfGps5Stream(drone));
        QTest::newRow("GPS in the drone's device after the camera's")
            << QList<QByteArray>{cameraOnly + droneGps, cameraOnly + droneGps} << 8 << 8 << drone[0].Latitude << true;
        QTest::newRow("drone first, numeric id")
            << QList<QByteArray>{W::GpmfDevice("7", "Gimbal", W::GpmfGps5Stream(drone)) + cameraOnly} << 4 << 4
            << drone[0].Latitude << true;
        QTest::newRow("camera without a lock, drone with one")
            << QList<QByteArray>{W::GpmfDevice("1", "Camera", W::GpmfGps5Stream(camera, 0)) + droneGps} << 4 << 4
            << drone[0].Latitude << true;
        QTest::newRow("both with a lock: the one with more fixes")
            << QList<QByteArray>{W::GpmfDevice("1", "Camera", W::GpmfGps5Stream(camera.mid(0, 2)))
                                 + W::GpmfDevice("KARM", "Karma", W::GpmfGps5Stream(drone))}
            << 4 << 4 << drone[0].Latitude << true;
        QTest::newRow("both alike: the first")
            << QList<QByteArray>{W::GpmfDevice("1", "Camera", W::GpmfGps5Stream(camera)) + droneGps} << 4 << 4
            << camera[0].Latitude << true;
        QTest::newRow("device without an id or a name")
            << QList<QByteArray>{W::GpmfNested("DEVC", W::GpmfGps5Stream(camera))} << 4 << 4 << camera[0].Latitude
            << true;
        QTest::newRow("GPS9 only") << QList<QByteArray>{W::GpmfDevice("1", "HERO13", W::GpmfGps9Stream(camera))} << 4
                                   << 4 << camera[0].Latitude << true;
        QTest::newRow("GPS5 and GPS9: GPS5 read")
            << QList<QByteArray>{W::GpmfDevice("1", "HERO11", W::GpmfGps5Stream(camera) + W::GpmfGps9Stream(camera.mid(0, 3)))}
            << 4 << 4 << camera[0].Latitude << true;
        QTest::newRow("GPS9 without a fix")
            << QList<QByteArray>{W::GpmfDevice("1", "HERO13", W::GpmfGps9Stream(camera, 0))} << 4 << 0 << 0.0 << true;
        QByteArray otherStructure = W::GpmfDevice("1", "HERO13", W::GpmfGps9Stream(camera));
        otherStructure.replace("lllllllSS", "llllllllS");
        QTest::newRow("GPS9 of another structure") << QList<QByteArray>{otherStructure} << 0 << 0 << 0.0 << true;
        QByteArray noStructure = W::GpmfDevice("1", "HERO13", W::GpmfGps9Stream(camera));
        noStructure.replace("TYPE", "XXXX");
        QTest::newRow("GPS9 of the usual structure, not told") << QList<QByteArray>{noStructure} << 4 << 4
                                                               << camera[0].Latitude << true;
        QTest::newRow("no GPS anywhere") << QList<QByteArray>{cameraOnly} << 0 << 0 << 0.0 << true;
    }

    void gpmfDevices()
    {
        QFETCH(QList<QByteArray>, samples);
        QFETCH(int, count);
        QFETCH(int, valid);
        QFETCH(double, firstLatitude);
        QFETCH(bool, timed);
        const EmbeddedGps::Result result = ReadBytes(W::GoProSamples(samples));
        QCOMPARE(result.Fixes.size(), valid > 0 ? count : 0);
        QCOMPARE(EmbeddedGps::ValidFixCount(result.Fixes), valid);
        QCOMPARE(result.Source, valid > 0 ? Layout::GoPro : Layout::None);
        QBuffer buffer;
        buffer.setData(W::GoProSamples(samples));
        buffer.open(QIODevice::ReadOnly);
        const GpsFixList all = GpmfGps::Read(Mp4Boxes(buffer));
        QCOMPARE(all.size(), count);
        if (valid == 0)
            return;
        QVERIFY(Near(all.first().Latitude, firstLatitude, 1e-7));
        QCOMPARE(all.first().Utc.isValid(), timed);
        QCOMPARE(all.first().Utc, W::Drive(1).first().Utc);
        for (qsizetype i = 1; i < all.size(); ++i)
            QVERIFY(all[i].OffsetMs > all[i - 1].OffsetMs);
    }

    // GPS9 carries each fix's own date and time, kind of fix and precision.
    void gpmfGps9()
    {
        GpsFixList drive = W::Drive(3);
        drive[1].Utc = drive[1].Utc.addMSecs(250);
        const QByteArray sample = W::GpmfDevice("1", "HERO13", W::GpmfGps9Stream(drive));
        const GpsFixList fixes = GpmfGps::Decode(sample, 2000, 1000);
        QCOMPARE(fixes.size(), 3);
        for (qsizetype i = 0; i < fixes.size(); ++i) {
            QCOMPARE(fixes[i].Utc, drive[i].Utc);
            QCOMPARE(fixes[i].OffsetMs, 2000 + i * 1000 / 3);
            QVERIFY(Near(fixes[i].Latitude, drive[i].Latitude, 1e-7));
            QVERIFY(Near(fixes[i].Longitude, drive[i].Longitude, 1e-7));
            QVERIFY(Near(fixes[i].SpeedKmh, drive[i].SpeedKmh, 0.01));
            QVERIFY(Near(fixes[i].Altitude, drive[i].Altitude, 0.001));
        }
    }

    // A stream's entries as the acceleration reader will take them: scale
    // and structure in force for each entry, with its device.
    void gpmfStreams()
    {
        const QByteArray sample = W::GpmfDevice("KARM", "Karma", W::GpmfAccelerometerStream())
            + W::GpmfDevice("1", "Camera",
                            W::GpmfNested("STRM", W::GpmfEntry("ACCL", 's', 6, 1, QByteArray(6, '\1'))
                                                      + W::GpmfEntry("SCAL", 's', 2, 1, QByteArray("\0\x0a", 2))
                                                      + W::GpmfEntry("GYRO", 's', 6, 1, QByteArray(6, '\2'))
                                                      + W::GpmfEntry("SCAL", 's', 2, 1, QByteArray("\0\x14", 2))
                                                      + W::GpmfEntry("MAGN", 's', 6, 1, QByteArray(6, '\3'))));
        const QList<GpmfStream> streams = GpmfGps::Streams(sample);
        QCOMPARE(streams.size(), 2);
        QCOMPARE(streams[0].DeviceId, QByteArray("KARM"));
        QCOMPARE(streams[0].DeviceName, QByteArray("Karma"));
        QCOMPARE(streams[1].DeviceName, QByteArray("Camera"));
        QCOMPARE(streams[1].Data.size(), 3);
        // Before the first scale: the first; after it: the latest.
        QCOMPARE(streams[1].Data[0].Scales, QList<double>{10});
        QCOMPARE(streams[1].Data[1].Scales, QList<double>{10});
        QCOMPARE(streams[1].Data[2].Scales, QList<double>{20});
        const GpmfEntry &accl = streams[0].Data.last();
        QCOMPARE(Mp4Boxes::TypeName(accl.Key), QByteArray("ACCL"));
        QCOMPARE(accl.Repeat, 4);
        QCOMPARE(accl.Payload.size(), 24);
    }

    // Two 'gpmd' tracks (the camera's, then a device's): the one with GPS.
    void gpmfSecondTrack()
    {
        const GpsFixList drive = W::Drive(3);
        const QByteArray first = W::GpmfDevice("1", "Camera", W::GpmfAccelerometerStream());
        const QByteArray second = W::GpmfDevice("KARM", "Karma", W::GpmfGps5Stream(drive));
        const QByteArray head = W::FileType();
        const QList<quint64> offsets{quint64(head.size() + 8), quint64(head.size() + 8 + first.size())};
        const QByteArray file = head + W::Box("mdat", first + second)
            + W::Movie(W::Track("gpmd", 1000, {{first, 1000}}, {offsets[0]})
                       + W::Track("gpmd", 1000, {{second, 1000}}, {offsets[1]}));
        const EmbeddedGps::Result result = ReadBytes(file);
        QCOMPARE(result.Source, Layout::GoPro);
        QCOMPARE(EmbeddedGps::ValidFixCount(result.Fixes), 3);
    }

    // The first layout holding a fix wins; one holding records without a
    // fix does not.
    void layoutOrder_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Layout>("source");
        const GpsFixList drive = W::Drive(3);
        GpsFixList noFix = drive;
        for (GpsFix &fix : noFix)
            fix.Valid = false;
        QTest::newRow("nothing") << W::FileType() + W::Movie() << Layout::None;
        QTest::newRow("70mai before Novatek") << W::Novatek(drive) + W::SeventyMaiBox(drive) << Layout::SeventyMai;
        QTest::newRow("70mai without a fix") << W::Novatek(drive) + W::SeventyMaiBox(noFix) << Layout::Novatek;
        QTest::newRow("Novatek without a fix") << W::Novatek(noFix) + W::SeventyMaiBox(noFix) << Layout::None;
        QTest::newRow("BlackVue before GoPro")
            << W::GoPro(drive) + W::Box("free", W::Box("gps ", W::NmeaLines(drive))) << Layout::BlackVue;
        QTest::newRow("GoPro") << W::GoPro(drive) << Layout::GoPro;
        QTest::newRow("GoPro before Nextbase")
            << W::WithTrackAfter(W::Nextbase(drive), {{W::GpmfSample(drive), 1000}},
                                 [](const QList<quint64> &Offsets) {
                                     return W::Track("gpmd", 1000, {{W::GpmfSample(W::Drive(3)), 1000}}, Offsets);
                                 })
            << Layout::GoPro;
        QTest::newRow("Nextbase") << W::Nextbase(drive) << Layout::Nextbase;
        QTest::newRow("NMEA subtitles") << W::NmeaSubtitles(drive) << Layout::Subtitle;
        QTest::newRow("date and time lines") << W::LineSubtitles(drive, "text") << Layout::Subtitle;
        const QList<W::Sample> chapters{{W::Cue("Chapter 1"), 3000}};
        QTest::newRow("subtitles without GPS, then Tesla")
            << W::WithTrackAfter(TeslaSeiWriter::Drive(TeslaBase(), 10), chapters,
                                 [&](const QList<quint64> &Offsets) { return W::SubtitleTrack("text", chapters, Offsets); })
            << Layout::Tesla;
        QTest::newRow("Tesla") << TeslaSeiWriter::Drive(TeslaBase(), 10) << Layout::Tesla;
        QTest::newRow("Novatek without index") << W::NovatekUnindexed(drive) << Layout::NovatekUnindexed;
        // An index whose blocks hold no fix: the media data is searched.
        QTest::newRow("index without a fix, blocks in the media data")
            << W::WithNovatekGps(W::NovatekUnindexed(drive), noFix) << Layout::NovatekUnindexed;
        QTest::newRow("Novatek index before blocks in the media data")
            << W::WithNovatekGps(W::NovatekUnindexed(W::Drive(2, 10.0, 10.0)), drive) << Layout::Novatek;
    }

    void layoutOrder()
    {
        QFETCH(QByteArray, file);
        QFETCH(Layout, source);
        const EmbeddedGps::Result result = ReadBytes(file, CountRmcLines);
        QCOMPARE(result.Source, source);
        QCOMPARE(result.Fixes.isEmpty(), source == Layout::None);
    }

    // Every truncation of small files of each layout reads without a crash
    // or a hang, and never finds more than the whole file holds.
    void truncations_data()
    {
        QTest::addColumn<QByteArray>("file");
        const GpsFixList drive = W::Drive(6);
        QTest::newRow("Novatek") << W::Novatek(drive);
        QTest::newRow("70mai") << W::SeventyMai(drive, 8);
        QTest::newRow("BlackVue") << W::BlackVue(drive);
        QTest::newRow("GoPro") << W::GoPro(drive, 4);
        QTest::newRow("GoPro, two devices")
            << W::GoProSamples({W::GpmfDevice("1", "Camera", W::GpmfGps5Stream(drive.mid(0, 2), 0))
                                + W::GpmfDevice("KARM", "Karma", W::GpmfGps9Stream(drive))});
        QTest::newRow("70mai, three boxes") << W::SeventyMaiBoxes({drive.mid(0, 3), drive.mid(3)});
        QTest::newRow("Nextbase") << W::Nextbase(drive.mid(0, 3));
        QTest::newRow("NMEA subtitles") << W::NmeaSubtitles(drive.mid(0, 3), "text");
        QTest::newRow("date and time lines") << W::LineSubtitles(drive.mid(0, 3));
        QFile real(RealFile("mp4-gps-box/NO20191130-120156-000121.MP4"));
        QVERIFY(real.open(QIODevice::ReadOnly));
        QTest::newRow("real 70mai") << real.readAll();
    }

    void truncations()
    {
        QFETCH(QByteArray, file);
        const qsizetype whole = ReadBytes(file, CountRmcLines).Fixes.size();
        QVERIFY(whole > 0);
        for (qsizetype size = 0; size < file.size(); ++size) {
            const EmbeddedGps::Result result = ReadBytes(file.left(size), CountRmcLines);
            QVERIFY(result.Fixes.size() <= whole);
            for (const GpsFix &fix : result.Fixes)
                QVERIFY(!fix.Valid || (std::fabs(fix.Latitude) <= 90.0 && std::fabs(fix.Longitude) <= 180.0));
        }
    }

    // GPS added to a real video made by ffmpeg: the video's tracks stay
    // where they were, and each layout reads back.
    void playableVideos_data()
    {
        QTest::addColumn<Layout>("source");
        QTest::newRow("Novatek") << Layout::Novatek;
        QTest::newRow("70mai") << Layout::SeventyMai;
        QTest::newRow("BlackVue") << Layout::BlackVue;
    }

    void playableVideos()
    {
        QFETCH(Layout, source);
        QFile clip(QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV"));
        QVERIFY(clip.open(QIODevice::ReadOnly));
        const QByteArray video = clip.readAll();
        const GpsFixList drive = W::Drive(3);
        const QByteArray file = source == Layout::Novatek  ? W::WithNovatekGps(video, drive)
            : source == Layout::SeventyMai                 ? W::WithSeventyMaiGps(video, drive)
                                                           : W::WithBlackVueGps(video, drive);
        QVERIFY(!file.isEmpty());
        const EmbeddedGps::Result result = ReadBytes(file, CountRmcLines);
        QCOMPARE(result.Source, source);
        QCOMPARE(EmbeddedGps::ValidFixCount(result.Fixes), 3);
        QBuffer buffer;
        buffer.setData(file);
        buffer.open(QIODevice::ReadOnly);
        const Mp4Boxes boxes(buffer);
        QCOMPARE(boxes.FindAll(boxes.Root(), "moov/trak").size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestEmbeddedGps)
#include "tst_embeddedgps.moc"

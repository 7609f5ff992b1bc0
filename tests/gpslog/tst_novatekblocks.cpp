// The layouts of "freeGPS " blocks of Novatek-based recorders, the blocks
// their 'gps ' index lists, and those found in the media data of files
// without an index.

#include "gpslog/mp4/embeddedgps.h"
#include "gpslog/mp4/freegpsblock.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/novatekgps.h"
#include "gpslog/nmeareader.h"
#include "mp4gpswriter.h"

#include <QBuffer>
#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <ctime>

using W = Mp4GpsWriter;
using Layout = FreeGpsRecord::Layout;
using Kind = NovatekOptions::Layout;

Q_DECLARE_METATYPE(GpsFixList)
Q_DECLARE_METATYPE(FreeGpsRecord::Layout)
Q_DECLARE_METATYPE(NovatekOptions::Layout)

namespace {

GpsFixList Nmea(const QByteArray &Text)
{
    return NmeaReader::Read(QByteArrayView(Text)).Fixes;
}

bool Near(double A, double B, double Within)
{
    return std::fabs(A - B) <= Within;
}

NovatekOptions Options(Kind Layout)
{
    NovatekOptions options;
    options.Kind = Layout;
    return options;
}

GpsFixList ReadIndexed(const QByteArray &File)
{
    QBuffer buffer;
    buffer.setData(File);
    buffer.open(QIODevice::ReadOnly);
    return NovatekGps::Read(Mp4Boxes(buffer), Nmea);
}

GpsFixList Scanned(const QByteArray &File)
{
    QBuffer buffer;
    buffer.setData(File);
    buffer.open(QIODevice::ReadOnly);
    return NovatekGps::Scan(Mp4Boxes(buffer), Nmea);
}

QByteArray Validity(const GpsFixList &Fixes)
{
    QByteArray text;
    for (const GpsFix &fix : Fixes)
        text += fix.Valid ? '+' : '-';
    return text;
}

// Tenths of a degree off the drive, as a fix of another drive.
GpsFix Elsewhere(GpsFix Fix)
{
    Fix.Latitude += 0.1;
    Fix.Longitude -= 0.1;
    return Fix;
}

} // namespace

class TestNovatekBlocks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Local times are read in a zone of their own, two hours ahead of UTC.
        qputenv("TZ", "XYZ-2");
        tzset();
    }

    // Each layout read back: position, speed, course, time where the layout
    // has them.
    void layouts_data()
    {
        QTest::addColumn<Kind>("writtenAs");
        QTest::addColumn<Layout>("readAs");
        // The precision the layout stores coordinates with.
        QTest::addColumn<double>("within");
        QTest::addColumn<bool>("hasTime");
        QTest::addColumn<bool>("hasCourse");
        QTest::addColumn<bool>("hasAcceleration");
        QTest::newRow("float report") << Kind::FloatReport << Layout::FloatReport << 2e-5 << true << true << false;
        QTest::newRow("status as a word") << Kind::FloatStatusWord << Layout::FloatStatusWord << 2e-5 << true << true
                                          << true;
        QTest::newRow("year first") << Kind::FloatYearFirst << Layout::FloatYearFirst << 2e-5 << true << true << true;
        QTest::newRow("double coordinates") << Kind::DoubleReport << Layout::DoubleReport << 1e-6 << true << true
                                            << true;
        QTest::newRow("double coordinates, early status")
            << Kind::DoubleReportEarlyStatus << Layout::DoubleReportEarlyStatus << 1e-6 << true << true << true;
        QTest::newRow("integer coordinates") << Kind::IntegerReport << Layout::IntegerReport << 1e-7 << true << false
                                             << false;
        QTest::newRow("XOR-enciphered text") << Kind::XorText << Layout::XorText << 1e-6 << true << false << true;
        QTest::newRow("NMEA text with broken checksums") << Kind::NmeaText << Layout::NmeaText << 1e-6 << true << true
                                                         << true;
        QTest::newRow("shifted NMEA") << Kind::ShiftedNmea << Layout::ShiftedNmea << 1e-6 << true << true << false;
        QTest::newRow("float records") << Kind::FloatRecords << Layout::FloatRecords << 2e-5 << false << true << true;
        QTest::newRow("integer records") << Kind::IntegerRecords << Layout::IntegerRecords << 1e-7 << true << true
                                         << false;
    }

    void layouts()
    {
        QFETCH(Kind, writtenAs);
        QFETCH(Layout, readAs);
        QFETCH(double, within);
        QFETCH(bool, hasTime);
        QFETCH(bool, hasCourse);
        QFETCH(bool, hasAcceleration);
        for (const GpsFix &fix : W::Drive(3, -33.8688, -151.2093) + W::Drive(3)) {
            const FreeGpsRecord record = FreeGpsBlock::Parse(W::NovatekBlock(fix, Options(writtenAs)),
                                                             FreeGpsBlock::Found::Indexed, Nmea);
            QCOMPARE(record.Kind, readAs);
            QCOMPARE(record.Fixes.size(), 1);
            const GpsFix &got = record.Fixes.first();
            QVERIFY(got.Valid);
            QVERIFY2(Near(got.Latitude, fix.Latitude, within), qPrintable(QString::number(got.Latitude, 'f', 8)));
            QVERIFY2(Near(got.Longitude, fix.Longitude, within), qPrintable(QString::number(got.Longitude, 'f', 8)));
            // Whole km/h in the enciphered text.
            QVERIFY(Near(got.SpeedKmh, fix.SpeedKmh, writtenAs == Kind::XorText ? 0.5 : 0.02));
            QCOMPARE(got.Utc.isValid(), hasTime);
            if (hasTime)
                QCOMPARE(got.Utc, fix.Utc);
            QCOMPARE(!std::isnan(got.Course), hasCourse);
            if (hasCourse)
                QVERIFY(Near(got.Course, fix.Course, 0.01));
            QCOMPARE(record.HasAcceleration, hasAcceleration);
        }
    }

    // The float report's time: the year less 2000 with UTC, the full year
    // with the recorder's local time (here two hours ahead).
    void localTime_data()
    {
        QTest::addColumn<bool>("fullYear");
        QTest::addColumn<int>("leadingBytes");
        QTest::addColumn<int>("hoursBehind");
        QTest::newRow("year less 2000: UTC") << false << 4 << 0;
        QTest::newRow("full year: local time") << true << 4 << 2;
        QTest::newRow("full year, late report: UTC") << true << 36 << 0;
    }

    void localTime()
    {
        QFETCH(bool, fullYear);
        QFETCH(int, leadingBytes);
        QFETCH(int, hoursBehind);
        NovatekOptions options;
        options.FullYear = fullYear;
        options.LeadingBytes = leadingBytes;
        const GpsFix fix = W::Drive(1).first();
        const GpsFix got = NovatekGps::Decode(W::NovatekBlock(fix, options));
        QVERIFY(got.Valid);
        QCOMPARE(got.Utc, fix.Utc.addSecs(-3600 * hoursBehind));
        QCOMPARE(got.Utc.offsetFromUtc(), 0);
    }

    // Blocks as other tools' documentation shows them, from recorders of
    // several makes, with the values read from them there.
    void documentedBlocks_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<bool>("scanned");
        QTest::addColumn<Layout>("readAs");
        QTest::addColumn<QDateTime>("utc");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("speedKmh");
        auto at = [](int Y, int M, int D, int h, int m, int s) {
            return QDateTime(QDate(Y, M, D), QTime(h, m, s), QTimeZone::utc());
        };
        QTest::newRow("time after the marker (Viofo A119 V3)")
            << QByteArray::fromHex("000040006672656547505320f0030000050000002f0000000300000013000000090000001b000000414e5700"
                                   "25d19945f14740466666d24185eb834100000000")
            << false << Layout::FloatReport << at(2019, 9, 27, 5, 47, 3) << 49.369051 << -123.099756 << 48.707599;
        QTest::newRow("time 36 bytes later (Viofo A119S)")
            << QByteArray::fromHex("0000800066726565475053204c00000000000000000000000000000000000000000000000000000000000000"
                                   "00000000100000002d00000014000000110000000c0000001f000000414e45005d9aa945ab1ee544ec51f040"
                                   "b85ea54300000000")
            << false << Layout::FloatReport << at(2017, 12, 31, 16, 45, 20) << 54.454924 << 18.549306 << 13.908520;
        QTest::newRow("status as a word (Akaso)")
            << QByteArray::fromHex("00008000667265654750532060000000782e787800000000000000000000000030303030300000000000"
                                   "000000000000120000002f000000190000004100000013b3ca444e0000002992fb4545000000d9eeb441"
                                   "ecd1d342e4070000010000000c000000010000000500000000000000")
            << false << Layout::FloatStatusWord << at(2020, 1, 12, 18, 47, 25) << 16.359934 << 80.837834 << 22.616625;
        QTest::newRow("status as a word, found in the media data")
            << QByteArray::fromHex("000080006672656547505320680000003230313330333235410000000000000041707220203620323031"
                                   "362c2031363a0e0000003800000022000000410000008a632445530000009fe64245450000005"
                                   "9c0043f52b84241140000000b000000190000000600000005000000f6ffffff030000000400000000"
                                   "00000000000000")
            << true << Layout::FloatStatusWord << at(2020, 11, 25, 14, 56, 34) << -26.503687 << 31.306897 << 0.518560;
        QTest::newRow("year first (Vantrue S1)")
            << QByteArray::fromHex("00008000667265654750532078000000000000000000000000000000000000000000000000000000000000"
                                   "0000000000686f72736f6e74656368000000000000414e45001500000007000000020000000300000035"
                                   "000000050000004f744c44e277a04589c1984271bdac4202ab0d43050000007f000000070100000000"
                                   "0000")
            << false << Layout::FloatYearFirst << at(2021, 7, 2, 3, 53, 5) << 51.583089 << 8.296955 << 141.452053;
        QTest::newRow("doubles, early status (Vantrue N4)")
            << QByteArray::fromHex("000040006672656547505320f00300000d000000160000001e000000410000002cb7b41a5a71b2404e00"
                                   "000000000000fbae08fe77f689404500000000000000be9f1a2fdd8436405c8fc2f528fc684016000000"
                                   "0c0000000e000000f2fbffff42000000020000002024474e524d432c3133323233302e3030302c412c"
                                   "343732312e33353139372c4e2c30303833302e38303835392c452c32322e3531392c3139392e38382c"
                                   "3134313232322c2c2c412a37350d0a0000000000000000000000")
            << true << Layout::DoubleReportEarlyStatus << at(2022, 12, 14, 13, 22, 30) << 47.355866 << 8.513477
            << 41.705188;
        // The deciphered text as shown there, enciphered again.
        QByteArray text = QByteArray::fromHex("0000584b5a44fefe32303138303932343232343932380c35353637475020202000000000"
                                              "00034e3430343634333530573030373034303330383030303030303037");
        text += QByteArray(0x101 - text.size(), '\0');
        for (char &c : text)
            c = char(quint8(c) ^ 0xaa);
        QTest::newRow("XOR text (Azdome)") << QByteArray::fromHex("00008000667265654750532005010000") + "\x01\x03" + text
                                           << false << Layout::XorText << at(2018, 9, 24, 22, 49, 28) << 40.773917
                                           << -7.067180 << 7.0;
    }

    void documentedBlocks()
    {
        QFETCH(QByteArray, block);
        QFETCH(bool, scanned);
        QFETCH(Layout, readAs);
        QFETCH(QDateTime, utc);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, speedKmh);
        const FreeGpsRecord record = FreeGpsBlock::Parse(
            block, scanned ? FreeGpsBlock::Found::Scanned : FreeGpsBlock::Found::Indexed, Nmea);
        QCOMPARE(record.Kind, readAs);
        QCOMPARE(record.Fixes.size(), 1);
        const GpsFix &fix = record.Fixes.first();
        QVERIFY(fix.Valid);
        QCOMPARE(fix.Utc, utc);
        QVERIFY2(Near(fix.Latitude, latitude, 1e-6), qPrintable(QString::number(fix.Latitude, 'f', 7)));
        QVERIFY2(Near(fix.Longitude, longitude, 1e-6), qPrintable(QString::number(fix.Longitude, 'f', 7)));
        QVERIFY2(Near(fix.SpeedKmh, speedKmh, 1e-5), qPrintable(QString::number(fix.SpeedKmh, 'f', 7)));
    }

    // Blocks that cannot be read give one fix without a position (the
    // second still counts), never a wrong one.
    void badBlocks_data()
    {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<Layout>("readAs");
        // Whether the NMEA reader is given.
        QTest::addColumn<bool>("nmea");
        const GpsFix fix = W::Drive(1).first();
        QTest::newRow("all zeros") << W::NovatekBlock(fix, Options(Kind::Zeros)) << Layout::Unknown << true;
        QTest::newRow("marker only") << QByteArray("\0\0\0\x0c" "freeGPS ", 12) << Layout::Unknown << true;
        QTest::newRow("no marker") << QByteArray(256, 'x') << Layout::Unknown << true;
        QTest::newRow("empty") << QByteArray() << Layout::Unknown << true;
        QByteArray wrongKey = W::NovatekBlock(fix, Options(Kind::XorText));
        for (qsizetype i = 26; i < wrongKey.size(); ++i)
            wrongKey[i] = char(quint8(wrongKey[i]) ^ 0x0f);
        QTest::newRow("XOR key that does not decode") << wrongKey << Layout::XorText << true;
        QByteArray cutXor = W::NovatekBlock(fix, Options(Kind::XorText)).left(60);
        QTest::newRow("XOR text cut") << cutXor << Layout::XorText << true;
        // Read here without an NMEA reader.
        QTest::newRow("NMEA text without a reader") << W::NovatekBlock(fix, Options(Kind::NmeaText))
                                                    << Layout::NmeaText << false;
        QByteArray noFix = W::NovatekBlock(fix, Options(Kind::FloatReport));
        noFix[40] = 'V';
        QTest::newRow("status V") << noFix << Layout::FloatReport << true;
        QByteArray badMonth = W::NovatekBlock(fix, Options(Kind::DoubleReport));
        badMonth[116] = 13;
        QTest::newRow("double report with month 13") << badMonth << Layout::Unknown << true;
        QByteArray nanLatitude = W::NovatekBlock(fix, Options(Kind::DoubleReport));
        nanLatitude.replace(64, 8, QByteArray("\0\0\0\0\0\0\xf8\x7f", 8));
        QTest::newRow("double latitude not a number") << nanLatitude << Layout::DoubleReport << true;
        QByteArray tooFast = W::NovatekBlock(fix, Options(Kind::FloatYearFirst));
        tooFast.replace(100, 4, W::LittleEndianFloat(1e6f));
        QTest::newRow("speed no car drives") << tooFast << Layout::FloatYearFirst << true;
        GpsFix fast = fix;
        fast.SpeedKmh = 1e6;
        QTest::newRow("NMEA text, speed no car drives") << W::NovatekBlock(fast, Options(Kind::NmeaText))
                                                       << Layout::NmeaText << true;
        QByteArray badRecord = W::NovatekBlock(fix, Options(Kind::IntegerRecords));
        badRecord[0x32 + 6] = 0;
        QTest::newRow("integer record of month 0") << badRecord << Layout::Unknown << true;
    }

    void badBlocks()
    {
        QFETCH(QByteArray, block);
        QFETCH(Layout, readAs);
        QFETCH(bool, nmea);
        const FreeGpsRecord record
            = FreeGpsBlock::Parse(block, FreeGpsBlock::Found::Scanned, nmea ? Nmea : FreeGpsBlock::NmeaToFixes());
        QCOMPARE(record.Kind, readAs);
        QCOMPARE(record.Fixes.size(), 1);
        QVERIFY(!record.Fixes.first().Valid);
    }

    // Layouts with several reports a block share its second between them.
    void severalReports_data()
    {
        QTest::addColumn<Kind>("writtenAs");
        QTest::newRow("float records") << Kind::FloatRecords;
        QTest::newRow("integer records") << Kind::IntegerRecords;
    }

    void severalReports()
    {
        QFETCH(Kind, writtenAs);
        const GpsFixList drive = W::Drive(4);
        const FreeGpsRecord record
            = FreeGpsBlock::Parse(W::NovatekRecordsBlock(drive, Options(writtenAs)), FreeGpsBlock::Found::Scanned);
        QCOMPARE(record.Fixes.size(), 4);
        for (qsizetype i = 0; i < 4; ++i) {
            QCOMPARE(record.Fixes[i].OffsetMs, i * 250);
            QVERIFY(Near(record.Fixes[i].Latitude, drive[i].Latitude, 2e-5));
        }
    }

    // The course of one layout is stored half a turn off in indexed blocks,
    // as it is when found in the media data.
    void courseOfIndexedBlocks()
    {
        GpsFix fix = W::Drive(1).first();
        fix.Course = 100.0;
        const QByteArray block = W::NovatekBlock(fix, Options(Kind::FloatStatusWord));
        QVERIFY(Near(FreeGpsBlock::Parse(block, FreeGpsBlock::Found::Indexed).Fixes.first().Course, 100.0, 1e-3));
        QVERIFY(Near(FreeGpsBlock::Parse(block, FreeGpsBlock::Found::Scanned).Fixes.first().Course, 280.0, 1e-3));
    }

    // Layouts read through the index: block n is second n.
    void indexed_data()
    {
        QTest::addColumn<Kind>("writtenAs");
        QTest::newRow("double coordinates") << Kind::DoubleReport;
        QTest::newRow("XOR text") << Kind::XorText;
        QTest::newRow("integer records") << Kind::IntegerRecords;
        QTest::newRow("zeros") << Kind::Zeros;
    }

    void indexed()
    {
        QFETCH(Kind, writtenAs);
        const GpsFixList drive = W::Drive(5);
        const GpsFixList fixes = ReadIndexed(W::Novatek(drive, Options(writtenAs)));
        QCOMPARE(fixes.size(), 5);
        for (qsizetype i = 0; i < fixes.size(); ++i) {
            QCOMPARE(fixes[i].OffsetMs, i * 1000);
            QCOMPARE(fixes[i].Valid, writtenAs != Kind::Zeros);
        }
    }

    // Files without an index: the first block within the media data's first
    // megabytes, then one on every 32 KB boundary that holds one.
    void unindexed_data()
    {
        QTest::addColumn<QByteArray>("file");
        // The seconds of the drive read, '-' for a second without a fix.
        QTest::addColumn<QByteArray>("seconds");
        const GpsFixList drive = W::Drive(4);
        QTest::newRow("first block after 32 KB") << W::NovatekUnindexed(drive) << QByteArray("0123");
        QTest::newRow("first block at once") << W::NovatekUnindexed(drive, {}, 0) << QByteArray("0123");
        QTest::newRow("first block after 3 MB, on a boundary") << W::NovatekUnindexed(drive, {}, 3 << 20)
                                                              << QByteArray("0123");
        QTest::newRow("first block beyond 20 MB") << W::NovatekUnindexed(drive, {}, 21 << 20) << QByteArray();
        // Blocks at 0x10000, 0x20000, ...: the second and third become zeros,
        // as the recorder writes them without a fix; the seconds still count.
        QByteArray zeros = W::NovatekUnindexed(drive);
        for (int block : {1, 2})
            zeros.replace(0x10000 + block * 0x10000 + 12, 0x8000 - 12, QByteArray(0x8000 - 12, '\0'));
        QTest::newRow("blocks of zeros between") << zeros << QByteArray("0--3");
        QTest::newRow("double coordinates") << W::NovatekUnindexed(drive, Options(Kind::DoubleReport))
                                            << QByteArray("0123");
        QTest::newRow("XOR text") << W::NovatekUnindexed(drive, Options(Kind::XorText)) << QByteArray("0123");
        QByteArray cut = W::NovatekUnindexed(drive);
        cut.chop(W::Movie().size() + 0x8000 + 0x8000 - 100);
        QTest::newRow("cut in the last block") << cut << QByteArray("0123");
        QByteArray moved = W::NovatekUnindexed(drive);
        // The third block one byte off its boundary: not found.
        moved.insert(0x30000 - 1, 'x');
        moved.remove(0x30000 + 0x8000, 1);
        QTest::newRow("block off its boundary") << moved << QByteArray("013");
        QTest::newRow("no media data") << W::FileType() + W::Movie() << QByteArray();
        QTest::newRow("media data without blocks")
            << W::FileType() + W::Box("mdat", QByteArray(70000, 'f')) + W::Movie() << QByteArray();
        QTest::newRow("media data too short for a block") << W::FileType() + W::Box("mdat", "freeGPS ") << QByteArray();
    }

    void unindexed()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, seconds);
        const GpsFixList fixes = Scanned(file);
        QCOMPARE(fixes.size(), seconds.size());
        const GpsFixList drive = W::Drive(4);
        for (qsizetype i = 0; i < fixes.size(); ++i) {
            QCOMPARE(fixes[i].OffsetMs, i * 1000);
            QCOMPARE(fixes[i].Valid, seconds[i] != '-');
            if (fixes[i].Valid)
                QVERIFY(Near(fixes[i].Latitude, drive[seconds[i] - '0'].Latitude, 2e-5));
        }
    }

    // An index whose blocks point past the file, at other bytes or at
    // absurd sizes: each still stands for its second.
    void indexPointingAstray()
    {
        const GpsFixList drive = W::Drive(2);
        const QByteArray head = W::FileType();
        const QByteArray block = W::NovatekBlock(drive[0], Options(Kind::DoubleReport));
        const QByteArray file = head + block
            + W::Movie(W::Box("gps ", W::NovatekIndex({{quint32(head.size()), 0xffffffffu},
                                                       {0xfffffff0u, 256},
                                                       {quint32(head.size() + 1), 256}})));
        QCOMPARE(Validity(ReadIndexed(file)), QByteArray("+--"));
    }

    // Through EmbeddedGps: the position of a block elsewhere on the file's
    // index wins over blocks in the media data.
    void indexBeforeMediaData()
    {
        const GpsFixList drive = W::Drive(3);
        GpsFixList elsewhere;
        for (const GpsFix &fix : drive)
            elsewhere.append(Elsewhere(fix));
        QBuffer buffer;
        buffer.setData(W::WithNovatekGps(W::NovatekUnindexed(elsewhere), drive));
        buffer.open(QIODevice::ReadOnly);
        const EmbeddedGps::Result result = EmbeddedGps::Read(buffer, Nmea);
        QCOMPARE(result.Source, EmbeddedGps::Layout::Novatek);
        QVERIFY(Near(result.Fixes.first().Latitude, drive.first().Latitude, 2e-5));
    }
};

QTEST_GUILESS_MAIN(TestNovatekBlocks)
#include "tst_novatekblocks.moc"

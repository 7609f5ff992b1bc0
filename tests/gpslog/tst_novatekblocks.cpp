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
            = FreeGpsBlock::Parse(block, FreeGpsBlock::Found::Scanned, nmea ? Nmea : FreeGpsBlock::NmeaReader());
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

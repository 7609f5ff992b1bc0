// GPS in the subtitle track of a video: NMEA sentences or a line of date,
// time, position and speed per cue, and Nextbase's binary records.

#include "gpslog/mp4/embeddedgps.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/nextbasegps.h"
#include "gpslog/mp4/subtitlegps.h"
#include "gpslog/nmeareader.h"
#include "mp4gpswriter.h"

#include <QBuffer>
#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <ctime>

using W = Mp4GpsWriter;

Q_DECLARE_METATYPE(EmbeddedGps::Layout)

namespace {

GpsFixList Nmea(const QByteArray &Text)
{
    return NmeaReader::Read(QByteArrayView(Text)).Fixes;
}

bool Near(double A, double B, double Within)
{
    return std::fabs(A - B) <= Within;
}

EmbeddedGps::Result ReadBytes(const QByteArray &File)
{
    QBuffer buffer;
    buffer.setData(File);
    buffer.open(QIODevice::ReadOnly);
    return EmbeddedGps::Read(buffer, Nmea);
}

const QDateTime Moment(QDate(2019, 11, 30), QTime(12, 1, 56), QTimeZone::utc());

} // namespace

class TestSubtitleGps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Lines without a zone are the recorder's local time: here two hours
        // ahead of UTC.
        qputenv("TZ", "XYZ-2");
        tzset();
    }

    void lines_data()
    {
        QTest::addColumn<QByteArray>("line");
        // Empty: no line; otherwise "valid" or "no fix".
        QTest::addColumn<QByteArray>("result");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("speedKmh");
        QTest::addColumn<QDateTime>("utc");
        const QDateTime local = Moment.addSecs(-2 * 3600);
        QTest::newRow("local time") << QByteArray("2019-11-30 12:01:56 52.190583 20.789483 60.0") << QByteArray("valid")
                                    << 52.190583 << 20.789483 << 60.0 << local;
        QTest::newRow("UTC word") << QByteArray("2019-11-30 12:01:56 UTC 52.190583 20.789483 60") << QByteArray("valid")
                                  << 52.190583 << 20.789483 << 60.0 << Moment;
        QTest::newRow("Z and slashes") << QByteArray("2019/11/30 12:01:56Z 52.190583 -20.789483 60")
                                       << QByteArray("valid") << 52.190583 << -20.789483 << 60.0 << Moment;
        QTest::newRow("offset, dots") << QByteArray("2019.11.30 14:01:56.500 +02:00 -52.5 20.5 60")
                                      << QByteArray("valid") << -52.5 << 20.5 << 60.0 << Moment.addMSecs(500);
        QTest::newRow("ISO, commas") << QByteArray("2019-11-30T12:01:56Z,52.19,20.78,60") << QByteArray("valid")
                                     << 52.19 << 20.78 << 60.0 << Moment;
        QTest::newRow("hemisphere letters before") << QByteArray("2019-11-30 12:01:56 UTC S33.8688 W151.2093 36km/h")
                                                   << QByteArray("valid") << -33.8688 << -151.2093 << 36.0 << Moment;
        QTest::newRow("hemisphere letters after") << QByteArray("2019-11-30 12:01:56 UTC 33.8688S 151.2093E 36 km/h")
                                                  << QByteArray("valid") << -33.8688 << 151.2093 << 36.0 << Moment;
        QTest::newRow("text before, miles an hour")
            << QByteArray("REC  2019-11-30 12:01:56 UTC N:52.19 E:20.78 10mph") << QByteArray("valid") << 52.19
            << 20.78 << 16.09344 << Moment;
        QTest::newRow("metres a second") << QByteArray("2019-11-30 12:01:56 UTC 52.19 20.78 10 m/s")
                                         << QByteArray("valid") << 52.19 << 20.78 << 36.0 << Moment;
        QTest::newRow("knots") << QByteArray("2019-11-30 12:01:56 UTC 52.19 20.78 10kn") << QByteArray("valid") << 52.19
                               << 20.78 << 18.52 << Moment;
        QTest::newRow("latitude beyond 90") << QByteArray("2019-11-30 12:01:56 UTC 92.19 20.78 10")
                                            << QByteArray("no fix") << 0.0 << 0.0 << 0.0 << Moment;
        QTest::newRow("exactly 0,0") << QByteArray("2019-11-30 12:01:56 UTC 0 0.000 0") << QByteArray("no fix") << 0.0
                                     << 0.0 << 0.0 << Moment;
        QTest::newRow("speed no car drives") << QByteArray("2019-11-30 12:01:56 UTC 52.19 20.78 4000")
                                             << QByteArray("no fix") << 0.0 << 0.0 << 0.0 << Moment;
        QTest::newRow("unknown unit") << QByteArray("2019-11-30 12:01:56 52.19 20.78 10furlongs") << QByteArray()
                                      << 0.0 << 0.0 << 0.0 << QDateTime();
        QTest::newRow("letter and sign") << QByteArray("2019-11-30 12:01:56 N-52.19 E20.78 10") << QByteArray() << 0.0
                                         << 0.0 << 0.0 << QDateTime();
        QTest::newRow("month 13") << QByteArray("2019-13-30 12:01:56 52.19 20.78 10") << QByteArray() << 0.0 << 0.0
                                  << 0.0 << QDateTime();
        QTest::newRow("hour 25") << QByteArray("2019-11-30 25:01:56 52.19 20.78 10") << QByteArray() << 0.0 << 0.0
                                 << 0.0 << QDateTime();
        QTest::newRow("no speed") << QByteArray("2019-11-30 12:01:56 52.19 20.78") << QByteArray() << 0.0 << 0.0 << 0.0
                                  << QDateTime();
        QTest::newRow("not a number") << QByteArray("2019-11-30 12:01:56 nan inf 10") << QByteArray() << 0.0 << 0.0
                                      << 0.0 << QDateTime();
        QTest::newRow("no date") << QByteArray("12:01:56 52.19 20.78 10") << QByteArray() << 0.0 << 0.0 << 0.0
                                 << QDateTime();
        QTest::newRow("chapter title") << QByteArray("Chapter 1") << QByteArray() << 0.0 << 0.0 << 0.0 << QDateTime();
        QTest::newRow("empty") << QByteArray() << QByteArray() << 0.0 << 0.0 << 0.0 << QDateTime();
    }

    void lines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, result);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, speedKmh);
        QFETCH(QDateTime, utc);
        const std::optional<GpsFix> fix = SubtitleGps::DecodeLine(line);
        QCOMPARE(fix.has_value(), !result.isEmpty());
        if (!fix)
            return;
        QCOMPARE(fix->Utc, utc);
        QCOMPARE(fix->Valid, result == "valid");
        if (!fix->Valid)
            return;
        QVERIFY(Near(fix->Latitude, latitude, 1e-9));
        QVERIFY(Near(fix->Longitude, longitude, 1e-9));
        QVERIFY(Near(fix->SpeedKmh, speedKmh, 1e-9));
    }

    // A cue: its 16-bit length, its text; fixes at the cue's time, several
    // shared over its duration.
    void cues_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<qint64>>("offsets");
        const GpsFixList drive = W::Drive(3);
        QTest::newRow("RMC and GGA") << W::Cue(W::PlainNmea(drive.mid(0, 1))) << QList<qint64>{5000};
        QTest::newRow("two epochs") << W::Cue(W::PlainNmea(drive.mid(0, 2))) << QList<qint64>{5000, 5500};
        QTest::newRow("a line") << W::Cue(W::DateTimeLine(drive[0])) << QList<qint64>{5000};
        QTest::newRow("a line after another") << W::Cue("Speed camera ahead\n" + W::DateTimeLine(drive[0]))
                                              << QList<qint64>{5000};
        QByteArray broken = W::PlainNmea(drive.mid(0, 1));
        broken[broken.indexOf('*') + 1] = broken[broken.indexOf('*') + 1] == '0' ? '1' : '0';
        broken[broken.lastIndexOf('*') + 1] = broken[broken.lastIndexOf('*') + 1] == '0' ? '1' : '0';
        QTest::newRow("checksums that do not match") << W::Cue(broken) << QList<qint64>{};
        QTest::newRow("length beyond the cue") << W::Cue(W::DateTimeLine(drive[0])).chopped(3) << QList<qint64>{};
        QTest::newRow("padded with zeros") << W::Cue(W::DateTimeLine(drive[0]) + QByteArray(20, '\0'))
                                           << QList<qint64>{5000};
        QTest::newRow("empty cue") << W::Cue({}) << QList<qint64>{};
        QTest::newRow("one byte") << QByteArray(1, '\x10') << QList<qint64>{};
    }

    void cues()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<qint64>, offsets);
        SubtitleCue cue;
        cue.StartMs = 5000;
        cue.DurationMs = 1000;
        cue.Bytes = bytes;
        const GpsFixList fixes = SubtitleGps::DecodeCue(cue, Nmea);
        QList<qint64> got;
        for (const GpsFix &fix : fixes)
            got.append(fix.OffsetMs);
        QCOMPARE(got, offsets);
        for (const GpsFix &fix : fixes)
            QVERIFY(fix.Valid);
    }

    // Whole files: the track's cues and their times.
    void files_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<EmbeddedGps::Layout>("source");
        QTest::addColumn<int>("valid");
        const GpsFixList drive = W::Drive(5);
        QTest::newRow("NMEA, MP4 subtitles") << W::NmeaSubtitles(drive) << EmbeddedGps::Layout::Subtitle << 5;
        QTest::newRow("NMEA, QuickTime text") << W::NmeaSubtitles(drive, "text") << EmbeddedGps::Layout::Subtitle << 5;
        QTest::newRow("lines") << W::LineSubtitles(drive) << EmbeddedGps::Layout::Subtitle << 5;
        QTest::newRow("Nextbase records") << W::Nextbase(drive) << EmbeddedGps::Layout::Nextbase << 5;
        QTest::newRow("Nextbase records, QuickTime text") << W::Nextbase(drive, "text") << EmbeddedGps::Layout::Nextbase
                                                          << 5;
        const QList<W::Sample> chapters{{W::Cue("Chapter 1"), 5000}};
        QTest::newRow("chapters only") << W::Subtitles("text", chapters) << EmbeddedGps::Layout::None << 0;
        QByteArray twoTracks = W::WithTrackAfter(W::LineSubtitles(drive), chapters, [&](const QList<quint64> &Offsets) {
            return W::SubtitleTrack("text", chapters, Offsets);
        });
        QTest::newRow("GPS track and chapter track") << twoTracks << EmbeddedGps::Layout::Subtitle << 5;
        QByteArray pastTheEnd = W::LineSubtitles(drive);
        // The last cue's chunk offset past the end of the file.
        const qsizetype stco = pastTheEnd.indexOf("stco");
        pastTheEnd.replace(stco + 8 + 4 + 4 * 4, 4, W::BigEndian32(0x7fffff00));
        QTest::newRow("sample table pointing past the end") << pastTheEnd << EmbeddedGps::Layout::Subtitle << 4;
        QByteArray absurdSize = W::LineSubtitles(drive);
        const qsizetype stsz = absurdSize.indexOf("stsz");
        absurdSize.replace(stsz + 8 + 8, 4, W::BigEndian32(0xfffffff0));
        QTest::newRow("absurd sample size") << absurdSize << EmbeddedGps::Layout::Subtitle << 4;
        QByteArray cut = W::LineSubtitles(drive);
        cut.chop(W::Movie(W::SubtitleTrack("tx3g", {}, {})).size() / 2);
        QTest::newRow("cut in its index") << cut << EmbeddedGps::Layout::None << 0;
        QTest::newRow("text track of other text") << W::Subtitles("tx3g", {{W::Cue("Hello"), 1000}, {W::Cue("$GP"), 1000}})
                                                  << EmbeddedGps::Layout::None << 0;
    }

    void files()
    {
        QFETCH(QByteArray, file);
        QFETCH(EmbeddedGps::Layout, source);
        QFETCH(int, valid);
        const EmbeddedGps::Result result = ReadBytes(file);
        QCOMPARE(result.Source, source);
        QCOMPARE(EmbeddedGps::ValidFixCount(result.Fixes), valid);
        const GpsFixList drive = W::Drive(5);
        for (const GpsFix &fix : result.Fixes) {
            const qsizetype second = fix.OffsetMs / 1000;
            QCOMPARE(fix.OffsetMs % 1000, 0);
            QVERIFY(second < drive.size());
            QVERIFY(Near(fix.Latitude, drive[second].Latitude, 1e-6));
            QCOMPARE(fix.Utc, drive[second].Utc);
        }
    }

    // A Nextbase record: camera time, acceleration, and the fix of its
    // sentences, whose checksums the NMEA reader alone would refuse.
    void nextbaseRecord()
    {
        const GpsFix fix = W::Drive(1).first();
        const QByteArray record = W::NextbaseRecord(fix, 640, -1280, 2560);
        QCOMPARE(record.size(), 288);
        QCOMPARE(Nmea(record.mid(32)).size(), 0);
        const std::optional<NextbaseRecord> read = NextbaseGps::Decode(record, Nmea);
        QVERIFY(read.has_value());
        QCOMPARE(read->CameraTime, QDateTime(QDate(2019, 11, 30), QTime(12, 1, 56), Qt::LocalTime));
        QCOMPARE(read->Acceleration[0], 0.5);
        QCOMPARE(read->Acceleration[1], 1.0);
        QCOMPARE(read->Acceleration[2], 2.0);
        QVERIFY(read->Fix.Valid);
        QCOMPARE(read->Fix.Utc, fix.Utc);
        QVERIFY(Near(read->Fix.Latitude, fix.Latitude, 1e-6));
        QVERIFY(Near(read->Fix.Longitude, fix.Longitude, 1e-6));
        QVERIFY(Near(read->Fix.Altitude, fix.Altitude, 0.05));
        QVERIFY(Near(read->Fix.SpeedKmh, fix.SpeedKmh, 0.01));
    }

    void nextbaseBadRecords_data()
    {
        QTest::addColumn<QByteArray>("record");
        // Empty: no record; otherwise whether its fix is Valid.
        QTest::addColumn<QByteArray>("result");
        const QByteArray good = W::NextbaseRecord(W::Drive(1).first());
        QTest::newRow("good") << good << QByteArray("valid");
        QTest::newRow("cut in the RMC") << good.left(60) << QByteArray("no fix");
        QTest::newRow("cut before the sentences") << good.left(32) << QByteArray();
        QByteArray badDate = good;
        badDate[10] = '1';
        badDate[11] = '3';
        QTest::newRow("month 13") << badDate << QByteArray();
        QByteArray letters = good;
        letters[8] = 'x';
        QTest::newRow("date with a letter") << letters << QByteArray();
        QByteArray noSentence = good;
        noSentence[32] = '\0';
        QTest::newRow("no sentence") << noSentence << QByteArray();
        QByteArray noFix = good;
        noFix.replace(",A,", ",V,");
        noFix.replace(",1,08,", ",0,00,");
        QTest::newRow("no fix") << noFix << QByteArray("no fix");
        QByteArray control = good;
        control[40] = '\x01';
        QTest::newRow("control byte in the RMC") << control << QByteArray("valid");
        QTest::newRow("text cue") << W::Cue(W::PlainNmea(W::Drive(1))) << QByteArray();
        GpsFix fast = W::Drive(1).first();
        fast.SpeedKmh = 1e8;
        QTest::newRow("speed no car drives") << W::NextbaseRecord(fast) << QByteArray("no fix");
    }

    void nextbaseBadRecords()
    {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, result);
        const std::optional<NextbaseRecord> read = NextbaseGps::Decode(record, Nmea);
        QCOMPARE(read.has_value(), !result.isEmpty());
        if (read)
            QCOMPARE(read->Fix.Valid, result == "valid");
    }

    // Without an NMEA reader the sentences give nothing, the lines do.
    void withoutNmeaReader()
    {
        const GpsFixList drive = W::Drive(3);
        QBuffer buffer;
        buffer.setData(W::Nextbase(drive));
        buffer.open(QIODevice::ReadOnly);
        QCOMPARE(EmbeddedGps::Read(buffer).Source, EmbeddedGps::Layout::None);
        QBuffer lines;
        lines.setData(W::LineSubtitles(drive));
        lines.open(QIODevice::ReadOnly);
        QCOMPARE(EmbeddedGps::Read(lines).Source, EmbeddedGps::Layout::Subtitle);
    }
};

QTEST_GUILESS_MAIN(TestSubtitleGps)
#include "tst_subtitlegps.moc"

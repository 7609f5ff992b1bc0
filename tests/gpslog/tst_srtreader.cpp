// Telemetry subtitles (.SRT) of DJI drones and cameras read into fixes:
// every dialect, the coordinate order each one implies, cues with and
// without timing lines, byte-order mark, mixed dialects, cut and broken
// input, and the real files checked against their own text.

#include "gpslog/gpsreader.h"
#include "gpslog/gpsseconds.h"
#include "gpslog/gpstrack.h"
#include "gpslog/srtfilereader.h"
#include "gpslog/srtreader.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <typeinfo>

namespace {

QString DataPath(const QString &Name)
{
    return QStringLiteral(VIALUMO_SOURCE_DIR "/tests/data/srt/") + Name;
}

// A cue: its index, its timing line (none when Seconds is negative) and its
// lines of text.
QByteArray Cue(int Index, double Seconds, const QByteArray &Text)
{
    QByteArray cue = QByteArray::number(Index) + '\n';
    if (Seconds >= 0) {
        const auto stamp = [](qint64 Ms) {
            return QTime::fromMSecsSinceStartOfDay(int(Ms)).toString(QStringLiteral("hh:mm:ss,zzz")).toLatin1();
        };
        const qint64 ms = qint64(std::llround(Seconds * 1000));
        cue += stamp(ms) + " --> " + stamp(ms + 1000) + '\n';
    }
    return cue + Text + "\n\n";
}

SrtTelemetry ReadThroughDevice(const QByteArray &Bytes)
{
    QBuffer buffer;
    buffer.setData(Bytes);
    buffer.open(QIODevice::ReadOnly);
    return SrtReader::Read(buffer);
}

// One fix as a line of text, for comparing whole files at a glance.
QString Describe(const GpsFix &Fix)
{
    return QStringLiteral("%1 %2,%3 alt=%4 at=%5 clock=%6")
        .arg(Fix.Valid ? QStringLiteral("fix") : QStringLiteral("nofix"), QString::number(Fix.Latitude, 'f', 6),
             QString::number(Fix.Longitude, 'f', 6), QString::number(Fix.Altitude), QString::number(Fix.OffsetMs),
             Fix.Utc.isValid() ? Fix.Utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                               : QStringLiteral("-"));
}

QStringList Describe(const GpsFixList &Fixes)
{
    QStringList lines;
    for (const GpsFix &fix : Fixes)
        lines.append(Describe(fix));
    return lines;
}

} // namespace

class TestSrtReader : public QObject
{
    Q_OBJECT

private slots:
    void dialects_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("GPS(lon,lat,alt)")
            << Cue(1, 1, "HOME(149.0251,-20.2532) 2017.08.05 14:11:51\nGPS(149.0251,-20.2533,16) BAROMETER:1.9")
            << QStringList{"fix -20.253300,149.025100 alt=16 at=1000 clock=2017-08-05 14:11:51.000"};
        QTest::newRow("GPS (lon, lat, alt)")
            << Cue(1, 0, "F/2.8, SS 30.15, ISO 260, EV -1.7, GPS (-121.7458, 48.0771, 17), D 221.21m, H.S n/a")
            << QStringList{"fix 48.077100,-121.745800 alt=17 at=0 clock=-"};
        QTest::newRow("GPS(lat,lon,altM): latitude first")
            << Cue(1, 2, "2022.06.21 16:06:17\nGPS(36.6146,-6.1120,0.0M) BAROMETER:0.3M")
            << QStringList{"fix 36.614600,-6.112000 alt=0 at=2000 clock=2022-06-21 16:06:17.000"};
        // The values would fit either order: the dialect decides.
        QTest::newRow("GPS(lat,lon,altM) with values of either kind")
            << Cue(1, 0, "GPS(45.5,12.25,3.5M)") << QStringList{"fix 45.500000,12.250000 alt=3.5 at=0 clock=-"};
        QTest::newRow("GPS(lon,lat,alt) with values of either kind")
            << Cue(1, 0, "GPS(45.5,12.25,3.5)") << QStringList{"fix 12.250000,45.500000 alt=3.5 at=0 clock=-"};
        QTest::newRow("GPS(lon,lat) without altitude")
            << Cue(1, 0, "GPS(8.5,47.25)") << QStringList{"fix 47.250000,8.500000 alt=nan at=0 clock=-"};
        QTest::newRow("[latitude: x] [longitude: y]")
            << Cue(1, 0.02,
                   "<font size=\"28\">FrameCnt: 2, DiffTime: 20ms\n2021-12-25 12:27:52.391\n[iso: 220] "
                   "[latitude: 3.41531] [longitude: -3.37440] [rel_alt: -2.400 abs_alt: 0.401] </font>")
            << QStringList{"fix 3.415310,-3.374400 alt=0.401 at=20 clock=2021-12-25 12:27:52.391"};
        QTest::newRow("[latitude : x] [longtitude : y]")
            << Cue(1, 0.04,
                   "2020-08-12 08:55:21,785,077\n[focal_len : 280] [latitude : -34.869950] "
                   "[longtitude : -57.823395] [altitude: 74.725998] </font>")
            << QStringList{"fix -34.869950,-57.823395 alt=74.726 at=40 clock=2020-08-12 08:55:21.785"};
        QTest::newRow("longitude before latitude on the line")
            << Cue(1, 0, "[longitude: 2.5] [latitude: 41.25]") << QStringList{"fix 41.250000,2.500000 alt=nan at=0 clock=-"};
        QTest::newRow("0,0 before the receiver has a fix")
            << Cue(1, 0, "GPS(0.0,0.0,0)") << QStringList{"nofix nan,nan alt=0 at=0 clock=-"};
        QTest::newRow("latitude beyond 90")
            << Cue(1, 0, "GPS(10.0,91.0,0)") << QStringList{"nofix nan,nan alt=0 at=0 clock=-"};
        QTest::newRow("longitude alone: no fix") << Cue(1, 0, "[longitude: 2.5]") << QStringList{};
        QTest::newRow("HOME alone: no fix") << Cue(1, 0, "HOME(149.0251,-20.2532)") << QStringList{};
        QTest::newRow("GPS without its closing parenthesis") << Cue(1, 0, "GPS(149.0251,-20.2533,16") << QStringList{};
        QTest::newRow("not numbers") << Cue(1, 0, "GPS(east,south,16) [latitude: n/a] [longitude: n/a]")
                                     << QStringList{};
        QTest::newRow("no such date") << Cue(1, 0, "2017.02.30 14:11:51\nGPS(149.0251,-20.2533,16)")
                                      << QStringList{"fix -20.253300,149.025100 alt=16 at=0 clock=-"};
        QTest::newRow("empty") << QByteArray() << QStringList{};
    }

    void dialects()
    {
        QFETCH(QByteArray, input);
        QTEST(Describe(SrtReader::Read(input).Fixes), "expected");
        QTEST(Describe(ReadThroughDevice(input).Fixes), "expected");
    }

    // Where each cue lies in the video, with timing lines, without them,
    // and with the blank lines between cues missing.
    void places_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QList<qint64>>("offsets");
        const QByteArray gps = "GPS(149.0251,-20.2533,16)";
        QTest::newRow("timing lines") << Cue(1, 1, gps) + Cue(2, 2.5, gps) + Cue(3, 3601, gps)
                                      << QList<qint64>{1000, 2500, 3601000};
        QTest::newRow("no timing lines: clock differences")
            << Cue(1, -1, "2017.08.05 14:11:51,393,525,393,525\n" + gps)
                   + Cue(2, -1, "2017.08.05 14:11:52,393,525\n" + gps)
                   + Cue(3, -1, "2017.08.05 14:11:54,893,525\n" + gps)
            << QList<qint64>{0, 1000, 3500};
        QTest::newRow("no timing lines, no clock: a second each")
            << Cue(1, -1, gps) + Cue(2, -1, gps) + Cue(3, -1, gps) << QList<qint64>{0, 1000, 2000};
        QTest::newRow("clock going back: a second on")
            << Cue(1, -1, "2017.08.05 14:11:51\n" + gps) + Cue(2, -1, "2017.08.05 14:11:41\n" + gps)
            << QList<qint64>{0, 1000};
        QTest::newRow("no blank lines between cues")
            << QByteArray("1\n00:00:01,000 --> 00:00:02,000\n" + gps + "\n2\n00:00:02,000 --> 00:00:03,000\n" + gps
                          + "\n")
            << QList<qint64>{1000, 2000};
        QTest::newRow("CR LF") << QByteArray(Cue(1, 1, gps) + Cue(2, 2, gps)).replace("\n", "\r\n")
                               << QList<qint64>{1000, 2000};
        QTest::newRow("blank lines with spaces, several between cues")
            << QByteArray(Cue(1, 1, gps) + " \n\t\n\n" + Cue(2, 2, gps)) << QList<qint64>{1000, 2000};
        QTest::newRow("a cue of a timing line after the timed ones")
            << Cue(1, 1, gps) + Cue(2, -1, gps) << QList<qint64>{1000, 2000};
        QTest::newRow("hours beyond 99") << Cue(1, -1, "123:00:00,000 --> 123:00:01,000\n" + gps)
                                         << QList<qint64>{qint64(123) * 3600 * 1000};
    }

    void places()
    {
        QFETCH(QByteArray, input);
        QFETCH(QList<qint64>, offsets);
        QList<qint64> got;
        for (const GpsFix &fix : SrtReader::Read(input).Fixes)
            got.append(fix.OffsetMs);
        QCOMPARE(got, offsets);
    }

    // Two dialects in one file, as a file joined from two flights has: each
    // cue read by its own, the coordinate order included.
    void twoDialectsInOneFile()
    {
        const QByteArray input = Cue(1, 0, "GPS(149.0251,-20.2533,16)") + Cue(2, 1, "GPS(36.6146,-6.1120,0.0M)")
            + Cue(3, 2, "[latitude : -34.869950] [longtitude : -57.823395]")
            + Cue(4, 3, "GPS (-121.7458, 48.0771, 17), H.S 2.5m/s");
        const SrtTelemetry telemetry = SrtReader::Read(input);
        QCOMPARE(telemetry.Cues, 4);
        QCOMPARE(Describe(telemetry.Fixes),
                 (QStringList{"fix -20.253300,149.025100 alt=16 at=0 clock=-", "fix 36.614600,-6.112000 alt=0 at=1000 clock=-",
                              "fix -34.869950,-57.823395 alt=nan at=2000 clock=-",
                              "fix 48.077100,-121.745800 alt=17 at=3000 clock=-"}));
        QCOMPARE(telemetry.Fixes[3].SpeedKmh, 2.5 * 3.6);
    }

    // A speed the cue gives counts; otherwise it is worked out over a
    // second or more, never from cues a frame apart.
    void speeds()
    {
        // 0.001 degrees of latitude a second is 111.2 m/s.
        QByteArray frames;
        for (int k = 0; k <= 100; ++k) {
            const QByteArray latitude = QByteArray::number(10.0 + 0.001 * (k / 50.0), 'f', 7);
            frames += Cue(k + 1, k * 0.02, "[latitude: " + latitude + "] [longitude: 20.0]");
        }
        const SrtTelemetry telemetry = SrtReader::Read(frames);
        QCOMPARE(telemetry.Fixes.size(), 101);
        const double metresPerSecond = 0.001 * 6371008.8 * 3.14159265358979323846 / 180.0;
        for (const GpsFix &fix : telemetry.Fixes)
            QVERIFY2(std::fabs(fix.SpeedKmh - metresPerSecond * 3.6) < 0.5, qPrintable(QString::number(fix.SpeedKmh)));

        const SrtTelemetry given = SrtReader::Read(Cue(1, 0, "GPS (-58.85, -34.23, 15), H.S 2.88m/s")
                                                   + Cue(2, 1, "GPS (-58.85, -34.23, 15), H.S -1.5m/s")
                                                   + Cue(3, 2, "GPS (-58.85, -34.23, 15), H.S n/a"));
        QCOMPARE(given.Fixes[0].SpeedKmh, 2.88 * 3.6);
        QCOMPARE(given.Fixes[1].SpeedKmh, 1.5 * 3.6);
        QCOMPARE(given.Fixes[2].SpeedKmh, 0.0);
        // One cue alone: nothing to work a speed out from.
        QCOMPARE(SrtReader::Read(Cue(1, 0, "GPS(8.5,47.25)")).Fixes.first().SpeedKmh, 0.0);
    }

    void brokenInput_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("fixes");
        const QByteArray cue = Cue(1, 0, "[latitude: 41.424724] [longitude: 2.234156] [altitude: 117.0]");
        QTest::newRow("byte-order mark") << "\xef\xbb\xbf" + cue << 1;
        QTest::newRow("byte-order mark before a timing line")
            << QByteArray("\xef\xbb\xbf" "00:00:01,000 --> 00:00:02,000\nGPS(8.5,47.25)\n") << 1;
        QTest::newRow("cut in its last cue") << cue + cue.first(cue.size() - 30) << 1;
        QTest::newRow("no line break at the end") << cue.trimmed() << 1;
        QTest::newRow("a line of 100 KiB, then a cue") << QByteArray(100 * 1024, 'x') + '\n' + cue << 1;
        QTest::newRow("a position behind 5 KiB on its line")
            << QByteArray(5000, ' ') + "GPS(8.5,47.25)\n" << 0;
        QTest::newRow("1 MiB without a line break") << QByteArray(1024 * 1024, '[') << 0;
        QTest::newRow("NUL bytes") << QByteArray(cue).replace("41.4", QByteArray("4\0.4", 4)) << 0;
        QTest::newRow("twelve digits: a number, no place") << Cue(1, 0, "GPS(123456789012.5,47.25)") << 1;
        QTest::newRow("thirteen digits: no number") << Cue(1, 0, "GPS(1234567890123.5,47.25)") << 0;
        QTest::newRow("3 bytes") << QByteArray("GPS") << 0;
    }

    void brokenInput()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, fixes);
        const SrtTelemetry telemetry = SrtReader::Read(input);
        QCOMPARE(telemetry.Fixes.size(), fixes);
        QCOMPARE(Describe(ReadThroughDevice(input).Fixes), Describe(telemetry.Fixes));
        for (const GpsFix &fix : telemetry.Fixes)
            QVERIFY(std::isfinite(fix.SpeedKmh));
    }

    // Random bytes between cues: every cue is still found.
    void garbage()
    {
        QRandomGenerator random(7);
        QByteArray input;
        for (int block = 0; block < 100; ++block) {
            QByteArray noise(int(random.bounded(1, 3000)), Qt::Uninitialized);
            for (char &c : noise)
                c = char(random.bounded(256));
            input += noise.replace('\n', ' ') + "\n\n" + Cue(block + 1, block, "GPS(8.5,47.25,1)");
        }
        const SrtTelemetry telemetry = SrtReader::Read(input);
        QCOMPARE(telemetry.Fixes.size(), 100);
        QCOMPARE(Describe(ReadThroughDevice(input).Fixes), Describe(telemetry.Fixes));
    }

    // The published files checked against their own text: cues, fixes,
    // the first and last position, the first and last place in the video.
    void realFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("cues");
        QTest::addColumn<int>("fixes");
        QTest::addColumn<double>("firstLatitude");
        QTest::addColumn<double>("firstLongitude");
        QTest::addColumn<double>("lastLatitude");
        QTest::addColumn<double>("lastLongitude");
        QTest::addColumn<qint64>("firstOffset");
        QTest::addColumn<qint64>("lastOffset");
        QTest::addColumn<QString>("firstClock");

        QTest::newRow("Mavic Pro: GPS(lon,lat,alt)") << "mavic_pro.SRT" << 468 << 468 << -20.2533 << 149.0251
                                                     << -20.2532 << 149.0251 << qint64(1000) << qint64(468000)
                                                     << "2017-08-05 14:11:51.000";
        QTest::newRow("P4 RTK: GPS (lon, lat, alt)") << "p4_rtk.SRT" << 55 << 55 << -34.237922 << -58.851745
                                                     << -34.232349 << -58.849196 << qint64(0) << qint64(54000) << "-";
        QTest::newRow("Mavic Mini: GPS (lon, lat, alt)") << "mavic_mini.SRT" << 117 << 117 << 48.0771 << -121.7458
                                                         << 48.0775 << -121.7476 << qint64(0) << qint64(116000)
                                                         << "-";
        QTest::newRow("Matrice 300: GPS(lat,lon,altM)") << "matrice_300.srt" << 381 << 381 << 36.6146 << -6.1120
                                                        << 36.6146 << -6.1120 << qint64(0) << qint64(380000)
                                                        << "2022-06-21 16:06:17.000";
        QTest::newRow("Mavic 3: [latitude] [longitude]") << "MAVIC3.srt" << 12318 << 12318 << 3.41531 << -3.37440
                                                         << 3.41368 << -3.37721 << qint64(0) << qint64(246340)
                                                         << "2021-12-25 12:27:52.373";
        QTest::newRow("Air 2S: [latitude] [longitude] [altitude]")
            << "air2s.srt" << 17 << 17 << 41.424724 << 2.234156 << 41.424730 << 2.234102 << qint64(0)
            << qint64(533) << "2022-08-07 13:40:40.774";
        QTest::newRow("Mavic 2 style: longtitude, no timing lines")
            << "mavic_2_style.SRT" << 468 << 468 << -20.2533 << 149.0251 << -20.2532 << 149.0251 << qint64(0)
            << qint64(468000) << "2017-08-05 14:11:51.393";
        // Cue 3 breaks off in its position line and cue 6, the last, is cut.
        QTest::newRow("byte-order mark, broken and cut") << "broken_incomplete2.SRT" << 6 << 4 << -34.869950
                                                         << -57.823395 << -34.869945 << -57.823383 << qint64(0)
                                                         << qint64(160) << "2020-08-12 08:55:21.745";
        QTest::newRow("Mavic Air: no position") << "mavic_air.SRT" << 2 << 0 << 0.0 << 0.0 << 0.0 << 0.0
                                                << qint64(0) << qint64(0) << "-";
    }

    void realFiles()
    {
        QFETCH(QString, file);
        QFile device(DataPath(file));
        QVERIFY(device.open(QIODevice::ReadOnly));
        const SrtTelemetry telemetry = SrtReader::Read(device);
        QVERIFY(!telemetry.ReadError);
        QTEST(telemetry.Cues, "cues");
        QTEST(int(telemetry.Fixes.size()), "fixes");
        if (telemetry.Fixes.isEmpty())
            return;
        const GpsFix &first = telemetry.Fixes.first();
        const GpsFix &last = telemetry.Fixes.last();
        QFETCH(double, firstLatitude);
        QFETCH(double, firstLongitude);
        QFETCH(double, lastLatitude);
        QFETCH(double, lastLongitude);
        QVERIFY(first.Valid && last.Valid);
        QVERIFY(std::fabs(first.Latitude - firstLatitude) < 1e-9);
        QVERIFY(std::fabs(first.Longitude - firstLongitude) < 1e-9);
        QVERIFY(std::fabs(last.Latitude - lastLatitude) < 1e-9);
        QVERIFY(std::fabs(last.Longitude - lastLongitude) < 1e-9);
        QTEST(first.OffsetMs, "firstOffset");
        QTEST(last.OffsetMs, "lastOffset");
        QTEST(first.Utc.isValid() ? first.Utc.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                                  : QStringLiteral("-"),
              "firstClock");
        for (qsizetype k = 1; k < telemetry.Fixes.size(); ++k)
            QVERIFY(telemetry.Fixes[k].OffsetMs >= telemetry.Fixes[k - 1].OffsetMs);
        for (const GpsFix &fix : telemetry.Fixes)
            QVERIFY(std::isfinite(fix.SpeedKmh) && fix.SpeedKmh >= 0.0 && fix.SpeedKmh < 200.0);
    }

    // The file reader behind GpsReader: taken by name or by content, placed
    // one fix a second by its cues' starts.
    void fileReader()
    {
        QTemporaryDir dir;
        const auto write = [&dir](const QString &Name, const QByteArray &Content) {
            QFile file(dir.filePath(Name));
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot write %s", qPrintable(Name));
            file.write(Content);
            return file.fileName();
        };
        QByteArray flight;
        for (int k = 0; k < 10; ++k)
            flight += Cue(k + 1, k + 0.5, "GPS(" + QByteArray::number(8.5 + k * 1e-4) + ",47.25,10)");
        for (const QString &name : {QStringLiteral("DJI_0001.SRT"), QStringLiteral("DJI_0001.srt"),
                                    QStringLiteral("telemetry.txt")}) {
            const QString path = write(name, flight);
            const GpsReader *reader = GpsReader::ForFile(path);
            QVERIFY(reader);
            QCOMPARE(QByteArray(typeid(*reader).name()), QByteArray(typeid(SrtFileReader).name()));
            QCOMPARE(reader->FixTiming(), GpsReader::Timing::VideoOffset);
            const GpsSeconds::Result seconds = GpsSeconds::Read(*reader, path, VideoSpan());
            QVERIFY(seconds.Readable);
            QCOMPARE(seconds.SourceFixes, 10);
            // Second 0 comes before the first cue's start at 0.5 s.
            QCOMPARE(seconds.Track.Size(), 10);
            QVERIFY(!seconds.Track.At(0).Valid);
            QVERIFY(seconds.Track.At(1).Valid);
            QCOMPARE(seconds.Track.At(9).Longitude, 8.5 + 8e-4);
        }
        // A film's subtitles hold no fix; a folder or a missing file cannot be read.
        GpsTrack track;
        QVERIFY(SrtFileReader().Read(write(QStringLiteral("film.srt"), Cue(1, 1, "Hello.")), track));
        QVERIFY(track.IsEmpty());
        QVERIFY(!SrtFileReader().Read(dir.path(), track));
        QVERIFY(!SrtFileReader().Read(dir.filePath(QStringLiteral("none.srt")), track));
    }
};

QTEST_GUILESS_MAIN(TestSrtReader)
#include "tst_srtreader.moc"

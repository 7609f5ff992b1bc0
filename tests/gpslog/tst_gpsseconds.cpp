// Every kind of source made into one fix per video second: which report
// stands for a second, reports too old, outside the video or out of order;
// the video's start and length as the file tells them; the reader chosen for
// a file and the GPX written from each kind.

#include "gpslog/gpslogdata.h"
#include "gpslog/gpsreader.h"
#include "gpslog/gpsseconds.h"
#include "gpslog/gpssourcechooser.h"
#include "gpslog/gpxexport.h"
#include "gpslog/gpxfilereader.h"
#include "gpslog/nmeafilereader.h"
#include "gpslog/recorderlogfilereader.h"
#include "gpslog/videogpsfilereader.h"
#include "gpslog/videospan.h"
#include "mp4gpswriter.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <typeinfo>

namespace {

using Timing = GpsReader::Timing;

const QDateTime Noon(QDate(2019, 11, 30), QTime(12, 0, 0), QTimeZone::utc());

// Report Index at OffsetMs, told apart by its latitude (50 + Index / 1000).
GpsFix Report(int Index, qint64 OffsetMs, bool Valid = true)
{
    GpsFix fix;
    fix.Valid = Valid;
    fix.Latitude = 50.0 + Index / 1000.0;
    fix.Longitude = 20.0;
    fix.OffsetMs = OffsetMs;
    fix.Utc = Noon.addMSecs(OffsetMs);
    return fix;
}

GpsFixList Reports(const QList<qint64> &Offsets)
{
    GpsFixList fixes;
    for (int i = 0; i < Offsets.size(); ++i)
        fixes.append(Report(i, Offsets.at(i)));
    return fixes;
}

// For each second, the index of the report that stands for it, -1 for none.
QList<int> Chosen(const GpsTrack &Track)
{
    QList<int> chosen;
    for (const GpsFix &fix : Track.Fixes())
        chosen.append(fix.Valid ? qRound((fix.Latitude - 50.0) * 1000.0) : -1);
    return chosen;
}

QByteArray MovieHeader(quint8 Version, quint64 Created, quint32 Timescale, quint64 Duration)
{
    QByteArray fields;
    if (Version == 1) {
        fields = Mp4GpsWriter::BigEndian64(Created) + Mp4GpsWriter::BigEndian64(Created)
            + Mp4GpsWriter::BigEndian32(Timescale) + Mp4GpsWriter::BigEndian64(Duration);
    } else {
        fields = Mp4GpsWriter::BigEndian32(quint32(Created)) + Mp4GpsWriter::BigEndian32(quint32(Created))
            + Mp4GpsWriter::BigEndian32(Timescale) + Mp4GpsWriter::BigEndian32(quint32(Duration));
    }
    fields += QByteArray(80, '\0');
    return Mp4GpsWriter::FileType()
        + Mp4GpsWriter::Box("moov", Mp4GpsWriter::FullBox("mvhd", Version, fields));
}

// Seconds from 1904-01-01 to Time.
quint64 MovieSeconds(const QDateTime &Time)
{
    return quint64(QDateTime(QDate(1904, 1, 1), QTime(0, 0), QTimeZone::utc()).secsTo(Time));
}

QString DataPath(const QString &Name)
{
    return QStringLiteral(VIALUMO_SOURCE_DIR "/tests/data/") + Name;
}

} // namespace

class TestGpsSeconds : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

    QString Write(const QString &Name, const QByteArray &Content)
    {
        const QString path = Dir.filePath(Name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(Content);
        return path;
    }

private slots:
    void reportOfEachSecond_data()
    {
        QTest::addColumn<QList<qint64>>("offsets");
        QTest::addColumn<qint64>("durationMs");
        QTest::addColumn<QList<int>>("chosen");

        QTest::newRow("one a second") << QList<qint64>{0, 1000, 2000} << qint64(-1) << QList<int>{0, 1, 2};
        QTest::newRow("between the seconds") << QList<qint64>{400, 1400, 2400} << qint64(-1)
                                             << QList<int>{-1, 0, 1};
        QList<qint64> tenASecond;
        for (int i = 0; i < 30; ++i)
            tenASecond.append(i * 100);
        QTest::newRow("ten a second") << tenASecond << qint64(-1) << QList<int>{0, 10, 20};
        QTest::newRow("gap: two seconds old still counts, three not")
            << QList<qint64>{0, 5000} << qint64(-1) << QList<int>{0, 0, 0, -1, -1, 1};
        QTest::newRow("starts late") << QList<qint64>{3000} << qint64(-1) << QList<int>{-1, -1, -1, 0};
        QTest::newRow("video longer than its GPS") << QList<qint64>{0, 1000} << qint64(4500)
                                                   << QList<int>{0, 1, 1, 1, -1};
        QTest::newRow("reports after the header's end still count")
            << QList<qint64>{0, 1000, 6000} << qint64(2000) << QList<int>{0, 1, 1, 1, -1, -1, 2};
        QTest::newRow("exact length has no extra second") << QList<qint64>{0, 1000, 2000} << qint64(3000)
                                                           << QList<int>{0, 1, 2};
        QTest::newRow("reports before the video") << QList<qint64>{-1000, 0} << qint64(-1) << QList<int>{1};
        QTest::newRow("out of order") << QList<qint64>{2000, 0, 1000} << qint64(-1) << QList<int>{1, 2, 0};
        QTest::newRow("same moment twice: the later") << QList<qint64>{0, 0, 1000} << qint64(-1)
                                                       << QList<int>{1, 2};
        QTest::newRow("nothing") << QList<qint64>{} << qint64(5000) << QList<int>{};
    }
    void reportOfEachSecond()
    {
        QFETCH(QList<qint64>, offsets);
        QFETCH(qint64, durationMs);
        QFETCH(QList<int>, chosen);
        VideoSpan span;
        span.DurationMs = durationMs;
        const GpsSeconds::Result result = GpsSeconds::Place(Reports(offsets), Timing::VideoOffset, span);
        QVERIFY(result.Readable);
        QCOMPARE(Chosen(result.Track), chosen);
    }

    void reportWithoutFixMakesItsSecondEmpty()
    {
        GpsFixList fixes = Reports({0, 1000, 2000});
        fixes[1].Valid = false;
        const GpsSeconds::Result result = GpsSeconds::Place(fixes, Timing::VideoOffset, {});
        QCOMPARE(Chosen(result.Track), (QList<int>{0, -1, 2}));
        QCOMPARE(result.SourceFixes, 2);
        QCOMPARE(result.PlacedFixes, 2);
        QCOMPARE(result.ValidSeconds(), 2);
        // A second without a fix carries no position to show.
        const GpsSeconds::Result late = GpsSeconds::Place(Reports({5000}), Timing::VideoOffset, {});
        const GpsFix &empty = late.Track.At(0);
        QVERIFY(!empty.Valid);
        QVERIFY(qIsNaN(empty.Latitude));
    }

    void oneFixPerSecondTakesTheListOrder()
    {
        GpsFixList fixes = Reports({-1, -1, -1});
        const GpsSeconds::Result result = GpsSeconds::Place(fixes, Timing::OneFixPerSecond, {});
        QCOMPARE(Chosen(result.Track), (QList<int>{0, 1, 2}));
    }

    void utcTrackPlacedByTheVideosStart()
    {
        // Points from 11:59:50 to 12:01:00, ten seconds apart.
        GpsFixList fixes;
        for (int i = 0; i < 8; ++i) {
            GpsFix fix = Report(i, -1);
            fix.Utc = Noon.addSecs(-10 + i * 10);
            fixes.append(fix);
        }
        VideoSpan span;
        span.Start = Noon.addSecs(1);
        span.DurationMs = 30000;
        GpsSeconds::Result result = GpsSeconds::Place(fixes, Timing::UtcOnly, span);
        QCOMPARE(result.Track.Size(), 30);
        // 12:00:10 is second 9 of the video, 12:00:20 second 19, 12:00:30
        // second 29; the rest lie outside.
        QCOMPARE(result.PlacedFixes, 3);
        QCOMPARE(result.SourceFixes, 8);
        QCOMPARE(Chosen(result.Track).mid(8, 5), (QList<int>{-1, 2, 2, 2, -1}));
        QCOMPARE(Chosen(result.Track).at(19), 3);

        // A video of unknown length runs to the last point.
        span.DurationMs = -1;
        result = GpsSeconds::Place(fixes, Timing::UtcOnly, span);
        QCOMPARE(result.Track.Size(), 60);
        // Without a start nothing can be placed.
        result = GpsSeconds::Place(fixes, Timing::UtcOnly, VideoSpan());
        QVERIFY(result.Track.IsEmpty());
        QCOMPARE(result.SourceFixes, 8);
    }

    void absurdSourcesStayBounded()
    {
        // A day's worth of UTC track beside a video of unknown length: one hour.
        GpsFixList fixes;
        GpsFix early = Report(0, -1);
        early.Utc = Noon;
        GpsFix late = Report(1, -1);
        late.Utc = Noon.addDays(1);
        fixes << early << late;
        VideoSpan span;
        span.Start = Noon;
        QCOMPARE(GpsSeconds::Place(fixes, Timing::UtcOnly, span).Track.Size(), 1);
        // An offset far beyond a day is no second of the video.
        const GpsSeconds::Result far
            = GpsSeconds::Place(Reports({0, std::numeric_limits<qint64>::max() / 2}), Timing::VideoOffset, {});
        QCOMPARE(far.Track.Size(), 1);
        QCOMPARE(far.PlacedFixes, 1);
        // A movie header claiming years is no length.
        QBuffer header;
        header.setData(MovieHeader(1, MovieSeconds(Noon), 1, quint64(1) << 40));
        header.open(QIODevice::ReadOnly);
        QCOMPARE(VideoSpan::FromMovieHeader(header).DurationMs, -1);
    }

    void movieHeader_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<qint64>("durationMs");

        const quint64 noon = MovieSeconds(Noon);
        QTest::newRow("version 0") << MovieHeader(0, noon, 1000, 60500) << Noon << qint64(60500);
        QTest::newRow("version 1, 90 kHz") << MovieHeader(1, noon, 90000, 90000ULL * 61) << Noon << qint64(61000);
        QTest::newRow("unknown duration") << MovieHeader(0, noon, 600, 0xffffffffULL) << Noon << qint64(-1);
        QTest::newRow("zero duration") << MovieHeader(0, noon, 600, 0) << Noon << qint64(-1);
        QTest::newRow("zero time scale") << MovieHeader(0, noon, 0, 100) << Noon << qint64(-1);
        QTest::newRow("clock never set") << MovieHeader(0, 0, 1000, 5000) << QDateTime() << qint64(5000);
        QTest::newRow("1904 plus a little") << MovieHeader(0, 86400, 1000, 5000) << QDateTime() << qint64(5000);
        QTest::newRow("cut header") << Mp4GpsWriter::FileType()
                + Mp4GpsWriter::Box("moov", Mp4GpsWriter::FullBox("mvhd", 0, QByteArray(6, '\1')))
                                    << QDateTime() << qint64(-1);
        QTest::newRow("no movie") << Mp4GpsWriter::FileType() << QDateTime() << qint64(-1);
        QTest::newRow("not a video") << QByteArray("hello, world") << QDateTime() << qint64(-1);
    }
    void movieHeader()
    {
        QFETCH(QByteArray, file);
        QFETCH(QDateTime, start);
        QFETCH(qint64, durationMs);
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        const VideoSpan span = VideoSpan::FromMovieHeader(buffer);
        QCOMPARE(span.Start, start);
        QCOMPARE(span.DurationMs, durationMs);
    }

    void startFromName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDateTime>("start");
        const QDateTime local(QDate(2019, 11, 30), QTime(12, 1, 56));
        QTest::newRow("70mai") << "NO20191130-120156-000121.MP4" << local;
        QTest::newRow("underscores") << "2019_1130_120156_001.MOV" << local;
        QTest::newRow("one underscore") << "VID_20191130_120156.mp4" << local;
        QTest::newRow("run together") << "20191130120156.MP4" << local;
        QTest::newRow("first of two") << "20191130-120156_20191130-130000.mp4" << local;
        QTest::newRow("no time") << "CLIP0001.MOV" << QDateTime();
        QTest::newRow("impossible date") << "20191332-120156.MP4" << QDateTime();
        QTest::newRow("impossible time") << "20191130-250156.MP4" << QDateTime();
        QTest::newRow("part of a longer number") << "120191130-1201561.MP4" << QDateTime();
    }
    void startFromName()
    {
        QFETCH(QString, name);
        QFETCH(QDateTime, start);
        QCOMPARE(VideoSpan::StartFromName(name), start);
    }

    void startFromFileWhenNothingElse()
    {
        const QString header = Write(QStringLiteral("20200101-080000.MP4"), MovieHeader(0, MovieSeconds(Noon), 1000, 3000));
        QCOMPARE(VideoSpan::Of(header).Start, Noon);
        const QString named = Write(QStringLiteral("20200101-080000.MOV"), "no boxes");
        QCOMPARE(VideoSpan::Of(named).Start, QDateTime(QDate(2020, 1, 1), QTime(8, 0)));
        const QString plain = Write(QStringLiteral("clip.ts"), "no boxes");
        QCOMPARE(VideoSpan::Of(plain).Start, QFileInfo(plain).lastModified());
        QVERIFY(!VideoSpan::Of(Dir.filePath(QStringLiteral("gone.MP4"))).Start.isValid());
    }

    void nmeaSideFilePlacedFromItsFirstReport()
    {
        // Stamped lines; the receiver's times run two seconds a report.
        GpsFixList drive = Mp4GpsWriter::Drive(5);
        for (int i = 0; i < drive.size(); ++i)
            drive[i].Utc = Noon.addSecs(100 + 2 * i);
        const QByteArray stamped = Mp4GpsWriter::NmeaLines(drive);
        QByteArray plain = stamped;
        plain.replace(QRegularExpression(QStringLiteral("\\[\\d+\\]")).pattern().toLatin1(), "");
        plain = QString::fromLatin1(stamped).remove(QRegularExpression(QStringLiteral("\\[\\d+\\]"))).toLatin1();

        for (const QByteArray &text : {stamped, plain}) {
            GpsTrack track;
            QVERIFY(NmeaFileReader().Read(Write(QStringLiteral("drive.nmea"), text), track));
            QCOMPARE(track.Size(), 5);
            QCOMPARE(track.At(0).OffsetMs, 0);
            QCOMPARE(track.At(4).OffsetMs, 8000);
        }
        // Only times of day (GGA alone has no date): still by their differences
        // once a date is known, else one report a second.
        QByteArray ggaOnly;
        for (const QByteArray &line : plain.split('\n')) {
            if (line.contains("GGA"))
                ggaOnly += line + '\n';
        }
        GpsTrack track;
        QVERIFY(NmeaFileReader().Read(Write(QStringLiteral("gga.gps"), ggaOnly), track));
        QCOMPARE(track.Size(), 5);
        QCOMPARE(track.At(4).OffsetMs, 4000);
    }

    void readerChosenByNameOrContent_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("reader");

        const QByteArray rmc = "$GPRMC,120156.000,A,5211.4350,N,02047.3690,E,10.0,45.0,301119,,,A*6B\r\n";
        const QByteArray log = "A,301119,120156,5211.4350,N,02047.3690,E,10.0;\n";
        const QByteArray gpx = "<?xml version=\"1.0\"?><gpx version=\"1.1\"></gpx>";
        QTest::newRow("recorder log") << "gps0001.log" << log << QByteArray(typeid(RecorderLogFileReader).name());
        QTest::newRow("NMEA by name") << "CLIP0001.NMEA" << log << QByteArray(typeid(NmeaFileReader).name());
        QTest::newRow(".gps by name") << "CLIP0001.gps" << QByteArray() << QByteArray(typeid(NmeaFileReader).name());
        QTest::newRow("NMEA by content") << "receiver.log" << "# comment\n" + rmc
                                         << QByteArray(typeid(NmeaFileReader).name());
        QTest::newRow("a dollar is not NMEA") << "gps0002.log" << "$5 and $GPRM\n" + log
                                              << QByteArray(typeid(RecorderLogFileReader).name());
        QTest::newRow("GPX by name") << "trip.GPX" << QByteArray() << QByteArray(typeid(GpxFileReader).name());
        QTest::newRow("GPX by content") << "trip.xml" << gpx << QByteArray(typeid(GpxFileReader).name());
        QTest::newRow("video by name") << "clip.mov" << QByteArray("x") << QByteArray(typeid(VideoGpsFileReader).name());
        QTest::newRow("video by its first box") << "clip.bin" << Mp4GpsWriter::FileType()
                                                << QByteArray(typeid(VideoGpsFileReader).name());
        QTest::newRow("GPX quoting NMEA") << "trip.dat" << gpx + rmc << QByteArray(typeid(GpxFileReader).name());
    }
    void readerChosenByNameOrContent()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, reader);
        const GpsReader *chosen = GpsReader::ForFile(Write(name, content));
        QVERIFY(chosen);
        QCOMPARE(QByteArray(typeid(*chosen).name()), reader);
    }

    // The recorder's log plays as it always did, whatever else its lines
    // look like; only a file handed over without a kind is judged by them.
    void recorderLogReadAsSuchWhateverItHolds()
    {
        const QString path = Write(QStringLiteral("gps0003.log"),
                                   "A,301119,120156,5211.4350,N,02047.3690,E,10.0;\n"
                                   "$GPRMC,120156.000,A,5211.4350,N,02047.3690,E,10.0,45.0,301119,,,A*6B\n"
                                   "<gpx>\n");
        GpsLogData log;
        log.ReadGpsfile(path);
        QCOMPARE(log.GetGpsDataCount(), 3);
        QVERIFY(log.GetGpsDataAt(0).DataAvailable);
        QVERIFY(!log.GetGpsDataAt(1).DataAvailable);
        QVERIFY(GpsReader::ForFile(path) != nullptr);
    }

    void gpxExportOfEveryKind_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("points");

        QTest::newRow("NMEA receiver log") << DataPath(QStringLiteral("nmea/haicom-305N.log")) << 68;
        QTest::newRow("NMEA with comments") << DataPath(QStringLiteral("nmea/bu353s4.log")) << 25;
        QTest::newRow("GPX 1.1") << DataPath(QStringLiteral("gpx/around-visnjan-with-car.gpx")) << 104;
        QTest::newRow("GPX 1.0") << DataPath(QStringLiteral("gpx/track_with_speed.gpx")) << 3;
        QTest::newRow("70mai") << DataPath(QStringLiteral("mp4-gps-box/NO20191130-120156-000121.MP4")) << 61;
        QTest::newRow("70mai, damaged end") << DataPath(QStringLiteral("mp4-gps-box/PA20191130-121756-000137.MP4"))
                                            << -2;
        QTest::newRow("one byte") << DataPath(QStringLiteral("mp4-gps-box/NO20191130-123556-000155.MP4")) << -1;
        QTest::newRow("missing") << DataPath(QStringLiteral("nothing-here.MP4")) << -1;
    }
    void gpxExportOfEveryKind()
    {
        QFETCH(QString, path);
        QFETCH(int, points);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        const bool written = GpxExport::Write(path, out, &error);
        QCOMPARE(written, points != -1);
        if (!written) {
            QVERIFY(!error.isEmpty());
            QVERIFY(!error.contains(QLatin1Char('\n')));
            QVERIFY(out.data().isEmpty());
            return;
        }
        const qsizetype count = out.data().count("<trkpt ");
        if (points >= 0)
            QCOMPARE(count, points);
        else
            QVERIFY(count > 0);
        static const QRegularExpression coordinate(QStringLiteral("lat=\"-?\\d+\\.\\d{7,}\" lon=\"-?\\d+\\.\\d{7,}\""));
        QVERIFY(coordinate.match(QString::fromUtf8(out.data())).hasMatch());
    }

    void goProExportAndSeconds()
    {
        const QString path = DataPath(QStringLiteral("gopro/max-heromode.mp4"));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY(GpxExport::Write(path, out, nullptr));
        QVERIFY(out.data().contains("<time>2019-11-18T23:45:1"));
        // 10.5 s of video: eleven seconds, each with a fix.
        const GpsSeconds::Result seconds = GpsSourceChooser::Choose(path).Seconds;
        QCOMPARE(seconds.Track.Size(), 11);
        QCOMPARE(seconds.ValidSeconds(), 11);
    }
};

QTEST_GUILESS_MAIN(TestGpsSeconds)
#include "tst_gpsseconds.moc"

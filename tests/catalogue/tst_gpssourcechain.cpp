// Where the catalogue finds a recording's GPS when the recorder's log is not
// at its place: inside the video, then side files with the video's base
// name (NMEA, GPX, SRT); the rating of each source's seconds, the tooltip text, and a source
// that changes or vanishes before play. Every layout of GPS inside a video
// is found on import.

#include "catalogue/uvideoandgpsfiles.h"
#include "gpslog/gpslogdata.h"
#include "mp4gpswriter.h"
#include "teslaseiwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

namespace {

const QByteArray LogLine = "A,301119,120156,5211.4350,N,02047.3690,E,10.0;\n";

GpsFixList WithoutFixes(GpsFixList Fixes, int From)
{
    for (qsizetype i = From; i < Fixes.size(); ++i)
        Fixes[i].Valid = false;
    return Fixes;
}

QByteArray PlainNmea(const GpsFixList &Fixes)
{
    QByteArray text;
    for (const QByteArray &line : Mp4GpsWriter::NmeaLines(Fixes).split('\n')) {
        const qsizetype close = line.indexOf(']');
        text += (close >= 0 ? line.mid(close + 1) : line) + '\n';
    }
    return text;
}

QByteArray Gpx(const GpsFixList &Fixes)
{
    QByteArray points;
    for (const GpsFix &fix : Fixes) {
        points += "<trkpt lat=\"" + QByteArray::number(fix.Latitude, 'f', 7) + "\" lon=\""
            + QByteArray::number(fix.Longitude, 'f', 7) + "\"><time>"
            + fix.Utc.toString(Qt::ISODate).toLatin1() + "</time></trkpt>";
    }
    return "<?xml version=\"1.0\"?><gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>"
        + points + "</trkseg></trk></gpx>";
}

// A drone's telemetry subtitles of the drive, one cue a second, latitude
// first as the Matrice-style files write it.
QByteArray Srt(const GpsFixList &Fixes)
{
    QByteArray text;
    for (qsizetype k = 0; k < Fixes.size(); ++k) {
        const auto stamp = [](qsizetype Second) {
            return QTime::fromMSecsSinceStartOfDay(int(Second * 1000)).toString(u"hh:mm:ss,zzz").toLatin1();
        };
        text += QByteArray::number(k + 1) + "\r\n" + stamp(k) + " --> " + stamp(k + 1) + "\r\nGPS("
            + QByteArray::number(Fixes[k].Latitude, 'f', 4) + ',' + QByteArray::number(Fixes[k].Longitude, 'f', 4)
            + ",0.0M) BAROMETER:0.3M\r\n\r\n";
    }
    return text;
}

} // namespace

class TestGpsSourceChain : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;
    int Folder = 0;

    // A fresh card folder for each case: CARD/DCIM/100CLIP/.
    QString ClipFolder()
    {
        const QString folder = Dir.filePath(QStringLiteral("card%1/DCIM/100CLIP").arg(++Folder));
        QDir().mkpath(folder);
        return folder;
    }

    static QString Write(const QString &Path, const QByteArray &Content)
    {
        QDir().mkpath(QFileInfo(Path).path());
        QFile file(Path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(Path));
        file.write(Content);
        return Path;
    }

private slots:
    void sourceFoundInOrder_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<QByteArray>("videoBytes");
        // Side files: name -> content.
        QTest::addColumn<QStringList>("sideNames");
        QTest::addColumn<QByteArrayList>("sideBytes");
        QTest::addColumn<GpsSourceKind>("kind");
        QTest::addColumn<QString>("sourceName");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("text");

        const GpsFixList drive = Mp4GpsWriter::Drive(60);
        const QByteArray noGps = Mp4GpsWriter::FileType() + Mp4GpsWriter::Movie();
        QTest::newRow("70mai inside") << "CLIP0001.MP4" << Mp4GpsWriter::SeventyMai(drive, 120) << QStringList()
                                      << QByteArrayList() << GpsSourceKind::InsideVideo << "CLIP0001.MP4"
                                      << "Available" << "GPS inside the video: 60 fixes in 60 s";
        QTest::newRow("Novatek inside, lower case") << "clip0002.mov" << Mp4GpsWriter::Novatek(drive)
                                                    << QStringList() << QByteArrayList()
                                                    << GpsSourceKind::InsideVideo << "clip0002.mov" << "Available"
                                                    << "GPS inside the video: 60 fixes in 60 s";
        QTest::newRow("BlackVue inside") << "CLIP0003.MP4" << Mp4GpsWriter::BlackVue(drive) << QStringList()
                                         << QByteArrayList() << GpsSourceKind::InsideVideo << "CLIP0003.MP4"
                                         << "Available" << "GPS inside the video: 60 fixes in 60 s";
        QTest::newRow("inside wins over a side file")
            << "CLIP0004.MP4" << Mp4GpsWriter::SeventyMai(drive) << QStringList{"CLIP0004.NMEA"}
            << QByteArrayList{PlainNmea(drive)} << GpsSourceKind::InsideVideo << "CLIP0004.MP4" << "Available"
            << "GPS inside the video: 60 fixes in 60 s";
        QTest::newRow("few fixes inside: unavailable")
            << "CLIP0005.MP4" << Mp4GpsWriter::SeventyMai(WithoutFixes(drive, 12)) << QStringList()
            << QByteArrayList() << GpsSourceKind::InsideVideo << "CLIP0005.MP4" << "Unavailable"
            << "GPS inside the video: 12 fixes in 60 s";
        QTest::newRow("70mai in two boxes, the first empty")
            << "CLIP0041.MP4" << Mp4GpsWriter::SeventyMaiBoxes({drive.mid(0, 30), drive.mid(30)}) << QStringList()
            << QByteArrayList() << GpsSourceKind::InsideVideo << "CLIP0041.MP4" << "Available"
            << "GPS inside the video: 60 fixes in 60 s";
        QList<QByteArray> droneSamples;
        for (const GpsFix &fix : drive) {
            droneSamples.append(Mp4GpsWriter::GpmfDevice("1", "Camera", Mp4GpsWriter::GpmfAccelerometerStream())
                                + Mp4GpsWriter::GpmfDevice("KARM", "GoPro Karma v1.0", Mp4GpsWriter::GpmfGps5Stream({fix})));
        }
        QTest::newRow("GoPro, GPS of the drone") << "GOPR0042.MP4" << Mp4GpsWriter::GoProSamples(droneSamples)
                                                 << QStringList() << QByteArrayList() << GpsSourceKind::InsideVideo
                                                 << "GOPR0042.MP4" << "Available"
                                                 << "GPS inside the video: 60 fixes in 60 s";
        QTest::newRow("Nextbase subtitle records") << "CLIP0043.MP4" << Mp4GpsWriter::Nextbase(drive) << QStringList()
                                                   << QByteArrayList() << GpsSourceKind::InsideVideo << "CLIP0043.MP4"
                                                   << "Available" << "GPS inside the video: 60 fixes in 60 s";
        QTest::newRow("NMEA subtitles") << "CLIP0044.MOV" << Mp4GpsWriter::NmeaSubtitles(drive, "text") << QStringList()
                                        << QByteArrayList() << GpsSourceKind::InsideVideo << "CLIP0044.MOV"
                                        << "Available" << "GPS inside the video: 60 fixes in 60 s";
        QTest::newRow("date and time subtitles") << "CLIP0045.MP4" << Mp4GpsWriter::LineSubtitles(drive)
                                                 << QStringList() << QByteArrayList() << GpsSourceKind::InsideVideo
                                                 << "CLIP0045.MP4" << "Available"
                                                 << "GPS inside the video: 60 fixes in 60 s";
        NovatekOptions doubles;
        doubles.Kind = NovatekOptions::Layout::DoubleReport;
        QTest::newRow("Novatek, double coordinates") << "CLIP0046.MP4" << Mp4GpsWriter::Novatek(drive, doubles)
                                                     << QStringList() << QByteArrayList() << GpsSourceKind::InsideVideo
                                                     << "CLIP0046.MP4" << "Available"
                                                     << "GPS inside the video: 60 fixes in 60 s";
        QTest::newRow("Novatek without index") << "CLIP0047.MP4" << Mp4GpsWriter::NovatekUnindexed(drive)
                                               << QStringList() << QByteArrayList() << GpsSourceKind::InsideVideo
                                               << "CLIP0047.MP4" << "Available"
                                               << "GPS inside the video: 60 fixes in 60 s";
        QTest::newRow("NMEA side file") << "CLIP0006.MOV" << noGps << QStringList{"CLIP0006.NMEA"}
                                        << QByteArrayList{PlainNmea(drive)} << GpsSourceKind::NmeaFile
                                        << "CLIP0006.NMEA" << "Available" << "NMEA file CLIP0006.NMEA: 60 fixes in 60 s";
        QTest::newRow(".NMEA before .gps") << "CLIP0007.TS" << QByteArray("ts") << QStringList{"CLIP0007.gps", "CLIP0007.NMEA"}
                                           << QByteArrayList{PlainNmea(drive.mid(0, 30)), PlainNmea(drive)}
                                           << GpsSourceKind::NmeaFile << "CLIP0007.NMEA" << "Available"
                                           << "NMEA file CLIP0007.NMEA: 60 fixes in 60 s";
        QTest::newRow("empty NMEA file, then .gps") << "CLIP0008.avi" << QByteArray("avi")
                                                    << QStringList{"CLIP0008.nmea", "CLIP0008.gps"}
                                                    << QByteArrayList{"garbage\0\r\n", Mp4GpsWriter::NmeaLines(drive)}
                                                    << GpsSourceKind::NmeaFile << "CLIP0008.gps" << "Available"
                                                    << "NMEA file CLIP0008.gps: 60 fixes in 60 s";
        QTest::newRow("NMEA before GPX") << "CLIP0009.MOV" << noGps << QStringList{"CLIP0009.gpx", "CLIP0009.GPS"}
                                         << QByteArrayList{Gpx(drive), PlainNmea(drive)} << GpsSourceKind::NmeaFile
                                         << "CLIP0009.GPS" << "Available" << "NMEA file CLIP0009.GPS: 60 fixes in 60 s";
        // The name tells the start (12:01:56 local time), the track is in UTC:
        // only its points within the 60 s from the start count.
        const QDateTime start = QDateTime(QDate(2019, 11, 30), QTime(12, 1, 56)).toUTC();
        const GpsFixList track = Mp4GpsWriter::Drive(90, 52.19, 20.78, start.addSecs(-30));
        QByteArray movie60 = Mp4GpsWriter::FileType() + Mp4GpsWriter::Movie();
        QTest::newRow("GPX by the name's time") << "20191130-120156.mkv" << QByteArray("mkv")
                                                << QStringList{"20191130-120156.GPX"} << QByteArrayList{Gpx(track)}
                                                << GpsSourceKind::GpxFile << "20191130-120156.GPX" << "Available"
                                                << "GPX track 20191130-120156.GPX: 60 fixes in 60 s";
        QTest::newRow("SRT telemetry side file") << "DJI_0012.MP4" << noGps << QStringList{"DJI_0012.SRT"}
                                                 << QByteArrayList{Srt(drive)} << GpsSourceKind::SrtFile
                                                 << "DJI_0012.SRT" << "Available"
                                                 << "SRT telemetry DJI_0012.SRT: 60 fixes in 60 s";
        QTest::newRow("a GPX without points, then SRT") << "CLIP0013.MOV" << noGps << QStringList{"CLIP0013.srt", "CLIP0013.gpx"}
                                        << QByteArrayList{Srt(drive), "<gpx><trk></trk></gpx>"}
                                        << GpsSourceKind::SrtFile << "CLIP0013.srt" << "Available"
                                        << "SRT telemetry CLIP0013.srt: 60 fixes in 60 s";
        QTest::newRow("nothing anywhere") << "CLIP0010.MP4" << noGps << QStringList{"CLIP0010.gpx"}
                                          << QByteArrayList{"<gpx><trk></trk></gpx>"} << GpsSourceKind::None
                                          << "" << "Not Exist" << "";
        QTest::newRow("broken video, no side file") << "CLIP0011.MP4" << QByteArray(1, '\0') << QStringList()
                                                    << QByteArrayList() << GpsSourceKind::None << "" << "Not Exist"
                                                    << "";
    }
    void sourceFoundInOrder()
    {
        QFETCH(QString, video);
        QFETCH(QByteArray, videoBytes);
        QFETCH(QStringList, sideNames);
        QFETCH(QByteArrayList, sideBytes);
        QFETCH(GpsSourceKind, kind);
        QFETCH(QString, sourceName);
        QFETCH(QString, status);
        QFETCH(QString, text);

        const QString folder = ClipFolder();
        const QString videoPath = Write(folder + QLatin1Char('/') + video, videoBytes);
        for (int i = 0; i < sideNames.size(); ++i)
            Write(folder + QLatin1Char('/') + sideNames.at(i), sideBytes.at(i));

        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({videoPath});
        QCOMPARE(catalogue.GetVideoCount(), 1);
        QCOMPARE(catalogue.GetGpsSourceKind(0), kind);
        QCOMPARE(catalogue.GetGpsfileStatus(0), status);
        QCOMPARE(catalogue.GetGpsSourceText(0), text);
        if (kind == GpsSourceKind::None) {
            // As before: the place where the recorder's log would be.
            QVERIFY(catalogue.GetGpsfilePath(0).endsWith(QStringLiteral("/gps/gps") + video.mid(4, 4) + QStringLiteral(".log")));
            return;
        }
        QCOMPARE(QFileInfo(catalogue.GetGpsfilePath(0)).fileName(), sourceName);

        // Played: one fix a second, the first of them the drive's start.
        GpsLogData log;
        log.ReadGpsSource(catalogue.GetGpsSource(0));
        QCOMPARE(log.GetGpsDataCount(), 60);
        if (status == GpsfileAvailableWord) {
            const GpsFix first = log.GetFixAt(0);
            QVERIFY(first.Valid);
            QVERIFY(std::fabs(first.Latitude - 52.19) < 0.01);
            QCOMPARE(log.GetGpsDataAt(0).SouthOrNorth, QStringLiteral("N"));
            QCOMPARE(log.GetGpsDataAt(0).EastOrWest, QStringLiteral("E"));
        }
    }

    void recorderLogStaysFirstAndUnchanged()
    {
        const QString folder = ClipFolder();
        const QString video = Write(folder + QStringLiteral("/CLIP0021.MP4"),
                                    Mp4GpsWriter::SeventyMai(Mp4GpsWriter::Drive(60)));
        Write(folder + QStringLiteral("/CLIP0021.NMEA"), PlainNmea(Mp4GpsWriter::Drive(60)));
        const QString log = Write(QDir::cleanPath(folder + QStringLiteral("/../../gps/gps0021.log")),
                                  LogLine + "V,,,,,,,;\n" + "V,,,,,,,;\n" + "V,,,,,,,;\n" + "V,,,,,,,;\n");

        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({video});
        QCOMPARE(catalogue.GetGpsSourceKind(0), GpsSourceKind::RecorderLog);
        QCOMPARE(catalogue.GetGpsfilePath(0), QDir::toNativeSeparators(log));
        // One line in five: the log's own rule says unavailable, whatever the video holds.
        QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Unavailable"));
        QCOMPARE(catalogue.GetGpsSourceText(0), QStringLiteral("GPS log gps0021.log"));
    }

    void sourceChangedOrGoneBeforePlay()
    {
        const QString folder = ClipFolder();
        const QString video = Write(folder + QStringLiteral("/CLIP0031.MOV"), QByteArray("mov"));
        const QString side = Write(folder + QStringLiteral("/CLIP0031.nmea"), PlainNmea(Mp4GpsWriter::Drive(10)));
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({video});
        QCOMPARE(catalogue.GetGpsSourceKind(0), GpsSourceKind::NmeaFile);

        // Read again at play time: what the file holds then counts.
        Write(side, PlainNmea(Mp4GpsWriter::Drive(20)));
        GpsLogData log;
        log.ReadGpsSource(catalogue.GetGpsSource(0));
        QCOMPARE(log.GetGpsDataCount(), 20);

        // Gone: an empty track, as for a missing log.
        QVERIFY(QFile::remove(side));
        log.ClearGpsData();
        log.ReadGpsSource(catalogue.GetGpsSource(0));
        QCOMPARE(log.GetGpsDataCount(), 0);
        QVERIFY(!log.GetGpsDataAt(0).DataAvailable);
        // Out of range asks give nothing.
        QCOMPARE(catalogue.GetGpsSourceKind(1), GpsSourceKind::None);
        QVERIFY(catalogue.GetGpsSourceText(-1).isEmpty());
    }

    // A Tesla camera file: a fix in every frame, ten a second.
    void teslaFile()
    {
        QFile base(QStringLiteral(VIALUMO_TESTDATA_DIR "/tesla-base.h264"));
        QVERIFY(base.open(QIODevice::ReadOnly));
        const QString folder = ClipFolder();
        const QString video
            = Write(folder + QStringLiteral("/2025-12-01_10-00-00-front.mp4"), TeslaSeiWriter::Drive(base.readAll(), 10));
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({video});
        QCOMPARE(catalogue.GetGpsSourceKind(0), GpsSourceKind::InsideVideo);
        QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Available"));
        QCOMPARE(catalogue.GetGpsSourceText(0), QStringLiteral("GPS inside the video: 30 fixes in 3 s"));
        GpsLogData log;
        log.ReadGpsSource(catalogue.GetGpsSource(0));
        QCOMPARE(log.GetGpsDataCount(), 3);
        QVERIFY(log.GetFixAt(2).Valid);
        QVERIFY(std::fabs(log.GetFixAt(2).Latitude - (52.190583 + 2.0 * 0.00011)) < 1e-9);
    }

    void realSeventyMaiFile()
    {
        const QString folder = ClipFolder();
        QVERIFY(QFile::copy(QStringLiteral(VIALUMO_SOURCE_DIR "/tests/data/mp4-gps-box/NO20191130-120156-000121.MP4"),
                            folder + QStringLiteral("/NO20191130-120156-000121.MP4")));
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({folder + QStringLiteral("/NO20191130-120156-000121.MP4")});
        QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Available"));
        QCOMPARE(catalogue.GetGpsSourceText(0), QStringLiteral("GPS inside the video: 61 fixes in 61 s"));
    }
};

QTEST_GUILESS_MAIN(TestGpsSourceChain)
#include "tst_gpssourcechain.moc"

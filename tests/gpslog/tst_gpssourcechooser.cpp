// The one GPS source chooser of import, play and export: the order of the
// sources, the side files' spellings in their order, the reader of each
// kind, and a chosen source read again with its kind's reader whatever its
// first bytes look like.

#include "gpslog/gpslogdata.h"
#include "gpslog/gpsreader.h"
#include "gpslog/gpssourcechooser.h"
#include "gpslog/gpxexport.h"
#include "gpslog/gpxfilereader.h"
#include "gpslog/nmeafilereader.h"
#include "gpslog/recorderlogfilereader.h"
#include "gpslog/srtfilereader.h"
#include "gpslog/videogpsfilereader.h"
#include "mp4gpswriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <typeinfo>

Q_DECLARE_METATYPE(GpsSourceKind)

namespace {

const QByteArray LogLine = "A,301119,120156,5211.4350,N,02047.3690,E,10.0;\n";

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
            + QByteArray::number(fix.Longitude, 'f', 7) + "\"><time>" + fix.Utc.toString(Qt::ISODate).toLatin1()
            + "</time></trkpt>";
    }
    return "<?xml version=\"1.0\"?><gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\"><trk><trkseg>"
        + points + "</trkseg></trk></gpx>";
}

// A DJI-style telemetry file of the drive, one cue a second.
QByteArray Srt(const GpsFixList &Fixes)
{
    QByteArray text;
    for (qsizetype k = 0; k < Fixes.size(); ++k) {
        const QByteArray start = QTime::fromMSecsSinceStartOfDay(int(k * 1000)).toString(u"hh:mm:ss,zzz").toLatin1();
        const QByteArray end = QTime::fromMSecsSinceStartOfDay(int(k * 1000 + 1000)).toString(u"hh:mm:ss,zzz").toLatin1();
        text += QByteArray::number(k + 1) + '\n' + start + " --> " + end + "\nGPS("
            + QByteArray::number(Fixes[k].Longitude, 'f', 6) + ',' + QByteArray::number(Fixes[k].Latitude, 'f', 6)
            + ",15)\n\n";
    }
    return text;
}

QByteArray ReaderName(const GpsReader *Reader)
{
    return Reader ? QByteArray(typeid(*Reader).name()) : QByteArray("none");
}

} // namespace

class TestGpsSourceChooser : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;
    int Card = 0;

    // A fresh card for each case: CARD/DCIM/100CLIP/.
    QString ClipFolder()
    {
        const QString folder = Dir.filePath(QStringLiteral("card%1/DCIM/100CLIP").arg(++Card));
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
    // Every source present but the ones before the expected one left out or
    // holding no fix: the first one with a fix wins, in the order the README
    // gives.
    void order_data()
    {
        QTest::addColumn<QByteArray>("video");
        // Side files: name -> content; "log" stands for the recorder's log.
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QByteArrayList>("contents");
        QTest::addColumn<GpsSourceKind>("kind");
        QTest::addColumn<QString>("source");

        const GpsFixList drive = Mp4GpsWriter::Drive(20);
        const QByteArray inside = Mp4GpsWriter::SeventyMai(drive);
        const QByteArray noGps = Mp4GpsWriter::FileType() + Mp4GpsWriter::Movie();
        const QStringList all = {"log", "CLIP0001.NMEA", "CLIP0001.gpx", "CLIP0001.SRT"};
        const QByteArrayList allContents = {LogLine, PlainNmea(drive), Gpx(drive), Srt(drive)};
        QTest::newRow("the recorder's log before all") << inside << all << allContents << GpsSourceKind::RecorderLog
                                                       << "gps0001.log";
        QTest::newRow("the log without a fix still first")
            << inside << all << QByteArrayList{"V,,,,,,,;\n", PlainNmea(drive), Gpx(drive), Srt(drive)}
            << GpsSourceKind::RecorderLog << "gps0001.log";
        QTest::newRow("inside the video before side files")
            << inside << all.mid(1) << allContents.mid(1) << GpsSourceKind::InsideVideo << "CLIP0001.MP4";
        QTest::newRow("NMEA before GPX and SRT") << noGps << all.mid(1) << allContents.mid(1)
                                                 << GpsSourceKind::NmeaFile << "CLIP0001.NMEA";
        QTest::newRow("GPX before SRT") << noGps << all.mid(1)
                                        << QByteArrayList{"no fix here\n", Gpx(drive), Srt(drive)}
                                        << GpsSourceKind::GpxFile << "CLIP0001.gpx";
        QTest::newRow("SRT last") << noGps << all.mid(1)
                                  << QByteArrayList{"no fix here\n", "<gpx></gpx>", Srt(drive)}
                                  << GpsSourceKind::SrtFile << "CLIP0001.SRT";
        QTest::newRow(".NMEA, .nmea, .gps, .GPS in turn")
            << noGps << QStringList{"CLIP0001.GPS", "CLIP0001.gps", "CLIP0001.nmea", "CLIP0001.NMEA"}
            << QByteArrayList{PlainNmea(drive), PlainNmea(drive), PlainNmea(drive), "nothing\n"}
            << GpsSourceKind::NmeaFile << "CLIP0001.nmea";
        QTest::newRow(".gps before .GPS") << noGps << QStringList{"CLIP0001.GPS", "CLIP0001.gps"}
                                          << QByteArrayList{PlainNmea(drive), PlainNmea(drive)}
                                          << GpsSourceKind::NmeaFile << "CLIP0001.gps";
        QTest::newRow(".gpx before .GPX") << noGps << QStringList{"CLIP0001.GPX", "CLIP0001.gpx"}
                                          << QByteArrayList{Gpx(drive), "<gpx/>"} << GpsSourceKind::GpxFile
                                          << "CLIP0001.GPX";
        QTest::newRow(".SRT before .srt") << noGps << QStringList{"CLIP0001.srt", "CLIP0001.SRT"}
                                          << QByteArrayList{Srt(drive), Srt(drive)} << GpsSourceKind::SrtFile
                                          << "CLIP0001.SRT";
        QTest::newRow("other spellings are not looked for")
            << noGps << QStringList{"CLIP0001.Nmea", "CLIP0001.Srt", "clip0001.srt"}
            << QByteArrayList{PlainNmea(drive), Srt(drive), Srt(drive)} << GpsSourceKind::None << "gps0001.log";
        QTest::newRow("nothing: the log's place") << noGps << QStringList() << QByteArrayList()
                                                  << GpsSourceKind::None << "gps0001.log";
    }

    void order()
    {
        QFETCH(QByteArray, video);
        QFETCH(QStringList, names);
        QFETCH(QByteArrayList, contents);
        QFETCH(GpsSourceKind, kind);
        QFETCH(QString, source);

        const QString folder = ClipFolder();
        const QString videoPath = Write(folder + QStringLiteral("/CLIP0001.MP4"), video);
        for (qsizetype k = 0; k < names.size(); ++k) {
            const QString path = names[k] == QStringLiteral("log")
                ? QDir::cleanPath(folder + QStringLiteral("/../../gps/gps0001.log"))
                : folder + QLatin1Char('/') + names[k];
            Write(path, contents[k]);
        }
        const GpsSourceChooser::Choice choice = GpsSourceChooser::Choose(videoPath);
        QCOMPARE(choice.Source.Kind, kind);
        QCOMPARE(QFileInfo(choice.Source.Path).fileName(), source);
        QCOMPARE(choice.Source.VideoPath, videoPath);
        const bool placed = kind != GpsSourceKind::RecorderLog && kind != GpsSourceKind::None;
        QCOMPARE(choice.Seconds.Readable, placed);
        if (placed) {
            // A GPX track is lined up by the video's start, which this one
            // does not tell: its points hold fixes, none of them placed.
            QCOMPARE(choice.Seconds.Track.Size(), kind == GpsSourceKind::GpxFile ? 0 : 20);
            QCOMPARE(choice.Seconds.SourceFixes, 20);
            // Read again as at play time: the same seconds.
            const GpsSeconds::Result again = GpsSourceChooser::ReadSeconds(choice.Source);
            QCOMPARE(again.Track.Size(), choice.Seconds.Track.Size());
            QCOMPARE(again.ValidSeconds(), choice.Seconds.ValidSeconds());
        }
    }

    void missingVideo()
    {
        const GpsSourceChooser::Choice choice = GpsSourceChooser::Choose(Dir.filePath(QStringLiteral("none.MP4")));
        QCOMPARE(choice.Source.Kind, GpsSourceKind::None);
        QVERIFY(choice.Source.Path.isEmpty());
        QVERIFY(!GpsSourceChooser::ReadSeconds(choice.Source).Readable);
    }

    void readerOfEachKind_data()
    {
        QTest::addColumn<GpsSourceKind>("kind");
        QTest::addColumn<QByteArray>("reader");
        QTest::newRow("none") << GpsSourceKind::None << QByteArray("none");
        QTest::newRow("log") << GpsSourceKind::RecorderLog << QByteArray(typeid(RecorderLogFileReader).name());
        QTest::newRow("inside") << GpsSourceKind::InsideVideo << QByteArray(typeid(VideoGpsFileReader).name());
        QTest::newRow("NMEA") << GpsSourceKind::NmeaFile << QByteArray(typeid(NmeaFileReader).name());
        QTest::newRow("GPX") << GpsSourceKind::GpxFile << QByteArray(typeid(GpxFileReader).name());
        QTest::newRow("SRT") << GpsSourceKind::SrtFile << QByteArray(typeid(SrtFileReader).name());
    }

    void readerOfEachKind()
    {
        QFETCH(GpsSourceKind, kind);
        QTEST(ReaderName(GpsSourceChooser::ReaderOf(kind)), "reader");
    }

    // An NMEA side file whose first line mentions "<gpx": judged by its
    // bytes it would pass for GPX and give nothing; chosen as NMEA, it is
    // read as NMEA at import, at play and for the export alike.
    void chosenKindReadWhateverTheBytesSay()
    {
        const QString folder = ClipFolder();
        const QString video = Write(folder + QStringLiteral("/CLIP0002.MOV"),
                                    Mp4GpsWriter::FileType() + Mp4GpsWriter::Movie());
        const QString side = Write(folder + QStringLiteral("/CLIP0002.NMEA"),
                                   "# converted from <gpx> by a tool\n" + PlainNmea(Mp4GpsWriter::Drive(10)));
        QCOMPARE(ReaderName(GpsReader::ForFile(side)), QByteArray(typeid(GpxFileReader).name()));

        const GpsSource source = GpsSourceChooser::Choose(video).Source;
        QCOMPARE(source.Kind, GpsSourceKind::NmeaFile);
        GpsLogData log;
        log.ReadGpsSource(source);
        QCOMPARE(log.GetGpsDataCount(), 10);
        QVERIFY(log.GetFixAt(0).Valid);

        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        QVERIFY2(GpxExport::Write(source, out, &error), qPrintable(error));
        QCOMPARE(out.data().count("<trkpt "), 10);
        out.buffer().clear();
        out.seek(0);
        QVERIFY2(GpxExport::Write(video, out, &error), qPrintable(error));
        QCOMPARE(out.data().count("<trkpt "), 10);
    }

    // A source gone before play reads as a missing log; for the export the
    // video's source is chosen again.
    void sourceGoneBeforePlayOrExport()
    {
        const QString folder = ClipFolder();
        const QString video = Write(folder + QStringLiteral("/CLIP0003.MOV"),
                                    Mp4GpsWriter::SeventyMai(Mp4GpsWriter::Drive(12)));
        const QString side = Write(folder + QStringLiteral("/CLIP0003.srt"), Srt(Mp4GpsWriter::Drive(20)));
        const GpsSource stored{GpsSourceKind::SrtFile, side, video};
        QVERIFY(QFile::remove(side));
        QVERIFY(!GpsSourceChooser::ReadSeconds(stored).Readable);
        GpsLogData log;
        log.ReadGpsSource(stored);
        QCOMPARE(log.GetGpsDataCount(), 0);

        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString error;
        QVERIFY2(GpxExport::Write(stored, out, &error), qPrintable(error));
        QCOMPARE(out.data().count("<trkpt "), 12);
    }
};

QTEST_GUILESS_MAIN(TestGpsSourceChooser)
#include "tst_gpssourcechooser.moc"

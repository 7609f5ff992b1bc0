// `vialumo --export-gpx FILE` as a user's script runs it: without a display,
// a document on standard output and exit 0, or one line on standard error
// and exit 2.

#include "mp4gpswriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Run
{
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

Run Vialumo(const QStringList &Arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Nothing to show on: the export must not need it.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VIALUMO_DEPLOY_DIR "/vialumo"), Arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QString DataPath(const QString &Name)
{
    return QStringLiteral(VIALUMO_SOURCE_DIR "/tests/data/") + Name;
}

} // namespace

class TestExportGpx : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

private slots:
    void documentOfEachKind_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("timed");

        QTest::newRow("70mai video") << DataPath(QStringLiteral("mp4-gps-box/NO20191130-120156-000121.MP4")) << 61
                                     << false;
        QTest::newRow("NMEA log") << DataPath(QStringLiteral("nmea/haicom-305N.log")) << 68 << true;
        QTest::newRow("GPX track") << DataPath(QStringLiteral("gpx/around-visnjan-with-car.gpx")) << 104 << true;
        QTest::newRow("GoPro video") << DataPath(QStringLiteral("gopro/max-heromode.mp4")) << -1 << true;
        QTest::newRow("NMEA at quarter seconds") << DataPath(QStringLiteral("nmea/gpsbabel-track-nmea+ms.txt")) << 32
                                                 << true;
        QTest::newRow("SRT telemetry with dates") << DataPath(QStringLiteral("srt/mavic_pro.SRT")) << 468 << true;
        QTest::newRow("SRT telemetry without dates") << DataPath(QStringLiteral("srt/p4_rtk.SRT")) << 55 << false;
    }
    void documentOfEachKind()
    {
        QFETCH(QString, file);
        QFETCH(int, points);
        QFETCH(bool, timed);
        const Run run = Vialumo({QStringLiteral("--export-gpx"), file});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY2(run.Err.isEmpty(), run.Err.constData());

        QXmlStreamReader xml(run.Out);
        int trkpts = 0;
        int times = 0;
        int speeds = 0;
        QString version;
        static const QRegularExpression sevenDecimals(QStringLiteral("^-?\\d+\\.\\d{7,}$"));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"gpx")
                version = xml.attributes().value(QStringLiteral("version")).toString();
            if (xml.name() == u"trkpt") {
                ++trkpts;
                QVERIFY(sevenDecimals.match(xml.attributes().value(QStringLiteral("lat"))).hasMatch());
                QVERIFY(sevenDecimals.match(xml.attributes().value(QStringLiteral("lon"))).hasMatch());
            }
            if (xml.name() == u"time")
                ++times;
            // Every point's speed where other programs look for it.
            if (xml.name() == u"speed") {
                QCOMPARE(xml.namespaceUri().toString(),
                         QStringLiteral("http://www.garmin.com/xmlschemas/TrackPointExtension/v2"));
                ++speeds;
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(version, QStringLiteral("1.1"));
        if (points >= 0)
            QCOMPARE(trkpts, points);
        else
            QVERIFY(trkpts > 10);
        QCOMPARE(times >= trkpts, timed);
        QCOMPARE(speeds, trkpts);
    }

    void videoTakesItsSourceAsOnImport()
    {
        // A video without GPS beside an NMEA file of its name.
        const QString video = Dir.filePath(QStringLiteral("CLIP0001.MOV"));
        QFile file(video);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Mp4GpsWriter::FileType() + Mp4GpsWriter::Movie());
        file.close();
        QFile side(Dir.filePath(QStringLiteral("CLIP0001.NMEA")));
        QVERIFY(side.open(QIODevice::WriteOnly));
        side.write(Mp4GpsWriter::NmeaLines(Mp4GpsWriter::Drive(12)));
        side.close();
        const Run run = Vialumo({QStringLiteral("--export-gpx=") + video});
        QCOMPARE(run.ExitCode, 0);
        QCOMPARE(run.Out.count("<trkpt "), 12);

        // A drone's video beside its telemetry subtitles.
        const QString drone = Dir.filePath(QStringLiteral("DJI_0001.MP4"));
        QVERIFY(QFile::copy(QStringLiteral(VIALUMO_SOURCE_DIR "/tests/data/srt/matrice_300.srt"),
                            Dir.filePath(QStringLiteral("DJI_0001.srt"))));
        QFile droneVideo(drone);
        QVERIFY(droneVideo.open(QIODevice::WriteOnly));
        droneVideo.write(Mp4GpsWriter::FileType() + Mp4GpsWriter::Movie());
        droneVideo.close();
        const Run flight = Vialumo({QStringLiteral("--export-gpx"), drone});
        QCOMPARE(flight.ExitCode, 0);
        // Latitude first in this dialect: every point near 36.6 N, 6.1 W.
        QCOMPARE(flight.Out.count("<trkpt lat=\"36.61"), 381);
        QCOMPARE(flight.Out.count(" lon=\"-6.1"), 381);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing") << Dir.filePath(QStringLiteral("none.MP4"));
        QTest::newRow("one byte") << DataPath(QStringLiteral("mp4-gps-box/NO20191130-123556-000155.MP4"));
        QTest::newRow("a folder") << Dir.path();
        QTest::newRow("text without GPS") << DataPath(QStringLiteral("../../README.md"));
        QTest::newRow("video without GPS, not an MP4") << Dir.filePath(QStringLiteral("CLIP0002.ts"));
    }
    void failures()
    {
        QFETCH(QString, file);
        if (file.endsWith(QLatin1String(".ts"))) {
            // Lines that a log reader would take for fixes at 0,0.
            QFile ts(file);
            QVERIFY(ts.open(QIODevice::WriteOnly));
            ts.write(QByteArray("A,,,,,,,;\n").repeated(100));
        }
        const Run run = Vialumo({QStringLiteral("--export-gpx"), file});
        QCOMPARE(run.ExitCode, 2);
        QVERIFY(run.Out.isEmpty());
        QCOMPARE(run.Err.count('\n'), 1);
        QVERIFY(run.Err.startsWith("vialumo: "));
        QVERIFY(run.Err.endsWith('\n'));
    }

    // With or without an export, and with no display to open a window on.
    void helpAndVersion_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::newRow("alone") << QStringList();
        QTest::newRow("with an export") << QStringList{QStringLiteral("--export-gpx"), QStringLiteral("x")};
        QTest::newRow("with paths") << QStringList{QStringLiteral("clip.MOV")};
    }
    void helpAndVersion()
    {
        QFETCH(QStringList, before);
        for (const QString &option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            const Run help = Vialumo(before + QStringList{option});
            QCOMPARE(help.ExitCode, 0);
            QVERIFY(help.Out.contains("--export-gpx <FILE>"));
            QVERIFY(help.Out.contains("[PATH...]"));
        }
        const Run version = Vialumo(before + QStringList{QStringLiteral("--version")});
        QCOMPARE(version.ExitCode, 0);
        QVERIFY(version.Out.contains(VIALUMO_VERSION));
    }
};

QTEST_GUILESS_MAIN(TestExportGpx)
#include "tst_exportgpx.moc"

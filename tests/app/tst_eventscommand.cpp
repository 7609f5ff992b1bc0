// `vialumo --events PATH...` and `vialumo --trips PATH...` as a script runs
// them: without a display, lines in time order and exit 0, or one line on
// standard error and exit 2 when no path holds a video.

#include "accelwriter.h"
#include "mp4gpswriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run
{
    int ExitCode = -1;
    QByteArray Out;
    QByteArray Err;
};

Run Vialumo(const QStringList &Arguments, const QString &Home)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // The user's settings (the speed limit) from a home of the test's own.
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Home);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VIALUMO_DEPLOY_DIR "/vialumo"), Arguments);
    if (!process.waitForFinished(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

void Write(const QString &Path, const QByteArray &Bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(Path).path()));
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
}

} // namespace

class TestEventsCommand : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;
    QString Card;

private slots:
    void initTestCase()
    {
        Card = Dir.filePath("card");
        const QDateTime start(QDate(2024, 5, 1), QTime(12, 0), QTimeZone::utc());
        // Two clips of one drive (the second starts where the first ends),
        // the first braking hard at 12 s; then an event clip a day later
        // and far away.
        const GpsFixList first = Mp4GpsWriter::Drive(30, 52.0, 13.0, start);
        const GpsFixList second = Mp4GpsWriter::Drive(30, first.last().Latitude + 0.00011,
                                                      first.last().Longitude + 0.00018, start.addSecs(30));
        const GpsFixList later = Mp4GpsWriter::Drive(20, 48.0, 11.0, start.addDays(1));
        using M = AccelWriter::Moment;
        Write(Card + "/Record/20240501_120000_NF.mp4",
              AccelWriter::BlackVueVideo(first, AccelWriter::Drive(30, 10, 7, {{M::Braking, 12'000, 900, 0.7}})));
        Write(Card + "/Record/20240501_120030_NF.mp4", AccelWriter::BlackVueVideo(second, AccelWriter::Drive(30, 10, 8)));
        Write(Card + "/Record/20240502_120000_EF.mp4",
              AccelWriter::BlackVueVideo(later, AccelWriter::Drive(20, 10, 9, {{M::Bump, 5'000, 100, 2.0}})));
        Write(Dir.filePath("empty/notes.txt"), "no video here");
    }

    void eventsOfACard()
    {
        const Run run = Vialumo({QStringLiteral("--events"), Card}, Dir.filePath("home"));
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Err.isEmpty());
        const QStringList lines = QString::fromUtf8(run.Out).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        const QStringList braking = lines[0].split(u'\t');
        QCOMPARE(braking.size(), 4);
        QCOMPARE(braking[0], Card + "/Record/20240501_120000_NF.mp4");
        QVERIFY2(braking[1] == "00:00:12.0" || braking[1] == "00:00:11.9" || braking[1] == "00:00:12.1",
                 qPrintable(braking[1]));
        QCOMPARE(braking[2], QStringLiteral("braking"));
        // The peak of what the sensor felt: the braking and the drive's own sway.
        QVERIFY(std::fabs(braking[3].toDouble() - 0.8) < 0.2);
        QCOMPARE(lines[1].split(u'\t').mid(1), (QStringList{"00:00:00.0", "recorder", "0.00"}));
        QCOMPARE(lines[2].split(u'\t')[2], QStringLiteral("bump"));
    }

    void speedingWithTheUsersLimit()
    {
        const QString home = Dir.filePath("fast");
        Write(home + "/Vialumo/Vialumo.conf", "[Events]\nSpeedLimitKmh=70.25\n");
        const Run run = Vialumo({QStringLiteral("--events"), Card + "/Record/20240501_120000_NF.mp4"}, home);
        QCOMPARE(run.ExitCode, 0);
        // The generated drive goes from 60 km/h, half a km/h faster each
        // second, to 74.5 km/h.
        QVERIFY2(run.Out.contains("\t00:00:21.0\tspeeding\t7"), run.Out.constData());
        QCOMPARE(run.Out.count("speeding"), 1);
    }

    void tripsOfACard()
    {
        const Run run = Vialumo({QStringLiteral("--trips"), Card}, Dir.filePath("home"));
        QCOMPARE(run.ExitCode, 0);
        const QList<QByteArray> lines = run.Out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        const QJsonObject drive = QJsonDocument::fromJson(lines[0]).object();
        QCOMPARE(drive.value("files").toArray().size(), 2);
        QCOMPARE(drive.value("start").toString(), QStringLiteral("2024-05-01T12:00:00.000Z"));
        // About 19 m a second for a minute.
        QVERIFY(drive.value("distance_m").toDouble() > 1000.0 && drive.value("distance_m").toDouble() < 1300.0);
        QCOMPARE(drive.value("top_speed_kmh").toDouble(), 74.5);
        QVERIFY(drive.contains("end"));
        QCOMPARE(QJsonDocument::fromJson(lines[1]).object().value("files").toArray().size(), 1);
    }

    void nothingToRead_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("events, folder without video") << "--events" << QStringList{Dir.filePath("empty")};
        QTest::newRow("trips, missing path") << "--trips" << QStringList{Dir.filePath("missing")};
        QTest::newRow("events, no path") << "--events" << QStringList();
        QTest::newRow("trips, a text file") << "--trips" << QStringList{Dir.filePath("empty/notes.txt")};
    }
    void nothingToRead()
    {
        QFETCH(QString, option);
        QFETCH(QStringList, paths);
        const Run run = Vialumo(QStringList{option} + paths, Dir.filePath("home"));
        QCOMPARE(run.ExitCode, 2);
        QVERIFY(run.Out.isEmpty());
        QCOMPARE(run.Err.count('\n'), 1);
        QVERIFY(run.Err.startsWith("vialumo: "));
    }
};

QTEST_GUILESS_MAIN(TestEventsCommand)
#include "tst_eventscommand.moc"

// `vialumo --export-clip FILE --from TIME --to TIME --output DIR` and
// `vialumo --verify DIR` as a user's script runs them: without a display,
// exit 0 with a whole folder, or exit 2 with one line on standard error and
// nothing of the export left behind; the check passing, then failing after
// one byte of one file has changed.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

namespace {

const QString ClipA = QStringLiteral(VIALUMO_TESTDATA_DIR "/numbered_a.mp4");
const QString ClipB = QStringLiteral(VIALUMO_TESTDATA_DIR "/numbered_b.mp4");

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
    // Nothing to show on: the export must not need it.
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // The GPS shift comes from the settings of this home only.
    environment.insert(QStringLiteral("HOME"), Home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Home + QStringLiteral("/config"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VIALUMO_DEPLOY_DIR "/vialumo"), Arguments);
    if (!process.waitForFinished(120000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

QStringList Everything(const QString &Root)
{
    QStringList all;
    QDirIterator it(Root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        all << it.next();
    all.sort();
    return all;
}

} // namespace

class TestExportClip : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Root;
    QString Card;
    QString First;

    QString Home() const { return Root.filePath(QStringLiteral("home")); }

    Run Export(const QString &From, const QString &To, const QString &Output, const QString &File = QString())
    {
        QStringList arguments{QStringLiteral("--export-clip"), File.isEmpty() ? First : File};
        if (!From.isEmpty())
            arguments << QStringLiteral("--from") << From;
        if (!To.isEmpty())
            arguments << QStringLiteral("--to") << To;
        if (!Output.isEmpty())
            arguments << QStringLiteral("--output") << Output;
        return Vialumo(arguments, Home());
    }

private slots:
    void initTestCase()
    {
        Card = Root.filePath(QStringLiteral("card"));
        QVERIFY(QDir().mkpath(Card + QStringLiteral("/DCIM/100CLIP")));
        QVERIFY(QDir().mkpath(Card + QStringLiteral("/gps")));
        QVERIFY(QDir().mkpath(Home()));
        First = Card + QStringLiteral("/DCIM/100CLIP/CLIP0001.MP4");
        QVERIFY(QFile::copy(ClipA, First));
        QVERIFY(QFile::copy(ClipB, Card + QStringLiteral("/DCIM/100CLIP/CLIP0002.MP4")));
        for (int clip = 1; clip <= 2; ++clip) {
            QFile log(Card + QStringLiteral("/gps/gps000%1.log").arg(clip));
            QVERIFY(log.open(QIODevice::WriteOnly));
            for (int second = 0; second < 6; ++second) {
                const int s = (clip - 1) * 6 + second;
                log.write(QStringLiteral("A,091226,1403%1,5207.%2,N,00434.%3,E,30.0;\n")
                              .arg(s, 2, 10, QLatin1Char('0'))
                              .arg(4000 + 60 * s)
                              .arg(1000 + 100 * s)
                              .toLatin1());
            }
        }
    }

    void exportsAcrossTheDriveAndVerifies()
    {
        const QString output = Root.filePath(QStringLiteral("exports/crash"));
        const Run run = Export(QStringLiteral("00:00:03.500"), QStringLiteral("00:00:09"), output);
        QVERIFY2(run.ExitCode == 0, run.Err.constData());
        QVERIFY2(run.Err.isEmpty(), run.Err.constData());
        const QStringList names = QDir(output).entryList(QDir::Files, QDir::Name);
        QCOMPARE(names, QStringList({"CLIP0001_00-00-03-00-00-09.gpx", "CLIP0001_00-00-03-00-00-09.mp4",
                                     "manifest.json", "route.png", "summary.html"}));
        QVERIFY(run.Out.contains("CLIP0001_00-00-03-00-00-09.mp4"));
        QFile manifestFile(output + QStringLiteral("/manifest.json"));
        QVERIFY(manifestFile.open(QIODevice::ReadOnly));
        const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
        // The second recording continues the first within two seconds: the clip goes on into it.
        QCOMPARE(manifest.value(QStringLiteral("sources")).toArray().size(), 2);
        QCOMPARE(manifest.value(QStringLiteral("range")).toObject().value(QStringLiteral("to")).toString(),
                 QStringLiteral("00:00:09.000"));

        Run check = Vialumo({QStringLiteral("--verify"), output}, Home());
        QCOMPARE(check.ExitCode, 0);
        QCOMPARE(check.Out, QByteArray("all 4 files match\n"));
        QVERIFY(check.Err.isEmpty());

        QFile gpx(output + QStringLiteral("/CLIP0001_00-00-03-00-00-09.gpx"));
        QVERIFY(gpx.open(QIODevice::ReadWrite));
        QVERIFY(gpx.seek(100));
        const char byte = gpx.peek(1).at(0);
        gpx.write(QByteArray(1, char(byte + 1)));
        gpx.close();
        check = Vialumo({QStringLiteral("--verify"), output}, Home());
        QCOMPARE(check.ExitCode, 1);
        QCOMPARE(check.Out, QByteArray("CLIP0001_00-00-03-00-00-09.gpx: changed\n"));

        // Relative to the folder the user is in; no manifest is a failure.
        check = Vialumo({QStringLiteral("--verify"), Card}, Home());
        QCOMPARE(check.ExitCode, 2);
        QCOMPARE(check.Err.count('\n'), 1);
    }

    void gpsShiftComesFromTheSettings()
    {
        {
            QSettings settings(Home() + QStringLiteral("/config/Vialumo/Vialumo.conf"), QSettings::IniFormat);
            settings.setValue(QStringLiteral("GpsShift/") + QString::fromLatin1(QUrl::toPercentEncoding(First)), 2);
        }
        const QString output = Root.filePath(QStringLiteral("shifted"));
        const Run run = Export(QStringLiteral("00:00:01"), QStringLiteral("00:00:03"), output);
        QVERIFY2(run.ExitCode == 0, run.Err.constData());
        QFile manifestFile(output + QStringLiteral("/manifest.json"));
        QVERIFY(manifestFile.open(QIODevice::ReadOnly));
        const QJsonObject manifest = QJsonDocument::fromJson(manifestFile.readAll()).object();
        QCOMPARE(manifest.value(QStringLiteral("gps_shift_seconds")).toInt(), 2);
        QFile::remove(Home() + QStringLiteral("/config/Vialumo/Vialumo.conf"));
    }

    void badInputsFailWithOneLineAndNoTrace_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing file") << "card/DCIM/100CLIP/CLIP0009.MP4" << "" << "" << "out" << "no such file";
        QTest::newRow("a folder") << "card/DCIM/100CLIP" << "" << "" << "out" << "no such file";
        QTest::newRow("not a video") << "card/gps/gps0001.log" << "" << "" << "out" << "cannot be read";
        QTest::newRow("empty range") << "" << "00:00:02" << "00:00:02" << "out" << "is empty";
        QTest::newRow("range backwards") << "" << "00:00:04" << "00:00:02.500" << "out" << "is empty";
        QTest::newRow("starts past the end") << "" << "00:00:06" << "00:00:09" << "out" << "past the end";
        QTest::newRow("starts far past the end") << "" << "01:00:00" << "" << "out" << "past the end";
        QTest::newRow("time without seconds") << "" << "00:01" << "" << "out" << "not a time";
        QTest::newRow("time with words") << "" << "" << "soon" << "out" << "not a time";
        QTest::newRow("minutes past 59") << "" << "00:61:00" << "" << "out" << "not a time";
        QTest::newRow("no output") << "" << "" << "" << "" << "needs --output";
        QTest::newRow("output not empty") << "" << "" << "" << "card" << "not empty";
        QTest::newRow("output is a file") << "" << "" << "" << "card/gps/gps0001.log" << "not a folder";
        QTest::newRow("output under a file") << "" << "" << "" << "card/gps/gps0001.log/out" << "cannot be made";
    }
    void badInputsFailWithOneLineAndNoTrace()
    {
        QFETCH(QString, file);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, output);
        QFETCH(QString, says);
        const QStringList before = Everything(Root.path());
        const Run run = Export(from, to, output.isEmpty() ? QString() : Root.filePath(output),
                               file.isEmpty() ? QString() : Root.filePath(file));
        QCOMPARE(run.ExitCode, 2);
        QCOMPARE(run.Err.count('\n'), 1);
        QVERIFY2(run.Err.startsWith("vialumo: ") && run.Err.contains(says.toUtf8()), run.Err.constData());
        QVERIFY(run.Out.isEmpty());
        QCOMPARE(Everything(Root.path()), before);
    }

    // A small file system that fills up: the export fails and takes its
    // half-made folder away. Needs the right to mount (root, no container
    // that forbids it); skipped otherwise.
    void fullDiskLeavesNoTrace()
    {
        const QString disk = Root.filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(disk));
        QProcess mount;
        mount.start(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=64k"), QStringLiteral("tmpfs"), disk});
        if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0)
            QSKIP("no tmpfs can be mounted here");
        const auto unmount = qScopeGuard([&disk] { QProcess::execute(QStringLiteral("umount"), {disk}); });
        // Some room is taken, less than the clip needs is left.
        QFile filler(disk + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        filler.write(QByteArray(24 * 1024, 'f'));
        filler.close();
        const QStringList before = Everything(disk);
        const Run run = Export(QString(), QString(), disk + QStringLiteral("/clip"));
        QCOMPARE(run.ExitCode, 2);
        QCOMPARE(run.Err.count('\n'), 1);
        QVERIFY2(run.Err.contains("No space left on device"), run.Err.constData());
        QCOMPARE(Everything(disk), before);
    }
};

QTEST_GUILESS_MAIN(TestExportClip)
#include "tst_exportclip.moc"

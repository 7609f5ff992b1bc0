// `vialumo --list PATH...`: the recordings of files and folders as JSON, one
// object a line in the list's order, each moment's cameras one recording;
// run as the built program without a display, and as a function.

#include "commands/listcommand.h"
#include "mp4gpswriter.h"

#include <QBuffer>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
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

// The command run as a function, with the paths relative to StartDir.
Run ListFunction(const QString &StartDir, const QStringList &Paths)
{
    const UCommand command = ListCommand();
    QCommandLineParser parser;
    parser.addOption(command.Option);
    parser.addPositionalArgument(QStringLiteral("paths"), QString());
    if (!parser.parse(QStringList{QStringLiteral("vialumo"), QStringLiteral("--list")} + Paths))
        return {};
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const UCommandRun run{parser, QDir(StartDir), out, err};
    const int status = command.Main(run);
    return {status, out.data(), err.data()};
}

QList<QJsonObject> Lines(const QByteArray &Out)
{
    QList<QJsonObject> objects;
    for (const QByteArray &line : Out.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            qFatal("not a JSON object: %s", line.constData());
        objects << document.object();
    }
    return objects;
}

QByteArray MovieOf(const QDateTime &Start, quint32 Ms)
{
    const quint32 created = quint32(QDateTime(QDate(1904, 1, 1), QTime(0, 0), QTimeZone::utc()).secsTo(Start));
    const QByteArray header = Mp4GpsWriter::BigEndian32(created) + Mp4GpsWriter::BigEndian32(created)
        + Mp4GpsWriter::BigEndian32(1000) + Mp4GpsWriter::BigEndian32(Ms) + QByteArray(80, '\0');
    return Mp4GpsWriter::FileType() + Mp4GpsWriter::Box("moov", Mp4GpsWriter::FullBox("mvhd", 0, header));
}

} // namespace

class TestListCommand : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

    QString Write(const QString &Relative, const QByteArray &Content = {})
    {
        const QString path = Dir.filePath(Relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(Content);
        return path;
    }

private slots:
    void initTestCase()
    {
        const QDateTime noon(QDate(2026, 5, 1), QTime(12, 0), QTimeZone::utc());
        // A card of a two-camera recorder: the rear has the GPS.
        Write("viofo/DCIM/Movie/2026_0501_120000_0001F.MP4", MovieOf(noon, 20000));
        Write("viofo/DCIM/Movie/2026_0501_120000_0002R.MP4", Mp4GpsWriter::SeventyMai(Mp4GpsWriter::Drive(20)));
        Write("viofo/DCIM/Movie/2026_0501_120100_0003F.MP4", MovieOf(noon.addSecs(60), 60500));
        // The recorder's own card: a clip and its log.
        Write("card/DCIM/100CLIP/CLIP0001.MOV");
        Write("card/gps/gps0001.log", QByteArray("A,301119,120156,5211.4350,N,02047.3690,E,10.0;\n").repeated(5));
        Write("notes/readme.txt", "no video");
    }

    void recordingsAsJsonLines()
    {
        const Run run = Vialumo({QStringLiteral("--list"), Dir.filePath("viofo"), Dir.filePath("card")});
        QVERIFY2(run.Err.isEmpty(), run.Err.constData());
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Out.endsWith('\n'));
        const QList<QJsonObject> lines = Lines(run.Out);
        QCOMPARE(lines.size(), 3);

        const QJsonObject first = lines.at(0);
        QCOMPARE(first.value("file").toString(), Dir.filePath("viofo/DCIM/Movie/2026_0501_120000_0001F.MP4"));
        const QJsonObject cameras = first.value("cameras").toObject();
        QCOMPARE(cameras.keys(), QStringList({"front", "rear"}));
        QCOMPARE(cameras.value("rear").toString(), Dir.filePath("viofo/DCIM/Movie/2026_0501_120000_0002R.MP4"));
        QCOMPARE(first.value("rating").toString(), QStringLiteral("Available"));
        QCOMPARE(first.value("gps").toObject().value("kind").toString(), QStringLiteral("inside_video"));
        QCOMPARE(first.value("gps").toObject().value("path").toString(), cameras.value("rear").toString());
        QCOMPARE(first.value("start").toString(), QStringLiteral("2026-05-01T12:00:00Z"));
        QCOMPARE(first.value("length_s").toDouble(), 20.0);

        const QJsonObject second = lines.at(1);
        QCOMPARE(second.value("cameras").toObject().keys(), QStringList({"front"}));
        QCOMPARE(second.value("rating").toString(), QStringLiteral("Not Exist"));
        QVERIFY(second.value("gps").isNull());
        QCOMPARE(second.value("start").toString(), QStringLiteral("2026-05-01T12:01:00Z"));
        QCOMPARE(second.value("length_s").toDouble(), 60.5);

        // The recorder's own card, as the list shows it: its log, no start.
        const QJsonObject clip = lines.at(2);
        QCOMPARE(clip.value("file").toString(), Dir.filePath("card/DCIM/100CLIP/CLIP0001.MOV"));
        QCOMPARE(clip.value("rating").toString(), QStringLiteral("Available"));
        QCOMPARE(clip.value("gps").toObject().value("kind").toString(), QStringLiteral("recorder_log"));
        QCOMPARE(clip.value("gps").toObject().value("path").toString(), Dir.filePath("card/gps/gps0001.log"));
        QVERIFY(clip.value("start").isNull());
        QVERIFY(clip.value("length_s").isNull());
    }

    void asAFunctionWithRelativePaths()
    {
        // A file named twice, and a camera of a recording named on its own.
        const Run run = ListFunction(Dir.path(), {"viofo/DCIM/Movie/2026_0501_120000_0002R.MP4", "viofo",
                                                  "card/DCIM/100CLIP/CLIP0001.MOV", "notes"});
        QCOMPARE(run.ExitCode, 0);
        QVERIFY(run.Err.isEmpty());
        const QList<QJsonObject> lines = Lines(run.Out);
        QStringList files;
        for (const QJsonObject &line : lines)
            files << QFileInfo(line.value("file").toString()).fileName();
        QCOMPARE(files, QStringList({"2026_0501_120000_0001F.MP4", "2026_0501_120100_0003F.MP4", "CLIP0001.MOV"}));
        // A start read from the name is the recorder's local time, given in UTC.
        Write("named/2026_0501_130000_0001F.MP4", "cut");
        const QList<QJsonObject> named = Lines(ListFunction(Dir.path(), {"named"}).Out);
        QCOMPARE(named.size(), 1);
        QCOMPARE(named.first().value("start").toString(),
                 QDateTime(QDate(2026, 5, 1), QTime(13, 0)).toUTC().toString(Qt::ISODate));
        QVERIFY(named.first().value("length_s").isNull());
    }

    void nothingToList_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("a folder without videos") << QStringList{"notes"};
        QTest::newRow("a missing file") << QStringList{"none.MP4"};
        QTest::newRow("a file that is no video") << QStringList{"notes/readme.txt"};
        QTest::newRow("no path") << QStringList();
    }
    void nothingToList()
    {
        QFETCH(QStringList, paths);
        QStringList absolute;
        for (const QString &path : paths)
            absolute << Dir.filePath(path);
        const Run run = Vialumo(QStringList{QStringLiteral("--list")} + absolute);
        QCOMPARE(run.ExitCode, 2);
        QVERIFY(run.Out.isEmpty());
        QCOMPARE(run.Err.count('\n'), 1);
        QVERIFY(run.Err.startsWith("vialumo: "));
        QCOMPARE(ListFunction(Dir.path(), paths).ExitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TestListCommand)
#include "tst_listcommand.moc"

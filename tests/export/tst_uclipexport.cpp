// The clip export as the library does it: the packets of a clip against its
// source's, the first picture shown against the in-point, recordings of one
// drive joined, the GPS beside the clip and in its text track against the
// track, the manifest against the files and its check, a recording without
// GPS, and every bad input leaving no trace.
#include <QtTest>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>

#include "clipreader.h"
#include "export/uclipexport.h"
#include "export/uclipmanifest.h"
#include "export/uclipverify.h"
#include "export/udrivechain.h"
#include "gpslog/gpsposition.h"
#include "gpslog/gpstrack.h"
#include "gpslog/recorderlogfilereader.h"

using namespace clipreader;

namespace {

const QString ClipA = QStringLiteral(VIALUMO_TESTDATA_DIR "/numbered_a.mp4");
const QString ClipB = QStringLiteral(VIALUMO_TESTDATA_DIR "/numbered_b.mp4");
const QString ClipC = QStringLiteral(VIALUMO_TESTDATA_DIR "/numbered_c.mp4");
const QString ClipPcm = QStringLiteral(VIALUMO_TESTDATA_DIR "/numbered_pcm.mov");
constexpr qint64 FrameUs = 40000;

// A recorder's card: CARD/DCIM/100CLIP/CLIPnnnn.MP4 beside CARD/gps/gpsnnnn.log.
struct Card
{
    QTemporaryDir Root;

    QString Add(int Number, const QString &Clip, const QStringList &Log = {}, const QString &Suffix = "MP4")
    {
        QDir(Root.path()).mkpath("card/DCIM/100CLIP");
        QDir(Root.path()).mkpath("card/gps");
        const QString key = QString("%1").arg(Number, 4, 10, QChar('0'));
        const QString video = Root.filePath("card/DCIM/100CLIP/CLIP" + key + "." + Suffix);
        QFile::copy(Clip, video);
        if (!Log.isEmpty()) {
            QFile log(Root.filePath("card/gps/gps" + key + ".log"));
            log.open(QIODevice::WriteOnly);
            log.write(Log.join('\n').toUtf8() + '\n');
        }
        return video;
    }

    QString Out(const QString &Name = "out") const { return Root.filePath(Name); }

    // Everything under the card's root, to see that a failure left nothing.
    QStringList Everything() const
    {
        QStringList all;
        QDirIterator it(Root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            all << it.next();
        all.sort();
        return all;
    }
};

// One line a second from 14:03:<Start> UTC on 2026-12-09, moving
// north-east; the seconds in NoFix have none. Timed: in the form that gives
// the UTC time (ddMMyy, hhmmss); otherwise in one the player shows as
// written but does not read as a time.
QStringList Log(int Seconds, int Start, const QSet<int> &NoFix = {}, bool Timed = true)
{
    QStringList lines;
    for (int i = 0; i < Seconds; ++i) {
        const int s = Start + i;
        const QString when = Timed ? QString("091226,1403%1").arg(s, 2, 10, QChar('0'))
                                   : QString("2026-12-09,14:03:%1").arg(s, 2, 10, QChar('0'));
        if (NoFix.contains(i))
            lines << QString("V,%1,,,,,;").arg(when);
        else
            lines << QString("A,%1,5207.%2,N,00434.%3,E,%4;")
                         .arg(when)
                         .arg(4000 + 60 * s, 4, 10, QChar('0'))
                         .arg(1000 + 100 * s, 4, 10, QChar('0'))
                         .arg(20 + s);
    }
    return lines;
}

UClipRecording Recording(const QString &Video, const QString &LogPath = {}, int Shift = 0)
{
    UClipRecording recording;
    recording.Cameras = {UCameraFile{UCameraRole::Front, Video}};
    if (!LogPath.isEmpty()) {
        recording.GpsKind = GpsSourceKind::RecorderLog;
        recording.GpsPath = LogPath;
    }
    recording.GpsShiftSeconds = Shift;
    return recording;
}

QString LogOf(const QString &Video)
{
    const QFileInfo info(Video);
    return QDir(info.absolutePath() + "/../../gps").absoluteFilePath("gps" + info.completeBaseName().mid(4, 4) + ".log");
}

UClipRequest Request(const QList<UClipRecording> &Recordings, qint64 From, qint64 To, const QString &Folder)
{
    UClipRequest request;
    request.Recordings = Recordings;
    request.FromMs = From;
    request.ToMs = To;
    request.Folder = Folder;
    request.Program = "Vialumo";
    request.Version = "test";
    request.Zone = QTimeZone("Europe/Amsterdam");
    return request;
}

// The source's packets a clip from From to To must hold: the pictures from
// the key frame at or before From, in file order, up to those decoded at To;
// the sound that plays within the stretch.
QList<QByteArray> ExpectedVideo(const QString &Source, qint64 FromMs, qint64 ToMs)
{
    const QList<PacketInfo> packets = Packets(Source, AVMEDIA_TYPE_VIDEO);
    qsizetype start = 0;
    for (qsizetype i = 0; i < packets.size(); ++i) {
        if (packets.at(i).Key && packets.at(i).PtsUs <= FromMs * 1000)
            start = i;
    }
    QList<QByteArray> hashes;
    for (qsizetype i = start; i < packets.size() && packets.at(i).DtsUs < ToMs * 1000; ++i)
        hashes << packets.at(i).Hash;
    return hashes;
}

QList<QByteArray> ExpectedAudio(const QString &Source, qint64 FromMs, qint64 ToMs)
{
    QList<QByteArray> hashes;
    for (const PacketInfo &packet : Packets(Source, AVMEDIA_TYPE_AUDIO)) {
        if (packet.PtsUs + packet.DurationUs > FromMs * 1000 && packet.PtsUs < ToMs * 1000)
            hashes << packet.Hash;
    }
    return hashes;
}

QList<QByteArray> Hashes(const QList<PacketInfo> &Packets)
{
    QList<QByteArray> hashes;
    for (const PacketInfo &packet : Packets)
        hashes << packet.Hash;
    return hashes;
}

QJsonObject Manifest(const QString &Folder)
{
    QFile file(QDir(Folder).filePath("manifest.json"));
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

QString Sha256Of(const QString &Path)
{
    QFile file(Path);
    file.open(QIODevice::ReadOnly);
    return QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
}

QStringList FilesIn(const QString &Folder)
{
    return QDir(Folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestUClipExport : public QObject
{
    Q_OBJECT

private slots:
    void packetsAreTheSourcesAndTheFirstPictureIsTheInPoint_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::newRow("within a second") << qint64(1500) << qint64(3500);
        QTest::newRow("on a key frame") << qint64(1000) << qint64(2000);
        QTest::newRow("one frame after a key frame") << qint64(2040) << qint64(4000);
        QTest::newRow("just before a key frame") << qint64(2990) << qint64(5010);
        QTest::newRow("the whole recording") << qint64(0) << qint64(-1);
        QTest::newRow("to the end") << qint64(4321) << qint64(6000);
    }
    void packetsAreTheSourcesAndTheFirstPictureIsTheInPoint()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        Card card;
        const QString video = card.Add(1, ClipA);
        const UClipOutcome outcome = UClipExport::Run(Request({Recording(video)}, from, to, card.Out()));
        QVERIFY2(outcome.Done, qPrintable(outcome.Error));
        const qint64 end = to < 0 ? 6000 : to;
        QCOMPARE(outcome.FromMs, from);
        QCOMPARE(outcome.ToMs, end);
        const QString clip = QDir(card.Out()).filePath(UClipExport::BaseName(video, from, end) + ".mp4");
        QVERIFY2(QFile::exists(clip), qPrintable(FilesIn(card.Out()).join(' ')));

        QCOMPARE(Hashes(Packets(clip, AVMEDIA_TYPE_VIDEO)), ExpectedVideo(video, from, end));
        QCOMPARE(Hashes(Packets(clip, AVMEDIA_TYPE_AUDIO)), ExpectedAudio(video, from, end));

        // The picture at the in-point, or the next one: within one frame.
        qint64 shownAt = -1;
        const int number = FirstShownNumber(clip, &shownAt);
        const double inFrame = double(from) * 1000.0 / double(FrameUs);
        QVERIFY2(number >= 0 && std::abs(double(number) - inFrame) < 1.0,
                 qPrintable(QString("frame %1 for an in-point at frame %2").arg(number).arg(inFrame)));
        QVERIFY2(shownAt >= 0 && shownAt < FrameUs, qPrintable(QString::number(shownAt)));
    }

    void recordingsOfOneDriveJoin()
    {
        Card card;
        const QString first = card.Add(1, ClipA);
        const QString second = card.Add(2, ClipB);
        const QString third = card.Add(3, ClipC);
        // An unrelated recording of another day lies beside them.
        card.Add(9, ClipA);
        QCOMPARE(UDriveChain::Following(first, 9000), QStringList({second}));
        QCOMPARE(UDriveChain::Following(first, 15000), QStringList({second, third}));
        QCOMPARE(UDriveChain::Following(first, 4000), QStringList());

        const UClipOutcome outcome
            = UClipExport::Run(Request({Recording(first), Recording(second)}, 3000, 9000, card.Out()));
        QVERIFY2(outcome.Done, qPrintable(outcome.Error));
        const QString clip = QDir(card.Out()).filePath("CLIP0001_00-00-03-00-00-09.mp4");
        QVERIFY2(QFile::exists(clip), qPrintable(FilesIn(card.Out()).join(' ')));
        QCOMPARE(Hashes(Packets(clip, AVMEDIA_TYPE_VIDEO)),
                 ExpectedVideo(first, 3000, 6000) + ExpectedVideo(second, 0, 3000));
        QCOMPARE(Hashes(Packets(clip, AVMEDIA_TYPE_AUDIO)),
                 ExpectedAudio(first, 3000, 6000) + ExpectedAudio(second, 0, 3000));
        // The pictures follow each other a frame apart, over the join too.
        QList<qint64> times;
        for (const PacketInfo &packet : Packets(clip, AVMEDIA_TYPE_VIDEO))
            times << packet.PtsUs;
        std::sort(times.begin(), times.end());
        for (qsizetype i = 1; i < times.size(); ++i)
            QVERIFY2(qAbs(times.at(i) - times.at(i - 1) - FrameUs) <= 1000, qPrintable(QString::number(times.at(i))));
        // Pictures decoded before the in-point are not shown: six seconds are.
        QCOMPARE(std::count_if(times.cbegin(), times.cend(), [](qint64 t) { return t >= 0 && t < 6000000; }), 150);

        // The third recording's pictures are of another size: a file of its own.
        const UClipOutcome split = UClipExport::Run(
            Request({Recording(first), Recording(second), Recording(third)}, 4000, 14000, card.Out("split")));
        QVERIFY2(split.Done, qPrintable(split.Error));
        QCOMPARE(split.Files.mid(0, 2),
                 QStringList({"CLIP0001_00-00-04-00-00-12.mp4", "CLIP0003_00-00-00-00-00-02.mp4"}));
        QCOMPARE(Hashes(Packets(QDir(card.Out("split")).filePath(split.Files.at(1)), AVMEDIA_TYPE_VIDEO)),
                 ExpectedVideo(third, 0, 2000));
        QCOMPARE(FirstShownNumber(QDir(card.Out("split")).filePath(split.Files.at(1))), 300);
    }

    void everyCameraHasItsClip()
    {
        Card card;
        const QString front = card.Add(1, ClipA, Log(6, 0));
        const QString rear = card.Root.filePath("card/DCIM/100CLIP/CLIP0001_R.MP4");
        QVERIFY(QFile::copy(ClipB, rear));
        UClipRecording recording = Recording(front, LogOf(front));
        recording.Cameras << UCameraFile{UCameraRole::Rear, rear};
        const UClipOutcome outcome = UClipExport::Run(Request({recording}, 1000, 3000, card.Out()));
        QVERIFY2(outcome.Done, qPrintable(outcome.Error));
        const QString frontClip = QDir(card.Out()).filePath("CLIP0001_00-00-01-00-00-03.mp4");
        const QString rearClip = QDir(card.Out()).filePath("CLIP0001_00-00-01-00-00-03_rear.mp4");
        QCOMPARE(Hashes(Packets(rearClip, AVMEDIA_TYPE_VIDEO)), ExpectedVideo(rear, 1000, 3000));
        QCOMPARE(FirstShownNumber(rearClip), 175);
        QCOMPARE(StreamCount(frontClip, AVMEDIA_TYPE_SUBTITLE), 1);
        QCOMPARE(StreamCount(rearClip, AVMEDIA_TYPE_SUBTITLE), 0);
        const QJsonArray sources = Manifest(card.Out()).value("sources").toArray();
        QCOMPARE(sources.size(), 2);
        QCOMPARE(sources.at(1).toObject().value("camera").toString(), QString("rear"));
    }

    void soundAnMp4CannotHoldGoesIntoQuickTime()
    {
        Card card;
        const QString video = card.Add(1, ClipPcm, {}, "MOV");
        const UClipOutcome outcome = UClipExport::Run(Request({Recording(video)}, 500, 2500, card.Out()));
        QVERIFY2(outcome.Done, qPrintable(outcome.Error));
        const QString clip = QDir(card.Out()).filePath("CLIP0001_00-00-00-00-00-02.mov");
        QVERIFY2(QFile::exists(clip), qPrintable(FilesIn(card.Out()).join(' ')));
        QCOMPARE(Hashes(Packets(clip, AVMEDIA_TYPE_VIDEO)), ExpectedVideo(video, 500, 2500));
        QCOMPARE(Hashes(Packets(clip, AVMEDIA_TYPE_AUDIO)), ExpectedAudio(video, 500, 2500));
    }

    // The GPX holds the reports shown within the stretch with their own
    // times; the text track one cue a second, as the player shows it.
    void gpsAndCuesFollowTheTrack_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("shift");
        QTest::addColumn<bool>("timed");
        QTest::newRow("no shift") << qint64(1500) << qint64(4500) << 0 << true;
        QTest::newRow("track 2 s later") << qint64(1500) << qint64(5200) << 2 << true;
        QTest::newRow("track 1 s earlier") << qint64(0) << qint64(6000) << -1 << true;
        QTest::newRow("log without times") << qint64(1200) << qint64(4800) << 1 << false;
    }
    void gpsAndCuesFollowTheTrack()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, shift);
        QFETCH(bool, timed);
        Card card;
        const QStringList lines = Log(6, 0, {3}, timed);
        // Without times of its own, the log is placed by the video's start.
        const QDateTime videoStart(QDate(2026, 12, 9), QTime(14, 3, 0), Qt::UTC);
        const QString video = card.Add(1, ClipA, lines);
        const UClipOutcome outcome
            = UClipExport::Run(Request({Recording(video, LogOf(video), shift)}, from, to, card.Out()));
        QVERIFY2(outcome.Done, qPrintable(outcome.Error));
        const QString base = QDir(card.Out()).filePath(UClipExport::BaseName(video, from, to));

        GpsTrack log;
        QVERIFY(RecorderLogFileReader().Read(LogOf(video), log));
        // The GPX: line i is shown at i + shift seconds.
        QFile gpx(base + ".gpx");
        QVERIFY(gpx.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&gpx);
        QStringList points;
        QString shiftNote;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"trkpt")
                points << xml.attributes().value("lat").toString().left(9);
            if (xml.isStartElement() && xml.name() == u"time")
                points.last() += " " + xml.readElementText();
            if (xml.isStartElement() && xml.name() == u"gpsshift") {
                shiftNote = xml.attributes().value("source").toString() + "=";
                shiftNote += xml.readElementText();
            }
        }
        QVERIFY(!xml.hasError());
        QStringList expected;
        for (qsizetype i = 0; i < log.Size(); ++i) {
            const qint64 shown = (i + shift) * 1000;
            const QDateTime time = timed ? log.At(i).Utc : videoStart.addMSecs(shown);
            if (log.At(i).Valid && shown >= from && shown < to)
                expected << QString::number(log.At(i).Latitude, 'f', 9).left(9) + " "
                        + time.toString(time.time().msec() ? Qt::ISODateWithMs : Qt::ISODate);
        }
        QCOMPARE(points, expected);
        QCOMPARE(shiftNote, QString("CLIP0001.MP4=%1").arg(shift));

        // The cues: second n shows line n - shift.
        QList<Cue> cues = Cues(base + ".mp4");
        QStringList got;
        for (const Cue &cue : cues)
            got << QString("%1 %2").arg(cue.StartMs).arg(cue.Text);
        QStringList wanted;
        for (qint64 second = from / 1000; second * 1000 < to; ++second) {
            const qint64 line = second - shift;
            if (line < 0 || line >= log.Size() || !log.At(line).Valid)
                continue;
            const GpsFix &fix = log.At(line);
            wanted << QString("%1 %2").arg(qMax(second * 1000, from) - from)
                          .arg(UClipExport::CueText(timed ? fix.Utc : videoStart.addMSecs(second * 1000),
                                                    fix.Latitude, fix.Longitude,
                                                    QString("%1 km/h").arg(qRound(fix.SpeedKmh))));
        }
        QCOMPARE(got, wanted);
        QVERIFY(got.first().contains(QString::fromUtf8(" UTC \u00b7 52.")));

        // The clip is placed where its GPS says: the in-point's time, and the first report's place.
        const QMap<QString, QString> tags = Metadata(base + ".mp4");
        QVERIFY2(tags.value("location").startsWith("+52.12"), qPrintable(tags.value("location")));
        const QDateTime inUtc = QDateTime::fromString(Manifest(card.Out()).value("in_point").toObject().value("utc").toString(), Qt::ISODateWithMs);
        QCOMPARE(inUtc, videoStart.addMSecs(from - (timed ? shift * 1000 : 0)));
        QCOMPARE(QDateTime::fromString(tags.value("creation_time"), Qt::ISODateWithMs),
                 inUtc.addMSecs(inUtc.time().msec() >= 500 ? 1000 - inUtc.time().msec() : -inUtc.time().msec()));
    }

    void manifestNamesEveryFileAndTheCheckFindsChanges()
    {
        Card card;
        const QString video = card.Add(1, ClipA, Log(6, 0));
        const UClipOutcome outcome = UClipExport::Run(Request({Recording(video, LogOf(video), 1)}, 1000, 4000, card.Out()));
        QVERIFY2(outcome.Done, qPrintable(outcome.Error));
        const QString folder = card.Out();
        QCOMPARE(FilesIn(folder), QStringList({"CLIP0001_00-00-01-00-00-04.gpx", "CLIP0001_00-00-01-00-00-04.mp4",
                                               "manifest.json", "route.png", "summary.html"}));
        const QJsonObject manifest = Manifest(folder);
        QCOMPARE(manifest.value("program").toString(), QString("Vialumo"));
        QCOMPARE(manifest.value("gps_shift_seconds").toInt(), 1);
        const QJsonObject in = manifest.value("in_point").toObject();
        QCOMPARE(in.value("utc").toString(), QString("2026-12-09T14:03:00.000Z"));
        QCOMPARE(in.value("local").toString(), QString("2026-12-09T15:03:00.000+01:00"));
        QCOMPARE(in.value("time_zone").toString(), QString("Europe/Amsterdam"));
        QStringList named;
        for (const QJsonValue &value : manifest.value("files").toArray()) {
            const QJsonObject file = value.toObject();
            named << file.value("name").toString();
            const QString path = QDir(folder).filePath(file.value("name").toString());
            QCOMPARE(file.value("sha256").toString(), Sha256Of(path));
            QCOMPARE(qint64(file.value("size").toDouble()), QFileInfo(path).size());
        }
        named.sort();
        QStringList expected = FilesIn(folder);
        expected.removeAll("manifest.json");
        QCOMPARE(named, expected);
        const QJsonObject source = manifest.value("sources").toArray().at(0).toObject();
        QCOMPARE(source.value("path").toString(), video);
        QCOMPARE(source.value("sha256").toString(), Sha256Of(video));
        QCOMPARE(source.value("from").toString(), QString("00:00:01.000"));
        QCOMPARE(source.value("to").toString(), QString("00:00:04.000"));

        const QString summary = QString::fromUtf8([&] {
            QFile file(QDir(folder).filePath("summary.html"));
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }());
        QVERIFY(summary.contains(Sha256Of(video)));
        QVERIFY(summary.contains(Sha256Of(QDir(folder).filePath("CLIP0001_00-00-01-00-00-04.mp4"))));
        QVERIFY(summary.contains("<img src=\"route.png\""));
        QVERIFY(summary.contains("2026-12-09"));
        QVERIFY(summary.contains("52.12333 N 4.56833 E"));
        QCOMPARE(QImage(QDir(folder).filePath("route.png")).size(), QSize(800, 500));

        UClipVerify::Outcome check = UClipVerify::Run(folder);
        QVERIFY(check.Readable);
        QCOMPARE(check.Files, 4);
        QCOMPARE(check.Problems, QStringList());

        QFile clip(QDir(folder).filePath("CLIP0001_00-00-01-00-00-04.mp4"));
        QVERIFY(clip.open(QIODevice::ReadWrite));
        clip.seek(clip.size() / 2);
        const char byte = clip.peek(1).at(0);
        clip.write(QByteArray(1, char(byte ^ 0x01)));
        clip.close();
        QVERIFY(QFile::remove(QDir(folder).filePath("route.png")));
        check = UClipVerify::Run(folder);
        QCOMPARE(check.Problems, QStringList({"CLIP0001_00-00-01-00-00-04.mp4: changed", "route.png: missing"}));
    }

    void recordingWithoutGpsHasNoGpxNorCues()
    {
        Card card;
        const QString video = card.Add(1, ClipA);
        const UClipOutcome outcome = UClipExport::Run(Request({Recording(video)}, 2000, 3000, card.Out()));
        QVERIFY2(outcome.Done, qPrintable(outcome.Error));
        QCOMPARE(FilesIn(card.Out()),
                 QStringList({"CLIP0001_00-00-02-00-00-03.mp4", "manifest.json", "summary.html"}));
        const QString clip = QDir(card.Out()).filePath("CLIP0001_00-00-02-00-00-03.mp4");
        QCOMPARE(StreamCount(clip, AVMEDIA_TYPE_SUBTITLE), 0);
        QVERIFY(!Metadata(clip).contains("location"));
        // Placed by the video's own start, as an import places it.
        QCOMPARE(Metadata(clip).value("creation_time"), QString("2026-12-09T14:03:02.000000Z"));
        QCOMPARE(Hashes(Packets(clip, AVMEDIA_TYPE_VIDEO)), ExpectedVideo(video, 2000, 3000));
        QFile summary(QDir(card.Out()).filePath("summary.html"));
        QVERIFY(summary.open(QIODevice::ReadOnly));
        QVERIFY(summary.readAll().contains("no GPS position in the clip"));
        QVERIFY(UClipVerify::Run(card.Out()).Problems.isEmpty());
    }

    void badInputsLeaveNoTrace_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("why");
        QTest::addColumn<QString>("error");
        const int source = int(UClipOutcome::Failure::Source);
        const int range = int(UClipOutcome::Failure::Range);
        const int folder = int(UClipOutcome::Failure::Folder);
        QTest::newRow("missing video") << "missing" << qint64(0) << qint64(1000) << source << "no such file";
        QTest::newRow("not a video") << "garbage" << qint64(0) << qint64(1000) << source << "cannot be read";
        QTest::newRow("empty range") << "" << qint64(2000) << qint64(2000) << range << "is empty";
        QTest::newRow("range backwards") << "" << qint64(3000) << qint64(2000) << range << "is empty";
        QTest::newRow("starts past the end") << "" << qint64(6000) << qint64(7000) << range << "past the end";
        QTest::newRow("folder not empty") << "full folder" << qint64(0) << qint64(1000) << folder << "not empty";
        QTest::newRow("folder is a file") << "file" << qint64(0) << qint64(1000) << folder << "not a folder";
        QTest::newRow("folder under a file") << "under a file" << qint64(0) << qint64(1000) << folder
                                             << "cannot be made";
    }
    void badInputsLeaveNoTrace()
    {
        QFETCH(QString, what);
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, why);
        QFETCH(QString, error);
        Card card;
        QString video = card.Add(1, ClipA, Log(6, 0));
        QString folder = card.Out("new/deeper/out");
        if (what == "missing")
            video = card.Root.filePath("card/DCIM/100CLIP/CLIP0002.MP4");
        if (what == "garbage") {
            video = card.Root.filePath("card/DCIM/100CLIP/CLIP0003.MP4");
            QFile file(video);
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray(5000, 'x'));
        }
        if (what == "full folder") {
            folder = card.Out("full");
            QDir().mkpath(folder);
            QFile(folder + "/keep.txt").open(QIODevice::WriteOnly);
        }
        if (what == "file" || what == "under a file") {
            folder = card.Out("plain");
            QFile(folder).open(QIODevice::WriteOnly);
            if (what == "under a file")
                folder += "/sub/out";
        }
        const QStringList before = card.Everything();
        const UClipOutcome outcome
            = UClipExport::Run(Request({Recording(video, LogOf(video))}, from, to, folder));
        QVERIFY(!outcome.Done);
        QCOMPARE(int(outcome.Why), why);
        QVERIFY2(outcome.Error.contains(error), qPrintable(outcome.Error));
        QVERIFY2(!outcome.Error.contains('\n'), qPrintable(outcome.Error));
        QCOMPARE(card.Everything(), before);
    }

    void cancelledExportLeavesNoTrace()
    {
        Card card;
        const QString video = card.Add(1, ClipA, Log(6, 0));
        const QStringList before = card.Everything();
        std::atomic<bool> cancel{false};
        QList<int> seen;
        const UClipOutcome outcome = UClipExport::Run(
            Request({Recording(video, LogOf(video))}, 0, 6000, card.Out("a/b")),
            [&](int percent) {
                seen << percent;
                cancel = true;
            },
            &cancel);
        QVERIFY(!outcome.Done);
        QCOMPARE(outcome.Why, UClipOutcome::Failure::Cancelled);
        QVERIFY(!seen.isEmpty());
        QCOMPARE(card.Everything(), before);
    }

    void progressRunsUpToAHundred()
    {
        Card card;
        const QString video = card.Add(1, ClipA, Log(6, 0));
        QList<int> seen;
        const UClipOutcome outcome = UClipExport::Run(Request({Recording(video, LogOf(video))}, 0, -1, card.Out()),
                                                      [&](int percent) { seen << percent; });
        QVERIFY(outcome.Done);
        QVERIFY(seen.size() >= 2);
        QCOMPARE(seen.last(), 100);
        QVERIFY(std::is_sorted(seen.cbegin(), seen.cend()));
    }

    void clipGoesIntoANewFolderNamedAfterIt()
    {
        Card card;
        const QString video = card.Add(1, ClipA);
        const QString parent = card.Out("exports");
        QDir().mkpath(parent + "/CLIP0001_00-00-01-00-00-02");
        UClipRequest request = Request({Recording(video)}, 1000, 2000, parent);
        request.InNewFolder = true;
        const UClipOutcome outcome = UClipExport::Run(request);
        QVERIFY2(outcome.Done, qPrintable(outcome.Error));
        QCOMPARE(outcome.Folder, parent + "/CLIP0001_00-00-01-00-00-02 (2)");
        QVERIFY(QFile::exists(outcome.Folder + "/manifest.json"));
        // An empty folder is taken as it is.
        const QString empty = card.Out("empty");
        QDir().mkpath(empty);
        QVERIFY(UClipExport::Run(Request({Recording(video)}, 1000, 2000, empty)).Done);
        QVERIFY(QFile::exists(empty + "/manifest.json"));
    }

    void wordsOfTheClip_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<QString>("iso6709");
        QTest::addColumn<QString>("cue");
        QTest::newRow("north east") << 52.123454 << 4.567891 << "+52.12345+004.56789/"
                                    << QString::fromUtf8("2026-12-09 14:03:07 UTC \u00b7 52.12345 N 4.56789 E \u00b7 63 km/h");
        QTest::newRow("south west") << -34.60372 << -58.38156 << "-34.60372-058.38156/"
                                    << QString::fromUtf8("2026-12-09 14:03:07 UTC \u00b7 34.60372 S 58.38156 W \u00b7 63 km/h");
        QTest::newRow("far east") << 1.5 << 179.999999 << "+01.50000+180.00000/"
                                  << QString::fromUtf8("2026-12-09 14:03:07 UTC \u00b7 1.50000 N 180.00000 E \u00b7 63 km/h");
    }
    void wordsOfTheClip()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(QString, iso6709);
        QFETCH(QString, cue);
        QCOMPARE(UClipExport::Iso6709(latitude, longitude), iso6709);
        const QDateTime time(QDate(2026, 12, 9), QTime(14, 3, 7, 900), QTimeZone::utc());
        QCOMPARE(UClipExport::CueText(time, latitude, longitude, "63 km/h"), cue);
        QCOMPARE(UClipExport::CueText(QDateTime(), latitude, longitude, "63 km/h"), cue.mid(cue.indexOf("UTC ") + 6));
        QCOMPARE(UClipExport::BaseName("/card/CLIP0007.MOV", 62500, 3723999), QString("CLIP0007_00-01-02-01-02-03"));
    }

    void manifestReaderTakesOnlyPlainNames_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("readable");
        const QByteArray hash(64, 'a');
        QTest::newRow("plain") << QByteArray("{\"files\":[{\"name\":\"a.mp4\",\"size\":3,\"sha256\":\"" + hash + "\"}]}") << true;
        QTest::newRow("path out of the folder")
            << QByteArray("{\"files\":[{\"name\":\"../a.mp4\",\"size\":3,\"sha256\":\"" + hash + "\"}]}") << false;
        QTest::newRow("absolute path")
            << QByteArray("{\"files\":[{\"name\":\"/etc/passwd\",\"size\":3,\"sha256\":\"" + hash + "\"}]}") << false;
        QTest::newRow("dot dot") << QByteArray("{\"files\":[{\"name\":\"..\",\"size\":3,\"sha256\":\"" + hash + "\"}]}")
                                 << false;
        QTest::newRow("negative size")
            << QByteArray("{\"files\":[{\"name\":\"a\",\"size\":-1,\"sha256\":\"" + hash + "\"}]}") << false;
        QTest::newRow("short hash") << QByteArray("{\"files\":[{\"name\":\"a\",\"size\":1,\"sha256\":\"abc\"}]}") << false;
        QTest::newRow("named twice") << QByteArray("{\"files\":[{\"name\":\"a\",\"size\":1,\"sha256\":\"" + hash
                                                   + "\"},{\"name\":\"a\",\"size\":1,\"sha256\":\"" + hash + "\"}]}")
                                     << false;
        QTest::newRow("no files") << QByteArray("{\"program\":\"Vialumo\"}") << false;
        QTest::newRow("not JSON") << QByteArray("files: a.mp4") << false;
        QTest::newRow("empty list") << QByteArray("{\"files\":[]}") << true;
    }
    void manifestReaderTakesOnlyPlainNames()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, readable);
        const UClipManifest::Listing listing = UClipManifest::Read(json);
        QCOMPARE(listing.Readable, readable);
        QCOMPARE(listing.Error.isEmpty(), readable);
    }
};

QTEST_GUILESS_MAIN(TestUClipExport)
#include "tst_uclipexport.moc"

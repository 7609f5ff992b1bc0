// The cameras of one moment as one recording: the naming table over card
// trees of every recorder it knows (files made here; empty ones where only
// names matter, movie headers where starts and lengths do), the recording's
// GPS from the first camera that has any, later imports that join listed
// recordings, and names and files that are almost right.

#include "catalogue/ucameragroups.h"
#include "catalogue/ucameranaming.h"
#include "catalogue/ufolderimport.h"
#include "catalogue/ufoldersearch.h"
#include "catalogue/uvideoandgpsfiles.h"
#include "mp4gpswriter.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

namespace {

const QDateTime Noon(QDate(2026, 5, 1), QTime(12, 0, 0), QTimeZone::utc());

// An MP4 of no pictures whose movie header starts at Start and lasts Ms.
QByteArray MovieOf(const QDateTime &Start, qint64 Ms)
{
    constexpr quint32 Timescale = 1000;
    const quint32 created = quint32(QDateTime(QDate(1904, 1, 1), QTime(0, 0), QTimeZone::utc()).secsTo(Start));
    QByteArray header = Mp4GpsWriter::BigEndian32(created) + Mp4GpsWriter::BigEndian32(created)
        + Mp4GpsWriter::BigEndian32(Timescale) + Mp4GpsWriter::BigEndian32(quint32(Ms))
        + Mp4GpsWriter::BigEndian32(0x00010000) + QByteArray("\x01\x00", 2) + QByteArray(10 + 36 + 24, '\0')
        + Mp4GpsWriter::BigEndian32(2);
    return Mp4GpsWriter::FileType() + Mp4GpsWriter::Box("mdat", QByteArray(64, '\x5a'))
        + Mp4GpsWriter::Box("moov", Mp4GpsWriter::FullBox("mvhd", 0, header));
}

// "front:NAME rear:NAME": a recording's cameras by role and file name.
QString Described(const UCameraFiles &Cameras)
{
    QStringList parts;
    for (const UCameraFile &camera : Cameras)
        parts << CameraRoleName(camera.Role) + QLatin1Char(':') + QFileInfo(camera.Path).fileName();
    return parts.join(QLatin1Char(' '));
}

QStringList Described(const QList<UCameraFiles> &Recordings)
{
    QStringList described;
    for (const UCameraFiles &cameras : Recordings)
        described << Described(cameras);
    return described;
}

QStringList Names(const QStringList &Paths)
{
    QStringList names;
    for (const QString &path : Paths)
        names << QFileInfo(path).fileName();
    return names;
}

} // namespace

class TestUCameraGroups : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;
    int Cards = 0;

    // A fresh folder for each case.
    QString NewCard()
    {
        const QString card = Dir.filePath(QStringLiteral("card%1").arg(++Cards));
        QDir().mkpath(card);
        return card;
    }

    static QString Write(const QString &Path, const QByteArray &Content = {})
    {
        QDir().mkpath(QFileInfo(Path).path());
        QFile file(Path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(Path));
        file.write(Content);
        return Path;
    }

    // The card's videos in the order the import finds them.
    static QStringList Found(const QString &Card)
    {
        return UFolderSearch::Search({Card}).Videos;
    }

private slots:
    void namesTellTheCamera_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("role");

        // What the cards below do not show.
        QTest::newRow("BlackVue rear of an event") << "BlackVue/Record/20260501_120000_ER.mp4" << "blackvue"
                                                   << "rear";
        QTest::newRow("BlackVue in lower case") << "blackvue/20260501_120000_nr.MP4" << "blackvue" << "rear";
        QTest::newRow("Viofo of six digits") << "DCIM/Movie/2026_0501_120000_000004T.MP4" << "viofo" << "telephoto";
        QTest::newRow("Nextbase with more") << "DCIM/260501_120000_002_FH_PARK.MP4" << "nextbase" << "front";
        QTest::newRow("Thinkware parking") << "PARKING_REC/REC_2026_05_01_12_00_00_R.MP4" << "thinkware" << "rear";
        QTest::newRow("Thinkware motion") << "motion_rec/REC_2026_05_01_12_00_00_F.MP4" << "thinkware" << "front";
        QTest::newRow("Thinkware manual") << "manual_rec/REC_2026_05_01_12_00_00_F.MP4" << "thinkware" << "front";
        QTest::newRow("rear folder, lower case") << "Event/rear/EV20260501-120000-000003.MP4" << "sibling_folders"
                                                 << "rear";
        QTest::newRow("inside folder") << "Normal/INSIDE/NO20260501-120000-000004.MP4" << "sibling_folders"
                                       << "interior";
        // Any other: a camera word or letter, matched by time
        QTest::newRow("a word") << "trip/drive_rear.mp4" << "start_time" << "rear";
        QTest::newRow("a letter after the number") << "trip/NO20260501-120000-000121F.MP4" << "start_time"
                                                   << "front";
        QTest::newRow("a camera's folder") << "trip/Interior/clip.mp4" << "start_time" << "interior";
        // Almost: no camera
        QTest::newRow("the recorder's own card") << "CARD/DCIM/100CLIP/CLIP0001.MOV" << "" << "";
        QTest::newRow("70mai of one camera") << "DCIM/NO20191130-120156-000121.MP4" << "" << "";
        QTest::newRow("Viofo, unknown letter") << "DCIM/Movie/2026_0501_120000_0001X.MP4" << "" << "";
        // A camera letter after a number that no moment reads: matched by time.
        QTest::newRow("Viofo, month 13") << "DCIM/Movie/2026_1301_120000_0001F.MP4" << "start_time" << "front";
        QTest::newRow("Viofo, short time") << "DCIM/Movie/2026_0501_12000_0001G.MP4" << "" << "";
        QTest::newRow("BlackVue, second 61") << "Record/20260501_120061_NQ.mp4" << "" << "";
        QTest::newRow("BlackVue, two cameras") << "Record/20260501_120000_NFR.mp4" << "" << "";
        QTest::newRow("Nextbase, quality M") << "DCIM/260501_120000_001_FM.MP4" << "" << "";
        QTest::newRow("Tesla, unknown camera") << "TeslaCam/2026-05-01_12-00-00-roof.mp4" << "" << "";
        QTest::newRow("Thinkware, another folder") << "cont_rec2/REC_2026_05_01_12_00_00_Q.MP4" << "" << "";
        QTest::newRow("front folder without a time") << "cam/Frontal/clip.mp4" << "" << "";
        QTest::newRow("a word inside another") << "trip/frontier.mp4" << "" << "";
    }
    void namesTellTheCamera()
    {
        QFETCH(QString, path);
        QFETCH(QString, rule);
        QFETCH(QString, role);
        const UCameraName name = UCameraNaming::Read(Dir.filePath(path));
        QCOMPARE(name.Known, !rule.isEmpty());
        QCOMPARE(name.Rule, rule);
        if (name.Known)
            QCOMPARE(CameraRoleName(name.Role), role);
    }

    void cardsBecomeRecordings_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("recordings");
        QTest::addColumn<QStringList>("copies");

        QTest::newRow("BlackVue, three cameras and the optional one")
            << QStringList{"Record/20260501_120000_NF.mp4", "Record/20260501_120000_NR.mp4",
                           "Record/20260501_120000_NI.mp4", "Record/20260501_120000_NO.mp4",
                           "Record/20260501_120100_NF.mp4", "Record/20260501_120100_NR.mp4",
                           "Record/20260501_120100_N.gps", "Record/20260501_120100_N.3gf"}
            << QStringList{"front:20260501_120000_NF.mp4 rear:20260501_120000_NR.mp4 "
                           "interior:20260501_120000_NI.mp4 other:20260501_120000_NO.mp4",
                           "front:20260501_120100_NF.mp4 rear:20260501_120100_NR.mp4"}
            << QStringList();
        QTest::newRow("BlackVue, an event and a second stream apart")
            << QStringList{"Record/20260501_120000_NF.mp4", "Record/20260501_120000_ER.mp4",
                           "Record/20260501_120000_NFS.mp4", "Record/20260501_120000_NRS.mp4"}
            << QStringList{"rear:20260501_120000_ER.mp4", "front:20260501_120000_NF.mp4",
                           "front:20260501_120000_NFS.mp4 rear:20260501_120000_NRS.mp4"}
            << QStringList();
        QTest::newRow("Viofo, three cameras with telephoto and interior")
            << QStringList{"DCIM/Movie/2026_0501_120000_0001F.MP4", "DCIM/Movie/2026_0501_120000_0002I.MP4",
                           "DCIM/Movie/2026_0501_120000_0003T.MP4"}
            << QStringList{"front:2026_0501_120000_0001F.MP4 interior:2026_0501_120000_0002I.MP4 "
                           "telephoto:2026_0501_120000_0003T.MP4"}
            << QStringList();
        QTest::newRow("Viofo without letters, and its rear")
            << QStringList{"DCIM/Movie/2026_0501_120000_0001.MP4", "DCIM/Movie/2026_0501_120000_0002R.MP4",
                           "DCIM/Movie/2026_0501_120100_0003.MP4"}
            << QStringList{"front:2026_0501_120000_0001.MP4 rear:2026_0501_120000_0002R.MP4",
                           "front:2026_0501_120100_0003.MP4"}
            << QStringList();
        QTest::newRow("two moments a second apart stay apart")
            << QStringList{"DCIM/Movie/2026_0501_120000_0001F.MP4", "DCIM/Movie/2026_0501_120000_0002R.MP4",
                           "DCIM/Movie/2026_0501_120001_0003F.MP4", "DCIM/Movie/2026_0501_120001_0004R.MP4"}
            << QStringList{"front:2026_0501_120000_0001F.MP4 rear:2026_0501_120000_0002R.MP4",
                           "front:2026_0501_120001_0003F.MP4 rear:2026_0501_120001_0004R.MP4"}
            << QStringList();
        QTest::newRow("a rear without its front")
            << QStringList{"DCIM/Movie/2026_0501_120000_0002R.MP4", "DCIM/Movie/2026_0501_120100_0003F.MP4"}
            << QStringList{"rear:2026_0501_120000_0002R.MP4", "front:2026_0501_120100_0003F.MP4"}
            << QStringList();
        QTest::newRow("interior and telephoto never take the rear place")
            << QStringList{"DCIM/Movie/2026_0501_120000_0003I.MP4", "DCIM/Movie/2026_0501_120000_0004T.MP4",
                           "DCIM/Movie/2026_0501_120100_0005I.MP4", "DCIM/Movie/2026_0501_120100_0006F.MP4"}
            << QStringList{"interior:2026_0501_120000_0003I.MP4", "telephoto:2026_0501_120000_0004T.MP4",
                           "front:2026_0501_120100_0006F.MP4 interior:2026_0501_120100_0005I.MP4"}
            << QStringList();
        QTest::newRow("the same moment in another folder is another recording")
            << QStringList{"DCIM/Movie/2026_0501_120000_0001F.MP4", "DCIM/Movie/RO/2026_0501_120000_0002R.MP4"}
            << QStringList{"front:2026_0501_120000_0001F.MP4", "rear:2026_0501_120000_0002R.MP4"}
            << QStringList();
        QTest::newRow("Nextbase, high and low quality")
            << QStringList{"DCIM/260501_120000_001_FH.MP4", "DCIM/260501_120000_002_FL.MP4",
                           "DCIM/260501_120000_003_RH.MP4", "DCIM/260501_120000_004_RL.MP4"}
            << QStringList{"front:260501_120000_001_FH.MP4 rear:260501_120000_003_RH.MP4"}
            << QStringList{"260501_120000_002_FL.MP4", "260501_120000_004_RL.MP4"};
        QTest::newRow("Nextbase, the low copy first and a rear only low")
            << QStringList{"DCIM/260501_120000_001_FL.MP4", "DCIM/260501_120000_002_FH.MP4",
                           "DCIM/260501_120000_004_RL.MP4"}
            << QStringList{"front:260501_120000_002_FH.MP4 rear:260501_120000_004_RL.MP4"}
            << QStringList{"260501_120000_001_FL.MP4"};
        QTest::newRow("Thinkware, continuous and event folders")
            << QStringList{"cont_rec/REC_2026_05_01_12_00_00_F.MP4", "cont_rec/REC_2026_05_01_12_00_00_R.MP4",
                           "evt_rec/EVT_2026_05_01_12_00_30_F.MP4", "evt_rec/EVT_2026_05_01_12_00_30_R.MP4"}
            << QStringList{"front:REC_2026_05_01_12_00_00_F.MP4 rear:REC_2026_05_01_12_00_00_R.MP4",
                           "front:EVT_2026_05_01_12_00_30_F.MP4 rear:EVT_2026_05_01_12_00_30_R.MP4"}
            << QStringList();
        QTest::newRow("70mai, cameras in folders side by side")
            << QStringList{"Normal/Front/NO20260501-120000-000001F.MP4", "Normal/Back/NO20260501-120000-000002B.MP4",
                           "Normal/Front/NO20260501-120100-000003F.MP4", "Normal/Back/NO20260501-120100-000004B.MP4",
                           "Normal/Inside/NO20260501-120100-000005I.MP4", "Event/Back/EV20260501-120000-000006B.MP4"}
            << QStringList{"rear:EV20260501-120000-000006B.MP4",
                           "front:NO20260501-120000-000001F.MP4 rear:NO20260501-120000-000002B.MP4",
                           "front:NO20260501-120100-000003F.MP4 rear:NO20260501-120100-000004B.MP4 "
                           "interior:NO20260501-120100-000005I.MP4"}
            << QStringList();
        QTest::newRow("Tesla, four cameras")
            << QStringList{"TeslaCam/SavedClips/2026-05-01_12-00-00-back.mp4",
                           "TeslaCam/SavedClips/2026-05-01_12-00-00-front.mp4",
                           "TeslaCam/SavedClips/2026-05-01_12-00-00-left_repeater.mp4",
                           "TeslaCam/SavedClips/2026-05-01_12-00-00-right_repeater.mp4"}
            << QStringList{"front:2026-05-01_12-00-00-front.mp4 rear:2026-05-01_12-00-00-back.mp4 "
                           "left:2026-05-01_12-00-00-left_repeater.mp4 right:2026-05-01_12-00-00-right_repeater.mp4"}
            << QStringList();
        QTest::newRow("Tesla, six cameras")
            << QStringList{"TeslaCam/RecentClips/2026-05-01_12-00-00-front.mp4",
                           "TeslaCam/RecentClips/2026-05-01_12-00-00-back.mp4",
                           "TeslaCam/RecentClips/2026-05-01_12-00-00-left_repeater.mp4",
                           "TeslaCam/RecentClips/2026-05-01_12-00-00-right_repeater.mp4",
                           "TeslaCam/RecentClips/2026-05-01_12-00-00-left_pillar.mp4",
                           "TeslaCam/RecentClips/2026-05-01_12-00-00-right_pillar.mp4"}
            << QStringList{"front:2026-05-01_12-00-00-front.mp4 rear:2026-05-01_12-00-00-back.mp4 "
                           "left:2026-05-01_12-00-00-left_repeater.mp4 right:2026-05-01_12-00-00-right_repeater.mp4 "
                           "left_pillar:2026-05-01_12-00-00-left_pillar.mp4 "
                           "right_pillar:2026-05-01_12-00-00-right_pillar.mp4"}
            << QStringList();
        QTest::newRow("Tesla, six cameras of which one is missing")
            << QStringList{"TeslaCam/RecentClips/2026-05-01_12-01-00-front.mp4",
                           "TeslaCam/RecentClips/2026-05-01_12-01-00-rear_view.mp4",
                           "TeslaCam/RecentClips/2026-05-01_12-01-00-left_repeater.mp4",
                           "TeslaCam/RecentClips/2026-05-01_12-01-00-left_pillar.mp4",
                           "TeslaCam/RecentClips/2026-05-01_12-01-00-right_pillar.mp4"}
            << QStringList{"front:2026-05-01_12-01-00-front.mp4 rear:2026-05-01_12-01-00-rear_view.mp4 "
                           "left:2026-05-01_12-01-00-left_repeater.mp4 "
                           "left_pillar:2026-05-01_12-01-00-left_pillar.mp4 "
                           "right_pillar:2026-05-01_12-01-00-right_pillar.mp4"}
            << QStringList();
        QTest::newRow("Tesla, two rear files of one moment")
            << QStringList{"TeslaCam/2026-05-01_12-02-00-back.mp4", "TeslaCam/2026-05-01_12-02-00-front.mp4",
                           "TeslaCam/2026-05-01_12-02-00-rear_view.mp4"}
            << QStringList{"front:2026-05-01_12-02-00-front.mp4 rear:2026-05-01_12-02-00-back.mp4",
                           "rear:2026-05-01_12-02-00-rear_view.mp4"}
            << QStringList();
        QTest::newRow("the recorder's own card stays one camera each")
            << QStringList{"DCIM/100CLIP/CLIP0001.MOV", "DCIM/100CLIP/CLIP0002.MOV", "gps/gps0001.log"}
            << QStringList{"front:CLIP0001.MOV", "front:CLIP0002.MOV"} << QStringList();
        QTest::newRow("names that almost match stay apart")
            << QStringList{"DCIM/Movie/2026_0501_120000_0001F.MP4", "DCIM/Movie/2026_0501_120000_0002X.MP4",
                           "DCIM/Movie/2026_0501_12000_0003R.MP4", "DCIM/Movie/2026_0501_120000_00004R.MOV.MP4"}
            << QStringList{"rear:2026_0501_12000_0003R.MP4", "front:2026_0501_120000_0001F.MP4",
                           "front:2026_0501_120000_0002X.MP4", "front:2026_0501_120000_00004R.MOV.MP4"}
            << QStringList();
        QTest::newRow("empty files of other recorders' names: no start, no group")
            << QStringList{"trip/drive_front.mp4", "trip/drive_rear.mp4"}
            << QStringList{"front:drive_front.mp4", "rear:drive_rear.mp4"} << QStringList();
    }
    void cardsBecomeRecordings()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, recordings);
        QFETCH(QStringList, copies);
        const QString card = NewCard();
        for (const QString &file : files)
            Write(card + QLatin1Char('/') + file);
        const UCameraGrouping grouping = UCameraGroups::Group(Found(card));
        QCOMPARE(Described(grouping.Recordings), recordings);
        QCOMPARE(Names(grouping.Copies), copies);
        QVERIFY(grouping.Joins.isEmpty());
    }

    // Names that do not tell the moment: the front's start within 2 s and
    // its length within 10 %, read from the movie headers.
    void otherNamesMatchedByStartAndLength_data()
    {
        QTest::addColumn<qint64>("rearOffsetMs");
        QTest::addColumn<qint64>("rearLengthMs");
        QTest::addColumn<bool>("together");
        QTest::newRow("the same moment") << 0ll << 60000ll << true;
        QTest::newRow("a second later") << 1000ll << 60000ll << true;
        QTest::newRow("two seconds earlier") << -2000ll << 60000ll << true;
        QTest::newRow("three seconds later") << 3000ll << 60000ll << false;
        QTest::newRow("9 % shorter") << 0ll << 54600ll << true;
        QTest::newRow("of another length") << 0ll << 50000ll << false;
        QTest::newRow("no length") << 0ll << 0ll << false;
    }
    void otherNamesMatchedByStartAndLength()
    {
        QFETCH(qint64, rearOffsetMs);
        QFETCH(qint64, rearLengthMs);
        QFETCH(bool, together);
        const QString card = NewCard();
        Write(card + "/trip/front/drive.mp4", MovieOf(Noon, 60000));
        Write(card + "/trip/rear/drive.mp4", MovieOf(Noon.addMSecs(rearOffsetMs), rearLengthMs));
        // A front a minute later takes nothing of this moment.
        Write(card + "/trip/front/later.mp4", MovieOf(Noon.addSecs(60), 60000));
        const UCameraGrouping grouping = UCameraGroups::Group(Found(card));
        if (together) {
            QCOMPARE(Described(grouping.Recordings),
                     QStringList({"front:drive.mp4 rear:drive.mp4", "front:later.mp4"}));
        } else {
            QCOMPARE(Described(grouping.Recordings),
                     QStringList({"front:drive.mp4", "front:later.mp4", "rear:drive.mp4"}));
        }
    }

    void closestStartWinsAndOnePerCamera()
    {
        const QString card = NewCard();
        Write(card + "/trip/a_front.mp4", MovieOf(Noon, 60000));
        Write(card + "/trip/b_rear.mp4", MovieOf(Noon.addMSecs(1500), 60000));
        Write(card + "/trip/c_rear.mp4", MovieOf(Noon.addMSecs(200), 60000));
        Write(card + "/trip/d_cabin.mp4", MovieOf(Noon.addMSecs(-900), 58000));
        const UCameraGrouping grouping = UCameraGroups::Group(Found(card));
        QCOMPARE(Described(grouping.Recordings),
                 QStringList({"front:a_front.mp4 rear:c_rear.mp4 interior:d_cabin.mp4", "rear:b_rear.mp4"}));
    }

    void recordedSpanFromHeaderElseName()
    {
        const QString card = NewCard();
        const URecordedSpan header = UCameraGroups::RecordedSpan(
            Write(card + "/2026_0501_130000_0001F.MP4", MovieOf(Noon, 61500)));
        QCOMPARE(header.Start, Noon);
        QCOMPARE(header.DurationMs, 61500);
        const URecordedSpan name = UCameraGroups::RecordedSpan(Write(card + "/2026_0501_130000_0002R.MP4", "cut"));
        QCOMPARE(name.Start, QDateTime(QDate(2026, 5, 1), QTime(13, 0, 0)));
        QCOMPARE(name.DurationMs, -1);
        const URecordedSpan none = UCameraGroups::RecordedSpan(Write(card + "/clip.mp4"));
        QVERIFY(!none.Start.isValid());
        QVERIFY(!UCameraGroups::RecordedSpan(card + "/missing.mp4").Start.isValid());
    }

    // The recording's GPS is the first camera's, front first, that has any.
    void gpsFromTheFirstCameraThatHasAny_data()
    {
        QTest::addColumn<bool>("frontGps");
        QTest::addColumn<bool>("rearGps");
        QTest::addColumn<bool>("interiorGps");
        QTest::addColumn<QString>("source");
        QTest::newRow("the front's") << true << true << true << "2026_0501_120000_0001F.MP4";
        QTest::newRow("the rear's, the front has none") << false << true << true << "2026_0501_120000_0002R.MP4";
        QTest::newRow("the interior's") << false << false << true << "2026_0501_120000_0003I.MP4";
        QTest::newRow("none") << false << false << false << "";
    }
    void gpsFromTheFirstCameraThatHasAny()
    {
        QFETCH(bool, frontGps);
        QFETCH(bool, rearGps);
        QFETCH(bool, interiorGps);
        QFETCH(QString, source);
        const QString folder = NewCard() + "/DCIM/Movie/";
        const QByteArray withGps = Mp4GpsWriter::SeventyMai(Mp4GpsWriter::Drive(20));
        const QByteArray without = MovieOf(Noon, 20000);
        const QString front = Write(folder + "2026_0501_120000_0001F.MP4", frontGps ? withGps : without);
        const QString rear = Write(folder + "2026_0501_120000_0002R.MP4", rearGps ? withGps : without);
        const QString interior = Write(folder + "2026_0501_120000_0003I.MP4", interiorGps ? withGps : without);
        UVideoAndGpsfiles catalogue;
        QSignalSpy added(&catalogue, &UVideoAndGpsfiles::VideoAdded);
        catalogue.AddVideoAndGpsfiles({rear, interior, front});
        QCOMPARE(catalogue.GetVideoCount(), 1);
        QCOMPARE(added.size(), 1);
        QCOMPARE(added.at(0).at(0).toString(), front);
        QCOMPARE(catalogue.GetVideoName(0), QStringLiteral("2026_0501_120000_0001F.MP4"));
        QCOMPARE(Described(catalogue.GetCameras(0)),
                 QStringLiteral("front:2026_0501_120000_0001F.MP4 rear:2026_0501_120000_0002R.MP4 "
                                "interior:2026_0501_120000_0003I.MP4"));
        if (source.isEmpty()) {
            QCOMPARE(catalogue.GetGpsSourceKind(0), GpsSourceKind::None);
            QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Not Exist"));
        } else {
            QCOMPARE(catalogue.GetGpsSourceKind(0), GpsSourceKind::InsideVideo);
            QCOMPARE(QFileInfo(catalogue.GetGpsfilePath(0)).fileName(), source);
            QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Available"));
            QCOMPARE(catalogue.GetGpsSourceText(0), QStringLiteral("GPS inside the video: 20 fixes in 20 s"));
        }
    }

    // BlackVue's log of all cameras is named after their shared stem.
    void blackVueSharedLogFound()
    {
        const QString folder = NewCard() + "/BlackVue/Record/";
        const QString front = Write(folder + "20260501_120000_NF.mp4", MovieOf(Noon, 10000));
        Write(folder + "20260501_120000_NR.mp4", MovieOf(Noon, 10000));
        const QString log = Write(folder + "20260501_120000_N.gps", Mp4GpsWriter::NmeaLines(Mp4GpsWriter::Drive(10)));
        Write(folder + "20260501_120000_N.3gf", QByteArray(64, '\1'));
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles(Found(QFileInfo(folder).absolutePath()));
        QCOMPARE(catalogue.GetVideoCount(), 1);
        QCOMPARE(catalogue.GetVideoPath(0), front);
        QCOMPARE(catalogue.GetGpsSourceKind(0), GpsSourceKind::NmeaFile);
        QCOMPARE(catalogue.GetGpsfilePath(0), log);
        QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Available"));
        QVERIFY(catalogue.GetGpsSourceText(0).startsWith(QStringLiteral("NMEA file 20260501_120000_N.gps: ")));
    }

    // Empty, cut and odd files of a moment: the names still group them, and
    // the rating reads each as far as it goes.
    void badCameraFiles()
    {
        const QString folder = NewCard() + "/DCIM/Movie/";
        const QByteArray whole = Mp4GpsWriter::SeventyMai(Mp4GpsWriter::Drive(30));
        const QString front = Write(folder + "2026_0501_120000_0001F.MP4");
        const QString rear = Write(folder + "2026_0501_120000_0002R.MP4", whole.left(whole.size() * 2 / 3));
        const QString interior = Write(folder + "2026_0501_120000_0003I.MP4", MovieOf(Noon, 5000));
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({front, rear, interior});
        QCOMPARE(catalogue.GetVideoCount(), 1);
        QCOMPARE(catalogue.GetCameras(0).size(), 3);
        QCOMPARE(catalogue.GetVideoName(0), QStringLiteral("2026_0501_120000_0001F.MP4"));
        // The cut rear's GPS lies at the end of the file, which is gone.
        QCOMPARE(catalogue.GetGpsSourceKind(0), GpsSourceKind::None);
        QCOMPARE(catalogue.GetGpsfileStatus(0), QStringLiteral("Not Exist"));
    }

    void frontGoneBeforeRating()
    {
        const QString folder = NewCard() + "/DCIM/Movie/";
        const QString front = Write(folder + "2026_0501_120000_0001F.MP4");
        const QString rear = Write(folder + "2026_0501_120000_0002R.MP4");
        const QString interior = Write(folder + "2026_0501_120000_0003I.MP4");
        const UCameraGrouping grouping = UCameraGroups::Group({front, rear, interior});
        QCOMPARE(grouping.Recordings.size(), 1);
        QVERIFY(QFile::remove(front));
        QStringList gone;
        const QList<VideoAndGpsfile> entries = UVideoAndGpsfiles::RateCameras(grouping.Recordings.first(), &gone);
        QCOMPARE(gone, QStringList{front});
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).VideoPath, rear);
        QCOMPARE(Described(entries.at(0).Cameras), QStringLiteral("rear:2026_0501_120000_0002R.MP4"));
        QCOMPARE(entries.at(1).VideoPath, interior);
        // A gone rear leaves the rest of the recording.
        QVERIFY(QFile::remove(interior));
        Write(front);
        gone.clear();
        const QList<VideoAndGpsfile> left = UVideoAndGpsfiles::RateCameras(grouping.Recordings.first(), &gone);
        QCOMPARE(gone, QStringList{interior});
        QCOMPARE(left.size(), 1);
        QCOMPARE(Described(left.at(0).Cameras),
                 QStringLiteral("front:2026_0501_120000_0001F.MP4 rear:2026_0501_120000_0002R.MP4"));
    }

    // A later import's camera file of a listed recording joins it: the
    // recording keeps its index and front file, the play list its entry.
    void laterCameraJoinsTheListedRecording()
    {
        const QString folder = NewCard() + "/DCIM/Movie/";
        const QString other = Write(folder + "2026_0501_115900_0000F.MP4");
        const QString front = Write(folder + "2026_0501_120000_0001F.MP4", MovieOf(Noon, 20000));
        const QString rear
            = Write(folder + "2026_0501_120000_0002R.MP4", Mp4GpsWriter::SeventyMai(Mp4GpsWriter::Drive(20)));
        const QString interior = Write(folder + "2026_0501_120000_0003I.MP4");
        UVideoAndGpsfiles catalogue;
        QSignalSpy added(&catalogue, &UVideoAndGpsfiles::VideoAdded);
        QSignalSpy changed(&catalogue, &UVideoAndGpsfiles::CamerasChanged);
        catalogue.AddVideoAndGpsfiles({other, front});
        QCOMPARE(catalogue.GetGpsfileStatus(1), QStringLiteral("Not Exist"));
        catalogue.AddVideoAndGpsfiles({interior});
        catalogue.AddVideoAndGpsfiles({rear});
        QCOMPARE(catalogue.GetVideoCount(), 2);
        QCOMPARE(added.size(), 2);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(1).at(0).toInt(), 1);
        QCOMPARE(catalogue.GetVideoPath(1), front);
        QCOMPARE(Described(catalogue.GetCameras(1)),
                 QStringLiteral("front:2026_0501_120000_0001F.MP4 rear:2026_0501_120000_0002R.MP4 "
                                "interior:2026_0501_120000_0003I.MP4"));
        // It had no GPS: it takes the rear's.
        QCOMPARE(catalogue.GetGpsfileStatus(1), QStringLiteral("Available"));
        QCOMPARE(catalogue.GetGpsfilePath(1), rear);

        // A file listed already, as any camera, is not listed again.
        catalogue.AddVideoAndGpsfiles({rear, front, interior});
        QCOMPARE(catalogue.GetVideoCount(), 2);
        QCOMPARE(changed.size(), 2);
        // Its recording deleted, a camera file stands alone.
        catalogue.DeleteVideoAndGpsfile(1);
        catalogue.AddVideoAndGpsfiles({rear});
        QCOMPARE(catalogue.GetVideoCount(), 2);
        QCOMPARE(Described(catalogue.GetCameras(1)), QStringLiteral("rear:2026_0501_120000_0002R.MP4"));
        // ... and the front that comes after it is a recording of its own:
        // a listed row never changes its file.
        catalogue.AddVideoAndGpsfiles({front, interior});
        QCOMPARE(catalogue.GetVideoCount(), 3);
        QCOMPARE(Described(catalogue.GetCameras(2)),
                 QStringLiteral("front:2026_0501_120000_0001F.MP4 interior:2026_0501_120000_0003I.MP4"));
    }

    void joinsFoundAgainAfterTheListChanged()
    {
        const QString folder = NewCard() + "/DCIM/Movie/";
        const QString first = Write(folder + "2026_0501_115900_0000F.MP4");
        const QString front = Write(folder + "2026_0501_120000_0001F.MP4");
        const QString rear = Write(folder + "2026_0501_120000_0002R.MP4");
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({first, front});
        const UCameraGrouping grouping = UCameraGroups::Group({rear}, catalogue.ListedCameras());
        QCOMPARE(grouping.Joins.size(), 1);
        QCOMPARE(grouping.Joins.first().Index, 1);
        QCOMPARE(grouping.Joins.first().FrontPath, front);
        catalogue.DeleteVideoAndGpsfile(0);
        const VideoAndGpsfile rated = UVideoAndGpsfiles::RateVideo(rear);
        QCOMPARE(catalogue.JoinCamera({grouping.Joins.first(), rated}), 0);
        QCOMPARE(catalogue.GetCameras(0).size(), 2);
        // Joined once only.
        QCOMPARE(catalogue.JoinCamera({grouping.Joins.first(), rated}), -1);
        catalogue.DeleteVideoAndGpsfile(0);
        QCOMPARE(catalogue.JoinCamera({grouping.Joins.first(), rated}), -1);
    }

    // Nextbase's low copy of a listed camera comes later: still not apart.
    void lowCopyOfAListedCamera()
    {
        const QString folder = NewCard() + "/DCIM/";
        const QString high = Write(folder + "260501_120000_001_FH.MP4");
        const QString rearHigh = Write(folder + "260501_120000_003_RH.MP4");
        const QString low = Write(folder + "260501_120000_002_FL.MP4");
        const QString rearLow = Write(folder + "260501_120000_004_RL.MP4");
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles({high, rearHigh});
        const UCameraGrouping grouping = UCameraGroups::Group({low, rearLow}, catalogue.ListedCameras());
        QVERIFY(grouping.Recordings.isEmpty());
        QVERIFY(grouping.Joins.isEmpty());
        QCOMPARE(Names(grouping.Copies), QStringList({"260501_120000_002_FL.MP4", "260501_120000_004_RL.MP4"}));
    }

    // The folder import: a second import of the rear folder joins the
    // fronts; a third brings nothing.
    void folderImportJoinsAndCountsFiles()
    {
        const QString card = NewCard();
        Write(card + "/Normal/Front/NO20260501-120000-000001F.MP4");
        Write(card + "/Normal/Front/NO20260501-120100-000003F.MP4");
        Write(card + "/Normal/Back/NO20260501-120000-000002B.MP4");
        Write(card + "/Normal/Back/NO20260501-120100-000004B.MP4");
        Write(card + "/Normal/Back/NO20260501-120200-000006B.MP4");
        UVideoAndGpsfiles catalogue;
        UFolderImport import(&catalogue);
        QList<UImportSummary> summaries;
        connect(&import, &UFolderImport::Finished, this, [&](const UImportSummary &S) { summaries << S; });
        QSignalSpy changed(&catalogue, &UVideoAndGpsfiles::CamerasChanged);
        import.Start({card + "/Normal/Front"});
        QVERIFY(QTest::qWaitFor([&] { return summaries.size() == 1; }, 20000));
        QCOMPARE(catalogue.GetVideoCount(), 2);
        import.Start({card + "/Normal"});
        QVERIFY(QTest::qWaitFor([&] { return summaries.size() == 2; }, 20000));
        QCOMPARE(catalogue.GetVideoCount(), 3);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(catalogue.GetCameras(0).size(), 2);
        QCOMPARE(catalogue.GetCameras(1).size(), 2);
        QCOMPARE(Described(catalogue.GetCameras(2)), QStringLiteral("rear:NO20260501-120200-000006B.MP4"));
        QCOMPARE(summaries.at(1).Total, 3);
        QCOMPARE(summaries.at(1).Added, 3);
        QCOMPARE(summaries.at(1).Duplicates, 2);
        import.Start({card});
        QVERIFY(QTest::qWaitFor([&] { return summaries.size() == 3; }, 20000));
        QCOMPARE(catalogue.GetVideoCount(), 3);
        QCOMPARE(summaries.at(2).Total, 0);
        QCOMPARE(summaries.at(2).Duplicates, 5);
    }

    void sharedFolderOfTheCameras()
    {
        QCOMPARE(UCameraGroups::SharedFolder({{UCameraRole::Front, "/card/Normal/Front/a.MP4"},
                                              {UCameraRole::Rear, "/card/Normal/Back/b.MP4"}}),
                 QStringLiteral("/card/Normal"));
        QCOMPARE(UCameraGroups::SharedFolder({{UCameraRole::Front, "/card/DCIM/a.MP4"}}), QStringLiteral("/card/DCIM"));
        QCOMPARE(UCameraGroups::SharedFolder({{UCameraRole::Front, "/a/x.MP4"}, {UCameraRole::Rear, "/b/y.MP4"}}),
                 QStringLiteral("/"));
        QVERIFY(UCameraGroups::SharedFolder({}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUCameraGroups)
#include "tst_ucameragroups.moc"

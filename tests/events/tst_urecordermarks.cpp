// The recorder's marks on a generated card tree: BlackVue's type letters,
// the event folders of Viofo, Thinkware, Garmin and others, and a Tesla's
// saved and sentry clips with their event.json, good or broken.

#include "events/urecordermarks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void Touch(const QString &Path, const QByteArray &Bytes = "x")
{
    QVERIFY(QDir().mkpath(QFileInfo(Path).path()));
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
}

} // namespace

class TestRecorderMarks : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Card;

    QString At(const QString &Relative) const { return Card.filePath(Relative); }

private slots:
    void initTestCase()
    {
        QVERIFY(Card.isValid());
        const char *files[] = {
            "BlackVue/Record/20240101_120000_NF.mp4",  "BlackVue/Record/20240101_120100_EF.mp4",
            "BlackVue/Record/20240101_120200_IR.mp4",  "BlackVue/Record/20240101_120300_MF.mp4",
            "BlackVue/Record/20240101_120400_PF.mp4",  "BlackVue/Record/20240101_120500_EFS.mp4",
            "BlackVue/Record/20240101_120600_ef.MP4",  "Viofo/Movie/F/2024_0101_120000_0001F.MP4",
            "Viofo/Movie/RO/2024_0101_120100_0002F.MP4", "Thinkware/cont_rec/REC_2024_01_01_12_00_00_F.MP4",
            "Thinkware/evt_rec/EVT_2024_01_01_12_01_00_F.MP4", "Thinkware/parking_rec/PRK_F.MP4",
            "Thinkware/manual_rec/MAN_F.MP4",          "Other/Event/CLIP0001.MOV",
            "Other/EVENT/CLIP0002.MOV",                "Other/Emergency/CLIP0003.MOV",
            "Other/SOS/CLIP0004.MOV",                  "Other/Protected/CLIP0005.MOV",
            "Other/Event photos/CLIP0006.MOV",         "Garmin/DCIM/100EVENT/GRMN0001.MP4",
            "Garmin/DCIM/101SAVED/GRMN0002.MP4",       "Garmin/DCIM/100MEDIA/GRMN0003.MP4",
            "Other/Emergency/Front/CLIP0007.MOV",
        };
        for (const char *file : files)
            Touch(At(QString::fromUtf8(file)));

        // A saved event at 12:34:56: the clip that started at 12:34:00 holds it.
        const QString saved = QStringLiteral("Tesla/TeslaCam/SavedClips/2023-05-01_12-35-10/");
        for (const char *clip : {"2023-05-01_12-33-00-front.mp4", "2023-05-01_12-34-00-front.mp4",
                                 "2023-05-01_12-34-00-back.mp4", "2023-05-01_12-35-00-front.mp4"})
            Touch(At(saved + QString::fromUtf8(clip)));
        Touch(At(saved + "event.json"),
              "{\"timestamp\":\"2023-05-01T12:34:56\",\"city\":\"Somewhere\",\"est_lat\":\"52.1\",\"est_lon\":\"13.2\","
              "\"reason\":\"user_interaction_dashcam_icon_tapped\",\"camera\":\"0\"}");
        const QString sentry = QStringLiteral("Tesla/TeslaCam/SentryClips/2023-05-02_08-00-00/");
        Touch(At(sentry + "2023-05-02_07-59-00-front.mp4"));
        Touch(At(sentry + "event.json"), "this is { not JSON");
        const QString missing = QStringLiteral("Tesla/TeslaCam/SentryClips/2023-05-03_08-00-00/");
        Touch(At(missing + "2023-05-03_07-59-00-front.mp4"));
        Touch(At("Tesla/TeslaCam/RecentClips/2023-05-01_12-34-00-front.mp4"));
    }

    void marks_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<int>("marks");
        QTest::addColumn<qint64>("time");
        QTest::addColumn<QString>("detail");
        auto row = [](const char *Name, const char *Video, int Marks, qint64 Time = 0, const char *Detail = "") {
            QTest::newRow(Name) << QString::fromUtf8(Video) << Marks << Time << QString::fromUtf8(Detail);
        };
        row("BlackVue normal", "BlackVue/Record/20240101_120000_NF.mp4", 0);
        row("BlackVue event", "BlackVue/Record/20240101_120100_EF.mp4", 1, 0, "event recording (E)");
        row("BlackVue impact while parked", "BlackVue/Record/20240101_120200_IR.mp4", 1, 0, "impact while parked (I)");
        row("BlackVue manual", "BlackVue/Record/20240101_120300_MF.mp4", 1, 0, "manual recording (M)");
        row("BlackVue parking", "BlackVue/Record/20240101_120400_PF.mp4", 0);
        row("BlackVue event, sub stream", "BlackVue/Record/20240101_120500_EFS.mp4", 1, 0, "event recording (E)");
        row("BlackVue event, small letters", "BlackVue/Record/20240101_120600_ef.MP4", 1, 0, "event recording (E)");
        row("Viofo normal", "Viofo/Movie/F/2024_0101_120000_0001F.MP4", 0);
        row("Viofo RO", "Viofo/Movie/RO/2024_0101_120100_0002F.MP4", 1, 0, "event folder RO");
        row("Thinkware continuous", "Thinkware/cont_rec/REC_2024_01_01_12_00_00_F.MP4", 0);
        row("Thinkware event", "Thinkware/evt_rec/EVT_2024_01_01_12_01_00_F.MP4", 1, 0, "event folder evt_rec");
        row("Thinkware parking", "Thinkware/parking_rec/PRK_F.MP4", 1, 0, "event folder parking_rec");
        row("Thinkware manual", "Thinkware/manual_rec/MAN_F.MP4", 1, 0, "event folder manual_rec");
        row("Event", "Other/Event/CLIP0001.MOV", 1, 0, "event folder Event");
        row("EVENT", "Other/EVENT/CLIP0002.MOV", 1, 0, "event folder EVENT");
        row("Emergency", "Other/Emergency/CLIP0003.MOV", 1, 0, "event folder Emergency");
        row("SOS", "Other/SOS/CLIP0004.MOV", 1, 0, "event folder SOS");
        row("Protected", "Other/Protected/CLIP0005.MOV", 1, 0, "event folder Protected");
        row("a folder only named like one", "Other/Event photos/CLIP0006.MOV", 0);
        row("a camera's folder in an event folder", "Other/Emergency/Front/CLIP0007.MOV", 1, 0,
            "event folder Emergency");
        row("Garmin event", "Garmin/DCIM/100EVENT/GRMN0001.MP4", 1, 0, "event folder 100EVENT");
        row("Garmin saved", "Garmin/DCIM/101SAVED/GRMN0002.MP4", 1, 0, "event folder 101SAVED");
        row("Garmin everyday", "Garmin/DCIM/100MEDIA/GRMN0003.MP4", 0);
        row("Tesla saved, the clip holding the event",
            "Tesla/TeslaCam/SavedClips/2023-05-01_12-35-10/2023-05-01_12-34-00-front.mp4", 1, 56'000,
            "user_interaction_dashcam_icon_tapped");
        row("Tesla saved, the same moment from behind",
            "Tesla/TeslaCam/SavedClips/2023-05-01_12-35-10/2023-05-01_12-34-00-back.mp4", 1, 56'000,
            "user_interaction_dashcam_icon_tapped");
        row("Tesla saved, a clip before", "Tesla/TeslaCam/SavedClips/2023-05-01_12-35-10/2023-05-01_12-33-00-front.mp4",
            0);
        row("Tesla saved, a clip after", "Tesla/TeslaCam/SavedClips/2023-05-01_12-35-10/2023-05-01_12-35-00-front.mp4",
            0);
        row("Tesla sentry, event.json not JSON",
            "Tesla/TeslaCam/SentryClips/2023-05-02_08-00-00/2023-05-02_07-59-00-front.mp4", 1, 0, "");
        row("Tesla sentry, no event.json",
            "Tesla/TeslaCam/SentryClips/2023-05-03_08-00-00/2023-05-03_07-59-00-front.mp4", 1, 0, "");
        row("Tesla recent", "Tesla/TeslaCam/RecentClips/2023-05-01_12-34-00-front.mp4", 0);
    }
    void marks()
    {
        QFETCH(QString, video);
        QFETCH(int, marks);
        QFETCH(qint64, time);
        QFETCH(QString, detail);
        const UEventList found = URecorderMarks::Of(At(video));
        QCOMPARE(found.size(), marks);
        if (marks == 1) {
            QCOMPARE(found.first().Kind, UEventKind::Recorder);
            QCOMPARE(found.first().TimeMs, time);
            QCOMPARE(found.first().Detail, detail);
        }
    }

    void teslaEventFiles_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full") << QByteArray("{\"timestamp\":\"2023-05-01T12:34:56\",\"reason\":\"sentry_aware_object_detection\"}")
                              << "2023-05-01T12:34:56" << "sentry_aware_object_detection";
        QTest::newRow("no reason") << QByteArray("{\"timestamp\":\"2023-05-01T12:34:56\"}") << "2023-05-01T12:34:56"
                                   << "";
        QTest::newRow("time not a time") << QByteArray("{\"timestamp\":\"yesterday\",\"reason\":\"honk\"}") << ""
                                         << "honk";
        QTest::newRow("time a number") << QByteArray("{\"timestamp\":12345,\"reason\":7}") << "" << "";
        QTest::newRow("array") << QByteArray("[\"timestamp\"]") << "" << "";
        QTest::newRow("not JSON") << QByteArray("timestamp: 2023-05-01") << "" << "";
        QTest::newRow("cut short") << QByteArray("{\"timestamp\":\"2023-05-01T12:3") << "" << "";
        QTest::newRow("empty") << QByteArray() << "" << "";
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe{", 4) << "" << "";
    }
    void teslaEventFiles()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, time);
        QFETCH(QString, reason);
        const URecorderMarks::TeslaEvent event = URecorderMarks::ReadTeslaEvent(json);
        QCOMPARE(event.Time.isValid() ? event.Time.toString(Qt::ISODate) : QString(), time);
        QCOMPARE(event.Reason, reason);
    }
};

QTEST_GUILESS_MAIN(TestRecorderMarks)
#include "tst_urecordermarks.moc"

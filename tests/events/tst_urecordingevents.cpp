// A recording's events as the import works them out: the G-sensor's when
// there is one, the GPS speed's when there is none (or the sensor is
// stuck), the route and span; and the index that follows the catalogue.

#include "accelwriter.h"
#include "mp4gpswriter.h"

#include "catalogue/uvideoandgpsfiles.h"
#include "events/ueventindex.h"
#include "events/urecordingevents.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void Write(const QString &Path, const QByteArray &Bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(Path).path()));
    QFile file(Path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Bytes);
}

// A drive at 72 km/h that stops hard at second StopAt (5 m/s²).
GpsFixList HardStop(int Seconds, int StopAt)
{
    GpsFixList fixes = Mp4GpsWriter::Drive(Seconds);
    double speed = 72.0;
    for (int i = 0; i < Seconds; ++i) {
        if (i > StopAt)
            speed = std::max(0.0, speed - 18.0);
        fixes[i].SpeedKmh = speed;
    }
    return fixes;
}

} // namespace

class TestRecordingEvents : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir Dir;

private slots:
    void sourcesOfEvents_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("hasAccel");
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<int>>("kinds");
        QTest::newRow("G-sensor") << "accel" << true << QList<qint64>{12'000, 20'000}
                                  << QList<int>{int(UEventKind::Braking), int(UEventKind::Bump)};
        QTest::newRow("GPS only") << "gps" << false << QList<qint64>{15'000} << QList<int>{int(UEventKind::Braking)};
        QTest::newRow("stuck G-sensor: the GPS instead") << "stuck" << false << QList<qint64>{15'000}
                                                         << QList<int>{int(UEventKind::Braking)};
    }
    void sourcesOfEvents()
    {
        QFETCH(QString, kind);
        QFETCH(bool, hasAccel);
        QFETCH(QList<qint64>, times);
        QFETCH(QList<int>, kinds);
        const QString video = Dir.filePath(kind + "/20240101_120000_NF.mp4");
        const GpsFixList fixes = HardStop(30, 15);
        using M = AccelWriter::Moment;
        RawAccelList readings = AccelWriter::Drive(30, 10, 4, {{M::Braking, 12'000, 800, 0.6}, {M::Bump, 20'000, 100, 1.9}});
        if (kind == "stuck") {
            for (RawAccel &reading : readings)
                reading = {reading.OffsetMs, 0.1, 0.0, 1.0};
        }
        Write(video, kind == "gps" ? Mp4GpsWriter::BlackVue(fixes) : AccelWriter::BlackVueVideo(fixes, readings));

        const URecordingEvents result = URecordingAnalysis::Analyse(video);
        QCOMPARE(result.HasAccel, hasAccel);
        QCOMPARE(result.Events.size(), times.size());
        for (qsizetype i = 0; i < times.size(); ++i) {
            QCOMPARE(int(result.Events[i].Kind), kinds[i]);
            QVERIFY(std::abs(result.Events[i].TimeMs - times[i]) <= 500);
        }
        QCOMPARE(result.Accel.isEmpty(), !hasAccel);
        // The route: one point a second with a fix, from the first to the last.
        QCOMPARE(result.Route.size(), 30);
        QVERIFY(result.HasRoute());
        QVERIFY(std::fabs(result.FirstFix.Latitude - fixes.first().Latitude) < 1e-6);
        QVERIFY(std::fabs(result.LastFix.Latitude - fixes.last().Latitude) < 1e-6);
        QCOMPARE(result.Start, fixes.first().Utc);
        QCOMPARE(result.SpeedsKmh.size(), 30);
        // Speeding is the user's: over 50 km/h the first 16 seconds and more.
        const UEventList speeding = result.WithSpeeding(50.0);
        QCOMPARE(speeding.size(), result.Events.size() + 1);
    }

    void recordingWithoutAnything()
    {
        const QString video = Dir.filePath("plain/CLIP0001.MOV");
        Write(video, Mp4GpsWriter::FileType() + Mp4GpsWriter::Box("mdat", QByteArray(32, '\0')));
        const URecordingEvents result = URecordingAnalysis::Analyse(video);
        QVERIFY(result.Events.isEmpty());
        QVERIFY(!result.HasRoute());
        QVERIFY(result.Route.isEmpty());
        // Named by no recorder's pattern: the file's time.
        QVERIFY(result.Start.isValid());
        const URecordingEvents missing = URecordingAnalysis::Analyse(Dir.filePath("plain/none.MOV"));
        QVERIFY(missing.Events.isEmpty());
        QVERIFY(!missing.HasRoute());
    }

    void camerasOfACard_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("everyday and event folder") << "card/DCIM/100CLIP/CLIP0001.MOV" << "card/DCIM/100EVENT/CLIP0002.MOV"
                                                   << true;
        QTest::newRow("Viofo front and rear folders") << "card/Movie/F/A.MP4" << "card/Movie/R/B.MP4" << false;
        QTest::newRow("two cards") << "one/DCIM/100CLIP/A.MOV" << "two/DCIM/100CLIP/A.MOV" << false;
        QTest::newRow("BlackVue front and rear") << "bv/Record/20240101_120000_NF.mp4"
                                                 << "bv/Record/20240101_120000_NR.mp4" << false;
        QTest::newRow("BlackVue front, event and normal") << "bv/Record/20240101_120000_NF.mp4"
                                                          << "bv/Record/20240101_120100_EF.mp4" << true;
        QTest::newRow("Tesla recent and saved") << "tc/TeslaCam/RecentClips/2023-05-01_12-34-00-front.mp4"
                                                << "tc/TeslaCam/SavedClips/2023-05-01_12-35-10/2023-05-01_12-34-00-front.mp4"
                                                << true;
    }
    void camerasOfACard()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(URecordingAnalysis::CameraOf(Dir.filePath(a)) == URecordingAnalysis::CameraOf(Dir.filePath(b)),
                 same);
    }

    void indexFollowsTheCatalogue()
    {
        QStringList videos;
        for (int i = 0; i < 6; ++i) {
            const QString video = Dir.filePath(QStringLiteral("index/20240101_12%1000_NF.mp4").arg(i, 2, 10, QChar(u'0')));
            Write(video, Mp4GpsWriter::BlackVue(HardStop(20, 10)));
            videos << video;
        }
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles(videos.mid(0, 2));
        UEventIndex index(&catalogue);
        QSignalSpy ready(&index, &UEventIndex::Ready);
        QList<VideoAndGpsfile> rated;
        for (const QString &video : videos.mid(2))
            rated.append(UVideoAndGpsfiles::RateVideo(video));
        catalogue.AppendRated(rated);
        QCOMPARE(index.Count(), 6);
        QVERIFY(ready.wait(10000) || ready.count() > 0);
        QTRY_COMPARE_WITH_TIMEOUT(index.Pending(), 0, 10000);
        for (int i = 0; i < 6; ++i) {
            QVERIFY(index.At(i));
            QCOMPARE(index.At(i)->VideoPath, videos[i]);
            QCOMPARE(index.At(i)->Events.size(), 1);
        }
        catalogue.DeleteVideoAndGpsfile(1);
        QCOMPARE(index.Count(), 5);
        QCOMPARE(index.At(1)->VideoPath, videos[2]);
        QVERIFY(!index.At(5));
        QVERIFY(!index.At(-1));
    }

    void indexStopsWhileReading()
    {
        UVideoAndGpsfiles catalogue;
        {
            UEventIndex index(&catalogue);
            // A name no recorder's rule knows: the same file imported again
            // is listed again (a recorder's camera file would join its
            // recording once).
            const QString plain = Dir.filePath("index/plain.mp4");
            QFile::copy(Dir.filePath("index/20240101_120000_NF.mp4"), plain);
            QStringList many;
            for (int i = 0; i < 40; ++i)
                many << plain;
            catalogue.AddVideoAndGpsfiles(many);
            // Destroyed at once: the worker is stopped and waited for.
        }
        QCOMPARE(catalogue.GetVideoCount(), 40);
    }
};

QTEST_GUILESS_MAIN(TestRecordingEvents)
#include "tst_urecordingevents.moc"

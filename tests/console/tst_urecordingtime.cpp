#include <QtTest>

#include "console/urecordingtime.h"
#include "gpslog/gpstrack.h"

namespace {

// A track of `count` fixes, one a second from `start` (UTC), without a time
// at the seconds listed in `untimed`.
GpsTrack Track(int count, const QDateTime &start, const QList<int> &untimed = {})
{
    GpsTrack track;
    for (int i = 0; i < count; ++i) {
        GpsFix fix;
        fix.Valid = true;
        fix.Latitude = 22.5;
        fix.Longitude = 113.9;
        if (!untimed.contains(i))
            fix.Utc = start.addSecs(i);
        track.Append(fix);
    }
    return track;
}

const QDateTime Eight = QDateTime(QDate(2026, 12, 7), QTime(8, 0, 0), Qt::UTC);

} // namespace

class TestURecordingTime : public QObject
{
    Q_OBJECT

private slots:
    void zoneFromTheSettings_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QByteArray>("zone"); // empty: the system's
        QTest::newRow("unset") << "" << QByteArray();
        QTest::newRow("a zone") << "Asia/Shanghai" << QByteArray("Asia/Shanghai");
        QTest::newRow("with spaces") << "  Europe/Berlin " << QByteArray("Europe/Berlin");
        QTest::newRow("UTC") << "UTC" << QByteArray("UTC");
        QTest::newRow("unknown") << "Mars/Olympus_Mons" << QByteArray();
        QTest::newRow("garbage") << "../../etc/passwd" << QByteArray();
    }
    void zoneFromTheSettings()
    {
        QFETCH(QString, setting);
        QFETCH(QByteArray, zone);
        const QTimeZone found = URecordingTime::Zone(setting);
        QVERIFY(found.isValid() || !QTimeZone::systemTimeZone().isValid());
        QCOMPARE(found.id(), zone.isEmpty() ? QTimeZone::systemTimeZone().id() : zone);
    }

    void localBesideUtc_data()
    {
        QTest::addColumn<QDateTime>("instant");
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QString>("text");
        QTest::newRow("east of UTC") << Eight << QByteArray("Asia/Shanghai")
                                     << "2026-12-07 16:00:00 UTC+08:00 (Asia/Shanghai) \u00b7 2026-12-07 08:00:00 UTC";
        QTest::newRow("west, the day before")
            << Eight << QByteArray("America/Argentina/Buenos_Aires")
            << "2026-12-07 05:00:00 UTC-03:00 (America/Argentina/Buenos_Aires) \u00b7 2026-12-07 08:00:00 UTC";
        QTest::newRow("half hours") << Eight.addSecs(-8 * 3600) << QByteArray("Asia/Kolkata")
                                    << "2026-12-07 05:30:00 UTC+05:30 (Asia/Kolkata) \u00b7 2026-12-07 00:00:00 UTC";
        QTest::newRow("summer time")
            << QDateTime(QDate(2026, 7, 1), QTime(12, 0), Qt::UTC) << QByteArray("Europe/Berlin")
            << "2026-07-01 14:00:00 UTC+02:00 (Europe/Berlin) \u00b7 2026-07-01 12:00:00 UTC";
        QTest::newRow("UTC itself") << Eight << QByteArray("UTC")
                                    << "2026-12-07 08:00:00 UTC+00:00 \u00b7 2026-12-07 08:00:00 UTC";
        QTest::newRow("an instant in local time")
            << QDateTime(QDate(2026, 12, 7), QTime(16, 0), QTimeZone("Asia/Shanghai")) << QByteArray("Europe/Berlin")
            << "2026-12-07 09:00:00 UTC+01:00 (Europe/Berlin) \u00b7 2026-12-07 08:00:00 UTC";
        QTest::newRow("unknown instant") << QDateTime() << QByteArray("UTC") << "";
    }
    void localBesideUtc()
    {
        QFETCH(QDateTime, instant);
        QFETCH(QByteArray, zone);
        QFETCH(QString, text);
        QCOMPARE(URecordingTime::Text(instant, QTimeZone(zone)), text);
    }

    void momentOfThePlayTime_data()
    {
        QTest::addColumn<int>("fixes");      // 0: no track
        QTest::addColumn<QList<int>>("untimed");
        QTest::addColumn<qint64>("playMs");
        QTest::addColumn<int>("shift");
        QTest::addColumn<bool>("videoStart"); // the file's time known: 07:59:00
        QTest::addColumn<QDateTime>("moment");
        const QList<int> none;
        QTest::newRow("the fix of the second") << 10 << none << qint64(3250) << 0 << true << Eight.addMSecs(3250);
        QTest::newRow("shifted by the GPS shift") << 10 << none << qint64(3250) << 2 << true << Eight.addMSecs(1250);
        QTest::newRow("a fix without a time: the nearest")
            << 10 << QList<int>{3, 4} << qint64(3500) << 0 << true << Eight.addMSecs(3500);
        QTest::newRow("beyond the track") << 5 << none << qint64(9000) << 0 << true << Eight.addSecs(9);
        QTest::newRow("before the track (shift)") << 5 << none << qint64(1000) << 3 << true << Eight.addSecs(-2);
        QTest::newRow("no fix has a time: the file's")
            << 3 << QList<int>{0, 1, 2} << qint64(4000) << 0 << true << Eight.addSecs(-60 + 4);
        QTest::newRow("no track: the file's") << 0 << none << qint64(61000) << 0 << true << Eight.addSecs(1);
        QTest::newRow("nothing known") << 0 << none << qint64(1000) << 0 << false << QDateTime();
        QTest::newRow("time unknown: the start") << 0 << none << qint64(-1) << 0 << true << Eight.addSecs(-60);
    }
    void momentOfThePlayTime()
    {
        QFETCH(int, fixes);
        QFETCH(QList<int>, untimed);
        QFETCH(qint64, playMs);
        QFETCH(int, shift);
        QFETCH(bool, videoStart);
        QFETCH(QDateTime, moment);
        const GpsTrack track = Track(fixes, Eight, untimed);
        const QDateTime start = videoStart ? Eight.addSecs(-60) : QDateTime();
        const QDateTime found = URecordingTime::AtPlayTime(fixes ? &track : nullptr, playMs, shift, start);
        QCOMPARE(found.isValid(), moment.isValid());
        if (moment.isValid())
            QCOMPARE(found.toMSecsSinceEpoch(), moment.toMSecsSinceEpoch());
    }
};

QTEST_APPLESS_MAIN(TestURecordingTime)
#include "tst_urecordingtime.moc"

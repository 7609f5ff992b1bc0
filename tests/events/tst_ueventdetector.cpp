// Events found in generated drives: braking, acceleration and a bump in
// the G-sensor, a hard stop in the GPS speed, each within half a second of
// when it happened; a calm hour of seeded, realistic noise gives at most one.

#include "accelwriter.h"

#include "events/ueventdetector.h"
#include "gpslog/gpstrack.h"

#include <QtTest>

namespace {

constexpr qint64 Within = 500;

AccelTrace Trace(const RawAccelList &Readings)
{
    return AccelReader::ToTrace(QStringLiteral("Test"), Readings);
}

// One fix a second at the speeds given.
GpsTrack Speeds(const QList<double> &Kmh)
{
    GpsTrack track;
    for (qsizetype i = 0; i < Kmh.size(); ++i) {
        GpsFix fix;
        fix.Valid = !std::isnan(Kmh[i]);
        fix.Latitude = 48.0 + i * 1e-4;
        fix.Longitude = 11.0;
        fix.SpeedKmh = fix.Valid ? Kmh[i] : 0.0;
        track.Append(fix);
    }
    return track;
}

// Cruising at 70 km/h with the receiver's noise, slowing at Rate m/s² from
// second Start to a stop, standing, then driving off again.
QList<double> StopAt(int Start, double Rate, quint32 Seed)
{
    QRandomGenerator random(Seed);
    QList<double> kmh;
    double speed = 70.0;
    for (int second = 0; second < 120; ++second) {
        if (second > Start)
            speed = std::max(0.0, speed - Rate * 3.6);
        if (second >= Start + 40)
            speed = std::min(50.0, (second - Start - 40) * 7.0);
        kmh.append(std::max(0.0, speed + (random.generateDouble() - 0.5) * 1.5));
    }
    return kmh;
}

} // namespace

class TestEventDetector : public QObject
{
    Q_OBJECT

private slots:
    void momentsOfADrive_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("BlackVue's 10 a second") << 10 << 1u;
        QTest::newRow("GoPro's 200 a second") << 200 << 2u;
        QTest::newRow("50 a second") << 50 << 3u;
    }
    void momentsOfADrive()
    {
        QFETCH(int, rate);
        QFETCH(quint32, seed);
        using M = AccelWriter::Moment;
        const QList<M> moments = {
            {M::Braking, 30'000, 1'500, 0.65},
            {M::Accelerating, 60'000, 2'000, 0.5},
            {M::Bump, 90'000, 60, 2.1},
        };
        const UEventList events = UEventDetector::FromAccel(Trace(AccelWriter::Drive(120, rate, seed, moments)));
        QCOMPARE(events.size(), 3);
        const UEventKind kinds[] = {UEventKind::Braking, UEventKind::Acceleration, UEventKind::Bump};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(events[i].Kind, kinds[i]);
            QVERIFY2(std::abs(events[i].TimeMs - moments[i].StartMs) <= Within,
                     qPrintable(QString::number(events[i].TimeMs)));
            QVERIFY2(std::fabs(events[i].Strength - moments[i].G) < 0.25, qPrintable(QString::number(events[i].Strength)));
        }
    }

    void thresholds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<qint64>("duration");
        QTest::addColumn<double>("g");
        QTest::addColumn<bool>("found");
        using M = AccelWriter::Moment;
        QTest::newRow("braking 0.5 g for 300 ms") << int(M::Braking) << qint64(300) << 0.5 << true;
        QTest::newRow("braking 0.5 g for 100 ms") << int(M::Braking) << qint64(100) << 0.5 << false;
        QTest::newRow("braking 0.3 g for 3 s") << int(M::Braking) << qint64(3000) << 0.3 << false;
        QTest::newRow("accelerating 0.45 g for 1 s") << int(M::Accelerating) << qint64(1000) << 0.45 << true;
        QTest::newRow("bump 1.7 g") << int(M::Bump) << qint64(20) << 1.7 << true;
        QTest::newRow("bump 1.2 g") << int(M::Bump) << qint64(20) << 1.2 << false;
        QTest::newRow("dip of 1.7 g") << int(M::Bump) << qint64(20) << -1.7 << true;
    }
    void thresholds()
    {
        QFETCH(int, kind);
        QFETCH(qint64, duration);
        QFETCH(double, g);
        QFETCH(bool, found);
        // A noiseless sensor at 100 a second: only the threshold decides.
        RawAccelList readings;
        for (int i = 0; i < 1000; ++i)
            readings.append({i * 10, 0.0, 0.0, 1.0});
        for (RawAccel &reading : readings) {
            if (reading.OffsetMs < 5000 || reading.OffsetMs >= 5000 + duration)
                continue;
            if (kind == AccelWriter::Moment::Braking)
                reading.Forward = -g;
            else if (kind == AccelWriter::Moment::Accelerating)
                reading.Forward = g;
            else
                reading.Up += g;
        }
        const UEventList events = UEventDetector::FromAccel(Trace(readings));
        QCOMPARE(events.size(), found ? 1 : 0);
        if (found)
            QVERIFY(std::abs(events.first().TimeMs - 5000) <= Within);
    }

    void calmHour_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {11u, 12u, 13u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
    }
    void calmHour()
    {
        QFETCH(quint32, seed);
        const UEventList events = UEventDetector::FromAccel(Trace(AccelWriter::Drive(3600, 10, seed)));
        QVERIFY2(events.size() <= 1, qPrintable(QString::number(events.size())));
    }

    void gpsHardStop_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<bool>("found");
        QTest::newRow("5 m/s²") << 5.0 << true;
        QTest::newRow("4.2 m/s²") << 4.2 << true;
        QTest::newRow("3 m/s²") << 3.0 << false;
        QTest::newRow("1.5 m/s²: a gentle stop") << 1.5 << false;
    }
    void gpsHardStop()
    {
        QFETCH(double, rate);
        QFETCH(bool, found);
        const UEventList events = UEventDetector::FromGps(Speeds(StopAt(45, rate, 5)));
        QCOMPARE(events.size(), found ? 1 : 0);
        if (found) {
            QCOMPARE(events.first().Kind, UEventKind::Braking);
            QVERIFY2(std::abs(events.first().TimeMs - 45'000) <= Within, qPrintable(QString::number(events.first().TimeMs)));
            QVERIFY(std::fabs(events.first().Strength - rate / 9.80665) < 0.08);
        }
    }

    void gpsCalmHourAndGaps()
    {
        // An hour of town driving: speeds changing by up to 2 m/s² with noise.
        QRandomGenerator random(21);
        QList<double> kmh;
        double speed = 40.0;
        for (int second = 0; second < 3600; ++second) {
            speed = std::clamp(speed + (random.generateDouble() - 0.5) * 7.0, 0.0, 90.0);
            kmh.append(speed + (random.generateDouble() - 0.5));
        }
        QVERIFY(UEventDetector::FromGps(Speeds(kmh)).size() <= 1);

        // A second without a fix in the middle of a drop is no evidence.
        QList<double> gap = {80, 80, 80, qQNaN(), 20, 20, 20};
        QVERIFY(UEventDetector::FromGps(Speeds(gap)).isEmpty());
        QVERIFY(UEventDetector::FromGps(GpsTrack()).isEmpty());
    }

    void speeding_data()
    {
        QTest::addColumn<double>("limit");
        QTest::addColumn<int>("events");
        QTest::addColumn<double>("top");
        QTest::newRow("off") << 0.0 << 0 << 0.0;
        QTest::newRow("not a number") << qQNaN() << 0 << 0.0;
        QTest::newRow("100 km/h") << 100.0 << 2 << 131.0;
        QTest::newRow("125 km/h") << 125.0 << 1 << 131.0;
        QTest::newRow("200 km/h") << 200.0 << 0 << 0.0;
    }
    void speeding()
    {
        QFETCH(double, limit);
        QFETCH(int, events);
        QFETCH(double, top);
        // Two stretches over 100 with a short dip between (one event), a
        // long gap, then a third.
        const QList<float> kmh = {90, 105, 131, 99, 110, 90, 90, 90, 90, 90, 101, float(qQNaN()), 90};
        const UEventList found = UEventDetector::Speeding(kmh, limit);
        QCOMPARE(found.size(), events);
        if (events > 0) {
            QCOMPARE(found.first().Kind, UEventKind::Speeding);
            QCOMPARE(found.first().Strength, top);
        }
    }
};

QTEST_GUILESS_MAIN(TestEventDetector)
#include "tst_ueventdetector.moc"

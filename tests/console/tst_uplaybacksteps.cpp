// Where the keys' steps land: seeks kept within the recording, the speed
// ladder, volume, one frame back, the GPS shift and its words.
#include <QtTest>

#include "console/uplaybacksteps.h"

class TestUPlaybackSteps : public QObject
{
    Q_OBJECT
private slots:
    void seekStaysWithinTheRecording_data()
    {
        QTest::addColumn<qint64>("time");
        QTest::addColumn<qint64>("delta");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<qint64>("target");
        QTest::newRow("forward in the middle") << 10000ll << 5000ll << 60000ll << 15000ll;
        QTest::newRow("back in the middle") << 10000ll << -1000ll << 60000ll << 9000ll;
        QTest::newRow("back past the start") << 3000ll << -5000ll << 60000ll << 0ll;
        QTest::newRow("forward past the end") << 58000ll << 5000ll << 60000ll << 60000ll;
        QTest::newRow("a minute on a short clip") << 1000ll << 60000ll << 3000ll << 3000ll;
        QTest::newRow("length unknown") << 1000ll << 60000ll << 0ll << 61000ll;
        QTest::newRow("length unknown, back past the start") << 1000ll << -5000ll << -1ll << 0ll;
        QTest::newRow("time unknown") << -1ll << 5000ll << 60000ll << 5000ll;
    }
    void seekStaysWithinTheRecording()
    {
        QFETCH(qint64, time);
        QFETCH(qint64, delta);
        QFETCH(qint64, length);
        QFETCH(qint64, target);
        QCOMPARE(UPlaybackSteps::SeekTarget(time, delta, length), target);
    }

    void speedClimbsTheLadder_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<int>("steps");
        QTest::addColumn<double>("expected");
        QTest::newRow("faster from normal") << 1.0 << 1 << 1.25;
        QTest::newRow("slower from normal") << 1.0 << -1 << 0.75;
        QTest::newRow("two faster") << 1.0 << 2 << 1.5;
        QTest::newRow("stays at the top") << 4.0 << 1 << 4.0;
        QTest::newRow("stays at the bottom") << 0.25 << -1 << 0.25;
        QTest::newRow("off the ladder, faster") << 1.1 << 1 << 1.25;
        QTest::newRow("off the ladder, slower") << 1.1 << -1 << 1.0;
        QTest::newRow("above the ladder, slower") << 8.0 << -1 << 4.0;
        QTest::newRow("below the ladder, faster") << 0.1 << 1 << 0.25;
        QTest::newRow("not a number") << qQNaN() << 1 << 1.25;
        QTest::newRow("no step snaps up") << 1.1 << 0 << 1.25;
    }
    void speedClimbsTheLadder()
    {
        QFETCH(double, rate);
        QFETCH(int, steps);
        QFETCH(double, expected);
        QCOMPARE(UPlaybackSteps::StepRate(rate, steps), expected);
    }

    void ladderRunsFromAQuarterToFour()
    {
        const QList<double> &ladder = UPlaybackSteps::RateLadder();
        QCOMPARE(ladder.first(), 0.25);
        QCOMPARE(ladder.last(), 4.0);
        QVERIFY(ladder.contains(1.0));
        QVERIFY(std::is_sorted(ladder.begin(), ladder.end()));
        // Walking the whole ladder up and down visits every rung.
        double rate = 0.25;
        for (qsizetype i = 1; i < ladder.size(); ++i)
            QCOMPARE(rate = UPlaybackSteps::StepRate(rate, 1), ladder.at(i));
        QCOMPARE(UPlaybackSteps::RateText(1.25), QStringLiteral("Speed 1.25x"));
        QCOMPARE(UPlaybackSteps::RateText(4.0), QStringLiteral("Speed 4x"));
        QCOMPARE(UPlaybackSteps::RateText(0.5), QStringLiteral("Speed 0.5x"));
    }

    void volumeStaysWithinItsRange()
    {
        QCOMPARE(UPlaybackSteps::StepVolume(50, 5), 55);
        QCOMPARE(UPlaybackSteps::StepVolume(98, 5), 100);
        QCOMPARE(UPlaybackSteps::StepVolume(3, -5), 0);
        QCOMPARE(UPlaybackSteps::StepVolume(0, -5), 0);
    }

    void frameBackUsesTheFrameRate_data()
    {
        QTest::addColumn<qint64>("time");
        QTest::addColumn<uint>("num");
        QTest::addColumn<uint>("den");
        QTest::addColumn<qint64>("target");
        QTest::newRow("25 fps") << 1000ll << 25u << 1u << 960ll;
        QTest::newRow("30000/1001 fps") << 1000ll << 30000u << 1001u << 967ll;
        QTest::newRow("rate unknown: 25 fps") << 1000ll << 0u << 0u << 960ll;
        QTest::newRow("at the start") << 10ll << 25u << 1u << 0ll;
        QTest::newRow("absurd rate") << 1000ll << 1000000u << 1u << 999ll;
    }
    void frameBackUsesTheFrameRate()
    {
        QFETCH(qint64, time);
        QFETCH(uint, num);
        QFETCH(uint, den);
        QFETCH(qint64, target);
        QCOMPARE(UPlaybackSteps::FrameBackTarget(time, num, den), target);
    }

    void gpsShiftStepsAndWords_data()
    {
        QTest::addColumn<int>("shift");
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("text");
        QTest::newRow("later") << 1 << 1 << 2 << "GPS +2 s";
        QTest::newRow("back to none") << 1 << -1 << 0 << "GPS 0 s";
        QTest::newRow("earlier") << 0 << -1 << -1 << "GPS -1 s";
        QTest::newRow("stops at an hour") << 3600 << 1 << 3600 << "GPS +3600 s";
        QTest::newRow("stops at minus an hour") << -3600 << -1 << -3600 << "GPS -3600 s";
    }
    void gpsShiftStepsAndWords()
    {
        QFETCH(int, shift);
        QFETCH(int, delta);
        QFETCH(int, after);
        QFETCH(QString, text);
        QCOMPARE(UPlaybackSteps::StepGpsShift(shift, delta), after);
        QCOMPARE(UPlaybackSteps::GpsShiftText(after), text);
    }
};

QTEST_APPLESS_MAIN(TestUPlaybackSteps)
#include "tst_uplaybacksteps.moc"

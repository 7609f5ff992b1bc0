// The rules that keep the other cameras at the front's time: what a drift
// asks for, when two readings of a player's time can be believed, and which
// time a seek aims at so that every player shows the same frame.
#include <QtTest>

#include "playback/usyncdecision.h"

Q_DECLARE_METATYPE(USyncAction::Kind)

class TestUSyncDecision : public QObject
{
    Q_OBJECT
private slots:
    void driftDecidesTheAction_data()
    {
        QTest::addColumn<double>("drift");
        QTest::addColumn<int>("nudging");
        QTest::addColumn<USyncAction::Kind>("what");
        QTest::addColumn<int>("direction");
        using A = USyncAction;
        // Left alone under 40 ms, either way.
        QTest::newRow("in step") << 0.0 << 0 << A::Keep << 0;
        QTest::newRow("39 ms ahead") << 39.9 << 0 << A::Keep << 0;
        QTest::newRow("39 ms behind") << -39.9 << 0 << A::Keep << 0;
        // 40 to 200 ms: nudged towards the front.
        QTest::newRow("40 ms ahead: slower") << 40.0 << 0 << A::Nudge << -1;
        QTest::newRow("40 ms behind: faster") << -40.0 << 0 << A::Nudge << 1;
        QTest::newRow("200 ms ahead") << 200.0 << 0 << A::Nudge << -1;
        QTest::newRow("200 ms behind") << -200.0 << 0 << A::Nudge << 1;
        // Over 200 ms: set to the front's time, nudged or not.
        QTest::newRow("201 ms ahead") << 201.0 << 0 << A::SetToMaster << 0;
        QTest::newRow("a second behind") << -1000.0 << 0 << A::SetToMaster << 0;
        QTest::newRow("far while nudged") << 500.0 << -1 << A::SetToMaster << 0;
        // A nudge goes on until it has converged...
        QTest::newRow("nudged, still 100 ms") << 100.0 << -1 << A::Keep << 0;
        QTest::newRow("nudged, 30 ms left") << 30.0 << -1 << A::Keep << 0;
        QTest::newRow("nudged, 11 ms left") << -11.0 << 1 << A::Keep << 0;
        QTest::newRow("nudged, converged") << 10.0 << -1 << A::EndNudge << 0;
        QTest::newRow("nudged, converged behind") << -3.0 << 1 << A::EndNudge << 0;
        // ... and ends when the camera has passed the front.
        QTest::newRow("slowed, now behind") << -20.0 << -1 << A::EndNudge << 0;
        QTest::newRow("hurried, now ahead") << 25.0 << 1 << A::EndNudge << 0;
        // The wrong way round after passing by far: turned.
        QTest::newRow("slowed, now far behind") << -80.0 << -1 << A::Nudge << 1;
        // Nothing measured, nothing done.
        QTest::newRow("not a number") << std::nan("") << 0 << A::Keep << 0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 1 << A::Keep << 0;
    }
    void driftDecidesTheAction()
    {
        QFETCH(double, drift);
        QFETCH(int, nudging);
        QFETCH(USyncAction::Kind, what);
        QFETCH(int, direction);
        const USyncAction action = USyncDecision::Decide(drift, nudging);
        QCOMPARE(action.What, what);
        QCOMPARE(action.Direction, direction);
    }

    // A camera 150 ms behind, nudged 5 % faster on every 250 ms tick at 1x:
    // it converges and is then left alone, without ever being set.
    void aNudgeConverges()
    {
        double drift = -150.0;
        int nudge = 0;
        int ticks = 0;
        for (; ticks < 200; ++ticks) {
            const USyncAction action = USyncDecision::Decide(drift, nudge);
            QVERIFY(action.What != USyncAction::SetToMaster);
            if (action.What == USyncAction::Nudge)
                nudge = action.Direction;
            else if (action.What == USyncAction::EndNudge)
                nudge = 0;
            if (nudge == 0 && std::abs(drift) < USyncDecision::LeaveAloneMs)
                break;
            drift += nudge * USyncDecision::NudgeShare * 250.0;
        }
        QVERIFY2(ticks < 200, "never converged");
        QVERIFY(std::abs(drift) <= USyncDecision::ConvergedMs + USyncDecision::NudgeShare * 250.0);
    }

    void readingsGiveTheTimeShown_data()
    {
        QTest::addColumn<qint64>("beforeMs");
        QTest::addColumn<qint64>("beforeUs");
        QTest::addColumn<qint64>("lastMs");
        QTest::addColumn<qint64>("lastUs");
        QTest::addColumn<double>("rate");
        QTest::addColumn<qint64>("nowUs");
        QTest::addColumn<double>("expected"); // -1: none
        QTest::newRow("1x, 100 ms after") << 1000ll << 0ll << 1250ll << 250000ll << 1.0 << 350000ll << 1350.0;
        QTest::newRow("at the reading") << 1000ll << 0ll << 1250ll << 250000ll << 1.0 << 250000ll << 1250.0;
        QTest::newRow("4x") << 4000ll << 0ll << 5000ll << 250000ll << 4.0 << 300000ll << 5200.0;
        QTest::newRow("0.25x") << 4000ll << 0ll << 4125ll << 500000ll << 0.25 << 900000ll << 4225.0;
        QTest::newRow("jitter within tolerance") << 1000ll << 0ll << 1280ll << 250000ll << 1.0 << 250000ll << 1280.0;
        // The engine reported a seek's target, then the first time after it:
        // the picture was not there yet.
        QTest::newRow("after a seek") << 20000ll << 0ll << 20150ll << 271000ll << 1.0 << 300000ll << -1.0;
        QTest::newRow("stalled") << 1000ll << 0ll << 1000ll << 250000ll << 1.0 << 300000ll << -1.0;
        QTest::newRow("backwards") << 5000ll << 0ll << 1000ll << 250000ll << 1.0 << 300000ll << -1.0;
        QTest::newRow("one reading") << -1ll << 0ll << 1000ll << 250000ll << 1.0 << 300000ll << -1.0;
        QTest::newRow("none") << -1ll << 0ll << -1ll << 0ll << 1.0 << 300000ll << -1.0;
        QTest::newRow("same moment") << 1000ll << 250000ll << 1000ll << 250000ll << 1.0 << 300000ll << -1.0;
        QTest::newRow("no rate") << 1000ll << 0ll << 1250ll << 250000ll << 0.0 << 300000ll << -1.0;
    }
    void readingsGiveTheTimeShown()
    {
        QFETCH(qint64, beforeMs);
        QFETCH(qint64, beforeUs);
        QFETCH(qint64, lastMs);
        QFETCH(qint64, lastUs);
        QFETCH(double, rate);
        QFETCH(qint64, nowUs);
        QFETCH(double, expected);
        const std::optional<double> estimate
            = USyncDecision::EstimateMs({beforeMs, beforeUs}, {lastMs, lastUs}, rate, nowUs);
        if (expected < 0) {
            QVERIFY(!estimate);
        } else {
            QVERIFY(estimate);
            QCOMPARE(*estimate, expected);
        }
    }

    void seeksAimInsideAFrame_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<double>("frame");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("a frame's start") << 12000.0 << 1000.0 / 30 << 12017ll;
        QTest::newRow("inside it") << 12030.0 << 1000.0 / 30 << 12017ll;
        QTest::newRow("25 fps") << 1000.0 << 40.0 << 1020ll;
        QTest::newRow("the start") << 0.0 << 40.0 << 20ll;
        QTest::newRow("before the start") << -500.0 << 40.0 << 20ll;
        QTest::newRow("frame unknown") << 1234.4 << 0.0 << 1234ll;
    }
    void seeksAimInsideAFrame()
    {
        QFETCH(double, time);
        QFETCH(double, frame);
        QFETCH(qint64, expected);
        QCOMPARE(USyncDecision::FrameMiddle(time, frame), expected);
    }
};

QTEST_APPLESS_MAIN(TestUSyncDecision)
#include "tst_usyncdecision.moc"

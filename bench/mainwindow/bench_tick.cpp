// One tick of the periodic display update while a recording plays on the
// online map: the real main window plays a real clip with its track loaded.
// Measured through public calls only:
//  - the console's tick on its own (UDisplayTick::Steps over the recording's
//    track): the window's own work, against the target of 0.2 ms;
//  - the whole slot as the window's own timer runs it: an event filter on the
//    timer object notes when its timer event arrives, and a function
//    connected to its timeout() after the window was built, which runs after
//    the window's own slot, notes when the slot is done.
// Beside them, in the same run and between two ticks of the playing window:
// the speedometer's repaint on its own (SetCarSpeed repaints at once: it
// paints every dirty widget and flushes the window), the engine's three
// queries and the posting of the tick's three map calls (start, position and
// the map's clock). The console's paused tick (the clock alone) is timed too.

#include "benchsupport.h"
#include "mapfixture.h"
#include "windowparts.h"

#include "console/udisplaytick.h"
#include "console/umapbridge.h"
#include "console/umapscript.h"
#include "gpslog/gpslogdata.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <vector>

using namespace benchsupport;
using namespace mapfixture;

namespace {

constexpr int Plays = 8;
constexpr int ConsoleTicks = 2000;
constexpr int SettleMs = 40;
// Playing time kept clear at both ends of the clip, where the engine is
// starting or ending.
constexpr qint64 LeadInMs = 300;
constexpr qint64 LeadOutMs = 400;
constexpr double TargetMs = 0.2;

// Times the window's own update slot: from the arrival of the timer event to
// the end of the slot, for ticks well inside a playing recording.
class SlotWatch : public QObject
{
public:
    explicit SlotWatch(WindowParts &parts) : Parts(parts)
    {
        Parts.UpdateTimer->installEventFilter(this);
        // Connected after the window's own slot, so it runs after it.
        connect(Parts.UpdateTimer, &QTimer::timeout, this, [this] { SlotDone(); });
    }

    std::vector<double> SlotMs;
    // Called a little after each measured tick, while the window is settled.
    std::function<void()> BetweenTicks;
    int TicksThisPlay = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            Clock.start();
        return false;
    }

private:
    void SlotDone()
    {
        const double ms = Clock.isValid() ? double(Clock.nsecsElapsed()) / 1e6 : -1.0;
        Clock.invalidate();
        // The first tick of a play turns the face to Pause: not a steady tick.
        if (TicksThisPlay++ == 0 || ms < 0)
            return;
        const qint64 time = Parts.Wrapper->GetTime();
        const qint64 length = Parts.Wrapper->GetLength();
        if (Parts.Wrapper->GetState() != UVlcWrapper::StatePlaying || time < LeadInMs || time > length - LeadOutMs)
            return;
        SlotMs.push_back(ms);
        if (BetweenTicks)
            QTimer::singleShot(SettleMs, this, BetweenTicks);
    }

    WindowParts &Parts;
    QElapsedTimer Clock;
};

} // namespace

int main(int argc, char **argv)
{
    PrepareWindowRun(VIALUMO_TESTDATA_DIR "/alsa-null.conf");
    Tracora::PrepareApplication();
    QApplication app(argc, argv);
    qInstallMessageHandler(DropChatter);

    Workspace space(OnlineMap::Online);
    Tracora window;
    window.setStyleSheet(ProgramStyle());
    window.setObjectName(QStringLiteral("Tracora"));
    WindowParts parts(window);
    if (!parts.Complete()) {
        std::fprintf(Errors, "bench_tick: the window lacks a part\n");
        return 1;
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(Errors, "bench_tick: the window was never shown\n");
        return 1;
    }
    const QStringList log = DriveLog(60);
    parts.AddRecordings({space.AddRecording(1, QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV"), &log)});
    // The same track, read by a reader of the benchmark's own.
    GpsLogData track;
    track.ReadGpsfile(parts.Files->GetGpsfilePath(0));
    if (track.GetGpsDataCount() != log.size()) {
        std::fprintf(Errors, "bench_tick: the track was not read\n");
        return 1;
    }
    UVlcWrapper *engine = parts.Wrapper;

    // --- the console's tick on its own, over the whole track
    std::vector<double> consoleMs;
    UDisplayReading reading;
    reading.EngineState = UVlcWrapper::StatePlaying;
    reading.Length = 60000;
    reading.GpsLog = &track;
    reading.PlayStatus = UMapBridge::OnlineMap;
    reading.PlayButtonState = 0;
    int steps = 0;
    for (int tick = 0; tick < ConsoleTicks; ++tick) {
        reading.Time = qint64(tick) * UDisplayTick::IntervalMs % reading.Length;
        consoleMs.push_back(Ms([&] { steps += int(UDisplayTick::Steps(reading).size()); }));
    }
    if (steps != ConsoleTicks * 7) {
        std::fprintf(Errors, "bench_tick: the console's tick did not follow the track (%d steps)\n", steps);
        return 1;
    }

    std::vector<double> pausedMs;
    reading.EngineState = UVlcWrapper::StatePaused;
    steps = 0;
    for (int tick = 0; tick < ConsoleTicks; ++tick) {
        reading.Time = qint64(tick) * UDisplayTick::IntervalMs % reading.Length;
        pausedMs.push_back(Ms([&] { steps += int(UDisplayTick::Steps(reading).size()); }));
    }
    if (steps != ConsoleTicks) {
        std::fprintf(Errors, "bench_tick: the console's paused tick sent no clock (%d steps)\n", steps);
        return 1;
    }

    // --- the window's slot through its timer, and the parts between ticks
    SlotWatch watch(parts);
    std::vector<double> speedometerMs, engineMs, postMs;
    watch.BetweenTicks = [&] {
        if (engine->GetState() != UVlcWrapper::StatePlaying)
            return;
        speedometerMs.push_back(Ms([&] { parts.Speed->SetCarSpeed(double(engine->GetTime() % 100000) / 100.0); }));
        engineMs.push_back(Ms([&] {
            (void)engine->GetState();
            (void)engine->GetTime();
            (void)engine->GetLength();
        }));
        const GpsRecord first = track.GetFirstAvailableGpsData();
        const GpsRecord current = track.GetGpsDataAt(int(engine->GetTime() / 1000));
        const QString start = UMapScript::SetStartCall(first);
        const QString position = UMapScript::SetPositionCall(current);
        const QString clock = UMapScript::SetClockCall(engine->GetTime(), true);
        postMs.push_back(Ms([&] {
            parts.Map->page()->runJavaScript(start);
            parts.Map->page()->runJavaScript(position);
            parts.Map->page()->runJavaScript(clock);
        }));
    };
    for (int play = 0; play < Plays; ++play) {
        watch.TicksThisPlay = 0;
        WindowParts::DoubleClickRow(parts.Left, 0);
        const bool playing = QTest::qWaitFor([&] { return parts.PlayingIndex(0) && parts.UpdateTimer->isActive(); },
                                             20000);
        if (!playing || !parts.Map->url().fileName().startsWith(QLatin1String("googlearth"))) {
            std::fprintf(Errors, "bench_tick: the recording did not play on the online map\n");
            return 1;
        }
        // The window's own timer runs the ticks until the recording has ended.
        (void)QTest::qWaitFor([&] { return engine->GetState() == UVlcWrapper::StateEnded; }, 20000);
        QTest::qWait(2 * SettleMs);
    }
    if (watch.SlotMs.empty() || speedometerMs.empty()) {
        std::fprintf(Errors, "bench_tick: no tick was measured\n");
        return 1;
    }

    std::printf("bench_tick: playing tick on the online map: the console's tick alone %.4f ms (median of %d,"
                " target <= %.1f ms; a paused tick %.4f ms); the window's whole slot through its timer %.3f ms"
                " (median of %zu ticks); beside it, between ticks: the speedometer's synchronous repaint"
                " (SetCarSpeed, which paints the dirty widgets and flushes the window) %.3f ms, the engine's three"
                " queries %.3f ms, the three map calls posted %.3f ms\n",
                Median(consoleMs), ConsoleTicks, TargetMs, Median(pausedMs), Median(watch.SlotMs),
                watch.SlotMs.size(), Median(speedometerMs), Median(engineMs), Median(postMs));
    return 0;
}

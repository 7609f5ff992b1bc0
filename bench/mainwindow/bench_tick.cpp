// One tick of the periodic display update while a recording plays on the
// online map: the real main window plays a real clip with its track loaded.
// Inside each tick, the time spent in the calls that are not the window's own
// work is measured apart: the engine queries (libvlc), the speedometer's
// synchronous repaint (which paints every dirty widget and flushes the
// window) and the posting of the map calls to the web engine. Those calls are
// wrapped below by defining them in this program, which takes precedence over
// the shared libraries; each wrapper times the real function. What remains of
// the tick is the window's own work (GPS look-ups, texts, slider, label),
// compared with the target of 0.2 ms.
//
// Each tick starts from a settled window, as a tick of the 250 ms timer does.

#include "benchsupport.h"
#include "mapfixture.h"
#include "tracoraprobe.h"

#include <QApplication>
#include <QTest>

#include <vlc/vlc.h>

#include <cstring>
#include <cstdio>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace benchsupport;
using namespace mapfixture;

namespace {

constexpr int Plays = 8;
constexpr int SettleMs = 40;
// Playing time kept clear at both ends of the clip, where the engine is
// starting or ending.
constexpr qint64 LeadInMs = 300;
constexpr qint64 LeadOutMs = 400;
constexpr double TargetMs = 0.2;

// Time spent in each wrapped call while a tick runs on the GUI thread.
struct Foreign
{
    qint64 EngineNs = 0;
    qint64 RepaintNs = 0;
    qint64 PostNs = 0;
    int EngineCalls = 0;
    int Repaints = 0;
    int Posts = 0;
};
thread_local bool InTick = false;
Foreign Spent;

qint64 NowNs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

template<typename F> F Next(const char *symbol)
{
    static_assert(sizeof(F) == sizeof(void *));
    void *real = dlsym(RTLD_NEXT, symbol);
    if (!real) {
        std::fprintf(Errors, "bench_tick: %s not found\n", symbol);
        std::abort();
    }
    F function;
    std::memcpy(&function, &real, sizeof function);
    return function;
}

// Calls the real function, adding its time to `ns` while a tick runs.
template<typename F> auto Timed(qint64 &ns, int &calls, F call)
{
    if (!InTick)
        return call();
    const qint64 start = NowNs();
    struct Add
    {
        qint64 &Ns;
        int &Calls;
        qint64 Start;
        ~Add()
        {
            Ns += NowNs() - Start;
            ++Calls;
        }
    } add{ns, calls, start};
    return call();
}

} // namespace

// --- the wrapped calls -----------------------------------------------------

extern "C" libvlc_state_t libvlc_media_get_state(libvlc_media_t *media)
{
    using F = libvlc_state_t (*)(libvlc_media_t *);
    static const F real = Next<F>("libvlc_media_get_state");
    return Timed(Spent.EngineNs, Spent.EngineCalls, [&] { return real(media); });
}

extern "C" libvlc_time_t libvlc_media_player_get_time(libvlc_media_player_t *player)
{
    using F = libvlc_time_t (*)(libvlc_media_player_t *);
    static const F real = Next<F>("libvlc_media_player_get_time");
    return Timed(Spent.EngineNs, Spent.EngineCalls, [&] { return real(player); });
}

extern "C" libvlc_time_t libvlc_media_player_get_length(libvlc_media_player_t *player)
{
    using F = libvlc_time_t (*)(libvlc_media_player_t *);
    static const F real = Next<F>("libvlc_media_player_get_length");
    return Timed(Spent.EngineNs, Spent.EngineCalls, [&] { return real(player); });
}

void QWidget::repaint()
{
    using F = void (*)(QWidget *);
    static const F real = Next<F>("_ZN7QWidget7repaintEv");
    Timed(Spent.RepaintNs, Spent.Repaints, [&] { real(this); });
}

void QWebEnginePage::runJavaScript(const QString &scriptSource, quint32 worldId,
                                   const std::function<void(const QVariant &)> &resultCallback)
{
    using F = void (*)(QWebEnginePage *, const QString &, quint32, const std::function<void(const QVariant &)> &);
    static const F real = Next<F>("_ZN14QWebEnginePage13runJavaScriptERK7QStringjRKSt8functionIFvRK8QVariantEE");
    Timed(Spent.PostNs, Spent.Posts, [&] { real(this, scriptSource, worldId, resultCallback); });
}

// ---------------------------------------------------------------------------

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
    TracoraProbe probe(window);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(Errors, "bench_tick: the window was never shown\n");
        return 1;
    }
    const QStringList log = DriveLog(60);
    probe.files()->AddVideoAndGpsfiles(
        {space.AddRecording(1, QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV"), &log)});
    UVlcWrapper *engine = probe.wrapper();

    std::vector<double> whole, own, engineMs, repaintMs, postMs, speedometerAlone, stubbedTick;
    bool complete = true; // every measured tick made all of its calls
    for (int play = 0; play < Plays; ++play) {
        probe.loadMapToPlay(0);
        const bool playing = QTest::qWaitFor([&] {
            return engine->GetState() == UVlcWrapper::StatePlaying && probe.updateTimer()->isActive()
                && engine->GetTime() >= LeadInMs;
        }, 20000);
        probe.updateTimer()->stop();
        if (!playing || probe.status()->PlayStatus != 1 || probe.gps()->GetGpsDataCount() == 0) {
            std::fprintf(Errors, "bench_tick: the recording did not play on the online map\n");
            return 1;
        }
        probe.updateUIData(); // the face turns to Pause once per play: not a steady tick
        QTest::qWait(SettleMs);

        const qint64 length = engine->GetLength();
        while (engine->GetState() == UVlcWrapper::StatePlaying && engine->GetTime() < length - LeadOutMs) {
            Spent = Foreign();
            InTick = true;
            const double tick = Ms([&] { probe.updateUIData(); });
            InTick = false;
            const Foreign parts = Spent;
            QTest::qWait(SettleMs);
            if (parts.EngineCalls != 6 || parts.Repaints != 1 || parts.Posts != 2) {
                complete = false;
                continue;
            }
            whole.push_back(tick);
            engineMs.push_back(parts.EngineNs / 1e6);
            repaintMs.push_back(parts.RepaintNs / 1e6);
            postMs.push_back(parts.PostNs / 1e6);
            own.push_back(tick - (parts.EngineNs + parts.RepaintNs + parts.PostNs) / 1e6);

            // The repaint by itself, with nothing else to paint.
            speedometerAlone.push_back(Ms([&] { probe.speed()->SetCarSpeed(engine->GetTime() / 100.0); }));
            QTest::qWait(SettleMs);

            // The tick with the speedometer's repaint cut off: the label and
            // slider are then painted later, from the event loop.
            probe.speed()->setUpdatesEnabled(false);
            stubbedTick.push_back(Ms([&] { probe.updateUIData(); }));
            probe.speed()->setUpdatesEnabled(true);
            QTest::qWait(SettleMs);
        }
        engine->Stop();
        QTest::qWait(50);
    }
    if (whole.empty()) {
        std::fprintf(Errors, "bench_tick: no complete tick was measured\n");
        return 1;
    }

    std::printf("bench_tick: playing tick on the online map (%zu ticks%s): own work %.3f ms (target <= %.1f ms;"
                " the whole tick %.3f ms minus, timed inside it, engine queries %.3f ms, 2 map calls posted"
                " %.3f ms and the speedometer's synchronous repaint %.3f ms, which paints the dirty widgets and"
                " flushes the window); baselines: SetCarSpeed alone %.3f ms, the tick with the repaint cut off"
                " %.3f ms\n",
                whole.size(), complete ? "" : ", some incomplete ones dropped", Median(own), TargetMs,
                Median(whole), Median(engineMs), Median(postMs), Median(repaintMs), Median(speedometerAlone),
                Median(stubbedTick));
    return 0;
}

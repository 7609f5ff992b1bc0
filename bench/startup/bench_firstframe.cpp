// Double-click to first frame, in one process with the real main window:
// from the list table's double-click signal (which runs the window's slot)
// to the first picture of the recording visible on the video surface (its
// grab from the X server no longer shows the splash picture but a picture of
// many colours), for a recording without GPS log ("Not Exist", target
// 300 ms) and for one with a log whose online map turns out to be offline
// ("Available" with the map page's isonline box unticked, target 600 ms).
// Baseline in the same run: the engine alone playing the same clip into a
// plain native widget, from libvlc_media_player_play to the same criterion.

#include "benchsupport.h"
#include "mapfixture.h"
#include "windowparts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QSet>
#include <QTest>

#include <vlc/vlc.h>

#include <cstdio>
#include <functional>
#include <vector>

using namespace benchsupport;
using namespace mapfixture;

namespace {

constexpr int Runs = 5;
constexpr double NotExistTargetMs = 300.0;
constexpr double OfflineTargetMs = 600.0;
constexpr int GiveUpMs = 15000;
// A picture is the video's once this share of the sampled points differs
// from the surface before playing and the points show this many colours
// (the engine's still empty, black output window has one).
constexpr double ChangedShare = 0.3;
constexpr int PictureColours = 8;
constexpr int SampleStep = 4;
const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");
// The engine's start arguments, as the player passes them.
const char *const EngineArguments[] = {"-I", "dummy", "--ignore-config", "--plugin-path=./plugins"};

QImage Grab(QWidget *surface)
{
    return surface->screen()->grabWindow(surface->winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

bool Differs(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) > 24 || qAbs(qGreen(a) - qGreen(b)) > 24 || qAbs(qBlue(a) - qBlue(b)) > 24;
}

// Does `now` show a picture of the video rather than `before`?
bool ShowsVideo(const QImage &before, const QImage &now)
{
    if (now.size() != before.size() || now.isNull())
        return false;
    int samples = 0;
    int changed = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < now.height(); y += SampleStep) {
        const auto *a = reinterpret_cast<const QRgb *>(before.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(now.constScanLine(y));
        for (int x = 0; x < now.width(); x += SampleStep) {
            ++samples;
            changed += Differs(a[x], b[x]);
            if (colours.size() < PictureColours)
                colours.insert(b[x] & 0xf0f0f0u);
        }
    }
    return changed >= ChangedShare * samples && colours.size() >= PictureColours;
}

// Nearly the same picture as `reference`: the surface is back to its splash.
bool Matches(const QImage &reference, const QImage &now)
{
    if (now.size() != reference.size())
        return false;
    int samples = 0;
    int changed = 0;
    for (int y = 0; y < now.height(); y += SampleStep) {
        const auto *a = reinterpret_cast<const QRgb *>(reference.constScanLine(y));
        const auto *b = reinterpret_cast<const QRgb *>(now.constScanLine(y));
        for (int x = 0; x < now.width(); x += SampleStep) {
            ++samples;
            changed += Differs(a[x], b[x]);
        }
    }
    return changed < 0.02 * samples;
}

struct FirstFrame
{
    double PlayingMs = -1.0; // engine state 3 with a time past 0
    double PictureMs = -1.0;
};

// Runs `start`, then turns the event loop until the surface shows the video.
// The engine's time moves in steps of a quarter of a second, so the picture
// is looked for as soon as the engine reports playing (`playing`), and the
// first time past 0 (`timeMoved`) is noted beside it.
FirstFrame Watch(QWidget *surface, const QImage &before, const std::function<void()> &start,
                 const std::function<bool()> &playing, const std::function<bool()> &timeMoved)
{
    FirstFrame result;
    QElapsedTimer timer;
    timer.start();
    start();
    while (timer.elapsed() < GiveUpMs && (result.PictureMs < 0 || result.PlayingMs < 0)) {
        QCoreApplication::processEvents();
        if (playing()) {
            if (result.PlayingMs < 0 && timeMoved())
                result.PlayingMs = timer.nsecsElapsed() / 1e6;
            if (result.PictureMs < 0 && ShowsVideo(before, Grab(surface)))
                result.PictureMs = timer.nsecsElapsed() / 1e6;
        }
        QTest::qWait(1);
    }
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    PrepareWindowRun(VIALUMO_TESTDATA_DIR "/alsa-null.conf");
    Tracora::PrepareApplication();
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(Errors, "bench_firstframe: needs an X server\n");
        return 1;
    }
    qInstallMessageHandler(DropChatter);

    // The player: one recording without a log, one whose map is offline.
    Workspace space(OnlineMap::Offline);
    const QStringList log = DriveLog(5);
    const QString notExist = space.AddRecording(1, Clip, nullptr);
    const QString available = space.AddRecording(2, Clip, &log);
    Tracora window;
    window.setStyleSheet(ProgramStyle());
    window.setObjectName(QStringLiteral("Tracora"));
    WindowParts parts(window);
    if (!parts.Complete()) {
        std::fprintf(Errors, "bench_firstframe: the window lacks a part\n");
        return 1;
    }
    parts.AddRecordings({notExist, available});
    if (parts.Files->GetGpsfileStatus(0) != GpsfileNotExistWord
        || parts.Files->GetGpsfileStatus(1) != GpsfileAvailableWord) {
        std::fprintf(Errors, "bench_firstframe: the recordings were not rated as expected\n");
        return 1;
    }

    // The baseline: a plain native widget of the video surface's size.
    QWidget plain;
    plain.setAttribute(Qt::WA_NativeWindow);
    plain.setStyleSheet(QStringLiteral("background: black"));
    libvlc_instance_t *engine = libvlc_new(int(std::size(EngineArguments)), EngineArguments);
    libvlc_media_player_t *player = engine ? libvlc_media_player_new(engine) : nullptr;
    if (!player) {
        std::fprintf(Errors, "bench_firstframe: the engine did not start\n");
        return 1;
    }

    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(Errors, "bench_firstframe: the window was never shown\n");
        return 1;
    }
    QTest::qWait(1000); // the start page loaded, everything painted
    UDoubleClickedWidget *surface = parts.Video;
    const QImage splash = Grab(surface);
    plain.setGeometry(window.geometry().topLeft().x() + surface->x(), window.geometry().topLeft().y() + surface->y(),
                      surface->width(), surface->height());
    libvlc_media_player_set_xwindow(player, uint32_t(plain.winId()));
    libvlc_video_set_mouse_input(player, 0);
    libvlc_video_set_key_input(player, 0);

    UVlcWrapper *wrapper = parts.Wrapper;
    const auto playerPlaying = [&] { return wrapper->GetState() == UVlcWrapper::StatePlaying; };
    const auto playerTimeMoved = [&] { return wrapper->GetTime() > 0; };
    // Back to a stopped engine and the splash on the surface.
    const auto stopPlayer = [&] {
        wrapper->Stop();
        // The surface itself keeps the engine's last picture after a stop
        // until something repaints it.
        surface->update();
        if (!QTest::qWaitFor([&] { return Matches(splash, Grab(surface)); }, 3000))
            std::fprintf(Errors, "bench_firstframe: the splash did not come back after stop\n");
    };
    const auto playRow = [&](int row) {
        // The table's own signal, as a double-click on the row sends it: the
        // timing starts at the slot, not at the mouse event.
        return Watch(surface, splash, [&] { emit parts.Left->cellDoubleClicked(row, 0); }, playerPlaying,
                     playerTimeMoved);
    };

    libvlc_media_t *media = nullptr;
    QImage plainBefore;
    const auto playEngineAlone = [&] {
        plain.show();
        if (!QTest::qWaitForWindowExposed(&plain))
            std::fprintf(Errors, "bench_firstframe: the plain widget was never shown\n");
        plain.update();
        QTest::qWait(100);
        plainBefore = Grab(&plain);
        media = libvlc_media_new_path(engine, Clip.toUtf8().constData());
        libvlc_media_player_set_media(player, media);
        const FirstFrame frame = Watch(
            &plain, plainBefore, [&] { libvlc_media_player_play(player); },
            [&] { return libvlc_media_get_state(media) == libvlc_Playing; },
            [&] { return libvlc_media_player_get_time(player) > 0; });
        libvlc_media_player_stop(player);
        libvlc_media_release(media);
        plain.hide();
        QTest::qWait(100);
        return frame;
    };

    // One untimed round first: the engine loads its decoders and outputs.
    playRow(0);
    stopPlayer();
    playRow(1);
    stopPlayer();
    playEngineAlone();

    std::vector<double> notExistMs, offlineMs, aloneMs, notExistPlayingMs, offlinePlayingMs, alonePlayingMs;
    for (int run = 0; run < Runs; ++run) {
        const FirstFrame a = playRow(0);
        stopPlayer();
        const FirstFrame b = playRow(1);
        // The map view fell back to the no-connection page: the offline path was taken.
        const QString lastPage = parts.Map->url().fileName();
        const bool offlinePath = lastPage == QLatin1String("no_connection.html");
        stopPlayer();
        const FirstFrame c = playEngineAlone();
        if (a.PictureMs < 0 || b.PictureMs < 0 || c.PictureMs < 0 || !offlinePath) {
            std::fprintf(Errors, "bench_firstframe: no first frame (%.0f / %.0f / %.0f ms, last map page %s)\n",
                         a.PictureMs, b.PictureMs, c.PictureMs, qPrintable(lastPage));
            return 1;
        }
        notExistMs.push_back(a.PictureMs);
        offlineMs.push_back(b.PictureMs);
        aloneMs.push_back(c.PictureMs);
        notExistPlayingMs.push_back(a.PlayingMs);
        offlinePlayingMs.push_back(b.PlayingMs);
        alonePlayingMs.push_back(c.PlayingMs);
    }
    if (wrapper->GetState() != UVlcWrapper::StateStopped)
        wrapper->Stop();
    libvlc_media_player_release(player);
    libvlc_release(engine);

    std::printf("bench_firstframe: double-click to first frame on the video surface, median of %d:"
                " \"Not Exist\" %.0f ms (target <= %.0f ms), \"Available\" with the map offline %.0f ms"
                " (target <= %.0f ms); the engine alone into a plain native widget %.0f ms; the engine's time"
                " past 0 (it moves in 250 ms steps) after %.0f / %.0f / %.0f ms\n",
                Runs, Median(notExistMs), NotExistTargetMs, Median(offlineMs), OfflineTargetMs, Median(aloneMs),
                Median(notExistPlayingMs), Median(offlinePlayingMs), Median(alonePlayingMs));
    return 0;
}

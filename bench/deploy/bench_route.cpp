// The map page receiving a 24-hour route (86,400 fixes) from the player: the
// real deployed page in a real web view, freshly loaded for every run as the
// player loads it for every recording.
//
// Measured: showroute(...) until the route is drawn, i.e. the call returned
// and the next animation frame was painted (timed inside the page), against a target
// of 200 ms; and the whole call as the player makes it, from sending the text
// to that frame (timed here). Baselines in the same run, same page, same
// text: the array only parsed (what every call of that size costs before the
// page does anything), and the array drawn as one plain Leaflet polyline on
// Leaflet's canvas renderer (the straightforward way).
//
// Also measured: one setclock call, the player's call on every tick, inside
// the page beside a call of an empty function with the same arguments, and as
// a round trip from here beside the round trip of an empty script.

#include "benchsupport.h"
#include "mappagedriver.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <random>

using namespace benchsupport;
using namespace mappagedriver;

namespace {

constexpr int Runs = 5;
constexpr int DaySeconds = 86400;
constexpr double TargetMs = 200.0;
constexpr int ClockCallsInPage = 5000;
constexpr int ClockRoundTrips = 200;
constexpr int GiveUpMs = 60000;

// A day of driving, one fix a second: city and highway stretches, stops,
// turns, the odd gap without fixes, written as the player writes it.
QString DayRoute()
{
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    QString json;
    json.reserve(DaySeconds * 36);
    json += QLatin1Char('[');
    double lat = 22.5354, lon = 113.9428, heading = 0.7, speed = 0.0;
    bool first = true;
    for (int second = 0; second < DaySeconds; ++second) {
        const int phase = (second / 900) % 4; // a quarter hour each: city, highway, city, standing
        const double wanted = phase == 1 ? 110.0 : phase == 3 ? 0.0 : 40.0 + 20.0 * std::sin(second / 40.0);
        speed = std::max(0.0, speed + (wanted - speed) * 0.05 + unit(random) * 2.0);
        heading += unit(random) * (phase == 1 ? 0.01 : 0.08);
        const double metres = speed / 3.6;
        lat += std::cos(heading) * metres / 111320.0;
        lon += std::sin(heading) * metres / (111320.0 * std::cos(lat * M_PI / 180.0));
        if (second % 5000 < 20)
            continue; // a tunnel
        if (!first)
            json += QLatin1Char(',');
        first = false;
        json += QStringLiteral("[%1,%2,%3,%4]")
                    .arg(second)
                    .arg(lat, 0, 'f', 6)
                    .arg(lon, 0, 'f', 6)
                    .arg(speed, 0, 'f', 1);
    }
    json += QLatin1Char(']');
    return json;
}

struct Timing
{
    double PageMs = -1; // inside the page: from the call to the frame after it
    double WallMs = -1; // from sending the script to hearing of that frame
};

// Loads a fresh page, sends `work` (which must end by logging "DONE <ms>"
// one animation frame after it finished) and times it.
Timing Run(const QString &work)
{
    MapPageView page(false);
    Timing timing;
    if (!page.Load()) {
        std::fprintf(Errors, "bench_route: the map page did not load\n");
        return timing;
    }
    // Let the page settle after its load, as it has by the time the player sends a route.
    Spin([] { return false; }, 300);
    QElapsedTimer clock;
    page.Page->OnMessage = [&](const QString &message) {
        if (message.startsWith(QLatin1String("DONE "))) {
            timing.WallMs = double(clock.nsecsElapsed()) / 1e6;
            timing.PageMs = message.mid(5).toDouble();
        }
    };
    clock.start();
    page.Page->runJavaScript(work);
    if (!Spin([&] { return timing.WallMs >= 0; }, GiveUpMs))
        std::fprintf(Errors, "bench_route: no answer from the page\n");
    if (!page.Page->Errors.isEmpty())
        std::fprintf(Errors, "bench_route: %s\n", qPrintable(page.Page->Errors.join(QLatin1Char('\n'))));
    return timing;
}

QString Timed(const QString &body)
{
    // The timeout queued in the next animation frame runs once that frame's
    // painting is done.
    return QStringLiteral("var vialumoBenchStart = performance.now(); %1;"
                          " requestAnimationFrame(function () { setTimeout(function () {"
                          "   console.log('DONE ' + (performance.now() - vialumoBenchStart)); }, 0); });")
        .arg(body);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (getuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QuietStderr();
    qInstallMessageHandler(DropChatter);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

    const QString route = DayRoute();
    const int fixes = int(route.count(QLatin1Char('[')) - 1);
    const QString drawn = Timed(QStringLiteral("showroute(%1)").arg(route));
    const QString parsed = Timed(QStringLiteral("window.vialumoBenchPoints = %1").arg(route));
    const QString polyline = Timed(QStringLiteral(
        "var points = %1, map = vialumoMap.map;"
        " var line = L.polyline(points.map(function (p) { return [p[1], p[2]]; }), { renderer: L.canvas() });"
        " map.fitBounds(line.getBounds(), { animate: false }); line.addTo(map)").arg(route));

    std::vector<double> drawnPage, drawnWall, parsedPage, parsedWall, polylinePage, polylineWall;
    // Interleaved, so that the machine's other work falls on all alike.
    for (int run = 0; run < Runs; ++run) {
        const Timing d = Run(drawn), p = Run(parsed), l = Run(polyline);
        if (d.WallMs < 0 || p.WallMs < 0 || l.WallMs < 0)
            return 1;
        drawnPage.push_back(d.PageMs);
        drawnWall.push_back(d.WallMs);
        parsedPage.push_back(p.PageMs);
        parsedWall.push_back(p.WallMs);
        polylinePage.push_back(l.PageMs);
        polylineWall.push_back(l.WallMs);
    }

    // One clock call: inside the page, and as the player's round trip.
    MapPageView page(false);
    if (!page.Load())
        return 1;
    page.Js(QStringLiteral("showroute(%1)").arg(route));
    const QVariantList inPage = page.Js(QStringLiteral(
        "(function () {"
        "  function nothing(ms, playing) { return ms === playing; }"
        "  var n = %1, i, t0 = performance.now();"
        "  for (i = 0; i < n; i++) setclock(3600000 + i * 250, true);"
        "  var clock = (performance.now() - t0) / n;"
        "  t0 = performance.now();"
        "  for (i = 0; i < n; i++) nothing(3600000 + i * 250, true);"
        "  var empty = (performance.now() - t0) / n;"
        "  setclock(3600000, false);"
        "  return [clock * 1000, empty * 1000]; })()").arg(ClockCallsInPage)).toList();
    std::vector<double> clockTrip, emptyTrip;
    for (int i = 0; i < ClockRoundTrips; ++i) {
        const QString call = QStringLiteral("setclock(%1, true)").arg(3600000 + i * 250);
        clockTrip.push_back(Ms([&] { page.Js(call); }));
        emptyTrip.push_back(Ms([&] { page.Js(QStringLiteral("0")); }));
    }
    page.Js(QStringLiteral("setclock(3600000, false)"));

    std::printf("bench_route: showroute of a 24-hour route (%d fixes, %.1f MB of call text), median of %d fresh pages:"
                " drawn %.0f ms in the page (call to the next frame; target <= %.0f ms), %.0f ms from sending"
                " the call; baselines: the same array only parsed %.0f ms in the page, %.0f ms from sending;"
                " one plain Leaflet canvas polyline of it %.0f ms in the page, %.0f ms from sending\n",
                fixes, route.size() / 1e6, Runs, Median(drawnPage), TargetMs, Median(drawnWall), Median(parsedPage),
                Median(parsedWall), Median(polylinePage), Median(polylineWall));
    std::printf("bench_route: setclock while playing, with that route: %.1f us a call in the page (an empty"
                " function with the same arguments %.2f us); %.3f ms a round trip from the player's side"
                " (an empty script %.3f ms)\n",
                inPage.value(0).toDouble(), inPage.value(1).toDouble(), Median(clockTrip), Median(emptyTrip));
    return 0;
}

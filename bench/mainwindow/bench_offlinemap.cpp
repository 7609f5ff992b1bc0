// The offline map, in one process with the real main window and no network:
// from the choice of a recording (the list table's double-click signal) to
// its route drawn on the real offline map (no_connection.html), through the
// real online map finding no tile server (nothing listens where it asks, so
// its probe fails at once, as with no network at all), the fallback, and
// the track read for the offline map. Target: at most 500 ms more than the
// baseline measured in the same run: the offline page alone, loaded into a
// plain web view of the map's size and given the same route.

#include "benchsupport.h"
#include "mapfixture.h"
#include "realmappage.h"
#include "windowparts.h"

#include "console/umapscript.h"
#include "gpslog/gpslogdata.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWebEngineView>

#include <cstdio>
#include <functional>
#include <vector>

using namespace benchsupport;
using namespace mapfixture;
using namespace realmappage;

namespace {

constexpr int Runs = 7;
constexpr double TargetMarginMs = 500.0;
constexpr int GiveUpMs = 30000;
constexpr int LogSeconds = 600;
const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");

// Ten minutes of a drive, one line a second.
QStringList Drive()
{
    QStringList lines;
    for (int i = 0; i < LogSeconds; ++i) {
        lines << QStringLiteral("A,071226,%1,22%2,N,113%3,E,%4;")
                     .arg(QTime(8, 0).addSecs(i).toString(QStringLiteral("hhmmss")))
                     .arg(32.1 + 0.002 * i, 7, 'f', 4, QLatin1Char('0'))
                     .arg(56.5 + 0.003 * i, 7, 'f', 4, QLatin1Char('0'))
                     .arg(20 + (i % 50));
    }
    return lines;
}

bool RouteDrawn(QWebEnginePage *page)
{
    return Evaluate(page, QStringLiteral("typeof vialumoMap === 'object' && vialumoMap.routeDrawn !== null"
                                         " && vialumoMap.routeDrawn.count > 0"))
        .toBool();
}

// Milliseconds from `start` until `done`, or -1.
double Until(const std::function<void()> &start, const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    start();
    while (timer.elapsed() < GiveUpMs) {
        if (done())
            return double(timer.nsecsElapsed()) / 1e6;
        QCoreApplication::processEvents();
    }
    return -1.0;
}

} // namespace

int main(int argc, char **argv)
{
    PrepareWindowRun(VIALUMO_TESTDATA_DIR "/alsa-null.conf");
    Tracora::PrepareApplication();
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(Errors, "bench_offlinemap: needs an X server\n");
        return 1;
    }
    qInstallMessageHandler(DropChatter);

    Workspace space;
    if (!InstallRealOfflinePages(space.Root.filePath(QStringLiteral("images")))) {
        std::fprintf(Errors, "bench_offlinemap: the deployed map pages are missing\n");
        return 1;
    }
    const QStringList log = Drive();
    const QString video = space.AddRecording(1, Clip, &log);
    Tracora window;
    window.setStyleSheet(ProgramStyle());
    window.setObjectName(QStringLiteral("Tracora"));
    WindowParts parts(window);
    if (!parts.Complete()) {
        std::fprintf(Errors, "bench_offlinemap: the window lacks a part\n");
        return 1;
    }
    parts.AddRecordings({video});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(Errors, "bench_offlinemap: the window was never shown\n");
        return 1;
    }
    QTest::qWait(1000);

    // The baseline's page and route: the same file, the route the player sends.
    GpsLogData track;
    track.ReadGpsfile(parts.Files->GetGpsfilePath(0));
    const QString route = UMapScript::ShowRouteCall(track.GetTrack());
    const QUrl offlinePage = QUrl::fromLocalFile(space.Root.filePath(QStringLiteral("images/no_connection.html")));
    QWebEngineView plain;
    plain.resize(parts.Map->size());
    plain.show();
    plain.setUrl(QUrl::fromLocalFile(space.Root.filePath(QStringLiteral("images/startupp.html"))));

    const auto choose = [&] {
        return Until([&] { emit parts.Left->cellDoubleClicked(0, 0); },
                     [&] {
                         return parts.Map->url().fileName() == QLatin1String("no_connection.html")
                             && RouteDrawn(parts.Map->page());
                     });
    };
    const QUrl startPage = QUrl::fromLocalFile(space.Root.filePath(QStringLiteral("images/startupp.html")));
    const auto stop = [&] {
        parts.Wrapper->Stop();
        QTest::qWait(300); // the ticks see the engine stopped
        // Back on the start page, as before a first choice.
        parts.Map->setUrl(startPage);
        QTest::qWait(500);
    };
    const auto pageAlone = [&] {
        bool loaded = false;
        const auto connection = QObject::connect(plain.page(), &QWebEnginePage::loadFinished, [&] { loaded = true; });
        const double ms = Until(
            [&] {
                plain.setUrl(offlinePage);
            },
            [&] {
                if (!loaded)
                    return false;
                plain.page()->runJavaScript(route);
                loaded = false; // the route is asked for once
                return RouteDrawn(plain.page());
            });
        QObject::disconnect(connection);
        // Back on the start page too: from a local page to the next, as in the window.
        plain.setUrl(startPage);
        QTest::qWait(500);
        return ms;
    };

    // One untimed round first: the web engine's caches and the engine's decoders.
    choose();
    stop();
    pageAlone();

    std::vector<double> chosenMs, aloneMs;
    for (int run = 0; run < Runs; ++run) {
        const double a = choose();
        stop();
        const double b = pageAlone();
        if (a < 0 || b < 0) {
            std::fprintf(Errors, "bench_offlinemap: no route on the offline map (%.0f / %.0f ms)\n", a, b);
            return 1;
        }
        chosenMs.push_back(a);
        aloneMs.push_back(b);
    }
    const double chosen = Median(chosenMs), alone = Median(aloneMs);
    std::printf("bench_offlinemap: choice of a recording (%d s of GPS) to its route on the offline map, median of"
                " %d: %.0f ms; baseline, the offline page alone loaded and given the route: %.0f ms; %.0f ms more"
                " (target <= %.0f ms more)\n",
                LogSeconds, Runs, chosen, alone, chosen - alone, TargetMarginMs);
    return 0;
}

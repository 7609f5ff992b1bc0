// A card of 1,000 recordings with GPS and a G-sensor inside (BlackVue's
// layout, a minute each) imported through the real window: how long after
// the import's end the events and trips of every recording are ready
// (target 5 s), and the longest gap between two turns of the window's event
// loop from the import's start until then (target 50 ms). Beside them, in
// the same run: the same window idle as long; the same window idle but
// repainted whole five times a second, which is the least any visible change
// costs (here the window is composed with OpenGL, in software under Xvfb);
// and the bare cost of opening and reading every file whole.

#include "accelwriter.h"
#include "benchsupport.h"
#include "mapfixture.h"
#include "mp4gpswriter.h"
#include "windowparts.h"

#include "catalogue/ufolderimport.h"
#include "console/utrips.h"
#include "events/ueventindex.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <vector>

using namespace benchsupport;
using namespace mapfixture;

namespace {

constexpr int Recordings = 1000;
constexpr int Seconds = 60;
constexpr int SensorHz = 10;
constexpr int Runs = 2;
constexpr int TurnTimerMs = 2;
constexpr double TargetGapMs = 50.0;
constexpr double TargetReadyMs = 5000.0;
constexpr int AfterMs = 500;

// CARD/Record/<time>_NF.mp4: one drive of 1,000 minutes, a hard stop now and then.
void MakeCard(const QString &root)
{
    QDir(root).mkpath(QStringLiteral("Record"));
    const QDateTime start(QDate(2024, 5, 1), QTime(6, 0), QTimeZone::utc());
    double latitude = 48.0;
    double longitude = 11.0;
    for (int i = 0; i < Recordings; ++i) {
        const QDateTime at = start.addSecs(qint64(i) * Seconds);
        const GpsFixList fixes = Mp4GpsWriter::Drive(Seconds, latitude, longitude, at);
        // The next recording goes on where this one ended, a second later.
        latitude = fixes.last().Latitude + 0.00011;
        longitude = fixes.last().Longitude + 0.00018;
        using M = AccelWriter::Moment;
        const QList<M> moments = i % 7 == 0 ? QList<M>{{M::Braking, 20'000, 800, 0.6}} : QList<M>{};
        QFile file(root + QStringLiteral("/Record/") + at.toString(QStringLiteral("yyyyMMdd_HHmmss"))
                   + QStringLiteral("_NF.mp4"));
        if (file.open(QIODevice::WriteOnly))
            file.write(AccelWriter::BlackVueVideo(fixes, AccelWriter::Drive(Seconds, SensorHz, quint32(i), moments)));
    }
}

double BareMs(const QString &root)
{
    return Ms([&root] {
        qint64 bytes = 0;
        QDirIterator it(root, {QStringLiteral("*.mp4")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll().size();
        }
        if (bytes == 0)
            std::fprintf(Errors, "bare read found nothing\n");
    });
}

struct Figures
{
    double ImportMs = 0;
    double ReadyAfterImportMs = 0;
    double LongestGapMs = 0;
    double TripsMs = 0;
    int Events = 0;
    int Trips = 0;
};

// The longest gap between turns of the event loop while Until() is false.
class Turns
{
public:
    Turns()
    {
        Timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            const qint64 now = Clock.nsecsElapsed();
            Longest = qMax(Longest, double(now - Last) / 1e6);
            Last = now;
        });
        Clock.start();
        Timer.start(TurnTimerMs);
    }
    QElapsedTimer Clock;
    QTimer Timer;
    qint64 Last = 0;
    double Longest = 0;
};

constexpr int RepaintEveryMs = 200;

// The longest gap in a window left alone for IdleMs; with Repaint, asked to
// repaint itself whole now and then.
double IdleGapMs(int IdleMs, bool Repaint)
{
    Tracora window;
    window.setStyleSheet(ProgramStyle());
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    QTest::qWait(300);
    Turns turns;
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, &window, [&window] { window.update(); });
    if (Repaint)
        repaint.start(RepaintEveryMs);
    while (turns.Clock.elapsed() < IdleMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return turns.Longest;
}

Figures ImportOnce(const QString &card)
{
    Tracora window;
    window.setStyleSheet(ProgramStyle());
    window.show();
    (void)QTest::qWaitForWindowExposed(&window);
    QTest::qWait(300);
    WindowParts parts(window);
    auto *import = window.findChild<UFolderImport *>();
    auto *index = window.findChild<UEventIndex *>();

    Figures figures;
    bool imported = false;
    QObject::connect(import, &UFolderImport::Finished, [&] { imported = true; });
    auto ready = [&] {
        if (!imported || index->Count() != Recordings || index->Pending() != 0)
            return false;
        for (int i = 0; i < index->Count(); ++i) {
            if (!index->At(i))
                return false;
        }
        return true;
    };
    Turns turns;
    window.ImportPaths({card});
    while (!imported)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    figures.ImportMs = double(turns.Clock.nsecsElapsed()) / 1e6;
    while (!ready())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    figures.ReadyAfterImportMs = double(turns.Clock.nsecsElapsed()) / 1e6 - figures.ImportMs;
    const qint64 end = turns.Clock.elapsed() + AfterMs;
    while (turns.Clock.elapsed() < end)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    figures.LongestGapMs = turns.Longest;

    QList<UTripInput> inputs;
    for (int i = 0; i < index->Count(); ++i) {
        inputs.append({i, index->At(i)});
        figures.Events += int(index->At(i)->Events.size());
    }
    figures.TripsMs = Ms([&] { figures.Trips = int(UTrips::Build(inputs).size()); });
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    PrepareWindowRun(VIALUMO_TESTDATA_DIR "/alsa-null.conf");
    Tracora::PrepareApplication();
    QApplication app(argc, argv);
    qInstallMessageHandler(DropChatter);

    Workspace space;
    const QString card = space.Root.filePath(QStringLiteral("card"));
    MakeCard(card);
    BareMs(card); // the page cache holds the card for every measure

    std::vector<double> bare, imports, ready, gaps, idleGaps, repaintGaps, trips;
    Figures last;
    for (int run = 0; run < Runs; ++run) {
        bare.push_back(BareMs(card));
        last = ImportOnce(card);
        imports.push_back(last.ImportMs);
        ready.push_back(last.ReadyAfterImportMs);
        gaps.push_back(last.LongestGapMs);
        trips.push_back(last.TripsMs);
        const int busyMs = int(last.ImportMs + last.ReadyAfterImportMs) + AfterMs;
        idleGaps.push_back(IdleGapMs(busyMs, false));
        repaintGaps.push_back(IdleGapMs(busyMs, true));
    }
    std::printf("events of %d recordings (a minute each, GPS and G-sensor inside) imported into the window "
                "(median of %d runs)\n",
                Recordings, Runs);
    std::printf("  events ready after the import's end: %.1f ms (target <= %.0f ms); %d events, %d trips\n",
                Median(ready), TargetReadyMs, last.Events, last.Trips);
    std::printf("  longest event-loop gap, import and events: %.1f ms (target <= %.0f ms, timer %d ms)\n",
                Median(gaps), TargetGapMs, TurnTimerMs);
    std::printf("  baseline, the same window idle as long: longest gap %.1f ms\n", Median(idleGaps));
    std::printf("  baseline, the same window idle as long, repainted whole every %d ms: longest gap %.1f ms\n",
                RepaintEveryMs, Median(repaintGaps));
    std::printf("  import total: %.1f ms; trips of all recordings: %.1f ms\n", Median(imports), Median(trips));
    std::printf("  baseline, bare opening and reading the same files whole: %.1f ms\n", Median(bare));
    return 0;
}

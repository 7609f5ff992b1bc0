// A long session in one process: the real main window on the real online map
// page (its tiles from a local stand-in) autoplays a list of short clips
// with GPS logs, one after the other, as a driver's card of one-minute clips
// plays through. Printed after 20 recordings and after the last one (and on
// the way): resident memory of the program (and what malloc holds in use and
// keeps free in its arenas) and of the web engine's helper processes, open
// file descriptors and threads, each time while the next
// recording plays (so that every mark finds the same things at work). Goal:
// growth from the 20th to the last within 10%.
//
//   bench_longsession [recordings] [--without-map]
//
// 300 recordings by default, at least 40. --without-map gives the clips logs
// without a fix, so that each shows an information page instead of the map:
// what grows with the map page and what without it.

#include "benchsupport.h"
#include "mapfixture.h"
#include "realmappage.h"
#include "windowparts.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <malloc.h>
#include <unistd.h>
#include <vector>

using namespace benchsupport;
using namespace mapfixture;
using namespace realmappage;

namespace {

constexpr int DefaultRecordings = 300;
constexpr int FirstMark = 20;
constexpr double GoalGrowth = 0.10;
// One clip plays in about a second; the map page loads for each.
constexpr int ClipSeconds = 1;
constexpr int GiveUpPerRecordingMs = 30000;

// A number from a /proc status file ("VmRSS:   12345 kB"), in kB.
qint64 StatusField(const QString &statusPath, QLatin1String field)
{
    QFile file(statusPath);
    if (!file.open(QFile::ReadOnly))
        return 0;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(field.data()))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

qint64 ParentOf(const QString &pid)
{
    return StatusField(QStringLiteral("/proc/") + pid + QStringLiteral("/status"), QLatin1String("PPid:"));
}

// The resident kB of every process below this one (the web engine's
// renderer, GPU and utility processes).
qint64 DescendantsRssKb(int &count)
{
    QHash<qint64, qint64> parent;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number)
            parent.insert(pid, ParentOf(entry));
    }
    const qint64 self = getpid();
    qint64 kb = 0;
    count = 0;
    for (auto it = parent.cbegin(); it != parent.cend(); ++it) {
        qint64 up = it.value();
        for (int depth = 0; depth < 8 && up > 1 && up != self; ++depth)
            up = parent.value(up, 0);
        if (up == self && it.key() != self) {
            kb += StatusField(QStringLiteral("/proc/%1/status").arg(it.key()), QLatin1String("VmRSS:"));
            ++count;
        }
    }
    return kb;
}

struct Mark
{
    int Recordings = 0;
    qint64 RssKb = 0;
    // What the program holds through malloc, of its resident memory, and
    // what malloc's arenas keep free (resident where it was touched).
    qint64 HeapKb = 0;
    qint64 HeapFreeKb = 0;
    qint64 HelpersRssKb = 0;
    int Helpers = 0;
    qsizetype Descriptors = 0;
    qsizetype Threads = 0;
};

Mark Measure(int recordings)
{
    Mark mark;
    mark.Recordings = recordings;
    mark.RssKb = StatusField(QStringLiteral("/proc/self/status"), QLatin1String("VmRSS:"));
    const struct mallinfo2 heap = mallinfo2();
    mark.HeapKb = qint64((heap.uordblks + heap.hblkhd) / 1024);
    mark.HeapFreeKb = qint64(heap.fordblks / 1024);
    mark.HelpersRssKb = DescendantsRssKb(mark.Helpers);
    mark.Descriptors = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size();
    mark.Threads = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();
    return mark;
}

void Print(const Mark &mark, double seconds)
{
    std::printf("bench_longsession: after %3d recordings (%5.0f s): program %7.1f MB resident (%6.1f MB in malloc, %6.1f MB free in its arenas), %3lld fds, %3lld threads;"
                " %d web engine helpers %7.1f MB\n",
                mark.Recordings, seconds, double(mark.RssKb) / 1024.0, double(mark.HeapKb) / 1024.0, double(mark.HeapFreeKb) / 1024.0, static_cast<long long>(mark.Descriptors),
                static_cast<long long>(mark.Threads), mark.Helpers, double(mark.HelpersRssKb) / 1024.0);
    std::fflush(stdout);
}

double Growth(double from, double to)
{
    return from > 0 ? (to - from) / from : 0.0;
}

} // namespace

int main(int argc, char **argv)
{
    PrepareWindowRun(VIALUMO_TESTDATA_DIR "/alsa-null.conf");
    Tracora::PrepareApplication();
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(Errors, "bench_longsession: needs an X server\n");
        return 1;
    }
    qInstallMessageHandler(DropChatter);
    int recordings = DefaultRecordings;
    bool withMap = true;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--without-map")
            withMap = false;
        else
            recordings = std::max(2 * FirstMark, QByteArray(argv[i]).toInt());
    }

    TileServer tiles;
    Workspace space(OnlineMap::Online);
    if (!InstallRealMapPage(space.Root.filePath(QStringLiteral("images")), tiles)) {
        std::fprintf(Errors, "bench_longsession: the deployed map page could not be installed\n");
        return 1;
    }
    // One short clip, copied for every recording.
    const QString clip = space.Root.filePath(QStringLiteral("clip.MOV"));
    const int made = QProcess::execute(QStringLiteral("ffmpeg"),
                                       {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                                        QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                                        QStringLiteral("-i"), QStringLiteral("testsrc=size=320x240:rate=25"),
                                        QStringLiteral("-t"), QString::number(ClipSeconds), QStringLiteral("-c:v"),
                                        QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("ultrafast"),
                                        QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), clip});
    if (made != 0 || !QFile::exists(clip)) {
        std::fprintf(Errors, "bench_longsession: ffmpeg could not make the clip\n");
        return 1;
    }
    const QStringList log = withMap ? DriveLog(ClipSeconds + 1) : NoFixLog(ClipSeconds + 1);
    QStringList paths;
    for (int n = 1; n <= recordings; ++n)
        paths << space.AddRecording(n, clip, &log);

    Tracora window;
    window.setStyleSheet(ProgramStyle());
    window.setObjectName(QStringLiteral("Tracora"));
    WindowParts parts(window);
    if (!parts.Complete()) {
        std::fprintf(Errors, "bench_longsession: the window lacks a part\n");
        return 1;
    }
    parts.AddRecordings(paths);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(Errors, "bench_longsession: the window was never shown\n");
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    WindowParts::DoubleClickRow(parts.Left, 0);
    std::vector<Mark> marks;
    // Measured when the recording after the mark has started: the one before
    // has played and ended, and its map page is gone.
    std::vector<int> at{FirstMark};
    const int every = recordings >= 200 ? 100 : 20;
    for (int step = FirstMark + every; step < recordings - 1; step += every)
        at.push_back(step);
    at.push_back(recordings - 1);
    for (int index = 1; index < recordings; ++index) {
        const bool moved = QTest::qWaitFor([&] { return parts.Wrapper->GetIndex() >= index
                                                     && parts.Wrapper->GetState() == UVlcWrapper::StatePlaying; },
                                           GiveUpPerRecordingMs);
        if (!moved) {
            std::fprintf(Errors, "bench_longsession: autoplay stopped before recording %d (at %d, state %d)\n",
                         index + 1, parts.Wrapper->GetIndex(), int(parts.Wrapper->GetState()));
            return 1;
        }
        if (std::find(at.begin(), at.end(), index) != at.end()) {
            marks.push_back(Measure(index));
            Print(marks.back(), double(clock.elapsed()) / 1e3);
        }
    }
    const Mark &first = marks.front();
    const Mark &last = marks.back();
    std::printf("bench_longsession: growth from %d to %d recordings: program memory %+.1f%%, web engine helpers %+.1f%%,"
                " fds %+lld, threads %+lld (goal: within %.0f%%)\n",
                first.Recordings, last.Recordings, 100.0 * Growth(double(first.RssKb), double(last.RssKb)),
                100.0 * Growth(double(first.HelpersRssKb), double(last.HelpersRssKb)),
                static_cast<long long>(last.Descriptors - first.Descriptors),
                static_cast<long long>(last.Threads - first.Threads), 100.0 * GoalGrowth);
    return 0;
}

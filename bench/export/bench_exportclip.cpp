// Exports 60 s of 1080p that spans two one-minute recordings with the
// program itself (`vialumo --export-clip`, as a script runs it) and compares
// the time with copying the two source files with cp, measured in the same
// run. Target: at most twice cp's time, and under 100 MB of memory (the
// export's peak resident size; also for the whole two-minute drive, to show
// it does not grow with the length). For context, the time the export's own
// SHA-256 (UFileHash) alone takes over the bytes the export hashes: the
// sources whole and the clip, and the time the program takes to start and
// end doing nothing (--version). The same comparison is made again with the
// sources out of the page cache before each run, as when a card has just been
// put in: both sides then read them from the disk.
//
// The recordings (testsrc2 at 12 Mbit/s, 25 frames a second, a key frame a
// second, AAC sound, GPS logs) are made with ffmpeg on the first run and kept
// in the build folder.

#include "benchsupport.h"
#include "export/ufilehash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int Runs = 3;
constexpr double TargetRatio = 2.0;
constexpr double TargetMemoryMb = 100.0;
const QString Data = QStringLiteral(VIALUMO_BENCH_DATA_DIR);
const QString Program = QStringLiteral(VIALUMO_DEPLOY_DIR "/vialumo");

struct Ran
{
    double Ms = 0.0;
    double PeakMb = 0.0;
    int Status = -1;
};

// Runs a program to its end: wall time, peak resident size, exit status.
Ran Spawn(const QStringList &Arguments)
{
    std::vector<QByteArray> bytes;
    for (const QString &argument : Arguments)
        bytes.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    Ran ran;
    QElapsedTimer timer;
    timer.start();
    // The program's list of the files it made is no figure.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv.front(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return ran;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    ran.Ms = double(timer.nsecsElapsed()) / 1e6;
    ran.PeakMb = double(usage.ru_maxrss) / 1024.0;
    ran.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

bool MakeRecording(int Number, const QString &Created)
{
    const QString key = QStringLiteral("%1").arg(Number, 4, 10, QLatin1Char('0'));
    const QString video = Data + QStringLiteral("/card/DCIM/100CLIP/CLIP") + key + QStringLiteral(".MP4");
    QFile log(Data + QStringLiteral("/card/gps/gps") + key + QStringLiteral(".log"));
    if (!log.open(QIODevice::WriteOnly))
        return false;
    for (int s = 0; s < 60; ++s) {
        const int t = (Number - 1) * 60 + s;
        log.write(QStringLiteral("A,091226,14%1%2,5207.%3,N,00434.%4,E,%5;\n")
                      .arg(t / 60, 2, 10, QLatin1Char('0'))
                      .arg(t % 60, 2, 10, QLatin1Char('0'))
                      .arg(1000 + 20 * t, 4, 10, QLatin1Char('0'))
                      .arg(1000 + 30 * t, 4, 10, QLatin1Char('0'))
                      .arg(20 + t % 40)
                      .toLatin1());
    }
    if (QFileInfo(video).size() > 0)
        return true;
    std::fprintf(stderr, "bench_exportclip: making %s (once)...\n", qPrintable(video));
    const int code = QProcess::execute(
        QStringLiteral("ffmpeg"),
        {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25", "-f",
         "lavfi", "-i", "sine=frequency=440", "-t", "60", "-c:v", "libx264", "-preset", "ultrafast", "-b:v", "12M",
         "-maxrate", "12M", "-bufsize", "12M", "-g", "25", "-pix_fmt", "yuv420p", "-c:a", "aac", "-metadata",
         "creation_time=" + Created, video + ".part.mp4"});
    return code == 0 && QFile::rename(video + ".part.mp4", video);
}

// Drops the files' pages from the page cache (no privileges needed), so that
// the next reader reads them from the disk.
void Evict(const QStringList &Files)
{
    for (const QString &path : Files) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        if (fd < 0)
            continue;
        fdatasync(fd);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

double Sha256Ms(const QStringList &Files)
{
    return benchsupport::Ms([&] {
        for (const QString &path : Files)
            (void)UFileHash::Sha256(path);
    });
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QDir().mkpath(Data + QStringLiteral("/card/DCIM/100CLIP"));
    QDir().mkpath(Data + QStringLiteral("/card/gps"));
    if (!MakeRecording(1, QStringLiteral("2026-12-09T14:00:00Z"))
        || !MakeRecording(2, QStringLiteral("2026-12-09T14:01:00Z"))) {
        std::fprintf(stderr, "bench_exportclip: the recordings could not be made\n");
        return 1;
    }
    const QString first = Data + QStringLiteral("/card/DCIM/100CLIP/CLIP0001.MP4");
    const QString second = Data + QStringLiteral("/card/DCIM/100CLIP/CLIP0002.MP4");
    const double sourceMb = double(QFileInfo(first).size() + QFileInfo(second).size()) / 1e6;

    QTemporaryDir work(QDir(Data).filePath(QStringLiteral("run-XXXXXX")));
    // No GPS shift of the user's: a home of its own.
    qputenv("HOME", work.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (work.path() + QStringLiteral("/config")).toUtf8());
    Sha256Ms({first, second}); // the page cache holds both now, for both sides

    std::vector<double> cp;
    std::vector<double> exports;
    std::vector<double> coldCp;
    std::vector<double> coldExports;
    double peakMb = 0.0;
    QString clip;
    for (int run = 0; run < 2 * Runs; ++run) {
        const bool cold = run >= Runs;
        const QString copies = work.filePath(QStringLiteral("copies"));
        QDir().mkpath(copies);
        if (cold)
            Evict({first, second});
        const Ran copied = Spawn({QStringLiteral("/bin/cp"), first, second, copies});
        (cold ? coldCp : cp).push_back(copied.Ms);
        QDir(copies).removeRecursively();

        const QString out = work.filePath(QStringLiteral("clip"));
        if (cold)
            Evict({first, second});
        const Ran exported = Spawn({Program, QStringLiteral("--export-clip"), first, QStringLiteral("--from"),
                                    QStringLiteral("00:00:30"), QStringLiteral("--to"), QStringLiteral("00:01:30"),
                                    QStringLiteral("--output"), out});
        if (exported.Status != 0 || copied.Status != 0) {
            std::fprintf(stderr, "bench_exportclip: the export (%d) or cp (%d) failed\n", exported.Status,
                         copied.Status);
            return 1;
        }
        (cold ? coldExports : exports).push_back(exported.Ms);
        peakMb = std::max(peakMb, exported.PeakMb);
        if (run + 1 < 2 * Runs)
            QDir(out).removeRecursively();
        else
            clip = out + QStringLiteral("/CLIP0001_00-00-30-00-01-30.mp4");
    }
    const double hashMs = Sha256Ms({first, second, clip});
    std::vector<double> starts;
    for (int run = 0; run < Runs; ++run)
        starts.push_back(Spawn({Program, QStringLiteral("--version")}).Ms);
    const double clipMb = double(QFileInfo(clip).size()) / 1e6;
    QDir(work.filePath(QStringLiteral("clip"))).removeRecursively();

    // The whole drive: twice as long, the same memory.
    const Ran whole = Spawn({Program, QStringLiteral("--export-clip"), first, QStringLiteral("--to"),
                             QStringLiteral("00:02:00"), QStringLiteral("--output"), work.filePath("whole")});

    const double cpMs = benchsupport::Median(cp);
    const double exportMs = benchsupport::Median(exports);
    const double coldCpMs = benchsupport::Median(coldCp);
    const double coldExportMs = benchsupport::Median(coldExports);
    std::printf("bench_exportclip: 60 s of 1080p across two one-minute recordings (%.0f MB of sources, a %.0f MB "
                "clip): export %.0f ms, %.2fx the %.0f ms of cp of the two sources (target <= %.1fx); sources not in "
                "the page cache: export %.0f ms, %.2fx the %.0f ms of cp; peak memory %.1f MB, %.1f MB for the whole "
                "two minutes (target < %.0f MB); for context: SHA-256 alone of the bytes the export hashes %.0f ms, "
                "the program's start and end alone (--version) %.0f ms\n",
                sourceMb, clipMb, exportMs, exportMs / cpMs, cpMs, TargetRatio, coldExportMs,
                coldExportMs / coldCpMs, coldCpMs, peakMb, whole.PeakMb, TargetMemoryMb, hashMs,
                benchsupport::Median(starts));
    return whole.Status == 0 ? 0 : 1;
}

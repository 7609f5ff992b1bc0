// Imports 1,000 recordings laid out as the recorder writes them
// (DIR/DCIM/100CLIP/CLIPnnnn.MOV, DIR/gps/gpsnnnn.log with 60 lines each)
// and compares the time with merely looking at each video and reading each
// log's lines. Target: at most 100 ms for the whole import.

#include "benchsupport.h"
#include "catalogue/uvideoandgpsfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>
#include <fcntl.h>

namespace {

constexpr int Recordings = 1000;
constexpr int LogLines = 60;
constexpr int Runs = 7;
constexpr double TargetMs = 100.0;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString clips = dir.filePath("DCIM/100CLIP");
    QDir().mkpath(clips);
    QDir().mkpath(dir.filePath("gps"));
    QStringList videos;
    QStringList logs;
    for (int n = 0; n < Recordings; ++n) {
        const QString number = QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
        QFile video(clips + "/CLIP" + number + ".MOV");
        video.open(QIODevice::WriteOnly);
        video.write(QByteArray(4096, '\0'));
        videos << video.fileName();
        QFile log(dir.filePath("gps/gps" + number + ".log"));
        log.open(QIODevice::WriteOnly);
        for (int s = 0; s < LogLines; ++s) {
            log.write(QStringLiteral("%1,140325,1015%2,2232.%3,N,11356.%4,E,%5;\r\n")
                          .arg(s < 5 ? 'V' : 'A').arg(s, 2, 10, QLatin1Char('0')).arg(1000 + s * 7)
                          .arg(5000 + s * 11).arg(20 + s % 9).toLatin1());
        }
        logs << log.fileName();
    }

    int entries = 0;
    const auto import = [&] {
        UVideoAndGpsfiles catalogue;
        catalogue.AddVideoAndGpsfiles(videos);
        entries = catalogue.GetVideoCount();
    };
    qsizetype sink = 0;
    const auto openAndRead = [&] {
        for (int n = 0; n < Recordings; ++n) {
            sink += QFileInfo(videos.at(n)).isFile();
            QFile file(logs.at(n));
            file.open(QIODevice::ReadOnly);
            QTextStream in(&file);
            QString line;
            while (in.readLineInto(&line))
                sink += line.size();
        }
    };

    qInstallMessageHandler(benchsupport::DropDebug);
    openAndRead(); // warm the page cache
    const double baselineMs = benchsupport::MedianMs(Runs, openAndRead);
    const double droppedMs = benchsupport::MedianMs(Runs, import);

    // The traces as Qt writes them, to a stream nobody reads.
    qInstallMessageHandler(nullptr);
    std::fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, STDERR_FILENO);
    const double tracedMs = benchsupport::MedianMs(Runs, import);
    std::fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    close(devNull);
    close(savedStderr);

    std::printf("bench_catalogue: import of %d recordings (%d-line logs, %d entries): %.1f ms with debug traces"
                " dropped, %.1f ms with traces written to /dev/null (target <= %.0f ms); merely looking at the"
                " videos and reading the logs: %.1f ms [%lld]\n",
                Recordings, LogLines, entries, droppedMs, tracedMs, TargetMs, baselineMs,
                static_cast<long long>(sink % 10));
    return 0;
}

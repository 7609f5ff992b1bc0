// Loads a 24-hour GPS log (one line per second) into a track and compares
// the cost per line with merely reading the same file's lines through
// QTextStream. Target: at most 3 times the bare read. The machine is shared:
// each run times the bare reads and the loads one right after the other,
// and the figures are medians over the runs of each time and of each ratio.
// Also: what a look-up costs now that records are written on demand (the
// display asks for two every 250 ms).

#include "benchsupport.h"
#include "gpslog/gpslogdata.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <vector>

namespace {

constexpr int LogLines = 86400;
constexpr int Runs = 15;
constexpr double TargetRatio = 3.0;

// A day of driving: no fix for the first minute and in a tunnel every
// hour, the car standing still at lights now and then, moving otherwise.
QByteArray DayLog(bool AlwaysMoving)
{
    QByteArray log;
    log.reserve(LogLines * 56);
    double latitudeMinutes = 32.1234;
    double longitudeMinutes = 56.5678;
    for (int s = 0; s < LogLines; ++s) {
        const bool fix = s >= 60 && s % 3600 >= 120;
        const bool standing = !AlwaysMoving && s % 300 < 40;
        const double knots = standing ? 0.0 : 20.0 + (s % 97) / 10.0;
        if (!standing) {
            latitudeMinutes += 0.00011 * (s % 7);
            longitudeMinutes += 0.00017 * (s % 5);
            if (latitudeMinutes >= 60.0)
                latitudeMinutes -= 60.0;
            if (longitudeMinutes >= 60.0)
                longitudeMinutes -= 60.0;
        }
        char line[128];
        const int hh = s / 3600, mm = s / 60 % 60, ss = s % 60;
        if (fix) {
            std::snprintf(line, sizeof line, "A,140325,%02d%02d%02d,22%07.4f,N,113%07.4f,E,%.1f;\r\n", hh, mm, ss,
                          latitudeMinutes, longitudeMinutes, knots);
        } else {
            std::snprintf(line, sizeof line, "V,140325,%02d%02d%02d,,,,,;\r\n", hh, mm, ss);
        }
        log += line;
    }
    return log;
}

template<typename F> double NsPerLine(F work)
{
    return benchsupport::Ms(work) * 1e6 / LogLines;
}

// Each line as a QString of its own, the way a line loop is usually written.
qsizetype BareReadLine(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QTextStream in(&file);
    qsizetype chars = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        chars += line.size();
    }
    return chars;
}

// All lines through one reused buffer: the cheapest QTextStream line read.
qsizetype BareReadLineInto(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QTextStream in(&file);
    QString line;
    qsizetype chars = 0;
    while (in.readLineInto(&line))
        chars += line.size();
    return chars;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(benchsupport::DropDebug); // "addend" once per load
    QTemporaryDir dir;
    const QString path = dir.filePath("gps0001.log");
    const QString movingPath = dir.filePath("gps0002.log");
    for (const auto &[target, moving] : {std::pair{path, false}, std::pair{movingPath, true}}) {
        QFile file(target);
        file.open(QIODevice::WriteOnly);
        file.write(DayLog(moving));
    }

    qsizetype sink = 0;
    GpsLogData log;
    // as the player does it: the previous track is cleared, then the log read
    const auto load = [&](const QString &p) {
        log.ClearGpsData();
        log.ReadGpsfile(p);
        sink += log.GetGpsDataCount();
    };
    BareReadLineInto(path); // warm the page cache and the allocator
    load(path);

    std::vector<double> lineNs, lineIntoNs, loadNs, movingLoadNs, loadRatio, loadIntoRatio, movingRatio,
        movingIntoRatio;
    for (int run = 0; run < Runs; ++run) {
        lineNs.push_back(NsPerLine([&] { sink += BareReadLine(path); }));
        lineIntoNs.push_back(NsPerLine([&] { sink += BareReadLineInto(path); }));
        loadNs.push_back(NsPerLine([&] { load(path); }));
        movingLoadNs.push_back(NsPerLine([&] { load(movingPath); }));
        loadRatio.push_back(loadNs.back() / lineNs.back());
        loadIntoRatio.push_back(loadNs.back() / lineIntoNs.back());
        movingRatio.push_back(movingLoadNs.back() / lineNs.back());
        movingIntoRatio.push_back(movingLoadNs.back() / lineIntoNs.back());
    }
    // A record for every second of the day, then the fix of every second.
    load(path);
    const double recordNs = benchsupport::MedianMs(Runs, [&] {
        for (int s = 0; s < LogLines; ++s)
            sink += log.GetGpsDataAt(s).Latitude.size();
    }) * 1e6 / LogLines;
    const double fixNs = benchsupport::MedianMs(Runs, [&] {
        for (int s = 0; s < LogLines; ++s)
            sink += log.GetFixAt(s).Valid ? 1 : 0;
    }) * 1e6 / LogLines;

    using benchsupport::Median;
    std::printf("bench_gpslog: 24-hour log (%d lines): load %.0f ns/line = %.2fx QTextStream readLine() %.0f ns/line,"
                " %.2fx readLineInto() %.0f ns/line (target <= %.0fx); never standing still: load %.0f ns/line"
                " = %.2fx / %.2fx; look-up of one second: record %.0f ns, fix %.0f ns [%lld]\n",
                LogLines, Median(loadNs), Median(loadRatio), Median(lineNs), Median(loadIntoRatio),
                Median(lineIntoNs), TargetRatio, Median(movingLoadNs), Median(movingRatio), Median(movingIntoRatio),
                recordNs, fixNs, static_cast<long long>(sink % 10));
    return 0;
}

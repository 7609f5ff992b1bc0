// Loads a 24-hour GPS log (one line per second) into a track and compares
// the cost per line with merely reading the same file's lines through
// QTextStream. Target: at most 3 times the bare read.

#include "benchsupport.h"
#include "gpslog/gpslogdata.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int LogLines = 86400;
constexpr int Runs = 9;
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
    return benchsupport::MedianMs(Runs, work) * 1e6 / LogLines;
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
    const auto readLine = [&](const QString &p) { return NsPerLine([&] { sink += BareReadLine(p); }); };
    const auto readLineInto = [&](const QString &p) { return NsPerLine([&] { sink += BareReadLineInto(p); }); };
    // as the player does it: the previous track is cleared, then the log read
    const auto load = [&](const QString &p) {
        GpsLogData log;
        return NsPerLine([&] {
            log.ClearGpsData();
            log.ReadGpsfile(p);
            sink += log.GetGpsDataCount();
        });
    };
    // What holding the track costs by itself: per record three texts of
    // their own (time, longitude, latitude) and three shared ones, then the
    // clearing of the previous track.
    const auto storeOnly = [&] {
        QList<GpsRecord> track;
        const QString date = QStringLiteral("140325");
        const char16_t texts[] = u"10150022.53539113.94280";
        return NsPerLine([&] {
            track.clear();
            for (int i = 0; i < LogLines; ++i) {
                track.append(GpsRecord{true, date, QString::fromUtf16(texts, 6), QString::fromUtf16(texts + 14, 9),
                                       date, QString::fromUtf16(texts + 6, 8), date, 1.0});
            }
            sink += track.size();
        });
    };
    readLineInto(path); // warm the page cache and the allocator
    const double lineNs = readLine(path);
    const double lineIntoNs = readLineInto(path);
    const double loadNs = load(path);
    const double movingLoadNs = load(movingPath);
    const double storeNs = storeOnly();

    std::printf("bench_gpslog: 24-hour log (%d lines): load %.0f ns/line = %.2fx QTextStream readLine() %.0f ns/line,"
                " %.2fx readLineInto() %.0f ns/line (target <= %.0fx); never standing still: load %.0f ns/line"
                " = %.2fx / %.2fx; storing the records alone %.0f ns/line [%lld]\n",
                LogLines, loadNs, loadNs / lineNs, lineNs, loadNs / lineIntoNs, lineIntoNs, TargetRatio,
                movingLoadNs, movingLoadNs / lineNs, movingLoadNs / lineIntoNs, storeNs, static_cast<long long>(sink % 10));
    return 0;
}

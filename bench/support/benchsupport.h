// Helpers the benchmarks share: figures as medians of single timings, the
// program's style sheet, and a quiet console so that only the figures and
// real failures reach the reader. Qt Core only: the console benchmarks
// include it too.

#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace benchsupport {

// Where the benchmark's own messages go; QuietStderr points it away from the
// stderr the engines write to.
inline FILE *Errors = stderr;

// The median, not the mean: one run disturbed by the other work on the
// machine must not move the figure.
inline double Median(std::vector<double> v)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds one call of `work` takes.
template<typename F> double Ms(F work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Median milliseconds of `runs` calls of `work`.
template<typename F> double MedianMs(int runs, F work)
{
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run)
        ms.push_back(Ms(work));
    return Median(ms);
}

// The program's style sheet from the resource bundle, empty when missing:
// painting costs depend on it.
inline QString ProgramStyle()
{
    QFile file(QStringLiteral(":/qss/Tracora.qss"));
    if (!file.open(QFile::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// Qt's debug traces would be timed with the work that writes them.
inline void DropDebug(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg)
        std::fprintf(Errors, "%s\n", qPrintable(message));
}

// For the main window: its debug and info traces and the web engine's notes
// about OpenGL under a virtual X server say nothing about the figures.
inline void DropChatter(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || message.contains(QLatin1String("OpenGL")))
        return;
    std::fprintf(Errors, "%s\n", qPrintable(message));
}

// The engine and the web engine write their own diagnostics to stderr; they
// go to /dev/null, and this program's own messages to the real stderr.
inline void QuietStderr()
{
    std::fflush(stderr);
    const int real = dup(STDERR_FILENO);
    const int quiet = open("/dev/null", O_WRONLY);
    if (real < 0 || quiet < 0)
        return;
    dup2(quiet, STDERR_FILENO);
    close(quiet);
    Errors = fdopen(real, "w");
    setvbuf(Errors, nullptr, _IOLBF, 0);
}

// Before the QApplication of a benchmark that runs the main window: a real X
// window, the web engine without GPU (and without its sandbox as root), the
// sound output to `alsaConfig`'s null device, and a quiet stderr.
inline void PrepareWindowRun(const char *alsaConfig)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (getuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("ALSA_CONFIG_PATH", alsaConfig);
    QuietStderr();
}

} // namespace benchsupport

#ifndef UCOMMAND_H
#define UCOMMAND_H

#include <QCommandLineOption>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QCommandLineParser;
class QIODevice;

// What a command is given when it runs: the parsed command line, the folder
// relative paths are taken from, and where its output and its one line of
// failure go. A test runs a command as a function with buffers here.
struct UCommandRun
{
    const QCommandLineParser &Parser;
    QDir StartDir;
    QIODevice &Out;
    QIODevice &Err;

    // Path made absolute against the folder the user started in.
    QString Absolute(const QString &Path) const;
    // The positional arguments, each made absolute.
    QStringList AbsolutePaths() const;
    // Writes "vialumo: <Message>" and a line end to Err.
    void Fail(const QString &Message) const;
    // Writes Text to Out as UTF-8.
    void Print(const QString &Text) const;
};

// One command of the program's command line (`vialumo --export-gpx FILE`):
// it runs without a display, a web engine or a video engine, prints its
// result and ends with an exit status.
struct UCommand
{
    // The option that chooses the command.
    QCommandLineOption Option;
    // Options it takes besides (--from, --output, ...).
    QList<QCommandLineOption> Extra;
    // Runs the command; returns the exit status.
    std::function<int(const UCommandRun &Run)> Main;
};

// The exit statuses commands share.
namespace UCommandExit {
inline constexpr int Done = 0;
// A check that found differences (a changed or missing file).
inline constexpr int Differs = 1;
// Bad input, a file that cannot be read, nothing to work on.
inline constexpr int Failed = 2;
} // namespace UCommandExit

#endif // UCOMMAND_H

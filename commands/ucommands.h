#ifndef UCOMMANDS_H
#define UCOMMANDS_H

#include "commands/ucommand.h"

class QCommandLineParser;

// Every command of the command line, in the order --help lists them. A new
// command is one file pair in commands/ and one line in All().
class UCommands
{
public:
    static const QList<UCommand> &All();

    // Adds every command's options to Parser.
    static void AddOptions(QCommandLineParser &Parser);

    // Whether the arguments name a command (or ask for the help or the
    // version): decided before any application object exists, so that
    // those run without a display.
    static bool WantsNoWindow(int argc, char **argv);

    // Parses the arguments, runs the command they name and returns its exit
    // status; the help and the version end the program inside. Needs a
    // QCoreApplication. AddWindowOptions adds the options only the window
    // takes, so that --help lists them too.
    static int Run(const std::function<void(QCommandLineParser &)> &AddWindowOptions);
};

#endif // UCOMMANDS_H

#include "ucommands.h"

#include "commands/eventscommand.h"
#include "commands/exportclipcommand.h"
#include "commands/exportgpxcommand.h"
#include "commands/listcommand.h"
#include "commands/verifycommand.h"
#include "commands/tripscommand.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstring>

namespace {

// Standard error carries one line, and only when a command fails: the
// catalogue's traces of where it looked have no place there.
void DropTraces(QtMsgType Type, const QMessageLogContext &, const QString &Message)
{
    if (Type != QtDebugMsg && Type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(Message));
}

bool IsOption(const char *Argument, const QString &Name)
{
    const QByteArray option = "--" + Name.toLatin1();
    const size_t length = size_t(option.size());
    return std::strncmp(Argument, option.constData(), length) == 0
        && (Argument[length] == '\0' || Argument[length] == '=');
}

} // namespace

QString UCommandRun::Absolute(const QString &Path) const
{
    return QDir::cleanPath(StartDir.absoluteFilePath(Path));
}

QStringList UCommandRun::AbsolutePaths() const
{
    QStringList paths;
    const QStringList arguments = Parser.positionalArguments();
    for (const QString &argument : arguments)
        paths << Absolute(argument);
    return paths;
}

void UCommandRun::Fail(const QString &Message) const
{
    Err.write(QStringLiteral("vialumo: %1\n").arg(Message.simplified()).toUtf8());
}

void UCommandRun::Print(const QString &Text) const
{
    Out.write(Text.toUtf8());
}

const QList<UCommand> &UCommands::All()
{
    static const QList<UCommand> Commands = {
        ExportGpxCommand(),
        ListCommand(),
        ExportClipCommand(),
        VerifyCommand(),
        EventsCommand(),
        TripsCommand(),
    };
    return Commands;
}

void UCommands::AddOptions(QCommandLineParser &Parser)
{
    QStringList added;
    for (const UCommand &command : All()) {
        Parser.addOption(command.Option);
        // Commands may share an option (--output); it is listed once.
        for (const QCommandLineOption &extra : command.Extra) {
            if (added.contains(extra.names().constFirst()))
                continue;
            added << extra.names().constFirst();
            Parser.addOption(extra);
        }
    }
}

bool UCommands::WantsNoWindow(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--") == 0)
            break;
        for (const UCommand &command : All()) {
            if (IsOption(argument, command.Option.names().constFirst()))
                return true;
        }
        for (const char *option : {"-h", "-?", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argument, option) == 0)
                return true;
        }
    }
    return false;
}

int UCommands::Run(const std::function<void(QCommandLineParser &)> &AddWindowOptions)
{
    qInstallMessageHandler(DropTraces);
    QCommandLineParser parser;
    AddWindowOptions(parser);
    AddOptions(parser);
    // --help and --version end the program here.
    parser.process(*QCoreApplication::instance());

    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly) || !err.open(stderr, QIODevice::WriteOnly))
        return UCommandExit::Failed;
    const UCommandRun run{parser, QDir(qEnvironmentVariable("VIALUMO_START_DIR", QDir::currentPath())), out, err};
    for (const UCommand &command : All()) {
        if (parser.isSet(command.Option))
            return command.Main(run);
    }
    parser.showHelp(UCommandExit::Failed);
}

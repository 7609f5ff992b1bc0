#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QSplashScreen>
#include <QTimer>

#include "commands/ucommands.h"
#include "mainwindow/tracora.h"

namespace {

QCommandLineOption OfflineMapOption()
{
    return QCommandLineOption(QStringLiteral("offline-map"),
                              QStringLiteral("Draw the map's tiles from FILE (MBTiles or PMTiles) where it covers "
                                             "them, also without a network; remembered for later runs."),
                              QStringLiteral("FILE"));
}

// Everything the window takes on the command line; the commands' options
// are added beside them, so that --help lists both.
void AddWindowOptions(QCommandLineParser &Parser)
{
    Parser.addHelpOption();
    Parser.addVersionOption();
    Parser.addOption(OfflineMapOption());
    Parser.addPositionalArgument(QStringLiteral("paths"),
                                 QStringLiteral("Video files or folders to import (folders are searched)."),
                                 QStringLiteral("[PATH...]"));
}

// The files and folders named on the command line (`vialumo PATH...`, and the
// menu entry's %F for "Open with"), relative ones taken from the folder the
// user started in: the launcher changes into the program's own folder and
// names the one it came from in VIALUMO_START_DIR.
void ImportPathArguments(Tracora &Window, const QCommandLineParser &Parser)
{
    const QDir startDir(qEnvironmentVariable("VIALUMO_START_DIR", QDir::currentPath()));
    QStringList paths;
    const QStringList arguments = Parser.positionalArguments();
    for (const QString &argument : arguments)
        paths << QDir::cleanPath(startDir.absoluteFilePath(argument));
    if (paths.isEmpty())
        return;
    // Once the window is on the screen, so that its progress shows.
    QTimer::singleShot(0, &Window, [&Window, paths] { Window.ImportPaths(paths); });
}

// The offline maps named with --offline-map, relative ones taken from the
// folder the user started in.
void AddOfflineMapArguments(Tracora &Window, const QCommandLineParser &Parser)
{
    const QDir startDir(qEnvironmentVariable("VIALUMO_START_DIR", QDir::currentPath()));
    QStringList maps;
    for (const QString &map : Parser.values(OfflineMapOption()))
        maps << QDir::cleanPath(startDir.absoluteFilePath(map));
    if (!maps.isEmpty())
        Window.AddOfflineMaps(maps);
}

} // namespace

int main(int argc, char **argv)
{
    // A command, the help and the version run without a display, a web
    // engine or a video engine.
    if (UCommands::WantsNoWindow(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(VIALUMO_VERSION));
        return UCommands::Run(AddWindowOptions);
    }

    Tracora::PrepareApplication();
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VIALUMO_VERSION));

    QCommandLineParser parser;
    AddWindowOptions(parser);
    UCommands::AddOptions(parser);
    parser.process(app);

    QPixmap *splashPixmap = new QPixmap(QStringLiteral(":/images/Splash.png"));
    QSplashScreen *splash = new QSplashScreen(*splashPixmap);
    splash->show();
    splash->showMessage(QStringLiteral("Loading...Please Wait."),
                        Qt::AlignRight | Qt::AlignBottom, Qt::white);
    app.processEvents();

    Tracora window;

    QFile *styleFile = new QFile(QStringLiteral(":/qss/Tracora.qss"));
    styleFile->open(QFile::ReadOnly);
    window.setStyleSheet(QLatin1String(styleFile->readAll()));
    styleFile->close();
    delete styleFile;

    window.setObjectName(QStringLiteral("Tracora"));
    window.show();
    ImportPathArguments(window, parser);
    AddOfflineMapArguments(window, parser);

    splash->finish(&window);
    delete splash;
    delete splashPixmap;

    return app.exec();
}

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QSplashScreen>
#include <QTimer>

#include "catalogue/uvideoandgpsfiles.h"
#include "gpslog/gpxexport.h"
#include "mainwindow/tracora.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int ExportFailed = 2;
constexpr const char ExportGpxArgument[] = "--export-gpx";

QCommandLineOption ExportGpxOption()
{
    return QCommandLineOption(QStringLiteral("export-gpx"),
                              QStringLiteral("Write FILE's GPS track (a video or a GPS file) to standard output as "
                                             "GPX 1.1, without opening a window."),
                              QStringLiteral("FILE"));
}

QCommandLineOption OfflineMapOption()
{
    return QCommandLineOption(QStringLiteral("offline-map"),
                              QStringLiteral("Draw the map's tiles from FILE (MBTiles or PMTiles) where it covers "
                                             "them, also without a network; remembered for later runs."),
                              QStringLiteral("FILE"));
}

// Decided before any application object exists: the export, the help and
// the version run without a display, a web engine or a video engine.
bool WantsNoWindow(int argc, char **argv)
{
    const size_t length = std::strlen(ExportGpxArgument);
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (std::strcmp(argument, "--") == 0)
            break;
        if (std::strncmp(argument, ExportGpxArgument, length) == 0
            && (argument[length] == '\0' || argument[length] == '='))
            return true;
        for (const char *option : {"-h", "-?", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argument, option) == 0)
                return true;
        }
    }
    return false;
}

// Everything the command line takes, in both ways of running.
void AddOptions(QCommandLineParser &Parser)
{
    Parser.addHelpOption();
    Parser.addVersionOption();
    Parser.addOption(ExportGpxOption());
    Parser.addOption(OfflineMapOption());
    Parser.addPositionalArgument(QStringLiteral("paths"),
                                 QStringLiteral("Video files or folders to import (folders are searched)."),
                                 QStringLiteral("[PATH...]"));
}

// Standard error carries one line, and only when the export fails: the
// catalogue's traces of where it looked have no place there.
void DropTraces(QtMsgType Type, const QMessageLogContext &, const QString &Message)
{
    if (Type != QtDebugMsg && Type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(Message));
}

// The export, or the help or version text.
int ExportGpx(int argc, char **argv)
{
    qInstallMessageHandler(DropTraces);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VIALUMO_VERSION));
    QCommandLineParser parser;
    AddOptions(parser);
    // --help and --version end the program here.
    parser.process(app);
    const QCommandLineOption exportGpx = ExportGpxOption();
    if (!parser.isSet(exportGpx))
        parser.showHelp(ExportFailed);

    const QDir startDir(qEnvironmentVariable("VIALUMO_START_DIR", QDir::currentPath()));
    const QString file = QDir::cleanPath(startDir.absoluteFilePath(parser.value(exportGpx)));
    const QString source = UVideoAndGpsfiles::GpsSourcePathFor(file);
    QFile out;
    QString error = QStringLiteral("%1: holds no GPS").arg(file);
    if (source.isEmpty() || !out.open(stdout, QIODevice::WriteOnly) || !GpxExport::Write(source, out, &error)) {
        std::fprintf(stderr, "vialumo: %s\n", qPrintable(error.simplified()));
        return ExportFailed;
    }
    return 0;
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

} // namespace

int main(int argc, char **argv)
{
    if (WantsNoWindow(argc, argv))
        return ExportGpx(argc, argv);

    Tracora::PrepareApplication();
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VIALUMO_VERSION));

    QCommandLineParser parser;
    AddOptions(parser);
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
    const QDir startDir(qEnvironmentVariable("VIALUMO_START_DIR", QDir::currentPath()));
    QStringList maps;
    for (const QString &map : parser.values(OfflineMapOption()))
        maps << QDir::cleanPath(startDir.absoluteFilePath(map));
    if (!maps.isEmpty())
        window.AddOfflineMaps(maps);

    splash->finish(&window);
    delete splash;
    delete splashPixmap;

    return app.exec();
}

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QSplashScreen>

#include "mainwindow/tracora.h"

int main(int argc, char **argv)
{
    // libvlc 3 can only draw into X11 windows: on a Wayland session run
    // through XWayland unless the user chose a platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || qgetenv("XDG_SESSION_TYPE") == "wayland")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }

    // The web view and the rest of the window share one OpenGL context.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

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

    splash->finish(&window);
    delete splash;
    delete splashPixmap;

    return app.exec();
}

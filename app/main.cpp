#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QSplashScreen>

#include "mainwindow/tracora.h"

int main(int argc, char **argv)
{
    Tracora::PrepareApplication();
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

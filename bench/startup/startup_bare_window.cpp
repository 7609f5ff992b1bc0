// The start-up benchmark's baseline: the least a Qt 6 program showing a web
// page in a window of the player's size has to do. Argument: the page's path.

#include <QApplication>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>
#include <QWidget>

namespace {

// The player's window size, so that both paint the same area.
constexpr int WindowWidth = 955;
constexpr int WindowHeight = 670;

} // namespace

int main(int argc, char **argv)
{
    // Required by the web engine before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare web view"));
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *view = new QWebEngineView(&window);
    layout->addWidget(view);
    view->setUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    window.resize(WindowWidth, WindowHeight);
    window.show();
    return app.exec();
}

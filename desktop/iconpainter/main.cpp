// Draws the program's desktop icon, the play button's face, at every size
// the desktop menu asks the hicolor theme for.
//
//   vialumo-iconpainter <icons-dir>     writes vialumo-<size>.png there

#include "buttonpainter.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

namespace {

constexpr int IconSizes[] = {48, 64, 128, 256};

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        QTextStream(stderr) << "usage: vialumo-iconpainter <icons-dir>\n";
        return 2;
    }
    const QDir dir(args.at(0));
    if (!dir.exists()) {
        QTextStream(stderr) << "no such folder: " << args.at(0) << "\n";
        return 1;
    }
    for (int size : IconSizes) {
        const QString path = dir.filePath(QStringLiteral("vialumo-%1.png").arg(size));
        const QImage face = ButtonPainter::Paint(ButtonPainter::Glyph::Play,
                                                 ButtonPainter::State::Plain, QSize(size, size));
        if (!face.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
            QTextStream(stderr) << "cannot write " << path << "\n";
            return 1;
        }
    }
    return 0;
}

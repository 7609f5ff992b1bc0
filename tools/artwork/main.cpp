// Draws the player's pictures into resources/images, and renders them the
// way the player shows them for a person to check.
//
//   vialumo-artwork generate <images-dir>
//   vialumo-artwork check <out.png> <images-dir>
//   vialumo-artwork preview <out.png> <images-dir> <style-sheet>

#include "artpalette.h"
#include "artpreview.h"
#include "bandpainter.h"
#include "buttonpainter.h"
#include "smallartpainter.h"
#include "speeddial.h"
#include "splashpainter.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QTextStream>

#include <functional>

namespace {

constexpr int JpegQuality = 90;

struct ButtonFace {
    const char *name;
    ButtonPainter::Glyph glyph;
    QSize size;
};

const ButtonFace ButtonFaces[] = {
    {"Video_Play", ButtonPainter::Glyph::Play, {64, 64}},
    {"Video_Pause", ButtonPainter::Glyph::Pause, {64, 64}},
    {"Video_Stop", ButtonPainter::Glyph::Stop, {64, 64}},
    {"Video_Pre", ButtonPainter::Glyph::Previous, {64, 64}},
    {"Video_Next", ButtonPainter::Glyph::Next, {64, 64}},
    {"VideoList_PrePage", ButtonPainter::Glyph::PagePrevious, {64, 64}},
    {"VideoList_NextPage", ButtonPainter::Glyph::PageNext, {64, 64}},
    {"Video_Import", ButtonPainter::Glyph::Import, {52, 49}},
    {"Video_Delete", ButtonPainter::Glyph::Delete, {50, 51}},
    {"Window_Min", ButtonPainter::Glyph::Minimise, {52, 49}},
    {"Window_Max", ButtonPainter::Glyph::Maximise, {33, 31}},
    {"Window_Normal", ButtonPainter::Glyph::Restore, {52, 49}},
    {"Window_Close", ButtonPainter::Glyph::Close, {52, 49}},
    {"VideoFull", ButtonPainter::Glyph::FullScreen, {52, 49}},
};

struct Picture {
    const char *file;
    std::function<QImage()> paint;
    bool opaque;
};

const Picture Pictures[] = {
    {"Splash.png", [] { return SplashPainter::Paint(); }, true},
    {"Header_Left.png", [] { return BandPainter::HeaderSide({489, 132}); }, true},
    {"Header_Center.png", [] { return BandPainter::HeaderCenter({489, 132}); }, true},
    {"Header_Right.png", [] { return BandPainter::HeaderSide({409, 132}); }, true},
    {"SpeedMeter.png", [] { return SpeedDial::Paint(SpeedDial::Kmh); }, false},
    {"SpeedMeter_mph.png", [] { return SpeedDial::Paint(SpeedDial::Mph); }, false},
    {"Location.png", [] { return BandPainter::LocationCaption({303, 40}); }, true},
    {"Location_Number.png", [] { return BandPainter::PlainBar({300, 40}); }, true},
    {"Audio_Png.png", [] { return SmallArtPainter::Loudspeaker({49, 45}); }, false},
    {"Slider.png", [] { return SmallArtPainter::SliderKnob({50, 47}); }, false},
    {"TransparentVideoWindow.png", [] { return SmallArtPainter::Transparent({64, 64}); }, false},
    {"gps.jpg", [] { return SmallArtPainter::GpsSatellite({64, 64}); }, true},
};

bool Save(const QImage &image, const QString &path, bool opaque)
{
    const bool jpeg = path.endsWith(QLatin1String(".jpg"));
    const QImage out = image.convertToFormat(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (!out.save(path, jpeg ? "JPG" : "PNG", jpeg ? JpegQuality : -1)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    return true;
}

int Generate(const QString &imagesDir)
{
    QDir dir(imagesDir);
    if (!dir.exists()) {
        QTextStream(stderr) << "no such folder: " << imagesDir << "\n";
        return 1;
    }
    bool ok = true;
    const std::pair<const char *, ButtonPainter::State> states[] = {
        {"", ButtonPainter::State::Plain},
        {"_Hover", ButtonPainter::State::Hover},
        {"_Pressed", ButtonPainter::State::Pressed},
    };
    for (const ButtonFace &face : ButtonFaces)
        for (const auto &[suffix, state] : states)
            ok &= Save(ButtonPainter::Paint(face.glyph, state, face.size),
                       dir.filePath(QStringLiteral("%1%2.png").arg(QLatin1String(face.name),
                                                                   QLatin1String(suffix))),
                       false);
    for (const Picture &picture : Pictures)
        ok &= Save(picture.paint(), dir.filePath(QLatin1String(picture.file)), picture.opaque);
    return ok ? 0 : 1;
}

int Usage()
{
    QTextStream(stderr) << "usage: vialumo-artwork generate <images-dir>\n"
                           "       vialumo-artwork check <out.png> <images-dir>\n"
                           "       vialumo-artwork preview <out.png> <images-dir> <style-sheet>\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage();

    // Another family would silently change every picture.
    const QFontInfo font(ArtPalette::ArtFont(12));
    if (font.family() != ArtPalette::FontFamily) {
        QTextStream(stderr) << "font " << ArtPalette::FontFamily
                            << " missing (install fonts-dejavu-core); got " << font.family() << "\n";
        return 1;
    }

    const QString &mode = args.at(0);
    if (mode == QLatin1String("generate") && args.size() == 2)
        return Generate(args.at(1));
    if (mode == QLatin1String("check") && args.size() == 3) {
        QString report;
        const QImage sheet = ArtPreview::DialCheck(args.at(2), &report);
        QTextStream(stdout) << report;
        return sheet.save(args.at(1)) ? 0 : 1;
    }
    if (mode == QLatin1String("preview") && args.size() == 4)
        return ArtPreview::WindowMock(args.at(2), args.at(3)).save(args.at(1)) ? 0 : 1;
    return Usage();
}

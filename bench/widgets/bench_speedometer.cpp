// One paint of the speedometer at 300x120 (the size the main window gives it)
// under the program's style sheet from the resource bundle, beside the paint
// of a plain QWidget with the same background rule and no needle. Each is
// painted into an image through QWidget::render (the paint alone) and, on an
// X server, repainted on screen (paint plus flush to the window).
// Target: a speedometer paint of at most 0.5 ms.

#include "benchsupport.h"
#include "widgets/uspeedmeter.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <cstdio>
#include <vector>

namespace {

constexpr int Width = 300;
constexpr int Height = 120;
constexpr int Paints = 3000;
constexpr int WarmUp = 200;
constexpr double TargetMs = 0.5;

// Median of single paints, the speed moving across the dial between them so
// that the needle is never drawn twice at one angle in a row.
template<typename F> double PaintMs(F paint)
{
    std::vector<double> ms;
    ms.reserve(Paints);
    for (int n = 0; n < WarmUp + Paints; ++n) {
        const double speed = (n * 7) % 241;
        const double paintMs = benchsupport::Ms([&] { paint(speed); });
        if (n >= WarmUp)
            ms.push_back(paintMs);
    }
    return benchsupport::Median(ms);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);

    const QString style = benchsupport::ProgramStyle();
    if (style.isEmpty()) {
        std::fprintf(stderr, "bench_speedometer: no style sheet in the resource bundle\n");
        return 1;
    }

    // Each in a top-level holder of its own carrying the program's style
    // sheet, as the main window carries it for its children.
    QWidget meterHolder;
    meterHolder.setObjectName(QStringLiteral("Tracora"));
    meterHolder.setStyleSheet(style);
    USpeedMeter meter(&meterHolder);
    meter.setObjectName(QStringLiteral("CarSpeedMeter"));
    meter.setGeometry(0, 0, Width, Height);
    meterHolder.resize(Width, Height);

    QWidget plainHolder;
    plainHolder.setObjectName(QStringLiteral("Tracora"));
    plainHolder.setStyleSheet(style);
    QWidget plain(&plainHolder);
    plain.setObjectName(QStringLiteral("CarSpeedMeter"));
    plain.setGeometry(0, 0, Width, Height);
    plainHolder.resize(Width, Height);

    meter.ensurePolished();
    plain.ensurePolished();
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);

    // The dial must really be there: the centre of the picture is not the
    // holder's black.
    image.fill(Qt::black);
    plain.render(&image);
    int dialPixels = 0;
    for (int y = 0; y < Height; y += 2) {
        for (int x = 0; x < Width; x += 2)
            dialPixels += image.pixel(x, y) != QColor(Qt::black).rgb();
    }
    if (dialPixels == 0) {
        std::fprintf(stderr, "bench_speedometer: the dial picture was not drawn\n");
        return 1;
    }

    const double meterRenderMs = PaintMs([&](double speed) {
        meter.SetCarSpeed(speed); // not shown: this repaint does nothing
        meter.render(&image);
    });
    const double plainRenderMs = PaintMs([&](double) { plain.render(&image); });

    double meterScreenMs = -1.0;
    double plainScreenMs = -1.0;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        meterHolder.move(0, 0);
        plainHolder.move(Width + 10, 0);
        meterHolder.show();
        plainHolder.show();
        if (QTest::qWaitForWindowExposed(&meterHolder) && QTest::qWaitForWindowExposed(&plainHolder)) {
            QTest::qWait(100);
            meterScreenMs = PaintMs([&](double speed) { meter.SetCarSpeed(speed); });
            plainScreenMs = PaintMs([&](double) { plain.repaint(); });
        }
    }

    QString screen = QStringLiteral("not measured (no X server)");
    if (meterScreenMs >= 0.0) {
        screen = QStringLiteral("SetCarSpeed's repaint with its flush %1 ms beside the plain widget's repaint %2 ms")
                     .arg(meterScreenMs, 0, 'f', 3)
                     .arg(plainScreenMs, 0, 'f', 3);
    }
    std::printf("bench_speedometer: one %dx%d paint with the style sheet's dial: %.3f ms (target <= %.1f ms)"
                " beside a plain QWidget with the same background %.3f ms (the needle adds %.3f ms);"
                " on screen: %s\n",
                Width, Height, meterRenderMs, TargetMs, plainRenderMs, meterRenderMs - plainRenderMs,
                qPrintable(screen));
    return 0;
}

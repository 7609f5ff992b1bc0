#ifndef DRIVECLIP_H
#define DRIVECLIP_H

// The test clip drive12s.MOV tells which second it shows: the top quarter of
// each picture is grey, 20 video levels (23.3 in full-range RGB) lighter
// every second from black at second 0.
#include <QImage>
#include <QScreen>
#include <QWidget>

namespace driveclip {

// The second a grab of the clip's picture shows; -1 when it shows no such
// picture (a splash, the engine's empty black window counts as second 0).
inline int SecondShown(const QImage &grab)
{
    if (grab.isNull())
        return -1;
    const QRgb pixel = grab.pixel(grab.width() / 2, grab.height() / 16);
    if (qAbs(qRed(pixel) - qGreen(pixel)) > 12 || qAbs(qGreen(pixel) - qBlue(pixel)) > 12)
        return -1;
    return qRound(qGreen(pixel) / (20.0 * 255 / 219));
}

// What a native widget shows on the screen, as the X server has it.
inline int SecondShown(QWidget *surface)
{
    return SecondShown(surface->screen()->grabWindow(surface->winId()).toImage());
}

} // namespace driveclip

#endif // DRIVECLIP_H

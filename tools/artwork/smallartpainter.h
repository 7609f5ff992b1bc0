#ifndef SMALLARTPAINTER_H
#define SMALLARTPAINTER_H

#include <QImage>
#include <QSize>

// The small single pictures: the loudspeaker beside the volume slider, the
// slider handle, and the spare pictures the bundle carries.
class SmallArtPainter
{
public:
    static QImage Loudspeaker(const QSize &size);
    static QImage SliderKnob(const QSize &size);
    static QImage Transparent(const QSize &size);
    static QImage GpsSatellite(const QSize &size);
};

#endif // SMALLARTPAINTER_H

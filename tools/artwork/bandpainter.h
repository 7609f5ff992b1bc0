#ifndef BANDPAINTER_H
#define BANDPAINTER_H

#include <QImage>
#include <QSize>

// The wide bars: the three parts of the title band and the position
// caption. All are stretched over their widgets by border-image, so each is
// designed at the widget's own height and scaled to the picture's.
class BandPainter
{
public:
    // Left or right part: the plain band that joins the centre part.
    static QImage HeaderSide(const QSize &size);
    // Centre part with the program's name; drawn over a 300x50 widget.
    static QImage HeaderCenter(const QSize &size);
    // Caption over the position numbers: LONGITUDE on the left half,
    // LATITUDE on the right.
    static QImage LocationCaption(const QSize &size);
    // A flat bar in the colour the numbers row uses.
    static QImage PlainBar(const QSize &size);

private:
    static void PaintBand(class QPainter &painter, qreal width);
};

#endif // BANDPAINTER_H

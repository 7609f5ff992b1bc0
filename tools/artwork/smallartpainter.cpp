#include "smallartpainter.h"

#include "artpalette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// Shapes are designed on a 64-unit square centred on the origin.
constexpr qreal DesignSide = 64.0;

QImage Blank(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void ToDesignSpace(QPainter &painter, const QSize &size)
{
    const qreal side = qMin(size.width(), size.height());
    painter.translate(size.width() / 2.0, size.height() / 2.0);
    painter.scale(side / DesignSide, side / DesignSide);
}

} // namespace

QImage SmallArtPainter::Loudspeaker(const QSize &size)
{
    QImage image = Blank(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // A dark tile, so the picture reads whatever lies under the view.
    const qreal side = qMin(size.width(), size.height());
    QLinearGradient tile(0, 0, 0, size.height());
    tile.setColorAt(0.0, QColor(0x26, 0x2c, 0x2c));
    tile.setColorAt(1.0, QColor(0x0a, 0x0c, 0x0c));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    const qreal radius = side * 0.2;
    painter.drawRoundedRect(QRectF(0, 0, size.width(), size.height()), radius, radius);

    ToDesignSpace(painter, size);
    painter.translate(-3, 0);
    QPainterPath speaker;
    speaker.addRoundedRect(QRectF(-21, -8, 11, 16), 2, 2);
    QPainterPath cone;
    cone.moveTo(-12, -8);
    cone.lineTo(2, -20);
    cone.lineTo(2, 20);
    cone.lineTo(-12, 8);
    cone.closeSubpath();
    speaker = speaker.united(cone);
    painter.setBrush(ArtPalette::Glyph);
    painter.setPen(QPen(ArtPalette::Glyph, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(speaker);

    painter.setBrush(Qt::NoBrush);
    const qreal waveRadii[] = {11.0, 20.0};
    const QColor waveColours[] = {ArtPalette::Glyph, ArtPalette::Cyan};
    for (int i = 0; i < 2; ++i) {
        const qreal r = waveRadii[i];
        painter.setPen(QPen(waveColours[i], 5.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(4 - r, -r, 2 * r, 2 * r), -52 * 16, 104 * 16);
    }
    return image;
}

QImage SmallArtPainter::SliderKnob(const QSize &size)
{
    QImage image = Blank(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    ToDesignSpace(painter, size);

    constexpr qreal r = 29.0;
    QRadialGradient body(QPointF(-9, -11), 2 * r);
    body.setColorAt(0.0, QColor(0x8c, 0xa4, 0xa4));
    body.setColorAt(0.35, QColor(0x34, 0x44, 0x44));
    body.setColorAt(1.0, QColor(0x06, 0x0a, 0x0a));
    painter.setPen(QPen(ArtPalette::Cyan, 5.0));
    painter.setBrush(body);
    painter.drawEllipse(QPointF(0, 0), r, r);

    painter.setPen(Qt::NoPen);
    painter.setBrush(ArtPalette::Glyph);
    painter.drawEllipse(QPointF(0, 0), 8, 8);
    return image;
}

QImage SmallArtPainter::Transparent(const QSize &size)
{
    return Blank(size);
}

QImage SmallArtPainter::GpsSatellite(const QSize &size)
{
    // Kept opaque: the picture is stored as a JPEG.
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient back(QPointF(size.width() / 2.0, size.height() / 2.0), size.width() * 0.7);
    back.setColorAt(0.0, QColor(0x0c, 0x2a, 0x2a));
    back.setColorAt(1.0, QColor(0x02, 0x06, 0x06));
    painter.fillRect(image.rect(), back);

    ToDesignSpace(painter, size);
    painter.rotate(-45);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ArtPalette::TealBright);
    painter.drawRect(QRectF(-27, -7, 18, 14));
    painter.drawRect(QRectF(9, -7, 18, 14));
    painter.setBrush(QColor(0, 60, 60));
    for (qreal x : {-21.0, -15.0, 15.0, 21.0})
        painter.drawRect(QRectF(x - 0.6, -7, 1.2, 14));
    painter.setBrush(ArtPalette::Glyph);
    painter.drawRect(QRectF(-9, -1.5, 18, 3));
    painter.drawRoundedRect(QRectF(-6, -9, 12, 18), 2, 2);
    painter.drawRect(QRectF(-1.5, 9, 3, 6));
    painter.drawPie(QRectF(-8, 12, 16, 12), 0, 180 * 16);

    painter.resetTransform();
    painter.setBrush(Qt::NoBrush);
    // Signal waves from the dish towards the lower right corner.
    const QPointF corner(size.width() * 0.94, size.height() * 0.94);
    for (qreal r : {size.width() * 0.11, size.width() * 0.21}) {
        painter.setPen(QPen(ArtPalette::Cyan, size.width() / 26.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(QRectF(corner.x() - r, corner.y() - r, 2 * r, 2 * r), 100 * 16, 70 * 16);
    }
    return image;
}

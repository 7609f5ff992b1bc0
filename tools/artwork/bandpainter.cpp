#include "bandpainter.h"

#include "artpalette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// The title band's widgets are 50 pixels high; the centre one is 300 wide.
constexpr qreal BandHeight = 50.0;
constexpr qreal CenterWidth = 300.0;
constexpr qreal AccentHeight = 2.0;

constexpr qreal NamePixelSize = 29.0;
constexpr qreal NameLetterSpacing = 1.5;
const QString ProgramName = QStringLiteral("Vialumo");

constexpr qreal CaptionPixelSize = 13.0;
constexpr qreal CaptionLetterSpacing = 2.2;
const QColor NumbersRowColour(0x22, 0x22, 0x22);

} // namespace

void BandPainter::PaintBand(QPainter &painter, qreal width)
{
    QLinearGradient band(0, 0, 0, BandHeight);
    band.setColorAt(0.0, QColor(0x1f, 0x2b, 0x2b));
    band.setColorAt(0.5, QColor(0x0e, 0x15, 0x15));
    band.setColorAt(1.0, QColor(0x03, 0x05, 0x05));
    painter.fillRect(QRectF(0, 0, width, BandHeight), band);

    painter.fillRect(QRectF(0, 0, width, 1), QColor(255, 255, 255, 22));

    QLinearGradient glow(0, BandHeight - 14, 0, BandHeight - AccentHeight);
    glow.setColorAt(0.0, QColor(0, 160, 160, 0));
    glow.setColorAt(1.0, QColor(0, 160, 160, 46));
    painter.fillRect(QRectF(0, BandHeight - 14, width, 14 - AccentHeight), glow);
    painter.fillRect(QRectF(0, BandHeight - AccentHeight, width, AccentHeight), ArtPalette::Teal);
}

QImage BandPainter::HeaderSide(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(1.0, size.height() / BandHeight);
    PaintBand(painter, size.width());
    return image;
}

QImage BandPainter::HeaderCenter(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Drawn in the widget's own 300x50 space, so the name keeps its shape
    // once the picture is squeezed into it.
    painter.scale(size.width() / CenterWidth, size.height() / BandHeight);
    PaintBand(painter, CenterWidth);

    // A plate hanging from the top edge carries the name.
    QPainterPath plate;
    plate.moveTo(14, 0);
    plate.lineTo(286, 0);
    plate.lineTo(268, BandHeight - 7);
    plate.lineTo(32, BandHeight - 7);
    plate.closeSubpath();
    QLinearGradient plateFill(0, 0, 0, BandHeight);
    plateFill.setColorAt(0.0, QColor(0x24, 0x38, 0x38));
    plateFill.setColorAt(1.0, QColor(0x08, 0x12, 0x12));
    painter.setPen(Qt::NoPen);
    painter.setBrush(plateFill);
    painter.drawPath(plate);
    painter.setPen(QPen(ArtPalette::Teal, 1.4));
    painter.setBrush(Qt::NoBrush);
    QPainterPath edge;
    edge.moveTo(14, 0);
    edge.lineTo(32, BandHeight - 7);
    edge.lineTo(268, BandHeight - 7);
    edge.lineTo(286, 0);
    painter.drawPath(edge);

    QFont font = ArtPalette::ArtFont(NamePixelSize);
    font.setLetterSpacing(QFont::AbsoluteSpacing, NameLetterSpacing);
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.tightBoundingRect(ProgramName);
    const qreal textWidth = metrics.horizontalAdvance(ProgramName) - NameLetterSpacing;

    // Emblem: a small gauge arc with its needle, left of the name.
    constexpr qreal emblemRadius = 11.0;
    constexpr qreal emblemGap = 9.0;
    const qreal groupWidth = 2 * emblemRadius + emblemGap + textWidth;
    const qreal left = (CenterWidth - groupWidth) / 2;
    const qreal midY = (BandHeight - 7) / 2 + 0.5;
    const QPointF hub(left + emblemRadius, midY + 5);
    painter.setPen(QPen(ArtPalette::Cyan, 2.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(hub.x() - emblemRadius, hub.y() - emblemRadius, 2 * emblemRadius,
                           2 * emblemRadius), -20 * 16, 220 * 16);
    painter.setPen(QPen(ArtPalette::Glyph, 2.4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(hub, hub + QPointF(6.5, -7.0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ArtPalette::Glyph);
    painter.drawEllipse(hub, 2.2, 2.2);

    const QPointF baseline(left + 2 * emblemRadius + emblemGap, midY - ink.center().y());
    painter.setFont(font);
    QColor shadow(0, 0, 0, 170);
    painter.setPen(shadow);
    painter.drawText(baseline + QPointF(1.2, 1.5), ProgramName);
    painter.setPen(ArtPalette::Glyph);
    painter.drawText(baseline, ProgramName);
    return image;
}

QImage BandPainter::LocationCaption(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const qreal w = size.width();
    const qreal h = size.height();
    QLinearGradient fill(0, 0, 0, h);
    fill.setColorAt(0.0, QColor(0x26, 0x2e, 0x2e));
    fill.setColorAt(1.0, QColor(0x10, 0x14, 0x14));
    painter.fillRect(QRectF(0, 0, w, h), fill);
    painter.fillRect(QRectF(0, 0, w, 1), QColor(255, 255, 255, 26));
    painter.fillRect(QRectF(0, h - 2, w, 2), ArtPalette::Teal);
    // Divider between the two halves.
    painter.fillRect(QRectF(w / 2 - 0.5, 8, 1, h - 16), QColor(0, 127, 127, 150));

    QFont font = ArtPalette::ArtFont(CaptionPixelSize);
    font.setLetterSpacing(QFont::AbsoluteSpacing, CaptionLetterSpacing);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(ArtPalette::Caption);
    const QString halves[] = {QStringLiteral("LONGITUDE"), QStringLiteral("LATITUDE")};
    for (int i = 0; i < 2; ++i) {
        const QString &text = halves[i];
        const QRectF ink = metrics.tightBoundingRect(text);
        const qreal width = metrics.horizontalAdvance(text) - CaptionLetterSpacing;
        const qreal centreX = w / 4 + i * w / 2;
        painter.drawText(QPointF(centreX - width / 2, (h - 2) / 2 - ink.center().y()), text);
    }
    return image;
}

QImage BandPainter::PlainBar(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(NumbersRowColour);
    return image;
}

#include "splashpainter.h"

#include "artpalette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace {

const QString ProgramName = QStringLiteral("Vialumo");

// The road runs to a vanishing point that is also the hub of the gauge arc
// drawn above it.
constexpr qreal HorizonY = 262.0;
const QPointF VanishingPoint(320.0, HorizonY);
constexpr qreal GaugeRadius = 214.0;
constexpr qreal GaugeSweep = 62.0; // degrees either side of straight up
constexpr qreal RoadHalfWidthAtBottom = 120.0;

constexpr qreal GridStep = 32.0;
constexpr qreal NamePixelSize = 86.0;
constexpr qreal NameCentreY = 168.0;

void PaintBackground(QPainter &painter)
{
    QLinearGradient sky(0, 0, 0, SplashPainter::Height);
    sky.setColorAt(0.0, QColor(0x03, 0x0d, 0x0e));
    sky.setColorAt(HorizonY / SplashPainter::Height, QColor(0x06, 0x1c, 0x1d));
    sky.setColorAt(1.0, QColor(0x01, 0x02, 0x02));
    painter.fillRect(QRectF(0, 0, SplashPainter::Width, SplashPainter::Height), sky);

    QRadialGradient glow(VanishingPoint, 330);
    glow.setColorAt(0.0, QColor(0, 160, 160, 70));
    glow.setColorAt(0.5, QColor(0, 100, 100, 18));
    glow.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.fillRect(QRectF(0, 0, SplashPainter::Width, SplashPainter::Height), glow);
}

// A faint street map across the sky: a grid and a few bent roads.
void PaintMap(QPainter &painter)
{
    painter.setPen(QPen(QColor(0, 160, 160, 16), 1.0));
    for (qreal x = GridStep / 2; x < SplashPainter::Width; x += GridStep)
        painter.drawLine(QPointF(x, 0), QPointF(x, HorizonY));
    for (qreal y = GridStep / 2; y < HorizonY; y += GridStep)
        painter.drawLine(QPointF(0, y), QPointF(SplashPainter::Width, y));

    painter.setPen(QPen(QColor(0, 170, 170, 34), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    QPainterPath streets;
    streets.moveTo(-10, 70);
    streets.cubicTo(120, 40, 170, 120, 260, 96);
    streets.moveTo(380, 30);
    streets.cubicTo(460, 80, 520, 40, 650, 110);
    streets.moveTo(90, -10);
    streets.cubicTo(70, 90, 130, 170, 60, 270);
    streets.moveTo(560, -10);
    streets.cubicTo(600, 90, 540, 170, 600, 270);
    painter.drawPath(streets);

    // A recorded drive: a track with its start and the car's position.
    QPainterPath track;
    track.moveTo(30, 236);
    track.cubicTo(70, 200, 40, 160, 70, 130);
    track.cubicTo(100, 100, 80, 80, 96, 58);
    painter.setPen(QPen(QColor(0, 229, 229, 150), 3.0, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(track);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 229, 229, 200));
    painter.drawEllipse(QPointF(30, 236), 5, 5);

    // Map pin at the track's end.
    const QPointF tip(96, 58);
    QPainterPath pin;
    pin.moveTo(tip);
    pin.cubicTo(tip + QPointF(-4, -8), tip + QPointF(-11, -13), tip + QPointF(-11, -21));
    pin.arcTo(QRectF(tip.x() - 11, tip.y() - 32, 22, 22), 180, -180);
    pin.cubicTo(tip + QPointF(11, -13), tip + QPointF(4, -8), tip);
    painter.setBrush(QColor(0xe8, 0x50, 0x40, 220));
    painter.drawPath(pin);
    painter.setBrush(QColor(0x20, 0x08, 0x08));
    painter.drawEllipse(tip + QPointF(0, -21), 4, 4);
}

void PaintGauge(QPainter &painter)
{
    const QRectF box(VanishingPoint.x() - GaugeRadius, VanishingPoint.y() - GaugeRadius,
                     2 * GaugeRadius, 2 * GaugeRadius);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 160, 160, 120), 2.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(box, qRound((90 - GaugeSweep) * 16), qRound(2 * GaugeSweep * 16));

    constexpr int ticks = 24;
    for (int i = 0; i <= ticks; ++i) {
        const qreal a = qDegreesToRadians(-GaugeSweep + 2 * GaugeSweep * i / ticks);
        const bool major = i % 4 == 0;
        const qreal inner = GaugeRadius - (major ? 16 : 8);
        const QPointF dir(std::sin(a), -std::cos(a));
        painter.setPen(QPen(major ? QColor(220, 255, 255, 150) : QColor(0, 190, 190, 110),
                            major ? 3.0 : 1.6, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(VanishingPoint + dir * inner, VanishingPoint + dir * GaugeRadius);
    }
    // The last stretch of the scale in red, as on the speedometer.
    painter.setPen(QPen(QColor(0xd8, 0x38, 0x30, 170), 4.0, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(box.adjusted(3, 3, -3, -3), qRound((90 - GaugeSweep) * 16),
                    qRound(GaugeSweep / 3 * 16));
}

void PaintRoad(QPainter &painter)
{
    // Horizon line fading out at both ends.
    QLinearGradient horizon(0, 0, SplashPainter::Width, 0);
    horizon.setColorAt(0.0, QColor(0, 160, 160, 0));
    horizon.setColorAt(0.5, QColor(0, 229, 229, 200));
    horizon.setColorAt(1.0, QColor(0, 160, 160, 0));
    painter.fillRect(QRectF(0, HorizonY - 0.75, SplashPainter::Width, 1.5), horizon);

    const qreal bottom = SplashPainter::Height;
    QPainterPath road;
    road.moveTo(VanishingPoint + QPointF(-3, 0));
    road.lineTo(VanishingPoint + QPointF(3, 0));
    road.lineTo(VanishingPoint.x() + RoadHalfWidthAtBottom, bottom);
    road.lineTo(VanishingPoint.x() - RoadHalfWidthAtBottom, bottom);
    road.closeSubpath();
    QLinearGradient asphalt(0, HorizonY, 0, bottom);
    asphalt.setColorAt(0.0, QColor(0x10, 0x22, 0x22));
    asphalt.setColorAt(1.0, QColor(0x0a, 0x0e, 0x0e));
    painter.setPen(Qt::NoPen);
    painter.setBrush(asphalt);
    painter.drawPath(road);

    // Edge lines, brighter towards the viewer.
    QLinearGradient edge(0, HorizonY, 0, bottom);
    edge.setColorAt(0.0, QColor(0, 229, 229, 60));
    edge.setColorAt(1.0, QColor(0, 229, 229, 220));
    for (int side : {-1, 1}) {
        QPainterPath line;
        line.moveTo(VanishingPoint + QPointF(side * 3.0, 0));
        line.lineTo(VanishingPoint.x() + side * RoadHalfWidthAtBottom, bottom);
        line.lineTo(VanishingPoint.x() + side * (RoadHalfWidthAtBottom - 8), bottom);
        line.lineTo(VanishingPoint + QPointF(side * 2.0, 0));
        line.closeSubpath();
        painter.setBrush(edge);
        painter.drawPath(line);
    }

    // Centre dashes shrink with distance.
    qreal t = 1.0;
    const qreal depth = bottom - HorizonY;
    painter.setBrush(QColor(0xf0, 0xf0, 0xe0, 200));
    while (t > 0.06) {
        const qreal t2 = t * 0.78;
        const qreal y1 = HorizonY + depth * t;
        const qreal yDashEnd = HorizonY + depth * (t - (t - t2) * 0.55);
        const qreal w1 = 4.5 * t;
        const qreal w2 = 4.5 * (t - (t - t2) * 0.55);
        QPainterPath dash;
        dash.moveTo(VanishingPoint.x() - w1, y1);
        dash.lineTo(VanishingPoint.x() + w1, y1);
        dash.lineTo(VanishingPoint.x() + w2, yDashEnd);
        dash.lineTo(VanishingPoint.x() - w2, yDashEnd);
        dash.closeSubpath();
        painter.drawPath(dash);
        t = t2;
    }
}

void PaintName(QPainter &painter)
{
    QFont font = ArtPalette::ArtFont(NamePixelSize);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.tightBoundingRect(ProgramName);
    const qreal width = metrics.horizontalAdvance(ProgramName) - 2.0;
    const QPointF baseline((SplashPainter::Width - width) / 2, NameCentreY - ink.center().y());
    QPainterPath text;
    text.addText(baseline, font, ProgramName);

    // Glow first, then a drop shadow, then the letters.
    painter.setBrush(Qt::NoBrush);
    for (int i = 4; i >= 1; --i) {
        painter.setPen(QPen(QColor(0, 200, 200, 16 + 8 * (4 - i)), 4.0 * i, Qt::SolidLine,
                            Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(text);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 180));
    painter.drawPath(text.translated(2.5, 3.0));
    QLinearGradient letters(0, NameCentreY - ink.height() / 2, 0, NameCentreY + ink.height() / 2);
    letters.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
    letters.setColorAt(1.0, QColor(0xc8, 0xf4, 0xf4));
    painter.setBrush(letters);
    painter.drawPath(text);

    // Underline in the accent colour, tapering at both ends.
    const qreal y = NameCentreY + ink.height() / 2 + 14;
    QLinearGradient rule(baseline.x(), 0, baseline.x() + width, 0);
    rule.setColorAt(0.0, QColor(0, 229, 229, 0));
    rule.setColorAt(0.5, QColor(0, 229, 229, 230));
    rule.setColorAt(1.0, QColor(0, 229, 229, 0));
    painter.fillRect(QRectF(baseline.x(), y, width, 2.5), rule);
}

} // namespace

QImage SplashPainter::Paint()
{
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintBackground(painter);
    PaintMap(painter);
    PaintGauge(painter);
    PaintRoad(painter);
    PaintName(painter);
    return image;
}

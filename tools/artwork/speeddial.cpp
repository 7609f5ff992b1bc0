#include "speeddial.h"

#include "artpalette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

namespace {

constexpr qreal LabelPixelSize = 10.0;
// Three-digit labels are squeezed sideways to keep them apart near the top.
constexpr qreal LabelSqueeze = 0.8;
constexpr qreal UnitPixelSize = 8.0;
constexpr qreal UnitBaselineBelowPivot = 16.0;

// Qt's arcs run counter-clockwise from three o'clock; the needle's angles
// run clockwise from twelve.
qreal QtArcDegrees(qreal needleDegrees)
{
    return 90.0 - needleDegrees;
}

QPainterPath ScaleArc(qreal radius, double fromKmh, double toKmh)
{
    const QRectF box(SpeedDial::PivotX - radius, SpeedDial::PivotY - radius, 2 * radius, 2 * radius);
    const qreal start = QtArcDegrees(SpeedDial::AngleFor(fromKmh));
    const qreal end = QtArcDegrees(SpeedDial::AngleFor(toKmh));
    QPainterPath path;
    path.arcMoveTo(box, start);
    path.arcTo(box, start, end - start);
    return path;
}

} // namespace

double SpeedDial::AngleFor(double kmh)
{
    return kmh * DegreesPerKmh + ZeroKmhDegrees;
}

QPointF SpeedDial::PointAt(double kmh, double radius)
{
    const double a = qDegreesToRadians(AngleFor(kmh));
    return {PivotX + radius * std::sin(a), PivotY - radius * std::cos(a)};
}

QImage SpeedDial::Paint(Unit DialUnit)
{
    // A mark of the unit lies where the needle points at that speed in km/h.
    const bool mph = DialUnit == Mph;
    const double kmhPerUnit = mph ? KilometresPerMile : 1.0;
    const int scaleEnd = mph ? ScaleEndMph : ScaleEndKmh;
    const int majorStep = mph ? MajorStepMph : MajorStepKmh;
    const int minorStep = mph ? MinorStepMph : MinorStepKmh;
    const double redFromKmh = mph ? RedZoneFromMph * KilometresPerMile : RedZoneFromKmh;
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPointF pivot(PivotX, PivotY);

    // Face: a disc about the pivot, cut flat by the picture's lower edge.
    QRadialGradient face(pivot, FaceRadius);
    face.setColorAt(0.0, QColor(0x1e, 0x27, 0x27));
    face.setColorAt(0.75, QColor(0x0d, 0x12, 0x12));
    face.setColorAt(1.0, QColor(0x04, 0x06, 0x06));
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawEllipse(pivot, FaceRadius, FaceRadius);

    painter.setBrush(Qt::NoBrush);
    QPen rim(QColor(0x2c, 0x4a, 0x4a), 2.0);
    painter.setPen(rim);
    painter.drawEllipse(pivot, RimRadius, RimRadius);

    // Scale line, with the last stretch in red.
    painter.setPen(QPen(ArtPalette::TealBright, 1.6, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(ScaleArc(ScaleRadius, 0, redFromKmh));
    painter.setPen(QPen(QColor(0xd8, 0x38, 0x30), 3.2, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(ScaleArc(ScaleRadius - 0.8, redFromKmh, ScaleEndKmh));

    for (int speed = 0; speed <= scaleEnd; speed += minorStep) {
        const bool major = speed % majorStep == 0;
        const double kmh = speed * kmhPerUnit;
        const QPointF outer = PointAt(kmh, ScaleRadius + 0.8);
        const QPointF inner = PointAt(kmh, major ? MajorTickInner : MinorTickInner);
        painter.setPen(QPen(major ? ArtPalette::Glyph : QColor(0x9a, 0xb4, 0xb4),
                            major ? 2.0 : 1.2, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(inner, outer);
    }

    // Labels, each centred on its needle ray.
    const QFont labelFont = ArtPalette::ArtFont(LabelPixelSize);
    const QFontMetricsF labelMetrics(labelFont);
    painter.setFont(labelFont);
    for (int speed = 0; speed <= scaleEnd; speed += majorStep) {
        const double kmh = speed * kmhPerUnit;
        const QString text = QString::number(speed);
        const QPointF at = PointAt(kmh, LabelRadius);
        const QRectF ink = labelMetrics.tightBoundingRect(text);
        const qreal squeeze = text.size() >= 3 ? LabelSqueeze : 1.0;
        painter.save();
        painter.translate(at);
        painter.scale(squeeze, 1.0);
        painter.setPen(kmh >= redFromKmh ? QColor(0xff, 0x8a, 0x80) : ArtPalette::Glyph);
        painter.drawText(QPointF(-ink.center().x(), -ink.center().y()), text);
        painter.restore();
    }

    // Unit under the pivot, small, out of the needle's way.
    const QFont unitFont = ArtPalette::ArtFont(UnitPixelSize, false);
    painter.setFont(unitFont);
    painter.setPen(ArtPalette::Caption);
    const QString unit = mph ? QStringLiteral("mph") : QStringLiteral("km/h");
    const qreal unitWidth = QFontMetricsF(unitFont).horizontalAdvance(unit);
    painter.drawText(QPointF(PivotX - unitWidth / 2, PivotY + UnitBaselineBelowPivot), unit);

    // Hub: the needle's translucent base sits over it.
    QRadialGradient hub(pivot - QPointF(1.5, 1.5), HubRadius * 1.4);
    hub.setColorAt(0.0, QColor(0x6a, 0x7a, 0x7a));
    hub.setColorAt(1.0, QColor(0x12, 0x18, 0x18));
    painter.setBrush(hub);
    painter.setPen(QPen(ArtPalette::Teal, 1.4));
    painter.drawEllipse(pivot, HubRadius, HubRadius);
    return image;
}

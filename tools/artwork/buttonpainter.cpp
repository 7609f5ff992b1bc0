#include "buttonpainter.h"

#include "artpalette.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPathStroker>
#include <QPolygonF>

namespace {

// Glyphs are drawn on this square and scaled to the face's shorter side.
constexpr qreal DesignSide = 64.0;
// Room around the body for the hover glow, as a share of the shorter side.
constexpr qreal MarginShare = 0.07;
// Corner radius of the body: about the style sheet's 8px on a 35px button.
constexpr qreal RadiusShare = 0.21;
constexpr qreal RingShare = 0.05;
constexpr qreal HoverRingShare = 0.065;
// A pressed glyph moves down-right by this much: one screen pixel on a
// 35px button.
constexpr qreal PressedShiftShare = 0.03;
constexpr qreal HaloWidth = 5.0; // design units

QPainterPath Stroke(const QPainterPath &line, qreal width,
                    Qt::PenCapStyle cap = Qt::RoundCap,
                    Qt::PenJoinStyle join = Qt::RoundJoin)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(join);
    return stroker.createStroke(line).simplified();
}

QPainterPath Polyline(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF &p : points) {
        if (first)
            path.moveTo(p);
        else
            path.lineTo(p);
        first = false;
    }
    return path;
}

// A filled polygon with its corners softened, so that small triangles do
// not turn into needles once scaled down.
QPainterPath SoftPolygon(std::initializer_list<QPointF> points, qreal rounding = 3.0)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QVector<QPointF>(points)));
    path.closeSubpath();
    return path.united(Stroke(path, rounding)).simplified();
}

QPainterPath RoundRect(qreal x, qreal y, qreal w, qreal h, qreal r)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

QPainterPath Outline(qreal x, qreal y, qreal w, qreal h, qreal pen, qreal r)
{
    return RoundRect(x, y, w, h, r).subtracted(
        RoundRect(x + pen, y + pen, w - 2 * pen, h - 2 * pen, qMax<qreal>(0, r - pen)));
}

QPainterPath Mirrored(const QPainterPath &path)
{
    return QTransform::fromScale(-1, 1).map(path);
}

QPainterPath SkipPath()
{
    // Bar then two triangles pointing left; shifted so that the whole sits
    // centred.
    QPainterPath path = RoundRect(-18.5, -14, 6, 28, 1.5);
    path = path.united(SoftPolygon({{-12, 0}, {2, -13}, {2, 13}}));
    path = path.united(SoftPolygon({{1, 0}, {15, -13}, {15, 13}}));
    return path.translated(1.5, 0);
}

QPainterPath PagePath()
{
    QPainterPath path = Stroke(Polyline({{1, -13}, {-11, 0}, {1, 13}}), 6.0);
    path = path.united(Stroke(Polyline({{13, -13}, {1, 0}, {13, 13}}), 6.0));
    return path.translated(-1, 0);
}

QPainterPath FolderPlusPath()
{
    QPainterPath folder = SoftPolygon({{-19, -14}, {-6, -14}, {-2, -9}, {19, -9},
                                       {19, 15}, {-19, 15}}, 2.5);
    // The plus is cut out of the folder so that it shows the face colour.
    QPainterPath plus = RoundRect(-2.5, -4, 5, 16, 1).united(RoundRect(-8, 1.5, 16, 5, 1));
    QPainterPath path = folder.subtracted(plus.translated(0, -0.5));
    // The tab's edge line makes the shape read as a folder, not a box.
    return path.subtracted(RoundRect(-19, -7.5, 38, 1.8, 0));
}

QPainterPath BinPath()
{
    QPainterPath path = RoundRect(-17, -14, 34, 5, 1.5);               // lid
    path = path.united(Outline(-6, -19, 12, 7, 2.5, 1.5));            // handle
    QPainterPath body = SoftPolygon({{-13, -6}, {13, -6}, {11, 17}, {-11, 17}}, 2.5);
    for (qreal x : {-7.0, -1.5, 4.0})
        body = body.subtracted(RoundRect(x, -2, 3.5, 15, 1.5));
    return path.united(body);
}

QPainterPath RestorePath()
{
    constexpr qreal pen = 4.5;
    QPainterPath front = Outline(-16, -6, 24, 21, pen, 2).united(RoundRect(-16, -6, 24, 7, 2));
    QPainterPath back = Outline(-8, -15, 24, 21, pen, 2).united(RoundRect(-8, -15, 24, 7, 2));
    // The front window hides what of the back one lies behind it, with a gap
    // so that the two outlines stay apart when scaled down.
    back = back.subtracted(RoundRect(-16 - 3, -6 - 3, 24 + 6, 21 + 6, 3));
    return front.united(back);
}

QPainterPath FullScreenPath()
{
    QPainterPath corner = SoftPolygon({{18, 18}, {18, 7}, {7, 18}}, 2.0);
    corner = corner.united(Stroke(Polyline({{6.5, 6.5}, {12, 12}}), 4.5));
    QPainterPath path;
    for (int quarter = 0; quarter < 4; ++quarter)
        path = path.united(QTransform().rotate(90.0 * quarter).map(corner));
    return path;
}

} // namespace

QPainterPath ButtonPainter::GlyphPath(Glyph glyph)
{
    switch (glyph) {
    case Glyph::Play:
        // The centroid, not the box, sits on the centre: a triangle looks
        // off to the left otherwise.
        return SoftPolygon({{-11, -17}, {17, 0}, {-11, 17}}, 4.0).translated(-1.5, 0);
    case Glyph::Pause:
        return RoundRect(-14, -16, 10, 32, 2).united(RoundRect(4, -16, 10, 32, 2));
    case Glyph::Stop:
        return RoundRect(-14, -14, 28, 28, 3.5);
    case Glyph::Previous:
        return SkipPath();
    case Glyph::Next:
        return Mirrored(SkipPath());
    case Glyph::PagePrevious:
        return PagePath();
    case Glyph::PageNext:
        return Mirrored(PagePath());
    case Glyph::Import:
        return FolderPlusPath();
    case Glyph::Delete:
        return BinPath();
    case Glyph::Minimise:
        return RoundRect(-15, 6, 30, 7, 2);
    case Glyph::Maximise:
        return Outline(-15, -14, 30, 28, 5, 2.5).united(RoundRect(-15, -14, 30, 9, 2.5));
    case Glyph::Restore:
        return RestorePath();
    case Glyph::Close:
        return Stroke(Polyline({{-13, -13}, {13, 13}}), 7.5)
            .united(Stroke(Polyline({{13, -13}, {-13, 13}}), 7.5));
    case Glyph::FullScreen:
        return FullScreenPath();
    }
    return {};
}

void ButtonPainter::PaintBackground(QPainter &painter, const QRectF &body, qreal side,
                                    State state, bool danger)
{
    const qreal radius = RadiusShare * side;
    QPainterPath shape;
    shape.addRoundedRect(body, radius, radius);

    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    QColor ring;
    qreal ringWidth = RingShare * side;

    switch (state) {
    case State::Plain:
        fill.setColorAt(0.0, QColor(0x2e, 0x35, 0x35));
        fill.setColorAt(0.5, ArtPalette::Surface);
        fill.setColorAt(1.0, ArtPalette::SurfaceDark);
        ring = ArtPalette::Teal;
        break;
    case State::Hover: {
        const QColor glow = danger ? ArtPalette::DangerHover : ArtPalette::Cyan;
        // Soft glow outside the body, fading outwards.
        const qreal margin = MarginShare * side;
        constexpr int steps = 5;
        for (int i = steps; i >= 1; --i) {
            QColor c = glow;
            c.setAlphaF(0.10 + 0.06 * (steps - i));
            const qreal grow = margin * i / steps;
            painter.setPen(QPen(c, margin / steps * 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(body.adjusted(-grow, -grow, grow, grow) .adjusted(0.5, 0.5, -0.5, -0.5),
                                    radius + grow, radius + grow);
        }
        if (danger) {
            fill.setColorAt(0.0, QColor(0xa8, 0x26, 0x26));
            fill.setColorAt(1.0, QColor(0x48, 0x08, 0x08));
            ring = QColor(0xff, 0x70, 0x70);
        } else {
            fill.setColorAt(0.0, QColor(0x12, 0x6a, 0x6a));
            fill.setColorAt(0.55, QColor(0x0a, 0x40, 0x40));
            fill.setColorAt(1.0, QColor(0x03, 0x22, 0x22));
            ring = ArtPalette::Cyan;
        }
        ringWidth = HoverRingShare * side;
        break;
    }
    case State::Pressed:
        // Lit from below: the face looks pushed in.
        if (danger) {
            fill.setColorAt(0.0, QColor(0x1c, 0x02, 0x02));
            fill.setColorAt(1.0, ArtPalette::DangerDeep);
            ring = QColor(0x90, 0x20, 0x20);
        } else {
            fill.setColorAt(0.0, QColor(0x01, 0x05, 0x05));
            fill.setColorAt(1.0, QColor(0x0c, 0x26, 0x26));
            ring = QColor(0x00, 0x5c, 0x5c);
        }
        break;
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(shape);

    painter.save();
    painter.setClipPath(shape);
    if (state == State::Pressed) {
        // Inner shadow along the top and left edges.
        for (int i = 0; i < 4; ++i) {
            const qreal d = side * 0.02 * i;
            painter.setPen(QPen(QColor(0, 0, 0, 110 - 25 * i), side * 0.03));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(body.adjusted(d, d, side, side), radius, radius);
        }
    } else {
        // A thin sheen across the upper half.
        QLinearGradient sheen(body.topLeft(), QPointF(body.left(), body.center().y()));
        sheen.setColorAt(0.0, QColor(255, 255, 255, state == State::Hover ? 55 : 34));
        sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(sheen);
        painter.drawRoundedRect(body.adjusted(ringWidth, ringWidth, -ringWidth, 0), radius, radius);
    }
    painter.restore();

    painter.setPen(QPen(ring, ringWidth));
    painter.setBrush(Qt::NoBrush);
    const qreal half = ringWidth / 2;
    painter.drawRoundedRect(body.adjusted(half, half, -half, -half), radius - half, radius - half);
}

QImage ButtonPainter::Paint(Glyph glyph, State state, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal side = qMin(size.width(), size.height());
    const qreal margin = MarginShare * side;
    const QRectF body = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(margin, margin, -margin, -margin);
    const bool danger = glyph == Glyph::Close;

    PaintBackground(painter, body, side, state, danger);

    const qreal scale = side / DesignSide;
    QTransform toFace;
    toFace.translate(body.center().x(), body.center().y());
    if (state == State::Pressed)
        toFace.translate(PressedShiftShare * side, PressedShiftShare * side);
    toFace.scale(scale, scale);

    const QPainterPath shape = toFace.map(GlyphPath(glyph));

    if (state == State::Hover) {
        QColor halo = danger ? QColor(255, 150, 150) : ArtPalette::Cyan;
        halo.setAlpha(70);
        painter.setPen(QPen(halo, HaloWidth * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape);
    } else {
        // A dark edge keeps the white glyph crisp on the lighter upper sheen.
        painter.setPen(QPen(QColor(0, 0, 0, 120), 2.0 * scale, Qt::SolidLine, Qt::RoundCap,
                            Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape.translated(0, 0.8 * scale));
    }

    painter.setPen(Qt::NoPen);
    painter.setBrush(state == State::Pressed ? ArtPalette::GlyphPressed : ArtPalette::Glyph);
    painter.drawPath(shape);
    return image;
}

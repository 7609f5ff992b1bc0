#ifndef BUTTONPAINTER_H
#define BUTTONPAINTER_H

#include <QImage>
#include <QPainterPath>
#include <QSize>

// Faces of the push buttons. The style sheet stretches each face over a
// 35x35 or 20x20 button, so the glyphs are bold filled shapes designed on a
// 64-unit square and scaled to the face; the three states share the glyph and
// differ in background, ring and glyph offset.
class ButtonPainter
{
public:
    enum class Glyph {
        Play, Pause, Stop, Previous, Next, PagePrevious, PageNext,
        Import, Delete, Minimise, Maximise, Restore, Close, FullScreen
    };
    enum class State { Plain, Hover, Pressed };

    static QImage Paint(Glyph glyph, State state, const QSize &size);

    // The glyph outline in design units, centred on (0, 0), roughly within
    // +-20 units: exposed so that the preview can show them alone.
    static QPainterPath GlyphPath(Glyph glyph);

private:
    static void PaintBackground(class QPainter &painter, const QRectF &body, qreal side,
                                State state, bool danger);
};

#endif // BUTTONPAINTER_H

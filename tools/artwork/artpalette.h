#ifndef ARTPALETTE_H
#define ARTPALETTE_H

#include <QColor>
#include <QFont>
#include <QString>

// The player's dark look in one place: near-black surfaces, a teal accent
// and white glyphs. Every painter takes its colours from here so that the
// buttons, the title band and the dial read as one set.
namespace ArtPalette {

inline const QColor Teal{0, 127, 127};        // the needle's own colour, opaque
inline const QColor TealBright{0, 160, 160};  // #00a0a0
inline const QColor Cyan{0, 229, 229};        // hover rings and highlights
inline const QColor TealDeep{0, 70, 70};
inline const QColor Surface{0x1c, 0x20, 0x20};
inline const QColor SurfaceDark{0x08, 0x0a, 0x0a};
inline const QColor Glyph{0xff, 0xff, 0xff};
inline const QColor GlyphPressed{0xc4, 0xe6, 0xe6};
inline const QColor Caption{0xc8, 0xcc, 0xcc};
inline const QColor DangerHover{0xd0, 0x30, 0x30};
inline const QColor DangerDeep{0x5a, 0x08, 0x08};

// Only the fonts of fonts-dejavu-core are used, so every machine that builds
// the player draws the same pixels.
inline const QString FontFamily = QStringLiteral("DejaVu Sans");

inline QFont ArtFont(qreal pixelSize, bool bold = true)
{
    QFont font(FontFamily);
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace ArtPalette

#endif // ARTPALETTE_H

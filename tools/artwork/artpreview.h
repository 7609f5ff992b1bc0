#ifndef ARTPREVIEW_H
#define ARTPREVIEW_H

#include <QImage>
#include <QString>

// Renders the pictures the way the player shows them, through real widgets
// and style sheets, for a person to look at.
class ArtPreview
{
public:
    // The dial in a 300x120 and a 195x120 widget with needles at 0, 120 and
    // 240 km/h. Writes where the dial picture landed to the report text.
    static QImage DialCheck(const QString &imagesDir, QString *report);

    // A mock of the main window at its initial 955x670 size, laid out like
    // the player, under the given style sheet, followed by every button face
    // in its three states at the sizes the player uses.
    static QImage WindowMock(const QString &imagesDir, const QString &styleSheetPath);
};

#endif // ARTPREVIEW_H

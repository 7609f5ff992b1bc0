#ifndef URECORDINGTEXT_H
#define URECORDINGTEXT_H

#include <QString>

#include <functional>

#include "catalogue/ucamerafile.h"

// What the list shows of a recording's cameras: the file name cell with a
// mark of the other cameras, its tooltip, and the name fitted to the cell.
class URecordingText
{
public:
    // More cameras than this besides the first are counted, not named.
    static constexpr int NamedMarks = 3;
    // The first characters kept when a name is cut in the middle, and the
    // fewest of its end worth keeping them for.
    static constexpr int HeadCharacters = 4;
    static constexpr int TailCharacters = 9;

    // The cameras besides the recording's first (its front): "+R",
    // "+R +I", "+5" for more than NamedMarks; empty for one camera.
    static QString CameraMark(const UCameraFiles &Cameras);
    // A camera's letters in the mark: "R" rear, "I" interior, "T"
    // telephoto, "LS"/"RS" the left and right side cameras, "LP"/"RP" the
    // pillars, "F" front, "O" any other.
    static QString MarkLetters(UCameraRole Role);
    // The file name cell's text: the name, then the mark after a blank.
    static QString NameCell(const QString &Name, const UCameraFiles &Cameras);
    // The file name cell's tooltip: the whole path of a recording of one
    // camera; for several, one line per camera, "Rear: /card/..._0002R.MP4".
    static QString NameTooltip(const UCameraFiles &Cameras);
    // A role as the window writes it: "Front", "Rear", "Left pillar", ...
    static QString RoleWord(UCameraRole Role);

    // The name and its mark as they fit the cell (Fits measures a text),
    // the mark always whole: the name whole if it fits; else without (the
    // end of) its suffix while the rest stays whole ("CLIP0001.…"); else
    // cut in the middle, where recorders' names repeat the date
    // ("2026_0501_120000_0001F.MP4" is "2026…0001F.MP4"), keeping the end
    // that tells recordings apart; where not even TailCharacters of that end
    // fit, the end before the suffix ("…0001F").
    static QString FitName(const QString &Name, const QString &Mark, const std::function<bool(const QString &)> &Fits);
};

#endif // URECORDINGTEXT_H

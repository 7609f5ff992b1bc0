#ifndef UCAMERATILES_H
#define UCAMERATILES_H

#include <QString>

#include "catalogue/ucamerafile.h"
#include "playback/enginestate.h"

// What the tiles of a recording of several cameras show: which cameras, and
// the words over a tile without a picture.
class UCameraTiles
{
public:
    // The most cameras shown at once (the 3×2 layout's tiles).
    static constexpr int MaxCameras = 6;

    // The role as the tiles name it: "Front", "Rear", "Interior",
    // "Telephoto", "Left", "Right", "Left pillar", "Right pillar", "Other".
    static QString RoleText(UCameraRole Role);
    // The words over a camera's tile: "Rear: cannot play", "Rear: no
    // recording"; none while it plays or opens.
    static QString Label(UCameraRole Role, UCameraFace Face);

    // The cameras a recording's tiles show, the front first: its own, at
    // most MaxCameras. When autoplay goes on from a recording of several
    // cameras to another of several, each camera the one before showed that
    // this one lacks keeps its tile, without a file (an empty path), so that
    // a camera missing for part of a drive shows as missing and the layout
    // stays. A recording of one camera shows that camera alone.
    static UCameraFiles Shown(const UCameraFiles &Recording, const UCameraFiles &Before, bool ByAutoplay);
};

#endif // UCAMERATILES_H

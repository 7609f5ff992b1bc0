#ifndef GPSSOURCE_H
#define GPSSOURCE_H

#include <QString>

// Where a recording's GPS comes from, in the order GpsSourceChooser looks.
enum class GpsSourceKind
{
    None,
    // The recorder's own log at its fixed place.
    RecorderLog,
    // GPS stored inside the video.
    InsideVideo,
    // A side file with the video's base name.
    NmeaFile,
    GpxFile,
    SrtFile,
};

// The GPS source chosen for a video: what is read when the recording plays
// or is exported, with the reader of its kind.
struct GpsSource
{
    GpsSourceKind Kind = GpsSourceKind::None;
    // The file read: the recorder's log, the video itself or the side file.
    // Without a source, the place where the recorder's log would lie (empty
    // for a missing video or one too near the root).
    QString Path;
    // The video the source belongs to; a track of UTC times alone is lined
    // up by its start.
    QString VideoPath;
};

#endif // GPSSOURCE_H

#ifndef GPSSOURCECHOOSER_H
#define GPSSOURCECHOOSER_H

#include "gpslog/gpsreader.h"
#include "gpslog/gpsseconds.h"
#include "gpslog/gpssource.h"

#include <QString>

// Chooses a video's GPS source, the same way when a recording is imported
// and when it is exported, and reads the chosen source again when it plays
// with the reader of its kind, never guessing the kind from the file.
//
// The sources, in the order they are tried:
//   1. the recorder's log at its place (CARD/gps/gpsNNNN.log beside
//      CARD/DCIM/100CLIP/CLIPNNNN.MOV), taken whenever it exists: its lines
//      are rated by the log's own rule (the catalogue's);
//   2. the GPS inside the video (EmbeddedGps's layouts, in their order);
//   3. side files with the video's base name: NMEA, then GPX, then SRT
//      telemetry, each kind by its suffixes in their order (filesuffixes.h).
// A source other than the log is taken when it holds any fix.
class GpsSourceChooser
{
public:
    struct Choice
    {
        GpsSource Source;
        // The chosen source other than the log, one fix a second of the
        // video, as read when it was chosen; empty for the log and for none.
        GpsSeconds::Result Seconds;
    };

    // SharedStem: where side files that all cameras of the moment share lie,
    // without their suffix (a recorder's naming rule knows it); looked at
    // after the video's own base name for each kind. Reads files only, so
    // it may run on any thread.
    static Choice Choose(const QString &VideoPath, const QString &SharedStem = QString());

    // Where the recorder puts the log of the video at VideoPath: in a folder
    // "gps" two levels above the video's folder, named "gps" + the 5th to
    // 8th characters of the video's file name + ".log"; empty when the video
    // does not exist or lies less than two folder levels below the root.
    static QString RecorderLogPath(const QString &VideoPath);

    // The reader of a kind of source; null for None.
    static const GpsReader *ReaderOf(GpsSourceKind Kind);

    // The chosen source read again, with its kind's reader, as one fix a
    // second of its video; not Readable for None or a source that is gone.
    static GpsSeconds::Result ReadSeconds(const GpsSource &Source);
};

#endif // GPSSOURCECHOOSER_H

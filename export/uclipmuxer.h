#ifndef UCLIPMUXER_H
#define UCLIPMUXER_H

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// A stretch of one video file: FromMs to ToMs from the file's start.
struct UClipSegment
{
    QString Path;
    qint64 FromMs = 0;
    qint64 ToMs = 0;
};

// One subtitle cue, in the clip's own time.
struct UClipCue
{
    qint64 StartMs = 0;
    qint64 EndMs = 0;
    QString Text;
};

// What a video file holds, as far as a copy goes.
struct UClipProbe
{
    bool Readable = false;
    // Why the file cannot be copied, in a few words.
    QString Error;
    // How long its pictures run (its longest stream without pictures); -1
    // when unknown.
    qint64 DurationMs = -1;
    // The copied streams (every picture and sound stream) and their codec
    // parameters: files of equal layouts join into one clip.
    QByteArray Layout;
    // Whether an MP4 file can hold those streams (else a QuickTime one does).
    bool FitsMp4 = true;
};

// Copies stretches of videos into one MP4 (or QuickTime) file by stream
// copy: every picture and sound packet goes over unchanged, none is decoded.
// The copy starts at the key frame at or before the first stretch's start,
// and an edit list makes players start at that start itself; further
// stretches follow with continuous times.
class UClipMuxer
{
public:
    struct Options
    {
        // The clip's recording time (the movie header's creation time);
        // invalid: none.
        QDateTime CreationTime;
        // ISO 6709 ("+52.12345+004.56789/"); empty: none.
        QString Location;
        // A text track of these cues (in time order); none when empty.
        QList<UClipCue> Cues;
        // Called as the copy goes on with the clip's milliseconds written
        // so far; returning false stops the copy.
        std::function<bool(qint64 DoneMs)> Progress;
        // Files of a layout an MP4 cannot hold are written as QuickTime.
        bool QuickTime = false;
    };

    struct Result
    {
        bool Done = false;
        bool Cancelled = false;
        // The file could not be written (a full disk, a folder taken away);
        // Reason says why.
        bool Unwritable = false;
        QString Reason;
        QString Error;
    };

    static UClipProbe Probe(const QString &Path);

    // Writes the stretches (all of one layout) to OutputPath. On failure the
    // file may be left half written: the caller owns the folder.
    static Result Write(const QList<UClipSegment> &Segments, const QString &OutputPath, const Options &Options);
};

#endif // UCLIPMUXER_H

#ifndef VIDEOSPAN_H
#define VIDEOSPAN_H

#include <QDateTime>
#include <QString>
#include <QStringView>

class QIODevice;

// When a video was recorded and how long it runs, as far as the file tells:
// what a track that knows only UTC times (a phone's GPX) is lined up by.
struct VideoSpan
{
    // Invalid when unknown.
    QDateTime Start;
    // -1 when unknown.
    qint64 DurationMs = -1;

    // The start is the container's creation time (the movie header of an
    // MP4/QuickTime file), else a date and time in the file name, else the
    // file's modification time; the duration is the movie header's.
    static VideoSpan Of(const QString &VideoPath);
    // The same, with the video already open on Device (not read when it is
    // closed).
    static VideoSpan Of(const QString &VideoPath, QIODevice &Device);
    // The movie header's creation time and duration; either stays unknown
    // where the header is missing, zero or not believable.
    static VideoSpan FromMovieHeader(QIODevice &Device);
    // A date and time written in a file name the way recorders do:
    // "20191130-120156", "20191130_120156", "2019_1130_120156",
    // "20191130120156". Read as the recorder's (the computer's) local time;
    // invalid when the name holds none.
    static QDateTime StartFromName(QStringView FileName);
};

#endif // VIDEOSPAN_H

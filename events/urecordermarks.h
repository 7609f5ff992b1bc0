#ifndef URECORDERMARKS_H
#define URECORDERMARKS_H

#include "events/uevent.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

// The marks a recorder leaves on the recordings it kept apart: the type
// letter of a BlackVue file name, the folders event recordings go to, and a
// Tesla's saved and sentry clips with the time and reason of their
// event.json.
class URecorderMarks
{
public:
    // event.json is never read beyond this: Tesla writes a few hundred bytes.
    static constexpr qint64 MaxEventFileBytes = 64 * 1024;

    struct TeslaEvent
    {
        // Invalid when the file tells none (or is no JSON).
        QDateTime Time;
        QString Reason;
    };

    // The marks of the video at VideoPath (a kind Recorder event each, at
    // the moment the recorder tells or else at 0), from its name and its
    // folders; none for an everyday recording.
    static UEventList Of(const QString &VideoPath);

    // "E", "I" or "M" of "20240101_120000_EF.mp4" and the like; a null
    // character for other names.
    static QChar BlackVueType(QStringView FileName);
    // The recorder's words for the event folder holding a video ("event
    // folder RO"), looking at its folder and the one above; empty for
    // others.
    static QString EventFolder(const QString &VideoPath);
    // A Tesla event.json: its "timestamp" (local time, as the clips' names)
    // and "reason". Anything that is not a JSON object gives neither.
    static TeslaEvent ReadTeslaEvent(const QByteArray &Json);
    // The start of a Tesla clip from its name ("2023-05-01_12-24-00-front.mp4");
    // invalid for other names.
    static QDateTime TeslaClipStart(QStringView FileName);
};

#endif // URECORDERMARKS_H

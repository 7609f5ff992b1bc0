#ifndef URECORDINGTIME_H
#define URECORDINGTIME_H

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <QtGlobal>

class GpsTrack;

// When a recording was made, as the tooltips of the play-time label and of
// the list's file name cell tell it: the local time with its zone beside
// UTC. Local is the computer's zone, or the one the settings name
// (USettingsKeys::TimeZone(), an IANA id such as "Asia/Shanghai") for
// recordings made elsewhere.
class URecordingTime
{
public:
    // The zone of local times: the one ZoneId names when Qt knows it, else
    // the system's.
    static QTimeZone Zone(const QString &ZoneId);

    // "2026-12-07 16:00:05 UTC+08:00 (Asia/Shanghai) · 2026-12-07 08:00:05 UTC";
    // empty for an invalid instant.
    static QString Text(const QDateTime &Instant, const QTimeZone &Zone);

    // The moment PlayMs into the recording. From its GPS where Track (may be
    // null) has a fix with a UTC time: the fix of the play second (the
    // second ShiftSeconds earlier, as the display shows it), or the nearest
    // one with a time, counted on a second a fix. Else VideoStart plus the
    // play time; invalid when neither is known.
    static QDateTime AtPlayTime(const GpsTrack *Track, qint64 PlayMs, int ShiftSeconds, const QDateTime &VideoStart);
};

#endif // URECORDINGTIME_H

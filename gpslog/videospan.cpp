#include "videospan.h"

#include "gpslog/mp4/mp4boxes.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimeZone>
#include <QtEndian>

namespace {

// The movie header counts seconds from 1904-01-01 00:00 UTC.
const QDateTime MovieEpoch(QDate(1904, 1, 1), QTime(0, 0), QTimeZone::utc());
// A creation time before this is a recorder that never set its clock.
constexpr int EarliestBelievableYear = 1990;
constexpr int LatestBelievableYear = 2200;

constexpr qsizetype FullBoxHeader = 4;
constexpr qsizetype Version0Fields = 4 * 4; // creation, modification, time scale, duration
constexpr qsizetype Version1Fields = 8 + 8 + 4 + 8;
constexpr quint32 UnknownDuration32 = 0xffffffffU;
constexpr quint64 UnknownDuration64 = ~quint64(0);
constexpr qint64 MillisecondsPerSecond = 1000;
// No video on a card runs longer than a day; a longer header is broken.
constexpr qint64 MaxDurationMs = 24LL * 60 * 60 * MillisecondsPerSecond;

QDateTime FromMovieSeconds(quint64 Seconds)
{
    if (Seconds == 0 || Seconds > quint64(LatestBelievableYear - 1904) * 366 * 24 * 3600)
        return QDateTime();
    const QDateTime time = MovieEpoch.addSecs(qint64(Seconds));
    if (time.date().year() < EarliestBelievableYear)
        return QDateTime();
    return time;
}

qint64 MillisecondsOf(quint64 Duration, quint32 Timescale)
{
    // A recorder writes zero while it records and may never come back to it.
    if (Timescale == 0 || Duration == 0)
        return -1;
    // In seconds first: a huge duration must not overflow on its way.
    const quint64 seconds = Duration / Timescale;
    if (seconds >= quint64(MaxDurationMs / MillisecondsPerSecond))
        return -1;
    return qint64(seconds) * MillisecondsPerSecond
        + qint64((Duration % Timescale) * MillisecondsPerSecond / Timescale);
}

} // namespace

VideoSpan VideoSpan::FromMovieHeader(QIODevice &Device)
{
    const Mp4Boxes boxes(Device);
    VideoSpan span;
    if (!boxes.IsReadable())
        return span;
    const std::optional<Mp4Box> header = boxes.Find("moov/mvhd");
    if (!header)
        return span;
    const QByteArray bytes = boxes.ReadPayload(*header, FullBoxHeader + Version1Fields);
    if (bytes.size() < FullBoxHeader + Version0Fields)
        return span;
    const char *fields = bytes.constData() + FullBoxHeader;
    if (bytes.at(0) == 1) {
        if (bytes.size() < FullBoxHeader + Version1Fields)
            return span;
        span.Start = FromMovieSeconds(qFromBigEndian<quint64>(fields));
        const quint64 duration = qFromBigEndian<quint64>(fields + 20);
        if (duration != UnknownDuration64)
            span.DurationMs = MillisecondsOf(duration, qFromBigEndian<quint32>(fields + 16));
    } else {
        span.Start = FromMovieSeconds(qFromBigEndian<quint32>(fields));
        const quint32 duration = qFromBigEndian<quint32>(fields + 12);
        if (duration != UnknownDuration32)
            span.DurationMs = MillisecondsOf(duration, qFromBigEndian<quint32>(fields + 8));
    }
    return span;
}

QDateTime VideoSpan::StartFromName(QStringView FileName)
{
    // Digits that run on before or after belong to another number. One
    // per thread: the import rates videos on several threads.
    thread_local const QRegularExpression pattern(QStringLiteral(
        "(?<!\\d)(\\d{4})_?(\\d{2})(\\d{2})[-_]?(\\d{2})(\\d{2})(\\d{2})(?!\\d)"));
    QRegularExpressionMatchIterator matches = pattern.globalMatch(FileName.toString());
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const auto number = [&match](int Group) { return match.capturedView(Group).toInt(); };
        const QDate date(number(1), number(2), number(3));
        const QTime time(number(4), number(5), number(6));
        if (date.isValid() && time.isValid() && date.year() >= EarliestBelievableYear)
            return QDateTime(date, time);
    }
    return QDateTime();
}

VideoSpan VideoSpan::Of(const QString &VideoPath)
{
    QFile file(VideoPath);
    if (QFileInfo(VideoPath).isFile())
        file.open(QIODevice::ReadOnly);
    return Of(VideoPath, file);
}

VideoSpan VideoSpan::Of(const QString &VideoPath, QIODevice &Device)
{
    VideoSpan span;
    if (Device.isOpen())
        span = FromMovieHeader(Device);
    const QFileInfo info(VideoPath);
    if (!span.Start.isValid())
        span.Start = StartFromName(info.fileName());
    if (!span.Start.isValid() && info.isFile())
        span.Start = info.lastModified();
    return span;
}

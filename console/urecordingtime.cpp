#include "urecordingtime.h"

#include "gpslog/gpstrack.h"

namespace {

const QString DateTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
const QString Beside = QStringLiteral(" \u00b7 ");
constexpr qint64 MillisecondsPerSecond = 1000;

// "UTC+08:00", "UTC-03:30", "UTC+00:00".
QString OffsetText(int Seconds)
{
    const QChar sign = Seconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    const int minutes = qAbs(Seconds) / 60;
    return QStringLiteral("UTC") + sign + QStringLiteral("%1:%2")
                                              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                                              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QTimeZone URecordingTime::Zone(const QString &ZoneId)
{
    const QByteArray id = ZoneId.trimmed().toUtf8();
    if (!id.isEmpty() && QTimeZone::isTimeZoneIdAvailable(id)) {
        const QTimeZone zone(id);
        if (zone.isValid())
            return zone;
    }
    return QTimeZone::systemTimeZone();
}

QString URecordingTime::Text(const QDateTime &Instant, const QTimeZone &Zone)
{
    if (!Instant.isValid())
        return QString();
    const QTimeZone zone = Zone.isValid() ? Zone : QTimeZone::utc();
    const QDateTime local = Instant.toTimeZone(zone);
    QString text = local.toString(DateTimeFormat) + QLatin1Char(' ') + OffsetText(zone.offsetFromUtc(Instant));
    const QString id = QString::fromUtf8(zone.id());
    if (!id.isEmpty() && !id.startsWith(QLatin1String("UTC")))
        text += QStringLiteral(" (") + id + QLatin1Char(')');
    return text + Beside + Instant.toUTC().toString(DateTimeFormat) + QStringLiteral(" UTC");
}

QDateTime URecordingTime::AtPlayTime(const GpsTrack *Track, qint64 PlayMs, int ShiftSeconds,
                                     const QDateTime &VideoStart)
{
    const qint64 play = qMax<qint64>(0, PlayMs);
    if (Track && !Track->IsEmpty()) {
        const qint64 count = Track->Size();
        // The track's second for the play time, which may lie beyond either end.
        const qint64 target = play / MillisecondsPerSecond - ShiftSeconds;
        const qint64 second = qBound<qint64>(0, target, count - 1);
        const qint64 within = play % MillisecondsPerSecond;
        // Outwards from the play second: the first fix that knows its time.
        for (qint64 distance = 0; distance < count; ++distance) {
            for (const qint64 index : {second - distance, second + distance}) {
                if (index < 0 || index >= count)
                    continue;
                const QDateTime utc = Track->At(index).Utc;
                if (utc.isValid())
                    return utc.addMSecs((target - index) * MillisecondsPerSecond + within);
            }
        }
    }
    if (VideoStart.isValid())
        return VideoStart.addMSecs(play);
    return QDateTime();
}

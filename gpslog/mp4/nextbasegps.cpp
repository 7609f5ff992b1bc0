#include "nextbasegps.h"

#include "gpslog/mp4/nmeasentences.h"

#include <QDate>
#include <QList>
#include <QTime>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr qsizetype CameraTimeAt = 6;
constexpr qsizetype AccelerationYAt = 20;
constexpr qsizetype AccelerationXAt = 24;
constexpr qsizetype AccelerationZAt = 28;
constexpr qsizetype SentencesAt = 32;
constexpr double UnitsPerG = 1280.0;

int Digits(QByteArrayView Text, qsizetype At, qsizetype Count)
{
    int value = 0;
    for (qsizetype i = At; i < At + Count; ++i) {
        if (Text[i] < '0' || Text[i] > '9')
            return -1;
        value = value * 10 + (Text[i] - '0');
    }
    return value;
}

QDateTime CameraTime(QByteArrayView Cue)
{
    const int year = Digits(Cue, CameraTimeAt, 4);
    const int month = Digits(Cue, CameraTimeAt + 4, 2);
    const int day = Digits(Cue, CameraTimeAt + 6, 2);
    const int hour = Digits(Cue, CameraTimeAt + 8, 2);
    const int minute = Digits(Cue, CameraTimeAt + 10, 2);
    const int second = Digits(Cue, CameraTimeAt + 12, 2);
    if (std::min({year, month, day, hour, minute, second}) < 0)
        return {};
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::LocalTime);
}

} // namespace

std::optional<NextbaseRecord> NextbaseGps::Decode(QByteArrayView Cue, const SubtitleGps::NmeaToFixes &Nmea)
{
    if (Cue.size() <= SentencesAt || Cue[SentencesAt] != '$')
        return std::nullopt;
    NextbaseRecord record;
    record.CameraTime = CameraTime(Cue);
    if (!record.CameraTime.isValid())
        return std::nullopt;
    record.Acceleration = {qFromLittleEndian<qint32>(Cue.data() + AccelerationXAt) / UnitsPerG,
                           qFromLittleEndian<qint32>(Cue.data() + AccelerationYAt) / -UnitsPerG,
                           qFromLittleEndian<qint32>(Cue.data() + AccelerationZAt) / UnitsPerG};
    if (!Nmea)
        return record;
    const QByteArray sentences = NmeaSentences::Resealed(Cue.sliced(SentencesAt));
    if (!sentences.isEmpty()) {
        const GpsFixList fixes = NmeaSentences::Plausible(Nmea(sentences));
        const auto valid = std::find_if(fixes.cbegin(), fixes.cend(), [](const GpsFix &Fix) { return Fix.Valid; });
        if (valid != fixes.cend())
            record.Fix = *valid;
        else if (!fixes.isEmpty())
            record.Fix = fixes.first();
    }
    return record;
}

GpsFixList NextbaseGps::Read(const Mp4Boxes &Boxes, const SubtitleGps::NmeaToFixes &Nmea)
{
    QList<GpsFixList> tracks;
    SubtitleGps::ForEachCue(Boxes, [&](int Track, const SubtitleCue &Cue) {
        if (tracks.size() <= Track)
            tracks.resize(Track + 1);
        if (const std::optional<NextbaseRecord> record = Decode(Cue.Bytes, Nmea)) {
            GpsFix fix = record->Fix;
            fix.OffsetMs = Cue.StartMs;
            tracks[Track].append(fix);
        }
    });
    const auto valid = [](const GpsFixList &Fixes) {
        return std::count_if(Fixes.cbegin(), Fixes.cend(), [](const GpsFix &Fix) { return Fix.Valid; });
    };
    const GpsFixList *best = nullptr;
    for (const GpsFixList &fixes : std::as_const(tracks)) {
        if (!best || valid(fixes) > valid(*best))
            best = &fixes;
    }
    return best ? *best : GpsFixList();
}

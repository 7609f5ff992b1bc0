#include "ueventrows.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

constexpr qint64 MillisecondsPerSecond = 1000;
constexpr qint64 SecondsPerMinute = 60;
constexpr qint64 SecondsPerHour = 3600;
constexpr double MetresPerKilometre = 1000.0;

qint64 JumpTime(const UEventRow &Row)
{
    return std::max<qint64>(0, Row.Event.TimeMs - UEventRows::LeadMs);
}

// Rows in the list's order: by recording, then by time.
bool Before(int RecordingA, qint64 TimeA, int RecordingB, qint64 TimeB)
{
    return RecordingA != RecordingB ? RecordingA < RecordingB : TimeA < TimeB;
}

} // namespace

QList<UEventRow> UEventRows::Rows(const QList<UTripInput> &Recordings, double LimitKmh)
{
    QList<UEventRow> rows;
    for (const UTripInput &recording : Recordings) {
        if (!recording.Events)
            continue;
        for (const UEvent &event : recording.Events->WithSpeeding(LimitKmh)) {
            UEventRow row;
            row.Recording = recording.Index;
            row.VideoPath = recording.Events->VideoPath;
            row.Event = event;
            if (recording.Events->Start.isValid())
                row.When = recording.Events->Start.addMSecs(event.TimeMs);
            rows.append(row);
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const UEventRow &A, const UEventRow &B) {
        return Before(A.Recording, A.Event.TimeMs, B.Recording, B.Event.TimeMs);
    });
    return rows;
}

void UEventRows::Sort(QList<UEventRow> &Rows, Order By)
{
    auto byTime = [](const UEventRow &A, const UEventRow &B) {
        if (A.When.isValid() != B.When.isValid())
            return A.When.isValid();
        if (A.When.isValid() && A.When != B.When)
            return A.When < B.When;
        return Before(A.Recording, A.Event.TimeMs, B.Recording, B.Event.TimeMs);
    };
    if (By == Order::Time) {
        std::stable_sort(Rows.begin(), Rows.end(), byTime);
        return;
    }
    // Speeding's km/h and the others' g are no one scale: speeding ranks by
    // how far over the limit it is not known here, so it follows the g.
    auto rank = [](const UEventRow &Row) {
        switch (Row.Event.Kind) {
        case UEventKind::Recorder:
            return 2;
        case UEventKind::Speeding:
            return 1;
        default:
            return 0;
        }
    };
    std::stable_sort(Rows.begin(), Rows.end(), [&](const UEventRow &A, const UEventRow &B) {
        if (rank(A) != rank(B))
            return rank(A) < rank(B);
        if (A.Event.Strength != B.Event.Strength)
            return A.Event.Strength > B.Event.Strength;
        return byTime(A, B);
    });
}

std::optional<UEventJump> UEventRows::Step(const QList<UEventRow> &Rows, int Current, qint64 CurrentMs, bool Forward)
{
    if (Forward) {
        for (const UEventRow &row : Rows) {
            if (Current < 0 || Before(Current, CurrentMs + LandingSlackMs, row.Recording, JumpTime(row)))
                return UEventJump{row.Recording, JumpTime(row)};
        }
        return std::nullopt;
    }
    for (auto row = Rows.crbegin(); row != Rows.crend(); ++row) {
        if (Current < 0 || Before(row->Recording, JumpTime(*row), Current, CurrentMs - RewindGraceMs))
            return UEventJump{row->Recording, JumpTime(*row)};
    }
    return std::nullopt;
}

QString UEventRows::TimeText(qint64 Milliseconds)
{
    const qint64 tenths = std::max<qint64>(0, Milliseconds) / 100;
    const qint64 seconds = tenths / 10;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(seconds / SecondsPerHour, 2, 10, QLatin1Char('0'))
        .arg(seconds / SecondsPerMinute % SecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(seconds % SecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

QString UEventRows::StrengthNumber(const UEvent &Event)
{
    if (Event.Kind == UEventKind::Speeding)
        return QString::number(Event.Strength, 'f', 0);
    return QString::number(Event.Strength, 'f', 2);
}

QString UEventRows::StrengthText(const UEvent &Event)
{
    switch (Event.Kind) {
    case UEventKind::Recorder:
        return Event.Detail;
    case UEventKind::Speeding:
        return SpeedText(Event.Strength);
    default:
        return QString::number(Event.Strength, 'f', 2) + QStringLiteral(" g");
    }
}

QString UEventRows::KindText(UEventKind Kind)
{
    switch (Kind) {
    case UEventKind::Recorder:
        return QStringLiteral("Recorder");
    case UEventKind::Braking:
        return QStringLiteral("Braking");
    case UEventKind::Acceleration:
        return QStringLiteral("Acceleration");
    case UEventKind::Bump:
        return QStringLiteral("Bump");
    case UEventKind::Speeding:
        break;
    }
    return QStringLiteral("Speeding");
}

QString UEventRows::SpeedText(double Kmh)
{
    // The one place the events' texts take the unit of speeds from.
    return QString::number(qRound(Kmh)) + QStringLiteral(" km/h");
}

QString UEventRows::DistanceText(double Metres)
{
    return QString::number(Metres / MetresPerKilometre, 'f', 1) + QStringLiteral(" km");
}

QString UEventRows::DurationText(qint64 Milliseconds)
{
    const qint64 seconds = std::max<qint64>(0, Milliseconds) / MillisecondsPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / SecondsPerHour, 2, 10, QLatin1Char('0'))
        .arg(seconds / SecondsPerMinute % SecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(seconds % SecondsPerMinute, 2, 10, QLatin1Char('0'));
}

#ifndef UEVENTROWS_H
#define UEVENTROWS_H

#include "console/utrips.h"
#include "events/uevent.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// One event among those of every imported recording.
struct UEventRow
{
    // The recording's catalogue index.
    int Recording = -1;
    QString VideoPath;
    UEvent Event;
    // When it happened; invalid where the recording's start is unknown.
    QDateTime When;
};

// Where E or Shift+E leads: a recording and the time to play it from.
struct UEventJump
{
    int Recording = -1;
    qint64 TimeMs = 0;
};

// The events of every recording as the Events view, the keys and the
// command line see them: gathered, ordered, stepped through and written.
class UEventRows
{
public:
    // E and Shift+E play from this long before an event, to see it coming.
    static constexpr qint64 LeadMs = 5000;
    // Next goes past an event once play is this far beyond where its jump
    // led (a seek lands on a key frame near the time asked for); Previous
    // goes back past the event just jumped to when play has run on less
    // than RewindGraceMs since.
    static constexpr qint64 LandingSlackMs = 500;
    static constexpr qint64 RewindGraceMs = 2000;

    enum class Order { Time, Strength };

    // The events of the recordings (those still being worked out have
    // none yet), with speeding over LimitKmh (none at 0), in the list's
    // order and each recording's time order.
    static QList<UEventRow> Rows(const QList<UTripInput> &Recordings, double LimitKmh);
    // Time: when it happened, those of an unknown time after in the list's
    // order. Strength: strongest first (recorder's marks, which tell none,
    // last), then by time.
    static void Sort(QList<UEventRow> &Rows, Order By);

    // The event after (Forward) or before the play position CurrentMs of
    // recording Current (-1: none plays, so the first or last event),
    // across recordings in the list's order; Rows as Rows() gives them.
    static std::optional<UEventJump> Step(const QList<UEventRow> &Rows, int Current, qint64 CurrentMs,
                                          bool Forward);

    // "HH:MM:SS.s" into the recording.
    static QString TimeText(qint64 Milliseconds);
    // The strength as the command line writes it: g with two decimals, or
    // km/h for speeding, without the unit.
    static QString StrengthNumber(const UEvent &Event);
    // The strength for people: "0.52 g", or the speed in the chosen unit.
    static QString StrengthText(const UEvent &Event);
    // "Recorder", "Braking", "Acceleration", "Bump", "Speeding".
    static QString KindText(UEventKind Kind);
    // A speed in the unit the user chose for speeds.
    static QString SpeedText(double Kmh);
    // A trip's length and duration for the Events view.
    static QString DistanceText(double Metres);
    static QString DurationText(qint64 Milliseconds);
};

#endif // UEVENTROWS_H

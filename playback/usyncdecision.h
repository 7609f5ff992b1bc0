#ifndef USYNCDECISION_H
#define USYNCDECISION_H

#include <QtGlobal>

#include <optional>

// Keeping the other cameras of a recording at the front camera's time: where
// a player's picture is now, from what its engine told last, and what to do
// about a camera that runs ahead of or behind the front. Plain numbers, free
// of libvlc, so that every rule is tested without an engine.

// One reading of a player's time: the play time its engine reported (ms) and
// the monotonic clock when the report came (µs).
struct UClockReading
{
    qint64 TimeMs = -1;
    qint64 AtUs = 0;
};

// What to do with a camera after one measurement of its drift.
struct USyncAction
{
    enum Kind {
        Keep,          // nothing: close enough, or already being nudged
        Nudge,         // play at the group's rate times (1 + Direction * NudgeShare)
        EndNudge,      // back to the group's rate: the camera has caught up
        SetToMaster,   // too far apart to nudge: set it to the front's time
    };
    Kind What = Keep;
    // -1: slower (the camera is ahead), +1: faster (it is behind).
    int Direction = 0;
};

class USyncDecision
{
public:
    // Drifts (ms, the camera's time minus the front's) and the rules on them.
    static constexpr double LeaveAloneMs = 40.0;
    static constexpr double SetToMasterMs = 200.0;
    // A nudged camera is nudged on until it is this close, so that it does not
    // hover just under LeaveAloneMs.
    static constexpr double ConvergedMs = 10.0;
    // How much faster or slower a nudged camera plays.
    static constexpr double NudgeShare = 0.05;
    // Two readings agree when the time moved as far as the clock did at the
    // rate, within this: otherwise the player was opening, seeking or stalled.
    static constexpr double SteadyToleranceMs = 40.0;

    // What to do with a camera DriftMs ahead of the front (negative: behind)
    // while it is nudged in NudgingDirection (0: not nudged).
    static USyncAction Decide(double DriftMs, int NudgingDirection);

    // The time the player shows at NowUs, from its last two readings at Rate:
    // none unless they agree (see SteadyToleranceMs), since a player that is
    // opening, seeking or stalled reports times its picture is not at.
    static std::optional<double> EstimateMs(const UClockReading &Before, const UClockReading &Last, double Rate,
                                            qint64 NowUs);

    // A time inside the frame that holds TimeMs (half a frame past its start):
    // players sought there all show that frame, where a frame's very start
    // may be taken for the end of the one before. FrameMs 0: TimeMs itself.
    static qint64 FrameMiddle(double TimeMs, double FrameMs);
};

#endif // USYNCDECISION_H

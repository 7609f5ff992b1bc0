#include "usyncdecision.h"

#include <algorithm>
#include <cmath>

USyncAction USyncDecision::Decide(double DriftMs, int NudgingDirection)
{
    USyncAction action;
    if (!std::isfinite(DriftMs))
        return action;
    const double size = std::abs(DriftMs);
    // Ahead (positive drift) plays slower, behind faster.
    const int towards = DriftMs > 0 ? -1 : 1;
    if (size > SetToMasterMs) {
        action.What = USyncAction::SetToMaster;
        return action;
    }
    if (size >= LeaveAloneMs) {
        if (NudgingDirection == towards)
            return action;
        action.What = USyncAction::Nudge;
        action.Direction = towards;
        return action;
    }
    if (NudgingDirection == 0)
        return action;
    // A nudge goes on until the camera is close, or has passed the front.
    if (size <= ConvergedMs || NudgingDirection != towards)
        action.What = USyncAction::EndNudge;
    return action;
}

std::optional<double> USyncDecision::EstimateMs(const UClockReading &Before, const UClockReading &Last, double Rate,
                                                qint64 NowUs)
{
    if (Before.TimeMs < 0 || Last.TimeMs < 0 || Last.AtUs <= Before.AtUs || !(Rate > 0.0))
        return std::nullopt;
    const double wallMs = double(Last.AtUs - Before.AtUs) / 1000.0;
    const double movedMs = double(Last.TimeMs - Before.TimeMs);
    if (std::abs(movedMs - wallMs * Rate) > SteadyToleranceMs)
        return std::nullopt;
    return double(Last.TimeMs) + double(NowUs - Last.AtUs) / 1000.0 * Rate;
}

qint64 USyncDecision::FrameMiddle(double TimeMs, double FrameMs)
{
    const double time = std::max(TimeMs, 0.0);
    if (!(FrameMs > 0.0))
        return qint64(std::llround(time));
    // A time at a frame's very start belongs to that frame, whatever the
    // rounding of the division says.
    const double frame = std::floor(time / FrameMs + 1e-6);
    return qint64(std::llround(frame * FrameMs + FrameMs / 2.0));
}

#include "uevent.h"

#include <algorithm>

QString EventKindName(UEventKind Kind)
{
    switch (Kind) {
    case UEventKind::Recorder:
        return QStringLiteral("recorder");
    case UEventKind::Braking:
        return QStringLiteral("braking");
    case UEventKind::Acceleration:
        return QStringLiteral("acceleration");
    case UEventKind::Bump:
        return QStringLiteral("bump");
    case UEventKind::Speeding:
        break;
    }
    return QStringLiteral("speeding");
}

void SortEvents(UEventList &Events)
{
    std::stable_sort(Events.begin(), Events.end(), [](const UEvent &A, const UEvent &B) {
        if (A.TimeMs != B.TimeMs)
            return A.TimeMs < B.TimeMs;
        return int(A.Kind) < int(B.Kind);
    });
}

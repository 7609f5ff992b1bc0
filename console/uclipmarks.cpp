#include "uclipmarks.h"

#include "console/udisplaytick.h"
#include "console/umapscript.h"

QString UClipMarks::SetIn(qint64 TimeMs)
{
    InMs = qMax<qint64>(TimeMs, 0);
    QString text = QStringLiteral("In ") + UDisplayTick::FormatPlayTime(InMs);
    if (OutMs != None && OutMs <= InMs) {
        OutMs = None;
        text += QStringLiteral(", out cleared");
    }
    return text;
}

QString UClipMarks::SetOut(qint64 TimeMs)
{
    OutMs = qMax<qint64>(TimeMs, 0);
    QString text = QStringLiteral("Out ") + UDisplayTick::FormatPlayTime(OutMs);
    if (InMs != None && InMs >= OutMs) {
        InMs = None;
        text += QStringLiteral(", in cleared");
    }
    return text;
}

QString UClipMarks::ClearIn()
{
    InMs = None;
    return QStringLiteral("In cleared");
}

QString UClipMarks::ClearOut()
{
    OutMs = None;
    return QStringLiteral("Out cleared");
}

void UClipMarks::Clear()
{
    InMs = None;
    OutMs = None;
}

UClipMarks::Range UClipMarks::RangeOf(qint64 LengthMs) const
{
    Range range;
    range.FromMs = InMs == None ? 0 : InMs;
    range.ToMs = OutMs != None ? OutMs : LengthMs > 0 ? LengthMs : None;
    return range;
}

int UClipMarks::SliderValue(qint64 MarkMs, qint64 LengthMs, int SliderEnd)
{
    if (MarkMs == None || LengthMs <= 0)
        return int(None);
    return int(qBound(qint64(0), MarkMs * SliderEnd / LengthMs, qint64(SliderEnd)));
}

QString UClipMarks::MapCall() const
{
    return UMapScript::SetMarksCall(InMs, OutMs);
}

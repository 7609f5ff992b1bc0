#ifndef UCLIPMARKS_H
#define UCLIPMARKS_H

#include <QString>
#include <QtGlobal>

// The in and out marks of the recording that plays (I and O), the stretch
// "Export clip..." takes. A mark is a play time in milliseconds; the in-mark
// always lies before the out-mark.
class UClipMarks
{
public:
    static constexpr qint64 None = -1;

    struct Range
    {
        qint64 FromMs = 0;
        qint64 ToMs = 0;
    };

    // Marks the in-point at TimeMs; an out-mark at or before it is dropped.
    // The words to show for it.
    QString SetIn(qint64 TimeMs);
    // Marks the out-point at TimeMs; an in-mark at or after it is dropped.
    QString SetOut(qint64 TimeMs);
    QString ClearIn();
    QString ClearOut();
    void Clear();

    qint64 In() const { return InMs; }
    qint64 Out() const { return OutMs; }
    bool IsEmpty() const { return InMs == None && OutMs == None; }

    // The stretch of a recording of LengthMs an export takes: from the
    // in-mark (else the start) to the out-mark (else the end, or the end of
    // the recording's time where its length is unknown).
    Range RangeOf(qint64 LengthMs) const;

    // Where the marks lie on the position slider (0 to SliderEnd of a
    // recording of LengthMs); None for no mark or an unknown length.
    static int SliderValue(qint64 MarkMs, qint64 LengthMs, int SliderEnd);

    // The map page's call that shows the marks on its speed profile.
    QString MapCall() const;

private:
    qint64 InMs = None;
    qint64 OutMs = None;
};

#endif // UCLIPMARKS_H

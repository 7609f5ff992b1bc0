#ifndef CAPPEDLINES_H
#define CAPPEDLINES_H

#include <QByteArray>
#include <QByteArrayView>

// Cuts text that comes a piece at a time into lines, for readers of line
// based logs. A line longer than MaxBytes is no line of the log: it is
// dropped whole, so that a file without line breaks never makes the buffer
// grow. IsBreak(char) tells the bytes that end a line; the breaks themselves
// are not part of the lines handed on.
template <typename IsBreak>
class CappedLines
{
public:
    CappedLines(qsizetype MaxBytes, IsBreak Breaks) : MaxBytes(MaxBytes), Breaks(Breaks) {}

    // OnLine(QByteArrayView) for every line ended in Data.
    template <typename Take>
    void Feed(QByteArrayView Data, Take &&OnLine)
    {
        qsizetype start = 0;
        for (qsizetype k = 0; k < Data.size(); ++k) {
            if (!Breaks(Data[k]))
                continue;
            const QByteArrayView piece = Data.sliced(start, k - start);
            if (Pending.isEmpty() && !Skipping) {
                if (piece.size() <= MaxBytes)
                    OnLine(piece);
            } else {
                if (!Skipping && Pending.size() + piece.size() <= MaxBytes) {
                    Pending.append(piece);
                    OnLine(QByteArrayView(Pending));
                }
                Pending.clear();
                Skipping = false;
            }
            start = k + 1;
        }
        const QByteArrayView tail = Data.sliced(start);
        if (Skipping)
            return;
        if (Pending.size() + tail.size() > MaxBytes) {
            Pending.clear();
            Skipping = true;
        } else {
            Pending.append(tail);
        }
    }

    // The last line, which no break ended.
    template <typename Take>
    void Finish(Take &&OnLine)
    {
        if (!Pending.isEmpty() && !Skipping)
            OnLine(QByteArrayView(Pending));
        Pending.clear();
        Skipping = false;
    }

private:
    qsizetype MaxBytes;
    IsBreak Breaks;
    QByteArray Pending;
    bool Skipping = false;
};

#endif // CAPPEDLINES_H

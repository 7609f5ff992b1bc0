#ifndef DEBUGCOUNTER_H
#define DEBUGCOUNTER_H

// Counts the debug lines the program writes, passing them on unchanged.
#include <QHash>
#include <QString>
#include <QtGlobal>

class DebugCounter
{
public:
    DebugCounter() { Previous = qInstallMessageHandler(&DebugCounter::Handle); Current = this; }
    ~DebugCounter() { qInstallMessageHandler(Previous); Current = nullptr; }

    int Count(const QString &text) const { return Lines.value(text); }
    void Reset() { Lines.clear(); }

private:
    static void Handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (Current) {
            ++Current->Lines[message.trimmed()];
            if (type == QtDebugMsg)
                return; // keep test output readable
            Current->Previous(type, context, message);
        }
    }

    QHash<QString, int> Lines;
    QtMessageHandler Previous = nullptr;
    static inline DebugCounter *Current = nullptr;
};

#endif // DEBUGCOUNTER_H

#include "shotpage.h"

#include <cstdio>

void ShotPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                        int lineNumber, const QString &sourceID)
{
    static const char *const LevelNames[] = {"info", "warning", "error"};
    const int index = static_cast<int>(level);
    std::printf("console %s: %s (%s:%d)\n", index >= 0 && index < 3 ? LevelNames[index] : "?",
                qPrintable(message), qPrintable(sourceID), lineNumber);
    std::fflush(stdout);
}

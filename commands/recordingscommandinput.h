#ifndef RECORDINGSCOMMANDINPUT_H
#define RECORDINGSCOMMANDINPUT_H

#include "commands/ucommand.h"
#include "console/utrips.h"

#include <optional>

// What --events and --trips share: the videos of the paths given, searched
// as the import searches them, each analysed, and the user's speed limit.
struct RecordingsCommandInput
{
    // Index i is the i-th video found.
    QList<UTripInput> Recordings;
    double SpeedLimitKmh = 0.0;

    // None, after one line on standard error, when no path is given or none
    // holds a video.
    static std::optional<RecordingsCommandInput> Read(const UCommandRun &Run);
};

#endif // RECORDINGSCOMMANDINPUT_H

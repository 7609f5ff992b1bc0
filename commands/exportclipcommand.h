#ifndef EXPORTCLIPCOMMAND_H
#define EXPORTCLIPCOMMAND_H

#include "commands/ucommand.h"

#include <QString>

#include <optional>

// `vialumo --export-clip FILE --from TIME --to TIME --output DIR`: a stretch
// of FILE (and of the recordings that continue its drive) handed over into
// DIR: a clip per camera, its GPS, a summary and a manifest.
UCommand ExportClipCommand();

// A time from the start of a recording, HH:MM:SS or HH:MM:SS.mmm, in
// milliseconds; none when the text is no such time.
std::optional<qint64> ParseClipTime(const QString &Text);

#endif // EXPORTCLIPCOMMAND_H

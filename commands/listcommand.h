#ifndef LISTCOMMAND_H
#define LISTCOMMAND_H

#include "commands/ucommand.h"

struct VideoAndGpsfile;
class QJsonObject;

// `vialumo --list PATH...`: the recordings in the files and folders given
// (searched as the import searches them, each moment's cameras one
// recording), one JSON object a line, in the list's order.
UCommand ListCommand();

// One recording as --list prints it: "file" (the front camera's), "cameras"
// (role to path), "rating", "gps" (its "kind" and "path", or null), "start"
// (ISO 8601 UTC, or null) and "length_s" (or null).
QJsonObject ListedRecordingJson(const VideoAndGpsfile &Entry);

#endif // LISTCOMMAND_H

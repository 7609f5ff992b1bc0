#ifndef EXPORTGPXCOMMAND_H
#define EXPORTGPXCOMMAND_H

#include "commands/ucommand.h"

// `vialumo --export-gpx FILE`: FILE's GPS track (a video, its source found
// as on import, or a GPS file) on standard output as GPX 1.1.
UCommand ExportGpxCommand();

#endif // EXPORTGPXCOMMAND_H

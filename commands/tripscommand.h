#ifndef TRIPSCOMMAND_H
#define TRIPSCOMMAND_H

#include "commands/ucommand.h"

// `vialumo --trips PATH...`: the trips of the videos in the files and
// folders given, one JSON object a line: files, start, end, distance_m,
// top_speed_kmh.
UCommand TripsCommand();

#endif // TRIPSCOMMAND_H

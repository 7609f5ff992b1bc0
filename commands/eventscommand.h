#ifndef EVENTSCOMMAND_H
#define EVENTSCOMMAND_H

#include "commands/ucommand.h"

// `vialumo --events PATH...`: the events of every video in the files and
// folders given (searched as the import searches them), one line each in
// time order: "<file>\t<HH:MM:SS.s>\t<kind>\t<strength>".
UCommand EventsCommand();

#endif // EVENTSCOMMAND_H

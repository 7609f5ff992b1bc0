#ifndef VERIFYCOMMAND_H
#define VERIFYCOMMAND_H

#include "commands/ucommand.h"

// `vialumo --verify DIR`: every file DIR's manifest names, checked by its
// size and SHA-256.
UCommand VerifyCommand();

#endif // VERIFYCOMMAND_H

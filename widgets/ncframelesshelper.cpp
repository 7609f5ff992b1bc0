#include "ncframelesshelper.h"

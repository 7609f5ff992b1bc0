#include "gpslogdata.h"

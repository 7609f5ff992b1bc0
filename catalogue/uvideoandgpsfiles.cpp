#include "uvideoandgpsfiles.h"

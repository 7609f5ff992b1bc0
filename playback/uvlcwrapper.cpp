#include "uvlcwrapper.h"

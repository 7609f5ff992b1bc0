#include "tracora.h"

#include "uspeedmeter.h"

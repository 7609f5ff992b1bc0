#include "udoubleclickedwidget.h"

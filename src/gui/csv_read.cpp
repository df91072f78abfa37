// Reading the layout file into memory.
#include "gui/gui.h"

// Controls from layout table rows.
#include "gui/gui.h"

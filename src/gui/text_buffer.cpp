// Multiline text buffer of a read-only multiline edit.
#include "gui/gui.h"

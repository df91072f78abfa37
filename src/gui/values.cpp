// Moving element values between records and controls.
#include "gui/gui.h"

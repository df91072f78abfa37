// Numeric text conversion.
#include "numtext/numtext.h"

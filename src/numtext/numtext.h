// Numeric text: the program's own conversions between decimal text and
// numbers. Pure functions over caller-owned memory; no Win32.
#pragma once

#include <stdint.h>

// Length of the text before its first NUL, at most capacity (0 for capacity <= 0).
int BoundedTextLength(const char* text, int capacity);

// Plain decimal ("-12.5", "5.", ".5") or scientific ("1.5*10^-3") text to a double.
// 0: converted; 1: empty or neither form (out unchanged).
int TextToDouble(double& out, const char* text, int capacity);

// Decimal integer text with an optional leading '-'. out is 0 before the text
// is examined. 0: converted; 1: bad character or misplaced '-'; 2: empty;
// 3: outside the 32-bit range (out 0).
int TextToInt(int32_t& out, const char* text, int capacity);

// Decimal digits of a non-negative value into buffer (all size bytes cleared
// first); a negative value, or one whose digits and NUL do not fit, leaves an
// empty text. Always 0.
int IntToText(char* buffer, int32_t value, int size);

// Nine characters, three digits each for red, green, blue, to 0x00BBGGRR.
// 0: converted; 1, 2, 3: the red, green or blue group failed (out unchanged).
int TextToRgb(uint32_t& out, const char* text);

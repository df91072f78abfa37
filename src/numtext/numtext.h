// Numeric text: the program's own conversions between decimal text and
// numbers. Pure functions over caller-owned memory; no Win32.
#pragma once

#include <stdint.h>

// Length of the text before its first NUL, at most capacity (0 for capacity <= 0).
int BoundedTextLength(const char* text, int capacity);

// Plain decimal ("-12.5", "5.", ".5") or scientific ("1.5*10^-3") text to a double.
enum TextToDoubleResult {
    TEXT_DOUBLE_OK         = 0,
    TEXT_DOUBLE_NOT_NUMBER = 1, // empty, neither form, or beyond the double range; out unchanged
};
int TextToDouble(double& out, const char* text, int capacity);

// Decimal integer text with an optional leading '-'. out is 0 before the text
// is examined.
enum TextToIntResult {
    TEXT_INT_OK            = 0,
    TEXT_INT_BAD_TEXT      = 1, // a character that is no digit, or a misplaced '-'
    TEXT_INT_EMPTY         = 2,
    TEXT_INT_OUT_OF_RANGE  = 3, // outside the 32-bit range (out 0)
};
int TextToInt(int32_t& out, const char* text, int capacity);

// Decimal digits of a non-negative value into buffer (all size bytes cleared
// first); a negative value, or one whose digits and NUL do not fit, leaves an
// empty text. Always 0.
int IntToText(char* buffer, int32_t value, int size);

// Nine characters, three digits each for red, green, blue, to 0x00BBGGRR;
// a group that fails leaves out unchanged.
enum TextToRgbResult {
    TEXT_RGB_OK            = 0,
    TEXT_RGB_BAD_RED       = 1,
    TEXT_RGB_BAD_GREEN     = 2,
    TEXT_RGB_BAD_BLUE      = 3,
};
int TextToRgb(uint32_t& out, const char* text);

// Numeric text conversion: decimal and scientific text to numbers and back,
// each value built digit by digit so that the rest of the program sees the
// same numbers on every platform (0.3 reads as 3 * 0.1, not as the nearest
// double to three tenths).
#include "numtext/numtext.h"

#include <math.h>
#include <string.h>

// IntToText turns a digit value into its character by finding the value in
// digits and taking the character at the same index of my_chars.
static const char my_chars[11] = "0123456789";
static const int digits[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

// 10 to the power k by square-and-multiply; exact up to 10^22 and infinite
// once the power leaves the double range.
static double PowerOfTen(uint32_t k)
{
    double result = 1.0;
    double base = 10.0;
    while (k != 0) {
        if (k & 1u) {
            result *= base;
        }
        k >>= 1;
        base *= base;
    }
    return result;
}

// Digit value of c times 10^k; 0 for a character that is not a digit.
// A zero digit stays 0 even where 10^k is infinite, so leading zeros of a
// long text never turn the sum into NaN.
static double ScaledDigit(char c, int k)
{
    if (c < '0' || c > '9') {
        return 0.0;
    }
    int digit = c - '0';
    if (digit == 0) {
        return 0.0;
    }
    if (k >= 0) {
        return digit * PowerOfTen((uint32_t)k);
    }
    // k is never below -INT_MAX here (it counts characters), so -k fits.
    return digit * (1.0 / PowerOfTen((uint32_t)(-k)));
}

// Truncates a non-negative term to an integer, saturating at INT32_MAX so
// that an out-of-range double is never converted (that would be undefined).
static int32_t TruncateSaturated(double term)
{
    if (!(term < 2147483647.0)) {
        return INT32_MAX;
    }
    if (term <= 0.0) {
        return 0;
    }
    return (int32_t)term;
}

static int CountChar(const char* text, int n, char c)
{
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if (text[i] == c) {
            ++count;
        }
    }
    return count;
}

// Callers know the number of occurrences of c is at most expected, which is
// the size of positions.
static int FindCharPositions(const char* text, int n, char c, int* positions, int expected)
{
    int found = 0;
    for (int i = 0; i < n && found < expected; ++i) {
        if (text[i] == c) {
            positions[found] = i;
            ++found;
        }
    }
    return found == expected ? 0 : 1;
}

static int IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Every character a digit or one of others.
static int IsDigitsAnd(const char* text, int n, const char* others)
{
    for (int i = 0; i < n; ++i) {
        if (!IsDigit(text[i]) && memchr(others, text[i], strlen(others)) == nullptr) {
            return 0;
        }
    }
    return 1;
}

// At most one c, and not after position last.
static int AtMostOneUpTo(const char* text, int n, char c, int last)
{
    int count = CountChar(text, n, c);
    if (count > 1) {
        return 0;
    }
    int pos = 0;
    if (count == 1) {
        (void)FindCharPositions(text, n, c, &pos, 1);
    }
    return pos <= last;
}

// Digits, at most one '.', and at most one '-', which must come first.
static int IsDecimalText(const char* text, int n)
{
    return IsDigitsAnd(text, n, ".-") && AtMostOneUpTo(text, n, '.', n) && AtMostOneUpTo(text, n, '-', 0);
}

// mantissa*base^exponent: one '*' before one '^', a '.' only in the mantissa,
// and a '-' only first or right after the '^'.
static int IsScientificText(const char* text, int n)
{
    if (!IsDigitsAnd(text, n, ".*^-") || CountChar(text, n, '*') != 1 || CountChar(text, n, '^') != 1) {
        return 0;
    }
    int star_pos = 0;
    int caret_pos = 0;
    (void)FindCharPositions(text, n, '*', &star_pos, 1);
    (void)FindCharPositions(text, n, '^', &caret_pos, 1);
    if (star_pos > caret_pos) {
        return 0;
    }
    if (!AtMostOneUpTo(text, n, '.', star_pos)) {
        return 0;
    }
    int minus_count = CountChar(text, n, '-');
    if (minus_count > 2) {
        return 0;
    }
    int minus_pos[2] = {0, 0};
    if (minus_count == 2) {
        (void)FindCharPositions(text, n, '-', minus_pos, 2);
        return minus_pos[0] == 0 && minus_pos[1] == caret_pos + 1;
    }
    if (minus_count == 1) {
        (void)FindCharPositions(text, n, '-', minus_pos, 1);
        return minus_pos[0] == 0 || minus_pos[0] == caret_pos + 1;
    }
    return 1;
}

// 0: invalid; 1: digits only; 2: digits after a leading '-'.
static int ClassifyIntegerText(const char* text, int n)
{
    for (int i = 0; i < n; ++i) {
        char c = text[i];
        if (IsDigit(c)) {
            continue;
        }
        if (c != '-' || i != 0) {
            return 0;
        }
    }
    return text[0] == '-' ? 2 : 1;
}

int BoundedTextLength(const char* text, int capacity)
{
    if (text == nullptr || capacity <= 0) {
        return 0;
    }
    int n = 0;
    while (n < capacity && text[n] != '\0') {
        ++n;
    }
    return n;
}

// Integer digits of text[begin, end) before the '.' (at point, or end when
// there is none), then the fraction digits after it, as two separate sums.
static double MantissaValue(const char* text, int begin, int end, int point)
{
    int integer_end = point >= 0 ? point : end;
    double integer_part = 0.0;
    for (int i = begin; i < integer_end; ++i) {
        integer_part += ScaledDigit(text[i], integer_end - 1 - i);
    }
    double fraction_part = 0.0;
    if (point >= 0) {
        for (int i = point + 1; i < end; ++i) {
            fraction_part += ScaledDigit(text[i], -(i - point));
        }
    }
    return integer_part + fraction_part;
}

int TextToDouble(double& out, const char* text, int capacity)
{
    int n = BoundedTextLength(text, capacity);
    if (n == 0) {
        return TEXT_DOUBLE_NOT_NUMBER;
    }
    int scientific = IsScientificText(text, n);
    if (!scientific && !IsDecimalText(text, n)) {
        return TEXT_DOUBLE_NOT_NUMBER;
    }

    int negative_positions[2] = {-1, -1};
    int negative_count = CountChar(text, n, '-');
    (void)FindCharPositions(text, n, '-', negative_positions, negative_count);
    int decimal_position = -1;
    if (CountChar(text, n, '.') == 1) {
        (void)FindCharPositions(text, n, '.', &decimal_position, 1);
    }
    int multiplication_position = n;
    int exponent_position = n;
    if (scientific) {
        (void)FindCharPositions(text, n, '*', &multiplication_position, 1);
        (void)FindCharPositions(text, n, '^', &exponent_position, 1);
    }

    int negative = negative_count > 0 && negative_positions[0] == 0;
    int mantissa_begin = negative ? 1 : 0;
    double mantissa = MantissaValue(text, mantissa_begin, multiplication_position, decimal_position);
    if (negative) {
        mantissa = -mantissa;
    }

    double result = mantissa;
    if (scientific) {
        int exponent_begin = exponent_position + 1;
        int negative_exponent = exponent_begin < n && text[exponent_begin] == '-';
        if (negative_exponent) {
            ++exponent_begin;
        }
        // Terms and sum saturate at INT32_MAX: such a power of ten is
        // infinite, which the finiteness check below rejects (or which
        // underflows to zero for a negative exponent).
        int32_t e = 0;
        for (int i = exponent_begin; i < n; ++i) {
            int32_t term = TruncateSaturated(ScaledDigit(text[i], n - 1 - i));
            e = (e > INT32_MAX - term) ? INT32_MAX : e + term;
        }
        if (negative_exponent) {
            result = mantissa * (1.0 / PowerOfTen((uint32_t)e));
        } else {
            result = PowerOfTen((uint32_t)e) * mantissa;
        }
    }

    if (!isfinite(result)) {
        return TEXT_DOUBLE_NOT_NUMBER;
    }
    out = result;
    return TEXT_DOUBLE_OK;
}

int TextToInt(int32_t& out, const char* text, int capacity)
{
    out = 0;
    int n = BoundedTextLength(text, capacity);
    if (n == 0) {
        return TEXT_INT_EMPTY;
    }
    int kind = ClassifyIntegerText(text, n);
    if (kind == 0) {
        return TEXT_INT_BAD_TEXT;
    }
    // The magnitude is summed in 64 bits and checked after every digit, so
    // neither the sum nor the truncation of a term can overflow; the
    // negative range reaches one further (-2147483648).
    const int64_t limit = kind == 2 ? 2147483648LL : 2147483647LL;
    int64_t magnitude = 0;
    for (int i = kind == 2 ? 1 : 0; i < n; ++i) {
        double term = ScaledDigit(text[i], n - 1 - i);
        if (term > (double)limit) {
            return TEXT_INT_OUT_OF_RANGE;
        }
        magnitude += (int64_t)term;
        if (magnitude > limit) {
            return TEXT_INT_OUT_OF_RANGE;
        }
    }
    out = (int32_t)(kind == 2 ? -magnitude : magnitude);
    return TEXT_INT_OK;
}

int IntToText(char* buffer, int32_t value, int size)
{
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    memset(buffer, 0, (size_t)size);
    // Negative values have no text; an empty text is the result.
    if (value < 0) {
        return 0;
    }
    int n = 0;
    for (int32_t rest = value; rest != 0; rest /= 10) {
        ++n;
    }
    if (n == 0) {
        n = 1;
    }
    // The digits and their NUL must fit, else the text stays empty.
    if (n >= size) {
        return 0;
    }
    if (value == 0) {
        buffer[0] = my_chars[0];
        return 0;
    }
    for (int i = 0; i < n; ++i) {
        // At most 10^9, exact and within 32 bits.
        int32_t p = (int32_t)PowerOfTen((uint32_t)(n - 1 - i));
        int32_t d = value / p;
        value = value - d * p;
        for (int index = 0; index < 10; ++index) {
            if (digits[index] == d) {
                buffer[i] = my_chars[index];
                break;
            }
        }
    }
    return 0;
}

int TextToRgb(uint32_t& out, const char* text)
{
    char red[4];
    char green[4];
    char blue[4];
    memcpy(red, text, 3);
    memcpy(green, text + 3, 3);
    memcpy(blue, text + 6, 3);
    red[3] = '\0';
    green[3] = '\0';
    blue[3] = '\0';

    int32_t r = 0;
    int32_t g = 0;
    int32_t b = 0;
    if (TextToInt(r, red, 3) != TEXT_INT_OK) {
        return TEXT_RGB_BAD_RED;
    }
    if (TextToInt(g, green, 3) != TEXT_INT_OK) {
        return TEXT_RGB_BAD_GREEN;
    }
    if (TextToInt(b, blue, 3) != TEXT_INT_OK) {
        return TEXT_RGB_BAD_BLUE;
    }
    out = ((uint32_t)r & 0xFFu) + ((uint32_t)g & 0xFFu) * 256u + ((uint32_t)b & 0xFFu) * 65536u;
    return TEXT_RGB_OK;
}

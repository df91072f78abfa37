// Fuzz target of the numeric text conversions. Every input is handed over in
// a heap block of exactly its size with no NUL after it, so a read past the
// capacity shows up under AddressSanitizer. Results are checked against the
// C library where the two grammars agree.
#include "numtext/numtext.h"

#include <errno.h>
#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

static void Require(bool condition)
{
    if (!condition) {
        abort();
    }
}

static bool OnlyChars(const std::string& text, const char* allowed)
{
    return text.find_first_not_of(allowed) == std::string::npos;
}

static void CheckDouble(const char* data, int capacity)
{
    double value = -777.25;
    int status = TextToDouble(value, data, capacity);
    Require(status == 0 || status == 1);
    if (status != 0) {
        Require(value == -777.25);
        return;
    }
    Require(isfinite(value));

    // A plain decimal text is exactly what strtod reads in full, apart from
    // the digitless texts that only this grammar accepts.
    std::string text(data, (size_t)BoundedTextLength(data, capacity));
    if (text.find('*') != std::string::npos) {
        return;
    }
    Require(OnlyChars(text, "0123456789.-"));
    if (text.find_first_of("0123456789") == std::string::npos) {
        Require(value == 0.0);
        return;
    }
    char* end = nullptr;
    double reference = strtod(text.c_str(), &end);
    Require(end == text.c_str() + text.size());
    // Summing per-digit terms drifts from the nearest double by a few ulps
    // per digit, and tiny fractions underflow a little earlier.
    Require(fabs(value - reference) <= 1e-9 * fabs(reference) + 1e-300);
}

static void CheckPlainGrammar(const char* data, int capacity)
{
    // Conversely, any [-]digits[.digits] text strtod reads in full is accepted.
    std::string text(data, (size_t)BoundedTextLength(data, capacity));
    if (text.empty() || !OnlyChars(text, "0123456789.-")) {
        return;
    }
    char* end = nullptr;
    (void)strtod(text.c_str(), &end);
    if (end == text.c_str() + text.size()) {
        double value = 0.0;
        int status = TextToDouble(value, data, capacity);
        // Only an integer part beyond the double range may still be refused.
        size_t point = text.find('.');
        size_t integer_digits = (point == std::string::npos ? text.size() : point) - (text[0] == '-' ? 1 : 0);
        Require(status == 0 || integer_digits > 300);
    }
}

static void CheckInt(const char* data, int capacity)
{
    int32_t value = 12345;
    int status = TextToInt(value, data, capacity);
    Require(status >= 0 && status <= 3);
    std::string text(data, (size_t)BoundedTextLength(data, capacity));
    if (status != 0) {
        Require(value == 0);
    }
    if (text.empty()) {
        Require(status == 2);
        return;
    }
    bool digits_only = OnlyChars(text.substr(text[0] == '-' ? 1 : 0), "0123456789");
    Require((status == 1) == !digits_only);
    if (!digits_only) {
        return;
    }
    errno = 0;
    long long reference = strtoll(text.c_str(), nullptr, 10);
    bool in_range = errno == 0 && reference >= INT32_MIN && reference <= INT32_MAX;
    Require((status == 3) == !in_range);
    if (status == 0) {
        Require(value == reference);
    }
}

static void CheckIntToText(const uint8_t* data, size_t size)
{
    if (size < 5) {
        return;
    }
    int32_t value = (int32_t)((uint32_t)data[0] | (uint32_t)data[1] << 8 | (uint32_t)data[2] << 16 |
                              (uint32_t)data[3] << 24);
    int buffer_size = (int)(data[4] % 16) - 2;
    char* buffer = buffer_size > 0 ? (char*)malloc((size_t)buffer_size) : nullptr;
    Require(IntToText(buffer, value, buffer_size) == 0);
    if (buffer != nullptr) {
        int length = BoundedTextLength(buffer, buffer_size);
        Require(length < buffer_size);
        std::string expected = std::to_string(value);
        bool fits = value >= 0 && (int)expected.size() < buffer_size;
        Require(fits ? std::string(buffer, (size_t)length) == expected : length == 0);
        free(buffer);
    }
    // A NULL buffer with no room is left alone.
    Require(IntToText(nullptr, value, buffer_size <= 0 ? buffer_size : 0) == 0);
}

static void CheckRgb(const char* data, size_t size)
{
    if (size < 9) {
        return;
    }
    uint32_t colour = 0xDEADBEEFu;
    int status = TextToRgb(colour, data);
    Require(status >= 0 && status <= 3);
    if (status == 0) {
        Require((colour & 0xFF000000u) == 0);
    } else {
        Require(colour == 0xDEADBEEFu);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 100000) {
        return 0;
    }
    // An exact-size copy: no terminator for the routines to lean on.
    char* text = (char*)malloc(size == 0 ? 1 : size);
    if (size > 0) {
        memcpy(text, data, size);
    }
    int capacity = (int)size;

    CheckDouble(text, capacity);
    CheckPlainGrammar(text, capacity);
    CheckInt(text, capacity);
    CheckRgb(text, size);
    // The program's fields are 30 and 31 bytes long.
    if (size >= 31) {
        CheckDouble(text, 30);
        CheckInt(text, 31);
    }
    CheckDouble(text, 0);
    CheckInt(text, -1);
    CheckIntToText(data, size);

    free(text);
    return 0;
}

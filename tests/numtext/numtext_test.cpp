// Numeric text conversion: the grammar, the digit-by-digit values and the
// behaviour at the edges of the number ranges and of the caller's buffers.
#include "numtext/numtext.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <string>

namespace {

const double kUntouched = -777.25;

// Converts a whole C string (capacity = its length, no NUL inside the capacity).
int ToDouble(double& out, const std::string& text)
{
    return TextToDouble(out, text.data(), (int)text.size());
}

double DoubleOf(const std::string& text)
{
    double value = kUntouched;
    EXPECT_EQ(0, ToDouble(value, text)) << "text: " << text;
    return value;
}

void ExpectRejectedDouble(const std::string& text)
{
    double value = kUntouched;
    EXPECT_EQ(1, ToDouble(value, text)) << "text: " << text;
    EXPECT_EQ(kUntouched, value) << "text: " << text;
}

int IntStatus(int32_t& out, const std::string& text)
{
    out = 12345;
    return TextToInt(out, text.data(), (int)text.size());
}

// Each text converts to exactly its value.
void ExpectDoubles(std::initializer_list<std::pair<const char*, double>> cases)
{
    for (const auto& c : cases)
        EXPECT_EQ(c.second, DoubleOf(c.first)) << "text: " << c.first;
}

struct IntCase {
    const char* text;
    int         status;
    int32_t     value;
};

// Each text gives its status and leaves its value.
void ExpectInts(std::initializer_list<IntCase> cases)
{
    for (const IntCase& c : cases) {
        int32_t value = 0;
        EXPECT_EQ(c.status, IntStatus(value, c.text)) << "text: " << c.text;
        EXPECT_EQ(c.value, value) << "text: " << c.text;
    }
}

} // namespace

TEST(NumText, BoundedTextLengthStopsAtNulOrCapacity)
{
    const char text[8] = {'1', '2', '3', '\0', '5', '6', '7', '8'};
    EXPECT_EQ(3, BoundedTextLength(text, 8));
    EXPECT_EQ(2, BoundedTextLength(text, 2));
    EXPECT_EQ(4, BoundedTextLength(text + 4, 4));
    EXPECT_EQ(0, BoundedTextLength(text, 0));
    EXPECT_EQ(0, BoundedTextLength(text, -5));
    EXPECT_EQ(0, BoundedTextLength(nullptr, 10));
}

TEST(NumText, DecimalValuesAreBuiltDigitByDigit)
{
    // The fraction digits are digit * (1 / 10^j), so some values differ from
    // the nearest double by an ulp.
    ExpectDoubles({{"0.3", 0.30000000000000004}, {"0.7", 0.7000000000000001}, {"0.35", 0.35000000000000003}});
    EXPECT_NE(0.3, DoubleOf("0.3"));
    ExpectDoubles({{"2.25", 2.25}, {"0.1", 0.1}, {"123.456", 123.456}, {"-12.5", -12.5}, {"400", 400.0},
                   {"1234567890123", 1234567890123.0}});

    // Digits may be missing on either side of the point, or altogether.
    ExpectDoubles({{"5.", 5.0}, {".5", 0.5}, {"-.5", -0.5}});
    double minus = DoubleOf("-");
    EXPECT_EQ(0.0, minus);
    EXPECT_TRUE(signbit(minus));
    double point = DoubleOf(".");
    EXPECT_EQ(0.0, point);
    EXPECT_FALSE(signbit(point));
    EXPECT_TRUE(signbit(DoubleOf("-.")));
}

TEST(NumText, DecimalTextEndsAtNulOrCapacity)
{
    // A field filled to its capacity has no NUL and is read in full.
    char field[30];
    memset(field, '1', sizeof field);
    field[1] = '.';
    double value = kUntouched;
    ASSERT_EQ(0, TextToDouble(value, field, (int)sizeof field));
    EXPECT_NEAR(1.1111111111111111, value, 1e-15);

    const char early[8] = {'1', '2', '\0', '9', '9', '9', '9', '9'};
    ASSERT_EQ(0, TextToDouble(value, early, 8));
    EXPECT_EQ(12.0, value);

    // The capacity cuts the text even where more digits follow.
    ASSERT_EQ(0, TextToDouble(value, "12.75", 3));
    EXPECT_EQ(12.0, value);

    ExpectRejectedDouble("");
    value = kUntouched;
    EXPECT_EQ(1, TextToDouble(value, "12", 0));
    EXPECT_EQ(1, TextToDouble(value, "12", -1));
    EXPECT_EQ(kUntouched, value);
}

TEST(NumText, DoubleRejectsForeignCharactersAndMisplacedSigns)
{
    const char* rejected[] = {
        " 1", "1 ", "+1", "1,5", "1e5", "1E5", "1.5.2", "1-", "1-2", "--1",
        "-1-", "..", "abc", "0x10", "inf", "nan", "1.5\t",
    };
    for (const char* text : rejected) {
        ExpectRejectedDouble(text);
    }
}

TEST(NumText, ScientificFormAndItsUnreadBase)
{
    ExpectDoubles({{"1.5*10^-3", 0.0015}, {"-2.5*10^2", -250.0}, {"12*10^3", 12000.0},
                   {"3*10^-1", 0.30000000000000004}, {"2*99^3", 2000.0}, {"2*^3", 2000.0}, {"*10^", 0.0},
                   {"*10^-", 0.0}, {"-.25*10^-0", -0.25}, {"-5*10^-3", -0.005}, {"7.*10^0", 7.0},
                   {"1*10^22", 1e22}, {"5*10^0000000000000000000009", 5e9}});

    const char* rejected[] = {
        "1*10^3.5",  // '.' after the '*'
        "1*.10^3",   // '.' after the '*'
        "1*10*^3",   // second '*'
        "1*10^^3",   // second '^'
        "1^10*3",    // '^' before the '*'
        "1*10-^3",   // '-' neither first nor after '^'
        "1-*10^3",   // '-' neither first nor after '^'
        "1*10^3-",   // '-' neither first nor after '^'
        "-1*10^--3", // third '-'
        "-1-*10^-3", // three '-'
        "--1*10^3",  // two '-' but not first and after '^'
        "1*10^3 ",   // blank
        "1*10e3",    // no '^'
        "1.5.*10^3", // two '.'
    };
    for (const char* text : rejected) {
        ExpectRejectedDouble(text);
    }
}

TEST(NumText, DoubleResultsThatLeaveTheDoubleRangeAreRejected)
{
    EXPECT_NEAR(1e308, DoubleOf("1*10^308"), 1e293);
    ExpectRejectedDouble("1*10^309");
    ExpectRejectedDouble("-2*10^400");
    // Exponent digits beyond the 32-bit range saturate instead of wrapping.
    ExpectRejectedDouble("1*10^2147483648");
    ExpectRejectedDouble("1*10^99999999999999999999999");
    // A power of ten that overflows is rejected even for a zero mantissa.
    ExpectRejectedDouble("0*10^400");

    // A huge negative exponent underflows to a zero of the mantissa's sign.
    double tiny = DoubleOf("1*10^-99999999999999999999999");
    EXPECT_EQ(0.0, tiny);
    EXPECT_FALSE(signbit(tiny));
    tiny = DoubleOf("-1*10^-400");
    EXPECT_EQ(0.0, tiny);
    EXPECT_TRUE(signbit(tiny));

    // Long mantissas from a caller with a large capacity.
    std::string huge = "1" + std::string(400, '0');
    ExpectRejectedDouble(huge);
    EXPECT_EQ(7.0, DoubleOf(std::string(400, '0') + "7"));
    EXPECT_EQ(0.0, DoubleOf("0." + std::string(400, '0') + "1"));
}

TEST(NumText, IntegerTextAndItsStatusCodes)
{
    int32_t value = 0;
    ExpectInts({{"-12", 0, -12}, {"400", 0, 400}, {"0", 0, 0}, {"007", 0, 7}, {"-", 0, 0}, {"", 2, 0}});

    const char* bad[] = {"12-", "1-2", "-1-2", "1.0", "+1", " 1", "1 ", "a", "--1"};
    for (const char* text : bad) {
        EXPECT_EQ(1, IntStatus(value, text)) << "text: " << text;
        EXPECT_EQ(0, value) << "text: " << text;
    }
    value = 99;
    EXPECT_EQ(2, TextToInt(value, "123", 0));
    EXPECT_EQ(0, value);

    // The capacity bounds the text; a NUL ends it early.
    EXPECT_EQ(0, TextToInt(value, "98765", 2));
    EXPECT_EQ(98, value);
    const char early[6] = {'4', '2', '\0', '9', '9', '9'};
    EXPECT_EQ(0, TextToInt(value, early, 6));
    EXPECT_EQ(42, value);
}

TEST(NumText, IntegerTextOutsideThe32BitRange)
{
    int32_t value = 0;
    ExpectInts({{"2147483647", 0, INT32_MAX}, {"-2147483648", 0, INT32_MIN},
                {"000000000000000000000000000042", 0, 42}});

    const char* out_of_range[] = {
        "2147483648", "-2147483649", "4294967296", "9999999999", "10000000000",
        "-99999999999", "999999999999999999999999999999", "-99999999999999999999999999999",
        "99999999999999999999",
    };
    for (const char* text : out_of_range) {
        EXPECT_EQ(3, IntStatus(value, text)) << "text: " << text;
        EXPECT_EQ(0, value) << "text: " << text;
    }
    std::string long_text(500, '9');
    EXPECT_EQ(3, IntStatus(value, long_text));
    EXPECT_EQ(0, value);
}

TEST(NumText, IntToTextWritesOnlyWhatFits)
{
    char buffer[16];
    // Every call writes over a buffer of 'x'.
    auto write = [&](int32_t value, int size) {
        memset(buffer, 'x', sizeof buffer);
        return IntToText(buffer, value, size);
    };

    EXPECT_EQ(0, write(0, 11));
    EXPECT_STREQ("0", buffer);
    EXPECT_EQ(0, write(1234, 11));
    EXPECT_STREQ("1234", buffer);
    // All size bytes are cleared, not just the ones after the digits.
    for (int i = 4; i < 11; ++i) {
        EXPECT_EQ('\0', buffer[i]) << "index " << i;
    }
    EXPECT_EQ('x', buffer[11]);
    EXPECT_EQ(0, write(1000000000, 11));
    EXPECT_STREQ("1000000000", buffer);
    EXPECT_EQ(0, write(INT32_MAX, 11));
    EXPECT_STREQ("2147483647", buffer);

    // Negative values leave an empty text.
    EXPECT_EQ(0, write(-5, 11));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(0, write(INT32_MIN, 11));
    EXPECT_STREQ("", buffer);

    // The digits and the NUL must fit: exactly enough, one short, none.
    EXPECT_EQ(0, write(1234, 5));
    EXPECT_STREQ("1234", buffer);
    EXPECT_EQ('x', buffer[5]);
    EXPECT_EQ(0, write(1234, 4));
    EXPECT_EQ(0, memcmp(buffer, "\0\0\0\0xxxx", 8));
    EXPECT_EQ(0, write(INT32_MAX, 10));
    EXPECT_EQ('\0', buffer[0]);
    EXPECT_EQ('\0', buffer[9]);
    EXPECT_EQ('x', buffer[10]);
    EXPECT_EQ(0, write(0, 1));
    EXPECT_EQ('\0', buffer[0]);
    EXPECT_EQ('x', buffer[1]);
    EXPECT_EQ(0, write(0, 2));
    EXPECT_STREQ("0", buffer);
    EXPECT_EQ('x', buffer[2]);
    EXPECT_EQ(0, write(7, 0));
    EXPECT_EQ(0, IntToText(buffer, 7, -3));
    EXPECT_EQ('x', buffer[0]);
}

TEST(NumText, RgbTextInNineDigits)
{
    uint32_t colour = 0xDEADBEEF;
    // A NUL shortens the group that holds it.
    const char short_groups[9] = {'1', '\0', '\0', '2', '\0', '9', '3', '4', '\0'};
    const struct { const char* text; uint32_t colour; } converted[] = {
        {"255128000", 0x80FFu}, {"000000255", 0x00FF0000u}, {"001002003", 0x00030201u},
        // Each group keeps only its lowest 8 bits.
        {"300000000", 44u}, {"000-12000", 244u << 8}, {"999999999", 0x00E7E7E7u},
        {short_groups, 0x00220201u},
    };
    for (const auto& c : converted) {
        EXPECT_EQ(0, TextToRgb(colour, c.text)) << c.text;
        EXPECT_EQ(c.colour, colour) << c.text;
    }

    colour = 0xDEADBEEF;
    EXPECT_EQ(1, TextToRgb(colour, "2a5128000"));
    EXPECT_EQ(2, TextToRgb(colour, "25512.000"));
    EXPECT_EQ(3, TextToRgb(colour, "25512800x"));
    const char empty_red[9] = {'\0', '\0', '\0', '1', '2', '8', '0', '0', '0'};
    EXPECT_EQ(1, TextToRgb(colour, empty_red));
    const char empty_green[9] = {'2', '5', '5', '\0', '1', '2', '0', '0', '0'};
    EXPECT_EQ(2, TextToRgb(colour, empty_green));
    EXPECT_EQ(3, TextToRgb(colour, "00000012-"));
    EXPECT_EQ(1, TextToRgb(colour, "0-1000000"));
    EXPECT_EQ(0xDEADBEEFu, colour);
}

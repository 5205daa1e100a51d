// Reading "crc" (hexadecimal) and "lang" (decimal) values.
#include <gtest/gtest.h>

#include "config/model_file.h"

namespace {

struct NumberCase {
    const char* text;
    std::uint32_t value;
};

TEST(HexNumber, SpellingsSignsOverflowAndGarbage)
{
    const NumberCase cases[] = {
        // One checksum however it is spelt.
        {"7c3a01f5", 0x7c3a01f5u}, {"7C3A01F5", 0x7c3a01f5u}, {"0x7C3A01F5", 0x7c3a01f5u},
        {"0X7c3a01f5", 0x7c3a01f5u}, {" \t\r\n7c3a01f5", 0x7c3a01f5u}, {"+7c3a01f5", 0x7c3a01f5u},
        {"7c3a01f5 is the checksum", 0x7c3a01f5u}, {"7c3a01f5g", 0x7c3a01f5u},
        {"e6b0c2d9", 0xe6b0c2d9u}, {"FFFFFFFF", 0xFFFFFFFFu}, {"80000000", 0x80000000u},
        // More than eight significant digits: all bits set, then negated by a minus.
        {"7c3a01f5aa", 4294967295u}, {"100000000", 4294967295u}, {"0x123456789abcdef0123", 4294967295u},
        {"00000000007c3a01f5", 0x7c3a01f5u}, {"-100000000", 1u}, {"-7c3a01f5aa", 1u},
        {"-1", 0xFFFFFFFFu}, {"-0x10", 0xFFFFFFF0u}, {"-ffffffff", 1u}, {"-0", 0u},
        // No digits; the prefix is taken once, after the sign.
        {"", 0u}, {"   ", 0u}, {"xyz", 0u}, {"0x", 0u}, {"0xg1", 0u}, {"-", 0u}, {"+-5", 0u},
        {"- 5", 0u}, {"0x0x5", 0u}, {"x5", 0u},
    };
    for (const NumberCase& c : cases)
        EXPECT_EQ(parseHexNumber(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(parseHexNumber(nullptr), 0u);
}

TEST(DecimalNumber, DigitsSignsAndOverflow)
{
    const NumberCase cases[] = {
        {"10", 10u}, {"  14", 14u}, {"+7", 7u}, {"12 texts", 12u}, {"1a", 1u}, {"007", 7u},
        {"4294967295", 4294967295u}, {"0x10", 0u}, {"a1", 0u}, {"", 0u}, {"ten", 0u},
        {"-1", 4294967295u}, {"-14", 0u - 14u}, {"4294967296", 4294967295u},
        {"99999999999999999999999", 4294967295u}, {"-4294967296", 1u}, {"-4294967295", 1u},
        {"2147483648", 2147483648u},
    };
    for (const NumberCase& c : cases)
        EXPECT_EQ(parseDecimalNumber(c.text), c.value) << '"' << c.text << '"';
    // The patch run keeps the count signed: -1 and overflow past 2^31 mean no texts.
    EXPECT_LT(static_cast<std::int32_t>(parseDecimalNumber("-1")), 0);
    EXPECT_LT(static_cast<std::int32_t>(parseDecimalNumber("2147483648")), 0);
}

} // namespace

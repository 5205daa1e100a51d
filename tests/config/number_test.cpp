// Reading "crc" (hexadecimal) and "lang" (decimal) values.
#include <gtest/gtest.h>

#include "config/model_file.h"

namespace {

TEST(HexNumber, SameDigitsGiveSameChecksumWhateverTheSpelling)
{
    const std::uint32_t plain = parseHexNumber("7c3a01f5");
    EXPECT_EQ(plain, 0x7c3a01f5u);
    EXPECT_EQ(parseHexNumber("7C3A01F5"), plain);
    EXPECT_EQ(parseHexNumber("0x7C3A01F5"), plain);
    EXPECT_EQ(parseHexNumber("0X7c3a01f5"), plain);
    EXPECT_EQ(parseHexNumber(" \t\r\n7c3a01f5"), plain);
    EXPECT_EQ(parseHexNumber("+7c3a01f5"), plain);
    EXPECT_EQ(parseHexNumber("7c3a01f5 is the checksum"), plain);
    EXPECT_EQ(parseHexNumber("7c3a01f5g"), plain);
}

TEST(HexNumber, HighBitSetIsReadInFull)
{
    EXPECT_EQ(parseHexNumber("e6b0c2d9"), 0xe6b0c2d9u);
    EXPECT_EQ(parseHexNumber("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(parseHexNumber("80000000"), 0x80000000u);
}

TEST(HexNumber, TooManyDigitsGiveAllBitsSet)
{
    EXPECT_EQ(parseHexNumber("7c3a01f5aa"), 4294967295u);
    EXPECT_EQ(parseHexNumber("100000000"), 4294967295u);
    EXPECT_EQ(parseHexNumber("0x123456789abcdef0123"), 4294967295u);
    // Leading zeros do not count towards the size.
    EXPECT_EQ(parseHexNumber("00000000007c3a01f5"), 0x7c3a01f5u);
    // Too large first, then negated: all bits set, negated, is 1.
    EXPECT_EQ(parseHexNumber("-100000000"), 1u);
    EXPECT_EQ(parseHexNumber("-7c3a01f5aa"), 1u);
}

TEST(HexNumber, MinusNegatesModulo32Bits)
{
    EXPECT_EQ(parseHexNumber("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(parseHexNumber("-0x10"), 0xFFFFFFF0u);
    EXPECT_EQ(parseHexNumber("-ffffffff"), 1u);
    EXPECT_EQ(parseHexNumber("-0"), 0u);
}

TEST(HexNumber, NoDigitsGiveZero)
{
    EXPECT_EQ(parseHexNumber(""), 0u);
    EXPECT_EQ(parseHexNumber("   "), 0u);
    EXPECT_EQ(parseHexNumber("xyz"), 0u);
    EXPECT_EQ(parseHexNumber("0x"), 0u);
    EXPECT_EQ(parseHexNumber("0xg1"), 0u);
    EXPECT_EQ(parseHexNumber("-"), 0u);
    EXPECT_EQ(parseHexNumber("+-5"), 0u);
    EXPECT_EQ(parseHexNumber("- 5"), 0u);
    EXPECT_EQ(parseHexNumber(nullptr), 0u);
    // The prefix is taken once only, and only after the sign.
    EXPECT_EQ(parseHexNumber("0x0x5"), 0u);
    EXPECT_EQ(parseHexNumber("x5"), 0u);
}

TEST(DecimalNumber, DigitsUpToTheFirstOtherCharacter)
{
    EXPECT_EQ(parseDecimalNumber("10"), 10u);
    EXPECT_EQ(parseDecimalNumber("  14"), 14u);
    EXPECT_EQ(parseDecimalNumber("+7"), 7u);
    EXPECT_EQ(parseDecimalNumber("12 texts"), 12u);
    EXPECT_EQ(parseDecimalNumber("1a"), 1u);
    EXPECT_EQ(parseDecimalNumber("007"), 7u);
    EXPECT_EQ(parseDecimalNumber("4294967295"), 4294967295u);
}

TEST(DecimalNumber, HexDigitsAndPrefixAreNotDecimal)
{
    EXPECT_EQ(parseDecimalNumber("0x10"), 0u);
    EXPECT_EQ(parseDecimalNumber("a1"), 0u);
    EXPECT_EQ(parseDecimalNumber(""), 0u);
    EXPECT_EQ(parseDecimalNumber("ten"), 0u);
}

TEST(DecimalNumber, MinusOneCountsAsNoTexts)
{
    const std::uint32_t value = parseDecimalNumber("-1");
    EXPECT_EQ(value, 4294967295u);
    // The patch run keeps the count as a signed number: negative means none.
    EXPECT_LT(static_cast<std::int32_t>(value), 0);
    EXPECT_EQ(parseDecimalNumber("-14"), 0u - 14u);
}

TEST(DecimalNumber, OverflowGivesAllBitsSet)
{
    EXPECT_EQ(parseDecimalNumber("4294967296"), 4294967295u);
    EXPECT_EQ(parseDecimalNumber("99999999999999999999999"), 4294967295u);
    EXPECT_EQ(parseDecimalNumber("-4294967296"), 1u);
    EXPECT_EQ(parseDecimalNumber("-4294967295"), 1u);
    EXPECT_EQ(parseDecimalNumber("2147483648"), 2147483648u);
    EXPECT_LT(static_cast<std::int32_t>(parseDecimalNumber("2147483648")), 0);
}

} // namespace

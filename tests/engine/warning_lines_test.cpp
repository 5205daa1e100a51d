#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/warning_lines.h"

namespace {

class WarningLinesTest : public ::testing::Test {
protected:
    WarningLines lines;
};

TEST_F(WarningLinesTest, AllEmptyLinesEndAtZeroToSix)
{
    EXPECT_EQ(lines.recomputeLineEnds(), 6);
    for (int i = 0; i < WarningLines::kCount; ++i)
        EXPECT_EQ(lines.lineEnds[i], i);
}

TEST_F(WarningLinesTest, RunningEndsCountLineFeeds)
{
    lines.setLine(0, "AB");
    lines.setLine(1, "");
    lines.setLine(2, "CDE");
    const std::int32_t expected[] = {2, 3, 7, 8, 9, 10, 11};
    EXPECT_EQ(lines.recomputeLineEnds(), 11);
    for (int i = 0; i < WarningLines::kCount; ++i)
        EXPECT_EQ(lines.lineEnds[i], expected[i]) << "entry " << i;
}

TEST_F(WarningLinesTest, SetLineKeepsTwentyNineCharacters)
{
    const std::string thirty(30, 'x');
    lines.setLine(3, thirty.c_str());
    EXPECT_EQ(std::string(lines.lineText(3)), std::string(29, 'x'));
    lines.setLine(3, std::string(200, 'y').c_str());
    EXPECT_EQ(std::string(lines.lineText(3)), std::string(29, 'y'));
    lines.setLine(3, "short");
    EXPECT_STREQ(lines.lineText(3), "short");
    // setLine keeps the ends in step with the lines.
    EXPECT_EQ(lines.lineEnds[3], 3 + 5);
    EXPECT_EQ(lines.lineEnds[6], 6 + 5);
}

TEST_F(WarningLinesTest, ThirtyCharactersAcceptedThirtyOneRejected)
{
    std::memset(lines.lines[0], 'a', 30);
    lines.lines[0][30] = '\0';
    EXPECT_EQ(lines.recomputeLineEnds(), 36);
    EXPECT_EQ(lines.lineEnds[0], 30);

    std::memset(lines.lines[0], 'a', 31);
    lines.lines[0][31] = '\0';
    EXPECT_EQ(lines.recomputeLineEnds(), 0);
}

TEST_F(WarningLinesTest, StopsAtFirstOverlongLine)
{
    lines.setLine(0, "ONE");
    lines.setLine(1, "TWO");
    lines.setLine(2, "THREE");
    ASSERT_EQ(lines.recomputeLineEnds(), 3 + 3 + 5 + 6);
    const std::int32_t before[] = {3, 7, 13, 14, 15, 16, 17};

    // Line 1 grows, line 4 becomes over-long: entries 1 to 3 change, 4 to 7 stay.
    std::strcpy(lines.lines[0], "ONE MORE");
    std::memset(lines.lines[3], 'z', 31);
    lines.lines[3][31] = '\0';
    EXPECT_EQ(lines.recomputeLineEnds(), 0);
    EXPECT_EQ(lines.lineEnds[0], 8);
    EXPECT_EQ(lines.lineEnds[1], 12);
    EXPECT_EQ(lines.lineEnds[2], 18);
    for (int i = 3; i < WarningLines::kCount; ++i)
        EXPECT_EQ(lines.lineEnds[i], before[i]) << "entry " << i;
}

TEST_F(WarningLinesTest, UnterminatedBufferIsMeasuredWithinItself)
{
    // A buffer without a terminator counts as 32 characters: over-long.
    std::memset(lines.lines[6], 'q', WarningLines::kBufferSize);
    EXPECT_EQ(lines.recomputeLineEnds(), 0);
}

TEST_F(WarningLinesTest, IndexOutsideTheLinesChangesNothing)
{
    lines.setLine(-1, "nope");
    lines.setLine(7, "nope");
    for (int i = 0; i < WarningLines::kCount; ++i)
        EXPECT_STREQ(lines.lineText(i), "");
    EXPECT_STREQ(lines.lineText(7), "");
    EXPECT_STREQ(lines.lineText(-1), "");
}

TEST_F(WarningLinesTest, NullTextEmptiesTheLine)
{
    lines.setLine(2, "something");
    lines.setLine(2, nullptr);
    EXPECT_STREQ(lines.lineText(2), "");
    EXPECT_EQ(lines.lineEnds[6], 6);
}

} // namespace

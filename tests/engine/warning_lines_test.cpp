#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/warning_lines.h"

namespace {

class WarningLinesTest : public ::testing::Test {
protected:
    void expectEnds(const std::vector<std::int32_t>& expected)
    {
        for (int i = 0; i < WarningLines::kCount; ++i)
            EXPECT_EQ(lines.lineEnds[i], expected[static_cast<std::size_t>(i)]) << "entry " << i;
    }
    // Stores `length` copies of `c` straight into a buffer, as loaded from storage.
    void fillRaw(int index, char c, std::size_t length)
    {
        std::memset(lines.lines[index], c, length);
        if (length < WarningLines::kBufferSize)
            lines.lines[index][length] = '\0';
    }

    WarningLines lines;
};

TEST_F(WarningLinesTest, RunningEndsCountLineFeeds)
{
    EXPECT_EQ(lines.recomputeLineEnds(), 6);
    expectEnds({0, 1, 2, 3, 4, 5, 6});

    lines.setLine(0, "AB");
    lines.setLine(2, "CDE");
    EXPECT_EQ(lines.recomputeLineEnds(), 11);
    expectEnds({2, 3, 7, 8, 9, 10, 11});
}

TEST_F(WarningLinesTest, SetLineKeepsTwentyNineCharactersAndTheEndsInStep)
{
    for (std::size_t length : {30u, 200u}) {
        lines.setLine(3, std::string(length, 'x').c_str());
        EXPECT_EQ(std::string(lines.lineText(3)), std::string(29, 'x')) << length;
    }
    lines.setLine(3, "short");
    EXPECT_STREQ(lines.lineText(3), "short");
    expectEnds({0, 1, 2, 8, 9, 10, 11});
    lines.setLine(3, nullptr);
    EXPECT_STREQ(lines.lineText(3), "");
    EXPECT_EQ(lines.lineEnds[6], 6);
}

TEST_F(WarningLinesTest, ThirtyCharactersAcceptedThirtyOneOrUnterminatedRejected)
{
    fillRaw(0, 'a', 30);
    EXPECT_EQ(lines.recomputeLineEnds(), 36);
    EXPECT_EQ(lines.lineEnds[0], 30);
    fillRaw(0, 'a', 31);
    EXPECT_EQ(lines.recomputeLineEnds(), 0);
    fillRaw(0, 'a', 0);
    fillRaw(6, 'q', WarningLines::kBufferSize); // no terminator: measured within the buffer
    EXPECT_EQ(lines.recomputeLineEnds(), 0);
}

TEST_F(WarningLinesTest, StopsAtFirstOverlongLine)
{
    lines.setLine(0, "ONE");
    lines.setLine(1, "TWO");
    lines.setLine(2, "THREE");
    ASSERT_EQ(lines.recomputeLineEnds(), 17);
    std::strcpy(lines.lines[0], "ONE MORE");
    fillRaw(3, 'z', 31);
    EXPECT_EQ(lines.recomputeLineEnds(), 0);
    expectEnds({8, 12, 18, 14, 15, 16, 17});
}

TEST_F(WarningLinesTest, IndexOutsideTheLinesChangesNothing)
{
    lines.setLine(-1, "nope");
    lines.setLine(7, "nope");
    for (int i = -1; i <= WarningLines::kCount; ++i)
        EXPECT_STREQ(lines.lineText(i), "") << i;
}

} // namespace

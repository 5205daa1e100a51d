#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/line_check.h"
#include "engine/warning_lines.h"

namespace {

CheckedLine line(const std::string& text)
{
    const LineCheck check = checkAnsiLine(text);
    EXPECT_TRUE(check.ok()) << text;
    return check.line;
}

void expectEnds(const WarningLines& lines, const std::vector<std::int32_t>& expected)
{
    for (int i = 0; i < WarningLines::kCount; ++i)
        EXPECT_EQ(lines.lineEnd(i), expected[static_cast<std::size_t>(i)]) << "entry " << i;
}

TEST(WarningLines, RunningEndsCountLineFeedsAndFollowEverySetLine)
{
    WarningLines lines;
    expectEnds(lines, {0, 1, 2, 3, 4, 5, 6});

    lines.setLine(0, line("AB"));
    lines.setLine(2, line("CDE"));
    expectEnds(lines, {2, 3, 7, 8, 9, 10, 11});
    lines.setLine(6, line(std::string(29, 'x')));
    expectEnds(lines, {2, 3, 7, 8, 9, 10, 40});
    lines.setLine(0, CheckedLine());
    expectEnds(lines, {0, 1, 5, 6, 7, 8, 38});
    EXPECT_STREQ(lines.lineText(2), "CDE");
    EXPECT_EQ(lines.lineLength(6), 29u);
}

TEST(WarningLines, IndexOutsideTheLinesChangesNothing)
{
    WarningLines lines;
    lines.setLine(-1, line("nope"));
    lines.setLine(7, line("nope"));
    for (int i = -1; i <= WarningLines::kCount; ++i)
        EXPECT_STREQ(lines.lineText(i), "") << i;
    expectEnds(lines, {0, 1, 2, 3, 4, 5, 6});
}

} // namespace

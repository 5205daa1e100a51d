// The fit in the owner's words: the count sentence that the command line,
// the live fit and the patch run's summary share, and the sentence for a
// language that keeps the receiver's own warning.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/fit_advice.h"
#include "engine/fit_summary.h"
#include "engine/warning_lines.h"
#include "tests/support/checked_lines.h"

namespace {

// Judges "Jane Doe" / "+47 555 0100" over texts of the given lengths, as the
// fitting pass would: 20 fits, 5 is too short, 400 no lines can fill, 0 was
// not located.
FitVerdicts verdictsFor(const std::vector<std::int32_t>& lengths)
{
    WarningLines lines;
    lines.setLine(0, testing_support::checkedLine("Jane Doe"));
    lines.setLine(1, testing_support::checkedLine("+47 555 0100"));
    FitResult result;
    fitLengths(lines, lengths.data(), static_cast<int>(lengths.size()), result);
    LanguageTable table{};
    for (std::size_t e = 0; e < lengths.size(); ++e)
        table.entries[e].length = lengths[e];
    FitVerdicts verdicts;
    judgeAll(lines, table, result, verdicts);
    return verdicts;
}

TEST(FitSummaryTest, CountsWhatTheOwnersLinesCanChange)
{
    struct Case {
        std::vector<std::int32_t> lengths;
        std::string line;
        int notShowing;
    };
    const std::vector<Case> cases = {
        {std::vector<std::int32_t>(14, 40), "All 14 languages show every line", 0},
        {{40, 40, 5, 40, 0}, "3 of 5 languages show every line", 2},
        {{40}, "1 of 1 languages show every line", 0},
        {{40, 400, 40}, "2 of 2 languages that can take a text show every line (1 keeps its own warning)", 0},
        {{400, 40, 5, 343, 0}, "1 of 3 languages that can take a text show every line (2 keep their own warning)", 2},
        // 342 characters can still be filled: seven empty lines and more.
        {{342}, "0 of 1 languages show every line", 1},
    };
    for (const Case& c : cases) {
        const FitVerdicts verdicts = verdictsFor(c.lengths);
        EXPECT_EQ(fitCountLine(verdicts), c.line);
        EXPECT_EQ(countFit(verdicts).notShowing(), c.notShowing) << c.line;
    }
    const FitVerdicts kept = verdictsFor({358});
    ASSERT_TRUE(keepsOwnWarning(kept.languages[0]));
    EXPECT_EQ(ownWarningLine("Suomi", kept.languages[0]),
              "Suomi keeps the receiver's own warning: its text has 358 characters, and seven lines fill at most 342.");
}

} // namespace

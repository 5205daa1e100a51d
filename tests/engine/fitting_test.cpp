#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/fitting.h"
#include "engine/language_table.h"
#include "tests/engine/engine_fixture.h"

namespace {

constexpr const char* kSummaryTail = " languages not processed\nSee wendrix.log for more information";

class FittingTest : public LoggedTest {
protected:
    // An image with a text of `length` bytes (ended by a NUL) at offset 7,
    // between recognisable bytes, set up as entry `index` under `name`.
    std::string placeText(std::int32_t length, int index, const char* name)
    {
        std::string text(static_cast<std::size_t>(length), '#');
        before_ = "<head>\x01";
        after_ = std::string(1, '\0') + "<tail>";
        LanguageEntry& e = languageTable.entries[index];
        e.name = name;
        e.start = static_cast<std::int32_t>(before_.size());
        e.length = length;
        return before_ + text + after_;
    }

    static void clearTable()
    {
        for (LanguageEntry& e : languageTable.entries) {
            e.name = "Unknown";
            e.start = 0;
            e.length = 0;
        }
    }

    void SetUp() override { clearTable(); }

    // The last result line of the log ("--- Result ---" block).
    std::vector<std::string> resultLines() const
    {
        const auto lines = logLines();
        std::vector<std::string> out;
        bool in = false;
        for (const auto& l : lines) {
            if (in && l.empty())
                break;
            if (in)
                out.push_back(l);
            if (l == "--- Result ---")
                in = true;
        }
        return out;
    }

    // Runs the pass over one placed text and checks that only the text changed.
    std::string fitOne(std::int32_t length, const char* name, std::int32_t langCount = 1)
    {
        OwnedImage img(placeText(length, 0, name));
        fitAndReplace(nullptr, img.image, langCount);
        const std::string out = img.str();
        EXPECT_EQ(out.size(), before_.size() + static_cast<std::size_t>(length) + after_.size());
        EXPECT_EQ(out.substr(0, before_.size()), before_);
        EXPECT_EQ(out.substr(out.size() - after_.size()), after_);
        return out.substr(before_.size(), static_cast<std::size_t>(length));
    }

    std::string before_, after_;
    testing_support::RecordingMessageBoxes boxes_;
};

// ---- the six worked examples

TEST_F(FittingTest, HelloWorldIntoForty)
{
    setLines({"HELLO", "WORLD"});
    // Line 3 is empty with its pad of 4; lines 4 to 7 are bare line feeds, the last removed.
    EXPECT_EQ(fitOne(40, "English"), std::string("     HELLO     \n") + "     WORLD     \n" + "    \n" +
                                         "\n\n\n");
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"English     40 chars replaced, 0 line(s) skipped, fill factor 10"});
    EXPECT_TRUE(boxes_.messages.empty());
}

TEST_F(FittingTest, TwoOfThreeLinesIntoThirty)
{
    setLines({"FIRST LINE", "SECOND LINE", "THIRD LINE HERE"});
    EXPECT_EQ(fitOne(30, "Francais"), "   FIRST LINE   \n SECOND LINE ");
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"Francais    30 chars replaced, 5 line(s) skipped, fill factor 13"});
}

TEST_F(FittingTest, SevenTwelvesIntoOneHundredTen)
{
    setLines({"AAAAAAAAAAA1", "AAAAAAAAAAA2", "AAAAAAAAAAA3", "AAAAAAAAAAA4", "AAAAAAAAAAA5",
              "AAAAAAAAAAA6", "AAAAAAAAAAA7"});
    std::string expected;
    for (int i = 1; i <= 5; ++i)
        expected += "  AAAAAAAAAAA" + std::to_string(i) + "  \n";
    expected += "AAAAAAAAAAA6\nAAAAAAAAAAA7";
    EXPECT_EQ(fitOne(110, "Deutsch"), expected);
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"Deutsch    110 chars replaced, 0 line(s) skipped, fill factor 14"});
}

TEST_F(FittingTest, OddPaddingGoesToTheRight)
{
    setLines({"GOOD", "DAY"});
    EXPECT_EQ(fitOne(14, "Dansk"), std::string("GOOD \n") + "DAY\n" + "\n\n\n\n");
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"Dansk       14 chars replaced, 0 line(s) skipped, fill factor 10"});
}

TEST_F(FittingTest, FirstLineLongerThanTheText)
{
    setLines({"THIS LINE IS TOO LONG"});
    EXPECT_EQ(fitOne(12, "Italian"), std::string(12, '#'));
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"Italian    not replaced, 0 chars could not replace 12 chars"});
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].text, std::string("1 of 1") + kSummaryTail);
    EXPECT_EQ(boxes_.messages[0].caption, "Zarnek Wendrix");
    EXPECT_EQ(boxes_.messages[0].style, unsigned{platform::MbIconInformation});
}

TEST_F(FittingTest, SlackBeyondFillFactorTwentyFour)
{
    setLines({"BBBBBBBBBBBBBBBBBBB1", "BBBBBBBBBBBBBBBBBBB2", "BBBBBBBBBBBBBBBBBBB3",
              "BBBBBBBBBBBBBBBBBBB4", "BBBBBBBBBBBBBBBBBBB5", "BBBBBBBBBBBBBBBBBBB6",
              "BBBBBBBBBBBBBBBBBBB7"});
    EXPECT_EQ(fitOne(210, "Suomi"), std::string(210, '#'));
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"Suomi      not replaced, 202 chars could not replace 210 chars"});
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].text, std::string("1 of 1") + kSummaryTail);
}

// ---- further edge cases

TEST_F(FittingTest, SevenEmptyLinesIntoSix)
{
    setLines({});
    EXPECT_EQ(fitOne(6, "English"), "\n\n\n\n\n\n");
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"English      6 chars replaced, 0 line(s) skipped, fill factor 10"});
}

TEST_F(FittingTest, OnlyTheLinesThatFitAreKept)
{
    setLines({"ABCDEFGH"});
    EXPECT_EQ(fitOne(10, "English"), "ABCDEFGH\n\n");
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"English     10 chars replaced, 4 line(s) skipped, fill factor 10"});
}

TEST_F(FittingTest, LineAsLongAsTheFillFactorGetsNoPadding)
{
    // Line 1 has ten characters: at factor 10 it wants nothing; line 2 takes all 13.
    setLines({"ABCDEFGHIJ", "X"});
    EXPECT_EQ(fitOne(30, "English"), "ABCDEFGHIJ\n      X       \n\n\n\n\n");
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"English     30 chars replaced, 0 line(s) skipped, fill factor 10"});
}

TEST_F(FittingTest, LineLongerThanTheFillFactorNeedsAHigherOne)
{
    // Two lines of 20 want padding only from factor 21 on; a slack of 4 is
    // spread at 21 as 2 and 2. Line 3 is too long to join them in 45.
    setLines({"CCCCCCCCCCCCCCCCCCCC", "DDDDDDDDDDDDDDDDDDDD", "EEEEEEEEEE"});
    EXPECT_EQ(fitOne(45, "English"), " CCCCCCCCCCCCCCCCCCCC \n DDDDDDDDDDDDDDDDDDDD ");
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"English     45 chars replaced, 5 line(s) skipped, fill factor 21"});
}

TEST_F(FittingTest, NulAfterTheTextStaysAndNothingOutsideMoves)
{
    setLines({"HI"});
    OwnedImage img(placeText(20, 0, "English"));
    const std::string original = img.str();
    fitAndReplace(nullptr, img.image, 1);
    const std::string out = img.str();
    ASSERT_EQ(out.size(), original.size());
    EXPECT_EQ(img.image.bytes[img.image.size], 0);
    EXPECT_EQ(out[7 + 20], '\0');
    EXPECT_EQ(out.substr(0, 7), original.substr(0, 7));
    EXPECT_EQ(out.substr(27), original.substr(27));
    EXPECT_EQ(out.substr(7, 20).find('\0'), std::string::npos);
}

TEST_F(FittingTest, UnlocatedEntryIsNotProcessed)
{
    setLines({"HI"});
    OwnedImage img(placeText(20, 0, "English"));
    languageTable.entries[1].name = "Unknown";
    languageTable.entries[1].start = static_cast<std::int32_t>(img.image.size);
    languageTable.entries[1].length = 0;
    const std::string original = img.str();
    fitAndReplace(nullptr, img.image, 2);
    const auto result = resultLines();
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0], "English     20 chars replaced, 0 line(s) skipped, fill factor 10");
    EXPECT_EQ(result[1], "Unknown    not replaced, 20 chars could not replace 0 chars");
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].text, std::string("1 of 2") + kSummaryTail);
}

TEST_F(FittingTest, UnlocatedAfterAFortySixCharacterReplacement)
{
    // Through the location pass: only the English text is in the image.
    setLines({"FORTY SIX"});
    const std::string text = "WARNING\n" + std::string(46 - 8, 'w');
    OwnedImage img(std::string("..") + text + '\0' + "....");
    ASSERT_EQ(locateTexts(img.image, 2), 1);
    clearLog();
    fitAndReplace(nullptr, img.image, 2);
    const auto result = resultLines();
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0], "English     46 chars replaced, 0 line(s) skipped, fill factor 10");
    EXPECT_EQ(result[1], "Unknown    not replaced, 46 chars could not replace 0 chars");
}

TEST_F(FittingTest, UnlocatedFirstEntryReportsZeroCharacters)
{
    setLines({"HI"});
    OwnedImage img(std::string("nothing here"));
    ASSERT_EQ(locateTexts(img.image, 3), 0);
    clearLog();
    fitAndReplace(nullptr, img.image, 3);
    const auto result = resultLines();
    ASSERT_EQ(result.size(), 3u);
    for (const auto& line : result)
        EXPECT_EQ(line, "Unknown    not replaced, 0 chars could not replace 0 chars");
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].text, std::string("3 of 3") + kSummaryTail);
    EXPECT_EQ(img.str(), "nothing here");
}

TEST_F(FittingTest, ZeroOrNegativeLangWritesOnlyTheBlocks)
{
    setLines({"AB", "", "CDE"});
    OwnedImage img(placeText(20, 0, "English"));
    const std::string original = img.str();
    for (std::int32_t count : {0, -3}) {
        clearLog();
        EXPECT_EQ(fitAndReplace(nullptr, img.image, count), 1);
        const auto lines = logLines();
        ASSERT_EQ(lines.size(), 11u);
        EXPECT_EQ(lines[0], "--- Lines ---");
        EXPECT_EQ(lines[8], "");
        EXPECT_EQ(lines[9], "--- Result ---");
        EXPECT_EQ(lines[10], "");
    }
    EXPECT_EQ(img.str(), original);
    EXPECT_TRUE(boxes_.messages.empty());
}

TEST_F(FittingTest, LinesBlockShowsRunningEnds)
{
    setLines({"AB", "", "CDE"});
    OwnedImage img(placeText(20, 0, "English"));
    fitAndReplace(nullptr, img.image, 0);
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[1], "Line-1:   2 AB");
    EXPECT_EQ(lines[2], "Line-2:   3 ");
    EXPECT_EQ(lines[3], "Line-3:   7 CDE");
    EXPECT_EQ(lines[7], "Line-7:  11 ");
}

TEST_F(FittingTest, LangAboveTheTableCountsAsFourteen)
{
    setLines({"HI"});
    OwnedImage img(placeText(20, 0, "English"));
    for (std::int32_t count : {15, 99}) {
        clearLog();
        boxes_.messages.clear();
        fitAndReplace(nullptr, img.image, count);
        EXPECT_EQ(resultLines().size(), 14u) << "lang " << count;
        ASSERT_EQ(boxes_.messages.size(), 1u);
        EXPECT_EQ(boxes_.messages[0].text, std::string("13 of 14") + kSummaryTail);
    }
}

TEST_F(FittingTest, ThirtyAndThirtyOneCharacterLinesStayInBounds)
{
    // Lines stored straight into the buffers (as loaded from storage), with
    // ends that no longer match them: nothing outside the text may change.
    const std::string thirty(30, 'T');
    const std::string thirtyBuffer = thirty + std::string(2, '\0');
    const std::string thirtyOneBuffer = std::string(31, 'U') + std::string(1, '\0');
    for (int i = 0; i < WarningLines::kCount; ++i)
        std::memcpy(warningLines.lines[i], (i % 2 ? thirtyOneBuffer : thirtyBuffer).data(), 32);
    ASSERT_EQ(warningLines.recomputeLineEnds(), 0);
    for (std::int32_t length : {30, 31, 61, 200, 240}) {
        clearLog();
        const std::string text = fitOne(length, "English");
        if (text != std::string(static_cast<std::size_t>(length), '#')) {
            EXPECT_EQ(text.find('\0'), std::string::npos);
        }
    }

    // A valid 30-character line alone fits a text of its own length exactly.
    setLines({});
    std::memcpy(warningLines.lines[0], thirtyBuffer.data(), 32);
    ASSERT_EQ(warningLines.recomputeLineEnds(), 36);
    clearLog();
    EXPECT_EQ(fitOne(36, "English"), thirty + "\n\n\n\n\n\n");
}

TEST_F(FittingTest, EntryOutsideTheImageIsLeftAlone)
{
    setLines({"HI"});
    OwnedImage img(std::string(10, 'x'));
    languageTable.entries[0].name = "English";
    languageTable.entries[0].start = 8;
    languageTable.entries[0].length = 20; // would run past the image
    fitAndReplace(nullptr, img.image, 1);
    EXPECT_EQ(img.str(), std::string(10, 'x'));
    EXPECT_EQ(resultLines(),
              std::vector<std::string>{"English    not replaced, 0 chars could not replace 20 chars"});
}

TEST_F(FittingTest, OwnerIsPassedToTheSummary)
{
    setLines({"THIS LINE IS TOO LONG"});
    int owner = 0;
    OwnedImage img(placeText(5, 0, "English"));
    fitAndReplace(&owner, img.image, 1);
    ASSERT_EQ(boxes_.messages.size(), 1u);
    EXPECT_EQ(boxes_.messages[0].owner, &owner);
}

} // namespace

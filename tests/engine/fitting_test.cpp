#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/checked_lines.h"
#include "engine/fit_log.h"
#include "engine/fitting.h"
#include "engine/language_table.h"
#include "tests/engine/engine_fixture.h"

namespace {

// The log's own name follows the first line; Windows keeps the usual spelling.
#ifdef _WIN32
const std::string kSeeLog = "\nSee wendrix.log for more information";
#else
const std::string kSeeLog = "\nSee wendrix.LOG for more information";
#endif
const std::string kSummaryTail = " languages not processed";
const std::string kUnlocated = "Unknown: not located in the firmware";
const std::string kBefore = "<head>\x01";
const std::string kAfter = std::string(1, '\0') + "<tail>";

class FittingTest : public LoggedTest {
protected:
    void SetUp() override
    {
        for (LanguageEntry& e : languageTable.entries) {
            e.name = "Unknown";
            e.start = e.length = 0;
        }
    }

    // Entry 0 named `name` over a text of `length` '#' bytes between recognisable bytes.
    static std::string placeText(std::int32_t length, const char* name)
    {
        languageTable.entries[0].name = name;
        languageTable.entries[0].start = static_cast<std::int32_t>(kBefore.size());
        languageTable.entries[0].length = length;
        return kBefore + std::string(static_cast<std::size_t>(length), '#') + kAfter;
    }

    // Runs the pass over one placed text; checks that only the text changed and returns it.
    std::string fitOne(std::int32_t length, const char* name, std::int32_t langCount = 1)
    {
        OwnedImage img(placeText(length, name));
        fitAndReplace(&owner_, img.image, langCount);
        const std::string out = img.str();
        EXPECT_EQ(img.image.bytes[img.image.size], 0);
        EXPECT_EQ(out.size(), kBefore.size() + static_cast<std::size_t>(length) + kAfter.size());
        EXPECT_EQ(out.substr(0, kBefore.size()), kBefore);
        EXPECT_EQ(out.substr(out.size() - kAfter.size()), kAfter);
        return out.substr(kBefore.size(), static_cast<std::size_t>(length));
    }

    // The lines of the log's "--- Result ---" block.
    std::vector<std::string> resultLines() const
    {
        std::vector<std::string> out;
        bool in = false;
        for (const auto& l : logLines()) {
            if (in && l.empty())
                break;
            if (in)
                out.push_back(l);
            in = in || l == "--- Result ---";
        }
        return out;
    }

    // The summary's two lines, then an empty line and one line per language
    // not processed, with its reason.
    void expectSummary(const std::string& counts, const std::vector<std::string>& reasons)
    {
        expectSummaryHead(counts + kSummaryTail, reasons);
    }
    // The same after another first line.
    void expectSummaryHead(const std::string& head, const std::vector<std::string>& reasons)
    {
        ASSERT_EQ(boxes_.messages.size(), 1u);
        std::string text = head + kSeeLog + "\n";
        for (const std::string& reason : reasons)
            text += "\n" + reason;
        EXPECT_EQ(boxes_.messages[0].text, text);
        EXPECT_EQ(boxes_.messages[0].caption, "Zarnek Wendrix");
        EXPECT_EQ(boxes_.messages[0].style, unsigned{platform::MbIconInformation});
        EXPECT_EQ(boxes_.messages[0].owner, &owner_);
    }

    int owner_ = 0;
    testing_support::RecordingMessageBoxes boxes_;
};

TEST_F(FittingTest, FitsOneTextAsWorkedOut)
{
    const std::string a(11, 'A'), b(19, 'B');
    struct Case {
        std::vector<std::string> lines;
        std::int32_t length;
        const char* name;
        std::string text; // empty: left as it was
        std::string result;
        std::string summary = {}; // the reason in the summary box, when one is shown
    };
    const Case cases[] = {
        {{"HELLO", "WORLD"}, 40, "English", "     HELLO     \n     WORLD     \n    \n\n\n\n",
         "English     40 chars replaced, 0 line(s) skipped, fill factor 10"},
        {{"FIRST LINE", "SECOND LINE", "THIRD LINE HERE"}, 30, "Francais", "   FIRST LINE   \n SECOND LINE ",
         "Francais    30 chars replaced, 5 line(s) skipped, fill factor 13",
         "Francais: written, but line 3 left out: lines 1 to 3 need 38 characters with their line breaks, this "
         "text holds 30: take exactly 8 characters off lines 1, 2 and 3 in all"},
        {{a + "1", a + "2", a + "3", a + "4", a + "5", a + "6", a + "7"}, 110, "Deutsch",
         "  " + a + "1  \n  " + a + "2  \n  " + a + "3  \n  " + a + "4  \n  " + a + "5  \n" + a + "6\n" + a + "7",
         "Deutsch    110 chars replaced, 0 line(s) skipped, fill factor 14"},
        // Odd padding puts the extra blank on the right.
        {{"GOOD", "DAY"}, 14, "Dansk", "GOOD \nDAY\n\n\n\n\n",
         "Dansk       14 chars replaced, 0 line(s) skipped, fill factor 10"},
        {{"THIS LINE IS TOO LONG"}, 12, "Italian", "", "Italian    not replaced, 0 chars could not replace 12 chars",
         "Italian: line 1 has 21 characters, this text holds 12: take exactly 9 characters off line 1"},
        {{b + "1", b + "2", b + "3", b + "4", b + "5", b + "6", b + "7"}, 210, "Suomi", "",
         "Suomi      not replaced, 202 chars could not replace 210 chars",
         "Suomi: your lines fill at most 202 of these 210 characters: gain 8: take 8 characters in all off lines 1, "
         "2, 3, 4, 5, 6 and 7 (a line under 24 characters gains one per character taken off)"},
        {{}, 6, "English", "\n\n\n\n\n\n", "English      6 chars replaced, 0 line(s) skipped, fill factor 10"},
        {{"ABCDEFGH"}, 10, "English", "ABCDEFGH\n\n", "English     10 chars replaced, 4 line(s) skipped, fill factor 10"},
        // A line as long as the factor gets no padding; line 2 takes all 13.
        {{"ABCDEFGHIJ", "X"}, 30, "English", "ABCDEFGHIJ\n      X       \n\n\n\n\n",
         "English     30 chars replaced, 0 line(s) skipped, fill factor 10"},
        // Lines of 20 take padding only from factor 21 on; line 3 does not fit.
        {{"CCCCCCCCCCCCCCCCCCCC", "DDDDDDDDDDDDDDDDDDDD", "EEEEEEEEEE"}, 45, "English",
         " CCCCCCCCCCCCCCCCCCCC \n DDDDDDDDDDDDDDDDDDDD ",
         "English     45 chars replaced, 5 line(s) skipped, fill factor 21",
         "English: written, but line 3 left out: lines 1 to 3 need 52 characters with their line breaks, this "
         "text holds 45: take exactly 7 characters off lines 1, 2 and 3 in all"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        clearLog();
        boxes_.messages.clear();
        for (int i = 0; i < WarningLines::kCount; ++i)
            warningLines.setLine(i, testing_support::checkedLine(i < static_cast<int>(c.lines.size()) ? c.lines[static_cast<std::size_t>(i)] : ""));
        const std::string kept(static_cast<std::size_t>(c.length), '#');
        EXPECT_EQ(fitOne(c.length, c.name), c.text.empty() ? kept : c.text);
        EXPECT_EQ(resultLines(), std::vector<std::string>{c.result});
        // A text replaced without a line of text is not "not processed": the
        // summary counts the languages that show every line instead.
        if (!c.summary.empty() && !c.text.empty())
            expectSummaryHead("0 of 1 languages show every line", {c.summary});
        else if (!c.summary.empty())
            expectSummary("1 of 1", {c.summary});
        else
            EXPECT_TRUE(boxes_.messages.empty());
    }
}

TEST_F(FittingTest, UnlocatedEntriesReportTheLastCandidateLength)
{
    struct Case {
        std::string image;
        std::int32_t lang, located;
        std::vector<std::string> result;
        const char* counts;
        std::vector<std::string> reasons;
    };
    const std::string text46 = "WARNING\n" + std::string(46 - 8, 'w');
    const std::string unknown0 = "Unknown    not replaced, 0 chars could not replace 0 chars";
    const Case cases[] = {
        {".." + text46 + '\0' + "....", 2, 1,
         {"English     46 chars replaced, 0 line(s) skipped, fill factor 10",
          "Unknown    not replaced, 46 chars could not replace 0 chars"}, "1 of 2", {kUnlocated}},
        {"nothing here", 3, 0, {unknown0, unknown0, unknown0}, "3 of 3", {kUnlocated, kUnlocated, kUnlocated}},
    };
    setLines({"FORTY SIX"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        boxes_.messages.clear();
        OwnedImage img(c.image);
        ASSERT_EQ(locateTexts(img.image, c.lang), c.located);
        clearLog();
        fitAndReplace(&owner_, img.image, c.lang);
        EXPECT_EQ(resultLines(), c.result);
        expectSummary(c.counts, c.reasons);
        if (c.located == 0) {
            EXPECT_EQ(img.str(), c.image);
        }
    }
}

TEST_F(FittingTest, ZeroOrNegativeLangWritesOnlyTheBlocks)
{
    setLines({"AB", "", "CDE"});
    OwnedImage img(placeText(20, "English"));
    const std::string original = img.str();
    for (std::int32_t count : {0, -3}) {
        clearLog();
        EXPECT_EQ(fitAndReplace(nullptr, img.image, count), 1);
        EXPECT_EQ(logLines(), (std::vector<std::string>{"--- Lines ---", "Line-1:   2 AB", "Line-2:   3 ",
                                                         "Line-3:   7 CDE", "Line-4:   8 ", "Line-5:   9 ",
                                                         "Line-6:  10 ", "Line-7:  11 ", "", "--- Result ---", ""}))
            << "lang " << count;
    }
    EXPECT_EQ(img.str(), original);
    EXPECT_TRUE(boxes_.messages.empty());
}

TEST_F(FittingTest, LangAboveTheTableCountsAsFourteen)
{
    setLines({"HI"});
    OwnedImage img(placeText(20, "English"));
    for (std::int32_t count : {15, 99}) {
        SCOPED_TRACE(count);
        clearLog();
        boxes_.messages.clear();
        fitAndReplace(&owner_, img.image, count);
        EXPECT_EQ(resultLines().size(), 14u);
        expectSummary("13 of 14", std::vector<std::string>(13, kUnlocated));
    }
}

TEST_F(FittingTest, EntryOutsideTheImageIsLeftAlone)
{
    setLines({"HI"});
    OwnedImage img(std::string(10, 'x'));
    languageTable.entries[0].name = "English";
    languageTable.entries[0].start = 8;
    languageTable.entries[0].length = 20;
    fitAndReplace(nullptr, img.image, 1);
    EXPECT_EQ(img.str(), std::string(10, 'x'));
    EXPECT_EQ(resultLines(), std::vector<std::string>{"English    not replaced, 0 chars could not replace 20 chars"});
}

} // namespace

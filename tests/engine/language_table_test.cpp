#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/language_table.h"
#include "tests/engine/engine_fixture.h"

namespace {

class LocateTest : public LoggedTest {
protected:
    static const LanguageEntry& entry(int i) { return languageTable.entries[i]; }

    static std::string filler(std::size_t n) { return std::string(n, '.'); }
};

TEST(LanguageTableTest, HoldsTheFourteenTextsInFirmwareOrder)
{
    struct Row {
        const char *keywordA, *nameA, *keywordB, *nameB;
    };
    const Row rows[14] = {
        {"WARNING\n", "English", "WARNING\n", "English"},
        {"WARNUNG\n", "Deutsch", "ATTENTION\n", "Francais"},
        {"ATTENTION!\n", "Francais", "AVISO\n", "Espa\xF1ol"},
        {"ATTENZIONE\n", "Italian", "WARNUNG\n", "Deutsch"},
        {"AVISO\nLos datos se", "Espa\xF1ol", "ATTENZIONE\n", "Italian"},
        {"VARNING!\n", "Svenska", "VARNING!", "Svenska"},
        {"ADVARSEL\nAlle data er", "Dansk", "ADVARSEL\nAlle data er", "Dansk"},
        {"AVISO\nTodos os dados", "Portugu\xEAs", "ADVARSEL\nAlle data som", "Norsk"},
        {"WAARSCHUWING.\n", "Nederlands", "AVISO\n", "Portugu\xEAs"},
        {"ADVARSEL\nAlle data er", "Norsk", "WAARSCHUWING\n", "Nederlands"},
        {"VAROITUS\n", "Suomi", "Varoitus\n", "Suomi"},
        {"UWAGA\n", "Polski", "UWAGA\n", "Polski"},
        {"VAROVANI\n", "Cestina", "VAROVANI\n", "Cesky"},
        {"FIGYELEM\n", "Magyar", "FIGYELEM\n", "Magyar"},
    };
    for (int i = 0; i < 14; ++i) {
        const LanguageEntry& e = languageTable.entries[i];
        EXPECT_STREQ(e.keywordA, rows[i].keywordA) << "entry " << i + 1;
        EXPECT_STREQ(e.nameA, rows[i].nameA) << "entry " << i + 1;
        EXPECT_STREQ(e.keywordB, rows[i].keywordB) << "entry " << i + 1;
        EXPECT_STREQ(e.nameB, rows[i].nameB) << "entry " << i + 1;
    }
}

TEST_F(LocateTest, LogLineHasTheFixedColumns)
{
    // English at 1234 with a text of 212 bytes.
    const std::string text = "WARNING\n" + std::string(212 - 8, 'x');
    OwnedImage img(filler(1234) + text + std::string(1, '\0') + filler(50));
    EXPECT_EQ(locateTexts(img.image, 1), 1);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "--- Languages ---");
    EXPECT_EQ(lines[1], "Language  1: English      Start   1234,   Len 212");
    EXPECT_EQ(lines[2], "");
}

TEST_F(LocateTest, UnlocatedEntryIsLoggedAtTheEnd)
{
    std::string bytes = "x" + std::string("WARNING\nabc") + std::string(1, '\0');
    bytes += filler(80000 - bytes.size());
    OwnedImage img(bytes);
    EXPECT_EQ(locateTexts(img.image, 2), 1);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "Language  1: English      Start      1,   Len  11");
    EXPECT_EQ(lines[2], "Language  2: Unknown      Start  80000,   Len   0");
    EXPECT_EQ(lines[3], "");
    EXPECT_STREQ(entry(1).name, "Unknown");
    EXPECT_EQ(entry(1).start, 80000);
    EXPECT_EQ(entry(1).length, 0);
}

TEST_F(LocateTest, TextAtOffsetZeroIsNotFoundThere)
{
    OwnedImage img(std::string("WARNING\nfirst") + '\0' + "..WARNING\nsecond" + '\0');
    EXPECT_EQ(locateTexts(img.image, 1), 1);
    EXPECT_EQ(entry(0).start, 16);
    EXPECT_EQ(entry(0).length, 14);

    OwnedImage only(std::string("WARNING\nfirst") + '\0' + "....");
    EXPECT_EQ(locateTexts(only.image, 1), 0);
    EXPECT_EQ(entry(0).start, 18);
    EXPECT_STREQ(entry(0).name, "Unknown");
}

TEST_F(LocateTest, TextsInTableOrderAreAllLocated)
{
    std::string bytes = ".";
    std::vector<std::int32_t> starts;
    for (int i = 0; i < 14; ++i) {
        starts.push_back(static_cast<std::int32_t>(bytes.size()));
        bytes += std::string(entry(i).keywordA) + "line" + '\0' + "...";
    }
    OwnedImage img(bytes);
    EXPECT_EQ(locateTexts(img.image, 14), 14);
    const char* names[14] = {"English", "Deutsch",    "Francais", "Italian", "Espa\xF1ol",
                             "Svenska", "Dansk",      "Portugu\xEAs", "Nederlands", "Norsk",
                             "Suomi",   "Polski",     "Cesky",    "Magyar"};
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(entry(i).start, starts[i]) << "entry " << i + 1;
        EXPECT_EQ(entry(i).length, static_cast<std::int32_t>(std::strlen(entry(i).keywordA) + 4))
            << "entry " << i + 1;
        EXPECT_STREQ(entry(i).name, names[i]) << "entry " << i + 1;
    }
    EXPECT_EQ(logLines().size(), 16u);
}

TEST_F(LocateTest, TextBeforeThePreviousStartIsNotFound)
{
    // Deutsch stands before English: the scan never goes back for it.
    OwnedImage img(std::string(".WARNUNG\nd") + '\0' + "WARNING\ne" + '\0' + "....");
    EXPECT_EQ(locateTexts(img.image, 2), 1);
    EXPECT_EQ(entry(0).start, 11);
    EXPECT_STREQ(entry(1).name, "Unknown");
    EXPECT_EQ(entry(1).start, static_cast<std::int32_t>(img.image.size));
}

TEST_F(LocateTest, KeywordInsideThePreviousTextIsFound)
{
    // The scan for entry 2 starts one byte past entry 1's start, not past its text.
    OwnedImage img(std::string(".WARNING\nsee WARNUNG\nhere") + '\0' + "...");
    EXPECT_EQ(locateTexts(img.image, 2), 2);
    EXPECT_EQ(entry(0).start, 1);
    EXPECT_EQ(entry(0).length, 24);
    EXPECT_EQ(entry(1).start, 13);
    EXPECT_EQ(entry(1).length, 12);
    EXPECT_STREQ(entry(1).name, "Deutsch");
}

TEST_F(LocateTest, SecondPlaceIsFrenchOrGerman)
{
    OwnedImage french(std::string(".WARNING\na") + '\0' + "ATTENTION\nb" + '\0');
    EXPECT_EQ(locateTexts(french.image, 2), 2);
    EXPECT_STREQ(entry(1).name, "Francais");

    OwnedImage german(std::string(".WARNING\na") + '\0' + "WARNUNG\nb" + '\0');
    EXPECT_EQ(locateTexts(german.image, 2), 2);
    EXPECT_STREQ(entry(1).name, "Deutsch");
}

TEST_F(LocateTest, SwedishEitherWayAndCzechAlwaysCesky)
{
    // Table entry 6 alone is searched for after entries 1 to 5.
    auto prefix = [] {
        std::string s = ".";
        for (int i = 0; i < 5; ++i)
            s += std::string(languageTable.entries[i].keywordA) + "t" + '\0';
        return s;
    };
    OwnedImage withFeed(prefix() + "VARNING!\nx" + '\0');
    EXPECT_EQ(locateTexts(withFeed.image, 6), 6);
    EXPECT_STREQ(entry(5).name, "Svenska");
    OwnedImage withoutFeed(prefix() + "VARNING! x" + '\0');
    EXPECT_EQ(locateTexts(withoutFeed.image, 6), 6);
    EXPECT_STREQ(entry(5).name, "Svenska");
    EXPECT_EQ(entry(5).length, 10);

    std::string upToCzech = ".";
    for (int i = 0; i < 12; ++i)
        upToCzech += std::string(languageTable.entries[i].keywordA) + "t" + '\0';
    OwnedImage czech(upToCzech + "VAROVANI\nx" + '\0');
    EXPECT_EQ(locateTexts(czech.image, 13), 13);
    EXPECT_STREQ(entry(12).name, "Cesky");
}

TEST_F(LocateTest, ImageWithoutKeywordLogsEntryOneAsUnknown)
{
    OwnedImage img(std::string("no warning text here, only warning in lower case") + '\0' + "xyz");
    EXPECT_EQ(locateTexts(img.image, 5), 0);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "--- Languages ---");
    EXPECT_EQ(lines[1], "Language  1: Unknown      Start     52,   Len   0");
    EXPECT_EQ(lines[2], "");
}

TEST_F(LocateTest, ZeroOrNegativeLangLocatesNothing)
{
    OwnedImage img(std::string(".WARNING\nx") + '\0');
    for (std::int32_t count : {0, -1, -2147483647 - 1}) {
        clearLog();
        // A previous pass's findings must not survive.
        ASSERT_EQ(locateTexts(img.image, 1), 1);
        clearLog();
        EXPECT_EQ(locateTexts(img.image, count), 0);
        const auto lines = logLines();
        ASSERT_EQ(lines.size(), 2u) << "lang " << count;
        EXPECT_EQ(lines[0], "--- Languages ---");
        EXPECT_EQ(lines[1], "");
        EXPECT_STREQ(entry(0).name, "Unknown");
        EXPECT_EQ(entry(0).start, 0);
        EXPECT_EQ(entry(0).length, 0);
    }
}

TEST_F(LocateTest, TextRunningToTheEndStopsAtTheImageNul)
{
    OwnedImage img(std::string("..WARNING\nno nul of its own"));
    EXPECT_EQ(locateTexts(img.image, 1), 1);
    EXPECT_EQ(entry(0).start, 2);
    EXPECT_EQ(entry(0).length, static_cast<std::int32_t>(img.image.size) - 2);
}

TEST_F(LocateTest, KeywordCutByTheEndOfTheImageDoesNotMatch)
{
    // "WARNING" without its line feed at the very end: the image NUL ends it.
    OwnedImage img(std::string("..WARNING"));
    EXPECT_EQ(locateTexts(img.image, 1), 0);
    OwnedImage cutByNul(std::string("..WARN") + '\0' + "ING\n");
    EXPECT_EQ(locateTexts(cutByNul.image, 1), 0);
}

TEST_F(LocateTest, EntriesPastLangAreNotSearched)
{
    OwnedImage img(std::string(".WARNING\na") + '\0' + "WARNUNG\nb" + '\0' + "ATTENTION!\nc" + '\0');
    EXPECT_EQ(locateTexts(img.image, 2), 2);
    EXPECT_STREQ(entry(2).name, "Unknown");
    EXPECT_EQ(entry(2).start, 0);
    EXPECT_EQ(entry(2).length, 0);
    EXPECT_EQ(logLines().size(), 4u);
}

TEST_F(LocateTest, LangAboveTheTableIsTreatedAsFourteen)
{
    std::string bytes = ".";
    for (int i = 0; i < 14; ++i)
        bytes += std::string(entry(i).keywordA) + "z" + '\0';
    // A second English text after Magyar must not be taken for a fifteenth entry.
    bytes += std::string("WARNING\nagain") + '\0';
    OwnedImage img(bytes);
    for (std::int32_t count : {15, 99, 2147483647}) {
        clearLog();
        EXPECT_EQ(locateTexts(img.image, count), 14) << "lang " << count;
        EXPECT_EQ(logLines().size(), 16u);
        EXPECT_STREQ(entry(13).name, "Magyar");
    }
}

TEST_F(LocateTest, DegenerateImages)
{
    FirmwareImage empty;
    EXPECT_EQ(locateTexts(empty, 14), 0);
    EXPECT_EQ(entry(0).start, 0);

    OwnedImage oneByte(std::string("W"));
    EXPECT_EQ(locateTexts(oneByte.image, 14), 0);
    EXPECT_EQ(entry(0).start, 1);

    OwnedImage nuls(std::string(4096, '\0'));
    EXPECT_EQ(locateTexts(nuls.image, 14), 0);
    EXPECT_EQ(entry(0).start, 4096);
    EXPECT_EQ(entry(0).length, 0);
}

TEST_F(LocateTest, SecondPassDependsOnlyOnTheSecondImage)
{
    std::string full = ".";
    for (int i = 0; i < 14; ++i)
        full += std::string(entry(i).keywordA) + "z" + '\0';
    OwnedImage first(full);
    ASSERT_EQ(locateTexts(first.image, 14), 14);

    OwnedImage second(std::string("......WARNING\nq") + '\0' + "--");
    EXPECT_EQ(locateTexts(second.image, 14), 1);
    EXPECT_EQ(entry(0).start, 6);
    EXPECT_EQ(entry(0).length, 9);
    EXPECT_EQ(entry(1).start, static_cast<std::int32_t>(second.image.size));
    for (int i = 2; i < 14; ++i) {
        EXPECT_STREQ(entry(i).name, "Unknown") << "entry " << i + 1;
        EXPECT_EQ(entry(i).start, 0);
        EXPECT_EQ(entry(i).length, 0);
    }
}

TEST_F(LocateTest, WorksWithoutARunLog)
{
    runLog = nullptr;
    OwnedImage img(std::string(".WARNING\nx") + '\0');
    EXPECT_EQ(locateTexts(img.image, 1), 1);
    EXPECT_FALSE(testing_support::exists(logPath()));
}

} // namespace

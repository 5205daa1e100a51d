#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/language_table.h"
#include "tests/engine/engine_fixture.h"

namespace {

struct Expected {
    int index;
    const char* name;
    std::int32_t start, length;
};

class LocateTest : public LoggedTest {
protected:
    static const LanguageEntry& entry(int i) { return languageTable.entries[i]; }

    // "." then the first `count` texts in table order, each keywordA, `body` and a NUL.
    static std::string textsInOrder(int count, const std::string& body)
    {
        std::string s = ".";
        for (int i = 0; i < count; ++i)
            s += std::string(entry(i).keywordA) + body + '\0';
        return s;
    }

    static void expectEntries(const std::vector<Expected>& expected)
    {
        for (const Expected& e : expected) {
            EXPECT_STREQ(entry(e.index).name, e.name) << "entry " << e.index + 1;
            EXPECT_EQ(entry(e.index).start, e.start) << "entry " << e.index + 1;
            EXPECT_EQ(entry(e.index).length, e.length) << "entry " << e.index + 1;
        }
    }
};

TEST(LanguageTableTest, HoldsTheFourteenTextsInFirmwareOrder)
{
    const char* const rows[14][4] = {
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
        SCOPED_TRACE(i + 1);
        const LanguageEntry& e = languageTable.entries[i];
        EXPECT_STREQ(e.keywordA, rows[i][0]);
        EXPECT_STREQ(e.nameA, rows[i][1]);
        EXPECT_STREQ(e.keywordB, rows[i][2]);
        EXPECT_STREQ(e.nameB, rows[i][3]);
    }
}

TEST_F(LocateTest, FindsTextsByTheScanRules)
{
    const std::string nul(1, '\0');
    struct Case {
        const char* what;
        std::string image;
        std::int32_t lang, count;
        std::vector<Expected> entries;
    };
    const auto after5 = static_cast<std::int32_t>(textsInOrder(5, "t").size());
    const auto after12 = static_cast<std::int32_t>(textsInOrder(12, "t").size());
    const Case cases[] = {
        {"offset 0 is never tested", "WARNING\nfirst" + nul + "..WARNING\nsecond" + nul, 1, 1,
         {{0, "English", 16, 14}}},
        {"only a text at offset 0", "WARNING\nfirst" + nul + "....", 1, 0, {{0, "Unknown", 18, 0}}},
        {"no going back before the previous start", ".WARNUNG\nd" + nul + "WARNING\ne" + nul + "....", 2, 1,
         {{0, "English", 11, 9}, {1, "Unknown", 25, 0}}},
        {"next scan starts one past the previous start", ".WARNING\nsee WARNUNG\nhere" + nul + "...", 2, 2,
         {{0, "English", 1, 24}, {1, "Deutsch", 13, 12}}},
        {"French second", ".WARNING\na" + nul + "ATTENTION\nb" + nul, 2, 2, {{1, "Francais", 11, 11}}},
        {"German second", ".WARNING\na" + nul + "WARNUNG\nb" + nul, 2, 2, {{1, "Deutsch", 11, 9}}},
        {"Swedish with its line feed", textsInOrder(5, "t") + "VARNING!\nx", 6, 6, {{5, "Svenska", after5, 10}}},
        {"Swedish without it", textsInOrder(5, "t") + "VARNING! x", 6, 6, {{5, "Svenska", after5, 10}}},
        {"Czech is always Cesky", textsInOrder(12, "t") + "VAROVANI\nx", 13, 13, {{12, "Cesky", after12, 10}}},
        {"text runs up to the image NUL", "..WARNING\nno nul of its own", 1, 1, {{0, "English", 2, 25}}},
        {"keyword cut by the end", "..WARNING", 1, 0, {{0, "Unknown", 9, 0}}},
        {"keyword cut by a NUL", "..WARN" + nul + "ING\n", 1, 0, {{0, "Unknown", 11, 0}}},
        {"entries past lang are not searched", ".WARNING\na" + nul + "WARNUNG\nb" + nul + "ATTENTION!\nc" + nul,
         2, 2, {{1, "Deutsch", 11, 9}, {2, "Unknown", 0, 0}}},
        {"one byte", "W", 14, 0, {{0, "Unknown", 1, 0}}},
        {"only NULs", std::string(4096, '\0'), 14, 0, {{0, "Unknown", 4096, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OwnedImage img(c.image);
        EXPECT_EQ(locateTexts(img.image, c.lang), c.count);
        expectEntries(c.entries);
    }
    FirmwareImage empty;
    EXPECT_EQ(locateTexts(empty, 14), 0);
    expectEntries({{0, "Unknown", 0, 0}});
}

TEST_F(LocateTest, LogsOneFixedColumnLinePerEntrySearched)
{
    const std::string nul(1, '\0');
    std::string unlocated = "xWARNING\nabc" + nul;
    unlocated += std::string(80000 - unlocated.size(), '.');
    struct Case {
        std::string image;
        std::int32_t lang, count;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {std::string(1234, '.') + "WARNING\n" + std::string(204, 'x') + nul + std::string(50, '.'), 1, 1,
         {"--- Languages ---", "Language  1: English      Start   1234,   Len 212", ""}},
        {unlocated, 2, 1,
         {"--- Languages ---", "Language  1: English      Start      1,   Len  11",
          "Language  2: Unknown      Start  80000,   Len   0", ""}},
        {".WARNING\na" + nul + "WARNUNG\nb" + nul + "ATTENTION!\nc" + nul, 2, 2, // entry 3 not searched
         {"--- Languages ---", "Language  1: English      Start      1,   Len   9",
          "Language  2: Deutsch      Start     11,   Len   9", ""}},
        {"no warning text here, only warning in lower case" + nul + "xyz", 5, 0,
         {"--- Languages ---", "Language  1: Unknown      Start     52,   Len   0", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log[1]);
        clearLog();
        OwnedImage img(c.image);
        EXPECT_EQ(locateTexts(img.image, c.lang), c.count);
        EXPECT_EQ(logLines(), c.log);
    }
}

TEST_F(LocateTest, AllFourteenInTableOrderAndLangOutsideOneToFourteen)
{
    // A second English text after Magyar must not become a fifteenth entry.
    OwnedImage all(textsInOrder(14, "line") + "WARNING\nagain" + '\0');
    const char* names[14] = {"English", "Deutsch", "Francais", "Italian", "Espa\xF1ol", "Svenska", "Dansk",
                             "Portugu\xEAs", "Nederlands", "Norsk", "Suomi", "Polski", "Cesky", "Magyar"};
    for (std::int32_t count : {14, 15, 99, 2147483647}) {
        SCOPED_TRACE(count);
        clearLog();
        EXPECT_EQ(locateTexts(all.image, count), 14);
        EXPECT_EQ(logLines().size(), 16u);
        std::int32_t start = 1;
        for (int i = 0; i < 14; ++i) {
            const auto length = static_cast<std::int32_t>(std::strlen(entry(i).keywordA) + 4);
            expectEntries({{i, names[i], start, length}});
            start += length + 1;
        }
    }
    OwnedImage one(std::string(".WARNING\nx") + '\0');
    for (std::int32_t count : {0, -1, -2147483647 - 1}) {
        SCOPED_TRACE(count);
        ASSERT_EQ(locateTexts(one.image, 1), 1); // a previous pass's findings must not survive
        clearLog();
        EXPECT_EQ(locateTexts(one.image, count), 0);
        EXPECT_EQ(logLines(), (std::vector<std::string>{"--- Languages ---", ""}));
        expectEntries({{0, "Unknown", 0, 0}});
    }
}

TEST_F(LocateTest, SecondPassDependsOnlyOnTheSecondImage)
{
    OwnedImage first(textsInOrder(14, "z"));
    ASSERT_EQ(locateTexts(first.image, 14), 14);
    OwnedImage second(std::string("......WARNING\nq") + '\0' + "--");
    EXPECT_EQ(locateTexts(second.image, 14), 1);
    expectEntries({{0, "English", 6, 9}, {1, "Unknown", 18, 0}});
    for (int i = 2; i < 14; ++i)
        expectEntries({{i, "Unknown", 0, 0}});
}

TEST_F(LocateTest, WorksWithoutARunLog)
{
    runLog = nullptr;
    OwnedImage img(std::string(".WARNING\nx") + '\0');
    EXPECT_EQ(locateTexts(img.image, 1), 1);
    EXPECT_FALSE(testing_support::exists(logPath()));
}

} // namespace

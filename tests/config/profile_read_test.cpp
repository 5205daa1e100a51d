// Reading profile files: the rules the program relies on and the details
// the Win32 reader settles by itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/test_helpers.h"

namespace {

using testing_support::TempDir;

class ProfileRead : public ::testing::Test {
protected:
    void put(const std::string& text) { ASSERT_TRUE(testing_support::writeText(path, text)); }

    std::string get(const char* section, const char* key, const char* def = "<default>",
                    std::uint32_t size = 260)
    {
        std::vector<char> buffer(size + 1, '\x7f');
        std::uint32_t count = platform::getProfileString(section, key, def, buffer.data(), size,
                                                         path.c_str());
        if (size == 0) {
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(buffer[0], '\x7f') << "a zero-size buffer must stay untouched";
            return {};
        }
        EXPECT_LT(count, size);
        EXPECT_EQ(buffer[count], '\0') << "the text must be terminated after " << count;
        EXPECT_EQ(buffer[size], '\x7f') << "written past the buffer";
        return std::string(buffer.data(), count);
    }

    TempDir dir;
    std::string path = dir.file("model.ini");
};

// The invented example file, as a user would keep it (CR LF line ends).
const char kExample[] =
    "[GPS]\r\n"
    "Date=01.10.02\r\n"
    "Gps-1=Model A 2.40\r\n"
    "Gps-2=Model B 3.10\r\n"
    "[Model A 2.40]\r\n"
    "org=modela.org\r\n"
    "rgn=modela.rgn\r\n"
    "crc=7c3a01f5\r\n"
    "lang=10\r\n"
    "Rel=2.40\r\n"
    "[Model B 3.10]\r\n"
    "org=modelb.org\r\n"
    "rgn=modelb.rgn\r\n"
    "crc=e6b0c2d9\r\n"
    "lang=14\r\n"
    "Rel=3.10\r\n"
    "[WARNING]\r\n"
    "Text-1=THIS UNIT BELONGS TO\r\n"
    "Text-2=THE SURVEY TEAM\r\n"
    "Text-3=\r\n"
    "Text-4=\r\n"
    "Text-5=\r\n"
    "Text-6=\r\n"
    "Text-7=\r\n";

TEST_F(ProfileRead, ExampleFileKeyByKey)
{
    put(kExample);
    EXPECT_EQ(get("GPS", "Date", "", 60), "01.10.02");
    EXPECT_EQ(get("GPS", "Gps-1", "", 60), "Model A 2.40");
    EXPECT_EQ(get("GPS", "Gps-2", "", 60), "Model B 3.10");
    EXPECT_EQ(get("GPS", "Gps-3", "", 60), "");
    EXPECT_EQ(get("Model A 2.40", "org", "", 259), "modela.org");
    EXPECT_EQ(get("Model A 2.40", "rgn", "", 259), "modela.rgn");
    EXPECT_EQ(get("Model A 2.40", "crc", "", 30), "7c3a01f5");
    EXPECT_EQ(get("Model A 2.40", "lang", "", 30), "10");
    EXPECT_EQ(get("Model A 2.40", "Rel", "??", 60), "2.40");
    EXPECT_EQ(get("Model B 3.10", "org", "", 259), "modelb.org");
    EXPECT_EQ(get("Model B 3.10", "rgn", "", 259), "modelb.rgn");
    EXPECT_EQ(get("Model B 3.10", "crc", "", 30), "e6b0c2d9");
    EXPECT_EQ(get("Model B 3.10", "lang", "", 30), "14");
    EXPECT_EQ(get("Model B 3.10", "Rel", "??", 60), "3.10");
    EXPECT_EQ(get("WARNING", "Text-1", "", 30), "THIS UNIT BELONGS TO");
    EXPECT_EQ(get("WARNING", "Text-2", "", 30), "THE SURVEY TEAM");
    for (const char* key : {"Text-3", "Text-4", "Text-5", "Text-6", "Text-7"})
        EXPECT_EQ(get("WARNING", key, "x", 30), "") << key;
    // Keys of one section are not seen from another.
    EXPECT_EQ(get("Model B 3.10", "Gps-1", "??"), "??");
    EXPECT_EQ(get("GPS", "Rel", "??"), "??");
}

TEST_F(ProfileRead, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(get("GPS", "Gps-1", "none"), "none");
    put(kExample);
    EXPECT_EQ(get("Model C", "Rel", "??"), "??");
    EXPECT_EQ(get("Model A 2.40", "Date", "??"), "??");
    EXPECT_EQ(get("GPS", "Gps-1", "x", 1), "");
}

TEST_F(ProfileRead, PresentKeyWithoutTextIsEmptyNotTheDefault)
{
    put("[M]\nRel=\nBlank=   \t \nNoEquals\n");
    EXPECT_EQ(get("M", "Rel", "??"), "");
    EXPECT_EQ(get("M", "Blank", "??"), "");
    // A line without '=' gives no value: the default.
    EXPECT_EQ(get("M", "NoEquals", "??"), "??");
    EXPECT_EQ(get("M", "Missing", "??"), "??");
}

TEST_F(ProfileRead, NamesIgnoreLetterCase)
{
    put("[model a]\nrel=2.40\n[GPS]\nGPS-1=x\n");
    EXPECT_EQ(get("MODEL A", "REL"), "2.40");
    EXPECT_EQ(get("Model A", "Rel"), "2.40");
    EXPECT_EQ(get("gps", "gps-1"), "x");
}

TEST_F(ProfileRead, EightBitLettersAreMatchedExactly)
{
    // Only A to Z fold; the value comes back byte for byte.
    put("[S\xe9]\n\xe9t\xe9=\xe9\x80\xff\xa0\x85\n");
    EXPECT_EQ(get("S\xe9", "\xe9t\xe9"), "\xe9\x80\xff\xa0\x85");
    EXPECT_EQ(get("s\xe9", "\xe9T\xe9"), "\xe9\x80\xff\xa0\x85");
    EXPECT_EQ(get("S\xc9", "\xe9t\xe9"), "<default>");
    EXPECT_EQ(get("S\xe9", "\xc9t\xc9"), "<default>");
}

TEST_F(ProfileRead, BlanksAroundNamesAndValuesDoNotCount)
{
    put("  [  Model A  ]  \n \t org \t =  \t modela.org \t \n"
        "Rel\t=\t2.40 final \t\n\x0bv\x0c=\x0b" "1\x1a\n");
    EXPECT_EQ(get("Model A", "org"), "modela.org");
    EXPECT_EQ(get("  Model A ", " org "), "modela.org");
    EXPECT_EQ(get("Model A", "Rel"), "2.40 final");
    EXPECT_EQ(get("Model A", "v"), "1");
}

TEST_F(ProfileRead, ValueIsTheTextAfterTheFirstEqualsSign)
{
    put("[S]\na==b=c\nd = = \ne=;not a comment\n");
    EXPECT_EQ(get("S", "a"), "=b=c");
    EXPECT_EQ(get("S", "d"), "=");
    EXPECT_EQ(get("S", "e"), ";not a comment");
}

TEST_F(ProfileRead, LongValueIsCutToBufferLessOne)
{
    std::string value(300, 'p');
    value[0] = 'X';
    put("[M]\norg=" + value + "\n");
    EXPECT_EQ(get("M", "org", "", 259), value.substr(0, 258));
    EXPECT_EQ(get("M", "org", "", 60), value.substr(0, 59));
    EXPECT_EQ(get("M", "org", "", 2), "X");
    EXPECT_EQ(get("M", "org", "", 1), "");
    get("M", "org", "", 0);
    EXPECT_EQ(get("M", "org", "", 302), value);
}

TEST_F(ProfileRead, DefaultLosesTrailingBlanksAndIsCut)
{
    put("[S]\n");
    EXPECT_EQ(get("S", "k", "  dd  "), "  dd");
    EXPECT_EQ(get("S", "k", "   "), " ");
    EXPECT_EQ(get("S", "k", ""), "");
    EXPECT_EQ(get("S", "k", nullptr), "");
    EXPECT_EQ(get("S", "k", "abcdefghijkl", 5), "abcd");
    EXPECT_EQ(get("S", "k", "\"quoted\""), "quoted");
}

TEST_F(ProfileRead, OnePairOfQuotesAroundAValueIsDropped)
{
    put("[S]\n"
        "a=\"modela.org\"\n"
        "b='single'\n"
        "c=\"\"\n"
        "d=\"inner \"quotes\" kept\"\n"
        "e=\"unbalanced\n"
        "f=\"mixed'\n"
        "g=\"\n"
        "h=  \" spaced \"  \n"
        "i=x\"y\"\n");
    EXPECT_EQ(get("S", "a"), "modela.org");
    EXPECT_EQ(get("S", "b"), "single");
    EXPECT_EQ(get("S", "c"), "");
    EXPECT_EQ(get("S", "d"), "inner \"quotes\" kept");
    EXPECT_EQ(get("S", "e"), "\"unbalanced");
    EXPECT_EQ(get("S", "f"), "\"mixed'");
    EXPECT_EQ(get("S", "g"), "\"");
    EXPECT_EQ(get("S", "h"), " spaced ");
    EXPECT_EQ(get("S", "i"), "x\"y\"");
}

TEST_F(ProfileRead, QuotedValueCutToTheBuffer)
{
    // Cutting counts the closing quote as text: a buffer just big enough for
    // the quoted text loses its last letter with the quote.
    put("[S]\nq=\"abcdef\"\nr=\"x\"\n");
    EXPECT_EQ(get("S", "q", "", 9), "abcdef");
    EXPECT_EQ(get("S", "q", "", 8), "abcdef");
    EXPECT_EQ(get("S", "q", "", 7), "abcde");
    EXPECT_EQ(get("S", "q", "", 5), "abcd");
    EXPECT_EQ(get("S", "r", "", 2), "");
    EXPECT_EQ(get("S", "r", "", 3), "x");
}

TEST_F(ProfileRead, OnlyTheFirstOfRepeatedSectionsAndKeysCounts)
{
    put("[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nk=4\nonly=5\n");
    EXPECT_EQ(get("A", "k"), "1");
    EXPECT_EQ(get("B", "k"), "3");
    EXPECT_EQ(get("A", "only"), "<default>");
}

TEST_F(ProfileRead, CommentsAndStrayLinesDoNotDisturbKeys)
{
    put("; model list\n[GPS]\n;Gps-1=commented out\nGps-1=real\n"
        "just some words\n# hash line\nGps-2=second\n[broken\nGps-3=third\n");
    EXPECT_EQ(get("GPS", "Gps-1"), "real");
    EXPECT_EQ(get("GPS", "Gps-2"), "second");
    // "[broken" has no closing bracket: it is no section header.
    EXPECT_EQ(get("GPS", "Gps-3"), "third");
    EXPECT_EQ(get("broken", "Gps-3"), "<default>");
    EXPECT_EQ(get("GPS", "just some words"), "<default>");
}

TEST_F(ProfileRead, SectionNameEndsAtTheLastClosingBracket)
{
    put("[Model A]trailing text\nRel=1\n[e]]\nRel=2\n[x]y]z\nRel=3\n");
    EXPECT_EQ(get("Model A", "Rel"), "1");
    EXPECT_EQ(get("e]", "Rel"), "2");
    EXPECT_EQ(get("e", "Rel"), "<default>");
    EXPECT_EQ(get("x]y", "Rel"), "3");
}

TEST_F(ProfileRead, EveryKindOfLineEnd)
{
    put("[A]\r\na=1\r\nb=2\rc=3\nd=4\n\r\n\r[B]\re=5");
    EXPECT_EQ(get("A", "a"), "1");
    EXPECT_EQ(get("A", "b"), "2");
    EXPECT_EQ(get("A", "c"), "3");
    EXPECT_EQ(get("A", "d"), "4");
    EXPECT_EQ(get("B", "e"), "5");
}

TEST_F(ProfileRead, KeysBeforeTheFirstSectionBelongToTheNamelessOne)
{
    put("top=1\n[]\nlater=2\n[S]\nk=3\n");
    EXPECT_EQ(get("", "top"), "1");
    EXPECT_EQ(get("  ", "top"), "1");
    EXPECT_EQ(get("", "later"), "<default>");
    EXPECT_EQ(get("S", "top"), "<default>");
}

TEST_F(ProfileRead, NulBytesEndNamesAndValues)
{
    using namespace std::string_literals;
    put("[N]\nab\0cd=5\nv=12\0" "34\n\0zz=6\n"s);
    EXPECT_EQ(get("N", "ab"), "5");
    EXPECT_EQ(get("N", "v"), "12");
    EXPECT_EQ(get("N", ""), "6");
}

TEST_F(ProfileRead, GarbageAndHugeLinesReadWithoutHarm)
{
    std::string garbage;
    unsigned state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        garbage.push_back(static_cast<char>(state >> 16));
    }
    put(garbage + "\n[S]\nk=found\n");
    EXPECT_EQ(get("S", "k"), "found");
    EXPECT_EQ(get("S", "absent", "d", 5), "d");

    std::string megabyte(1 << 20, 'm');
    std::string longName(5000, 'n');
    put("[S]\nbig=" + megabyte + "\nk=after\n[" + megabyte + "]\ny=0\n[" + longName + "]\nz=1\n");
    EXPECT_EQ(get("S", "big", "", 30), megabyte.substr(0, 29));
    EXPECT_EQ(get("S", "k"), "after");
    EXPECT_EQ(get(longName.c_str(), "z"), "1");
}

TEST_F(ProfileRead, Utf8FileWithByteOrderMarkReadsAsEightBitText)
{
    put("\xef\xbb\xbf[GPS]\r\nGps-1=Mod\xc3\xa8le \xe2\x82\xac\r\n[\xc3\x89t\xc3\xa9]\r\nk=\xf0\x9f\x98\x80|\xff\r\n");
    EXPECT_EQ(get("GPS", "Gps-1"), "Mod\xe8le \x80");
    EXPECT_EQ(get("\xc9t\xe9", "k"), "??|?") << "no 8-bit form: one '?' per UTF-16 unit or bad byte";
    // Without the mark the same bytes are 8-bit text.
    put("[GPS]\r\nGps-1=Mod\xc3\xa8le\r\n");
    EXPECT_EQ(get("GPS", "Gps-1"), "Mod\xc3\xa8le");
}

#ifndef _WIN32
TEST_F(ProfileRead, Utf16FileGivesDefaults)
{
    using namespace std::string_literals;
    put("\xff\xfe[\0S\0]\0\n\0k\0=\0v\0\n\0"s);
    EXPECT_EQ(get("S", "k"), "<default>");
}
#endif

// A list request: without a section, the section names; without a key, the
// keys of the section. Names end with NULs, the list with one more.
std::string list(const std::string& path, const char* section, std::uint32_t size,
                 std::uint32_t* count)
{
    std::string buffer(size + 1, '\x7f');
    *count = platform::getProfileString(section, nullptr, "dflt", buffer.data(), size, path.c_str());
    if (section == nullptr) {
        std::uint32_t again = platform::getProfileString(nullptr, "ignored", "dflt", buffer.data(), size,
                                                         path.c_str());
        EXPECT_EQ(again, *count) << "without a section the key does not matter";
    }
    EXPECT_EQ(buffer[size], '\x7f') << "written past the buffer";
    return buffer.substr(0, *count + 1);
}

TEST_F(ProfileRead, ListsOfSectionsAndKeys)
{
    using namespace std::string_literals;
    put("top=1\n[GPS]\nGps-1=A\n;Gps-2=commented\nnoequals\nGps-3=\n[Empty]\n[]\nq=1\n[Model]\nRel=1\n");
    std::uint32_t count = 0;
    EXPECT_EQ(list(path, nullptr, 100, &count), "GPS\0Empty\0Model\0\0"s);
    EXPECT_EQ(count, 16u);
    EXPECT_EQ(list(path, "gps", 100, &count), "Gps-1\0Gps-3\0\0"s);
    EXPECT_EQ(count, 12u);
    EXPECT_EQ(list(path, "", 100, &count), "top\0\0"s);
    // A section without keys, or none at all, gives the default.
    EXPECT_EQ(list(path, "Empty", 100, &count), "dflt\0"s);
    EXPECT_EQ(list(path, "Missing", 100, &count), "dflt\0"s);
}

TEST_F(ProfileRead, ListsCutToTheBufferEndWithTwoNuls)
{
    using namespace std::string_literals;
    put("[GPS]\nGps-1=A\nGps-2=B\n[Model]\n");
    std::uint32_t count = 0;
    EXPECT_EQ(list(path, nullptr, 7, &count), "GPS\0M\0"s);
    EXPECT_EQ(count, 5u);
    // No room left for even one letter of the next name.
    EXPECT_EQ(list(path, nullptr, 6, &count), "GPS\0\0"s);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(list(path, "GPS", 10, &count), "Gps-1\0Gp\0"s);
    EXPECT_EQ(count, 8u);
    EXPECT_EQ(list(path, nullptr, 1, &count), "\0"s);
    EXPECT_EQ(count, 0u);
}

TEST_F(ProfileRead, FolderInsteadOfFileGivesTheDefault)
{
    EXPECT_EQ(platform::getProfileString("S", "k", "d", nullptr, 10, path.c_str()), 0u);
    char out[8] = "xxxxxxx";
    EXPECT_EQ(platform::getProfileString("S", "k", "dflt", out, 8, dir.path().c_str()), 4u);
    EXPECT_STREQ(out, "dflt");
}

} // namespace

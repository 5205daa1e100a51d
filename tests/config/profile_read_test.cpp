// Reading profile files: the rules the program relies on and the details the
// Win32 reader settles by itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/test_helpers.h"

namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

struct Read {
    const char* section;
    const char* key;
    const char* def;
    std::uint32_t size;
    std::string expected;
};

class ProfileRead : public ::testing::Test {
protected:
    void put(const std::string& text) { ASSERT_TRUE(testing_support::writeText(path, text)); }

    // Reads into a buffer one byte larger than announced and checks that the
    // text is terminated and nothing is written beyond it.
    std::string get(const char* section, const char* key, const char* def, std::uint32_t size)
    {
        std::vector<char> buffer(size + 1, '\x7f');
        const std::uint32_t count =
            platform::getProfileString(section, key, def, buffer.data(), size, path.c_str());
        EXPECT_EQ(buffer[size], '\x7f') << "written past the buffer";
        if (size == 0) {
            EXPECT_EQ(count, 0u);
            EXPECT_EQ(buffer[0], '\x7f') << "a zero-size buffer must stay untouched";
            return {};
        }
        EXPECT_LT(count, size);
        EXPECT_EQ(buffer[count], '\0') << "the text must be terminated after " << count;
        return std::string(buffer.data(), count);
    }
    void check(const std::string& text, const std::vector<Read>& reads)
    {
        put(text);
        for (const Read& r : reads) {
            SCOPED_TRACE("["s + r.section + "] " + r.key + " size " + std::to_string(r.size));
            EXPECT_EQ(get(r.section, r.key, r.def, r.size), r.expected);
        }
    }

    testing_support::TempDir dir;
    std::string path = dir.file("model.ini");
};

TEST_F(ProfileRead, ExampleFileKeyByKey)
{
    check("[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\nGps-2=Model B 3.10\r\n"
          "[Model A 2.40]\r\norg=modela.org\r\nrgn=modela.rgn\r\ncrc=7c3a01f5\r\nlang=10\r\nRel=2.40\r\n"
          "[Model B 3.10]\r\ncrc=e6b0c2d9\r\nlang=14\r\nRel=3.10\r\n"
          "[WARNING]\r\nText-1=THIS UNIT BELONGS TO\r\nText-2=THE SURVEY TEAM\r\nText-3=\r\n",
          {{"GPS", "Date", "", 60, "01.10.02"},
           {"GPS", "Gps-1", "", 60, "Model A 2.40"},
           {"GPS", "Gps-2", "", 60, "Model B 3.10"},
           {"GPS", "Gps-3", "", 60, ""},
           {"Model A 2.40", "org", "", 259, "modela.org"},
           {"Model A 2.40", "rgn", "", 259, "modela.rgn"},
           {"Model A 2.40", "crc", "", 30, "7c3a01f5"},
           {"Model A 2.40", "lang", "", 30, "10"},
           {"Model A 2.40", "Rel", "??", 60, "2.40"},
           {"Model B 3.10", "crc", "", 30, "e6b0c2d9"},
           {"WARNING", "Text-1", "", 30, "THIS UNIT BELONGS TO"},
           {"WARNING", "Text-2", "", 30, "THE SURVEY TEAM"},
           {"WARNING", "Text-3", "x", 30, ""},
           // Missing section or key, or a key of another section: the default.
           {"Model B 3.10", "Gps-1", "??", 260, "??"},
           {"Model C", "Rel", "??", 260, "??"},
           {"GPS", "Gps-1", "x", 1, ""}});
}

TEST_F(ProfileRead, NamesBlanksAndEmptyValues)
{
    check("[model a]\nrel=2.40\n[S\xe9]\n\xe9t\xe9=\xe9\x80\xff\xa0\x85\n"
          "  [  Blanks  ]  \n \t org \t =  \t modela.org \t \nRel\t=\t2.40 final \t\n\x0bv\x0c=\x0b" "1\x1a\n"
          "[M]\nRel=\nBlank=   \t \nNoEquals\n",
          {{"MODEL A", "REL", "d", 260, "2.40"},
           // Only A to Z fold; eight-bit bytes match exactly and come back as they are.
           {"s\xe9", "\xe9T\xe9", "d", 260, "\xe9\x80\xff\xa0\x85"},
           {"S\xc9", "\xe9t\xe9", "d", 260, "d"},
           {"S\xe9", "\xc9t\xc9", "d", 260, "d"},
           {"Blanks", "org", "d", 260, "modela.org"},
           {"  Blanks ", " org ", "d", 260, "modela.org"},
           {"Blanks", "Rel", "d", 260, "2.40 final"},
           {"Blanks", "v", "d", 260, "1"},
           {"M", "Rel", "??", 260, ""},
           {"M", "Blank", "??", 260, ""},
           {"M", "NoEquals", "??", 260, "??"},
           {"M", "Missing", "??", 260, "??"}});
}

TEST_F(ProfileRead, ValuesAndDefaultsAreCutToTheBuffer)
{
    std::string value(300, 'p');
    value[0] = 'X';
    check("[M]\norg=" + value + "\nq=\"abcdef\"\nr=\"x\"\n",
          {{"M", "org", "", 259, value.substr(0, 258)},
           {"M", "org", "", 2, "X"},
           {"M", "org", "", 1, ""},
           {"M", "org", "", 0, ""},
           {"M", "org", "", 302, value},
           // The closing quote counts as text when cutting.
           {"M", "q", "", 9, "abcdef"},
           {"M", "q", "", 8, "abcdef"},
           {"M", "q", "", 7, "abcde"},
           {"M", "q", "", 5, "abcd"},
           {"M", "r", "", 2, ""},
           {"M", "r", "", 3, "x"},
           // A default loses trailing blanks and one pair of quotes.
           {"M", "k", "  dd  ", 260, "  dd"},
           {"M", "k", "   ", 260, " "},
           {"M", "k", "", 260, ""},
           {"M", "k", nullptr, 260, ""},
           {"M", "k", "abcdefghijkl", 5, "abcd"},
           {"M", "k", "\"quoted\"", 260, "quoted"}});
}

// Lines that are neither sections nor keys, quotes, repeated names, line ends,
// NULs and garbage are compared with the Win32 reader itself on
// the corpus (profile_differential_test.cpp).
TEST_F(ProfileRead, OtherEncodingsHugeLinesMissingFileAndFolder)
{
#ifndef _WIN32
    check("\xff\xfe[\0S\0]\0\n\0k\0=\0v\0\n\0"s, {{"S", "k", "d", 260, "d"}});
#endif
    // UTF-8 with a byte order mark: '?' for each UTF-16 unit or bad byte without an 8-bit form.
    check("\xef\xbb\xbf[S]\r\nk=\xf0\x9f\x98\x80|\xff\r\n", {{"S", "k", "", 260, "??|?"}});
    const std::string megabyte(1 << 20, 'm');
    check("[S]\nbig=" + megabyte + "\nk=after\n[" + megabyte + "]\ny=0\n[" + std::string(5000, 'n') + "]\nz=1\n",
          {{"S", "big", "", 30, megabyte.substr(0, 29)}, {"S", "k", "", 30, "after"},
           {std::string(5000, 'n').c_str(), "z", "", 30, "1"}});
    fs::remove(path);
    EXPECT_EQ(get("GPS", "Gps-1", "none", 260), "none");
    EXPECT_EQ(platform::getProfileString("S", "k", "d", nullptr, 10, path.c_str()), 0u);
    char out[8] = "xxxxxxx";
    EXPECT_EQ(platform::getProfileString("S", "k", "dflt", out, 8, dir.path().c_str()), 4u);
    EXPECT_STREQ(out, "dflt");
}

} // namespace

namespace {

// Reads of many keys may keep the file taken apart, but every read still
// gives what the file on disk holds: after a write through the profile
// functions, after another program rewrites it in place with the same size
// and modification time, after it is replaced by a rename, and after the
// drop-cache write. Repeated sections and keys keep their first-one rule.
TEST_F(ProfileRead, EveryReadFollowsTheFileOnDisk)
{
    put("[GPS]\r\nGps-1=Alpha\r\nGps-2=Beta\r\n[gps]\r\nGps-1=Never\r\n[A]\r\nk=1\r\nK=2\r\n");
    EXPECT_EQ(get("GPS", "Gps-1", "", 60), "Alpha");
    EXPECT_EQ(get("gps", "GPS-2", "", 60), "Beta");
    EXPECT_EQ(get("A", "K", "", 60), "1");
    EXPECT_EQ(get("", "k", "none", 60), "none");

    ASSERT_TRUE(platform::writeProfileString("GPS", "Gps-2", "Gamma", path.c_str()));
    EXPECT_EQ(get("GPS", "Gps-2", "", 60), "Gamma");

    // Same size, same modification time, written in place.
    const auto stamp = fs::last_write_time(path);
    {
        std::FILE* file = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(file, nullptr);
        std::fseek(file, 13, SEEK_SET); // "Alpha" -> "Omega"
        std::fputs("Omega", file);
        std::fclose(file);
    }
    fs::last_write_time(path, stamp);
    EXPECT_EQ(get("GPS", "Gps-1", "", 60), "Omega");

    // Replaced by another file under the same name.
    const std::string other = dir.file("other.ini");
    ASSERT_TRUE(testing_support::writeText(other, "[GPS]\r\nGps-1=Delta\r\n"));
    fs::rename(other, path);
    EXPECT_EQ(get("GPS", "Gps-1", "", 60), "Delta");
    EXPECT_EQ(get("GPS", "Gps-2", "", 60), "");

    // Only the drop matters here: Wine answers FALSE to this call, POSIX true.
    platform::writeProfileString(nullptr, nullptr, nullptr, path.c_str());
    EXPECT_EQ(get("GPS", "Gps-1", "", 60), "Delta");
    fs::remove(path);
    EXPECT_EQ(get("GPS", "Gps-1", "gone", 60), "gone");
}

} // namespace

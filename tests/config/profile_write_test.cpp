// Writing profile files: only the key's line changes, the file is replaced
// whole, and a write that cannot be made does no harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "tests/support/test_helpers.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

// The Win32 functions rewrite the whole file in their own layout, so the
// checks of the exact bytes a write leaves are built for POSIX only.

namespace {

using testing_support::readText;
namespace fs = std::filesystem;
using namespace std::string_literals;

class ProfileWrite : public ::testing::Test {
protected:
    void put(const std::string& text) { ASSERT_TRUE(testing_support::writeText(path, text)); }
    bool write(const char* section, const char* key, const char* value)
    {
        return platform::writeProfileString(section, key, value, path.c_str());
    }
    std::string get(const char* section, const char* key)
    {
        char out[300];
        const std::uint32_t n = platform::getProfileString(section, key, "<default>", out, sizeof out, path.c_str());
        return std::string(out, n);
    }
    // Entries in the folder other than the file itself.
    long strayFiles() const
    {
        return std::count_if(fs::directory_iterator(dir.path()), fs::directory_iterator(),
                             [this](const fs::directory_entry& e) { return e.path().string() != path; });
    }
    void makeReadOnly()
    {
        fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                        fs::perm_options::replace);
    }

    testing_support::TempDir dir;
    std::string path = dir.file("Wendrix.ini");
};

TEST_F(ProfileWrite, CreatesAMissingFileWithCrLfLines)
{
    ASSERT_TRUE(write("WARNING", "Text-1", "THIS UNIT BELONGS TO"));
    ASSERT_TRUE(write("WARNING", "Text-2", ""));
    EXPECT_EQ(readText(path), "[WARNING]\r\nText-1=THIS UNIT BELONGS TO\r\nText-2=\r\n");
    EXPECT_EQ(strayFiles(), 0);
}

#ifndef _WIN32
TEST_F(ProfileWrite, OnlyTheKeysLineChanges)
{
    const struct {
        const char* what;
        std::string before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    } cases[] = {
        {"replace, keeping the key's spelling", "; kept\n\n[GPS]\nGps-1=A\n[WARNING]\n  text-1 = old  \nText-2=two\n",
         "warning", "Text-1", "new", "; kept\n\n[GPS]\nGps-1=A\n[WARNING]\ntext-1=new\r\nText-2=two\n"},
        {"add after the section's last line", "[WARNING]\nText-1=a\n\n\n[GPS]\nGps-1=A", "WARNING", "Text-2", "b",
         "[WARNING]\nText-1=a\nText-2=b\r\n\n\n[GPS]\nGps-1=A"},
        {"add after a last line without a break", "[GPS]\nGps-1=A", "GPS", "Gps-2", "B", "[GPS]\nGps-1=A\r\nGps-2=B\r\n"},
        {"add to an empty section", "[WARNING]\n\n[GPS]\n", "WARNING", "Text-1", "a", "[WARNING]\nText-1=a\r\n\n[GPS]\n"},
        {"add to a header without a break", "[WARNING]", "WARNING", "Text-1", "a", "[WARNING]\r\nText-1=a\r\n"},
        {"add a section at the end", "[GPS]\r\nGps-1=A\r\n", "WARNING", "Text-1", "x",
         "[GPS]\r\nGps-1=A\r\n[WARNING]\r\nText-1=x\r\n"},
        {"add a section after no break", "[GPS]\nGps-1=A", "WARNING", "Text-1", "x",
         "[GPS]\nGps-1=A\r\n[WARNING]\r\nText-1=x\r\n"},
        {"first of repeated sections and keys", "[A]\nk=1\nk=2\n[A]\nk=3\n", "A", "k", "9", "[A]\nk=9\r\nk=2\n[A]\nk=3\n"},
        {"key before the first section", "\n[S]\nk=1\n", "", "top", "x", "top=x\r\n\n[S]\nk=1\n"},
        {"null value removes the key", "[A]\nk=1\nj=2\n[B]\nm=3\n", "A", "k", nullptr, "[A]\nj=2\n[B]\nm=3\n"},
        {"null key removes the section", "[A]\nj=2\n[B]\nm=3\n\n[C]\nn=4\n", "b", nullptr, nullptr, "[A]\nj=2\n[C]\nn=4\n"},
        {"removing a missing section", "[A]\nj=2\n", "Missing", nullptr, nullptr, "[A]\nj=2\n"},
        {"removing a missing key", "[A]\nj=2\n", "A", "missing", nullptr, "[A]\nj=2\n"},
        {"removing from an empty nameless section", "[A]\nk=1\n", "", "k", nullptr, "[A]\nk=1\n"},
        {"a [] header on line 0 repeats the nameless section", "[]\nk=1\n[A]\nk=2\n", "", "k", nullptr,
         "[]\n[A]\nk=2\n"},
        {"a line break in a value ends it", "", "S", "k", "first\r\n[Evil]\nx=1", "[S]\r\nk=first\r\n"},
        {"a lone CR ends it too", "[S]\r\nk=first\r\n", "S", "j", "one\rtwo", "[S]\r\nk=first\r\nj=one\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        put(c.before);
        ASSERT_TRUE(write(c.section, c.key, c.value));
        EXPECT_EQ(readText(path), c.after);
    }
    EXPECT_EQ(get("Evil", "x"), "<default>");
    EXPECT_EQ(get("S", "j"), "one");
}

TEST_F(ProfileWrite, RefusedWritesLeaveTheFileAlone)
{
    put("[S]\nk = same \n");
    const auto before = fs::last_write_time(path);
    ASSERT_TRUE(write("S", "k", "same")) << "an unchanged value is not written";
    EXPECT_EQ(fs::last_write_time(path), before);
    EXPECT_TRUE(write(nullptr, nullptr, nullptr)) << "all null only drops the cache";
    EXPECT_FALSE(write(nullptr, "k", "v"));
    EXPECT_FALSE(write("S\n[T]", "k", "v"));
    EXPECT_FALSE(write("S", "k\nx", "v"));
    EXPECT_FALSE(platform::writeProfileString("S", "k", "v", nullptr));
    EXPECT_FALSE(platform::writeProfileString("S", "k", "v", ""));
    EXPECT_EQ(readText(path), "[S]\nk = same \n");
    const std::string utf16 = "\xff\xfe[\0S\0]\0\n\0"s;
    put(utf16);
    EXPECT_FALSE(write("S", "k", "v")) << "a UTF-16 file is never written";
    EXPECT_EQ(readText(path), utf16);
}
#endif

TEST_F(ProfileWrite, OddValuesRoundTrip)
{
    const struct {
        const char* written;
        const char* read;
    } cases[] = {
        {"  blanks around  ", "blanks around"}, {"a=b=c", "a=b=c"}, {";semicolon", ";semicolon"},
        {"# hash", "# hash"}, {"\"quoted\"", "quoted"}, {"'single'", "single"},
        {"say \"hi\" now", "say \"hi\" now"}, {"\xe9\xe8\x80\xff\xa0", "\xe9\xe8\x80\xff\xa0"}, {"", ""},
        {"[not a section]", "[not a section]"}, {"\tTab\t", "Tab"},
    };
    int n = 0;
    for (const auto& c : cases)
        ASSERT_TRUE(write("WARNING", ("Text-" + std::to_string(++n)).c_str(), c.written)) << n;
    n = 0;
    for (const auto& c : cases)
        EXPECT_EQ(get("WARNING", ("Text-" + std::to_string(++n)).c_str()), c.read) << n;
}

TEST_F(ProfileWrite, Utf8FileKeepsItsMarkAndEncoding)
{
    put("\xef\xbb\xbf[WARNING]\r\nText-1=caf\xc3\xa9\r\n");
    ASSERT_TRUE(write("WARNING", "Text-2", "\xe9t\xe9 \x80"));
    ASSERT_TRUE(write("Gr\xfc\xdf", "k", "x"));
    EXPECT_EQ(get("WARNING", "Text-1"), "caf\xe9");
    EXPECT_EQ(get("WARNING", "Text-2"), "\xe9t\xe9 \x80");
#ifndef _WIN32
    EXPECT_EQ(readText(path), "\xef\xbb\xbf[WARNING]\r\nText-1=caf\xc3\xa9\r\nText-2=\xc3\xa9t\xc3\xa9 \xe2\x82\xac\r\n"
                              "[Gr\xc3\xbc\xc3\x9f]\r\nk=x\r\n");
#endif
}

TEST_F(ProfileWrite, MissingFolderOrReadOnlyFileFailsWithoutHarm)
{
    const std::string inMissing = dir.file("no/such/folder/Wendrix.ini");
    EXPECT_FALSE(platform::writeProfileString("S", "k", "v", inMissing.c_str()));
    EXPECT_FALSE(testing_support::exists(dir.file("no")));
    // Without any write permission (the read-only attribute on Windows), even for root.
    const std::string before = "[WARNING]\nText-1=old\n";
    put(before);
    makeReadOnly();
    EXPECT_FALSE(write("WARNING", "Text-1", "new"));
    EXPECT_FALSE(write("WARNING", "Text-2", "new"));
    EXPECT_EQ(readText(path), before);
    EXPECT_EQ(strayFiles(), 0);
}

#ifndef _WIN32
TEST_F(ProfileWrite, ReplacesTheFileWholeKeepingModeAndLinks)
{
    put("[S]\nk=1\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    struct stat before {};
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_TRUE(write("S", "k", "2"));
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file was moved into place";
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(strayFiles(), 0);

    const std::string real = dir.file("real.ini");
    fs::rename(path, real);
    fs::create_symlink(real, path);
    ASSERT_TRUE(write("S", "k", "3"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(readText(real), "[S]\nk=3\r\n");
    fs::remove(real);
    EXPECT_FALSE(write("S", "k", "4")) << "a dangling link is not replaced by a file";
    EXPECT_TRUE(fs::is_symlink(path));
}

TEST_F(ProfileWrite, UnprivilegedWritesFail)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    const std::string before = "[WARNING]\nText-1=old\n";
    const std::string missing = dir.file("Other.ini");
    // mode of the file, mode of the folder, whether another user may read it
    const struct {
        mode_t file;
        mode_t folder;
        bool readable;
    } cases[] = {{0644, 0777, true}, {0666, 0555, true}, {0600, 0777, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.file) + " in " + std::to_string(c.folder));
        put(before);
        ASSERT_EQ(::chmod(path.c_str(), c.file), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), c.folder), 0);
        const int code = testing_support::runUnprivileged([&] {
            char out[16];
            platform::getProfileString("WARNING", "Text-1", "dflt", out, sizeof out, path.c_str());
            if (std::string(out) != (c.readable ? "old" : "dflt"))
                return 1;
            if (write("WARNING", "Text-1", "new"))
                return 2;
            return c.folder == 0555 && platform::writeProfileString("S", "k", "v", missing.c_str()) ? 3 : 0;
        });
        ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(readText(path), before);
        EXPECT_EQ(strayFiles(), 0);
    }
}
#endif

} // namespace

// Writing profile files: only the key's line changes, the file is replaced
// whole, and a write that cannot be made does no harm.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "tests/support/test_helpers.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

// The layout a write leaves (which bytes stay, where a key goes) is this
// program's own POSIX writer's; the Win32 functions rewrite the whole file in
// their own layout, so those checks are not built for Windows.

namespace {

using testing_support::readText;
using testing_support::TempDir;
namespace fs = std::filesystem;

class ProfileWrite : public ::testing::Test {
protected:
    void put(const std::string& text) { ASSERT_TRUE(testing_support::writeText(path, text)); }
    bool write(const char* section, const char* key, const char* value)
    {
        return platform::writeProfileString(section, key, value, path.c_str());
    }
    std::string get(const char* section, const char* key, const char* def = "<default>")
    {
        char out[300];
        std::uint32_t n = platform::getProfileString(section, key, def, out, sizeof out, path.c_str());
        return std::string(out, n);
    }
    // Names of the entries in the folder other than the file itself.
    int strayFiles() const
    {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            count += entry.path().string() != path;
        return count;
    }

    TempDir dir;
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
TEST_F(ProfileWrite, ReplacesOnlyTheKeysLine)
{
    const std::string before = "; kept comment\n\n[GPS]\nGps-1=A\n[WARNING]\n  text-1 = old  \n"
                               "Text-2=two\n\n[Model A]\nRel=1\n";
    put(before);
    ASSERT_TRUE(write("warning", "Text-1", "new"));
    // The key keeps its spelling from the file; the rest keeps every byte.
    EXPECT_EQ(readText(path), "; kept comment\n\n[GPS]\nGps-1=A\n[WARNING]\ntext-1=new\r\n"
                              "Text-2=two\n\n[Model A]\nRel=1\n");
    EXPECT_EQ(get("WARNING", "Text-1"), "new");
}

TEST_F(ProfileWrite, AddsAKeyAfterTheLastLineOfItsSection)
{
    put("[WARNING]\nText-1=a\n\n\n[GPS]\nGps-1=A");
    ASSERT_TRUE(write("WARNING", "Text-2", "b"));
    EXPECT_EQ(readText(path), "[WARNING]\nText-1=a\nText-2=b\r\n\n\n[GPS]\nGps-1=A");
    // A last line without a line break gets one before the new key.
    ASSERT_TRUE(write("GPS", "Gps-2", "B"));
    EXPECT_EQ(readText(path), "[WARNING]\nText-1=a\nText-2=b\r\n\n\n[GPS]\nGps-1=A\r\nGps-2=B\r\n");
}

TEST_F(ProfileWrite, AddsAKeyToAnEmptySectionRightAfterItsHeader)
{
    put("[WARNING]\n\n[GPS]\n");
    ASSERT_TRUE(write("WARNING", "Text-1", "a"));
    EXPECT_EQ(readText(path), "[WARNING]\nText-1=a\r\n\n[GPS]\n");
    put("[WARNING]");
    ASSERT_TRUE(write("WARNING", "Text-1", "a"));
    EXPECT_EQ(readText(path), "[WARNING]\r\nText-1=a\r\n");
}

TEST_F(ProfileWrite, AddsAMissingSectionAtTheEnd)
{
    put("[GPS]\r\nGps-1=A\r\n");
    ASSERT_TRUE(write("WARNING", "Text-1", "x"));
    EXPECT_EQ(readText(path), "[GPS]\r\nGps-1=A\r\n[WARNING]\r\nText-1=x\r\n");
    put("[GPS]\nGps-1=A");
    ASSERT_TRUE(write("WARNING", "Text-1", "x"));
    EXPECT_EQ(readText(path), "[GPS]\nGps-1=A\r\n[WARNING]\r\nText-1=x\r\n");
}

TEST_F(ProfileWrite, WritesIntoTheFirstOfRepeatedSectionsAndKeys)
{
    put("[A]\nk=1\nk=2\n[A]\nk=3\n");
    ASSERT_TRUE(write("A", "k", "9"));
    EXPECT_EQ(readText(path), "[A]\nk=9\r\nk=2\n[A]\nk=3\n");
}

TEST_F(ProfileWrite, UnchangedValueLeavesTheFileAlone)
{
    put("[S]\nk = same \n");
    const auto before = fs::last_write_time(path);
    ASSERT_TRUE(write("S", "k", "same"));
    EXPECT_EQ(readText(path), "[S]\nk = same \n");
    EXPECT_EQ(fs::last_write_time(path), before);
}
#endif

TEST_F(ProfileWrite, OddValuesRoundTrip)
{
    struct Case {
        const char* written;
        const char* read;
    } cases[] = {
        {"  blanks around  ", "blanks around"},
        {"a=b=c", "a=b=c"},
        {";semicolon", ";semicolon"},
        {"# hash", "# hash"},
        {"\"quoted\"", "quoted"},
        {"'single'", "single"},
        {"say \"hi\" now", "say \"hi\" now"},
        {"\xe9\xe8\x80\xff\xa0", "\xe9\xe8\x80\xff\xa0"},
        {"", ""},
        {"[not a section]", "[not a section]"},
        {"\tTab\t", "Tab"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string key = "Text-" + std::to_string(++n);
        ASSERT_TRUE(write("WARNING", key.c_str(), c.written)) << key;
    }
    n = 0;
    for (const Case& c : cases) {
        std::string key = "Text-" + std::to_string(++n);
        EXPECT_EQ(get("WARNING", key.c_str()), c.read) << key;
    }
}

#ifndef _WIN32
TEST_F(ProfileWrite, ALineBreakInAValueNeverMakesLinesOfItsOwn)
{
    ASSERT_TRUE(write("S", "k", "first\r\n[Evil]\nx=1"));
    ASSERT_TRUE(write("S", "j", "one\rtwo"));
    EXPECT_EQ(readText(path), "[S]\r\nk=first\r\nj=one\r\n");
    EXPECT_EQ(get("Evil", "x"), "<default>");
    // Names with line breaks are refused outright.
    EXPECT_FALSE(write("S\n[T]", "k", "v"));
    EXPECT_FALSE(write("S", "k\nx", "v"));
    EXPECT_EQ(readText(path), "[S]\r\nk=first\r\nj=one\r\n");
}

TEST_F(ProfileWrite, NullValueRemovesTheKeyAndNullKeyTheSection)
{
    put("[A]\nk=1\nj=2\n[B]\nm=3\n\n[C]\nn=4\n");
    ASSERT_TRUE(write("A", "k", nullptr));
    EXPECT_EQ(readText(path), "[A]\nj=2\n[B]\nm=3\n\n[C]\nn=4\n");
    ASSERT_TRUE(write("b", nullptr, nullptr));
    EXPECT_EQ(readText(path), "[A]\nj=2\n[C]\nn=4\n");
    ASSERT_TRUE(write("Missing", nullptr, nullptr));
    ASSERT_TRUE(write("A", "missing", nullptr));
    EXPECT_EQ(readText(path), "[A]\nj=2\n[C]\nn=4\n");
}

TEST_F(ProfileWrite, AllNullOnlyDropsTheCacheAndSucceeds)
{
    put("[S]\nk=1\n");
    EXPECT_TRUE(write(nullptr, nullptr, nullptr));
    EXPECT_EQ(readText(path), "[S]\nk=1\n");
    EXPECT_FALSE(write(nullptr, "k", "v"));
    EXPECT_FALSE(platform::writeProfileString("S", "k", "v", nullptr));
    EXPECT_FALSE(platform::writeProfileString("S", "k", "v", ""));
}

TEST_F(ProfileWrite, KeysBeforeTheFirstSection)
{
    put("\n[S]\nk=1\n");
    ASSERT_TRUE(write("", "top", "x"));
    EXPECT_EQ(readText(path), "top=x\r\n\n[S]\nk=1\n");
    EXPECT_EQ(get("", "top"), "x");
}
#endif

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

#ifndef _WIN32
TEST_F(ProfileWrite, Utf16FileIsNeverWritten)
{
    using namespace std::string_literals;
    const std::string before = "\xff\xfe[\0S\0]\0\n\0"s;
    put(before);
    EXPECT_FALSE(write("S", "k", "v"));
    EXPECT_EQ(readText(path), before);
}
#endif

TEST_F(ProfileWrite, MissingFolderFailsWithoutCreatingAnything)
{
    const std::string inMissing = dir.file("no/such/folder/Wendrix.ini");
    EXPECT_FALSE(platform::writeProfileString("S", "k", "v", inMissing.c_str()));
    EXPECT_FALSE(testing_support::exists(dir.file("no")));
}

#ifndef _WIN32
TEST_F(ProfileWrite, SymbolicLinkStaysALink)
{
    const std::string real = dir.file("real.ini");
    ASSERT_TRUE(testing_support::writeText(real, "[S]\nk=1\n"));
    fs::create_symlink(real, path);
    ASSERT_TRUE(write("S", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(readText(real), "[S]\nk=2\r\n");
    // A dangling link is not replaced by a file.
    fs::remove(real);
    EXPECT_FALSE(write("S", "k", "3"));
    EXPECT_TRUE(fs::is_symlink(path));
}
#endif

TEST_F(ProfileWrite, ReadOnlyFileIsNotWrittenEvenByRoot)
{
    const std::string before = "[WARNING]\nText-1=old\n";
    put(before);
    // Without any write permission (the read-only attribute on Windows).
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace);
    EXPECT_FALSE(write("WARNING", "Text-1", "new"));
    EXPECT_FALSE(write("WARNING", "Text-2", "new"));
    EXPECT_EQ(readText(path), before);
    EXPECT_EQ(strayFiles(), 0);
}

#ifndef _WIN32
TEST_F(ProfileWrite, ReplacesTheFileAtomicallyAndKeepsItsMode)
{
    put("[S]\nk=1\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_TRUE(write("S", "k", "2"));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    // A new file was moved into place: the old one was never truncated.
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(strayFiles(), 0);
}


TEST_F(ProfileWrite, UnprivilegedWriteToAnotherUsersFileFails)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    const std::string before = "[WARNING]\nText-1=old\n";
    put(before);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    const int code = testing_support::runUnprivileged([&] {
        char out[16];
        // Reading still works; writing must fail.
        platform::getProfileString("WARNING", "Text-1", "", out, sizeof out, path.c_str());
        if (std::string(out) != "old")
            return 1;
        return write("WARNING", "Text-1", "new") ? 2 : 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readText(path), before);
    EXPECT_EQ(strayFiles(), 0);
}

TEST_F(ProfileWrite, UnprivilegedWriteInAReadOnlyFolderFails)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    const std::string before = "[WARNING]\nText-1=old\n";
    put(before);
    // The file itself may be written by anyone; the folder may not.
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const std::string missing = dir.file("Other.ini");
    const int code = testing_support::runUnprivileged([&] {
        if (write("WARNING", "Text-1", "new"))
            return 1;
        if (platform::writeProfileString("S", "k", "v", missing.c_str()))
            return 2;
        return 0;
    });
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readText(path), before);
    EXPECT_FALSE(testing_support::exists(missing));
    EXPECT_EQ(strayFiles(), 0);
}

TEST_F(ProfileWrite, UnreadableFileGivesDefaultsAndIsNotOverwritten)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the check as another user";
    const std::string before = "[S]\nk=secret\n";
    put(before);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    const int code = testing_support::runUnprivileged([&] {
        char out[16];
        platform::getProfileString("S", "k", "dflt", out, sizeof out, path.c_str());
        if (std::string(out) != "dflt")
            return 1;
        return write("S", "k", "new") ? 2 : 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readText(path), before);
}
#else
TEST_F(ProfileWrite, PermissionChecksAsAnotherUser)
{
    GTEST_SKIP() << "checks as an unprivileged user need POSIX users and modes";
}
#endif

} // namespace

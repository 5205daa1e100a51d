// INI files through the profile functions and the per-user registry store.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "tests/win32/win_test_folder.h"

using namespace platform;

namespace {
std::string profile(const char* section, const char* key, const char* fallback,
                    const std::string& ini)
{
    char out[60];
    getProfileString(section, key, fallback, out, sizeof out, ini.c_str());
    return out;
}
} // namespace

TEST(Win32Profile, ReadsValuesFallsBackAndCutsToTheBuffer)
{
    WinTestFolder folder;
    const std::string ini = folder.file("wendrix.ini");
    const std::string missing = folder.file("missing.ini");
    const std::string longLine(40, 'x');
    ASSERT_TRUE(writeWhole(ini, "[GPS]\r\nGps-1=Model A 2.40\r\nDate=2026-11-30\r\n"
                                "[Model A 2.40]\r\nRel=2.40\r\n[WARNING]\r\nText-1=" +
                                    longLine + "\r\n"));
    char out[60];
    EXPECT_EQ(getProfileString("GPS", "Gps-1", "", out, sizeof out, ini.c_str()), 12u);
    EXPECT_STREQ(out, "Model A 2.40");
    EXPECT_EQ(getProfileString("WARNING", "Text-1", "", out, 30, ini.c_str()), 29u);
    EXPECT_EQ(std::string(out), longLine.substr(0, 29));

    EXPECT_EQ(profile("gps", "gps-1", "", ini), "Model A 2.40"); // names ignore case
    EXPECT_EQ(profile("Model A 2.40", "Rel", "", ini), "2.40");
    EXPECT_EQ(profile("GPS", "Gps-2", "??", ini), "??");
    EXPECT_EQ(profile("Nowhere", "Rel", "??", ini), "??");
    EXPECT_EQ(profile("GPS", "Gps-1", "none", missing), "none");
    EXPECT_EQ(profile("GPS", "Gps-1", nullptr, missing), "");
}

TEST(Win32Profile, WritesAreReadBackAndReachTheFile)
{
    WinTestFolder folder;
    const std::string ini = folder.file("wendrix.ini");
    ASSERT_TRUE(writeProfileString("WARNING", "Text-1", "Hello there", ini.c_str()));
    ASSERT_TRUE(writeProfileString("WARNING", "Text-2", "", ini.c_str()));
    writeProfileString(nullptr, nullptr, nullptr, ini.c_str()); // its result is not defined
    EXPECT_EQ(profile("WARNING", "Text-1", "", ini), "Hello there");
    EXPECT_EQ(profile("WARNING", "Text-2", "default", ini), "");
    const std::string text = readWhole(ini);
    EXPECT_NE(text.find("[WARNING]"), std::string::npos) << text;
    EXPECT_NE(text.find("Text-1=Hello there"), std::string::npos) << text;

    // A read-only file is left as it was.
    const std::string locked = folder.file("locked.ini");
    ASSERT_TRUE(writeWhole(locked, "[WARNING]\r\nText-1=old\r\n"));
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(writeProfileString("WARNING", "Text-1", "new", locked.c_str()));
    EXPECT_FALSE(writeProfileString("WARNING", "Text-2", "new", locked.c_str()));
    EXPECT_EQ(readWhole(locked), "[WARNING]\r\nText-1=old\r\n");
    EXPECT_EQ(profile("WARNING", "Text-1", "", locked), "old");
}

TEST(Win32Profile, DroppingTheCacheShowsAFileReplacedBehindOurBack)
{
    WinTestFolder folder;
    const std::string ini = folder.file("wendrix.ini");
    ASSERT_TRUE(writeWhole(ini, "[GPS]\r\nDate=old\r\n"));
    ASSERT_EQ(profile("GPS", "Date", "", ini), "old");
    ASSERT_TRUE(writeWhole(ini, "[GPS]\r\nDate=new\r\n"));
    writeProfileString(nullptr, nullptr, nullptr, ini.c_str());
    EXPECT_EQ(profile("GPS", "Date", "", ini), "new");
}

TEST(Win32Profile, ABareFileNameMeansTheCurrentFolder)
{
    WinTestFolder folder;
    ASSERT_TRUE(writeWhole(folder.file("local.ini"), "[GPS]\r\nGps-1=Here\r\n"));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    const std::string read = profile("GPS", "Gps-1", "", "local.ini");
    const bool written = writeProfileString("GPS", "Gps-2", "Also here", "local.ini");
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(read, "Here");
    EXPECT_TRUE(written);
    EXPECT_NE(readWhole(folder.file("local.ini")).find("Gps-2=Also here"), std::string::npos);
}

namespace {
// A key of its own under HKEY_CURRENT_USER\Software, removed afterwards.
class Win32Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[80];
        std::snprintf(name, sizeof name, "Software\\WendrixTest%lu\\Inner", GetCurrentProcessId());
        subKey = name;
        parent = subKey.substr(0, subKey.rfind('\\'));
    }
    void TearDown() override
    {
        RegDeleteKeyA(HKEY_CURRENT_USER, subKey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, parent.c_str());
    }
    RegHandle open(std::uint32_t access)
    {
        RegHandle key = 0;
        EXPECT_EQ(regOpenKey(kCurrentUser, subKey.c_str(), access, &key), RegSuccess);
        return key;
    }
    std::string subKey;
    std::string parent;
};
} // namespace

TEST_F(Win32Registry, MissingKeyIsCreatedWithItsParentsAndRefusesWritesWhenOpenForReading)
{
    RegHandle key = 12345;
    EXPECT_EQ(regOpenKey(kCurrentUser, subKey.c_str(), RegKeyRead, &key), RegFileNotFound);
    EXPECT_EQ(key, 0u);
    ASSERT_EQ(regCreateKey(kCurrentUser, subKey.c_str(), RegKeyAllAccess, &key), RegSuccess);
    EXPECT_NE(key, 0u);
    EXPECT_EQ(regCloseKey(key), RegSuccess);

    key = open(RegKeyRead);
    EXPECT_EQ(regSetString(key, "Text-1", "x", 2), RegAccessDenied);
    EXPECT_EQ(regCloseKey(key), RegSuccess);
    key = open(RegKeySetValue);
    EXPECT_EQ(regSetString(key, "Text-1", "x", 2), RegSuccess);
    regCloseKey(key);
}

TEST_F(Win32Registry, StringsRoundTripWithTheirTerminator)
{
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, subKey.c_str(), RegKeyAllAccess, &key), RegSuccess);
    const char text[] = "Property of Jo";
    ASSERT_EQ(regSetString(key, "Text-1", text, sizeof text), RegSuccess);
    regCloseKey(key);

    key = open(RegKeyRead);
    char out[257] = {};
    std::uint32_t size = sizeof out;
    EXPECT_EQ(regQueryValue(key, "Text-1", out, &size), RegSuccess);
    EXPECT_EQ(size, sizeof text);
    EXPECT_STREQ(out, text);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(reinterpret_cast<HKEY>(key), "Text-1", nullptr, &type, nullptr,
                               nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    char small[4] = "abc";
    size = sizeof small;
    EXPECT_EQ(regQueryValue(key, "Text-1", small, &size), RegMoreData);
    size = sizeof out;
    EXPECT_EQ(regQueryValue(key, "Text-9", out, &size), RegFileNotFound);
    regCloseKey(key);
}

// INI files through the profile functions and the per-user registry store.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "tests/win32/win_test_folder.h"

using namespace platform;

TEST(Win32Profile, ReadsValuesAndFallsBackToTheDefault)
{
    WinTestFolder folder;
    const std::string ini = folder.file("wendrix.ini");
    ASSERT_TRUE(writeWhole(ini, "[GPS]\r\nGps-1=Model A 2.40\r\nDate=2026-11-30\r\n"
                                "[Model A 2.40]\r\nRel=2.40\r\n"));
    char out[60];
    EXPECT_EQ(getProfileString("GPS", "Gps-1", "", out, sizeof out, ini.c_str()), 12u);
    EXPECT_STREQ(out, "Model A 2.40");
    EXPECT_EQ(getProfileString("gps", "gps-1", "", out, sizeof out, ini.c_str()), 12u)
        << "section and key names are not case-sensitive";
    getProfileString("GPS", "Gps-2", "??", out, sizeof out, ini.c_str());
    EXPECT_STREQ(out, "??");
    getProfileString("Nowhere", "Rel", "??", out, sizeof out, ini.c_str());
    EXPECT_STREQ(out, "??");
    getProfileString("GPS", "Gps-1", "none", out, sizeof out, folder.file("missing.ini").c_str());
    EXPECT_STREQ(out, "none");
    getProfileString("GPS", "Gps-1", nullptr, out, sizeof out, folder.file("missing.ini").c_str());
    EXPECT_STREQ(out, "");
}

TEST(Win32Profile, LongValuesAreCutToTheBufferLessOne)
{
    WinTestFolder folder;
    const std::string ini = folder.file("wendrix.ini");
    const std::string line(40, 'x');
    ASSERT_TRUE(writeWhole(ini, "[WARNING]\r\nText-1=" + line + "\r\n"));
    char out[30];
    EXPECT_EQ(getProfileString("WARNING", "Text-1", "", out, sizeof out, ini.c_str()), 29u);
    EXPECT_EQ(std::string(out), line.substr(0, 29));
}

TEST(Win32Profile, WritesAreReadBackAndReachTheFile)
{
    WinTestFolder folder;
    const std::string ini = folder.file("wendrix.ini");
    ASSERT_TRUE(writeProfileString("WARNING", "Text-1", "Hello there", ini.c_str()));
    ASSERT_TRUE(writeProfileString("WARNING", "Text-2", "", ini.c_str()));
    writeProfileString(nullptr, nullptr, nullptr, ini.c_str()); // its result is not defined
    char out[30];
    getProfileString("WARNING", "Text-1", "", out, sizeof out, ini.c_str());
    EXPECT_STREQ(out, "Hello there");
    getProfileString("WARNING", "Text-2", "default", out, sizeof out, ini.c_str());
    EXPECT_STREQ(out, "");
    const std::string text = readWhole(ini);
    EXPECT_NE(text.find("[WARNING]"), std::string::npos) << text;
    EXPECT_NE(text.find("Text-1=Hello there"), std::string::npos) << text;
}

TEST(Win32Profile, AReadOnlyFileIsLeftAsItWas)
{
    WinTestFolder folder;
    const std::string ini = folder.file("wendrix.ini");
    ASSERT_TRUE(writeWhole(ini, "[WARNING]\r\nText-1=old\r\n"));
    ASSERT_TRUE(SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(writeProfileString("WARNING", "Text-1", "new", ini.c_str()));
    EXPECT_FALSE(writeProfileString("WARNING", "Text-2", "new", ini.c_str()));
    EXPECT_EQ(readWhole(ini), "[WARNING]\r\nText-1=old\r\n");
    char out[30];
    getProfileString("WARNING", "Text-1", "", out, sizeof out, ini.c_str());
    EXPECT_STREQ(out, "old");
}

TEST(Win32Profile, DroppingTheCacheShowsAFileReplacedBehindOurBack)
{
    WinTestFolder folder;
    const std::string ini = folder.file("wendrix.ini");
    ASSERT_TRUE(writeWhole(ini, "[GPS]\r\nDate=old\r\n"));
    char out[60];
    getProfileString("GPS", "Date", "", out, sizeof out, ini.c_str());
    ASSERT_STREQ(out, "old");

    ASSERT_TRUE(writeWhole(ini, "[GPS]\r\nDate=new\r\n"));
    writeProfileString(nullptr, nullptr, nullptr, ini.c_str());
    getProfileString("GPS", "Date", "", out, sizeof out, ini.c_str());
    EXPECT_STREQ(out, "new");
}

TEST(Win32Profile, ABareFileNameMeansTheCurrentFolder)
{
    WinTestFolder folder;
    ASSERT_TRUE(writeWhole(folder.file("local.ini"), "[GPS]\r\nGps-1=Here\r\n"));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    char out[60];
    getProfileString("GPS", "Gps-1", "", out, sizeof out, "local.ini");
    const bool written = writeProfileString("GPS", "Gps-2", "Also here", "local.ini");
    SetCurrentDirectoryA(previous);
    EXPECT_STREQ(out, "Here");
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
    std::string subKey;
    std::string parent;
};
} // namespace

TEST_F(Win32Registry, OpeningAMissingKeyFailsAndCreatingMakesItsParents)
{
    RegHandle key = 12345;
    EXPECT_EQ(regOpenKey(kCurrentUser, subKey.c_str(), RegKeyRead, &key), RegFileNotFound);
    EXPECT_EQ(key, 0u);

    ASSERT_EQ(regCreateKey(kCurrentUser, subKey.c_str(), RegKeyAllAccess, &key), RegSuccess);
    EXPECT_NE(key, 0u);
    EXPECT_EQ(regCloseKey(key), RegSuccess);

    ASSERT_EQ(regOpenKey(kCurrentUser, subKey.c_str(), RegKeyRead, &key), RegSuccess);
    EXPECT_EQ(regCloseKey(key), RegSuccess);
}

TEST_F(Win32Registry, StringsRoundTripWithTheirTerminator)
{
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, subKey.c_str(), RegKeyAllAccess, &key), RegSuccess);
    const char text[] = "Property of Jo";
    ASSERT_EQ(regSetString(key, "Text-1", text, sizeof text), RegSuccess);
    regCloseKey(key);

    ASSERT_EQ(regOpenKey(kCurrentUser, subKey.c_str(), RegKeyRead, &key), RegSuccess);
    char out[257] = {};
    std::uint32_t size = sizeof out;
    EXPECT_EQ(regQueryValue(key, "Text-1", out, &size), RegSuccess);
    EXPECT_EQ(size, sizeof text);
    EXPECT_STREQ(out, text);

    // The stored type is REG_SZ.
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

TEST_F(Win32Registry, AKeyOpenedForReadingRefusesWrites)
{
    RegHandle key = 0;
    ASSERT_EQ(regCreateKey(kCurrentUser, subKey.c_str(), RegKeyAllAccess, &key), RegSuccess);
    regCloseKey(key);
    ASSERT_EQ(regOpenKey(kCurrentUser, subKey.c_str(), RegKeyRead, &key), RegSuccess);
    EXPECT_EQ(regSetString(key, "Text-1", "x", 2), RegAccessDenied);
    regCloseKey(key);
    ASSERT_EQ(regOpenKey(kCurrentUser, subKey.c_str(), RegKeySetValue, &key), RegSuccess);
    EXPECT_EQ(regSetString(key, "Text-1", "x", 2), RegSuccess);
    regCloseKey(key);
}

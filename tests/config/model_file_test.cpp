// The model file beside the executable and the values the program takes from it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/model_file.h"
#include "platform/platform.h"
#include "tests/config/config_env.h"
#include "tests/support/test_helpers.h"

namespace {

class ModelFile : public ::testing::Test {
protected:
    void put(const std::string& text) { ASSERT_TRUE(testing_support::writeText(model.path, text)); }
    static std::string read(const char* section, const char* key, const char* def, std::uint32_t size)
    {
        std::vector<char> out(size + 1, '#');
        const std::uint32_t n = readModelValue(section, key, def, out.data(), size);
        EXPECT_EQ(out[size], '#');
        return std::string(out.data(), n);
    }
    // "Gps-1", "Gps-2", ... up to the first empty value.
    static std::vector<std::string> modelList()
    {
        std::vector<std::string> models;
        for (int n = 1;; ++n) {
            std::string name = read("GPS", ("Gps-" + std::to_string(n)).c_str(), "", 60);
            if (name.empty())
                return models;
            models.push_back(name);
        }
    }
    static std::uint32_t crc(const char* section) { return parseHexNumber(read(section, "crc", "", 30).c_str()); }
    static std::int32_t lang(const char* section)
    {
        return static_cast<std::int32_t>(parseDecimalNumber(read(section, "lang", "", 30).c_str()));
    }

    config_test::PrivateModelFile model;
};

TEST(ModelFilePath, IsTheExecutablePathEndingInIni)
{
    char saved[sizeof modelFilePath];
    std::memcpy(saved, modelFilePath, sizeof saved);
    char exe[260] = {};
    const std::size_t length = platform::executablePath(exe, 259);
    ASSERT_GE(length, 4u);
    deriveModelFilePath();
    const std::string derived = modelFilePath;
    std::memcpy(modelFilePath, saved, sizeof saved);
    ASSERT_EQ(derived.size(), length);
    EXPECT_EQ(derived.substr(0, length - 4), std::string(exe, length - 4));
    EXPECT_EQ(derived.substr(length - 4), ".ini");
    EXPECT_NE(derived.find("config_tests"), std::string::npos);
}

TEST_F(ModelFile, MissingFileGivesEveryDefaultAndIsNotCreated)
{
    EXPECT_TRUE(modelList().empty());
    EXPECT_EQ(read("Model A", "Rel", "??", 60), "??");
    EXPECT_EQ(crc("Model A"), 0u);
    EXPECT_EQ(lang("Model A"), 0);
    EXPECT_FALSE(testing_support::exists(model.path));
}

TEST_F(ModelFile, ModelListStopsAtTheFirstMissingOrEmptyKey)
{
    put("[GPS]\r\nGps-1=Model A\r\nGps-2=Model B\r\nGps-4=Model D\r\n");
    EXPECT_EQ(modelList(), (std::vector<std::string>{"Model A", "Model B"}));
    put("[gps]\r\ngps-1=Model A\r\nGps-2=\r\nGps-3=C\r\n");
    EXPECT_EQ(modelList(), (std::vector<std::string>{"Model A"}));
}

TEST_F(ModelFile, ChecksumLanguageCountAndReleaseLabel)
{
    put("[a]\ncrc=7c3a01f5\nlang=10\nRel=\n"
        "[b]\ncrc = 0X7C3A01F5 \nlang=-1\n"
        "[c]\ncrc=7c3a01f5aa\nlang=14 texts\n"
        "[d]\ncrc=E6B0C2D9\nlang=\n"
        "[e]\ncrc=not hex\nlang=many\n"
        "[f]\ncrc=7c3a01f5" + std::string(40, ' ') + "x\n");
    EXPECT_EQ(crc("a"), 0x7c3a01f5u);
    EXPECT_EQ(crc("b"), 0x7c3a01f5u);
    EXPECT_EQ(crc("c"), 4294967295u);
    EXPECT_EQ(crc("d"), 0xe6b0c2d9u);
    EXPECT_EQ(crc("e"), 0u);
    EXPECT_EQ(read("f", "crc", "", 30), "7c3a01f5" + std::string(21, ' ')) << "cut to 29 characters";
    EXPECT_EQ(crc("f"), 0x7c3a01f5u);
    EXPECT_EQ(lang("a"), 10);
    EXPECT_LT(lang("b"), 1) << "-1 counts as no texts";
    EXPECT_EQ(lang("c"), 14);
    EXPECT_EQ(lang("d"), 0);
    EXPECT_EQ(lang("e"), 0);
    EXPECT_EQ(read("a", "Rel", "??", 60), "");
    EXPECT_EQ(read("b", "Rel", "??", 60), "??");
}

TEST_F(ModelFile, ChangesOnDiskShowAfterTheCacheIsDropped)
{
    put("[GPS]\nDate=01.10.02\n");
    EXPECT_EQ(read("GPS", "Date", "", 60), "01.10.02");
    dropModelFileCache();
    put("[GPS]\nDate=02.03.04\n");
    EXPECT_EQ(read("GPS", "Date", "", 60), "02.03.04");
    EXPECT_EQ(testing_support::readText(model.path), "[GPS]\nDate=02.03.04\n");
}

TEST_F(ModelFile, WritesKeepTheRestOfTheFile)
{
    const std::string head = "[GPS]\nDate=01.10.02\nGps-1=Model A\n[Model A]\nRel=2.40\n";
    put(head);
    writeModelValue("WARNING", "Text-1", "HELLO");
    writeModelValue("WARNING", "Text-1", "AGAIN");
#ifndef _WIN32
    // Windows rewrites the whole file in its own layout.
    EXPECT_EQ(testing_support::readText(model.path), head + "[WARNING]\r\nText-1=AGAIN\r\n");
#endif
    EXPECT_EQ(read("WARNING", "Text-1", "", 30), "AGAIN");
    EXPECT_EQ(read("GPS", "Date", "", 60), "01.10.02");
    EXPECT_EQ(read("Model A", "Rel", "??", 60), "2.40");
}

} // namespace

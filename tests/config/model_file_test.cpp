// The model file beside the executable and the values the program takes
// from it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/model_file.h"
#include "platform/platform.h"
#include "tests/config/config_env.h"
#include "tests/support/test_helpers.h"

namespace {

using config_test::PrivateModelFile;

std::string read(const char* section, const char* key, const char* def, std::uint32_t size)
{
    std::vector<char> out(size + 1, '#');
    std::uint32_t n = readModelValue(section, key, def, out.data(), size);
    EXPECT_EQ(out[size], '#');
    return std::string(out.data(), n);
}

// The model list: "Gps-1", "Gps-2", ... up to the first empty value.
std::vector<std::string> modelList()
{
    std::vector<std::string> models;
    for (int n = 1;; ++n) {
        char key[24];
        std::snprintf(key, sizeof key, "Gps-%d", n);
        std::string name = read("GPS", key, "", 60);
        if (name.empty())
            return models;
        models.push_back(name);
    }
}

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

TEST(ModelFile, MissingFileGivesEveryDefault)
{
    PrivateModelFile model;
    EXPECT_TRUE(modelList().empty());
    EXPECT_EQ(read("Model A", "Rel", "??", 60), "??");
    EXPECT_EQ(parseHexNumber(read("Model A", "crc", "", 30).c_str()), 0u);
    EXPECT_EQ(parseDecimalNumber(read("Model A", "lang", "", 30).c_str()), 0u);
    EXPECT_FALSE(testing_support::exists(model.path)) << "reading never creates the file";
}

TEST(ModelFile, ListStopsAtTheFirstGap)
{
    PrivateModelFile model;
    ASSERT_TRUE(testing_support::writeText(
        model.path, "[GPS]\r\nGps-1=Model A\r\nGps-2=Model B\r\nGps-4=Model D\r\n"));
    EXPECT_EQ(modelList(), (std::vector<std::string>{"Model A", "Model B"}));
    // A key present without text is a gap too.
    ASSERT_TRUE(testing_support::writeText(model.path, "[GPS]\r\nGps-1=Model A\r\nGps-2=\r\nGps-3=C\r\n"));
    EXPECT_EQ(modelList(), (std::vector<std::string>{"Model A"}));
}

TEST(ModelFile, ChecksumAndLanguageCount)
{
    PrivateModelFile model;
    ASSERT_TRUE(testing_support::writeText(model.path,
                                           "[a]\ncrc=7c3a01f5\nlang=10\n"
                                           "[b]\ncrc = 0X7C3A01F5 \nlang=-1\n"
                                           "[c]\ncrc=7c3a01f5aa\nlang=14 texts\n"
                                           "[d]\ncrc=E6B0C2D9\nlang=\n"
                                           "[e]\ncrc=not hex\nlang=many\n"));
    auto crc = [](const char* section) { return parseHexNumber(read(section, "crc", "", 30).c_str()); };
    auto lang = [](const char* section) {
        return static_cast<std::int32_t>(parseDecimalNumber(read(section, "lang", "", 30).c_str()));
    };
    EXPECT_EQ(crc("a"), 0x7c3a01f5u);
    EXPECT_EQ(crc("b"), 0x7c3a01f5u);
    EXPECT_EQ(crc("c"), 4294967295u);
    EXPECT_EQ(crc("d"), 0xe6b0c2d9u);
    EXPECT_EQ(crc("e"), 0u);
    EXPECT_EQ(lang("a"), 10);
    EXPECT_LT(lang("b"), 1) << "-1 counts as no texts";
    EXPECT_EQ(lang("c"), 14);
    EXPECT_EQ(lang("d"), 0);
    EXPECT_EQ(lang("e"), 0);
}

TEST(ModelFile, ReleaseLabelEmptyOrMissing)
{
    PrivateModelFile model;
    ASSERT_TRUE(testing_support::writeText(model.path, "[Model A]\nRel=\n[Model B]\norg=b\n"));
    EXPECT_EQ(read("Model A", "Rel", "??", 60), "");
    EXPECT_EQ(read("Model B", "Rel", "??", 60), "??");
}

TEST(ModelFile, ValuesAreCutToTheirBuffers)
{
    PrivateModelFile model;
    const std::string path(300, 'p');
    const std::string name(80, 'n');
    const std::string number = "7c3a01f5" + std::string(40, ' ') + "x";
    ASSERT_TRUE(testing_support::writeText(model.path, "[M]\norg=" + path + "\nRel=" + name +
                                                           "\ncrc=" + number + "\n"));
    EXPECT_EQ(read("M", "org", "", 259), path.substr(0, 258));
    EXPECT_EQ(read("M", "Rel", "??", 60), name.substr(0, 59));
    // The cut falls inside the blanks: the number is still read.
    EXPECT_EQ(read("M", "crc", "", 30), number.substr(0, 29));
    EXPECT_EQ(parseHexNumber(read("M", "crc", "", 30).c_str()), 0x7c3a01f5u);
}

TEST(ModelFile, ChangesOnDiskShowAtTheNextRead)
{
    PrivateModelFile model;
    ASSERT_TRUE(testing_support::writeText(model.path, "[GPS]\nDate=01.10.02\n"));
    EXPECT_EQ(read("GPS", "Date", "", 60), "01.10.02");
    dropModelFileCache();
    ASSERT_TRUE(testing_support::writeText(model.path, "[GPS]\nDate=02.03.04\n"));
    EXPECT_EQ(read("GPS", "Date", "", 60), "02.03.04");
    EXPECT_EQ(testing_support::readText(model.path), "[GPS]\nDate=02.03.04\n")
        << "dropping the cache does not touch the file";
}

TEST(ModelFile, WritesKeepTheRestOfTheFile)
{
    PrivateModelFile model;
    const std::string head = "[GPS]\nDate=01.10.02\nGps-1=Model A\n[Model A]\nRel=2.40\n";
    ASSERT_TRUE(testing_support::writeText(model.path, head));
    writeModelValue("WARNING", "Text-1", "HELLO");
    writeModelValue("WARNING", "Text-1", "AGAIN");
#ifndef _WIN32
    // Windows rewrites the whole file in its own layout; here every byte
    // outside the written lines stays.
    EXPECT_EQ(testing_support::readText(model.path), head + "[WARNING]\r\nText-1=AGAIN\r\n");
#endif
    EXPECT_EQ(read("WARNING", "Text-1", "", 30), "AGAIN");
    EXPECT_EQ(read("GPS", "Date", "", 60), "01.10.02");
    EXPECT_EQ(read("Model A", "Rel", "??", 60), "2.40");
}

} // namespace

// The location pass against a plain byte-by-byte sweep written here from the
// rules: every position from one past the previous start is tested in
// order, keywordA or else keywordB, and a NUL ends a comparison.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/language_table.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/firmware_maker.h"

namespace {

struct Found {
    std::string name;
    std::int32_t start;
    std::int32_t length;
};

bool keywordAt(const unsigned char* image, std::size_t p, const char* keyword)
{
    for (std::size_t k = 0; keyword[k] != '\0'; ++k) {
        if (image[p + k] == 0 || image[p + k] != static_cast<unsigned char>(keyword[k]))
            return false;
    }
    return true;
}

std::int32_t referenceSweep(const FirmwareImage& image, std::int32_t langCount,
                            std::vector<Found>& found)
{
    found.assign(14, Found{"Unknown", 0, 0});
    if (langCount > 14)
        langCount = 14;
    const std::size_t size = image.size;
    std::int32_t count = 0;
    std::size_t p = 0;
    while (count < langCount) {
        const LanguageEntry& e = languageTable.entries[count];
        ++p;
        while (p < size && !keywordAt(image.bytes, p, e.keywordA) &&
               !keywordAt(image.bytes, p, e.keywordB))
            ++p;
        if (p >= size) {
            found[count].start = static_cast<std::int32_t>(size);
            return count;
        }
        found[count].name = keywordAt(image.bytes, p, e.keywordB) ? e.nameB : e.nameA;
        found[count].start = static_cast<std::int32_t>(p);
        std::size_t end = p;
        while (image.bytes[end] != 0)
            ++end;
        found[count].length = static_cast<std::int32_t>(end - p);
        ++count;
    }
    return count;
}

// Random bytes with keywords, cut keywords and altered keywords dropped in,
// in any order: the sweep's order rules matter here.
std::string seededImage(std::mt19937& rng)
{
    const std::size_t size = 1 + rng() % 6000;
    // A small alphabet makes near-misses of the keywords' letters common.
    const char alphabet[] = "AVWUFRNIGOSL\n\0 .!aeo";
    std::string bytes;
    while (bytes.size() < size) {
        const unsigned pick = rng() % 10;
        const LanguageEntry& e = languageTable.entries[rng() % 14];
        const std::string keyword = (rng() % 2) ? e.keywordA : e.keywordB;
        if (pick < 4) {
            bytes += alphabet[rng() % (sizeof alphabet - 1)];
        } else if (pick < 6) {
            bytes += keyword;
            bytes += "text";
            if (rng() % 2)
                bytes += '\0';
        } else if (pick < 8) {
            // A keyword cut short, or with a NUL in place of one byte.
            std::string near = keyword.substr(0, 1 + rng() % keyword.size());
            if (rng() % 2 && !near.empty())
                near[rng() % near.size()] = (rng() % 2) ? '\0' : 'x';
            bytes += near;
        } else {
            // The same letters in lower case, as "Varoitus" differs from "VAROITUS".
            std::string lower = keyword;
            for (char& c : lower)
                if (c >= 'A' && c <= 'Z' && rng() % 3 == 0)
                    c = static_cast<char>(c - 'A' + 'a');
            bytes += lower;
        }
    }
    bytes.resize(size);
    return bytes;
}

void expectSameAsSweep(const FirmwareImage& image, std::int32_t langCount, const std::string& what)
{
    std::vector<Found> expected;
    const std::int32_t expectedCount = referenceSweep(image, langCount, expected);
    ASSERT_EQ(locateTexts(image, langCount), expectedCount) << what;
    for (int i = 0; i < 14; ++i) {
        const LanguageEntry& e = languageTable.entries[i];
        ASSERT_EQ(std::string(e.name), expected[i].name) << what << " entry " << i + 1;
        ASSERT_EQ(e.start, expected[i].start) << what << " entry " << i + 1;
        ASSERT_EQ(e.length, expected[i].length) << what << " entry " << i + 1;
    }
}

TEST(LocateDifferentialTest, EqualsTheByteByByteSweepOnSeededImages)
{
    RunLog* saved = runLog;
    runLog = nullptr; // thousands of passes: keep the log out of it
    std::mt19937 rng(20261207);
    for (int round = 0; round < 3000; ++round) {
        const std::string bytes = seededImage(rng);
        OwnedImage img(bytes);
        const std::int32_t langCount = static_cast<std::int32_t>(rng() % 18) - 2;
        expectSameAsSweep(img.image, langCount, "round " + std::to_string(round));
        if (::testing::Test::HasFatalFailure())
            break;
    }
    runLog = saved;
}

TEST(LocateDifferentialTest, EqualsTheSweepOnGeneratedFirmware)
{
    RunLog* saved = runLog;
    runLog = nullptr;
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const MadeFirmware made = makeFirmware(4096 + seed * 977, static_cast<int>(seed % 15), seed);
        OwnedImage img(made.bytes);
        expectSameAsSweep(img.image, 14, "seed " + std::to_string(seed));
        // The generator's own record agrees with what was found.
        for (std::size_t i = 0; i < made.texts.size(); ++i) {
            EXPECT_EQ(languageTable.entries[i].start, made.texts[i].start) << "seed " << seed;
            EXPECT_EQ(languageTable.entries[i].length, made.texts[i].length) << "seed " << seed;
        }
    }
    runLog = saved;
}

} // namespace

namespace {

TEST(LocateDifferentialTest, KeywordAtEveryOffsetNearBlockEdges)
{
    // Whatever stride a fast scan skips by, a keyword standing across any
    // boundary within the first few hundred bytes must be found, and also
    // one that ends exactly at the end of the image.
    RunLog* saved = runLog;
    runLog = nullptr;
    for (std::size_t size : {300u, 301u, 513u}) {
        for (std::size_t at = 1; at + 8 <= size; ++at) {
            std::string bytes(size, 'A'); // the first letter everywhere: the worst case
            bytes.replace(at, 8, "WARNING\n");
            OwnedImage img(bytes);
            ASSERT_EQ(locateTexts(img.image, 1), 1) << size << " " << at;
            ASSERT_EQ(languageTable.entries[0].start, static_cast<std::int32_t>(at));
            ASSERT_EQ(languageTable.entries[0].length, static_cast<std::int32_t>(size - at));
        }
    }
    runLog = saved;
}

} // namespace

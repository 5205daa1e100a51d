// The location pass against a plain byte-by-byte sweep written from the rules:
// each position from one past the previous start, keywordA or else keywordB,
// a NUL ending any comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/language_table.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/firmware_maker.h"

namespace {

struct Found {
    std::string name;
    std::int32_t start, length;
};

bool keywordAt(const unsigned char* image, std::size_t p, const char* keyword)
{
    for (std::size_t k = 0; keyword[k] != '\0'; ++k)
        if (image[p + k] == 0 || image[p + k] != static_cast<unsigned char>(keyword[k]))
            return false;
    return true;
}

std::int32_t referenceSweep(const FirmwareImage& image, std::int32_t langCount, std::vector<Found>& found)
{
    found.assign(14, Found{"Unknown", 0, 0});
    std::int32_t count = 0;
    for (std::size_t p = 0; count < std::min(langCount, 14); ++count) {
        const LanguageEntry& e = languageTable.entries[count];
        for (++p; p < image.size && !keywordAt(image.bytes, p, e.keywordA) && !keywordAt(image.bytes, p, e.keywordB);)
            ++p;
        if (p >= image.size) {
            found[count].start = static_cast<std::int32_t>(image.size);
            break;
        }
        std::size_t end = p;
        while (image.bytes[end] != 0)
            ++end;
        found[count] = {keywordAt(image.bytes, p, e.keywordB) ? e.nameB : e.nameA, static_cast<std::int32_t>(p),
                        static_cast<std::int32_t>(end - p)};
    }
    return count;
}

// Random bytes from a small alphabet with whole, cut, altered and lower-cased keywords in any order.
std::string seededImage(std::mt19937& rng)
{
    const std::size_t size = 1 + rng() % 6000;
    const char alphabet[] = "AVWUFRNIGOSL\n\0 .!aeo";
    std::string bytes;
    while (bytes.size() < size) {
        const unsigned pick = rng() % 10;
        const LanguageEntry& e = languageTable.entries[rng() % 14];
        std::string keyword = (rng() % 2) ? e.keywordA : e.keywordB;
        if (pick < 4) {
            bytes += alphabet[rng() % (sizeof alphabet - 1)];
        } else if (pick < 6) {
            bytes += keyword + "text";
            if (rng() % 2)
                bytes += '\0';
        } else if (pick < 8) {
            keyword.resize(1 + rng() % keyword.size());
            if (rng() % 2)
                keyword[rng() % keyword.size()] = (rng() % 2) ? '\0' : 'x';
            bytes += keyword;
        } else {
            for (char& c : keyword) // as "Varoitus" differs from "VAROITUS"
                if (c >= 'A' && c <= 'Z' && rng() % 3 == 0)
                    c = static_cast<char>(c - 'A' + 'a');
            bytes += keyword;
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

// These run thousands of passes: no run log is set for them.
TEST(LocateDifferentialTest, EqualsTheByteByByteSweepOnSeededImages)
{
    ASSERT_EQ(runLog, nullptr);
    std::mt19937 rng(20261207);
    for (int round = 0; round < 3000 && !::testing::Test::HasFatalFailure(); ++round) {
        OwnedImage img(seededImage(rng));
        expectSameAsSweep(img.image, static_cast<std::int32_t>(rng() % 18) - 2, "round " + std::to_string(round));
    }
}

TEST(LocateDifferentialTest, EqualsTheSweepOnGeneratedFirmware)
{
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        const MadeFirmware made = makeFirmware(4096 + seed * 977, static_cast<int>(seed % 15), seed);
        OwnedImage img(made.bytes);
        expectSameAsSweep(img.image, 14, "seed " + std::to_string(seed));
        for (std::size_t i = 0; i < made.texts.size(); ++i) { // the generator's own record agrees
            EXPECT_EQ(languageTable.entries[i].start, made.texts[i].start) << "seed " << seed;
            EXPECT_EQ(languageTable.entries[i].length, made.texts[i].length) << "seed " << seed;
        }
    }
}

TEST(LocateDifferentialTest, KeywordAtEveryOffsetNearBlockEdges)
{
    // Whatever stride a fast scan takes, a keyword across any boundary, or ending the image, is found.
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
}

} // namespace

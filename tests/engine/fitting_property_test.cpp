// Patching many generated images with random lines: the image keeps its
// size, nothing outside the located texts changes, and every text is either
// untouched or holds the leading lines, centred, in exactly its length. The
// fitting rule worked out beforehand, without touching the image, predicts
// exactly what the pass then writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/support/checked_lines.h"
#include "engine/fit_log.h"
#include "engine/fitting.h"
#include "engine/language_table.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/firmware_maker.h"

namespace {

std::string randomLine(std::mt19937& rng)
{
    const unsigned kind = rng() % 10;
    const std::size_t length = kind == 0 ? 0 : kind == 1 ? 29 : rng() % 20;
    std::string line;
    for (std::size_t i = 0; i < length; ++i)
        line += static_cast<char>(' ' + 1 + rng() % 94); // printable, no blank
    return line;
}

std::vector<std::string> split(const std::string& text)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == '\n')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

TEST(FittingPropertyTest, OnlyTheLocatedTextsChange)
{
    testing_support::RecordingMessageBoxes boxes;
    ASSERT_EQ(runLog, nullptr); // hundreds of passes: no run log
    std::mt19937 rng(4242);
    int replacedTexts = 0;
    int keptTexts = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> lines;
        for (int i = 0; i < WarningLines::kCount; ++i) {
            lines.push_back(rng() % 3 == 0 ? std::string() : randomLine(rng));
            warningLines.setLine(i, testing_support::checkedLine(lines.back()));
        }
        const std::size_t size = 2000 + rng() % 30000;
        const int texts = static_cast<int>(rng() % 15);
        const MadeFirmware made = makeFirmware(size, texts, static_cast<std::uint32_t>(round));
        OwnedImage img(made.bytes);
        const std::int32_t langCount = static_cast<std::int32_t>(rng() % 16);
        const std::int32_t located = locateTexts(img.image, langCount);
        FitResult predicted;
        fitTexts(warningLines, languageTable, img.image, langCount, predicted);
        ASSERT_TRUE(std::equal(made.bytes.begin(), made.bytes.end(), img.image.bytes));
        FitResult done;
        fitAndReplace(nullptr, img.image, langCount, &done);
        ASSERT_EQ(done.count, std::min<std::int32_t>(std::max<std::int32_t>(langCount, 0), 14));
        ASSERT_EQ(done.failures, predicted.failures);
        for (std::int32_t e = 0; e < done.count; ++e) {
            const FitOutcome& p = predicted.entries[e];
            ASSERT_EQ(p.replaced, done.entries[e].replaced) << "round " << round << " entry " << e;
            ASSERT_EQ(p.fillFactor, done.entries[e].fillFactor);
            ASSERT_EQ(p.candidateLength, done.entries[e].candidateLength);
            ASSERT_EQ(p.located, e < located);
            const LanguageEntry& entry = languageTable.entries[e];
            if (p.replaced) {
                ASSERT_EQ(std::string(reinterpret_cast<const char*>(&img.image.bytes[entry.start]),
                                      static_cast<std::size_t>(entry.length)),
                          std::string(p.candidate));
            }
        }

        ASSERT_EQ(img.image.size, made.bytes.size());
        ASSERT_EQ(img.image.bytes[img.image.size], 0);
        std::vector<bool> inText(size, false);
        for (std::int32_t e = 0; e < located; ++e) {
            const LanguageEntry& entry = languageTable.entries[e];
            for (std::int32_t k = 0; k < entry.length; ++k)
                inText[static_cast<std::size_t>(entry.start + k)] = true;

            const std::string before(reinterpret_cast<const char*>(&made.bytes[entry.start]),
                                     static_cast<std::size_t>(entry.length));
            const std::string after(reinterpret_cast<const char*>(&img.image.bytes[entry.start]),
                                    static_cast<std::size_t>(entry.length));
            if (after == before) {
                ++keptTexts;
                continue;
            }
            ++replacedTexts;
            const auto parts = split(after);
            ASSERT_LE(parts.size(), 7u);
            for (std::size_t i = 0; i < parts.size(); ++i) {
                const std::string& part = parts[i];
                const std::size_t first = part.find_first_not_of(' ');
                const std::string core =
                    first == std::string::npos ? "" : part.substr(first, part.find_last_not_of(' ') - first + 1);
                ASSERT_EQ(core, lines[i]) << "round " << round << " text " << e << " line " << i;
                // Centred: the right side has as many blanks as the left, or one more.
                const std::size_t left = first == std::string::npos ? part.size() / 2 : first;
                const std::size_t right = part.size() - left - core.size();
                ASSERT_TRUE(right == left || right == left + 1) << "round " << round;
            }
        }
        for (std::size_t p = 0; p < size; ++p)
            if (!inText[p]) {
                ASSERT_EQ(img.image.bytes[p], made.bytes[p]) << "round " << round << " byte " << p;
            }
    }
    // Both outcomes were exercised.
    EXPECT_GT(replacedTexts, 100);
    EXPECT_GT(keptTexts, 0);
}

} // namespace

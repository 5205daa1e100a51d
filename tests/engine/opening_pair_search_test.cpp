// The pair search, in the build the location pass runs on this processor and
// in the plain build, against a position-by-position sweep.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/opening_pair_search.h"

namespace {

std::uint32_t sweep(const std::vector<unsigned char>& bytes, std::uint32_t p, std::uint32_t size, OpeningPairs k)
{
    for (; p < size; ++p)
        if ((bytes[p] == k.a0 && bytes[p + 1] == k.a1) || (bytes[p] == k.b0 && bytes[p + 1] == k.b1))
            return p;
    return size;
}

unsigned char nonZero(std::mt19937& rng)
{
    return static_cast<unsigned char>(1 + rng() % 255);
}

TEST(OpeningPairSearchTest, EveryBuildFindsTheFirstPairLikeASweep)
{
    using Search = std::uint32_t (*)(const unsigned char*, std::uint32_t, std::uint32_t, OpeningPairs);
    const struct {
        const char* name;
        Search search;
    } builds[] = {{"chosen", findOpeningPair}, {"plain", findOpeningPairPlain}};

    std::mt19937 rng(20261209);
    for (int round = 0; round < 4000 && !::testing::Test::HasFailure(); ++round) {
        // Mostly a few blocks; some rounds run past the distance the scan reads ahead.
        const std::uint32_t size = rng() % 4 == 0 ? rng() % 12000 : rng() % 700;
        OpeningPairs k{nonZero(rng), nonZero(rng), nonZero(rng), nonZero(rng)};
        if (rng() % 3 == 0) // both keywords open alike
            k.b0 = k.a0, k.b1 = k.a1;
        // Noise over every byte value, so that whole blocks hold no pair, then
        // pairs, their halves and crossed pairs (a0 b1, b0 a1) put in anywhere.
        std::vector<unsigned char> bytes(size + 1); // exactly the image and its NUL
        for (std::uint32_t i = 0; i < size; ++i)
            bytes[i] = static_cast<unsigned char>(rng());
        const unsigned char firsts[] = {k.a0, k.b0, k.a0, k.b0};
        const unsigned char seconds[] = {k.a1, k.b1, k.b1, k.a1};
        for (std::uint32_t n = rng() % 6; n > 0 && size > 0; --n) {
            const std::uint32_t at = rng() % size;
            const unsigned kind = rng() % 4;
            bytes[at] = firsts[kind];
            if (at + 1 < size && rng() % 4 != 0)
                bytes[at + 1] = seconds[kind];
        }
        const std::uint32_t from = rng() % (size + 2); // also at and past the end
        const std::uint32_t expected = sweep(bytes, from, size, k);
        for (const auto& build : builds)
            ASSERT_EQ(build.search(bytes.data(), from, size, k), expected)
                << build.name << ", round " << round << ", size " << size << ", from " << from;
    }
}

} // namespace

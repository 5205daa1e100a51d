// Generated firmware images for tests, benchmarks and the demo folder: noise
// bytes with the language texts of the table spread through them, each text
// a few lines ended by a NUL byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct MadeText {
    std::int32_t start;  // offset of the text's first byte
    std::int32_t length; // bytes up to, not including, its NUL
};

struct MadeFirmware {
    std::vector<unsigned char> bytes;
    std::vector<MadeText> texts; // in table order, one per text placed
};

// Builds an image of exactly `size` bytes holding the first `textCount`
// texts of the language table (keywordA of each entry, then a few lines of
// words), spread evenly through it. Same size, count and seed give the same
// bytes. The noise never contains a keyword by accident.
MadeFirmware makeFirmware(std::size_t size, int textCount, std::uint32_t seed);
// The same with text i of exactly lengths[i] characters (at least its
// opening's), for up to 14 texts.
MadeFirmware makeFirmware(std::size_t size, const std::vector<std::int32_t>& lengths, std::uint32_t seed);

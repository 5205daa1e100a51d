// The search under the location pass: where the opening two bytes of a
// language text stand.
#pragma once

#include <cstdint>

// The first two bytes of an entry's keywordA and of its keywordB. A pair
// never holds a NUL.
struct OpeningPairs {
    unsigned char a0, a1, b0, b1;
};

// The first position from `p` on, below `size`, where a0 a1 or b0 b1
// stands; `size` when neither does (and when `p` is `size` or beyond).
// bytes[size] must be readable, as an image's closing NUL is. Runs on the
// widest vector instructions that the processor has and the program carries.
std::uint32_t findOpeningPair(const unsigned char* bytes, std::uint32_t p, std::uint32_t size, OpeningPairs pairs);

// The same search on the instructions that every processor the program is
// built for has: what findOpeningPair runs where nothing wider is at hand.
std::uint32_t findOpeningPairPlain(const unsigned char* bytes, std::uint32_t p, std::uint32_t size,
                                   OpeningPairs pairs);

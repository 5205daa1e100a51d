// Builds firmware-like images: random bytes with the language texts laid out
// in firmware order. The generator keeps its own copy of each text's opening
// bytes so that it does not lean on the table that the tests examine.
#include "tests/support/firmware_maker.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

namespace {

// Opening bytes of the 14 texts, in the order they follow each other.
const char* const kOpenings[14] = {
    "WARNING\n",
    "WARNUNG\n",
    "ATTENTION!\n",
    "ATTENZIONE\n",
    "AVISO\nLos datos se",
    "VARNING!\n",
    "ADVARSEL\nAlle data er",
    "AVISO\nTodos os dados",
    "WAARSCHUWING.\n",
    "ADVARSEL\nAlle data er",
    "VAROITUS\n",
    "UWAGA\n",
    "VAROVANI\n",
    "FIGYELEM\n",
};

// Every opening that may stand at any place of the order (both keywords of
// every entry), used to scrub accidental matches out of the noise.
const char* const kAllKeywords[] = {
    "WARNING\n", "WARNUNG\n", "ATTENTION\n", "ATTENTION!\n", "AVISO\n",
    "ATTENZIONE\n", "AVISO\nLos datos se", "VARNING!", "ADVARSEL\nAlle data er",
    "AVISO\nTodos os dados", "ADVARSEL\nAlle data som", "WAARSCHUWING.\n",
    "WAARSCHUWING\n", "VAROITUS\n", "Varoitus\n", "UWAGA\n", "VAROVANI\n",
    "FIGYELEM\n",
};

// Lower-case words never begin a keyword: every keyword starts upper case.
const char* const kWords[] = {
    "the", "map", "data", "may", "be", "wrong", "use", "with", "care",
    "route", "check", "road", "signs", "drive", "safely", "always",
};

std::string makeText(int entry, std::mt19937& rng)
{
    // The opening, then two to five lines of words. An opening that ends
    // mid-line (the ones that carry the start of the second line) is
    // continued on the same line.
    std::string text = kOpenings[entry];
    const int lines = 2 + static_cast<int>(rng() % 4);
    for (int line = 0; line < lines; ++line) {
        if (line > 0)
            text += '\n';
        const int words = 2 + static_cast<int>(rng() % 5);
        for (int w = 0; w < words; ++w) {
            if (text.back() != '\n')
                text += ' ';
            text += kWords[rng() % (sizeof kWords / sizeof kWords[0])];
        }
    }
    return text;
}

bool keywordAt(const std::vector<unsigned char>& bytes, std::size_t p)
{
    // Every keyword begins with one of these; most positions stop here.
    const unsigned char c = bytes[p];
    if (c != 'A' && c != 'F' && c != 'U' && c != 'V' && c != 'W')
        return false;
    for (const char* keyword : kAllKeywords) {
        const std::size_t n = std::strlen(keyword);
        if (p + n <= bytes.size() && std::memcmp(&bytes[p], keyword, n) == 0)
            return true;
    }
    return false;
}

// The opening, then lines of words up to exactly `length` characters (at
// least the opening's).
std::string makeTextOf(int entry, std::size_t length, std::mt19937& rng)
{
    std::string text = kOpenings[entry];
    std::size_t lineStart = text.rfind('\n') + 1;
    while (text.size() < length) {
        const char* word = kWords[rng() % (sizeof kWords / sizeof kWords[0])];
        if (text.size() - lineStart + std::strlen(word) > 28) {
            text += '\n';
            lineStart = text.size();
        } else if (text.back() != '\n') {
            text += ' ';
        }
        text += word;
    }
    text.resize(std::max(length, std::strlen(kOpenings[entry])));
    // A text never ends on a line break or a blank.
    if (text.back() == '\n' || text.back() == ' ')
        text.back() = 'x';
    return text;
}

// Noise of `size` bytes.
MadeFirmware noise(std::size_t size, std::mt19937& rng)
{
    MadeFirmware made;
    // Room for one more byte, so a caller can add the image's closing NUL
    // without a second copy of a large image.
    made.bytes.reserve(size + 1);
    made.bytes.resize(size);
    for (auto& b : made.bytes)
        b = static_cast<unsigned char>(rng());
    return made;
}

void layOut(MadeFirmware& made, const std::vector<std::string>& texts, std::mt19937& rng);

} // namespace

MadeFirmware makeFirmware(std::size_t size, int textCount, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    MadeFirmware made = noise(size, rng);
    textCount = std::clamp(textCount, 0, 14);
    std::vector<std::string> texts;
    for (int i = 0; i < textCount; ++i)
        texts.push_back(makeText(i, rng));
    layOut(made, texts, rng);
    return made;
}

MadeFirmware makeFirmware(std::size_t size, const std::vector<std::int32_t>& lengths, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    MadeFirmware made = noise(size, rng);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < lengths.size() && i < 14; ++i)
        texts.push_back(makeTextOf(static_cast<int>(i), static_cast<std::size_t>(std::max(lengths[i], 0)), rng));
    layOut(made, texts, rng);
    return made;
}

namespace {

// Puts the texts into the noise, each in a slot of its own, and scrubs
// keywords the noise formed by chance.
void layOut(MadeFirmware& made, const std::vector<std::string>& texts, std::mt19937& rng)
{
    const std::size_t size = made.bytes.size();
    const int textCount = static_cast<int>(texts.size());

    // Each text gets an equal slot; it stands a little way into its slot so
    // that the first one is never at offset 0. A text that does not fit into
    // its slot with its NUL is left out, as are all after it.
    const std::size_t slot = textCount > 0 ? size / static_cast<std::size_t>(textCount) : 0;
    for (int i = 0; i < textCount; ++i) {
        const std::string& text = texts[i];
        const std::size_t begin = slot * static_cast<std::size_t>(i);
        const std::size_t lead = std::min<std::size_t>(slot / 4 + 1, 4096);
        if (slot < lead + text.size() + 1)
            break;
        const std::size_t start = begin + lead;
        std::memcpy(&made.bytes[start], text.data(), text.size());
        made.bytes[start + text.size()] = 0;
        made.texts.push_back({static_cast<std::int32_t>(start),
                              static_cast<std::int32_t>(text.size())});
    }

    // Scrub keywords that the random bytes formed by chance, including ones
    // that begin in the noise and run on into a text.
    // The texts are in order, so the noise is the gaps between them.
    std::size_t next = 0; // the first text not yet passed
    for (std::size_t p = 0; p < size; ++p) {
        if (next < made.texts.size() && p == static_cast<std::size_t>(made.texts[next].start)) {
            p += static_cast<std::size_t>(made.texts[next].length); // now at its NUL
            ++next;
            continue;
        }
        while (keywordAt(made.bytes, p))
            made.bytes[p] = static_cast<unsigned char>('0' + rng() % 10);
    }
}

} // namespace

#include "cli/ansi_text.h"

#include <cstdint>

namespace {

#ifndef _WIN32
// Bytes 0x80..0x9F of Windows-1252; 0 marks the five unassigned ones.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char encode(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

// Decodes `text` as UTF-8 into code points; false when it is not valid UTF-8
// (stray continuation bytes, overlong forms, surrogates, beyond U+10FFFF).
bool decodeUtf8(const std::string& text, std::u32string& out)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t c = 0;
        if (lead < 0x80) {
            c = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            c = lead & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size() && extra > 0)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
            (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
#endif

} // namespace

std::string terminalToAnsi(const std::string& text)
{
#ifdef _WIN32
    return text;
#else
    std::u32string decoded;
    if (!decodeUtf8(text, decoded))
        return text;
    std::string out;
    for (const char32_t c : decoded)
        out += encode(c);
    return out;
#endif
}

std::string ansiToTerminal(const std::string& text)
{
#ifdef _WIN32
    return text;
#else
    std::string out;
    for (const char ch : text) {
        const unsigned char byte = static_cast<unsigned char>(ch);
        char32_t c = byte;
        // The five unassigned bytes keep their own value as a C1 control.
        if (byte >= 0x80 && byte < 0xA0 && kHighControls[byte - 0x80] != 0)
            c = kHighControls[byte - 0x80];
        appendUtf8(out, c);
    }
    return out;
#endif
}

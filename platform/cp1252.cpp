#include "platform/cp1252.h"

#include <cstdint>

namespace platform::cp1252 {
namespace {

// Code points of the bytes 0x80 to 0x9F; the five bytes that Windows-1252
// leaves undefined stand for the control characters of the same value.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Decodes the UTF-8 sequence at text[i]. Returns its length and sets `code`
// when it is well formed; otherwise returns minus the number of bytes that
// belong to the broken sequence (its lead byte and the continuation bytes
// that follow).
int decodeAt(std::string_view text, std::size_t i, char32_t& code)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, code = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, code = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, code = lead & 0x07, smallest = 0x10000;
    } else {
        return -1;
    }
    int taken = 0;
    while (taken < extra && i + 1 + taken < text.size() &&
           (static_cast<unsigned char>(text[i + 1 + taken]) & 0xC0) == 0x80) {
        code = (code << 6) | (static_cast<unsigned char>(text[i + 1 + taken]) & 0x3F);
        ++taken;
    }
    if (taken < extra || code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return -(1 + taken);
    return 1 + extra;
}

void appendAnsi(std::string& out, char32_t code)
{
    if (code > 0xFFFF)
        out.push_back('?'); // outside the basic plane: two UTF-16 units, two marks
    out.push_back(fromCodePoint(code));
}

} // namespace

char32_t toCodePoint(unsigned char byte)
{
    return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : byte;
}

bool isControl(char32_t code)
{
    return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

bool isControlByte(unsigned char byte)
{
    return isControl(toCodePoint(byte));
}

char fromCodePoint(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == code)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::u32string decode(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (const char c : text)
        out.push_back(toCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string encode(std::u32string_view characters)
{
    std::string out;
    out.reserve(characters.size());
    for (const char32_t c : characters)
        out.push_back(fromCodePoint(c));
    return out;
}

std::u32string toCodePoints(std::string_view utf8)
{
    std::u32string out;
    char32_t code = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const int length = decodeAt(utf8, i, code);
        out.push_back(length < 0 ? U'\uFFFD' : code);
        i += length < 0 ? 1 : static_cast<std::size_t>(length);
    }
    return out;
}

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool isUtf8(std::string_view text)
{
    char32_t code = 0;
    for (std::size_t i = 0; i < text.size();) {
        const int length = decodeAt(text, i, code);
        if (length < 0)
            return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::string fromUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    char32_t code = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const int length = decodeAt(utf8, i, code);
        if (length < 0) {
            out.push_back('?'); // a broken sequence stands for one unknown character
            i += static_cast<std::size_t>(-length);
        } else {
            appendAnsi(out, code);
            i += static_cast<std::size_t>(length);
        }
    }
    return out;
}

std::string toUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        appendUtf8(out, toCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string toUtf8KeepingNames(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    char32_t code = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const int length = byte >= 0x80 ? decodeAt(text, i, code) : 1;
        if (length > 1) {
            out.append(text.substr(i, static_cast<std::size_t>(length)));
            i += static_cast<std::size_t>(length);
        } else {
            appendUtf8(out, toCodePoint(byte));
            ++i;
        }
    }
    return out;
}

std::string fromSystemText(std::string_view text)
{
#ifdef _WIN32
    return std::string(text);
#else
    return isUtf8(text) ? fromUtf8(text) : std::string(text);
#endif
}

} // namespace platform::cp1252

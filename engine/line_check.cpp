#include "engine/line_check.h"

#include <cstdio>

#include "platform/cp1252.h"

namespace {

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// UTF-8 to characters; a byte that starts no well-formed sequence is U+FFFD.
std::u32string decodeUtf8(std::string_view text)
{
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto n = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((n & 0xC0) != 0x80)
                ok = false;
            else
                c = (c << 6) | (n & 0x3F);
        }
        if (ok && ((extra == 1 && c < 0x80) || (extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
                   (c >= 0xD800 && c <= 0xDFFF)))
            ok = false;
        if (!ok) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        out += c;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

const char* controlName(char32_t c)
{
    switch (c) {
    case 0x07:
        return "BEL";
    case 0x08:
        return "backspace";
    case 0x09:
        return "TAB";
    case 0x0A:
        return "line feed";
    case 0x0D:
        return "carriage return";
    case 0x1B:
        return "ESC";
    case 0x7F:
        return "DEL";
    default:
        return nullptr;
    }
}

} // namespace

bool isLineCharacter(char32_t c)
{
    if (isControl(c))
        return false;
    if (c < 0x80)
        return true;
    const char byte = platform::cp1252::fromCodePoint(c);
    // The code page's own byte must stand for this character again.
    return byte != '?' && platform::cp1252::toCodePoint(static_cast<unsigned char>(byte)) == c;
}

LineFault checkLine(std::u32string_view line)
{
    LineFault fault;
    for (const char32_t c : line) {
        if (isControl(c)) {
            fault.kind = LineFaultKind::Control;
            fault.character = c;
            return fault;
        }
        if (!isLineCharacter(c)) {
            fault.kind = LineFaultKind::NotInCodePage;
            fault.character = c;
            return fault;
        }
    }
    if (line.size() > kLineCharacters) {
        fault.kind = LineFaultKind::TooLong;
        fault.length = line.size();
    }
    return fault;
}

LineFault checkAnsiLine(std::string_view line)
{
    std::u32string characters;
    for (const char c : line)
        characters += platform::cp1252::toCodePoint(static_cast<unsigned char>(c));
    return checkLine(characters);
}

LineFault checkUtf8Line(std::string_view line)
{
    return checkLine(decodeUtf8(line));
}

std::string utf8Of(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

std::string describeLineFault(int number, const LineFault& fault, const std::string& shown)
{
    char text[256];
    switch (fault.kind) {
    case LineFaultKind::None:
        return "";
    case LineFaultKind::TooLong:
        std::snprintf(text, sizeof text, "line %d has %zu characters; a line holds at most %zu", number,
                      fault.length, kLineCharacters);
        break;
    case LineFaultKind::NotInCodePage:
        std::snprintf(text, sizeof text,
                      "line %d holds the character %s%s(U+%04X), which the receiver's code page (Windows-1252) "
                      "cannot hold",
                      number, shown.c_str(), shown.empty() ? "" : " ", static_cast<unsigned>(fault.character));
        break;
    case LineFaultKind::Control: {
        const char* name = controlName(fault.character);
        std::snprintf(text, sizeof text, "line %d holds the control character U+%04X%s%s%s; a line holds only "
                      "printable characters",
                      number, static_cast<unsigned>(fault.character), name ? " (" : "", name ? name : "",
                      name ? ")" : "");
        break;
    }
    }
    return text;
}

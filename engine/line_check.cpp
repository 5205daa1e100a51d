#include "engine/line_check.h"

#include <cstdio>

#include "platform/cp1252.h"

namespace {

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
    if (platform::cp1252::isControl(c))
        return false;
    if (c < 0x80)
        return true;
    const char byte = platform::cp1252::fromCodePoint(c);
    // The code page's own byte must stand for this character again.
    return byte != '?' && platform::cp1252::toCodePoint(static_cast<unsigned char>(byte)) == c;
}

LineCheck checkLine(std::u32string_view line)
{
    LineCheck check;
    LineFault& fault = check.fault;
    for (const char32_t c : line) {
        if (platform::cp1252::isControl(c)) {
            fault.kind = LineFaultKind::Control;
            fault.character = c;
            return check;
        }
        if (!isLineCharacter(c)) {
            fault.kind = LineFaultKind::NotInCodePage;
            fault.character = c;
            return check;
        }
    }
    if (line.size() > kLineCharacters) {
        fault.kind = LineFaultKind::TooLong;
        fault.length = line.size();
        return check;
    }
    CheckedLine& taken = check.line;
    for (const char32_t c : line)
        taken.text_[taken.size_++] = platform::cp1252::fromCodePoint(c);
    taken.text_[taken.size_] = '\0';
    return check;
}

LineCheck checkAnsiLine(std::string_view line)
{
    // A line that can be taken is short: decoded without allocating (the
    // arrangement search checks every line it tries).
    if (line.size() <= kLineCharacters) {
        char32_t characters[kLineCharacters];
        for (std::size_t i = 0; i < line.size(); ++i)
            characters[i] = platform::cp1252::toCodePoint(static_cast<unsigned char>(line[i]));
        return checkLine(std::u32string_view(characters, line.size()));
    }
    return checkLine(platform::cp1252::decode(line));
}

LineCheck checkUtf8Line(std::string_view line)
{
    return checkLine(platform::cp1252::toCodePoints(line));
}

std::string utf8Of(char32_t c)
{
    std::string out;
    platform::cp1252::appendUtf8(out, c);
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

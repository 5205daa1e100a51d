#include "cli/ansi_text.h"

#include <cstdio>

#include "platform/cp1252.h"

std::string terminalToAnsi(const std::string& text)
{
    return platform::cp1252::fromSystemText(text);
}

std::string ansiToTerminal(const std::string& text)
{
#ifdef _WIN32
    return text;
#else
    return platform::cp1252::toUtf8KeepingNames(text);
#endif
}

namespace {

void appendEscaped(std::string& out, unsigned char byte, const char* format)
{
    char code[8];
    std::snprintf(code, sizeof code, format, static_cast<unsigned>(byte));
    out += code;
}

} // namespace

std::string terminalText(const std::string& text, bool keepLineFeeds)
{
    std::string safe;
    safe.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (platform::cp1252::isControlByte(byte) && !(keepLineFeeds && c == '\n'))
            appendEscaped(safe, byte, "\\x%02x");
        else
            safe += c;
    }
    return ansiToTerminal(safe);
}

std::string escapeControls(const std::string& text)
{
    std::string safe;
    safe.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\n') || byte == 0x7F)
            appendEscaped(safe, byte, "\\x%02x");
        else
            safe += c;
    }
    return safe;
}

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (platform::cp1252::isControlByte(byte)) {
            appendEscaped(out, byte, "\\u%04x");
        } else {
            out += c;
        }
    }
    return platform::cp1252::toUtf8KeepingNames(out) + "\"";
}

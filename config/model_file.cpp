#include "config/model_file.h"

#include <cctype>
#include <cstring>

#include "platform/platform.h"

char modelFilePath[260] = {};

void deriveModelFilePath()
{
    // The platform gets one byte less than the buffer, so the path always
    // keeps room for its terminator.
    std::size_t length = platform::executablePath(modelFilePath, sizeof modelFilePath - 1);
    if (length >= sizeof modelFilePath - 1)
        length = std::strlen(modelFilePath);
    if (length >= 4)
        std::memcpy(modelFilePath + length - 4, ".ini", 5);
}

std::uint32_t readModelValue(const char* section, const char* key, const char* def, char* out,
                             std::uint32_t size)
{
    return platform::getProfileString(section, key, def, out, size, modelFilePath);
}

bool writeModelValue(const char* section, const char* key, const char* value)
{
    return platform::writeProfileString(section, key, value, modelFilePath);
}

void dropModelFileCache()
{
    platform::writeProfileString(nullptr, nullptr, nullptr, modelFilePath);
}

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int digitValue(char c, unsigned base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

// Unsigned 32-bit reading: blanks, a sign, for base 16 an optional "0x",
// then digits up to the first other character. A number too large for 32
// bits counts as all bits set; a minus sign then negates the result modulo
// 2^32.
std::uint32_t parseNumber(const char* text, unsigned base)
{
    if (text == nullptr)
        return 0;
    while (isSpace(*text))
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    if (base == 16 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && digitValue(text[2], 16) >= 0)
        text += 2;
    std::uint64_t value = 0;
    for (int digit; (digit = digitValue(*text, base)) >= 0; ++text) {
        value = value * base + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFu)
            value = 0xFFFFFFFFu; // stays there whatever digits follow
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? 0u - result : result;
}

} // namespace

std::uint32_t parseHexNumber(const char* text)
{
    return parseNumber(text, 16);
}

std::uint32_t parseDecimalNumber(const char* text)
{
    return parseNumber(text, 10);
}

bool sameModelName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

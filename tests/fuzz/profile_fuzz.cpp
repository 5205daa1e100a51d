// The profile (INI) reader and writer on arbitrary file bytes and arbitrary
// section, key, value and default texts, empty ones and null pointers
// included.
//
// Input: a byte of flags (bits 0 to 3 make the section, key, value and
// default null pointers), a byte for the read buffer's size, then the
// section, key, value and default texts, each ended by a NUL byte; the rest
// is the file.
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool isBlank(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 0x09 && byte <= 0x0D) || byte == 0x1A || byte == ' ';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A name that reads back as itself from any line it is written to: printable
// ASCII without blanks and without the characters that make a line a
// section header, a value or a comment, or that quote.
bool plainName(std::string_view name)
{
    if (name.empty())
        return false;
    for (const char c : name) {
        if (c <= ' ' || c >= 0x7F || std::string_view("[]=;\"'").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

// What a read gives back after `value` was written: its first line without
// the blanks around it, and without one pair of enclosing quotes.
std::string readBack(std::string_view value)
{
    value = trimmed(value.substr(0, value.find_first_of("\r\n")));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

const char* pointer(bool null, const std::string& text)
{
    return null ? nullptr : text.c_str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    const std::uint8_t flags = input.byte();
    const std::uint32_t bufferSize = 1u + input.byte();
    const std::string sectionText = input.text();
    const std::string keyText = input.text();
    const std::string valueText = input.text();
    const std::string defaultText = input.text();
    const char* section = pointer(flags & 1, sectionText);
    const char* key = pointer(flags & 2, keyText);
    const char* value = pointer(flags & 4, valueText);
    const char* def = pointer(flags & 8, defaultText);

    static const std::string path = fuzz::scratchFolder() + "/wendrix.ini";
    const std::string before(input.rest());
    fuzz::putFile(path, before);

    // A read fills at most the buffer (the sanitizer sees any byte past it)
    // and ends what it gives with a NUL.
    std::vector<char> buffer(bufferSize);
    const std::uint32_t count = platform::getProfileString(section, key, def, buffer.data(), bufferSize,
                                                           path.c_str());
    FUZZ_CHECK(count < bufferSize);
    FUZZ_CHECK(buffer[count] == '\0');

    // Every write returns; one that fails leaves the file as it was.
    const bool written = platform::writeProfileString(section, key, value, path.c_str());
    if (!written) {
        FUZZ_CHECK(fuzz::fileText(path) == before);
        return 0;
    }

    // A value written under names that cannot be misread reads back.
    if (section != nullptr && key != nullptr && value != nullptr && plainName(sectionText) &&
        plainName(keyText)) {
        const std::string expected = readBack(valueText);
        std::vector<char> got(expected.size() + 2);
        const std::uint32_t length = platform::getProfileString(
            section, key, "\x01 missing", got.data(), static_cast<std::uint32_t>(got.size()), path.c_str());
        FUZZ_CHECK(std::string(got.data(), length) == expected);
    }
    return 0;
}

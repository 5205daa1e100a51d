#include "update/edition_check.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace {

constexpr std::uint32_t kPathBuffer = 259; // "org" and "rgn", as the patch run reads them
// Far more models than any edition lists; a file with more sections is no
// model file of ours.
constexpr std::size_t kMostSections = 1000;

bool isControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

bool hasControl(const std::string& text)
{
    for (const char c : text)
        if (isControl(static_cast<unsigned char>(c)))
            return true;
    return false;
}

// The text as a message may show it: control characters become '?'.
std::string shown(std::string text)
{
    for (char& c : text)
        if (isControl(static_cast<unsigned char>(c)))
            c = '?';
    return text;
}

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

// The parts between separators, without empty and "." parts, in small
// letters: two names that are one file on Windows give the same parts.
std::vector<std::string> parts(const std::string& path)
{
    std::vector<std::string> found;
    std::string part;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(path[i])) {
            part += static_cast<char>(std::tolower(static_cast<unsigned char>(path[i])));
            continue;
        }
        if (!part.empty() && part != ".")
            found.push_back(part);
        part.clear();
    }
    return found;
}

// Windows drops dots and blanks at the end of a name, so ". ." or "..." can
// stand for "..": a part of nothing but those, with two dots or more, leads
// out of the folder.
bool leadsUp(const std::string& part)
{
    return part.find_first_not_of(". ") == std::string::npos &&
           std::count(part.begin(), part.end(), '.') >= 2;
}

// A name below the current folder: no root ("/", "\", "\\server"), no drive
// or stream (any colon), no part that climbs out.
bool staysInFolder(const std::string& path)
{
    if (path.empty() || isSeparator(path[0]) || path.find(':') != std::string::npos)
        return false;
    for (const std::string& part : parts(path))
        if (leadsUp(part))
            return false;
    return true;
}

struct Value {
    bool present = false;
    std::string text;
};

// A value as the patch run reads it, and whether the key is there at all:
// a missing key gives either default, a present one the same text twice.
Value readValue(const char* file, const char* section, const char* key)
{
    char text[kPathBuffer];
    platform::getProfileString(section, key, "", text, sizeof text, file);
    Value value{true, text};
    if (value.text.empty()) {
        platform::getProfileString(section, key, "?", text, sizeof text, file);
        value.present = std::strcmp(text, "?") != 0;
    }
    return value;
}

std::string modelSectionRefusal(const char* file, const std::string& section)
{
    const Value org = readValue(file, section.c_str(), "org");
    const Value rgn = readValue(file, section.c_str(), "rgn");
    for (const auto& [key, value] : {std::pair{"org", &org}, std::pair{"rgn", &rgn}}) {
        if (!value->present)
            continue;
        if (value->text.empty() || hasControl(value->text))
            return "The downloaded Wendrix.ini gives no usable " + std::string(key) + " in [" +
                   shown(section) + "]";
        if (!staysInFolder(value->text))
            return "The downloaded Wendrix.ini names a file outside this folder: " + value->text;
    }
    if (org.present && rgn.present && parts(org.text) == parts(rgn.text))
        return "The downloaded Wendrix.ini names one file as both org and rgn: " + rgn.text;
    return {};
}

} // namespace

std::string editionRefusal(const char* file, std::uint32_t largestFile)
{
    platform::writeProfileString(nullptr, nullptr, nullptr, file);
    // Every section that a read by name can reach, whichever "Gps-%d" key
    // names it (or none does), is checked: that covers the model sections
    // without reading the whole model list key by key.
    std::vector<char> names(static_cast<std::size_t>(largestFile) + 2);
    platform::getProfileString(nullptr, nullptr, "", names.data(),
                               static_cast<std::uint32_t>(names.size()), file);
    // A run for a model whose "Gps-%d" key has vanished reads section "".
    std::string refusal = modelSectionRefusal(file, "");
    std::size_t sections = 0;
    for (const char* name = names.data(); *name != '\0' && refusal.empty();
         name += std::strlen(name) + 1) {
        // Each section costs a few reads of the whole file.
        if (++sections > kMostSections)
            refusal = "The downloaded Wendrix.ini holds too many sections";
        else
            refusal = modelSectionRefusal(file, name);
    }
    // The edition is renamed into place next; no copy of it stays cached.
    platform::writeProfileString(nullptr, nullptr, nullptr, file);
    return refusal;
}

#include "update/edition_check.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "config/model_file_check.h"
#include "config/model_list.h"
#include "platform/cp1252.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kPathBuffer = 259; // "org" and "rgn", as the patch run reads them
// How much the check reads at most, counted as sections times the file
// size: some 340 models in the usual layout of some 70 bytes each, or a
// dozen sections beside 600 KiB of comments; about a second's work.
constexpr std::size_t kMostSectionBytes = std::size_t{8} * 1024 * 1024;

bool hasControl(const std::string& text)
{
    for (const char c : text)
        if (platform::cp1252::isControlByte(static_cast<unsigned char>(c)))
            return true;
    return false;
}

// The text as a message may show it: control characters become '?'.
std::string shown(std::string text)
{
    for (char& c : text)
        if (platform::cp1252::isControlByte(static_cast<unsigned char>(c)))
            c = '?';
    return text;
}

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
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
    for (const std::string& part : firmwareNameParts(path))
        if (leadsUp(part))
            return false;
    return true;
}

// Whether `name` is one of the NUL-separated names in `names`, letter case
// aside, as the profile functions match key names.
bool listed(const std::vector<char>& names, const char* name)
{
    for (const char* entry = names.data(); *entry != '\0'; entry += std::strlen(entry) + 1) {
        std::size_t i = 0;
        while (entry[i] != '\0' && std::tolower(static_cast<unsigned char>(entry[i])) ==
                                      std::tolower(static_cast<unsigned char>(name[i])))
            ++i;
        if (entry[i] == '\0' && name[i] == '\0')
            return true;
    }
    return false;
}

// The firmware files a section names, as parts (empty when not given).
struct SectionFiles {
    std::vector<std::string> org, rgn;
    std::string rgnText;
};

// `names` has room for every name the file holds; it is reused for the keys.
// `files` gets the section's firmware files.
std::string sectionRefusal(const char* file, const std::string& section, std::vector<char>& names,
                           std::vector<SectionFiles>& files)
{
    platform::getProfileString(section.c_str(), nullptr, "", names.data(),
                               static_cast<std::uint32_t>(names.size()), file);
    const char* const keys[] = {"org", "rgn"};
    std::string values[2];
    bool present[2] = {};
    for (int i = 0; i < 2; ++i) {
        present[i] = listed(names, keys[i]);
        if (!present[i])
            continue;
        // Read as the patch run reads it.
        char text[kPathBuffer];
        platform::getProfileString(section.c_str(), keys[i], "", text, sizeof text, file);
        values[i] = text;
        if (values[i].empty() || hasControl(values[i]))
            return "The downloaded Wendrix.ini gives no usable " + std::string(keys[i]) + " in [" +
                   shown(section) + "]";
        if (!staysInFolder(values[i]))
            return "The downloaded Wendrix.ini names a file outside this folder: " + values[i];
    }
    if (present[0] && present[1] && firmwareNameParts(values[0]) == firmwareNameParts(values[1]))
        return "The downloaded Wendrix.ini names one file as both org and rgn: " + values[1];
    files.push_back({present[0] ? firmwareNameParts(values[0]) : std::vector<std::string>{},
                     present[1] ? firmwareNameParts(values[1]) : std::vector<std::string>{}, values[1]});
    return {};
}

// A patch of one model would overwrite the only pristine copy of another.
std::string sharedFileRefusal(const std::vector<SectionFiles>& files)
{
    for (const SectionFiles& patched : files) {
        if (patched.rgn.empty())
            continue;
        for (const SectionFiles& other : files)
            if (&other != &patched && other.org == patched.rgn)
                return "The downloaded Wendrix.ini names one model's pristine copy as another's "
                       "working file: " + patched.rgnText;
    }
    return {};
}

std::string readValue(const char* file, const std::string& section, const char* key,
                      std::uint32_t size)
{
    std::vector<char> value(size);
    platform::getProfileString(section.c_str(), key, "", value.data(), size, file);
    return value.data();
}

// What the edition must hold, and must not: no "WARNING" section (lines
// are the user's own, never the server's), at most kMostModels models, and
// at least one model that can be patched.
std::string contentRefusal(const char* file, const std::vector<char>& sections)
{
    if (listed(sections, "WARNING"))
        return "The downloaded Wendrix.ini carries a [WARNING] section: it would put its own "
               "lines into your firmware";
    const std::vector<std::string> models = readModelList(file, kMostModels + 1);
    if (models.size() > static_cast<std::size_t>(kMostModels))
        return "The downloaded Wendrix.ini lists more than " + std::to_string(kMostModels) +
               " models";
    for (const std::string& model : models)
        if (isCompleteModel(readValue(file, model, "org", kPathBuffer),
                            readValue(file, model, "rgn", kPathBuffer),
                            readValue(file, model, "crc", 30), readValue(file, model, "lang", 30)))
            return {};
    return "The downloaded Wendrix.ini lists no complete model (org, rgn, a hexadecimal crc and "
           "lang from 1 to 14)";
}

} // namespace

std::string editionRefusal(const char* file, std::uint32_t fileSize)
{
    platform::writeProfileString(nullptr, nullptr, nullptr, file);
    // Every section that a read by name can reach, whichever "Gps-%d" key
    // names it (or none does), is checked: that covers the model sections
    // without reading the model list key by key.
    std::vector<char> sections(static_cast<std::size_t>(fileSize) + 2);
    platform::getProfileString(nullptr, nullptr, "", sections.data(),
                               static_cast<std::uint32_t>(sections.size()), file);
    std::vector<char> keys(sections.size());
    // A run for a model whose "Gps-%d" key has vanished reads section "".
    std::vector<SectionFiles> files;
    std::string refusal = sectionRefusal(file, "", keys, files);
    // Each section costs up to three reads of the whole file. A model file
    // is small, or lists few models; one that is both large and full of
    // sections would keep the window waiting for many seconds.
    const std::size_t mostSections = kMostSectionBytes / (fileSize + 1u);
    std::size_t count = 0;
    for (const char* name = sections.data(); *name != '\0' && refusal.empty();
         name += std::strlen(name) + 1) {
        if (++count > mostSections)
            refusal = "The downloaded Wendrix.ini holds too many sections for its size";
        else
            refusal = sectionRefusal(file, name, keys, files);
    }
    if (refusal.empty())
        refusal = sharedFileRefusal(files);
    if (refusal.empty())
        refusal = contentRefusal(file, sections);
    // The edition is renamed into place next; no copy of it stays cached.
    platform::writeProfileString(nullptr, nullptr, nullptr, file);
    return refusal;
}

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
// The sections an edition may hold: one per model, the model list, and as
// many again for whatever else a publisher keeps in it.
constexpr std::size_t kMostSections = 2 * kMostModels + 2;

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

// A default that no value read from the file can be: tells a missing key
// from one that is present.
constexpr char kMissing[] = "\x01";

std::string readValue(const char* file, const std::string& section, const char* key, std::uint32_t size)
{
    std::vector<char> value(size);
    platform::getProfileString(section.c_str(), key, kMissing, value.data(), size, file);
    return value.data();
}

// The section's firmware files, read as the patch run reads them, or why
// they cannot be used.
std::string sectionRefusal(const char* file, const std::string& section, std::vector<ModelFiles>& files)
{
    const char* const keys[] = {"org", "rgn"};
    std::string values[2];
    for (int i = 0; i < 2; ++i) {
        values[i] = readValue(file, section, keys[i], kPathBuffer);
        if (values[i] == kMissing) {
            values[i].clear();
            continue;
        }
        if (values[i].empty() || hasControl(values[i]))
            return "The downloaded Wendrix.ini gives no usable " + std::string(keys[i]) + " in [" +
                   shown(section) + "]";
        if (!staysInFolder(values[i]))
            return "The downloaded Wendrix.ini names a file outside this folder: " + values[i];
    }
    if (!values[0].empty() && !values[1].empty() && firmwareNameParts(values[0]) == firmwareNameParts(values[1]))
        return "The downloaded Wendrix.ini names one file as both org and rgn: " + values[1];
    files.push_back({section, values[0], values[1]});
    return {};
}

// Every model the edition lists must be there whole: a download cut off at
// a line end would otherwise leave a model without its last keys.
std::string modelRefusal(const char* file, const std::string& model)
{
    const char* const keys[] = {"org", "rgn", "crc", "lang", "Rel"};
    const std::uint32_t sizes[] = {kPathBuffer, kPathBuffer, 30, 30, 60};
    std::string values[5];
    std::string missing;
    for (int i = 0; i < 5; ++i) {
        values[i] = readValue(file, model, keys[i], sizes[i]);
        if (values[i] == kMissing)
            missing += (missing.empty() ? "" : ", ") + std::string(keys[i]) + "=";
    }
    if (missing.size() == std::string("org=, rgn=, crc=, lang=, Rel=").size())
        return "The downloaded Wendrix.ini is not whole: it lists [" + shown(model) + "] but has no section for it";
    if (!missing.empty())
        return "The downloaded Wendrix.ini is not whole: [" + shown(model) + "] has no " + missing;
    if (!isCompleteModel(values[0], values[1], values[2], values[3]))
        return "The downloaded Wendrix.ini lists [" + shown(model) + "], which is no complete model (org, rgn, a "
               "hexadecimal crc and lang from 1 to 14)";
    return {};
}

// What the edition must hold, and must not: no "WARNING" section (lines
// are the user's own, never the server's), one to kMostModels models, each
// of them whole.
std::string contentRefusal(const char* file, const std::vector<char>& sections)
{
    if (listed(sections, "WARNING"))
        return "The downloaded Wendrix.ini carries a [WARNING] section: it would put its own "
               "lines into your firmware";
    const std::vector<std::string> models = readModelList(file, kMostModels + 1);
    if (models.size() > static_cast<std::size_t>(kMostModels))
        return "The downloaded Wendrix.ini lists more than " + std::to_string(kMostModels) +
               " models";
    if (models.empty())
        return "The downloaded Wendrix.ini lists no model";
    for (const std::string& model : models)
        if (std::string refusal = modelRefusal(file, model); !refusal.empty())
            return refusal;
    return {};
}

} // namespace

std::string editionRefusal(const char* file, std::string_view body)
{
    // A transfer that ended early without saying so ends inside a line:
    // "lang=14" would be read as "lang=1".
    if (body.empty() || (body.back() != '\n' && body.back() != '\r'))
        return "The downloaded Wendrix.ini is not whole: it does not end with a line end, so its last "
               "line may be cut short";
    platform::writeProfileString(nullptr, nullptr, nullptr, file);
    // Every section that a read by name can reach, whichever "Gps-%d" key
    // names it (or none does), is checked: that covers the model sections
    // without reading the model list key by key.
    std::vector<char> sections(body.size() + 2);
    platform::getProfileString(nullptr, nullptr, "", sections.data(),
                               static_cast<std::uint32_t>(sections.size()), file);
    // A run for a model whose "Gps-%d" key has vanished reads section "".
    std::vector<ModelFiles> files;
    std::string refusal = sectionRefusal(file, "", files);
    std::size_t count = 0;
    for (const char* name = sections.data(); *name != '\0' && refusal.empty(); name += std::strlen(name) + 1) {
        // Every section costs a few reads by name; an edition of 999 models
        // has 1000 of them.
        if (++count > kMostSections)
            refusal = "The downloaded Wendrix.ini holds more than " + std::to_string(kMostSections) + " sections";
        else
            refusal = sectionRefusal(file, name, files);
    }
    if (refusal.empty()) {
        refusal = firmwareNamesRefusal(files, NameMatch::ByName);
        if (!refusal.empty())
            refusal = "The downloaded Wendrix.ini is refused: " + refusal;
    }
    if (refusal.empty())
        refusal = contentRefusal(file, sections);
    // The edition is renamed into place next; no copy of it stays cached.
    platform::writeProfileString(nullptr, nullptr, nullptr, file);
    return refusal;
}

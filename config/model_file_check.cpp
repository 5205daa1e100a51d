#include "config/model_file_check.h"

#include <cctype>

#include "config/model_file.h"
#include "config/model_list.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kPathBuffer = 259; // "org" and "rgn", as the patch run reads them

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

std::string upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// CON, PRN, AUX, NUL, COM1..9 and LPT1..9 name devices on Windows, with any
// extension and any blanks before it.
bool isDeviceName(const std::string& part)
{
    std::string stem = upper(part.substr(0, part.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
        return true;
    return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

std::string readPath(const char* file, const std::string& section, const char* key)
{
    char value[kPathBuffer];
    platform::getProfileString(section.c_str(), key, "", value, sizeof value, file);
    return value;
}

} // namespace

std::vector<std::string> firmwareNameParts(const std::string& path)
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

bool isUsableFirmwareName(const std::string& name)
{
    if (name.empty())
        return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return false;
    std::string part;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isSeparator(name[i])) {
            part += name[i];
            continue;
        }
        // "." and ".." are the folders themselves, not names that end in a dot.
        if (part != "." && part != ".." && !part.empty() &&
            (part.back() == '.' || part.back() == ' ' || isDeviceName(part)))
            return false;
        part.clear();
    }
    return true;
}

std::vector<ModelFiles> listedModelFiles(const char* file)
{
    std::vector<ModelFiles> models;
    for (const std::string& section : readModelList(file))
        models.push_back({section, readPath(file, section, "org"), readPath(file, section, "rgn")});
    return models;
}

bool sameFirmwareFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty())
        return false;
    return firmwareNameParts(a) == firmwareNameParts(b) || platform::sameFile(a.c_str(), b.c_str());
}

std::string sharedFirmwareRefusal(const ModelFiles& model, const std::vector<ModelFiles>& others)
{
    for (const ModelFiles& other : others) {
        if (sameModelName(other.section, model.section))
            continue;
        if (sameFirmwareFile(model.org, other.org))
            return "[" + model.section + "] and [" + other.section + "] name one pristine copy: " + model.org;
        if (sameFirmwareFile(model.org, other.rgn))
            return "the pristine copy of [" + model.section + "] is the working file of [" + other.section +
                   "]: " + model.org;
        if (sameFirmwareFile(model.rgn, other.org))
            return "the working file of [" + model.section + "] is the pristine copy of [" + other.section +
                   "]: " + model.rgn;
    }
    return {};
}

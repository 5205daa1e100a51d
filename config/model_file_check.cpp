#include "config/model_file_check.h"

#include <cstddef>

#include "config/model_file.h"
#include "config/model_list.h"
#include "platform/cp1252.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kPathBuffer = 259; // "org" and "rgn", as the patch run reads them

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool isControl(char c)
{
    return platform::cp1252::isControlByte(static_cast<unsigned char>(c));
}

// The parts of a name between separators, as written, without empty and
// "." parts.
std::vector<std::string> partsOf(const std::string& path)
{
    std::vector<std::string> parts;
    std::string part;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(path[i])) {
            part += path[i];
            continue;
        }
        if (!part.empty() && part != ".")
            parts.push_back(part);
        part.clear();
    }
    return parts;
}

// The names Windows gives to devices, whatever extension follows them:
// "nul.org" is the null device, not a file.
bool isDeviceName(const std::string& part)
{
    std::string base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = lower(c);
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"})
        if (base == device)
            return true;
    // COM1 to COM9 and LPT1 to LPT9, and the superscript digits 1 to 3 that
    // Windows takes for the same ports (Windows-1252 B9, B2, B3).
    if (base.size() != 4 || (base.compare(0, 3, "com") != 0 && base.compare(0, 3, "lpt") != 0))
        return false;
    const auto digit = static_cast<unsigned char>(base[3]);
    return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// Windows drops a trailing dot or blank from a name, which then names
// another file. "." and ".." are the folders themselves.
bool endsInDotOrBlank(const std::string& part)
{
    return part != ".." && (part.back() == '.' || part.back() == ' ');
}

// The text as a message may show it: control characters become '?'.
std::string shown(std::string text)
{
    for (char& c : text)
        if (isControl(c))
            c = '?';
    return text;
}

std::string named(const std::string& section)
{
    std::string text = "[";
    text += shown(section);
    text += ']';
    return text;
}

// Why `path` of `model` is no name Windows can hold; empty when it is.
std::string nameRefusal(const ModelFiles& model, const std::string& path)
{
    for (const std::string& part : partsOf(path)) {
        if (isDeviceName(part))
            return named(model.section) + " names " + shown(path) + ": " + shown(part) +
                   " is a device on Windows, not a file";
        if (endsInDotOrBlank(part))
            return named(model.section) + " names " + shown(path) + ": Windows drops the dot or blank at the end of " +
                   shown(part) + ", so it would be another file";
    }
    return {};
}

bool sameFirmware(const std::string& a, const std::string& b, NameMatch match)
{
    if (a.empty() || b.empty())
        return false;
    if (firmwareNameParts(a) == firmwareNameParts(b))
        return true;
    return match == NameMatch::ByNameAndOnDisk && platform::sameFile(a.c_str(), b.c_str());
}

std::string clashRefusal(const ModelFiles& one, const ModelFiles& other, NameMatch match)
{
    // A section listed twice is one model.
    if (sameModelName(one.section, other.section))
        return {};
    if (sameFirmware(one.org, other.org, match))
        return named(one.section) + " and " + named(other.section) + " name the same pristine copy: " + shown(one.org);
    if (sameFirmware(one.rgn, other.org, match))
        return named(one.section) + " would write its working file over the pristine copy of " +
               named(other.section) + ": " + shown(one.rgn);
    if (sameFirmware(one.org, other.rgn, match))
        return named(one.section) + " would write its pristine copy over the working file of " +
               named(other.section) + ": " + shown(one.org);
    return {};
}

std::string readPath(const char* file, const std::string& section, const char* key)
{
    char value[kPathBuffer];
    platform::getProfileString(section.c_str(), key, "", value, sizeof value, file);
    return value;
}

} // namespace

std::vector<ModelFiles> listedModelFiles(const char* file)
{
    std::vector<ModelFiles> models;
    for (const std::string& section : readModelList(file))
        models.push_back({section, readPath(file, section, "org"), readPath(file, section, "rgn")});
    return models;
}

std::vector<std::string> firmwareNameParts(const std::string& path)
{
    std::vector<std::string> parts = partsOf(path);
    for (std::string& part : parts)
        for (char& c : part)
            c = lower(c);
    return parts;
}

bool sameFirmwareFile(const std::string& a, const std::string& b)
{
    return sameFirmware(a, b, NameMatch::ByNameAndOnDisk);
}

bool isUsableFirmwareName(const std::string& name)
{
    if (name.empty())
        return false;
    for (const char c : name)
        if (isControl(c))
            return false;
    return nameRefusal(ModelFiles{}, name).empty();
}

std::string sharedFirmwareRefusal(const ModelFiles& model, const std::vector<ModelFiles>& others)
{
    for (const ModelFiles& other : others)
        if (std::string refusal = clashRefusal(model, other, NameMatch::ByNameAndOnDisk); !refusal.empty())
            return refusal;
    return {};
}

std::string firmwareNamesRefusal(const std::vector<ModelFiles>& models, NameMatch match, int concerning)
{
    const int count = static_cast<int>(models.size());
    for (int i = 0; i < count; ++i) {
        if (concerning >= 0 && i != concerning)
            continue;
        const ModelFiles& model = models[static_cast<std::size_t>(i)];
        for (const std::string* path : {&model.org, &model.rgn})
            if (std::string refusal = nameRefusal(model, *path); !refusal.empty())
                return refusal;
        // Each pair once when every model is looked at; every other model
        // when one is.
        for (int j = concerning >= 0 ? 0 : i + 1; j < count; ++j) {
            if (j == i)
                continue;
            if (std::string refusal = clashRefusal(model, models[static_cast<std::size_t>(j)], match);
                !refusal.empty())
                return refusal;
        }
    }
    return {};
}

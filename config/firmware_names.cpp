#include "config/firmware_names.h"

#include <cstddef>

#include "config/model_file.h"
#include "platform/platform.h"

namespace {

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// The parts of a name between separators, without empty and "." parts.
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

// Windows matches names without regard to letter case.
std::vector<std::string> foldedParts(const std::string& path)
{
    std::vector<std::string> parts = partsOf(path);
    for (std::string& part : parts)
        for (char& c : part)
            c = lower(c);
    return parts;
}

bool sameFirmware(const std::string& a, const std::string& b, NameMatch match)
{
    if (a.empty() || b.empty())
        return false;
    if (foldedParts(a) == foldedParts(b))
        return true;
    return match == NameMatch::ByNameAndOnDisk && platform::sameFile(a.c_str(), b.c_str());
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

// A name Windows drops its trailing dots and blanks from names another file.
bool endsInDotOrBlank(const std::string& part)
{
    return part != ".." && (part.back() == '.' || part.back() == ' ');
}

// The text as a message may show it: control characters become '?'.
std::string shown(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return text;
}

std::string named(const std::string& model)
{
    return "[" + shown(model) + "]";
}

std::string nameRefusal(const ModelFirmwareNames& model, const std::string& path)
{
    for (const std::string& part : partsOf(path)) {
        if (isDeviceName(part))
            return named(model.model) + " names " + shown(path) + ": " + shown(part) +
                   " is a device on Windows, not a file";
        if (endsInDotOrBlank(part))
            return named(model.model) + " names " + shown(path) + ": Windows drops the dot or blank at the end of " +
                   shown(part) + ", so it would be another file";
    }
    return {};
}

std::string clashRefusal(const ModelFirmwareNames& one, const ModelFirmwareNames& other, NameMatch match)
{
    if (sameFirmware(one.org, other.org, match))
        return named(one.model) + " and " + named(other.model) + " name the same pristine copy: " + shown(one.org);
    if (sameFirmware(one.rgn, other.org, match))
        return named(one.model) + " would write its working file over the pristine copy of " +
               named(other.model) + ": " + shown(one.rgn);
    if (sameFirmware(one.org, other.rgn, match))
        return named(one.model) + " would write its pristine copy over the working file of " +
               named(other.model) + ": " + shown(one.org);
    return {};
}

} // namespace

std::string firmwareNamesRefusal(const std::vector<ModelFirmwareNames>& models, NameMatch match, int concerning)
{
    const int count = static_cast<int>(models.size());
    for (int i = 0; i < count; ++i) {
        if (concerning >= 0 && i != concerning)
            continue;
        const ModelFirmwareNames& model = models[static_cast<std::size_t>(i)];
        for (const std::string* path : {&model.org, &model.rgn})
            if (std::string refusal = nameRefusal(model, *path); !refusal.empty())
                return refusal;
        // Each pair once when every model is looked at; every other model
        // when one is.
        for (int j = concerning >= 0 ? 0 : i + 1; j < count; ++j) {
            // A section listed twice is one model.
            if (j == i || sameModelName(model.model, models[static_cast<std::size_t>(j)].model))
                continue;
            if (std::string refusal = clashRefusal(model, models[static_cast<std::size_t>(j)], match);
                !refusal.empty())
                return refusal;
        }
    }
    return {};
}

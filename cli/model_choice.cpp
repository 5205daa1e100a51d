#include "cli/model_choice.h"

#include <cstdio>

#include "cli/ansi_text.h"
#include "cli/exit_status.h"
#include "config/model_file.h"
#include "platform/platform.h"

namespace {

// A default that no value read from the file can be: tells a missing key
// from an empty one.
constexpr char kMissing[] = "\x01";

bool isListNumber(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Finds MODEL in the list. Section names are matched without regard to case,
// as the model file does; an exact match wins. Returns the list index or -1.
int findModel(const std::vector<std::string>& models, const std::string& model)
{
    for (std::size_t i = 0; i < models.size(); ++i)
        if (models[i] == model)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < models.size(); ++i)
        if (sameModelName(models[i], model))
            return static_cast<int>(i);
    return -1;
}

std::string modelFileName()
{
    return terminalText(modelFilePath);
}

std::string readKey(const std::string& section, const char* key, std::uint32_t size)
{
    std::vector<char> value(size);
    readModelValue(section.c_str(), key, kMissing, value.data(), size);
    return value.data();
}

// The value up to the first blank, where the number rules stop reading.
std::string firstWord(const std::string& value)
{
    return value.substr(0, value.find_first_of(" \t"));
}

bool isHexChecksum(const std::string& value)
{
    std::string digits = firstWord(value);
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    return !digits.empty() && digits.size() <= 8 &&
           digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

bool isTextCount(const std::string& value)
{
    const std::string digits = firstWord(value);
    if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int n = std::stoi(digits);
    return n >= 1 && n <= 14;
}

// What is wrong with the keys of a section, one plain sentence each.
std::vector<std::string> sectionFaults(const std::string& org, const std::string& rgn,
                                       const std::string& crc, const std::string& lang)
{
    std::vector<std::string> faults;
    const auto path = [&](const std::string& value, const char* key, const char* role) {
        if (value == kMissing)
            faults.push_back(std::string("the ") + key + "= key is missing (the path of " + role + ")");
        else if (value.empty())
            faults.push_back(std::string(key) + "= is empty (it names " + role + ")");
    };
    path(org, "org", "the pristine copy");
    path(rgn, "rgn", "the working file");
    if (crc == kMissing)
        faults.push_back("the crc= key is missing (the CRC-32 of the unpatched firmware)");
    else if (crc.empty())
        faults.push_back("crc= is empty (it should be the CRC-32 of the unpatched firmware)");
    else if (!isHexChecksum(crc) || parseHexNumber(crc.c_str()) == 0)
        faults.push_back("crc=" + crc + " is not a CRC-32 (one to eight hexadecimal digits, not all zero)");
    if (lang == kMissing)
        faults.push_back("the lang= key is missing (the number of language texts, 1 to 14)");
    else if (!isTextCount(lang))
        faults.push_back("lang=" + lang + " is not a number from 1 to 14");
    return faults;
}

} // namespace

int usageError(const std::string& reason)
{
    std::fprintf(stderr, "wendrix-cli: %s\nTry 'wendrix-cli --help'.\n", escapeControls(reason).c_str());
    return kExitUsage;
}

int commandError(const std::string& reason)
{
    std::fprintf(stderr, "wendrix-cli: %s\n", reason.c_str());
    return kExitFailed;
}

int readUsableModelList(std::vector<std::string>& models)
{
    models = readModelList();
    switch (modelListFault(models.size())) {
    case ModelListFault::None:
        return kExitOk;
    case ModelListFault::NoFile:
        return commandError("there is no model file: looked for " + modelFileName() +
                            "; add your firmware with wendrix-cli add FILE");
    case ModelListFault::Unreadable:
        return commandError("the model file " + modelFileName() + " cannot be read: it is not a plain file, "
                            "or you may not read it");
    case ModelListFault::NoModels:
        break;
    }
    return commandError("the model file " + modelFileName() +
                        " lists no models (section [GPS] has no Gps-1 key); add your firmware with wendrix-cli add FILE");
}

int chooseModel(const std::string& model, ModelSection& section)
{
    std::vector<std::string> models;
    if (const int status = readUsableModelList(models); status != kExitOk)
        return status;

    std::size_t index = 0;
    if (isListNumber(model)) {
        // List position 0 is the dialog's "No Gps" entry.
        if (model.find_first_not_of('0') == std::string::npos)
            return usageError("No Gps selected: " + model + " is the list's \"No Gps\" entry; give a model's "
                              "number from 1 or its section name (see 'wendrix-cli models')");
        const std::string digits = model.substr(model.find_first_not_of('0'));
        if (digits.size() > 9 || std::stoul(digits) > models.size())
            return usageError("there is no model number " + model + " (the list has " +
                              std::to_string(models.size()) + ")");
        index = std::stoul(digits) - 1;
    } else {
        const int found = findModel(models, terminalToAnsi(model));
        if (found < 0)
            return usageError("unknown model '" + model + "' (see 'wendrix-cli models')");
        index = static_cast<std::size_t>(found);
    }

    section = ModelSection();
    section.name = models[index];
    // The same reads, with the same limits, as the patch run's.
    const std::string org = readKey(section.name, "org", 259);
    const std::string rgn = readKey(section.name, "rgn", 259);
    const std::string crc = readKey(section.name, "crc", 30);
    const std::string lang = readKey(section.name, "lang", 30);
    std::string shownName = "[";
    shownName += terminalText(section.name);
    shownName += ']';
    if (org == kMissing && rgn == kMissing && crc == kMissing && lang == kMissing)
        return commandError("the model file " + modelFileName() + " has no section " + shownName);
    const std::vector<std::string> faults = sectionFaults(org, rgn, crc, lang);
    if (!faults.empty()) {
        std::string text = "section " + shownName + " of " + modelFileName() + " cannot be used:";
        for (const std::string& fault : faults)
            text += "\n  " + terminalText(fault);
        return commandError(text);
    }
    section.orgPath = org;
    section.rgnPath = rgn;
    section.crc = parseHexNumber(crc.c_str());
    section.lang = static_cast<std::int32_t>(parseDecimalNumber(lang.c_str()));
    return kExitOk;
}

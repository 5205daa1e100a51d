#include "config/model_list.h"

#include <cstdio>
#include <cstring>

#include "config/model_file.h"
#include "config/model_file_backup.h"
#include "platform/platform.h"

std::vector<std::string> readModelList()
{
    return readModelList(modelFilePath);
}

std::vector<std::string> readModelList(const char* file, int most)
{
    std::vector<std::string> models;
    for (int n = 1; n <= most; ++n) {
        char key[32];
        char name[60];
        std::snprintf(key, sizeof key, "Gps-%d", n);
        platform::getProfileString("GPS", key, "", name, sizeof name, file);
        if (name[0] == '\0')
            break;
        models.push_back(name);
    }
    return models;
}

ModelListFault modelListFault(std::size_t listed)
{
    if (listed > 0)
        return ModelListFault::None;
    if (!platform::fileExists(modelFilePath))
        return ModelListFault::NoFile;
    // A FIFO, a folder or an unreadable file reads as a file without models.
    const platform::FileHandle file = platform::openForReading(modelFilePath);
    platform::closeFile(file);
    return file == platform::kClosedFile ? ModelListFault::Unreadable : ModelListFault::NoModels;
}

std::string modelFileBaseName()
{
    const std::string path = modelFilePath;
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> iniSectionNames(const char* file)
{
    // Every name fits in a buffer the size of the file.
    platform::writeProfileString(nullptr, nullptr, nullptr, file);
    std::string text;
    readModelFileText(file, text);
    std::vector<char> names(text.size() + 2);
    platform::getProfileString(nullptr, nullptr, "", names.data(), static_cast<std::uint32_t>(names.size()), file);
    std::vector<std::string> found;
    for (const char* name = names.data(); *name != '\0'; name += std::strlen(name) + 1)
        found.push_back(name);
    return found;
}

bool listedFirmwarePresent()
{
    for (const std::string& model : readModelList()) {
        for (const char* key : {"rgn", "org"}) {
            char path[259];
            readModelValue(model.c_str(), key, "", path, sizeof path);
            if (path[0] != '\0' && platform::fileExists(path))
                return true;
        }
    }
    return false;
}

namespace {

// The value up to the first blank, where the number rules stop reading.
std::string firstWord(const std::string& value)
{
    const std::size_t start = value.find_first_not_of(" \t");
    if (start == std::string::npos)
        return {};
    return value.substr(start, value.find_first_of(" \t", start) - start);
}

} // namespace

bool isCompleteModel(const std::string& org, const std::string& rgn, const std::string& crc,
                     const std::string& lang)
{
    if (org.empty() || rgn.empty())
        return false;
    std::string digits = firstWord(crc);
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 8 ||
        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
        parseHexNumber(digits.c_str()) == 0)
        return false;
    const std::string count = firstWord(lang);
    if (count.empty() || count.size() > 2 || count.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int texts = std::stoi(count);
    return texts >= 1 && texts <= 14;
}

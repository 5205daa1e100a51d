#include "engine/add_firmware.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "config/model_entry.h"
#include "config/model_file.h"
#include "config/model_file_backup.h"
#include "config/model_file_check.h"
#include "config/model_list.h"
#include "config/scratch_ini_file.h"
#include "engine/firmware_image.h"
#include "engine/firmware_paths.h"
#include "engine/language_table.h"
#include "engine/run_lock.h"
#include "platform/cp1252.h"
#include "platform/platform.h"

namespace {

using Outcome = AddedFirmware::Outcome;

constexpr std::size_t kMostNameCharacters = 59; // a section name as the model list reads it
// A file name of the folder, well within the 258 characters of a path.
constexpr std::size_t kMostFileNameCharacters = 200;
constexpr int kMostNumberedNames = 999;
constexpr char kUpdater[] = "UPDATER.EXE";
// What a copy is called when the name of the file given cannot be used.
constexpr char kCopyName[] = "firmware.rgn";

bool isSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\' || c == ':';
#else
    return c == '/';
#endif
}

bool isControl(char c)
{
    return platform::cp1252::isControlByte(static_cast<unsigned char>(c));
}

// A path as 8-bit text for messages.
std::string shown(const std::string& path)
{
    return platform::cp1252::fromSystemText(path);
}

std::size_t nameStart(const std::string& path)
{
    std::size_t start = path.size();
    while (start > 0 && !isSeparator(path[start - 1]))
        --start;
    return start;
}

std::string baseName(const std::string& path)
{
    return path.substr(nameStart(path));
}

// Whether `path` names a file of the current folder, where the model file's
// names are looked for.
bool inCurrentFolder(const std::string& path)
{
    const std::string folder = path.substr(0, nameStart(path));
    return folder.empty() || platform::sameFile(folder.c_str(), ".");
}

std::string hex8(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

// A model's name after the file's: the file's name with what a section name
// cannot hold replaced, cut to the list's 59 characters.
std::string nameFromFile(const std::string& file)
{
    std::string name = shown(baseName(file));
    for (char& c : name) {
        if (isControl(c))
            c = '_';
        else if (c == '[')
            c = '(';
        else if (c == ']')
            c = ')';
    }
    const auto trim = [](std::string& text) {
        const std::size_t first = text.find_first_not_of(' ');
        text = first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') + 1 - first);
    };
    trim(name);
    if (name.size() > kMostNameCharacters)
        name.resize(kMostNameCharacters);
    trim(name);
    return name.empty() ? std::string("Firmware") : name;
}

// Why `text` would not read back from the model file as it was written
// (blanks at its ends are trimmed, enclosing quotes dropped); empty when it
// would. `text` is not empty.
std::string valueFault(const std::string& text)
{
    for (const char c : text)
        if (isControl(c))
            return "it holds a control character";
    if (text.front() == ' ' || text.front() == '\t' || text.back() == ' ' || text.back() == '\t')
        return "it begins or ends with a blank";
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        return "it is enclosed in quotes";
    return {};
}

// Why `name` cannot be a model's name in the model file; empty when it can.
std::string nameFault(const std::string& name)
{
    if (name.empty())
        return "it is empty";
    if (name.size() > kMostNameCharacters)
        return "it has " + std::to_string(name.size()) + " characters; a model's name has at most 59";
    if (name.find_first_of("[]") != std::string::npos)
        return "it holds a square bracket";
    return valueFault(name);
}

// Why the file name `name` cannot be a working file's name in the model
// file; empty when it can.
std::string fileNameFault(const std::string& name)
{
    if (name.empty())
        return "it is empty";
    if (name.size() > kMostFileNameCharacters)
        return "it has more than 200 characters";
    if (const std::string fault = valueFault(name); !fault.empty())
        return fault;
    if (!isUsableFirmwareName(name))
        return "it is the name of a Windows device, or ends in a dot";
    return {};
}

// The firmware files that any section of the model file names.
std::vector<std::string> namedFiles(const std::vector<std::string>& sections)
{
    std::vector<std::string> files;
    for (const std::string& section : sections)
        for (const char* key : {"org", "rgn"}) {
            char value[259];
            readModelValue(section.c_str(), key, "", value, sizeof value);
            if (value[0] != '\0')
                files.push_back(value);
        }
    return files;
}

bool isNamed(const std::string& file, const std::vector<std::string>& named)
{
    for (const std::string& other : named)
        if (sameFirmwareFile(file, other))
            return true;
    return false;
}

// `name`, else "stem-2.ext", "stem-3.ext" and so on: the first that no file
// has and no model names. Empty when all are taken.
std::string freeName(const std::string& name, const std::vector<std::string>& named)
{
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name;
    const std::string extension = name.substr(stem.size());
    for (int n = 1; n <= kMostNumberedNames; ++n) {
        const std::string candidate = n == 1 ? name : stem + "-" + std::to_string(n) + extension;
        if (!platform::fileExists(candidate.c_str()) && !isNamed(candidate, named))
            return candidate;
    }
    return {};
}

enum class NewFile { Written, Exists, Failed };

// Writes `size` bytes as the new file `path`: written beside it and renamed
// into place only where no file has the name, so nothing is overwritten.
NewFile writeNewFile(const std::string& path, const unsigned char* bytes, std::uint32_t size)
{
    char temp[4200];
    const platform::FileHandle file = platform::createTempBeside(path.c_str(), temp, sizeof temp);
    if (file == platform::kClosedFile)
        return NewFile::Failed;
    std::uint32_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        const std::uint32_t put = platform::writeFile(file, bytes + done, size - done);
        ok = put > 0;
        done += put;
    }
    ok = ok && platform::flushFile(file);
    platform::closeFile(file);
    if (ok && platform::moveFile(temp, path.c_str())) {
        platform::forgetTempFile(temp);
        return NewFile::Written;
    }
    platform::deleteFile(temp);
    return platform::fileExists(path.c_str()) ? NewFile::Exists : NewFile::Failed;
}

struct HeldImage {
    FirmwareImage image;
    ~HeldImage() { releaseImage(image); }
};

std::string fullPath(const std::string& name)
{
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(name, error);
    return error ? name : full.lexically_normal().string();
}

class Adding {
public:
    Adding(const std::string& file, AddedFirmware& added) : file_(file), added_(added) {}

    AddedFirmware& refuse(const std::string& reason)
    {
        return stop(Outcome::Refused, "Cannot add " + shown(file_) + ": " + reason);
    }
    AddedFirmware& stop(Outcome outcome, const std::string& message)
    {
        added_.outcome = outcome;
        added_.message = message;
        if (!copy_.empty())
            platform::deleteFile(copy_.c_str());
        copy_.clear();
        added_.copiedFrom.clear();
        added_.copiedTo.clear();
        return added_;
    }
    // The copy made in this run, removed again when the run stops.
    void madeCopy(const std::string& copy) { copy_ = copy; }
    void keep() { copy_.clear(); }

private:
    const std::string& file_;
    AddedFirmware& added_;
    std::string copy_;
};

} // namespace

AddedFirmware addFirmware(const std::string& file, const std::string& givenName)
{
    AddedFirmware added;
    Adding adding(file, added);
    added.name = givenName.empty() ? nameFromFile(file) : givenName;
    if (const std::string fault = nameFault(added.name); !fault.empty())
        return adding.refuse("the name \"" + added.name + "\" cannot be used: " + fault);

    // One run at a time in the folder: the model file, the names chosen and
    // the copy are all decided by what is there now.
    const RunLock lock;
    if (lock.refused()) {
        char text[1400];
        std::snprintf(text, sizeof text, kLockRefusedFormat, lock.path().c_str());
        return adding.stop(Outcome::Failed, text);
    }

    HeldImage held;
    added.crc = readImageFile(file.c_str(), held.image);
    if (added.crc == 0 && imageFileTooLarge(file.c_str()))
        return adding.refuse("it is larger than 2 GiB, too large to be a firmware image");
    if (added.crc == 0)
        return adding.refuse("it is missing, empty, not a plain file, or cannot be read");
    // Found without a trace: adding is no patch run, and writes no log.
    LanguageTable found;
    added.lang = findTexts(held.image, LanguageTable::kCount, found);
    if (added.lang == 0)
        return adding.refuse(
            "this is not stock firmware, or its texts were already replaced; add the unpatched image");

    dropModelFileCache();
    std::string text;
    if (readModelFileText(modelFilePath, text) == ModelFileRead::Failed)
        return adding.stop(Outcome::Failed, "Cannot read the model file " + shown(modelFilePath) +
                                                ": it is not a plain file, or you may not read it; nothing was added");
    const std::vector<ModelFiles> models = listedModelFiles(modelFilePath);
    for (const ModelFiles& model : models) {
        char crc[30];
        readModelValue(model.section.c_str(), "crc", "", crc, sizeof crc);
        if (platform::sameFile(file.c_str(), model.rgn.c_str()) ||
            platform::sameFile(file.c_str(), model.org.c_str()) || parseHexNumber(crc) == added.crc)
            return adding.refuse("already listed as " + model.section);
    }
    const std::vector<std::string> sections = iniSectionNames(modelFilePath);
    // A name the list holds without a section of its own is taken as well:
    // a second "Gps-N" of that name would stand for the same model twice.
    std::vector<std::string> used = sections;
    for (const ModelFiles& model : models)
        used.push_back(model.section);
    for (const std::string& section : used)
        if (sameModelName(section, added.name))
            return adding.refuse("the name \"" + added.name +
                                 "\" is already used in the model file: rename the file, or give another "
                                 "name (wendrix-cli add FILE --name NAME)");
    for (const char* own : {"GPS", "WARNING"})
        if (sameModelName(own, added.name))
            return adding.refuse("the name \"" + added.name + "\" is the model file's own: give another name");
    const std::vector<std::string> named = namedFiles(sections);

    const bool copying = !inCurrentFolder(file);
    if (!copying) {
        added.rgn = baseName(file);
        if (const std::string fault = fileNameFault(added.rgn); !fault.empty())
            return adding.refuse("its name cannot stand in the model file: " + fault + "; rename the file");
    } else {
        std::string name = baseName(file);
        if (!fileNameFault(name).empty())
            name = kCopyName;
        added.rgn = freeName(name, named);
    }
    std::string org = added.rgn;
    const std::size_t dot = org.rfind('.');
    org = (dot != std::string::npos && dot > 0 ? org.substr(0, dot) : org) + ".org";
    added.org = freeName(org, [&] {
        std::vector<std::string> taken = named;
        taken.push_back(added.rgn);
        return taken;
    }());
    if (added.rgn.empty() || added.org.empty())
        return adding.refuse("every name for its files is taken in this folder");
    if (const std::string shared = sharedFirmwareRefusal({added.name, added.org, added.rgn}, models);
        !shared.empty())
        return adding.refuse(shared);
    if (const FirmwarePathProblem problem =
            checkFirmwarePaths(added.name.c_str(), added.org.c_str(), added.rgn.c_str(), kUpdater)) {
        return adding.refuse(problem.message.substr(0, problem.message.find('\n')));
    }

    if (copying) {
        const NewFile copied = writeNewFile(added.rgn, held.image.bytes, held.image.size);
        if (copied != NewFile::Written)
            return adding.stop(Outcome::Failed,
                               "Cannot copy " + shown(file) + " to " + shown(fullPath(added.rgn)) +
                                   (copied == NewFile::Exists ? ": a file of that name appeared meanwhile"
                                                              : ": the disk may be full or the folder write protected") +
                                   "; nothing was added");
        adding.madeCopy(added.rgn);
        added.copiedFrom = file;
        added.copiedTo = fullPath(added.rgn);
    }

    ModelEntry entry;
    entry.name = added.name;
    entry.org = added.org;
    entry.rgn = added.rgn;
    entry.crc = hex8(added.crc);
    entry.lang = std::to_string(added.lang);
    entry.rel = added.name;
    entry.own = true;
    ScratchIniFile scratch(text);
    added.number = scratch.ok() ? appendModelEntry(scratch.path(), entry) : 0;
    if (added.number == 0 || !scratch.read(text))
        return adding.stop(Outcome::Failed, "Cannot write beside the model file " + shown(modelFilePath) +
                                                ": the folder may be write protected; nothing was added");
    const ModelFileReplacement replaced = replaceModelFileKeepingBackup(text);
    if (replaced.outcome != ModelFileReplacement::Outcome::Replaced)
        return adding.stop(Outcome::Failed, shown(replaced.message) + "; nothing was added");
    adding.keep();
    added.outcome = Outcome::Added;
    return added;
}

std::string addedReport(const AddedFirmware& added)
{
    std::string report;
    if (!added.copiedTo.empty())
        report += "Copied " + shown(added.copiedFrom) + " to " + shown(added.copiedTo) + ".\n";
    report += "Added \"" + added.name + "\" as model " + std::to_string(added.number) + ": working file " +
              shown(added.rgn) + ", pristine copy " + shown(added.org) + " (made by the first patch), CRC-32 " +
              hex8(added.crc) + ", " + std::to_string(added.lang) +
              (added.lang == 1 ? " language text." : " language texts.");
    return report;
}

std::string addedNextOnCommandLine(const AddedFirmware& added)
{
    return "Patch it with: wendrix-cli patch " + std::to_string(added.number);
}

std::string addedNextInDialog(bool paged)
{
    return paged ? "It is chosen in the list: type your lines, then press OK."
                 : "It is chosen in the list: press Page, type your lines, then press OK.";
}

#include "update/own_models.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>

#include "config/model_entry.h"
#include "config/model_file.h"
#include "config/model_file_check.h"
#include "config/model_list.h"
#include "config/scratch_ini_file.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kMostNameCharacters = 59;
constexpr char kCannotWrite[] = "Can't open local file WENDRIX.TMP for writing";

std::uint32_t crcOf(const char* file, const std::string& section)
{
    char crc[30];
    platform::getProfileString(section.c_str(), "crc", "", crc, sizeof crc, file);
    return parseHexNumber(crc);
}

bool named(const std::vector<std::string>& names, const std::string& name)
{
    for (const std::string& other : names)
        if (sameModelName(other, name))
            return true;
    return false;
}

// "NAME (own)", "NAME (own 2)" and so on, cut to a section name's length:
// the first that no section of the edition has.
std::string freeName(const std::string& name, const std::vector<std::string>& sections)
{
    for (int n = 1;; ++n) {
        const std::string suffix = n == 1 ? " (own)" : " (own " + std::to_string(n) + ")";
        std::string candidate = name.substr(0, kMostNameCharacters - suffix.size());
        while (!candidate.empty() && candidate.back() == ' ')
            candidate.pop_back();
        candidate += suffix;
        if (!named(sections, candidate))
            return candidate;
    }
}

// What the owner renames so that the edition's model of the same firmware
// reads the files that the owner's model used: each of those files that is
// here and that the edition names otherwise. Empty when there is none.
std::string renamesToReach(const ModelEntry& own, const ModelFiles& edition)
{
    std::string renames;
    for (const auto& [mine, theirs] : {std::pair{own.rgn, edition.rgn}, std::pair{own.org, edition.org}})
        if (!mine.empty() && !theirs.empty() && !sameFirmwareFile(mine, theirs) && platform::fileExists(mine.c_str()))
            renames += (renames.empty() ? ": to go on with your files, rename " : " and ") + mine + " to " + theirs;
    return renames;
}

} // namespace

std::string keepOwnModels(std::string& body, std::vector<std::string>& models, std::string& note)
{
    std::vector<ModelEntry> own;
    for (const std::string& model : readModelList())
        if (isOwnModel(modelFilePath, model))
            own.push_back(readModelEntry(modelFilePath, model));
    // Only the owner of this folder adds models: an edition that marks
    // models as the owner's is not believed, or later updates would keep
    // them as the owner's. Where no "own" is written, nothing is marked.
    const std::string_view mark = "own";
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    if (own.empty() && std::search(body.begin(), body.end(), mark.begin(), mark.end(), sameLetter) == body.end())
        return {};

    const ScratchIniFile edition(body);
    if (!edition.ok())
        return kCannotWrite;
    std::vector<std::string> sections = iniSectionNames(edition.path());
    bool unmarked = false;
    for (const std::string& section : sections)
        if (isOwnModel(edition.path(), section))
            unmarked = platform::writeProfileString(section.c_str(), "Own", nullptr, edition.path()) || unmarked;
    if (own.empty())
        return !unmarked || edition.read(body) ? std::string() : kCannotWrite;
    std::vector<ModelFiles> editionFiles = listedModelFiles(edition.path());
    std::string kept, told;
    for (ModelEntry entry : own) {
        const std::uint32_t crc = parseHexNumber(entry.crc.c_str());
        const ModelFiles* same = nullptr;
        for (const ModelFiles& model : editionFiles)
            if (crc != 0 && crcOf(edition.path(), model.section) == crc)
                same = &model;
        if (same != nullptr) {
            const std::string renames = renamesToReach(entry, *same);
            if (!sameModelName(same->section, entry.name) || !renames.empty())
                told += "\nYour model " + entry.name + " is in the new edition as " + same->section +
                        " (the same firmware, working file " + same->rgn + ")" + renames;
            continue;
        }
        if (named(sections, entry.name)) {
            const std::string renamed = freeName(entry.name, sections);
            told += "\nYour model " + entry.name + " is kept as " + renamed +
                    ": the new edition has other firmware under its name";
            entry.name = renamed;
        }
        const ModelFiles files{entry.name, entry.org, entry.rgn};
        if (const std::string clash = sharedFirmwareRefusal(files, editionFiles); !clash.empty())
            return "The downloaded Wendrix.ini cannot keep your own model " + entry.name + ": " + clash +
                   "; nothing was replaced";
        entry.own = true;
        if (appendModelEntry(edition.path(), entry) == 0)
            return kCannotWrite;
        editionFiles.push_back(files);
        sections.push_back(entry.name);
        models.push_back(entry.name);
        kept += (kept.empty() ? "" : ", ") + entry.name;
    }
    if (!edition.read(body))
        return kCannotWrite;
    note = (kept.empty() ? "" : "\nKept as your own: " + kept) + told;
    return {};
}

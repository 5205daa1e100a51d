#include "config/model_file_backup.h"

#include <cstdint>
#include <string_view>

#include "config/model_file.h"
#include "config/model_list.h"
#include "platform/platform.h"

namespace {

// A model file is a small INI text; the profile reader takes no larger one.
constexpr std::uint64_t kLargestModelFile = 256u * 1024 * 1024;

// Whether something, a file, a folder or a link to nowhere, has that name.
bool taken(const std::string& path)
{
    return platform::fileExists(path.c_str()) || platform::isLink(path.c_str());
}

bool listedIn(const std::vector<std::string>& models, const std::string& model)
{
    for (const std::string& other : models)
        if (sameModelName(model, other))
            return true;
    return false;
}

// The models of `models` that `current` does not list and `named` does not
// hold yet; each is added to `named`.
std::vector<std::string> missingFrom(const std::vector<std::string>& models, const std::vector<std::string>& current,
                                     std::vector<std::string>& named)
{
    std::vector<std::string> missing;
    for (const std::string& model : models) {
        if (listedIn(current, model) || listedIn(named, model))
            continue;
        missing.push_back(model);
        named.push_back(model);
    }
    return missing;
}

// The name of the file within its path, for comparing names.
std::size_t nameStart(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

} // namespace

ModelFileRead readModelFileText(const char* path, std::string& text)
{
    text.clear();
    const platform::FileHandle file = platform::openForReading(path);
    if (file == platform::kClosedFile)
        return platform::fileExists(path) || platform::isLink(path) ? ModelFileRead::Failed : ModelFileRead::Missing;
    const std::uint64_t size = platform::fileLength(file);
    bool ok = size != UINT64_MAX && size <= kLargestModelFile;
    if (ok) {
        text.resize(static_cast<std::size_t>(size));
        std::size_t done = 0;
        while (ok && done < text.size()) {
            const std::uint32_t got =
                platform::readFile(file, text.data() + done, static_cast<std::uint32_t>(text.size() - done));
            ok = got > 0;
            done += got;
        }
        // A file that grows while it is read is not the file measured.
        char beyond;
        ok = ok && platform::readFile(file, &beyond, 1) == 0;
    }
    platform::closeFile(file);
    if (!ok)
        text.clear();
    return ok ? ModelFileRead::Ok : ModelFileRead::Failed;
}

std::string modelFileBackupPath(int number)
{
    const std::string model = modelFilePath;
    return number <= 1 ? model + ".bak" : model + "." + std::to_string(number) + ".bak";
}

namespace {

// The number of the backup that `name` (a file name, no folder) names:
// "<model file name>.bak" is 1, "<model file name>.N.bak" is N; 0 when it
// names none.
int backupNumber(std::string_view name)
{
    const std::string_view model = modelFilePath;
    const std::string_view modelName = model.substr(nameStart(model));
    if (name.size() < modelName.size() + 4 || !sameModelName(name.substr(0, modelName.size()), modelName))
        return 0;
    const std::string_view rest = name.substr(modelName.size());
    if (sameModelName(rest, ".bak"))
        return 1;
    if (rest.size() <= 5 || rest[0] != '.' || !sameModelName(rest.substr(rest.size() - 4), ".bak"))
        return 0;
    const std::string_view digits = rest.substr(1, rest.size() - 5);
    if (digits[0] == '0')
        return 0;
    int number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9' || number > kMostModelFileBackups)
            return 0;
        number = number * 10 + (c - '0');
    }
    return number <= kMostModelFileBackups ? number : 0;
}

} // namespace

bool isModelFileBackup(const char* path)
{
    if (path == nullptr || *path == '\0')
        return false;
    // By name, in the model file's folder, whether or not it exists.
    const std::string_view given = path;
    const int named = backupNumber(given.substr(nameStart(given)));
    if (named > 0 && platform::sameFile(path, modelFileBackupPath(named).c_str()))
        return true;
    // By what it is: a link or another name for a backup that exists. Only
    // the backups the folder holds are compared, found in one listing.
    if (!platform::fileExists(path))
        return false;
    const std::string_view model = modelFilePath;
    std::vector<std::string> names;
    std::vector<int> numbers;
    if (platform::folderNames(std::string(model.substr(0, nameStart(model))), names)) {
        for (const std::string& name : names)
            if (const int number = backupNumber(name))
                numbers.push_back(number);
    } else {
        // A folder that may be entered but not listed: every name is tried.
        for (int number = 1; number <= kMostModelFileBackups; ++number)
            numbers.push_back(number);
    }
    for (const int number : numbers) {
        const std::string backup = modelFileBackupPath(number);
        if (platform::fileExists(backup.c_str()) && platform::sameFile(path, backup.c_str()))
            return true;
    }
    return false;
}

ModelFileReplacement replaceModelFileKeepingBackup(const std::string& text)
{
    using Outcome = ModelFileReplacement::Outcome;
    const std::string model = modelFilePath;
    ModelFileReplacement done;
    std::string previous;
    const ModelFileRead read = readModelFileText(modelFilePath, previous);
    if (read == ModelFileRead::Failed) {
        done.outcome = Outcome::NotKept;
        done.message = "Cannot read " + model + " to keep a copy of it";
        return done;
    }
    dropModelFileCache();
    const std::vector<std::string> previousModels =
        read == ModelFileRead::Ok ? readModelList() : std::vector<std::string>();

    // The backups there are, and whether one holds the previous file already.
    std::vector<std::string> backups;
    int freeNumber = 0;
    for (int number = 1; number <= kMostModelFileBackups; ++number) {
        const std::string path = modelFileBackupPath(number);
        if (!taken(path)) {
            if (freeNumber == 0)
                freeNumber = number;
            continue;
        }
        backups.push_back(path);
        std::string kept;
        if (read == ModelFileRead::Ok && previous != text && done.keptAs.empty() &&
            readModelFileText(path.c_str(), kept) == ModelFileRead::Ok && kept == previous)
            done.keptAs = path;
    }

    const bool changes = read == ModelFileRead::Missing || previous != text;
    if (changes && read == ModelFileRead::Ok && done.keptAs.empty()) {
        done.outcome = Outcome::NotKept;
        if (freeNumber == 0) {
            done.message = "Cannot keep a copy of " + model + ": the backups " + modelFileBackupPath(1) + " to " +
                           modelFileBackupPath(kMostModelFileBackups) + " are all taken (move old ones away)";
            return done;
        }
        const std::string backup = modelFileBackupPath(freeNumber);
        if (platform::writeWholeFile(backup.c_str(), previous.data(), previous.size()) !=
            platform::WriteResult::Written) {
            done.message = "Cannot keep a copy of " + model + " as " + backup;
            return done;
        }
        done.keptAs = backup;
        backups.push_back(backup);
    }
    if (!changes) {
        done.outcome = Outcome::Unchanged;
    } else {
        // One rename over the old file: there is always a whole model file.
        switch (platform::writeWholeFile(modelFilePath, text.data(), text.size())) {
        case platform::WriteResult::Written:
            done.outcome = Outcome::Replaced;
            break;
        case platform::WriteResult::Refused:
            done.outcome = Outcome::Refused;
            done.message = "Cannot replace " + model + ": the file is write protected or in use";
            return done;
        case platform::WriteResult::Failed:
            done.outcome = Outcome::WriteFailed;
            done.message = "Cannot write " + model + ": the disk may be full";
            return done;
        }
        dropModelFileCache();
    }

    const std::vector<std::string> current = readModelList();
    std::vector<std::string> named;
    if (!done.keptAs.empty())
        done.dropped = missingFrom(previousModels, current, named);
    for (const std::string& backup : backups) {
        if (backup == done.keptAs)
            continue;
        std::vector<std::string> models = missingFrom(readModelList(backup.c_str(), kMostModels), current, named);
        platform::writeProfileString(nullptr, nullptr, nullptr, backup.c_str());
        if (!models.empty())
            done.onlyInBackups.push_back({backup, models});
    }
    return done;
}

std::string modelsOnlyInBackupsNote(const ModelFileReplacement& done)
{
    // A long list is cut: the backup itself shows the rest.
    const auto listed = [](const std::vector<std::string>& names) {
        constexpr std::size_t kMostShown = 20;
        std::string text;
        for (std::size_t i = 0; i < names.size() && i < kMostShown; ++i)
            text += (text.empty() ? "" : ", ") + names[i];
        if (names.size() > kMostShown)
            text += " and " + std::to_string(names.size() - kMostShown) + " more";
        return text;
    };
    std::string note;
    if (!done.dropped.empty())
        note += "\nNo longer listed: " + listed(done.dropped) + "\nThe previous file is kept as " + done.keptAs;
    for (const ModelsInBackup& backup : done.onlyInBackups)
        note += "\nListed only in the backup " + backup.path + ": " + listed(backup.models);
    return note;
}

#include "engine/firmware_paths.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "config/model_file_check.h"
#include "config/model_file.h"
#include "config/model_file_backup.h"
#include "config/model_list.h"
#include "config/reg_key.h"
#include "log/run_log.h"
#include "platform/platform.h"

namespace {

// The programs that come together in one folder, under both systems' names.
constexpr const char* kSuitePrograms[] = {"wendrix", "wendrix-cli", "wendrix.exe",
                                          "wendrix-cli.exe"};

// Whether `path` is one of the suite's programs beside the running one.
bool isSuiteProgram(const char* path, const char* program)
{
    const char* slash = std::strrchr(program, '/');
#ifdef _WIN32
    if (const char* backslash = std::strrchr(program, '\\'); backslash > slash)
        slash = backslash;
#endif
    const std::string folder(program, slash ? static_cast<std::size_t>(slash - program + 1) : 0);
    for (const char* name : kSuitePrograms)
        if (platform::sameFile(path, (folder + name).c_str()))
            return true;
    return false;
}

// Whether `path` is the log `log` or one of its older copies.
bool isLogFile(const char* path, const RunLog& log)
{
    if (platform::sameFile(path, log.path))
        return true;
    char older[4096];
    for (int number = 1; number <= RunLog::kOlderLogs; ++number)
        if (log.olderPath(number, older, sizeof older) && platform::sameFile(path, older))
            return true;
    return false;
}

// Files that are not firmware and that the run must never overwrite.
bool isNonFirmwareFile(const char* path, const char* updaterName)
{
    if (platform::sameFile(path, modelFilePath) || platform::sameFile(path, updaterName) ||
        isModelFileBackup(path))
        return true;
    // A process without a log still has the logs of earlier runs beside it,
    // and beside the model file the logs of the desktop program.
    const RunLog derived;
    const RunLog besideModelFile(modelFilePath);
    if ((runLog && isLogFile(path, *runLog)) || isLogFile(path, derived) ||
        isLogFile(path, besideModelFile))
        return true;
    char other[4096];
    if (platform::programFilePath(other, sizeof other) > 0 &&
        (platform::sameFile(path, other) || isSuiteProgram(path, other)))
        return true;
    return platform::regKeyFile(platform::kCurrentUser, kSettingsSubKey, other, sizeof other) > 0 &&
           platform::sameFile(path, other);
}

// The clash of the model `section` with another model of the list, or a
// name of it that Windows cannot hold, in words that name the models;
// empty when there is none.
std::string firmwareNamesProblem(const char* section, const char* orgPath, const char* rgnPath)
{
    std::vector<ModelFiles> models = {{section, orgPath, rgnPath}};
    for (ModelFiles& model : listedModelFiles(modelFilePath))
        models.push_back(std::move(model));
    return firmwareNamesRefusal(models, NameMatch::ByNameAndOnDisk, 0);
}

FirmwarePathProblem problem(const char* format, const char* path)
{
    char text[1024];
    std::snprintf(text, sizeof text, format, path);
    return {std::string("**** ") + text, std::string(text) + "\nPlease correct Wendrix.ini"};
}

} // namespace

FirmwarePathProblem checkFirmwarePaths(const char* section, const char* orgPath,
                                       const char* rgnPath, const char* updaterName)
{
    // The working file would be written over the pristine copy, which would
    // then hold the patched image.
    if (platform::sameFile(orgPath, rgnPath))
        return problem("org and rgn name the same file %s!", rgnPath);
    if (isNonFirmwareFile(orgPath, updaterName))
        return problem("org names a file that is not firmware: %s", orgPath);
    if (isNonFirmwareFile(rgnPath, updaterName))
        return problem("rgn names a file that is not firmware: %s", rgnPath);
    const std::string clash = firmwareNamesProblem(section ? section : "", orgPath, rgnPath);
    if (!clash.empty())
        return {"**** " + clash, clash + "\nPlease correct Wendrix.ini"};
    return {};
}

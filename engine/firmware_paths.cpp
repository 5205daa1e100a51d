#include "engine/firmware_paths.h"

#include "config/model_file.h"
#include "config/reg_key.h"
#include "log/run_log.h"
#include "platform/platform.h"

namespace {

// Files that are not firmware and that the run must never overwrite.
bool isNonFirmwareFile(const char* path, const char* updaterName)
{
    if (platform::sameFile(path, modelFilePath) || platform::sameFile(path, updaterName))
        return true;
    // A process without a log still has the logs of earlier runs beside it.
    const RunLog derived;
    const RunLog& log = runLog ? *runLog : derived;
    if (platform::sameFile(path, log.path))
        return true;
    char other[4096];
    for (int number = 1; number <= RunLog::kOlderLogs; ++number)
        if (log.olderPath(number, other, sizeof other) && platform::sameFile(path, other))
            return true;
    if (platform::programFilePath(other, sizeof other) > 0 && platform::sameFile(path, other))
        return true;
    return platform::regKeyFile(platform::kCurrentUser, kSettingsSubKey, other, sizeof other) > 0 &&
           platform::sameFile(path, other);
}

} // namespace

FirmwarePathProblem checkFirmwarePaths(const char* orgPath, const char* rgnPath,
                                       const char* updaterName)
{
    // The working file would be written over the pristine copy, which would
    // then hold the patched image.
    if (platform::sameFile(orgPath, rgnPath))
        return {"**** org and rgn name the same file %s!",
                "org and rgn name the same file %s!\nPlease correct Wendrix.ini", rgnPath};
    if (isNonFirmwareFile(orgPath, updaterName))
        return {"**** org names a file that is not firmware: %s",
                "org names a file that is not firmware: %s\nPlease correct Wendrix.ini", orgPath};
    if (isNonFirmwareFile(rgnPath, updaterName))
        return {"**** rgn names a file that is not firmware: %s",
                "rgn names a file that is not firmware: %s\nPlease correct Wendrix.ini", rgnPath};
    return {};
}

#include "engine/run_lock.h"

#include <cstdio>
#include <cstring>

#include "config/model_file.h"

RunLock::RunLock()
{
    // The model file's name with ".lock" in place of its last four characters.
    const std::size_t length = std::strlen(modelFilePath);
    if (length < 4)
        return;
    char path[sizeof modelFilePath + 1];
    std::snprintf(path, sizeof path, "%.*s.lock", static_cast<int>(length - 4), modelFilePath);

    if (platform::lockFile(path, false, &file_) != platform::LockResult::Busy)
        return;
    std::fputs("Waiting for another Wendrix run in this folder to finish...\n", stderr);
    std::fflush(stderr);
    platform::lockFile(path, true, &file_);
}

RunLock::~RunLock()
{
    platform::closeFile(file_);
}

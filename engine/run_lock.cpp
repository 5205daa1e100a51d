#include "engine/run_lock.h"

#include <cstdio>
#include <cstring>

#include "config/model_file.h"

namespace {
// Locks of this process that are alive. Only the outermost one holds the
// file: a second lock on it from the same process would wait for itself
// (an Update command that a patch run starts runs inside that run).
int heldLocks = 0;
}

RunLock::RunLock()
{
    if (heldLocks++ > 0)
        return;
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
    --heldLocks;
    platform::closeFile(file_);
}

#include "engine/run_lock.h"

#include <cstdio>
#include <cstring>

#include "config/model_file.h"

namespace {
// Locks of this process that are alive. Only the outermost one holds the
// file: a second lock on it from the same process would wait for itself
// (an Update command that a patch run starts runs inside that run).
int heldLocks = 0;
} // namespace

RunLock::RunLock(Mode mode)
{
    if (heldLocks++ > 0)
        return;
    // The model file's name with ".lock" in place of its last four characters.
    const std::size_t length = std::strlen(modelFilePath);
    if (length < 4)
        return;
    path_.assign(modelFilePath, length - 4);
    path_ += ".lock";

    const auto take = mode == Mode::Shared ? platform::lockFileShared : platform::lockFile;
    platform::LockResult result = take(path_.c_str(), false, &file_);
    if (result == platform::LockResult::Busy) {
        std::fputs("Waiting for another Wendrix run in this folder to finish...\n", stderr);
        std::fflush(stderr);
        result = take(path_.c_str(), true, &file_);
    }
    refused_ = result == platform::LockResult::NotAFile;
}

RunLock::~RunLock()
{
    --heldLocks;
    platform::closeFile(file_);
}

// One patch run or model-file update at a time per program folder.
#pragma once

#include <string>

#include "platform/platform.h"

// Holds the lock file beside the model file ("<program>.lock") for as long
// as it lives. A second run in the same folder, from any front end, waits
// here until the first has finished, so that two runs never mix their logs,
// stored lines and firmware files. Commands that only read the firmware take
// the lock shared: they run side by side, but never while a run writes. When
// the lock file cannot be made (a read-only folder) the run goes ahead
// without it; when something other than a plain file has its name (a
// folder, a FIFO, a link) the lock is refused and the run must not go on.
// Locks nest within one process: an inner one (the Update command inside a
// patch run) holds nothing of its own.
class RunLock {
public:
    enum class Mode { Exclusive, Shared };

    explicit RunLock(Mode mode = Mode::Exclusive);
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    // Whether the lock path is taken by something that is no lock file.
    bool refused() const { return refused_; }
    // The lock file's path.
    const std::string& path() const { return path_; }

private:
    platform::FileHandle file_ = platform::kClosedFile;
    bool refused_ = false;
    std::string path_;
};

// The message for a lock path that is no plain file; "%s" is the path.
inline constexpr char kLockRefusedFormat[] =
    "Cannot use the lock file %s!\nIt is a folder, a link or a special file, not a plain file.\n"
    "Remove it and try again";

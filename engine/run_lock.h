// One patch run or model-file update at a time per program folder.
#pragma once

#include "platform/platform.h"

// Holds the lock file beside the model file ("<program>.lock") for as long
// as it lives. A second run in the same folder, from any front end, waits
// here until the first has finished, so that two runs never mix their logs,
// stored lines and firmware files. When the lock file cannot be made (a
// read-only folder) the run goes ahead without it. Locks nest within one
// process: an inner one (the Update command inside a patch run) holds
// nothing of its own.
class RunLock {
public:
    RunLock();
    ~RunLock();
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    platform::FileHandle file_ = platform::kClosedFile;
};

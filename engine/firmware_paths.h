// Which files a patch run may take as a model's pristine copy and working
// file. Whatever the model file says, the run never overwrites one of the
// two with the other, nor a file that the program or the uploader needs.
#pragma once

// Why the paths of a model section cannot be used: a "**** " log line and
// an error message, each with one %s for `path`. Empty when they can.
struct FirmwarePathProblem {
    const char* logFormat = nullptr;
    const char* messageFormat = nullptr;
    const char* path = nullptr;

    explicit operator bool() const { return logFormat != nullptr; }
};

// Checks the pristine copy `orgPath` and the working file `rgnPath` against
// each other and against the model file, the run log and its older copies,
// the running program, the per-user store and the uploader `updaterName`.
FirmwarePathProblem checkFirmwarePaths(const char* orgPath, const char* rgnPath,
                                       const char* updaterName);

// Which files a patch run may take as a model's pristine copy and working
// file. Whatever the model file says, the run never overwrites one of the
// two with the other, nor a file that the program or the uploader needs,
// nor the pristine copy of another model.
#pragma once

// Why the paths of a model section cannot be used: a "**** " log line and
// an error message, each with one %s for `path`. Empty when they can.
struct FirmwarePathProblem {
    const char* logFormat = nullptr;
    const char* messageFormat = nullptr;
    const char* path = nullptr;

    explicit operator bool() const { return logFormat != nullptr; }
};

// Checks the pristine copy `orgPath` and the working file `rgnPath` of the
// model `section` against each other; against the model file, the run log
// and its older copies, the backup of the model file, every program of the suite in the program's folder
// (the running one included), the per-user store and the uploader
// `updaterName`; and `rgnPath` against the pristine copies of the other
// models of the list.
FirmwarePathProblem checkFirmwarePaths(const char* section, const char* orgPath,
                                       const char* rgnPath, const char* updaterName);

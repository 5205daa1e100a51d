// Which files a patch run may take as a model's pristine copy and working
// file. Whatever the model file says, the run never overwrites one of the
// two with the other, nor a file that the program or the uploader needs,
// nor the pristine copy of another model.
#pragma once

#include <string>

// Why the paths of a model section cannot be used: the "**** " log line and
// the error message, each naming what is wrong. Empty when they can.
struct FirmwarePathProblem {
    std::string logLine;
    std::string message;

    explicit operator bool() const { return !logLine.empty(); }
};

// Checks the pristine copy `orgPath` and the working file `rgnPath` of the
// model `section` against each other; against the model file, the run log
// and its older copies, the backups of the model file, every program of the
// suite in the program's folder (the running one included), the per-user
// store and the uploader `updaterName`; and against the firmware files of
// the other models of the list (see firmwareNamesRefusal).
FirmwarePathProblem checkFirmwarePaths(const char* section, const char* orgPath,
                                       const char* rgnPath, const char* updaterName);

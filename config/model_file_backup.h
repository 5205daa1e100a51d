// Replacing the model file as a whole, the file it replaces kept as its
// backup: the one way the Update command and `add` change the file.
#pragma once

#include <string>
#include <string_view>

// The name of backup `number`: "<model file>.bak" for the first.
std::string modelFileBackupPath(int number);

enum class ModelFileRead { Ok, Missing, Failed };
// Reads the INI file `path` whole (at most 256 MiB) into `text`.
ModelFileRead readModelFileText(const char* path, std::string& text);

struct ModelFileReplacement {
    enum class Result {
        Replaced,   // the model file holds the new text
        CannotRead, // the current file exists but cannot be read: nothing was written
        CannotKeep, // its backup `keptAs` could not be written: nothing was written
        Refused,    // the model file is write protected or in use: a backup may have been kept
        Failed,     // the model file could not be written: a backup may have been kept
    };
    Result result = Result::Failed;
    // The backup that holds the previous file; empty when there was none.
    std::string keptAs;
};

// Puts `text` in place of the model file (modelFilePath), first keeping the
// file it replaces as the backup. The caller holds the folder's run lock, so
// that the backup is the file replaced.
ModelFileReplacement replaceModelFile(std::string_view text);

// Replacing the model file as a whole, the file it replaces kept as its
// backup: the one way the Update command and `add` change the file.
#pragma once

#include <string>

// The backup of the model file: "<model file>.bak".
std::string modelFileBackupPath();

enum class ModelFileRead { Ok, Missing, Failed };
// Reads the INI file `path` whole (at most 256 MiB) into `text`.
ModelFileRead readModelFileText(const char* path, std::string& text);

struct ModelFileReplacement {
    enum class Outcome {
        Replaced,
        NotKept,     // the model file could not be read, or its backup not written
        Refused,     // the model file is write protected or in use
        WriteFailed, // the new file could not be written (a full disk)
    };
    Outcome outcome = Outcome::WriteFailed;
    std::string message; // why nothing was replaced, without a full stop
};

// Replaces the model file with `text`, first keeping the file it replaces as
// the backup (none when there was no model file). The caller holds the run
// lock, so that the backup is the file replaced. Nothing changes on a failure.
ModelFileReplacement replaceModelFileKeepingBackup(const std::string& text);

// Replacing the model file as a whole, the file it replaces kept as its
// backup: the one way the Update command and `add` change the file.
#pragma once

#include <string>

// The name of backup `number`: "<model file>.bak" for the first.
std::string modelFileBackupPath(int number = 1);

enum class ModelFileRead { Ok, Missing, Failed };
// Reads the INI file `path` whole (at most 256 MiB) into `text`.
ModelFileRead readModelFileText(const char* path, std::string& text);

struct ModelFileReplacement {
    enum class Outcome {
        Replaced,    // the model file holds the new text
        NotKept,     // the model file could not be read, or no backup written: nothing was replaced
        Refused,     // the model file is write protected or in use
        WriteFailed, // the new file could not be written (a full disk)
    };
    Outcome outcome = Outcome::WriteFailed;
    std::string message; // why nothing was replaced, without a full stop
    // The backup that holds the file replaced; empty when there was none.
    std::string keptAs;
};

// Puts `text` in place of the model file (modelFilePath), first keeping the
// file it replaces as the backup. The caller holds the folder's run lock, so
// that the backup is the file replaced. Nothing changes on a failure but a
// backup kept.
ModelFileReplacement replaceModelFileKeepingBackup(const std::string& text);

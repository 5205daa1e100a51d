// Replacing the model file as a whole without losing what it held: the one
// way the Update command and the adding of a model change the file. Every
// version it replaces that differs from the new one is kept as a numbered
// backup beside it; no backup is ever written over, and the models that are
// now only in a backup are named, so the owner knows where to find them.
#pragma once

#include <string>
#include <vector>

// The most backups kept: "<model file>.bak", then "<model file>.2.bak" up
// to "<model file>.999.bak".
inline constexpr int kMostModelFileBackups = 999;

// The name of backup `number` (1 to kMostModelFileBackups).
std::string modelFileBackupPath(int number = 1);

// Whether `path` names one of the model file's backups, kept or still to
// come (a patch run must never write firmware there).
bool isModelFileBackup(const char* path);

enum class ModelFileRead { Ok, Missing, Failed };
// Reads the INI file `path` whole (at most 256 MiB) into `text`; a link is
// followed. Missing: nothing has the name.
ModelFileRead readModelFileText(const char* path, std::string& text);

// A backup that holds models the model file does not list.
struct ModelsInBackup {
    std::string path;
    std::vector<std::string> models;
};

struct ModelFileReplacement {
    enum class Outcome {
        Replaced,    // the model file holds the new text
        Unchanged,   // it held the new text already: nothing was written
        NotKept,     // the model file could not be read, or no backup written: nothing was replaced
        Refused,     // the model file is write protected or in use
        WriteFailed, // the new file could not be written (a full disk)
    };
    Outcome outcome = Outcome::WriteFailed;
    std::string message; // why nothing was replaced, without a full stop
    // The backup that holds the file replaced (written now, or an earlier
    // one with the same bytes); empty when nothing had to be kept.
    std::string keptAs;
    // The models of the file replaced that the new one does not list.
    std::vector<std::string> dropped;
    // Other backups with models the model file does not list now.
    std::vector<ModelsInBackup> onlyInBackups;
};

// Puts `text` in place of the model file (modelFilePath), keeping the file
// it replaces first when it differs from `text` and no backup holds it yet.
// The caller holds the folder's run lock, so that the backup is the file
// replaced. Nothing changes on a failure but a backup kept.
ModelFileReplacement replaceModelFileKeepingBackup(const std::string& text);

// The lines a message adds about models that are now only in a backup,
// each beginning with a line feed; empty when there are none.
std::string modelsOnlyInBackupsNote(const ModelFileReplacement& done);

// Replacing the model file without losing what it held. Every edition an
// update replaces, and every version the program rewrites, that differs
// from the new one is kept as a numbered backup beside it; no backup is
// ever written over, and the models that are now only in a backup are
// named, so the owner knows where to find them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The most backups kept: "<model file>.bak", then "<model file>.2.bak" up
// to "<model file>.999.bak".
inline constexpr int kMostModelFileBackups = 999;

// The name of backup `number` (1 to kMostModelFileBackups).
std::string modelFileBackupPath(int number);

// Whether `path` names one of the model file's backups, kept or still to
// come (a patch run must never write firmware there).
bool isModelFileBackup(const char* path);

// A backup that holds models the current model file does not list.
struct ModelsInBackup {
    std::string path;
    std::vector<std::string> models;
};

struct ModelFileReplacement {
    enum class Result {
        Replaced,   // the model file holds the new text
        Unchanged,  // it held the new text already: nothing was written
        CannotRead, // the current file exists but cannot be read: nothing was written
        CannotKeep, // no backup could be written (`keptAs` names the one tried, or is empty when every name is taken)
        Refused,    // the model file is write-protected or in use: a backup may have been kept
        Failed,     // the model file could not be written: a backup may have been kept
    };
    Result result = Result::Failed;
    // The backup that holds the previous file (written now, or an earlier
    // one with the same bytes); empty when nothing had to be kept.
    std::string keptAs;
    // The models of the previous file that the new one does not list.
    std::vector<std::string> dropped;
    // Other backups with models the model file does not list now.
    std::vector<ModelsInBackup> onlyInBackups;
};

// Puts `text` in place of the model file (modelFilePath), keeping the
// previous file first when it differs from `text` and no backup holds it
// yet. The caller holds the folder's run lock.
ModelFileReplacement replaceModelFile(std::string_view text);

// The lines a message adds about models that are now only in a backup,
// each beginning with a line feed; empty when there are none.
std::string modelsOnlyInBackupsNote(const ModelFileReplacement& done);

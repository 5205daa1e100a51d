// Remembering the warning lines between runs: the per-user key first, the
// model file's "WARNING" section otherwise.
#pragma once

#include <string>

#include "engine/line_check.h"

// The seven lines as the store holds them, each with the line check's
// verdict. A line that cannot be read is empty.
struct StoredLines {
    std::string texts[7]; // Windows-1252, as stored (a registry value of at most 255 characters)
    LineCheck checks[7];
    // The first line the check refuses (0-based), or -1 when it takes all.
    int firstRefused() const;
};

// Reads the seven lines from the store (the per-user key, else the model
// file's "WARNING" section) and checks each. Changes nothing.
StoredLines loadLines();
// Where saveLines put the lines.
struct SavedLines {
    enum class Store {
        UserStore, // the per-user key
        ModelFile, // the model file's "WARNING" section: the key cannot be opened
        Nowhere,   // not all of them reached the store that loadLines reads
    };
    Store store = Store::UserStore;
    // Why not the per-user key (ModelFile), or why nowhere (Nowhere).
    std::string why;
};
// Stores the seven lines of warningLines: in the per-user key, or, when it
// can be neither opened nor created, in the model file, but never through a
// link: a model file that is a link is left alone.
SavedLines saveLines();
// What the owner is told when the lines went to the model file: "Your lines
// were saved in PATH because ...".
std::string linesSavedInModelFile(const SavedLines& saved);
// Names the store of the lines for a message: the per-user key's file where
// it has one, the key's registry path otherwise.
std::string lineStoreName();
// Whether the store that loadLines reads holds the seven lines whole: false
// when the per-user key exists but cannot be read, lacks a line or holds one
// that cannot be read (over 255 characters). Without the key the model file is the store,
// whose missing keys are empty lines, so that counts as whole.
bool storedLinesReadable();

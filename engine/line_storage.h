// Remembering the warning lines between runs: the per-user key first, the
// model file's "WARNING" section otherwise.
#pragma once

#include <cstdint>
#include <string>

// Loads the seven lines into warningLines; returns recomputeLineEnds().
std::int32_t loadLines();
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
// longer than a line may be. Without the key the model file is the store,
// whose missing keys are empty lines, so that counts as whole.
bool storedLinesReadable();

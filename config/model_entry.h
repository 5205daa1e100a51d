// One model as the model file holds it, and adding one to a model file's text.
#pragma once

#include <string>

struct ModelEntry {
    std::string name; // its section's name, which the model list shows
    std::string org, rgn, crc, lang, rel;
    bool own = false; // added by the owner ("Own=1"): kept through updates
};

// The model `name` of the INI file `file`, its values read as the patch run
// and the dialog read them ("Rel" "??" when missing).
ModelEntry readModelEntry(const char* file, const std::string& name);

// Whether the model `name` of the INI file `file` is marked as the owner's own.
bool isOwnModel(const char* file, const std::string& name);

// Adds `entry` to the INI file `file` as the next model of its list: the key
// "Gps-N" of section "GPS" with N one past the last listed model, and the
// model's own section. Returns N; 0 when the file cannot be written or the
// model does not read back as written.
int appendModelEntry(const char* file, const ModelEntry& entry);

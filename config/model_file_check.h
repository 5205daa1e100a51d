// The names a model file gives the firmware files of its models, checked
// against one another and against what Windows can hold. The patch run's
// path guard, the check of a downloaded edition and the adding of a model
// all use this one rule, so that no model can be made to overwrite
// another's firmware.
#pragma once

#include <string>
#include <vector>

// One model's section name and the files it names: its pristine copy
// ("org") and its working file ("rgn"), empty when not given.
struct ModelFiles {
    std::string section, org, rgn;
};

// The files of every model that the INI file `file` lists, read as the
// patch run reads them.
std::vector<ModelFiles> listedModelFiles(const char* file);

// The parts of a path between its separators ('/' and '\'), without empty
// and "." parts, in small letters: two names that are one file on Windows
// give the same parts.
std::vector<std::string> firmwareNameParts(const std::string& path);

// Whether two firmware names name one file: the same parts, or one file on
// disk under two names.
bool sameFirmwareFile(const std::string& a, const std::string& b);

// Whether `name` can name a firmware file on every system the program runs
// on: not empty, no control character, no part that Windows keeps for a
// device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with or without an
// extension, in any letter case) and no part ending in a dot or a blank,
// which Windows drops.
bool isUsableFirmwareName(const std::string& name);

// Why `model` cannot be listed beside `others`, in words that name both
// models: its pristine copy is another model's pristine copy or working
// file, or its working file is another model's pristine copy, so that one
// patch run would overwrite the only stock image another model has (names
// compared as sameFirmwareFile does). Empty when it can.
std::string sharedFirmwareRefusal(const ModelFiles& model, const std::vector<ModelFiles>& others);

enum class NameMatch {
    ByName,          // names alone, as firmwareNameParts gives them (a download, whose files are not there yet)
    ByNameAndOnDisk, // and names that the file system leads to one file (links)
};

// Why the firmware names of `models` cannot be used; empty when they can. A
// name Windows cannot hold (see isUsableFirmwareName) names its model; a
// clash (see sharedFirmwareRefusal) names both. With `concerning` (an index
// into `models`) only that model's names and its clashes are looked at; -1
// looks at all of them.
std::string firmwareNamesRefusal(const std::vector<ModelFiles>& models, NameMatch match, int concerning = -1);

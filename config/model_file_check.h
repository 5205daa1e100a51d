// Rules for the firmware files that the models of a model file name, kept by
// whatever writes a model into the file.
#pragma once

#include <string>
#include <vector>

// The parts of a path between its separators ('/' and '\'), without empty and
// "." parts, in small letters: two names that are one file on Windows give
// the same parts.
std::vector<std::string> firmwareNameParts(const std::string& path);

// Whether `name` can name a firmware file on every system the program runs
// on: not empty, no control character, no part that Windows keeps for a
// device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with or without an
// extension) and no part ending in a dot or a space, which Windows drops.
bool isUsableFirmwareName(const std::string& name);

// One model's section name and the files it names ("org", "rgn"; empty when
// not given).
struct ModelFiles {
    std::string section, org, rgn;
};

// The files of every model that the INI file `file` lists.
std::vector<ModelFiles> listedModelFiles(const char* file);

// Whether two firmware names name one file: the same parts, or one file on
// disk under two names.
bool sameFirmwareFile(const std::string& a, const std::string& b);

// Why `model` cannot be listed beside `others`: its pristine copy is another
// model's pristine copy or working file, or its working file is another
// model's pristine copy, so that one patch run would overwrite the only
// stock image another model has. Empty when it can.
std::string sharedFirmwareRefusal(const ModelFiles& model, const std::vector<ModelFiles>& others);

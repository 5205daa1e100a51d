// The model list of the model file: the "Gps-%d" values of section "GPS".
#pragma once

#include <string>
#include <vector>

// The most models an edition of the model file may list.
constexpr int kMostModels = 999;

// The values of "Gps-1", "Gps-2", ... up to the first empty one, from the
// model file or from the INI file `file`; at most `most` of them.
std::vector<std::string> readModelList();
std::vector<std::string> readModelList(const char* file, int most = 1 << 30);

// Why the model file lists no model, when `listed` models were read from it.
enum class ModelListFault {
    None,       // it lists models
    NoFile,     // there is no model file beside the program
    Unreadable, // something is there, but not a plain file that can be read
    NoModels,   // its section "GPS" has no "Gps-1" key
};
ModelListFault modelListFault(std::size_t listed);

// The model file's own name, without its folder.
std::string modelFileBaseName();

// The names of every section of the INI file `file`, in file order.
std::vector<std::string> iniSectionNames(const char* file);

// Whether the firmware of any model that the model file lists, its working
// file or its pristine copy, is where a patch run looks for it.
bool listedFirmwarePresent();

// Whether a model section's values, read as the patch run reads them, make
// a model that can be patched: "org" and "rgn" not empty, "crc" one to eight
// hexadecimal digits (with or without "0x") that are not all zero, and
// "lang" a number from 1 to 14. Words after a blank are ignored, as the
// number rules ignore them.
bool isCompleteModel(const std::string& org, const std::string& rgn, const std::string& crc,
                     const std::string& lang);

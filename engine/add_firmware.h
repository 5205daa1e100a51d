// Adding the owner's own firmware image as a model of the model file: what
// `wendrix-cli add` and the desktop's "Add firmware..." both do, and the
// words they tell the owner with.
#pragma once

#include <cstdint>
#include <string>

struct AddedFirmware {
    enum class Outcome {
        Added,
        Refused, // the file or the name cannot be added; nothing was written
        Failed,  // a file could not be read or written; nothing was changed
    };
    Outcome outcome = Outcome::Failed;
    // Refused and Failed: the whole message, in 8-bit (Windows-1252) text.
    std::string message;

    // Added: the model, its number in the model list and its files.
    std::string name;
    int number = 0;
    std::string rgn, org;   // as the model file names them
    std::string copiedFrom; // the file given, when it was copied in as rgn
    std::string copiedTo;   // where that copy is, in full
    std::uint32_t crc = 0;
    std::int32_t lang = 0;
};

// Adds the firmware image `file` (a path as given, relative to the current
// folder) as a model named `name`, or after the file's name when `name` is
// empty. The file is read as every image is (a plain file, at most 2 GiB),
// its texts located and its CRC-32 computed. A file outside the current
// folder, where the model file's names are looked for, is first copied in
// under a name no file uses. The model gets "rgn" (the file), "org" (a name
// for its pristine copy that no file and no model uses), "crc", "lang" (the
// texts found), "Rel" (its name) and "Own=1", and the line "Gps-N" after the
// last listed model. The model file is replaced whole, its previous content
// kept as the backup, all under the run lock.
//
// Refused: no warning text found; the file or its CRC-32 already listed; the
// name unusable or already used; the file's name unusable in the model file.
AddedFirmware addFirmware(const std::string& file, const std::string& name);

// What was done, line by line: where a copy went, and the model's name,
// number and files (no line break at the end).
std::string addedReport(const AddedFirmware& added);
// What the owner does next, on the command line and in the dialog.
std::string addedNextOnCommandLine(const AddedFirmware& added);
// `paged`: the disclaimer page has been left.
std::string addedNextInDialog(bool paged);

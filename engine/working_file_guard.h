// A patch run writes the working file from the pristine copy. When the
// working file has since been replaced by other firmware (a newer release
// the owner put in place), that write would hand the uploader the old
// firmware; the run stops before it instead.
#pragma once

#include <cstdint>
#include <string>

struct FirmwareImage;
struct LanguageTable;

// Reads the working file `rgnPath` block by block, beside the pristine copy
// `pristine` held in memory, and tells whether it holds firmware that a
// patch of `pristine` must not replace: it is neither the stock image (the
// pristine copy's bytes) nor a patch of it (the same size, and equal to it
// outside the first `located` texts of `table` as located in the pristine
// copy; each text's closing NUL counts as outside, as a patch keeps it). A
// missing, empty or unreadable working file holds none. No second image is
// held: the file is compared in blocks.
bool holdsOtherFirmware(const char* rgnPath, const FirmwareImage& pristine, const LanguageTable& table,
                        std::int32_t located);

// What the run logs ("**** " first) and shows when it stops for that
// reason; both name the working file and the pristine copy. `action` is
// what would replace it ("patching", "restoring").
std::string otherFirmwareLogLine(const char* rgnPath, const char* orgPath);
std::string otherFirmwareMessage(const char* rgnPath, const char* orgPath, const char* action = "patching");

// Whether something has the name `rgnPath` that cannot be opened for
// reading: a folder, a FIFO, a file the user may not read. It is not a
// missing file: what it holds is unknown, so nothing may replace it.
bool workingFileUnreadable(const char* rgnPath);
// What the run shows when it stops for that reason.
std::string unreadableWorkingFileMessage(const char* rgnPath);

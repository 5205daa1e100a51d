// A patch run writes the working file from the pristine copy. When the
// working file has since been replaced by other firmware (a newer release
// the owner put in place), that write would hand the uploader the old
// firmware; the run stops before it instead.
#pragma once

#include <cstdint>
#include <string>

struct FirmwareImage;
struct LanguageTable;

// Whether `working` may be overwritten by a patch of `pristine`: it is the
// stock image (its CRC-32 `workingCrc` is `expectedCrc`), or a patch of the
// pristine copy: the same size, and equal to it outside the first `located`
// texts of `table`, as located in the pristine copy.
bool isStockOrPatchOf(const FirmwareImage& working, std::uint32_t workingCrc,
                      std::uint32_t expectedCrc, const FirmwareImage& pristine,
                      const LanguageTable& table, std::int32_t located);

// Reads the working file `rgnPath` and tells whether it holds firmware that
// a patch of `pristine` must not replace (see isStockOrPatchOf). A missing,
// empty or unreadable working file holds none.
bool holdsOtherFirmware(const char* rgnPath, std::uint32_t expectedCrc,
                        const FirmwareImage& pristine, const LanguageTable& table,
                        std::int32_t located);

// What the run logs ("**** " first) and shows when it stops for that
// reason; both name the working file and the pristine copy.
std::string otherFirmwareLogLine(const char* rgnPath, const char* orgPath);
std::string otherFirmwareMessage(const char* rgnPath, const char* orgPath);

// Finding an unpatched firmware image of a model: the pristine copy when it
// still holds the expected bytes, else the working file while it is unpatched.
#pragma once

#include <cstdint>
#include <string>

struct FirmwareImage;

enum class ImageSource {
    Pristine,          // the pristine copy matches the expected checksum
    Working,           // the pristine copy does not, the working file does
    WorkingUnreadable, // neither: the working file is missing, unreadable or empty
    NotOriginal,       // neither: the working file holds other bytes
};

// Reads the image as the patch run does. On Pristine and Working `image`
// holds the bytes; otherwise it is empty. A read result of 0 is a failure and
// never a match, even when `expectedCrc` is 0.
// `workingCrc`, when given, receives the working file's CRC-32 when it was
// read (0 otherwise).
ImageSource readUnpatchedImage(const char* orgPath, const char* rgnPath, std::uint32_t expectedCrc,
                               FirmwareImage& image, std::uint32_t* workingCrc = nullptr);

// The lines added after "Cannot read %s!" and "Not original %s file!": the
// folder in which `path` was looked for, and the CRC-32 found beside the one
// the model file expects. Each begins with a line feed.
std::string lookedInLine(const char* path);
std::string crcMismatchLine(std::uint32_t found, std::uint32_t expected);

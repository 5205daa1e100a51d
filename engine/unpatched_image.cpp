#include "engine/unpatched_image.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/firmware_image.h"

ImageSource readUnpatchedImage(const char* orgPath, const char* rgnPath, std::uint32_t expectedCrc,
                               FirmwareImage& image, std::uint32_t* workingCrc)
{
    if (workingCrc)
        *workingCrc = 0;
    const std::uint32_t orgCrc = readImageFile(orgPath, image);
    if (orgCrc != 0 && orgCrc == expectedCrc)
        return ImageSource::Pristine;
    // Only one file's bytes are held at a time.
    releaseImage(image);
    const std::uint32_t rgnCrc = readImageFile(rgnPath, image);
    if (workingCrc)
        *workingCrc = rgnCrc;
    if (rgnCrc != 0 && rgnCrc == expectedCrc)
        return ImageSource::Working;
    releaseImage(image);
    return rgnCrc == 0 ? ImageSource::WorkingUnreadable : ImageSource::NotOriginal;
}

std::string lookedInLine(const char* path)
{
    // A relative path is looked for in the current folder.
    std::error_code error;
    const std::filesystem::path full =
        std::filesystem::absolute(path && *path ? path : "./", error); // an empty name stands for the folder
    const std::string folder = error ? std::string(".") : full.lexically_normal().parent_path().string();
    return "\nLooked in the folder " + folder;
}

std::string crcMismatchLine(std::uint32_t found, std::uint32_t expected)
{
    char text[120];
    std::snprintf(text, sizeof text, "\nIts CRC-32 is %08x; the model file expects %08x", static_cast<unsigned>(found),
                  static_cast<unsigned>(expected));
    return text;
}

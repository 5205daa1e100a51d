#include "engine/unpatched_image.h"

#include "engine/firmware_image.h"

ImageSource readUnpatchedImage(const char* orgPath, const char* rgnPath, std::uint32_t expectedCrc,
                               FirmwareImage& image)
{
    const std::uint32_t orgCrc = readImageFile(orgPath, image);
    if (orgCrc != 0 && orgCrc == expectedCrc)
        return ImageSource::Pristine;
    // Only one file's bytes are held at a time.
    releaseImage(image);
    const std::uint32_t rgnCrc = readImageFile(rgnPath, image);
    if (rgnCrc != 0 && rgnCrc == expectedCrc)
        return ImageSource::Working;
    releaseImage(image);
    return rgnCrc == 0 ? ImageSource::WorkingUnreadable : ImageSource::NotOriginal;
}

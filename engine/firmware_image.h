// A firmware file held whole in memory, and reading and writing it.
#pragma once

#include <cstddef>
#include <cstdint>

struct FirmwareImage {
    // size + 1 bytes: the file's bytes, then one NUL. Null when empty.
    unsigned char* bytes = nullptr;
    std::uint32_t size = 0;
};

// The largest image taken: the offsets of its texts are signed 32-bit
// numbers, which a larger file would overflow.
inline constexpr std::uint32_t kLargestImage = 0x7FFFFFFF;
// Whether `path` is a file too large to be read as an image.
bool imageFileTooLarge(const char* path);

// The CRC-32 of `size` bytes (zlib's crc32: 0 for none), continuing from
// `crc`, the value of the bytes before them.
std::uint32_t crc32Of(const unsigned char* bytes, std::size_t size, std::uint32_t crc = 0);
// Reads the whole file into `image` (emptied first). Returns the CRC-32 of
// the bytes, or 0 on any failure, leaving the image empty.
std::uint32_t readImageFile(const char* path, FirmwareImage& image);
// The CRC-32 that readImageFile would return for `path`, read in slices so
// that the file is never held whole: for a file that is only tested for.
std::uint32_t fileCrc(const char* path);
// Writes `size` bytes to `path`, replacing the file. 1 on success, 0 on failure.
int writeImageFile(const char* path, const unsigned char* bytes, std::uint32_t size);
// Frees the image's block, if any; the image is empty afterwards.
void releaseImage(FirmwareImage& image);

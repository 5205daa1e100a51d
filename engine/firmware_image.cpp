#include "engine/firmware_image.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>
#ifdef WENDRIX_LIBDEFLATE
#include <libdeflate.h>
#else
#include <zlib.h>
#endif

#include "platform/platform.h"

namespace {
constexpr const char* kCaption = "Zarnek Wendrix";
constexpr std::uint32_t kNoSize = 0xFFFFFFFFu;

// Reads exactly `size` bytes, request after request; false when the file
// ends early or a request delivers nothing.
bool readAll(platform::FileHandle file, unsigned char* into, std::uint32_t size)
{
    std::uint32_t done = 0;
    while (done < size) {
        const std::uint32_t got = platform::readFile(file, into + done, size - done);
        if (got == 0)
            return false;
        done += got;
    }
    return true;
}

} // namespace

std::uint32_t crc32Of(const unsigned char* bytes, std::size_t size, std::uint32_t crc)
{
#ifdef WENDRIX_LIBDEFLATE
    return libdeflate_crc32(crc, bytes, size);
#else
    // zlib's crc32 takes its length as uInt; feed it in slices that fit.
    uLong sum = crc;
    while (size > 0) {
        const uInt slice = size > 0x40000000u ? 0x40000000u : static_cast<uInt>(size);
        sum = crc32(sum, bytes, slice);
        bytes += slice;
        size -= slice;
    }
    return static_cast<std::uint32_t>(sum);
#endif
}

std::uint32_t readImageFile(const char* path, FirmwareImage& image)
{
    // An image still held is given back rather than lost.
    releaseImage(image);

    const platform::FileHandle file = platform::openForReading(path);
    if (file == platform::kClosedFile)
        return 0;
    const std::uint64_t length = platform::fileLength(file);
    const std::uint32_t size = platform::fileSize(file);
    if (size == kNoSize || size == 0 || length > kLargestImage) {
        // An empty file is a failed read; nothing needs a block for it. A
        // file too large for 32-bit text offsets is never taken in.
        platform::closeFile(file);
        return 0;
    }

    auto* block = static_cast<unsigned char*>(platform::allocBlock(static_cast<std::size_t>(size) + 1));
    if (!block) {
        platform::messageBox(nullptr, "GlobalAlloc failed!", kCaption, platform::MbOk);
        platform::closeFile(file);
        return 0;
    }
    // The size is the low 32 bits of the real one: a file that goes on past
    // it (4 GiB or more, or one growing while read) is not taken as whole.
    unsigned char beyond;
    if (!readAll(file, block, size) || platform::readFile(file, &beyond, 1) != 0) {
        platform::closeFile(file);
        platform::freeBlock(block);
        return 0;
    }
    platform::closeFile(file);

    block[size] = 0;
    image.bytes = block;
    image.size = size;
    return crc32Of(block, size);
}

std::uint32_t fileCrc(const char* path)
{
    const platform::FileHandle file = platform::openForReading(path);
    if (file == platform::kClosedFile)
        return 0;
    const std::uint64_t length = platform::fileLength(file);
    const std::uint32_t size = platform::fileSize(file);
    std::uint32_t crc = 0;
    std::uint64_t done = 0;
    if (size != kNoSize && size != 0 && length <= kLargestImage) {
        // The same test as a whole read: exactly `size` bytes, nothing past them.
        std::vector<unsigned char> slice(std::min<std::size_t>(std::size_t{size} + 1, 64 * 1024));
        const auto sliceSize = static_cast<std::uint32_t>(slice.size());
        for (std::uint32_t got; done <= size && (got = platform::readFile(file, slice.data(), sliceSize)) != 0;) {
            crc = crc32Of(slice.data(), got, crc);
            done += got;
        }
    }
    platform::closeFile(file);
    return size != kNoSize && size != 0 && done == size ? crc : 0;
}

bool imageFileTooLarge(const char* path)
{
    const platform::FileHandle file = platform::openForReading(path);
    if (file == platform::kClosedFile)
        return false;
    const std::uint64_t length = platform::fileLength(file);
    platform::closeFile(file);
    return length != UINT64_MAX && length > kLargestImage;
}

int writeImageFile(const char* path, const unsigned char* bytes, std::uint32_t size)
{
    if (!path || (!bytes && size > 0) || size == 0)
        return 0;
    // The target never holds a partial image: it is replaced only once the
    // new bytes are complete on disk.
    return platform::writeWholeFile(path, bytes, size) == platform::WriteResult::Written ? 1 : 0;
}

void releaseImage(FirmwareImage& image)
{
    if (image.bytes)
        platform::freeBlock(image.bytes);
    image.bytes = nullptr;
    image.size = 0;
}

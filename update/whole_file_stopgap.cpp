#include "update/whole_file_stopgap.h"

#include <cstdint>

#include "platform/platform.h"

namespace platform {
WriteResult writeWholeFile(const char* path, const void* data, std::size_t size, bool)
{
    char temp[320];
    const FileHandle file = createTempBeside(path, temp, sizeof temp);
    if (file == kClosedFile)
        return WriteResult::Failed;
    const auto* bytes = static_cast<const unsigned char*>(data);
    bool ok = true;
    for (std::size_t done = 0; ok && done < size;) {
        const std::uint32_t wrote = writeFile(file, bytes + done, static_cast<std::uint32_t>(size - done));
        ok = wrote > 0;
        done += wrote;
    }
    ok = ok && flushFile(file);
    closeFile(file);
    if (!ok) {
        deleteFile(temp);
        return WriteResult::Failed;
    }
    if (!replaceFile(temp, path)) {
        deleteFile(temp);
        return WriteResult::Refused;
    }
    return WriteResult::Written;
}
} // namespace platform

// INI files through the Win32 profile functions.
#include <windows.h>

#include <cstring>

#include "platform/platform.h"

namespace platform {
namespace {
// Win32 looks for a profile named without any folder in the Windows folder;
// every other name, here and on POSIX, is relative to the current
// directory, so such a name is given that folder explicitly.
const char* resolve(const char* file, char (&full)[MAX_PATH])
{
    if (file == nullptr || std::strpbrk(file, "\\/:") != nullptr)
        return file;
    const DWORD length = GetFullPathNameA(file, MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return file;
    return full;
}
} // namespace

std::uint32_t getProfileString(const char* section, const char* key, const char* def, char* out,
                               std::uint32_t size, const char* file)
{
    if (out == nullptr || size == 0)
        return 0;
    char full[MAX_PATH];
    return GetPrivateProfileStringA(section, key, def != nullptr ? def : "", out, size,
                                    resolve(file, full));
}

bool writeProfileString(const char* section, const char* key, const char* value,
                        const char* file)
{
    char full[MAX_PATH];
    const char* path = resolve(file, full);
    // Windows leaves a read-only file alone; root running wine would not.
    const bool changes = section != nullptr || key != nullptr || value != nullptr;
    const DWORD attributes = path != nullptr ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (changes && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    return WritePrivateProfileStringA(section, key, value, path) != 0;
}
} // namespace platform

// The per-user settings store is the registry; handles are HKEYs.
#include <windows.h>

#include "platform/platform.h"

namespace platform {
const RegHandle kCurrentUser = reinterpret_cast<RegHandle>(HKEY_CURRENT_USER);

namespace {
HKEY asKey(RegHandle key)
{
    return reinterpret_cast<HKEY>(key);
}
} // namespace

long regOpenKey(RegHandle root, const char* subKey, std::uint32_t access, RegHandle* key)
{
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(asKey(root), subKey, 0, access, &opened);
    if (key != nullptr)
        *key = result == ERROR_SUCCESS ? reinterpret_cast<RegHandle>(opened) : 0;
    return result;
}

long regCreateKey(RegHandle root, const char* subKey, std::uint32_t access, RegHandle* key)
{
    HKEY opened = nullptr;
    const LONG result = RegCreateKeyExA(asKey(root), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access, nullptr, &opened, nullptr);
    if (key != nullptr)
        *key = result == ERROR_SUCCESS ? reinterpret_cast<RegHandle>(opened) : 0;
    return result;
}

long regQueryValue(RegHandle key, const char* name, void* data, std::uint32_t* size)
{
    if (size == nullptr)
        return ERROR_INVALID_PARAMETER;
    DWORD type = 0;
    DWORD length = *size;
    const LONG result = RegQueryValueExA(asKey(key), name, nullptr, &type,
                                         static_cast<BYTE*>(data), &length);
    if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA)
        *size = length;
    return result;
}

long regSetString(RegHandle key, const char* name, const void* data, std::uint32_t size)
{
    return RegSetValueExA(asKey(key), name, 0, REG_SZ, static_cast<const BYTE*>(data), size);
}

long regCloseKey(RegHandle key)
{
    return RegCloseKey(asKey(key));
}
// The registry keeps its keys in hives of its own, which no path reaches.
std::size_t regKeyFile(RegHandle, const char*, char* buffer, std::size_t size)
{
    if (buffer != nullptr && size > 0)
        buffer[0] = '\0';
    return 0;
}
} // namespace platform

// One per-user settings key, closed when the object goes away.
#pragma once

#include <cstdint>

#include "platform/platform.h"

class RegKey {
public:
    RegKey();
    virtual ~RegKey();

    // Closes any key held, then tries the access sequence; returns the new status.
    std::int32_t open(platform::RegHandle root, const char* subKey, int create);
    std::int32_t openUser(const char* subKey, int create);
    std::int32_t close();
    // Puts `def` into `out` (when given), then the value's text over it.
    // 0 on success, else a non-zero code. `out` must hold 256 bytes.
    std::int32_t queryString(const char* name, char* out, const char* def);
    // 0 when the value was set (on POSIX it reaches the file when the key
    // is closed), else a non-zero code.
    std::int32_t setString(const char* name, const char* value);

    platform::RegHandle root = 0;
    platform::RegHandle key = 0;
    const char* subKey = nullptr;
    std::int32_t status = -1; // 0 open, -1 not open, otherwise the last error
};

// The key that holds the warning lines.
inline constexpr char kSettingsSubKey[] = "Software\\Zarnek\\Wendrix";

#include "config/reg_key.h"

#include <cstring>

RegKey::RegKey() = default;

RegKey::~RegKey()
{
    close();
}

std::int32_t RegKey::open(platform::RegHandle rootKey, const char* path, int create)
{
    root = rootKey;
    subKey = path;
    close();

    // The widest access first; the last attempt asks for reading only, so a
    // key that may only be read still opens.
    constexpr std::uint32_t kReadWrite = platform::RegKeyRead | platform::RegKeySetValue;
    struct Attempt {
        bool creates;
        std::uint32_t access;
    };
    constexpr Attempt attempts[] = {
        {false, platform::RegKeyAllAccess}, {true, platform::RegKeyAllAccess},
        {false, kReadWrite},                {true, kReadWrite},
        {false, platform::RegKeyRead},
    };
    for (const Attempt& attempt : attempts) {
        if (attempt.creates && create == 0)
            continue;
        platform::RegHandle opened = 0;
        long result = attempt.creates ? platform::regCreateKey(rootKey, path, attempt.access, &opened)
                                      : platform::regOpenKey(rootKey, path, attempt.access, &opened);
        status = static_cast<std::int32_t>(result);
        if (result == platform::RegSuccess) {
            key = opened;
            break;
        }
    }
    return status;
}

std::int32_t RegKey::openUser(const char* path, int create)
{
    return open(platform::kCurrentUser, path, create);
}

std::int32_t RegKey::close()
{
    std::int32_t result = -1;
    if (status == 0)
        result = static_cast<std::int32_t>(platform::regCloseKey(key));
    status = -1;
    return result;
}

std::int32_t RegKey::queryString(const char* name, char* out, const char* def)
{
    if (out != nullptr) {
        // The default is cut to the 256 bytes that callers provide.
        const char* text = def != nullptr ? def : "";
        std::size_t length = 0;
        while (length < 255 && text[length] != '\0')
            ++length;
        std::memcpy(out, text, length);
        out[length] = '\0';
    }
    if (status != 0)
        return status;

    char buffer[256];
    std::uint32_t size = sizeof buffer;
    long result = platform::regQueryValue(key, name, buffer, &size);
    if (result != platform::RegSuccess)
        return static_cast<std::int32_t>(result);
    if (out != nullptr) {
        // The data ends at its first NUL, or at its size when it has none,
        // and never holds more than 255 characters.
        std::size_t length = size < sizeof buffer ? size : sizeof buffer - 1;
        const void* nul = std::memchr(buffer, '\0', length);
        if (nul != nullptr)
            length = static_cast<std::size_t>(static_cast<const char*>(nul) - buffer);
        std::memcpy(out, buffer, length);
        out[length] = '\0';
    }
    return 0;
}

std::int32_t RegKey::setString(const char* name, const char* value)
{
    if (status != 0)
        return status;
    if (value == nullptr)
        return platform::RegFileNotFound;
    return static_cast<std::int32_t>(
        platform::regSetString(key, name, value, static_cast<std::uint32_t>(std::strlen(value) + 1)));
}

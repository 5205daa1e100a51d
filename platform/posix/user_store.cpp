// The per-user settings store: registry keys below HKEY_CURRENT_USER become
// folders below $XDG_CONFIG_HOME (default ~/.config), with a leading
// "Software\" dropped, so "Software\Zarnek\Wendrix" is
// ~/.config/Zarnek/Wendrix. A key's values live in the file "values" in its
// folder. Values set through a handle are kept with the handle and written,
// in one replacement of the file, when the handle is closed: a run that sets
// seven lines rewrites the file once, not seven times.
//
// File format: the line "WendrixValues 1", then one record per value:
//   <name length>:<data length>:<checksum>:<name><data>\n
// with decimal lengths and the FNV-1a checksum of name and data in eight
// hexadecimal digits. Reading stops at the first record that does not check
// out, so a damaged file gives missing values, never wrong ones.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace platform {

const RegHandle kCurrentUser = 0x80000001u;

namespace {

constexpr long kInvalidHandle = 6;     // ERROR_INVALID_HANDLE
constexpr long kInvalidParameter = 87; // ERROR_INVALID_PARAMETER
constexpr long kWriteFault = 29;       // ERROR_WRITE_FAULT

constexpr std::uint32_t kQueryValue = 0x0001;
constexpr std::uint32_t kSetValue = 0x0002;
constexpr std::uint32_t kCreateSubKey = 0x0004;
constexpr std::uint32_t kEnumerateSubKeys = 0x0008;

constexpr char kHeader[] = "WendrixValues 1\n";
constexpr char kValuesFile[] = "values";
constexpr std::size_t kLargestStore = 16u * 1024 * 1024;

using Values = std::vector<std::pair<std::string, std::string>>;

struct OpenKey {
    std::string folder;
    bool canRead = false;
    bool canWrite = false;
    Values changes; // set through this handle, not yet in the file
};

struct Handles {
    std::map<RegHandle, OpenKey> keys;
    RegHandle next = 0x1000;
};

Handles& handles()
{
    static Handles table;
    return table;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

std::uint32_t checksum(std::string_view name, std::string_view data)
{
    std::uint32_t hash = 2166136261u;
    for (std::string_view part : {name, data}) {
        for (char c : part) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 16777619u;
        }
    }
    return hash;
}

// The folder that holds HKEY_CURRENT_USER\Software.
std::string storeBase()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return config;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* user = ::getpwuid(::getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/')
        return {};
    return std::string(home) + "/.config";
}

long mapErrno(int error)
{
    return (error == ENOENT || error == ENOTDIR) ? RegFileNotFound : RegAccessDenied;
}

// Turns root + sub-key into a folder, keeping the parts of the sub-key as
// they are (one folder per part).
long folderFor(RegHandle root, const char* subKey, std::string& folder)
{
    std::string_view rest = subKey != nullptr ? subKey : "";
    if (root == kCurrentUser) {
        folder = storeBase();
        if (folder.empty())
            return RegFileNotFound;
        constexpr std::string_view software = "Software";
        if (rest.size() >= software.size() && sameName(rest.substr(0, software.size()), software) &&
            (rest.size() == software.size() || rest[software.size()] == '\\'))
            rest.remove_prefix(software.size());
    } else {
        auto found = handles().keys.find(root);
        if (found == handles().keys.end())
            return kInvalidHandle;
        folder = found->second.folder;
    }
    while (!rest.empty()) {
        std::size_t cut = rest.find('\\');
        std::string_view part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
        if (part.empty())
            continue;
        if (part == "." || part == ".." || part.find('/') != std::string_view::npos)
            return kInvalidParameter;
        folder += '/';
        folder += part;
    }
    return RegSuccess;
}

std::string valuesPath(const std::string& folder)
{
    return folder + "/" + kValuesFile;
}

// Checks the rights that `access` asks for and, when they are granted,
// hands out a new handle.
long openFolder(const std::string& folder, std::uint32_t access, RegHandle* key)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return mapErrno(errno);
    if (!S_ISDIR(info.st_mode))
        return RegFileNotFound;
    const std::string values = valuesPath(folder);
    const bool valuesExist = ::access(values.c_str(), F_OK) == 0;
    OpenKey open;
    open.folder = folder;
    open.canRead = (access & (kQueryValue | kEnumerateSubKeys)) != 0;
    open.canWrite = (access & (kSetValue | kCreateSubKey)) != 0;
    if (open.canRead && (::access(folder.c_str(), R_OK | X_OK) != 0 ||
                         (valuesExist && ::access(values.c_str(), R_OK) != 0)))
        return RegAccessDenied;
    // Values are replaced by renaming a new file into the folder.
    if (open.canWrite && (::access(folder.c_str(), W_OK | X_OK) != 0 ||
                          (valuesExist && ::access(values.c_str(), W_OK) != 0)))
        return RegAccessDenied;
    Handles& table = handles();
    RegHandle handle = table.next++;
    table.keys[handle] = open;
    *key = handle;
    return RegSuccess;
}

bool readDecimal(std::string_view& text, std::size_t limit, std::size_t& number)
{
    number = 0;
    std::size_t digits = 0;
    while (!text.empty() && text.front() >= '0' && text.front() <= '9') {
        number = number * 10 + static_cast<std::size_t>(text.front() - '0');
        text.remove_prefix(1);
        if (++digits > 9 || number > limit)
            return false;
    }
    if (digits == 0 || text.empty() || text.front() != ':')
        return false;
    text.remove_prefix(1);
    return true;
}

Values loadValues(const std::string& folder)
{
    Values values;
    // Non-blocking, so that a FIFO in the file's place is turned away by the
    // type check instead of waiting for a writer.
    int fd = ::open(valuesPath(folder).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return values;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return values;
    }
    std::string content;
    char chunk[65536];
    while (content.size() <= kLargestStore) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        content.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (content.size() > kLargestStore)
        return values;

    std::string_view text = content;
    if (text.substr(0, sizeof kHeader - 1) != kHeader)
        return values;
    text.remove_prefix(sizeof kHeader - 1);
    while (!text.empty()) {
        std::size_t nameLength = 0;
        std::size_t dataLength = 0;
        if (!readDecimal(text, text.size(), nameLength) || !readDecimal(text, text.size(), dataLength))
            break;
        if (text.size() < 9 || text[8] != ':')
            break;
        char* end = nullptr;
        std::string hex(text.substr(0, 8));
        unsigned long expected = std::strtoul(hex.c_str(), &end, 16);
        if (end != hex.c_str() + 8)
            break;
        text.remove_prefix(9);
        if (text.size() < nameLength + dataLength + 1 || text[nameLength + dataLength] != '\n')
            break;
        std::string_view name = text.substr(0, nameLength);
        std::string_view data = text.substr(nameLength, dataLength);
        if (checksum(name, data) != expected)
            break;
        values.emplace_back(name, data);
        text.remove_prefix(nameLength + dataLength + 1);
    }
    return values;
}

long saveValues(const std::string& folder, const Values& values)
{
    std::string content = kHeader;
    for (const auto& [name, data] : values) {
        char head[64];
        std::snprintf(head, sizeof head, "%zu:%zu:%08x:", name.size(), data.size(),
                      static_cast<unsigned>(checksum(name, data)));
        content += head;
        content += name;
        content += data;
        content += '\n';
    }
    const std::string target = valuesPath(folder);
    switch (writeWholeFile(target.c_str(), content.data(), content.size(), true)) {
    case WriteResult::Written:
        return RegSuccess;
    case WriteResult::Refused:
        return RegAccessDenied;
    case WriteResult::Failed:
        break;
    }
    return kWriteFault;
}

// Puts `data` under `name`, replacing a value of that name.
void putValue(Values& values, std::string_view name, const std::string& data)
{
    for (auto& [valueName, stored] : values) {
        if (sameName(valueName, name)) {
            stored = data;
            return;
        }
    }
    values.emplace_back(std::string(name), data);
}

// The key's values as this handle sees them: the file, then its own changes.
Values currentValues(const OpenKey& open)
{
    Values values = loadValues(open.folder);
    for (const auto& [name, data] : open.changes)
        putValue(values, name, data);
    return values;
}

long makeFolders(const std::string& folder)
{
    // Every missing folder on the way is created, as RegCreateKeyEx creates
    // missing parent keys.
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            int error = errno;
            struct stat info {};
            if (::stat(part.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
                return error == ENOENT ? RegFileNotFound : RegAccessDenied;
        }
        if (slash == std::string::npos)
            return RegSuccess;
    }
}

} // namespace

long regOpenKey(RegHandle root, const char* subKey, std::uint32_t access, RegHandle* key)
{
    if (key == nullptr)
        return kInvalidParameter;
    *key = 0;
    std::string folder;
    long result = folderFor(root, subKey, folder);
    return result != RegSuccess ? result : openFolder(folder, access, key);
}

long regCreateKey(RegHandle root, const char* subKey, std::uint32_t access, RegHandle* key)
{
    if (key == nullptr)
        return kInvalidParameter;
    *key = 0;
    std::string folder;
    long result = folderFor(root, subKey, folder);
    if (result == RegSuccess)
        result = makeFolders(folder);
    return result != RegSuccess ? result : openFolder(folder, access, key);
}

long regQueryValue(RegHandle key, const char* name, void* data, std::uint32_t* size)
{
    auto found = handles().keys.find(key);
    if (found == handles().keys.end())
        return kInvalidHandle;
    if (!found->second.canRead)
        return RegAccessDenied;
    if (data != nullptr && size == nullptr)
        return kInvalidParameter;
    const std::string_view wanted = name != nullptr ? name : "";
    for (const auto& [valueName, bytes] : currentValues(found->second)) {
        if (!sameName(valueName, wanted))
            continue;
        const auto length = static_cast<std::uint32_t>(bytes.size());
        if (data != nullptr && length > *size) {
            *size = length;
            return RegMoreData;
        }
        if (data != nullptr)
            std::memcpy(data, bytes.data(), length);
        if (size != nullptr)
            *size = length;
        return RegSuccess;
    }
    return RegFileNotFound;
}

long regSetString(RegHandle key, const char* name, const void* data, std::uint32_t size)
{
    auto found = handles().keys.find(key);
    if (found == handles().keys.end())
        return kInvalidHandle;
    if (!found->second.canWrite)
        return RegAccessDenied;
    if (data == nullptr && size != 0)
        return kInvalidParameter;
    const std::string_view wanted = name != nullptr ? name : "";
    putValue(found->second.changes, wanted,
             size != 0 ? std::string(static_cast<const char*>(data), size) : std::string());
    return RegSuccess;
}

long regCloseKey(RegHandle key)
{
    if (key == kCurrentUser)
        return RegSuccess;
    auto found = handles().keys.find(key);
    if (found == handles().keys.end())
        return kInvalidHandle;
    long result = RegSuccess;
    // The file is read again here, so values that another handle or program
    // stored in the meantime are kept; only this handle's changes are applied.
    if (!found->second.changes.empty())
        result = saveValues(found->second.folder, currentValues(found->second));
    handles().keys.erase(found);
    return result;
}

std::size_t regKeyFile(RegHandle root, const char* subKey, char* buffer, std::size_t size)
{
    if (buffer == nullptr || size == 0)
        return 0;
    buffer[0] = '\0';
    std::string folder;
    if (folderFor(root, subKey, folder) != RegSuccess)
        return 0;
    const std::string values = valuesPath(folder);
    if (values.size() >= size)
        return 0; // a cut name would be some other file
    std::memcpy(buffer, values.c_str(), values.size() + 1);
    return values.size();
}

} // namespace platform

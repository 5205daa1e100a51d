// Profile (INI) files as GetPrivateProfileStringA / WritePrivateProfileStringA
// read and write them. Every call looks at the file on disk: a read of one
// key uses the file last taken apart only while it is unchanged there.
//
// Reads give what the Win32 functions give, byte for byte. Writes leave the
// same values to read, but where Windows rewrites the whole file, a write
// here changes only the line of its key (or adds one), so comments, blank
// lines and line ends elsewhere stay as the user wrote them. A write never
// truncates the file: the new text goes to a file beside it that then
// replaces it. A value is written up to its first line break, so that it
// cannot add lines of its own.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/posix/ini_cache.h"
#include "platform/posix/ini_file.h"

namespace platform {
namespace {

// Larger files are not taken for profile files: reads give the default and
// writes are refused rather than loading an arbitrary amount into memory.
constexpr off_t kLargestFile = off_t{256} * 1024 * 1024;

enum class Load { Ok, Missing, Failed };

Load loadFile(const char* path, std::string& text, struct stat& info)
{
    text.clear();
    // Non-blocking, so that a FIFO in the file's place is refused by the type
    // check below instead of waiting for a writer.
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? Load::Missing : Load::Failed;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kLargestFile) {
        ::close(fd);
        return Load::Failed;
    }
    text.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (true) {
        if (got == text.size())
            text.resize(got + 4096); // the file may have grown since fstat
        ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || got + static_cast<std::size_t>(n) > static_cast<std::size_t>(kLargestFile)) {
            ::close(fd);
            text.clear();
            return Load::Failed;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    return Load::Ok;
}

// The default loses its trailing blanks, but its first character stays.
std::string_view trimDefault(const char* def)
{
    std::string_view text = def ? std::string_view(def) : std::string_view();
    while (text.size() > 1 && ini::isBlank(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool holdsLineBreak(const char* text)
{
    return std::strpbrk(text, "\r\n") != nullptr;
}

// A list of names for a request without a section or without a key: each
// name ends with a NUL and the list with one more. When the buffer is too
// small the last name is cut and the count is size - 2. The filling follows
// the Win32 functions byte for byte: the wide-character reply is built
// first and its first `count` characters are then copied and terminated.
std::uint32_t copySectionList(const std::vector<std::string>& names, char* out, std::uint32_t size)
{
    std::string wide(size, '\0');
    std::size_t at = 0;
    std::size_t room = size - 1;
    std::uint32_t count = 0;
    bool cut = false;
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    for (const std::string& name : names) {
        const std::size_t needed = name.size() + 1;
        if (needed >= room) {
            if (room > 0) {
                wide.replace(at, room - 1, name, 0, room - 1);
                at += room - 1;
                wide[at++] = '\0';
            }
            cut = true;
            break;
        }
        wide.replace(at, needed - 1, name);
        at += needed;
        room -= needed;
    }
    count = cut ? size - 2 : static_cast<std::uint32_t>(at);
    std::copy_n(wide.data(), count, out);
    out[count] = '\0';
    return count;
}

// The key list; nullopt when nothing was listed and the default applies.
std::optional<std::uint32_t> copyKeyList(const std::vector<std::string>& names, char* out,
                                         std::uint32_t size)
{
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    std::string wide(size + 1, '\0');
    std::size_t at = 0;
    std::size_t room = size;
    for (const std::string& name : names) {
        if (room <= 2)
            break;
        const std::size_t copied = std::min(name.size(), room - 2);
        wide.replace(at, copied, name, 0, copied);
        wide[at + copied] = '\0';
        at += copied + 1;
        room -= copied + 1;
        if (room < 2)
            break;
    }
    std::uint32_t count = static_cast<std::uint32_t>(size - room);
    if (room <= 1) {
        wide[at - 1] = '\0';
        count = size - 2;
    }
    if (wide[0] == '\0')
        return std::nullopt;
    std::copy_n(wide.data(), count, out);
    out[count] = '\0';
    return count;
}

// The file whose keys were read last. Reading a list of N keys would
// otherwise read and take apart the whole file N times.
std::mutex parsedMutex;
std::unique_ptr<ini::ParsedFile> parsed;

void dropParsed()
{
    std::lock_guard<std::mutex> lock(parsedMutex);
    parsed.reset();
}

// The value of `key` in `section` through the kept file, brought up to
// date first. Nothing when the file is not a regular file that could be read.
std::optional<std::uint32_t> readThroughParsed(const char* section, const char* key,
                                               const char* def, char* out, std::uint32_t size,
                                               const char* file)
{
    struct stat now {};
    if (::stat(file, &now) != 0 || !S_ISREG(now.st_mode))
        return std::nullopt;
    std::lock_guard<std::mutex> lock(parsedMutex);
    if (!parsed || !parsed->unchanged(file, now)) {
        parsed.reset();
        std::string text;
        struct stat info {};
        if (loadFile(file, text, info) != Load::Ok)
            return std::nullopt;
        parsed = std::make_unique<ini::ParsedFile>(file, std::move(text), info);
    }
    const std::size_t found = parsed->find(section, key);
    // A key line without '=' counts as a missing key.
    if (found != ini::npos && parsed->lines()[found].hasValue) {
        const ini::Line& line = parsed->lines()[found];
        return ini::copyValue(ini::fromFile(ini::cutAtNul(line.value), parsed->format()), out, size);
    }
    return ini::copyValue(trimDefault(def), out, size);
}

} // namespace

std::uint32_t getProfileString(const char* section, const char* key, const char* def,
                               char* out, std::uint32_t size, const char* file)
{
    if (out == nullptr || size == 0)
        return 0;
    if (section != nullptr && key != nullptr && file != nullptr) {
        if (const auto copied = readThroughParsed(section, key, def, out, size, file))
            return *copied;
    }
    std::string text;
    struct stat info {};
    const bool loaded = file != nullptr && loadFile(file, text, info) == Load::Ok;
    const ini::Format format = loaded ? ini::detectFormat(text) : ini::Format{};
    if (section == nullptr || key == nullptr) {
        std::vector<ini::Line> lines;
        if (loaded && !format.utf16)
            lines = ini::parse(text, format.start);
        if (section == nullptr)
            return copySectionList(ini::sectionNames(lines, format), out, size);
        bool found = false;
        const std::vector<std::string> keys = ini::keyNames(lines, section, format, found);
        if (const auto count = copyKeyList(keys, out, size))
            return *count;
        return ini::copyValue(trimDefault(def), out, size);
    }
    if (loaded) {
        if (!format.utf16) {
            const std::vector<ini::Line> lines = ini::parse(text, format.start);
            const std::size_t found =
                ini::findKey(lines, ini::findSection(lines, section, format), key, format);
            // A key line without '=' counts as a missing key.
            if (found != ini::npos && lines[found].hasValue) {
                const std::string value = ini::fromFile(ini::cutAtNul(lines[found].value), format);
                return ini::copyValue(value, out, size);
            }
        }
    }
    return ini::copyValue(trimDefault(def), out, size);
}

bool writeProfileString(const char* section, const char* key, const char* value,
                        const char* file)
{
    if (file == nullptr || *file == '\0')
        return false;
    // Every write drops the kept file; with all three null that is all it does.
    dropParsed();
    if (section == nullptr && key == nullptr && value == nullptr)
        return true;
    if (section == nullptr)
        return false;
    // A name with a line break would make lines of its own; refuse it.
    if (holdsLineBreak(section) || (key != nullptr && holdsLineBreak(key)))
        return false;

    // A symbolic link stays a link: the file it leads to is the one replaced.
    std::string target = file;
    struct stat link {};
    if (::lstat(file, &link) == 0 && S_ISLNK(link.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(file, resolved) == nullptr)
            return false;
        target = resolved;
    }
    file = target.c_str();

    std::string text;
    struct stat info {};
    Load load = loadFile(file, text, info);
    if (load == Load::Failed)
        return false;
    // 8-bit lines added to UTF-16 text would damage the file.
    const ini::Format format = ini::detectFormat(text);
    if (format.utf16)
        return false;

    bool changed;
    if (key == nullptr) {
        changed = ini::removeSection(text, format, section);
    } else if (value == nullptr) {
        changed = ini::removeKey(text, format, section, key);
    } else {
        // Only the first line of a value is written, so that a value never
        // adds lines (or sections) of its own to the file.
        std::string_view line(value);
        line = line.substr(0, line.find_first_of("\r\n"));
        changed = ini::setValue(text, format, section, key, line);
    }
    if (!changed)
        return true;

    // The file is either the old one or the new one, never a part of it.
    return writeWholeFile(file, text.data(), text.size()) == WriteResult::Written;
}

} // namespace platform

// Files on POSIX. Win32 share modes are imitated with advisory flock locks:
// readers hold a shared lock, writers an exclusive one, and an open that
// would conflict with a lock held elsewhere fails as CreateFileA would.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/file_steps.h"
#include "platform/platform.h"

namespace platform {
namespace {

int fdOf(FileHandle file)
{
    return static_cast<int>(file);
}

int openRetrying(const char* path, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

bool lockOrClose(int fd, int operation)
{
    int rc;
    do
        rc = ::flock(fd, operation | LOCK_NB);
    while (rc < 0 && errno == EINTR);
    if (rc == 0)
        return true;
    ::close(fd);
    return false;
}

// A file that nobody may write is treated as read-only for everyone, root
// included, as the read-only attribute is on Windows.
bool isWriteProtected(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

bool isRegularFile(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

constexpr char kTempPrefix[] = ".wendrix-";
constexpr char kTempSuffix[] = ".tmp";

// The process that wrote a temporary file of ours, from its name
// ".wendrix-<pid>-<n>.tmp"; 0 when the name is not of that form.
pid_t writerOf(const char* name)
{
    long pid = 0;
    unsigned number = 0;
    int end = 0;
    if (std::sscanf(name, ".wendrix-%ld-%u.tmp%n", &pid, &number, &end) != 2 ||
        name[end] != '\0' || pid <= 0)
        return 0;
    return static_cast<pid_t>(pid);
}

// Removes the temporary files in the folder of `target` that a process which
// no longer exists left behind (a run killed outright). A file still locked
// belongs to a live writer, whatever its PID says (another PID namespace).
void removeStaleTemps(const char* target, std::size_t folderLength)
{
    char folder[4096];
    if (folderLength >= sizeof folder)
        return;
    if (folderLength == 0) {
        std::strcpy(folder, ".");
    } else {
        std::memcpy(folder, target, folderLength);
        folder[folderLength] = '\0';
    }
    DIR* dir = ::opendir(folder);
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t writer = writerOf(entry->d_name);
        if (writer == 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH)
            continue;
        // Only a plain file of that name is ours: a link with such a name is
        // the owner's, and neither it nor what it leads to is touched.
        struct stat named;
        if (::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode))
            continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        // The name must still be the file that was opened and locked when it
        // is removed.
        struct stat opened;
        struct stat again;
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &again, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(again.st_mode) &&
            again.st_dev == opened.st_dev && again.st_ino == opened.st_ino)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace

FileHandle openForReading(const char* path)
{
    if (!path || !*path)
        return kClosedFile;
    // Non-blocking, so that a FIFO is turned away below instead of waiting
    // for a writer; the flag changes nothing for a plain file.
    const int fd = openRetrying(path, O_RDONLY | O_NONBLOCK | O_NOCTTY, 0);
    if (fd < 0)
        return kClosedFile;
    // A folder or a FIFO opens for reading on POSIX but is no file to read.
    if (!isRegularFile(fd)) {
        ::close(fd);
        return kClosedFile;
    }
    if (!lockOrClose(fd, LOCK_SH))
        return kClosedFile;
    return fd;
}

FileHandle openExclusive(const char* path, bool truncate)
{
    if (!path || !*path)
        return kClosedFile;
    // Never through a link, and never waiting on a FIFO: only a plain file
    // of this very name is written.
    const int fd = openRetrying(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd < 0)
        return kClosedFile;
    if (!isRegularFile(fd) || isWriteProtected(fd)) {
        ::close(fd);
        return kClosedFile;
    }
    if (!lockOrClose(fd, LOCK_EX))
        return kClosedFile;
    if (truncate && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return kClosedFile;
    }
    return fd;
}

// Readers ask for a shared lock, which the exclusive one refuses, so a file
// being written is never read half done. Advisory locks cannot let other
// writers in while keeping readers out, so this is the log's exclusive open.
FileHandle createForWriting(const char* path)
{
    return openExclusive(path, true);
}

FileHandle createTempBeside(const char* target, char* tempPath, std::size_t tempPathSize)
{
    if (!target || !*target || !tempPath || tempPathSize == 0)
        return kClosedFile;
    tempPath[0] = '\0';

    // The folder part of the target, slash included; empty for a bare name.
    const char* slash = std::strrchr(target, '/');
    const std::size_t folderLength = slash ? static_cast<std::size_t>(slash - target) + 1 : 0;
    removeStaleTemps(target, folderLength);

    // A replaced file keeps the permission bits of the file it replaces, but
    // never its setuid, setgid or sticky bit; a new one gets 0666 less the
    // umask, as open() gives it. The file is made 0600 and only then given
    // its mode, so nobody else can open it in between.
    struct stat st;
    const bool replacing = ::stat(target, &st) == 0 && S_ISREG(st.st_mode);
    const mode_t mode = replacing ? (st.st_mode & 0777) : (0666 & ~currentUmask());

    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int written = std::snprintf(tempPath, tempPathSize, "%.*s%s%ld-%u%s",
                                          static_cast<int>(folderLength), target, kTempPrefix,
                                          static_cast<long>(::getpid()), counter++, kTempSuffix);
        if (written < 0 || static_cast<std::size_t>(written) >= tempPathSize ||
            !noteTempFile(tempPath)) {
            tempPath[0] = '\0';
            return kClosedFile;
        }
        const int fd = openRetrying(tempPath, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            if (::fchmod(fd, mode) != 0) {
                ::close(fd);
                deleteFile(tempPath);
                tempPath[0] = '\0';
                return kClosedFile;
            }
            if (!lockOrClose(fd, LOCK_EX)) {
                deleteFile(tempPath);
                tempPath[0] = '\0';
                return kClosedFile;
            }
            return fd;
        }
        const int error = errno;
        forgetTempFile(tempPath);
        if (error != EEXIST) {
            tempPath[0] = '\0';
            return kClosedFile;
        }
    }
    tempPath[0] = '\0';
    return kClosedFile;
}

namespace {
// A target the replace may take the name of: a plain file someone may write.
bool mayReplace(const struct stat& st)
{
    return S_ISREG(st.st_mode) && (st.st_mode & 0222) != 0;
}

// Opens the existing target of a replacement to check it and keep others out
// while it is replaced: -1 with `refused` when it is no regular file, is
// write-protected or is held by another program; -1 alone when it does not
// exist. Opening is non-blocking, so a FIFO never stalls the caller,
// and a FIFO or device is not opened at all once stat has named it.
int holdTarget(const char* path, bool& refused)
{
    refused = false;
    struct stat st;
    if (::stat(path, &st) != 0) {
        // A link to nowhere is replaced by the new file like a missing one;
        // anything else that cannot be looked at is refused.
        refused = errno != ENOENT;
        return -1;
    }
    refused = true;
    if (!mayReplace(st))
        return -1;
    const int fd = openRetrying(path, O_WRONLY | O_NONBLOCK | O_NOCTTY, 0);
    if (fd < 0)
        return -1;
    if (!isRegularFile(fd) || isWriteProtected(fd)) {
        ::close(fd);
        return -1;
    }
    if (!lockOrClose(fd, LOCK_EX))
        return -1;
    refused = false;
    return fd;
}

// How much of a file is written before its writing to the device begins.
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;
} // namespace

WriteResult writeWholeFile(const char* path, const void* data, std::size_t size, bool privateFile)
{
    if (!path || !*path || (!data && size > 0))
        return WriteResult::Failed;
    bool refused = false;
    const int target = holdTarget(path, refused);
    if (refused)
        return WriteResult::Refused;

    char tempPath[4200];
    const FileHandle file = createTempBeside(path, tempPath, sizeof tempPath);
    bool ok = file != kClosedFile;
    if (ok && privateFile)
        ok = ::fchmod(fdOf(file), 0600) == 0;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (ok && done < size) {
        const std::size_t chunk = std::min<std::size_t>(size - done, kWriteChunk);
        const std::uint32_t put = writeFile(file, bytes + done, static_cast<std::uint32_t>(chunk));
        ok = put > 0;
#ifdef SYNC_FILE_RANGE_WRITE
        // The device starts on this part while the next one is written, so
        // the flush below has less left to wait for. It only starts the
        // writing; the flush still makes it durable.
        if (ok)
            ::sync_file_range(fdOf(file), static_cast<off_t>(done), put, SYNC_FILE_RANGE_WRITE);
#endif
        done += put;
    }
    // The new bytes reach the device before the rename publishes them: a
    // crash after the rename must not leave a file of zeros in its place.
    ok = ok && flushFile(file);
    closeFile(file);
    // The old file stays locked until the new one has taken its name, so no
    // reader sees the target between the two.
    if (ok)
        file_steps::report(FileStep::Renaming, kClosedFile, tempPath, path);
    ok = ok && ::rename(tempPath, path) == 0;
    if (ok)
        forgetTempFile(tempPath);
    else if (file != kClosedFile)
        deleteFile(tempPath);
    if (target >= 0)
        ::close(target);
    return ok ? WriteResult::Written : WriteResult::Failed;
}

bool canWriteWholeFile(const char* path)
{
    if (!path || !*path)
        return false;
    // The checks of holdTarget, without opening anything.
    struct stat st;
    if (::stat(path, &st) == 0) {
        if (!mayReplace(st) || ::access(path, W_OK) != 0)
            return false;
    } else if (errno != ENOENT) {
        return false;
    }
    // The temporary file is made beside the target, then renamed.
    const char* slash = std::strrchr(path, '/');
    const std::string folder = !slash ? std::string(".") : slash == path ? std::string("/") : std::string(path, slash);
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::uint32_t fileSize(FileHandle file)
{
    struct stat st;
    if (file == kClosedFile || ::fstat(fdOf(file), &st) != 0 || st.st_size < 0)
        return 0xFFFFFFFFu;
    // Like GetFileSize: the low 32 bits.
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(st.st_size) & 0xFFFFFFFFu);
}

std::uint64_t fileLength(FileHandle file)
{
    struct stat st;
    if (file == kClosedFile || ::fstat(fdOf(file), &st) != 0 || st.st_size < 0)
        return UINT64_MAX;
    return static_cast<std::uint64_t>(st.st_size);
}

bool seekToEnd(FileHandle file)
{
    return file != kClosedFile && ::lseek(fdOf(file), 0, SEEK_END) >= 0;
}

std::uint32_t readFile(FileHandle file, void* buffer, std::uint32_t size)
{
    if (file == kClosedFile || size == 0)
        return 0;
    ssize_t got;
    do
        got = ::read(fdOf(file), buffer, size);
    while (got < 0 && errno == EINTR);
    return got > 0 ? static_cast<std::uint32_t>(got) : 0;
}

std::uint32_t writeFile(FileHandle file, const void* buffer, std::uint32_t size)
{
    if (file == kClosedFile || size == 0)
        return 0;
    ssize_t put;
    do
        put = ::write(fdOf(file), buffer, size);
    while (put < 0 && errno == EINTR);
    return put > 0 ? static_cast<std::uint32_t>(put) : 0;
}

bool flushFile(FileHandle file)
{
    if (file == kClosedFile || ::fsync(fdOf(file)) != 0)
        return false;
    file_steps::report(FileStep::Flushed, file);
    return true;
}

void closeFile(FileHandle file)
{
    // Closing releases the flock as well. close() is not retried on EINTR:
    // the descriptor is gone either way on Linux.
    if (file != kClosedFile)
        ::close(fdOf(file));
}

bool deleteFile(const char* path)
{
    if (!path || !*path)
        return false;
    const bool deleted = ::unlink(path) == 0;
    forgetTempFile(path);
    return deleted;
}

bool moveFile(const char* from, const char* to)
{
    if (!from || !*from || !to || !*to)
        return false;
    file_steps::report(FileStep::Renaming, kClosedFile, from, to);
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without RENAME_NOREPLACE: link refuses an existing target.
    if (::link(from, to) != 0)
        return false;
    ::unlink(from);
    return true;
}

bool replaceFile(const char* from, const char* to)
{
    if (!from || !*from || !to || !*to)
        return false;
    // rename() looks only at the folder, not at the file it replaces. A
    // target that is write-protected or held by another program is kept, as
    // MoveFileEx keeps a read-only or open file on Windows.
    bool refused = false;
    const int target = holdTarget(to, refused);
    if (refused)
        return false;
    file_steps::report(FileStep::Renaming, kClosedFile, from, to);
    const bool moved = ::rename(from, to) == 0;
    if (moved)
        forgetTempFile(from);
    if (target >= 0)
        ::close(target);
    return moved;
}

bool fileExists(const char* path)
{
    struct stat st;
    return path && *path && ::stat(path, &st) == 0;
}

bool isLink(const char* path)
{
    struct stat st;
    return path && *path && ::lstat(path, &st) == 0 && S_ISLNK(st.st_mode);
}

bool folderNames(const std::string& folder, std::vector<std::string>& names)
{
    names.clear();
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    ::closedir(dir);
    return true;
}

namespace {
LockResult takeLock(const char* path, bool wait, FileHandle* lock, int operation)
{
    *lock = kClosedFile;
    if (!path || !*path)
        return LockResult::Unavailable;
    // A lock file that is there already serves even in a folder or as a
    // user that cannot write it: flock needs only a descriptor. No link is
    // followed and no FIFO waited on; what opens must be a plain file.
    constexpr int kSafe = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    const int create = operation == LOCK_EX ? O_CREAT : 0;
    int fd = openRetrying(path, O_RDWR | create | kSafe, 0666);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EISDIR))
        fd = openRetrying(path, O_RDONLY | kSafe, 0);
    if (fd < 0 || !isRegularFile(fd)) {
        struct stat st;
        const bool taken = ::lstat(path, &st) == 0 && !S_ISREG(st.st_mode);
        if (fd >= 0)
            ::close(fd);
        return taken ? LockResult::NotAFile : LockResult::Unavailable;
    }
    int rc;
    do
        rc = ::flock(fd, operation | (wait ? 0 : LOCK_NB));
    while (rc < 0 && errno == EINTR);
    if (rc != 0) {
        const bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return busy ? LockResult::Busy : LockResult::Unavailable;
    }
    *lock = fd;
    return LockResult::Held;
}
} // namespace

LockResult lockFile(const char* path, bool wait, FileHandle* lock)
{
    return takeLock(path, wait, lock, LOCK_EX);
}

LockResult lockFileShared(const char* path, bool wait, FileHandle* lock)
{
    return takeLock(path, wait, lock, LOCK_SH);
}

bool sameFile(const char* a, const char* b)
{
    if (!a || !*a || !b || !*b)
        return false;
    struct stat first;
    struct stat second;
    if (::stat(a, &first) == 0 && ::stat(b, &second) == 0)
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    // A missing file is named by the real path of the folders that exist
    // and the normalised rest.
    std::error_code error;
    const auto fullPath = [&error](const char* path) {
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        return error ? absolute : std::filesystem::weakly_canonical(absolute, error);
    };
    const std::filesystem::path full = fullPath(a);
    if (error)
        return false;
    const std::filesystem::path other = fullPath(b);
    return !error && full == other;
}

} // namespace platform

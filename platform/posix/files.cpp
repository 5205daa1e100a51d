// Files on POSIX. Win32 share modes are imitated with advisory flock locks:
// readers hold a shared lock, writers an exclusive one, and an open that
// would conflict with a lock held elsewhere fails as CreateFileA would.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

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

} // namespace

FileHandle openForReading(const char* path)
{
    if (!path || !*path)
        return kClosedFile;
    const int fd = openRetrying(path, O_RDONLY, 0);
    if (fd < 0)
        return kClosedFile;
    // A folder opens for reading on POSIX but is no file to read.
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
    const int fd = openRetrying(path, O_WRONLY | O_CREAT, 0666);
    if (fd < 0)
        return kClosedFile;
    if (isWriteProtected(fd)) {
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

    // A replaced file keeps the permission bits of the file it replaces.
    mode_t mode = 0666;
    struct stat st;
    if (::stat(target, &st) == 0 && S_ISREG(st.st_mode))
        mode = st.st_mode & 07777;

    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int written = std::snprintf(tempPath, tempPathSize, "%.*s.wendrix-%ld-%u.tmp",
                                          static_cast<int>(folderLength), target,
                                          static_cast<long>(::getpid()), counter++);
        if (written < 0 || static_cast<std::size_t>(written) >= tempPathSize) {
            tempPath[0] = '\0';
            return kClosedFile;
        }
        const int fd = openRetrying(tempPath, O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd >= 0) {
            ::fchmod(fd, mode);
            if (!lockOrClose(fd, LOCK_EX)) {
                ::unlink(tempPath);
                tempPath[0] = '\0';
                return kClosedFile;
            }
            return fd;
        }
        if (errno != EEXIST) {
            tempPath[0] = '\0';
            return kClosedFile;
        }
    }
    tempPath[0] = '\0';
    return kClosedFile;
}

std::uint32_t fileSize(FileHandle file)
{
    struct stat st;
    if (file == kClosedFile || ::fstat(fdOf(file), &st) != 0 || st.st_size < 0)
        return 0xFFFFFFFFu;
    // Like GetFileSize: the low 32 bits.
    return static_cast<std::uint32_t>(static_cast<unsigned long long>(st.st_size) & 0xFFFFFFFFu);
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
    return file != kClosedFile && ::fsync(fdOf(file)) == 0;
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
    return path && *path && ::unlink(path) == 0;
}

bool moveFile(const char* from, const char* to)
{
    if (!from || !*from || !to || !*to)
        return false;
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
    if (fileExists(to)) {
        const FileHandle target = openExclusive(to, false);
        if (target == kClosedFile)
            return false;
        closeFile(target);
    }
    return ::rename(from, to) == 0;
}

bool fileExists(const char* path)
{
    struct stat st;
    return path && *path && ::stat(path, &st) == 0;
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

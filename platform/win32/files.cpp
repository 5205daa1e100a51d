// Files through the Win32 file API. A FileHandle is the HANDLE itself, so
// kClosedFile (-1) is INVALID_HANDLE_VALUE.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace platform {
namespace {
HANDLE asHandle(FileHandle file)
{
    return reinterpret_cast<HANDLE>(file);
}

FileHandle asFile(HANDLE handle)
{
    return reinterpret_cast<FileHandle>(handle);
}

FileHandle create(const char* path, DWORD access, DWORD share, DWORD disposition)
{
    if (path == nullptr)
        return kClosedFile;
    return asFile(CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
}

// Windows refuses to write a file with the read-only attribute; root running
// wine does not, so the attribute is checked here as well.
bool readOnly(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Length of the folder part of `path`, including its last separator; 0 when
// the name has no folder.
std::size_t folderLength(const char* path)
{
    std::size_t length = 0;
    for (std::size_t i = 0; path[i] != '\0'; ++i)
        if (path[i] == '\\' || path[i] == '/' || (i == 1 && path[i] == ':'))
            length = i + 1;
    return length;
}
} // namespace

FileHandle openForReading(const char* path)
{
    return create(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

FileHandle createForWriting(const char* path)
{
    if (path == nullptr || readOnly(path))
        return kClosedFile;
    return create(path, GENERIC_WRITE, FILE_SHARE_WRITE, CREATE_ALWAYS);
}

FileHandle openExclusive(const char* path, bool truncate)
{
    if (path == nullptr || readOnly(path))
        return kClosedFile;
    return create(path, GENERIC_WRITE, 0, truncate ? CREATE_ALWAYS : OPEN_ALWAYS);
}

FileHandle createTempBeside(const char* target, char* tempPath, std::size_t tempPathSize)
{
    if (target == nullptr || tempPath == nullptr || tempPathSize == 0)
        return kClosedFile;
    tempPath[0] = '\0';

    // The folder of the target, "." when it has none, so that the final
    // rename never crosses volumes.
    char folder[MAX_PATH];
    const std::size_t length = folderLength(target);
    if (length == 0) {
        std::strcpy(folder, ".");
    } else {
        if (length >= sizeof folder)
            return kClosedFile;
        std::memcpy(folder, target, length);
        folder[length] = '\0';
    }

    // GetTempFileNameA creates the file under a name nobody else holds; the
    // handle is then opened on that very file.
    char name[MAX_PATH];
    if (tempPathSize >= MAX_PATH && GetTempFileNameA(folder, "wdx", 0, name) != 0) {
        // Shared for deletion only, so that an interrupted run can remove
        // the file while it is still open.
        if (!noteTempFile(name)) {
            DeleteFileA(name);
            return kClosedFile;
        }
        FileHandle file = create(name, GENERIC_WRITE, FILE_SHARE_DELETE, TRUNCATE_EXISTING);
        if (file == kClosedFile) {
            deleteFile(name);
            return kClosedFile;
        }
        std::snprintf(tempPath, tempPathSize, "%s", name);
        return file;
    }

    // A folder too long for GetTempFileNameA: a name made unique by process,
    // time and a counter, created only when it does not exist yet.
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int written = std::snprintf(tempPath, tempPathSize, "%.*swdx%lx%lx%x.tmp",
                                          static_cast<int>(length), target,
                                          GetCurrentProcessId(), GetTickCount(), ++counter);
        if (written < 0 || static_cast<std::size_t>(written) >= tempPathSize ||
            !noteTempFile(tempPath))
            break;
        FileHandle file = create(tempPath, GENERIC_WRITE, FILE_SHARE_DELETE, CREATE_NEW);
        if (file != kClosedFile)
            return file;
        const DWORD error = GetLastError();
        forgetTempFile(tempPath);
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    tempPath[0] = '\0';
    return kClosedFile;
}

WriteResult writeWholeFile(const char* path, const void* data, std::size_t size, bool privateFile)
{
    // Windows files carry no mode bits; the folder's permissions apply.
    (void)privateFile;
    if (path == nullptr || *path == '\0' || (data == nullptr && size > 0))
        return WriteResult::Failed;
    // Only a plain file is replaced: not a folder, a device or a link, and
    // not one that is read-only or that another program holds open.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                           FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY)) != 0)
            return WriteResult::Refused;
        HANDLE target = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (target == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
                return WriteResult::Refused;
        } else {
            const bool plain = GetFileType(target) == FILE_TYPE_DISK;
            CloseHandle(target);
            if (!plain)
                return WriteResult::Refused;
        }
    }

    char tempPath[MAX_PATH + 40];
    const FileHandle file = createTempBeside(path, tempPath, sizeof tempPath);
    bool ok = file != kClosedFile;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (ok && done < size) {
        const std::size_t rest = size - done;
        const DWORD chunk = rest > (1u << 30) ? (1u << 30) : static_cast<DWORD>(rest);
        const std::uint32_t put = writeFile(file, bytes + done, chunk);
        ok = put > 0;
        done += put;
    }
    ok = ok && flushFile(file);
    closeFile(file);
    if (!ok) {
        if (file != kClosedFile)
            deleteFile(tempPath);
        return WriteResult::Failed;
    }
    if (MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        const DWORD error = GetLastError();
        deleteFile(tempPath);
        // Taken by another program or made read-only since it was looked at.
        return (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                error == ERROR_LOCK_VIOLATION)
                   ? WriteResult::Refused
                   : WriteResult::Failed;
    }
    forgetTempFile(tempPath);
    return WriteResult::Written;
}

std::uint32_t fileSize(FileHandle file)
{
    if (file == kClosedFile)
        return INVALID_FILE_SIZE;
    return GetFileSize(asHandle(file), nullptr);
}

std::uint64_t fileLength(FileHandle file)
{
    LARGE_INTEGER size;
    if (file == kClosedFile || GetFileSizeEx(asHandle(file), &size) == 0 || size.QuadPart < 0)
        return UINT64_MAX;
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool seekToEnd(FileHandle file)
{
    if (file == kClosedFile)
        return false;
    return SetFilePointer(asHandle(file), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER;
}

std::uint32_t readFile(FileHandle file, void* buffer, std::uint32_t size)
{
    // Only the count moved matters to callers, not the call's own verdict.
    DWORD got = 0;
    if (file != kClosedFile)
        ReadFile(asHandle(file), buffer, size, &got, nullptr);
    return got;
}

std::uint32_t writeFile(FileHandle file, const void* buffer, std::uint32_t size)
{
    DWORD put = 0;
    if (file != kClosedFile)
        WriteFile(asHandle(file), buffer, size, &put, nullptr);
    return put;
}

bool flushFile(FileHandle file)
{
    return file != kClosedFile && FlushFileBuffers(asHandle(file)) != 0;
}

void closeFile(FileHandle file)
{
    if (file != kClosedFile)
        CloseHandle(asHandle(file));
}

bool deleteFile(const char* path)
{
    if (path == nullptr)
        return false;
    const bool deleted = DeleteFileA(path) != 0;
    forgetTempFile(path);
    return deleted;
}

bool moveFile(const char* from, const char* to)
{
    return from != nullptr && to != nullptr && MoveFileA(from, to) != 0;
}

bool replaceFile(const char* from, const char* to)
{
    // Write-through: the call returns only once the new name is on disk.
    if (from == nullptr || to == nullptr || readOnly(to) ||
        MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0)
        return false;
    forgetTempFile(from);
    return true;
}

bool fileExists(const char* path)
{
    return path != nullptr && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

namespace {
// The lock is the file itself: an exclusive holder opens it with no sharing
// at all, shared holders allow one another to read. A lock file that cannot
// be written still serves when it can be opened for reading.
LockResult takeLock(const char* path, bool wait, FileHandle* lock, bool shared)
{
    *lock = kClosedFile;
    if (path == nullptr || *path == '\0')
        return LockResult::Unavailable;
    // A folder or a link in its place is never taken for the lock file.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0)
        return LockResult::NotAFile;
    const DWORD share = shared ? FILE_SHARE_READ : 0;
    const DWORD access = shared ? GENERIC_READ : GENERIC_WRITE;
    for (;;) {
        HANDLE file = CreateFileA(path, access, share, nullptr, shared ? OPEN_EXISTING : OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
            file = CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            if (GetFileType(file) != FILE_TYPE_DISK) {
                CloseHandle(file);
                return LockResult::NotAFile;
            }
            *lock = asFile(file);
            return LockResult::Held;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION)
            return LockResult::Unavailable;
        if (!wait)
            return LockResult::Busy;
        Sleep(100);
    }
}
} // namespace

LockResult lockFile(const char* path, bool wait, FileHandle* lock)
{
    return takeLock(path, wait, lock, false);
}

LockResult lockFileShared(const char* path, bool wait, FileHandle* lock)
{
    return takeLock(path, wait, lock, true);
}

namespace {
// The volume and index that identify an existing file, however it is named.
bool fileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION& info)
{
    // No access is asked for, so a file that others hold open is reached too;
    // the backup flag lets a folder be opened as well.
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return known;
}
} // namespace

bool sameFile(const char* a, const char* b)
{
    if (a == nullptr || *a == '\0' || b == nullptr || *b == '\0')
        return false;
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    if (fileIdentity(a, first) && fileIdentity(b, second))
        return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
               first.nFileIndexHigh == second.nFileIndexHigh &&
               first.nFileIndexLow == second.nFileIndexLow;
    // File names are compared without regard to letter case on Windows.
    char full[MAX_PATH];
    char other[MAX_PATH];
    const DWORD length = GetFullPathNameA(a, MAX_PATH, full, nullptr);
    const DWORD otherLength = GetFullPathNameA(b, MAX_PATH, other, nullptr);
    return length > 0 && length < MAX_PATH && otherLength > 0 && otherLength < MAX_PATH &&
           lstrcmpiA(full, other) == 0;
}

void* allocBlock(std::size_t size)
{
    return reinterpret_cast<void*>(GlobalAlloc(GMEM_FIXED, size));
}

void freeBlock(void* block)
{
    if (block != nullptr)
        GlobalFree(reinterpret_cast<HGLOBAL>(block));
}
} // namespace platform

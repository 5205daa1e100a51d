// Files through the Win32 file API. A FileHandle is the HANDLE itself, so
// kClosedFile (-1) is INVALID_HANDLE_VALUE.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/file_steps.h"
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

namespace {
// Numbers the temporary files this process makes, so none has the name of
// another.
unsigned tempCounter = 0;

// The process that wrote a temporary file of ours, from its name
// ".wendrix-w<pid>-<n>.tmp"; 0 when the name is not of that form.
DWORD writerOf(const char* name)
{
    unsigned long pid = 0;
    unsigned number = 0;
    int end = 0;
    if (std::sscanf(name, ".wendrix-w%lu-%u.tmp%n", &pid, &number, &end) != 2 || name[end] != '\0' ||
        pid == 0)
        return 0;
    return static_cast<DWORD>(pid);
}

// Whether process `pid` still runs. One that cannot be asked (another
// user's) is taken as running.
bool stillRuns(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool runs = GetExitCodeProcess(process, &code) == 0 || code == STILL_ACTIVE;
    CloseHandle(process);
    return runs;
}

// Removes the temporary files in `folder` (its name ends in a separator, or
// is empty for the current folder) that a process which no longer runs
// left behind: a run killed outright. Only a plain file that nobody holds
// open is removed, through a handle on the file itself, never a link.
void removeStaleTemps(const char* folder, std::size_t length)
{
    char pattern[MAX_PATH];
    if (std::snprintf(pattern, sizeof pattern, "%.*s.wendrix-w*.tmp", static_cast<int>(length), folder) >=
        static_cast<int>(sizeof pattern))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const DWORD writer = writerOf(found.cFileName);
        if (writer == 0 || writer == GetCurrentProcessId() ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
            stillRuns(writer))
            continue;
        char path[MAX_PATH];
        if (std::snprintf(path, sizeof path, "%.*s%s", static_cast<int>(length), folder, found.cFileName) >=
            static_cast<int>(sizeof path))
            continue;
        // No sharing at all: a file that anybody still has open stays.
        HANDLE file = CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(file, &info) != 0 &&
            (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
            GetFileType(file) == FILE_TYPE_DISK) {
            FILE_DISPOSITION_INFO dispose{};
            dispose.DeleteFile = TRUE;
            SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
        }
        CloseHandle(file);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}
} // namespace

FileHandle createTempBeside(const char* target, char* tempPath, std::size_t tempPathSize)
{
    if (target == nullptr || tempPath == nullptr || tempPathSize == 0)
        return kClosedFile;
    tempPath[0] = '\0';

    // In the folder of the target, so that the final rename never crosses
    // volumes; a bare name is in the current folder.
    const std::size_t length = folderLength(target);
    removeStaleTemps(target, length);

    // A name made unique by process and counter, created only when it does
    // not exist yet, and opened as it is, never through a link.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int written = std::snprintf(tempPath, tempPathSize, "%.*s.wendrix-w%lu-%u.tmp",
                                          static_cast<int>(length), target,
                                          static_cast<unsigned long>(GetCurrentProcessId()), tempCounter++);
        if (written < 0 || static_cast<std::size_t>(written) >= tempPathSize || written >= MAX_PATH ||
            !noteTempFile(tempPath))
            break;
        // Shared for deletion only, so that an interrupted run can remove
        // the file while it is still open.
        FileHandle file = asFile(CreateFileA(tempPath, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
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
    // not one that is read-only or that another program holds open. It is
    // held, with no sharing, until just before the move, so that nobody can
    // change it between this look and its replacement.
    HANDLE target = INVALID_HANDLE_VALUE;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                           FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_READONLY)) != 0)
            return WriteResult::Refused;
        target = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                             nullptr);
        if (target == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
                return WriteResult::Refused;
        } else {
            BY_HANDLE_FILE_INFORMATION info;
            const bool plain = GetFileType(target) == FILE_TYPE_DISK &&
                               GetFileInformationByHandle(target, &info) != 0 &&
                               (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                                         FILE_ATTRIBUTE_READONLY)) == 0;
            if (!plain) {
                CloseHandle(target);
                return WriteResult::Refused;
            }
        }
    }
    const auto release = [&target] {
        if (target != INVALID_HANDLE_VALUE)
            CloseHandle(target);
        target = INVALID_HANDLE_VALUE;
    };

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
    // The new bytes reach the device before the move publishes them.
    ok = ok && flushFile(file);
    closeFile(file);
    if (!ok) {
        release();
        if (file != kClosedFile)
            deleteFile(tempPath);
        return WriteResult::Failed;
    }
    file_steps::report(FileStep::Renaming, kClosedFile, tempPath, path);
    // A file held open cannot be replaced: the hold ends only now.
    release();
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

bool canWriteWholeFile(const char* path)
{
    if (path == nullptr || *path == '\0')
        return false;
    // What writeWholeFile refuses, seen in the attributes alone.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE |
                           FILE_ATTRIBUTE_READONLY)) != 0)
            return false;
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    // The temporary file is made in the target's folder, which must be one
    // (a folder's read-only attribute does not stop new files on Windows).
    std::size_t length = folderLength(path);
    std::string folder = length == 0 ? std::string(".") : std::string(path, length);
    if (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') && folder[folder.size() - 2] != ':')
        folder.pop_back();
    const DWORD folderAttributes = GetFileAttributesA(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES || (folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    // Its access list, or a read-only volume, may still forbid new files:
    // only making one tells. The probe has a temporary file's name and is
    // gone when its handle closes, even if the process is killed.
    char probe[MAX_PATH];
    const int written = std::snprintf(probe, sizeof probe, "%.*s.wendrix-w%lu-%u.tmp", static_cast<int>(length),
                                      path, static_cast<unsigned long>(GetCurrentProcessId()), tempCounter++);
    if (written < 0 || written >= static_cast<int>(sizeof probe))
        return false;
    const HANDLE made = CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (made == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(made);
    return true;
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
    if (file == kClosedFile || FlushFileBuffers(asHandle(file)) == 0)
        return false;
    file_steps::report(FileStep::Flushed, file);
    return true;
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
    if (from == nullptr || to == nullptr)
        return false;
    file_steps::report(FileStep::Renaming, kClosedFile, from, to);
    return MoveFileA(from, to) != 0;
}

bool replaceFile(const char* from, const char* to)
{
    // Write-through: the call returns only once the new name is on disk.
    if (from == nullptr || to == nullptr || readOnly(to))
        return false;
    file_steps::report(FileStep::Renaming, kClosedFile, from, to);
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0)
        return false;
    forgetTempFile(from);
    return true;
}

bool fileExists(const char* path)
{
    return path != nullptr && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool isLink(const char* path)
{
    if (path == nullptr || *path == '\0')
        return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool folderNames(const std::string& folder, std::vector<std::string>& names)
{
    names.clear();
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/' && pattern.back() != ':')
        pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
            names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
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

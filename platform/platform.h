// The operating-system layer. The core (engine/, config/, log/, update/)
// reaches files, settings, processes, the network and the user only through
// these functions; platform/posix/ and platform/win32/ implement them.
//
// The Win32 implementation is a thin veneer over the calls named beside each
// function. The POSIX implementation gives the same observable behaviour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// ---------------------------------------------------------------- windows

// An owner window for message boxes and the window-menu command. On Win32 it
// is the HWND; elsewhere it is whatever the front end hands out (null = none).
using WindowHandle = void*;

// Message-box styles and answers, with the values of their Win32 namesakes.
enum MessageBoxStyle : unsigned {
    MbOk = 0x00,
    MbOkCancel = 0x01,
    MbYesNo = 0x04,
    MbIconError = 0x10,
    MbIconWarning = 0x30,
    MbIconInformation = 0x40,
    MbDefButton2 = 0x100, // the second button (Cancel, No) is the default
};
enum MessageBoxAnswer : int {
    IdOk = 1,
    IdCancel = 2,
    IdYes = 6,
    IdNo = 7,
};

// What a message box asks, for a front end that answers questions without a
// user: each question the core asks has an identity of its own, so that it
// is answered for what it asks and not by its buttons.
enum class Question {
    None,             // a message with nothing to decide
    StartUpdater,     // "Start UPDATER.EXE now?" after the working file was written
    SearchForUpdates, // "Search now?" after the firmware file could not be read
};

// Shows a modal message box (MessageBoxA) and returns the button pressed.
// Goes to the installed handlers when there are: a question handler first,
// then a message-box handler; without one Win32 shows a real box, and POSIX
// prints the text to standard error and answers as if the user chose the
// safe button (OK, Cancel, No).
int messageBox(WindowHandle owner, const char* text, const char* caption, unsigned style,
               Question question = Question::None);

using QuestionHandler = std::function<int(WindowHandle owner, const char* text, const char* caption,
                                          unsigned style, Question question)>;
// Installs a handler that learns which question each box asks; it takes
// precedence over the message-box handler. An empty one removes it.
void setQuestionHandler(QuestionHandler handler);

using MessageBoxHandler =
    std::function<int(WindowHandle owner, const char* text, const char* caption, unsigned style)>;
// Installs a handler for every later message box; an empty one restores the default.
void setMessageBoxHandler(MessageBoxHandler handler);

// Sends the window-menu command `command` to `owner` and returns when it has
// been handled (SendMessageA with WM_SYSCOMMAND). Goes to the installed
// handler when there is one; without a handler Win32 sends the message and
// POSIX does nothing.
void sendSysCommand(WindowHandle owner, int command);

using SysCommandHandler = std::function<void(WindowHandle owner, int command)>;
void setSysCommandHandler(SysCommandHandler handler);

// ------------------------------------------------------------------ files

// An open file. kClosedFile (-1) stands for no file, as Win32's
// INVALID_HANDLE_VALUE does.
using FileHandle = std::intptr_t;
constexpr FileHandle kClosedFile = -1;

// Opens an existing file for reading. Other readers are allowed; a file held
// open for writing cannot be opened, and nobody may write it while it is
// open here (CreateFileA GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING).
FileHandle openForReading(const char* path);

// Creates a file for writing, truncating an existing one. Others may write
// it at the same time but not read it (GENERIC_WRITE, FILE_SHARE_WRITE,
// CREATE_ALWAYS).
FileHandle createForWriting(const char* path);

// Opens a file for writing with no sharing at all, creating it when missing.
// With `truncate` the file starts empty (CREATE_ALWAYS), otherwise its
// contents are kept (OPEN_ALWAYS). Used for the run log.
FileHandle openExclusive(const char* path, bool truncate);

// Creates a new, empty file with a unique name in the folder of `target`,
// for writing, and puts its name into `tempPath` (at least 300 bytes).
// Used to replace `target` atomically: write, flush, close, replaceFile.
// The name carries the process id (".wendrix-PID-N.tmp"; on Win32
// ".wendrix-wPID-N.tmp"), so that the temporary files a process killed
// outright left in that folder are removed here first: only plain files of
// that form, never a link, never one of a process that still runs.
FileHandle createTempBeside(const char* target, char* tempPath, std::size_t tempPathSize);

enum class WriteResult { Written, Refused, Failed };
// Replaces `path` (or creates it) with `size` bytes from `data`: a temporary
// file beside it is written, flushed and renamed over it, so that the file is
// always either the old one or the new one. Refused: the target exists but is
// not a regular file, or is write-protected or held by another program (the
// caller can say "write protected or in use"); Failed: anything else. The
// target keeps its old bytes on every failure and no temporary file remains.
// With `privateFile` the file is for its owner alone (0600). Otherwise a
// replaced file keeps its permission bits only (never setuid, setgid or
// sticky) and a new one gets 0666 less the umask. Nothing is opened through a
// link, and nothing waits on a FIFO.
WriteResult writeWholeFile(const char* path, const void* data, std::size_t size,
                           bool privateFile = false);

// Whether writeWholeFile could put a file at `path`, learned by looking only:
// what is there is a plain file that is not write-protected, and its folder
// takes new files (POSIX: access W_OK on both; Win32: the attributes of the
// file and that the folder is one). It only foretells: the write still
// handles its own failure, as anything may change in between.
bool canWriteWholeFile(const char* path);

// The file's size, or 0xFFFFFFFF when it cannot be obtained (GetFileSize).
std::uint32_t fileSize(FileHandle file);

// The file's whole size, past 4 GiB too; UINT64_MAX when it cannot be
// obtained (GetFileSizeEx).
std::uint64_t fileLength(FileHandle file);

// Moves the file position to the end (SetFilePointer 0, FILE_END).
bool seekToEnd(FileHandle file);

// One read or write request; the result is the number of bytes moved.
std::uint32_t readFile(FileHandle file, void* buffer, std::uint32_t size);
std::uint32_t writeFile(FileHandle file, const void* buffer, std::uint32_t size);

// Pushes written data to the storage device (FlushFileBuffers / fsync).
bool flushFile(FileHandle file);

// The steps that make a replacement durable, in the order they happen, for
// a test that checks the order: the new bytes must be on the device before
// the rename publishes them, and the target must still be held then.
enum class FileStep {
    Flushed,  // flushFile pushed `file` to the device
    Renaming, // a file `from` is about to be renamed over `to`, or moved to it
};
using FileStepObserver =
    std::function<void(FileStep step, FileHandle file, const char* from, const char* to)>;
// Installs the observer; an empty one removes it.
void observeFileSteps(FileStepObserver observer);

void closeFile(FileHandle file);

bool deleteFile(const char* path);                  // DeleteFileA
bool moveFile(const char* from, const char* to);    // MoveFileA: fails when `to` exists
// MoveFileExA REPLACE_EXISTING: fails, keeping `to`, when `to` is
// write-protected or held open by another program.
bool replaceFile(const char* from, const char* to);

// Whether a file or folder of that name exists.
bool fileExists(const char* path);

// The names of what `folder` holds (files, folders, links; not "." and
// ".."), the current folder when `folder` is empty. False when the folder
// cannot be listed.
bool folderNames(const std::string& folder, std::vector<std::string>& names);

// Whether `path` itself is a symbolic link (or, on Win32, another reparse
// point such as a junction), wherever it leads and whether or not it leads
// anywhere. Reads follow links; writes never go through one.
bool isLink(const char* path);

// Temporary files that must not outlive an interrupted run. A noted file is
// removed when the process is stopped by SIGINT, SIGTERM or SIGHUP (on Win32:
// Ctrl+C, Ctrl+Break or the console closing) until replaceFile or deleteFile
// moves it away or it is forgotten. createTempBeside notes its own files.
// At most a handful are noted at a time; noteTempFile is false when the
// table is full or the path too long.
bool noteTempFile(const char* path);
void forgetTempFile(const char* path);

// ------------------------------------------------------------ file locks

enum class LockResult {
    Held,        // the lock is ours until closeFile(*lock)
    Busy,        // another process holds it (only without `wait`)
    Unavailable, // the lock file cannot be opened or created
    NotAFile,    // something else has the name: a folder, a FIFO, a link
};
// Opens the lock file `path`, creating it when missing, and takes its
// exclusive lock (flock / LockFileEx). With `wait` it waits for a lock held
// by another process. The file stays when the lock is released. The path is
// never followed through a link, and a FIFO never makes it wait.
LockResult lockFile(const char* path, bool wait, FileHandle* lock);
// The same with a shared lock: any number of shared holders at once, none
// while the exclusive lock is held. A missing lock file is not created
// (Unavailable): a reader leaves no file behind, and no run is under way.
LockResult lockFileShared(const char* path, bool wait, FileHandle* lock);

// Whether two paths name one file: the same file reached through links,
// other spellings or (on Win32) other letter case. Files that exist are
// compared by identity (device and inode; volume and file index), others by
// their normalised full paths. An empty path names no file.
bool sameFile(const char* a, const char* b);

// --------------------------------------------------------------- memory

// A fixed block for a firmware image (GlobalAlloc GMEM_FIXED / GlobalFree).
void* allocBlock(std::size_t size);
void freeBlock(void* block);

// ---------------------------------------------------------- executable

// Puts the executable's full path into `buffer` (GetModuleFileNameA with no
// module) and returns its length; the text is cut to size - 1 characters.
// On POSIX a file name without an extension is given as if it ended in
// ".exe", so that replacing the last four characters works as on Windows.
std::size_t executablePath(char* buffer, std::size_t size);

// Puts the path under which the file system knows the running program into
// `buffer`, as executablePath does but without the ".exe" that POSIX adds.
std::size_t programFilePath(char* buffer, std::size_t size);

// ---------------------------------------------------- profile (INI) files

// GetPrivateProfileStringA with a section and a key: the value, or `def`
// when the file, section or key is missing, cut to size - 1 characters.
// Returns the number of characters copied.
std::uint32_t getProfileString(const char* section, const char* key, const char* def,
                               char* out, std::uint32_t size, const char* file);

// WritePrivateProfileStringA with a section, a key and a value. With all
// three null, only drops any cached copy of `file`.
bool writeProfileString(const char* section, const char* key, const char* value,
                        const char* file);

// ------------------------------------------------ per-user settings store

// A registry key handle (HKEY). 0 is no key.
using RegHandle = std::uintptr_t;
extern const RegHandle kCurrentUser; // HKEY_CURRENT_USER

enum RegAccess : std::uint32_t {
    RegKeyRead = 0x20019,      // KEY_READ
    RegKeySetValue = 0x0002,   // KEY_SET_VALUE
    RegKeyAllAccess = 0xF003F, // KEY_ALL_ACCESS
};
// Registry result codes that the program relies on (Win32 values).
enum RegResult : long {
    RegSuccess = 0,
    RegFileNotFound = 2,
    RegAccessDenied = 5,
    RegMoreData = 234,
};

long regOpenKey(RegHandle root, const char* subKey, std::uint32_t access, RegHandle* key);
long regCreateKey(RegHandle root, const char* subKey, std::uint32_t access, RegHandle* key);
// Copies the value's data into `data`, announcing `*size` bytes of room;
// on success `*size` is the data length. RegMoreData when it does not fit.
long regQueryValue(RegHandle key, const char* name, void* data, std::uint32_t* size);
// Stores `size` bytes as a REG_SZ value.
long regSetString(RegHandle key, const char* name, const void* data, std::uint32_t size);
long regCloseKey(RegHandle key);
// Puts the file that holds the values of root + subKey into `buffer` where
// the store keeps a key in a file of its own (POSIX); 0 and an empty text
// where it does not (the Win32 registry).
std::size_t regKeyFile(RegHandle root, const char* subKey, char* buffer, std::size_t size);

// ----------------------------------------------------- processes and shell

using ProcessHandle = std::intptr_t; // 0 is no process

// Starts the program named by `commandLine` (searched for as Windows does
// for a command line: current directory, then PATH), with the first window
// placed at (x, y) where the platform has such a thing. 0 on failure.
ProcessHandle startProcess(char* commandLine, int x, int y);
// Puts into `path` where startProcess finds the program `name`: on POSIX
// the current directory, then PATH; on Win32 the name itself, a file in the
// current directory. The name itself when it is found nowhere.
void programPath(const char* name, char* path, std::size_t size);
// Waits for the process to end, without a time limit. Returns its exit
// status, or -1 when it ended by a signal or is no process.
// Goes through the installed wait handler when there is one.
int waitForProcess(ProcessHandle process);
void closeProcess(ProcessHandle process);

// A front end keeps its windows painted through a wait that may take
// minutes: the handler runs `wait` (the wait itself, which blocks), keeps
// the user from acting on any window meanwhile, and returns its result.
// Win32 needs none: its wait dispatches paint messages and nothing else.
using ProcessWaitHandler = std::function<int(const std::function<int()>& wait)>;
// Installs the handler; an empty one restores the plain wait.
void setProcessWaitHandler(ProcessWaitHandler handler);

// Asks the shell to open `document` with `verb` in a normal window
// (ShellExecuteA); the outcome is not reported.
void shellOpen(WindowHandle owner, const char* verb, const char* document);

// ---------------------------------------------------------------- network

// An HTTP client shaped like WinINet. 0 is no handle.
using NetHandle = std::intptr_t;

// Loads the network library for one download (LoadLibraryA "wininet.dll").
bool netLoad();
void netUnload();
// Opens a root handle with `agent`, always without a proxy (InternetOpenA).
NetHandle netOpen(const char* agent);
// Sends one GET with the extra request header, without caching; returns the
// response handle once the response has begun, whatever its status, or 0
// when the request cannot be made or answered (InternetOpenUrlA).
NetHandle netOpenUrl(NetHandle internet, const char* url, const char* header,
                     std::uint32_t headerLength);
// Reads up to `size` body bytes; true with *got 0 is the end of the body,
// false is a broken transfer (InternetReadFile).
bool netRead(NetHandle request, void* buffer, std::uint32_t size, std::uint32_t* got);
// The HTTP status code of the response (HttpQueryInfoA HTTP_QUERY_STATUS_CODE);
// 0 when there is none to tell.
int netStatus(NetHandle request);
// Whether the last failed netRead was the idle limit running out, rather
// than the connection breaking.
bool netTimedOut(NetHandle request);
void netClose(NetHandle handle);
// Limits for later requests: at most `connectSeconds` to connect, and a
// transfer that receives nothing for `idleSeconds` is abandoned (before the
// response has begun: netOpenUrl fails; after: netRead fails). Defaults 30, 30.
void netSetTimeouts(unsigned connectSeconds, unsigned idleSeconds);

// ---------------------------------------------------------------- timing

void sleepMilliseconds(unsigned milliseconds);

} // namespace platform

// Small helpers shared by the test suites.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes. The folder is open to every user (mode
// 0777 on POSIX) so that a check run as an unprivileged user can reach it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // The path of `name` inside the folder.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// One message box as the code under test asked for it.
struct RecordedMessage {
    platform::WindowHandle owner;
    std::string text;
    std::string caption;
    unsigned style;
};

// Installs a message-box handler that records every box and answers with
// `answer` (or with what `answerFor` returns, when set). The handler is
// removed again when the object goes.
class RecordingMessageBoxes {
public:
    explicit RecordingMessageBoxes(int answer = platform::IdOk);
    ~RecordingMessageBoxes();
    RecordingMessageBoxes(const RecordingMessageBoxes&) = delete;
    RecordingMessageBoxes& operator=(const RecordingMessageBoxes&) = delete;

    std::vector<RecordedMessage> messages;
    int answer;
    std::function<int(const RecordedMessage&)> answerFor;
};

// Whole-file helpers built on the standard library, independent of the
// platform layer under test. readBytes returns false when the file cannot
// be opened.
bool readBytes(const std::string& path, std::vector<unsigned char>& out);
std::string readText(const std::string& path); // empty when missing
bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
bool writeText(const std::string& path, const std::string& text);
bool exists(const std::string& path);

// Runs `body` in a child process and returns the value it returned (0 to
// 255), or -1 when the child could not be run or did not end normally
// (POSIX only; -1 elsewhere).
int runInChild(const std::function<int()>& body);

// Whether checks as an unprivileged user can be run here (POSIX, as root).
bool canDropPrivileges();
// Runs `body` in a child process as user and group 65534 and returns the
// value it returned (0 to 255), or -1 when the child could not be run.
// Gtest assertions inside `body` do not reach the parent: return a code.
int runUnprivileged(const std::function<int()>& body);

} // namespace testing_support

// The Update command as a user who may not write the model file or its
// folder. As root these checks run in a child process that has become user
// and group 65534; elsewhere the file protections apply to the test itself.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/update/update_test_fixture.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using testing_support::exists;

struct Expected {
    int result;
    const char* message;
    platform::WindowHandle owner;
    unsigned style;
    bool timerArmed;
};

// Bits of what a child saw differ from the expected outcome.
enum Mismatch { WrongResult = 1, WrongMessage = 2, WrongTimer = 4, StatusNotRestored = 8 };

class UnprivilegedUpdate : public ModelFileTest {
protected:
    // Runs the command as an ordinary user against a server with the new
    // model file; the child hands back its mismatches as its exit code.
    void runAsOrdinaryUser(const Expected& expected)
    {
        LoopbackServer server({httpReply(200, kNewModelFile)});
        const std::string url = server.url();
        auto body = [&]() -> int {
            boxes.messages.clear();
            RecordingHost host;
            const int result = runUpdateCommand(host, url.c_str());
            const auto& shown = boxes.messages;
            const bool message = shown.size() == 1 && shown[0].text == expected.message &&
                                 shown[0].caption == "Zarnek Wendrix" &&
                                 shown[0].owner == expected.owner &&
                                 shown[0].style == expected.style;
            const std::vector<std::string> lines{"Get updates from internet...", host.status};
            return (result != expected.result ? WrongResult : 0) | (message ? 0 : WrongMessage) |
                   (host.timersArmed != (expected.timerArmed ? 1 : 0) ? WrongTimer : 0) |
                   (host.lines() != lines ? StatusNotRestored : 0);
        };
        const int code =
            testing_support::canDropPrivileges() ? testing_support::runUnprivileged(body) : body();
        EXPECT_EQ(code, 0) << "-1: the check could not run as another user; otherwise "
                              "1 result, 2 message, 4 timer, 8 status line";
        EXPECT_EQ(server.requests().size(), 1u);
    }

    // Whether file protections bind whoever runs the command.
    bool protectionsApply() const
    {
#ifdef _WIN32
        return true;
#else
        return testing_support::canDropPrivileges() || geteuid() != 0;
#endif
    }
    void removeWrite(const fs::path& path)
    {
        fs::permissions(path,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
};

TEST_F(UnprivilegedUpdate, AWriteProtectedModelFileIsKeptAndTheUserWarned)
{
    if (!protectionsApply())
        GTEST_SKIP() << "cannot run as a user bound by file protections";
    writeModel(kOldModelFile);
    removeWrite(modelPath());
#ifdef _WIN32
    // Wine run as root maps the read-only mark onto a mode that root ignores.
    if (std::FILE* probe = std::fopen(modelPath().c_str(), "r+")) {
        std::fclose(probe);
        GTEST_SKIP() << "read-only files can be written here";
    }
#endif
    // Not "You already have the most resent Wendrix.ini": nothing was updated.
    const std::string warning =
        "Cannot replace " + modelPath() + ": the file is write protected or in use";
    runAsOrdinaryUser({0, warning.c_str(), RecordingHost::kStatus, platform::MbIconWarning, false});
    expectUntouched();
}

#ifndef _WIN32
// A folder's read-only mark on Windows does not stop new files.
TEST_F(UnprivilegedUpdate, AFolderThatCannotBeWrittenStopsBeforeTheTemporaryFile)
{
    if (!protectionsApply())
        GTEST_SKIP() << "cannot run as a user bound by file protections";
    writeModel(kOldModelFile);
    removeWrite(folder.path());
    runAsOrdinaryUser({0, "Can't open local file WENDRIX.TMP for writing",
                       RecordingHost::kStatus, platform::MbIconWarning, false});
    expectUntouched();
}
#endif

} // namespace

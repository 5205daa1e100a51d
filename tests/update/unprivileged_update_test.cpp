// The Update command as a user who may not write the model file or its
// folder. As root these checks run in a child process that has become user
// and group 65534; elsewhere the file protections apply to the test itself.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/update/http_file_server.h"
#include "tests/update/update_test_fixture.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using testing_support::exists;

constexpr char kGetting[] = "Get updates from internet...";

// What the command did, packed into an exit status so that a child process
// can hand it back: bit 0 the result, bit 1 a timer armed, bit 2 the status
// line restored, bits 3 to 5 which single message was shown.
enum ShownMessage { NoMessage = 0, Same = 1, Updated = 2, CannotWriteTemp = 3, Other = 7 };

struct Outcome {
    int result;
    bool timerArmed;
    bool statusRestored;
    int message;
};

class UnprivilegedUpdate : public ModelFileTest {
protected:
    // Runs the command as an ordinary user and reports what it did.
    Outcome runAsOrdinaryUser(const std::string& url)
    {
        auto body = [this, url]() -> int {
            boxes.messages.clear();
            RecordingHost host;
            const int result = runUpdateCommand(host, url.c_str());
            int message = NoMessage;
            if (boxes.messages.size() > 1) {
                message = Other;
            } else if (boxes.messages.size() == 1) {
                const auto& shown = boxes.messages[0];
                const bool fromDialog = shown.owner == RecordingHost::kDialog &&
                                        shown.style == platform::MbOk;
                const bool fromDownload = shown.owner == RecordingHost::kStatus &&
                                          shown.style == platform::MbIconWarning;
                message = Other;
                if (shown.caption != "Zarnek Wendrix")
                    message = Other;
                else if (fromDialog && shown.text == "You already have the most resent Wendrix.ini")
                    message = Same;
                else if (fromDialog && shown.text == "Wendrix.ini updated")
                    message = Updated;
                else if (fromDownload &&
                         shown.text == "Can't open local file WENDRIX.TMP for writing")
                    message = CannotWriteTemp;
            }
            const bool restored =
                host.lines() == std::vector<std::string>{kGetting, host.status};
            return (result & 1) | (host.timersArmed == 1 ? 2 : 0) | (restored ? 4 : 0) |
                   (message << 3);
        };
        const int code =
            testing_support::canDropPrivileges() ? testing_support::runUnprivileged(body) : body();
        EXPECT_GE(code, 0) << "the check could not run as another user";
        return {code & 1, (code & 2) != 0, (code & 4) != 0, (code >> 3) & 7};
    }

    // Whether the protections set below bind whoever runs the command.
    bool protectionsApply() const
    {
#ifdef _WIN32
        return true;
#else
        return testing_support::canDropPrivileges() || geteuid() != 0;
#endif
    }
};

TEST_F(UnprivilegedUpdate, AWriteProtectedModelFileIsKeptAndTheDownloadLeftBesideIt)
{
    if (!protectionsApply())
        GTEST_SKIP() << "cannot run as a user bound by file protections";
    writeModel(kOldModelFile);
    fs::permissions(modelPath(),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
#ifdef _WIN32
    // Wine run as root maps the read-only mark onto a mode that root ignores.
    if (std::FILE* probe = std::fopen(modelPath().c_str(), "r+")) {
        std::fclose(probe);
        GTEST_SKIP() << "read-only files can be written here";
    }
#endif
    HttpFileServer server;
    server.answer(200, kNewModelFile);

    const Outcome outcome = runAsOrdinaryUser(server.url());

    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.message, Same);
    EXPECT_FALSE(outcome.timerArmed);
    EXPECT_TRUE(outcome.statusRestored);
    EXPECT_EQ(modelText(), kOldModelFile);
    ASSERT_TRUE(exists(tempPath()));
    EXPECT_EQ(testing_support::readText(tempPath()), kNewModelFile);
    EXPECT_EQ(server.requests().size(), 1u);
}

#ifndef _WIN32
TEST_F(UnprivilegedUpdate, AModelFileTheUserMayWriteIsReplaced)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to hand the file to user 65534";
    writeModel(kOldModelFile);
    ASSERT_EQ(chown(modelPath().c_str(), 65534, 65534), 0);
    fs::permissions(modelPath(), fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);
    HttpFileServer server;
    server.answer(200, kNewModelFile);

    const Outcome outcome = runAsOrdinaryUser(server.url());

    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.message, Updated);
    EXPECT_TRUE(outcome.timerArmed);
    EXPECT_TRUE(outcome.statusRestored);
    EXPECT_EQ(modelText(), kNewModelFile);
    EXPECT_FALSE(exists(tempPath()));
}

TEST_F(UnprivilegedUpdate, AFolderThatCannotBeWrittenStopsBeforeTheTemporaryFile)
{
    // A folder's read-only mark on Windows does not stop new files, so
    // this case exists on POSIX only.
    if (!protectionsApply())
        GTEST_SKIP() << "cannot run as a user bound by file protections";
    writeModel(kOldModelFile);
    fs::permissions(folder.path(),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    HttpFileServer server;
    server.answer(200, kNewModelFile);

    const Outcome outcome = runAsOrdinaryUser(server.url());

    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.message, CannotWriteTemp);
    EXPECT_FALSE(outcome.timerArmed);
    EXPECT_TRUE(outcome.statusRestored);
    EXPECT_EQ(modelText(), kOldModelFile);
    EXPECT_FALSE(exists(tempPath()));
}
#endif

} // namespace

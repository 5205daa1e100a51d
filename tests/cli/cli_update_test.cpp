// The Update command from wendrix-cli, against a model-file server of the
// test's own on the loopback address.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/cli/cli_runner.h"

using testing_support::readText;
using testing_support::writeText;

namespace {

constexpr char kOldModel[] = "[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\n";
constexpr char kNewModel[] = "[GPS]\r\nDate=02.03.04\r\nGps-1=Model A 2.40\r\nGps-2=Model C 1.00\r\n";

class CliUpdateTest : public CliFixture {
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        server.Get("/gps/wendrix.ini", [this](const httplib::Request&, httplib::Response& res) {
            ++requests;
            res.set_content(body, "text/plain");
        });
        port = server.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port, 0);
        thread = std::thread([this] { server.listen_after_bind(); });
        // Wait until the loop runs so that stop() reaches it.
        for (int i = 0; i < 500 && !server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(server.is_running());
        writeModelFile(kOldModel);
    }
    void TearDown() override
    {
        server.stop();
        if (thread.joinable())
            thread.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port) + "/gps/wendrix.ini"; }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::string body = kNewModel;
    std::atomic<int> requests{0};
};

TEST_F(CliUpdateTest, UpdateReplacesTheModelFileOnlyWithAModelFile)
{
    CliResult r = run({"update", "--update-url", url()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Get updates from internet...\nWendrix.ini updated\n");
    EXPECT_EQ(readText(app("wendrix.ini")), kNewModel);
    EXPECT_EQ(run({"models"}).out, "1\tModel A 2.40\t??\n2\tModel C 1.00\t??\n");

    writeModelFile(kOldModel);
    body = "<html>not found</html>";
    r = run({"update", "--update-url=" + url()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Get updates from internet...\nCan't find updates on Internet\n");
    EXPECT_EQ(readText(app("wendrix.ini")), kOldModel);
}

TEST_F(CliUpdateTest, SearchUpdatesAfterAnUnreadableWorkingFileRunsTheUpdate)
{
    writeModelFile(std::string(kOldModel) + "[Model A 2.40]\r\norg=model.org\r\nrgn=model.rgn\r\ncrc=1234abcd\r\nlang=10\r\n");
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));

    // Without the option the question is answered No: no request is made.
    CliResult r = run({"patch", "1", "--line", "X", "--update-url", url()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(requests.load(), 0);
    EXPECT_EQ(readText(app("wendrix.ini")).rfind(kOldModel, 0), 0u);

    r = run({"patch", "1", "--line", "X", "--search-updates", "--update-url", url()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(requests.load(), 1);
    EXPECT_NE(r.err.find("Search now?\nGet updates from internet...\nWendrix.ini updated\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(readText(app("wendrix.ini")), kNewModel);
}

TEST_F(CliUpdateTest, AModelFileThatCannotBeReplacedIsReportedAndNothingIsLeft)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the program as an unprivileged user";
    std::filesystem::permissions(app("wendrix.ini"), std::filesystem::perms(0444),
                                 std::filesystem::perm_options::replace);
    const CliResult r = run({"update", "--update-url", url()}, true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Get updates from internet...\nCannot replace " + app("wendrix.ini") +
                         ": the file is write protected or in use\n");
    EXPECT_EQ(requests.load(), 1);
    EXPECT_EQ(readText(app("wendrix.ini")), kOldModel);
    EXPECT_FALSE(testing_support::exists(app("wendrix.iniTMP")));
}

} // namespace

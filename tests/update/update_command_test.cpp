// The Update command: the status line around the download, the comparison
// of the "Date" stamps and its two answers, and the model-list timer.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/update/update_test_fixture.h"

namespace {

constexpr char kUpdated[] = "Wendrix.ini updated";
constexpr char kSame[] = "You already have the most resent Wendrix.ini";
constexpr char kGetting[] = "Get updates from internet...";

class UpdateCommand : public ModelFileTest {
protected:
    void expectStatusRestored(const RecordingHost& host)
    {
        EXPECT_EQ(host.lines(), (std::vector<std::string>{kGetting, host.status}));
    }
};

std::string withDate(const std::string& date)
{
    return "[GPS]\r\nDate=" + date + "\r\nGps-1=Model A 2.40\r\n[Model A 2.40]\r\nRel=2.40\r\n";
}

TEST_F(UpdateCommand, TheFileIsReplacedAndAnyDifferenceInTheDateReloadsTheList)
{
    const std::string stem(59, '7'); // the stamp is read into 60 bytes
    const struct {
        const char* label;
        std::string before; // empty: no model file
        std::string after;
        bool same;
    } cases[] = {
        {"newer", kOldModelFile, kNewModelFile, false},
        {"older", withDate("15.03.03"), withDate("01.10.02"), false},
        {"spelled differently", withDate("01.10.02"), withDate("1.10.02"), false},
        {"letter case", withDate("a"), withDate("A"), false},
        {"blanks around a value are not read", withDate("01.10.02"), withDate("01.10.02 "), true},
        {"same date, other models", kOldModelFile,
         "[GPS]\r\nDate=01.10.02\r\nGps-1=Model C 1.00\r\n[Model C 1.00]\r\nRel=1.00\r\n", true},
        {"no date in either", "[GPS]\r\nGps-1=Model A 2.40\r\n",
         "[GPS]\r\nGps-1=Model B 3.10\r\nGps-2=Model C\r\n", true},
        {"date dropped", withDate("01.10.02"), "[GPS]\r\nGps-1=Model A\r\n", false},
        {"date added to a missing file", "", withDate("01.10.02"), false},
        {"beyond the 59th character", withDate(stem + "A"), withDate(stem + "B"), true},
        {"within 59 characters", withDate(stem + "A"), withDate(stem.substr(1) + "8B"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove(modelPath());
        if (!c.before.empty())
            writeModel(c.before);
        boxes.messages.clear();
        RecordingHost host;
        host.status = c.same ? "Select Gps" : host.status; // the dialog's text of the moment
        std::vector<std::string> linesDuringDownload;
        LoopbackServer server({httpReply(200, c.after)}, 0, LoopbackServer::Ending::Close,
                              [&] { linesDuringDownload = host.lines(); });

        EXPECT_EQ(runUpdateCommand(host, server.url().c_str()), 1);

        EXPECT_EQ(modelText(), c.after);
        EXPECT_FALSE(testing_support::exists(tempPath()));
        expectOneMessage(c.same ? kSame : kUpdated, platform::MbOk, RecordingHost::kDialog);
        EXPECT_EQ(host.timersArmed, c.same ? 0 : 1);
        EXPECT_EQ(linesDuringDownload, std::vector<std::string>{kGetting});
        expectStatusRestored(host);
        expectOneModelFileGet(server.requests());
    }
}

// Whatever stops the download, the command only restores the status line.
TEST_F(UpdateCommand, AFailedDownloadLeavesTheModelFileAndOnlyRestoresTheStatusLine)
{
    platform::netSetTimeouts(2, 2);
    using Ending = LoopbackServer::Ending;
    // Well past the first chunk, so that the temporary file was written to.
    const std::vector<std::string> cutShort = {"HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n",
                                               kNewModelFile + std::string(100, ';')};
    LoopbackServer notFound({httpReply(404, "<html>Not Found</html>")});
    LoopbackServer silent({}, 0, Ending::Hold);
    LoopbackServer broken(cutShort, 50, Ending::Close);
    LoopbackServer stalled(cutShort, 50, Ending::Hold);
    const struct {
        std::string url;
        const char* message; // none when the transfer broke
    } cases[] = {
        {notFound.url(), "Can't find updates on Internet"},
        {"http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/gps/wendrix.ini",
         "Can't download updates from Internet"},
        {silent.url(), "Can't download updates from Internet"},
        {broken.url(), nullptr},
        {stalled.url(), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        writeModel(kOldModelFile);
        boxes.messages.clear();
        RecordingHost host;
        EXPECT_EQ(runUpdateCommand(host, c.url.c_str()), 0);
        if (c.message)
            expectOneMessage(c.message, platform::MbIconWarning, RecordingHost::kStatus);
        else
            EXPECT_TRUE(boxes.messages.empty());
        expectUntouched();
        EXPECT_EQ(host.timersArmed, 0);
        expectStatusRestored(host);
    }
    EXPECT_EQ(silent.connections(), 1);
    EXPECT_EQ(stalled.connections(), 1);
}

// Sets an environment variable while it lives; the old value comes back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = std::make_unique<std::string>(old);
        set(value.c_str());
    }
    ~ScopedEnvironment() { old_ ? set(old_->c_str()) : set(nullptr); }

private:
    void set(const char* value)
    {
#ifdef _WIN32
        _putenv_s(name_, value ? value : "");
#else
        if (value)
            setenv(name_, value, 1);
        else
            unsetenv(name_);
#endif
    }
    const char* name_;
    std::unique_ptr<std::string> old_;
};

TEST_F(UpdateCommand, TheProxyVariablesAreIgnored)
{
    writeModel(kOldModelFile);
    LoopbackServer server({httpReply(200, kNewModelFile)});
    LoopbackServer proxy({httpReply(200, "[GPS]\r\nDate=9")});
    const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.port());
    ScopedEnvironment lower("http_proxy", proxyUrl);
    ScopedEnvironment upper("HTTP_PROXY", proxyUrl);
    ScopedEnvironment all("ALL_PROXY", proxyUrl);
    RecordingHost host;

    EXPECT_EQ(runUpdateCommand(host, server.url().c_str()), 1);

    EXPECT_EQ(modelText(), kNewModelFile);
    expectOneMessage(kUpdated, platform::MbOk, RecordingHost::kDialog);
    EXPECT_EQ(proxy.connections(), 0);
    expectOneModelFileGet(server.requests());
}

TEST(UpdateUrl, TheBuiltInUrlIsAnHttpUrlOfTheModelFile)
{
    const std::string url = kUpdateUrl;
    EXPECT_EQ(url.rfind("http://", 0), 0u);
    EXPECT_GE(url.size(), 16u);
    EXPECT_EQ(url.substr(url.size() - 16), "/gps/wendrix.ini");
}

} // namespace

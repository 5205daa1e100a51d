// The Update command: the status line around the download, the comparison
// of the "Date" stamps and its two answers, and the model-list timer.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/update/http_file_server.h"
#include "tests/update/loopback_socket_server.h"
#include "tests/update/request_checks.h"
#include "tests/update/update_test_fixture.h"

namespace {

using testing_support::exists;

constexpr char kUpdated[] = "Wendrix.ini updated";
constexpr char kSame[] = "You already have the most resent Wendrix.ini";
constexpr char kGetting[] = "Get updates from internet...";

class UpdateCommand : public ModelFileTest {
protected:
    // Runs the command against `server`, noting what the status line showed
    // while the server was answering.
    int run(HttpFileServer& server)
    {
        server.onRequest([this] { lineDuringDownload = host.shownLine(); });
        return runUpdateCommand(host, server.url().c_str());
    }
    void expectStatusRestored()
    {
        EXPECT_EQ(host.lines(), (std::vector<std::string>{kGetting, host.status}));
    }
    // The command's own answer: OK button, no icon, owned by the dialog.
    void expectAnswer(const char* text)
    {
        ASSERT_EQ(boxes.messages.size(), 1u);
        EXPECT_EQ(boxes.messages[0].text, text);
        EXPECT_EQ(boxes.messages[0].caption, "Zarnek Wendrix");
        EXPECT_EQ(boxes.messages[0].style, unsigned(platform::MbOk));
        EXPECT_EQ(boxes.messages[0].owner, RecordingHost::kDialog);
    }

    RecordingHost host;
    std::string lineDuringDownload;
};

std::string withDate(const std::string& date)
{
    return "[GPS]\r\nDate=" + date + "\r\nGps-1=Model A 2.40\r\n[Model A 2.40]\r\nRel=2.40\r\n";
}

TEST_F(UpdateCommand, ANewerDateIsReportedAndTheModelListReloaded)
{
    writeModel(kOldModelFile);
    HttpFileServer server;
    server.answer(200, kNewModelFile);

    EXPECT_EQ(run(server), 1);

    EXPECT_EQ(modelText(), kNewModelFile);
    EXPECT_FALSE(exists(tempPath()));
    expectAnswer(kUpdated);
    EXPECT_EQ(host.timersArmed, 1);
    EXPECT_EQ(lineDuringDownload, kGetting);
    expectStatusRestored();
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(UpdateCommand, AnyDifferenceInTheDateCountsAsAnUpdate)
{
    HttpFileServer server;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"15.03.03", "01.10.02"}, // older
        {"01.10.02", "1.10.02"},  // the same day spelled differently
        {"01.10.02", "01.10.02 "}, // equal: blanks around a value are not read
        {"a", "A"},                // letter case counts
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before + " -> " + after);
        writeModel(withDate(before));
        boxes.messages.clear();
        host.timersArmed = 0;
        server.answer(200, withDate(after));
        EXPECT_EQ(run(server), 1);
        EXPECT_EQ(modelText(), withDate(after));
        // Blanks around a value do not count, so that case compares equal.
        const bool same = after == before + " ";
        expectAnswer(same ? kSame : kUpdated);
        EXPECT_EQ(host.timersArmed, same ? 0 : 1);
    }
}

TEST_F(UpdateCommand, TheSameDateReplacesTheFileButSaysNothingChanged)
{
    const std::string sameDateOtherModels =
        "[GPS]\r\nDate=01.10.02\r\nGps-1=Model C 1.00\r\n[Model C 1.00]\r\nRel=1.00\r\n";
    writeModel(kOldModelFile);
    HttpFileServer server;
    server.answer(200, sameDateOtherModels);

    EXPECT_EQ(run(server), 1);

    EXPECT_EQ(modelText(), sameDateOtherModels);
    expectAnswer(kSame);
    EXPECT_EQ(host.timersArmed, 0);
    expectStatusRestored();
}

TEST_F(UpdateCommand, NoDateInEitherFileComparesEqual)
{
    const std::string before = "[GPS]\r\nGps-1=Model A 2.40\r\n";
    const std::string after = "[GPS]\r\nGps-1=Model B 3.10\r\nGps-2=Model C\r\n";
    writeModel(before);
    HttpFileServer server;
    server.answer(200, after);
    EXPECT_EQ(run(server), 1);
    EXPECT_EQ(modelText(), after);
    expectAnswer(kSame);
    EXPECT_EQ(host.timersArmed, 0);
}

TEST_F(UpdateCommand, ADateDroppedOrAddedIsAChange)
{
    HttpFileServer server;
    for (const auto& [before, after] : std::vector<std::pair<std::string, std::string>>{
             {withDate("01.10.02"), "[GPS]\r\nGps-1=Model A\r\n"},
             {"", withDate("01.10.02")}}) {
        SCOPED_TRACE(after);
        if (before.empty())
            std::filesystem::remove(modelPath());
        else
            writeModel(before);
        boxes.messages.clear();
        host.timersArmed = 0;
        server.answer(200, after);
        EXPECT_EQ(run(server), 1);
        EXPECT_EQ(modelText(), after);
        expectAnswer(kUpdated);
        EXPECT_EQ(host.timersArmed, 1);
    }
}

TEST_F(UpdateCommand, DatesAreComparedAsFarAsTheReaderTakesThem)
{
    // The stamp is read into 60 bytes: beyond the 59th character a change
    // goes unseen.
    const std::string stem(59, '7');
    writeModel(withDate(stem + "A"));
    HttpFileServer server;
    server.answer(200, withDate(stem + "B"));
    EXPECT_EQ(run(server), 1);
    expectAnswer(kSame);

    boxes.messages.clear();
    server.answer(200, withDate(stem.substr(1) + "8B"));
    EXPECT_EQ(run(server), 1);
    expectAnswer(kUpdated);
}

TEST_F(UpdateCommand, AFailedDownloadOnlyRestoresTheStatusLine)
{
    writeModel(kOldModelFile);
    HttpFileServer server;
    server.answer(404, "<html>Not Found</html>");

    EXPECT_EQ(run(server), 0);

    EXPECT_EQ(modelText(), kOldModelFile);
    EXPECT_FALSE(exists(tempPath()));
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text, "Can't find updates on Internet");
    EXPECT_EQ(boxes.messages[0].style, unsigned(platform::MbIconWarning));
    EXPECT_EQ(boxes.messages[0].owner, RecordingHost::kStatus);
    EXPECT_EQ(host.timersArmed, 0);
    EXPECT_EQ(lineDuringDownload, kGetting);
    expectStatusRestored();
}

TEST_F(UpdateCommand, NothingListeningIsReportedAndTheStatusLineRestored)
{
    writeModel(kOldModelFile);
    const std::string url =
        "http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/gps/wendrix.ini";
    EXPECT_EQ(runUpdateCommand(host, url.c_str()), 0);
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.messages[0].text, "Can't download updates from Internet");
    EXPECT_EQ(boxes.messages[0].owner, RecordingHost::kStatus);
    EXPECT_EQ(modelText(), kOldModelFile);
    EXPECT_EQ(host.timersArmed, 0);
    expectStatusRestored();
}

TEST_F(UpdateCommand, ABrokenTransferSaysNothingAndRestoresTheStatusLine)
{
    writeModel(kOldModelFile);
    LoopbackSocketServer server(
        {"HTTP/1.1 200 OK\r\nContent-Length: 900\r\nConnection: close\r\n\r\n",
         std::string(kNewModelFile)},
        50, LoopbackSocketServer::Ending::Close);
    EXPECT_EQ(runUpdateCommand(host, server.url().c_str()), 0);
    EXPECT_TRUE(boxes.messages.empty());
    EXPECT_EQ(modelText(), kOldModelFile);
    EXPECT_FALSE(exists(tempPath()));
    EXPECT_EQ(host.timersArmed, 0);
    expectStatusRestored();
}

TEST_F(UpdateCommand, TheStatusLineGoesBackToTheDialogsTextOfTheMoment)
{
    writeModel(kOldModelFile);
    HttpFileServer server;
    server.answer(200, kNewModelFile);
    host.status = "Select Gps";
    EXPECT_EQ(run(server), 1);
    EXPECT_EQ(host.lines(), (std::vector<std::string>{kGetting, "Select Gps"}));
}

TEST_F(UpdateCommand, TheProxyVariablesAreIgnored)
{
    writeModel(kOldModelFile);
    HttpFileServer server;
    server.answer(200, kNewModelFile);
    LoopbackSocketServer proxy({"HTTP/1.1 200 OK\r\nContent-Length: 12\r\n\r\n[GPS]\r\nDate=9"},
                               0, LoopbackSocketServer::Ending::Close);
    const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.port());
    ScopedEnvironment lower("http_proxy", proxyUrl.c_str());
    ScopedEnvironment upper("HTTP_PROXY", proxyUrl.c_str());
    ScopedEnvironment all("ALL_PROXY", proxyUrl.c_str());

    EXPECT_EQ(run(server), 1);

    EXPECT_EQ(modelText(), kNewModelFile);
    expectAnswer(kUpdated);
    EXPECT_EQ(proxy.connections(), 0);
    expectOneModelFileGet(server.requests());
}

TEST_F(UpdateCommand, TheBuiltInUrlIsAnHttpUrlOfTheModelFile)
{
    const std::string url = kUpdateUrl;
    EXPECT_EQ(url.rfind("http", 0), 0u);
    EXPECT_NE(url.find("://"), std::string::npos);
    EXPECT_GE(url.size(), 16u);
    EXPECT_EQ(url.substr(url.size() - 16), "/gps/wendrix.ini");
}

} // namespace

// The Update command from wendrix-cli, against a model-file server of the
// test's own on the loopback address.
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tests/cli/cli_runner.h"

using testing_support::readText;
using testing_support::writeText;

namespace {

constexpr char kOldModel[] = "[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\n";
constexpr char kNewModel[] = "[GPS]\r\nDate=02.03.04\r\nGps-1=Model A 2.40\r\nGps-2=Model C 1.00\r\n"
                            "[Model A 2.40]\r\norg=model.org\r\nrgn=model.rgn\r\ncrc=1234abcd\r\nlang=10\r\n"
                            "Rel=2.40\r\n"
                            "[Model C 1.00]\r\norg=c.org\r\nrgn=c.rgn\r\ncrc=1c4e1d7a\r\nlang=1\r\nRel=1.00\r\n";

// Serves `body` as /gps/wendrix.ini on a loopback port from a thread of its
// own; returns the port.
int serve(httplib::Server& server, std::thread& thread, const std::string& body,
          std::atomic<int>& requests)
{
    server.Get("/gps/wendrix.ini", [&](const httplib::Request&, httplib::Response& res) {
        ++requests;
        res.set_content(body, "text/plain");
    });
    // The same body, ten bytes every 20 ms: a download that takes a while.
    server.Get("/slow/wendrix.ini", [&](const httplib::Request&, httplib::Response& res) {
        ++requests;
        const std::string slow = body;
        res.set_content_provider(slow.size(), "text/plain",
                                 [slow](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                     sink.write(slow.data() + offset, std::min<std::size_t>(10, slow.size() - offset));
                                     return true;
                                 });
    });
    // The first 40 bytes of the body, then the connection closes.
    server.Get("/cut/wendrix.ini", [&](const httplib::Request&, httplib::Response& res) {
        ++requests;
        const std::string cut = body;
        res.set_content_provider(cut.size(), "text/plain",
                                 [cut](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                     if (offset >= 40)
                                         return false;
                                     sink.write(cut.data(), 40);
                                     return true;
                                 });
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    EXPECT_GT(port, 0);
    thread = std::thread([&server] { server.listen_after_bind(); });
    // Wait until the loop runs so that stop() reaches it.
    for (int i = 0; i < 500 && !server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(server.is_running());
    return port;
}

void stopServing(httplib::Server& server, std::thread& thread)
{
    server.stop();
    if (thread.joinable())
        thread.join();
}

class CliUpdateTest : public CliFixture {
protected:
    void SetUp() override
    {
        CliFixture::SetUp();
        port = serve(server, thread, body, requests);
        writeModelFile(kOldModel);
    }
    void TearDown() override { stopServing(server, thread); }
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
    EXPECT_EQ(run({"models"}).out, "1\tModel A 2.40\t2.40\n2\tModel C 1.00\t1.00\n");

    writeModelFile(kOldModel);
    body = "<html>not found</html>";
    r = run({"update", "--update-url=" + url()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Get updates from internet...\nCan't find updates on Internet\n");
    EXPECT_EQ(readText(app("wendrix.ini")), kOldModel);
}

// Whoever can alter the answer must not be able to point a patch run at the
// user's own files.
TEST_F(CliUpdateTest, AnEditionNamingFilesOutsideTheFolderIsRefused)
{
    const std::string home = root.file("config");
    ASSERT_TRUE(writeText(home + "/.bashrc", "alias ll='ls -l'\n"));
    body = "[GPS]\r\nDate=02.03.04\r\nGps-1=Evil\r\n[Evil]\r\norg=" + home +
           "/.bashrc\r\nrgn=/etc/os-release\r\ncrc=1c4e1d7a\r\nlang=1\r\n";
    const CliResult r = run({"update", "--update-url", url()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Get updates from internet...\nThe downloaded Wendrix.ini names a file outside "
                     "this folder: " + home + "/.bashrc\n");
    EXPECT_EQ(readText(app("wendrix.ini")), kOldModel);
    EXPECT_FALSE(testing_support::exists(app("wendrix.iniTMP")));
    EXPECT_EQ(requests.load(), 1);
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
    EXPECT_NE(r.err.find("Search now?\n\nLooked in the folder " + std::filesystem::canonical(root.file("app")).string() +
                         "\nGet updates from internet...\nWendrix.ini updated\n"),
              std::string::npos)
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

// A certificate of our own for a loopback TLS server, made at test time;
// `names` is its subjectAltName. True when openssl made it.
bool makeCertificate(const std::string& stem, const std::string& names)
{
    const std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=wendrix-test"
                                " -addext subjectAltName=" + names + " -keyout '" + stem + ".key' -out '" +
                                stem + ".pem' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Sets CURL_CA_BUNDLE for the programs started while it lives.
class TrustedCertificates {
public:
    explicit TrustedCertificates(const std::string& file) { ::setenv("CURL_CA_BUNDLE", file.c_str(), 1); }
    ~TrustedCertificates() { ::unsetenv("CURL_CA_BUNDLE"); }
};

// Over https the server must show a certificate that is trusted and made
// out to the URL's host; anything else is a request that failed.
TEST_F(CliUpdateTest, HttpsNeedsATrustedCertificateForTheHost)
{
    const std::string good = root.file("loopback");
    const std::string otherHost = root.file("other-host");
    ASSERT_TRUE(makeCertificate(good, "IP:127.0.0.1"));
    ASSERT_TRUE(makeCertificate(otherHost, "DNS:update.example.invalid"));
    ::unsetenv("CURL_CA_BUNDLE");
    const std::string refused = "Get updates from internet...\nCan't download updates from Internet\n";
    const struct {
        std::string stem;
        bool trusted; // the test's certificate is the one to trust
        bool accepted;
    } cases[] = {{good, false, false}, {otherHost, true, false}, {good, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stem + (c.trusted ? " trusted" : ""));
        writeModelFile(kOldModel);
        httplib::SSLServer tls((c.stem + ".pem").c_str(), (c.stem + ".key").c_str());
        ASSERT_TRUE(tls.is_valid());
        std::thread tlsThread;
        std::atomic<int> tlsRequests{0};
        const int tlsPort = serve(tls, tlsThread, body, tlsRequests);
        const std::string tlsUrl = "https://127.0.0.1:" + std::to_string(tlsPort) + "/gps/wendrix.ini";
        CliResult r;
        if (c.trusted) {
            TrustedCertificates trust(c.stem + ".pem");
            r = run({"update", "--update-url", tlsUrl});
        } else {
            r = run({"update", "--update-url", tlsUrl});
        }
        stopServing(tls, tlsThread);
        EXPECT_EQ(r.status, c.accepted ? 0 : 1);
        EXPECT_EQ(r.err, c.accepted ? "Get updates from internet...\nWendrix.ini updated\n" : refused);
        EXPECT_EQ(readText(app("wendrix.ini")), c.accepted ? kNewModel : kOldModel);
        EXPECT_EQ(tlsRequests.load(), c.accepted ? 1 : 0);
    }
    // Plain http keeps working.
    writeModelFile(kOldModel);
    EXPECT_EQ(run({"update", "--update-url", url()}).status, 0);
    EXPECT_EQ(readText(app("wendrix.ini")), kNewModel);
}

// Two updates at once in one folder: each takes the folder's run lock for
// the replacement, so both succeed and the model file is the whole edition.
TEST_F(CliUpdateTest, TwoUpdatesAtOnceLeaveAWholeModelFile)
{
    body = std::string(kNewModel) + std::string(300, ';') + "\r\n";
    const std::string slowUrl = "http://127.0.0.1:" + std::to_string(port) + "/slow/wendrix.ini";
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        writeModelFile(kOldModel);
        const Started first = start({"update", "--update-url", slowUrl}, false, "first");
        const Started second = start({"update", "--update-url", slowUrl}, false, "second");
        const CliResult a = finish(first);
        const CliResult b = finish(second);
        EXPECT_EQ(a.status, 0) << a.err;
        EXPECT_EQ(b.status, 0) << b.err;
        EXPECT_EQ(readText(app("wendrix.ini")), body);
        const std::string backup = readText(app("wendrix.ini.bak"));
        EXPECT_TRUE(backup == kOldModel || backup == body);
        EXPECT_FALSE(testing_support::exists(app("wendrix.iniTMP")));
        for (const auto& entry : std::filesystem::directory_iterator(app(""))) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name.find("TMP") == std::string::npos && name.find(".tmp") == std::string::npos) << name;
        }
    }
}

// The command line says why a download stopped.
TEST_F(CliUpdateTest, ADownloadCutShortIsReported)
{
    const std::string cutUrl = "http://127.0.0.1:" + std::to_string(port) + "/cut/wendrix.ini";
    const CliResult r = run({"update", "--update-url", cutUrl});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Get updates from internet...\nThe download broke off after 40 bytes\n");
    EXPECT_EQ(readText(app("wendrix.ini")), kOldModel);
}

} // namespace

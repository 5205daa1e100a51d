// WinINet, loaded at run time, against a server on the loopback address.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "tests/win32/loopback_http.h"
#include "tests/win32/win_test_folder.h"

using namespace platform;

namespace {
const char kHeader[] = "Accept: */*\r\n\r\n";

std::string reply(const std::string& status, const std::string& body)
{
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Loads the library and opens a root handle with the given time limits.
class Win32Network : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(netLoad());
        reopen(30, 30);
    }
    void TearDown() override
    {
        netClose(internet);
        netUnload();
        netSetTimeouts(30, 30);
    }
    void reopen(int connectSeconds, int readSeconds)
    {
        if (internet != 0)
            netClose(internet);
        netSetTimeouts(connectSeconds, readSeconds);
        internet = netOpen("Zarnek Wendrix");
        ASSERT_NE(internet, 0);
    }
    // Opens `url` and reads the whole body in 50-byte requests.
    struct Fetched {
        bool opened = false, complete = false;
        std::string body;
        int reads = 0;
    };
    Fetched fetch(const std::string& url)
    {
        Fetched result;
        NetHandle request = netOpenUrl(internet, url.c_str(), kHeader, 15);
        result.opened = request != 0;
        char buffer[64];
        while (result.opened) {
            std::uint32_t got = 12345;
            if (!netRead(request, buffer, 50, &got))
                break;
            ++result.reads;
            if (got == 0) {
                result.complete = true;
                break;
            }
            EXPECT_LE(got, 50u);
            result.body.append(buffer, got);
        }
        if (result.opened)
            netClose(request);
        return result;
    }
    NetHandle internet = 0;
};
} // namespace

TEST_F(Win32Network, EachRequestIsOneGetWithTheAgentAndHeader)
{
    const std::string body = "[GPS]\r\nDate=2026-12-01\r\nGps-1=Model A 2.40\r\n" +
                             std::string(70, ';') + "\r\n";
    LoopbackHttp server(reply("200 OK", body));
    for (int i = 0; i < 2; ++i) {
        const Fetched got = fetch(server.url("/gps/wendrix.ini"));
        ASSERT_TRUE(got.opened);
        EXPECT_TRUE(got.complete);
        EXPECT_EQ(got.body, body);
        EXPECT_GE(got.reads, 4) << "a 117-byte body takes three 50-byte reads and the end";
    }
    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u) << "nothing may come from a cache";
    EXPECT_EQ(requests[0].rfind("GET /gps/wendrix.ini HTTP/1.", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("User-Agent: Zarnek Wendrix\r\n"), std::string::npos)
        << requests[0];
    EXPECT_NE(requests[0].find("Accept: */*\r\n"), std::string::npos) << requests[0];
}

TEST_F(Win32Network, ErrorPagesEmptyBodiesAndCutBodies)
{
    const struct {
        const char* name;
        std::string reply;
        bool complete;
        std::string body;
        int reads; // 0: any number
    } cases[] = {
        {"error page", reply("404 Not Found", "<html>no such file</html>"), true,
         "<html>no such file</html>", 0},
        {"empty body", reply("200 OK", ""), true, "", 1},
        {"cut short", "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(120, 'x'),
         false, std::string(120, 'x'), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackHttp server(c.reply);
        const Fetched got = fetch(server.url("/x"));
        ASSERT_TRUE(got.opened);
        EXPECT_EQ(got.complete, c.complete);
        EXPECT_EQ(got.body, c.body);
        if (c.reads != 0) {
            EXPECT_EQ(got.reads, c.reads);
        }
    }
}

TEST_F(Win32Network, NoServerOrASilentOneMeansNoResponseHandle)
{
    const std::string url =
        "http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/gps/wendrix.ini";
    EXPECT_EQ(netOpenUrl(internet, url.c_str(), kHeader, 15), 0);
    EXPECT_EQ(netOpenUrl(0, url.c_str(), kHeader, 15), 0);

    reopen(1, 1);
    LoopbackHttp server("", true); // answers nothing
    EXPECT_EQ(netOpenUrl(internet, server.url("/gps/wendrix.ini").c_str(), kHeader, 15), 0);
}

TEST_F(Win32Network, AServerFallingSilentMidBodyBreaksTheTransfer)
{
    reopen(5, 1);
    LoopbackHttp server("HTTP/1.0 200 OK\r\nContent-Length: 500\r\n\r\n[GPS]\r\n", true);
    const Fetched got = fetch(server.url("/gps/wendrix.ini"));
    ASSERT_TRUE(got.opened);
    EXPECT_FALSE(got.complete);
}

// Only a 200 answer is a model file, so the status must come through; and
// a transfer that stops for the idle limit is told from one that broke.
TEST_F(Win32Network, TheStatusAndWhyATransferStoppedAreReported)
{
    const struct {
        const char* status;
        int code;
    } answers[] = {{"200 OK", 200}, {"404 Not Found", 404}, {"302 Found", 302}, {"500 Oops", 500}};
    for (const auto& answer : answers) {
        SCOPED_TRACE(answer.status);
        LoopbackHttp server(reply(answer.status, "[GPS]\r\n"));
        const NetHandle request = netOpenUrl(internet, server.url("/gps/wendrix.ini").c_str(), kHeader, 15);
        ASSERT_NE(request, 0);
        EXPECT_EQ(netStatus(request), answer.code);
        netClose(request);
    }
    EXPECT_EQ(netStatus(0), 0);

    reopen(5, 1);
    const struct {
        const char* name;
        bool silent;
    } stops[] = {{"falls silent", true}, {"closes early", false}};
    for (const auto& stop : stops) {
        SCOPED_TRACE(stop.name);
        LoopbackHttp server("HTTP/1.0 200 OK\r\nContent-Length: 500\r\n\r\n[GPS]\r\n", stop.silent);
        const NetHandle request = netOpenUrl(internet, server.url("/gps/wendrix.ini").c_str(), kHeader, 15);
        ASSERT_NE(request, 0);
        char buffer[64];
        std::uint32_t got = 0;
        bool ok = true;
        for (int i = 0; i < 20 && ok; ++i)
            ok = netRead(request, buffer, 50, &got) && got > 0;
        EXPECT_FALSE(ok);
        EXPECT_EQ(netTimedOut(request), stop.silent);
        netClose(request);
    }
}

TEST(Win32NetworkLibrary, NothingWorksBeforeLoadingAndLoadingTwiceIsHarmless)
{
    netUnload();
    EXPECT_EQ(netOpen("Zarnek Wendrix"), 0);
    std::uint32_t got = 7;
    char buffer[4];
    EXPECT_FALSE(netRead(0, buffer, sizeof buffer, &got));
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(netLoad());
    ASSERT_TRUE(netLoad());
    NetHandle internet = netOpen("Zarnek Wendrix");
    EXPECT_NE(internet, 0);
    netClose(internet);
    netUnload();
}

// Over https the server must show a certificate that the system trusts.
// The server runs on the host with a certificate made for 127.0.0.1 at test
// time (scripts/tls-loopback-server.sh), which nobody trusts; the test wiring
// names its folder in WENDRIX_TLS_SERVER.
TEST_F(Win32Network, HttpsRefusesACertificateNobodyTrusts)
{
    const char* folder = std::getenv("WENDRIX_TLS_SERVER");
    std::string port = folder != nullptr ? readWhole(std::string(folder) + "\\port.txt") : "";
    port.erase(port.find_last_not_of("\r\n") + 1);
    if (port.empty())
        GTEST_SKIP() << "no https server on the loopback address for this run";
    EXPECT_FALSE(fetch("https://127.0.0.1:" + port + "/gps/wendrix.ini").opened);
}

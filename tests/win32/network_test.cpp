// WinINet, loaded at run time, against a server on the loopback address.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "tests/win32/loopback_http.h"

using namespace platform;

namespace {
const char kHeader[] = "Accept: */*\r\n\r\n";

std::string reply(const std::string& status, const std::string& body)
{
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Loads the library and opens a root handle; closes both afterwards.
class Win32Network : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(netLoad());
        internet = netOpen("Zarnek Wendrix");
        ASSERT_NE(internet, 0);
    }
    void TearDown() override
    {
        netClose(internet);
        netUnload();
        netSetTimeouts(30, 60);
    }
    // Reads the whole body in `chunk`-byte requests; false on a broken read.
    bool readBody(NetHandle request, std::string& body, std::uint32_t chunk, int& reads)
    {
        char buffer[256];
        for (;;) {
            std::uint32_t got = 12345;
            if (!netRead(request, buffer, chunk, &got))
                return false;
            ++reads;
            if (got == 0)
                return true;
            EXPECT_LE(got, chunk);
            body.append(buffer, got);
        }
    }
    NetHandle internet = 0;
};
} // namespace

TEST_F(Win32Network, SendsOneGetWithTheAgentAndHeaderAndHandsOverTheBody)
{
    const std::string body = "[GPS]\r\nDate=2026-12-01\r\nGps-1=Model A 2.40\r\n" +
                             std::string(70, ';') + "\r\n";
    LoopbackHttp server(reply("200 OK", body));
    NetHandle request =
        netOpenUrl(internet, server.url("/gps/wendrix.ini").c_str(), kHeader, 15);
    ASSERT_NE(request, 0);
    std::string got;
    int reads = 0;
    EXPECT_TRUE(readBody(request, got, 50, reads));
    netClose(request);
    EXPECT_EQ(got, body);
    EXPECT_GE(reads, 4) << "a 117-byte body takes three 50-byte reads and the end";

    const std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET /gps/wendrix.ini HTTP/1.", 0), 0u) << requests[0];
    EXPECT_NE(requests[0].find("User-Agent: Zarnek Wendrix\r\n"), std::string::npos)
        << requests[0];
    EXPECT_NE(requests[0].find("Accept: */*\r\n"), std::string::npos) << requests[0];
}

TEST_F(Win32Network, AnErrorPageIsAResponseLikeAnyOther)
{
    LoopbackHttp server(reply("404 Not Found", "<html>no such file</html>"));
    NetHandle request =
        netOpenUrl(internet, server.url("/gps/wendrix.ini").c_str(), kHeader, 15);
    ASSERT_NE(request, 0);
    std::string got;
    int reads = 0;
    EXPECT_TRUE(readBody(request, got, 50, reads));
    netClose(request);
    EXPECT_EQ(got, "<html>no such file</html>");
}

TEST_F(Win32Network, AnEmptyBodyEndsAtTheFirstRead)
{
    LoopbackHttp server(reply("200 OK", ""));
    NetHandle request = netOpenUrl(internet, server.url("/x").c_str(), kHeader, 15);
    ASSERT_NE(request, 0);
    std::string got;
    int reads = 0;
    EXPECT_TRUE(readBody(request, got, 50, reads));
    netClose(request);
    EXPECT_EQ(got, "");
    EXPECT_EQ(reads, 1);
}

TEST_F(Win32Network, EveryRequestGoesToTheServer)
{
    LoopbackHttp server(reply("200 OK", "[GPS]\r\n"));
    for (int i = 0; i < 2; ++i) {
        NetHandle request = netOpenUrl(internet, server.url("/same").c_str(), kHeader, 15);
        ASSERT_NE(request, 0);
        std::string got;
        int reads = 0;
        EXPECT_TRUE(readBody(request, got, 50, reads));
        netClose(request);
    }
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(Win32Network, NoServerMeansNoResponseHandle)
{
    const std::string url =
        "http://127.0.0.1:" + std::to_string(closedLoopbackPort()) + "/gps/wendrix.ini";
    EXPECT_EQ(netOpenUrl(internet, url.c_str(), kHeader, 15), 0);
    EXPECT_EQ(netOpenUrl(0, url.c_str(), kHeader, 15), 0);
}

TEST_F(Win32Network, ASilentServerRunsIntoTheTimeLimit)
{
    netClose(internet);
    netSetTimeouts(1, 1);
    internet = netOpen("Zarnek Wendrix");
    ASSERT_NE(internet, 0);
    LoopbackHttp server("", false, true);
    EXPECT_EQ(netOpenUrl(internet, server.url("/gps/wendrix.ini").c_str(), kHeader, 15), 0);
}

TEST_F(Win32Network, AServerFallingSilentMidBodyBreaksTheTransfer)
{
    netClose(internet);
    netSetTimeouts(5, 1);
    internet = netOpen("Zarnek Wendrix");
    ASSERT_NE(internet, 0);
    LoopbackHttp server("HTTP/1.0 200 OK\r\nContent-Length: 500\r\n\r\n[GPS]\r\n", true);
    NetHandle request = netOpenUrl(internet, server.url("/gps/wendrix.ini").c_str(), kHeader, 15);
    ASSERT_NE(request, 0);
    std::string got;
    int reads = 0;
    EXPECT_FALSE(readBody(request, got, 50, reads));
    netClose(request);
}

TEST_F(Win32Network, ABodyCutShortIsABrokenTransfer)
{
    const std::string head =
        "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(120, 'x');
    LoopbackHttp server(head);
    NetHandle request = netOpenUrl(internet, server.url("/x").c_str(), kHeader, 15);
    ASSERT_NE(request, 0);
    std::string got;
    int reads = 0;
    EXPECT_FALSE(readBody(request, got, 50, reads));
    netClose(request);
    EXPECT_EQ(got.size(), 120u);
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

// The HTTP client of the platform layer, against servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/update/loopback_servers.h"

namespace {

constexpr char kHeader[] = "Accept: */*\r\n\r\n";

// Library, root handle and (when it could be made) the response, released
// in the right order whatever the test did.
struct Session {
    explicit Session(const std::string& url)
        : loaded(platform::netLoad()), internet(platform::netOpen("Zarnek Wendrix")),
          request(internet != 0 ? platform::netOpenUrl(internet, url.c_str(), kHeader, 15) : 0)
    {
    }
    ~Session()
    {
        if (request != 0)
            platform::netClose(request);
        if (internet != 0)
            platform::netClose(internet);
        if (loaded)
            platform::netUnload();
    }
    // Reads to the end in steps of the given sizes, round and round.
    bool readAll(std::string& body, const std::vector<std::uint32_t>& sizes)
    {
        std::vector<char> buffer(65536);
        for (std::size_t i = 0;; ++i) {
            const std::uint32_t size = sizes[i % sizes.size()];
            std::uint32_t got = 12345;
            if (!platform::netRead(request, buffer.data(), size, &got))
                return false;
            EXPECT_LE(got, size);
            if (got == 0)
                return true;
            body.append(buffer.data(), got);
        }
    }
    bool loaded;
    platform::NetHandle internet;
    platform::NetHandle request;
};

TEST(HttpClient, HandsOverTheWholeBodyInOrderWhateverTheReadSizes)
{
    std::string body;
    std::uint32_t state = 2463534242u; // xorshift: bytes of every value
    for (std::size_t i = 0; i < 300000; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        body.push_back(static_cast<char>(state & 0xFF));
    }
    LoopbackServer server({httpReply(200, body)});
    for (const auto& sizes : std::vector<std::vector<std::uint32_t>>{
             {50}, {1, 7, 4096, 3, 65536}, {65536}}) {
        Session session(server.url());
        ASSERT_NE(session.request, 0);
        std::string got;
        ASSERT_TRUE(session.readAll(got, sizes));
        EXPECT_TRUE(got == body);
        // The end stays the end.
        std::uint32_t count = 1;
        EXPECT_TRUE(platform::netRead(session.request, &state, 1, &count));
        EXPECT_EQ(count, 0u);
    }
}

TEST(HttpClient, RequestsThatCannotBeMadeOrAnsweredDoNotOpen)
{
    // Only HTTP is spoken; neither port has anything behind it.
    for (const char* scheme : {"http", "ftp"}) {
        Session session(std::string(scheme) + "://127.0.0.1:" +
                        std::to_string(unusedLoopbackPort()) + "/gps/wendrix.ini");
        EXPECT_NE(session.internet, 0);
        EXPECT_EQ(session.request, 0) << scheme;
    }
}

#ifndef _WIN32
// WinINet waits to fill the whole request; this client hands over what has
// come, so that a reader never waits on bytes the server has yet to send.
TEST(HttpClient, BytesArrivingInPiecesArriveInPieces)
{
    LoopbackServer server({"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n[G", "PS]\r\nA=1"}, 300);
    Session session(server.url());
    ASSERT_NE(session.request, 0);
    char buffer[50];
    std::uint32_t got = 0;
    ASSERT_TRUE(platform::netRead(session.request, buffer, sizeof buffer, &got));
    EXPECT_EQ(std::string(buffer, got), "[G");
    std::string rest;
    ASSERT_TRUE(session.readAll(rest, {50}));
    EXPECT_EQ(rest, "PS]\r\nA=1");
}
#endif

TEST(HttpClient, HandlesThatAreNoneAreRefused)
{
    char buffer[4];
    std::uint32_t got = 99;
    EXPECT_FALSE(platform::netRead(0, buffer, sizeof buffer, &got));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(platform::netOpenUrl(0, "http://127.0.0.1/", kHeader, 15), 0);
    platform::netClose(0);
}

} // namespace

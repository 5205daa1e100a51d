// The HTTP client of the platform layer and the library behind it,
// against servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "config/model_file.h"
#include "platform/platform.h"
#include "tests/support/test_helpers.h"
#include "tests/update/loopback_servers.h"
#include "update/model_update.h"

#ifndef _WIN32
#include <sched.h>
#include <sys/mount.h>
#endif

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

// 300000 bytes of every value, in no pattern a reader could fake (xorshift).
std::string patternedBody()
{
    std::string body;
    for (std::uint32_t state = 2463534242u; body.size() < 300000;) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        body.push_back(static_cast<char>(state & 0xFF));
    }
    return body;
}

TEST(HttpClient, HandsOverTheWholeBodyInOrderWhateverTheReadSizes)
{
    const std::string body = patternedBody();
    LoopbackServer server({httpReply(200, body)});
    for (const auto& sizes : std::vector<std::vector<std::uint32_t>>{
             {50}, {1, 7, 4096, 3, 65536}, {65536}}) {
        Session session(server.url());
        ASSERT_NE(session.request, 0);
        std::string got;
        ASSERT_TRUE(session.readAll(got, sizes));
        EXPECT_TRUE(got == body);
        // The end stays the end.
        char byte;
        std::uint32_t count = 1;
        EXPECT_TRUE(platform::netRead(session.request, &byte, 1, &count));
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

TEST(HttpClient, HandlesThatAreNoneAreRefused)
{
    char buffer[4];
    std::uint32_t got = 99;
    EXPECT_FALSE(platform::netRead(0, buffer, sizeof buffer, &got));
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(platform::netOpenUrl(0, "http://127.0.0.1/", kHeader, 15), 0);
    platform::netClose(0);
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

// libcurl is in the process only from netLoad to netUnload, except in a
// sanitizer build: LeakSanitizer cannot cope with unloaded libraries.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnloadUnmaps = false;
#else
constexpr bool kUnloadUnmaps = true;
#endif

// How many mappings of libcurl files this process has; `file` gets a path.
int curlMappings(std::string* file = nullptr)
{
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);) {
        const std::size_t slash = line.find('/');
        if (slash == std::string::npos || line.compare(line.rfind('/') + 1, 7, "libcurl") != 0)
            continue;
        ++count;
        if (file != nullptr)
            *file = line.substr(slash);
    }
    return count;
}

void expectUnmapped()
{
    if (kUnloadUnmaps) {
        EXPECT_EQ(curlMappings(), 0);
    }
}


// A library linked at start-up could never be unmapped.
TEST(NetLibrary, NothingOpensWithoutTheLibraryAndLoadingTwiceNeedsOneUnload)
{
    expectUnmapped();
    EXPECT_EQ(platform::netOpen("Zarnek Wendrix"), 0);
    ASSERT_TRUE(platform::netLoad());
    ASSERT_TRUE(platform::netLoad());
    EXPECT_GT(curlMappings(), 0);
    const platform::NetHandle internet = platform::netOpen("Zarnek Wendrix");
    EXPECT_NE(internet, 0);
    platform::netClose(internet);
    platform::netUnload();
    expectUnmapped();
    EXPECT_EQ(platform::netOpen("Zarnek Wendrix"), 0);
}

// Unloading while a request is still open must not pull the library from
// under it: the request reads to its end and the library goes with it.
TEST(NetLibrary, AnOpenRequestKeepsTheLibraryUntilItIsClosed)
{
    const std::string body = patternedBody();
    LoopbackServer server({httpReply(200, body)});
    ASSERT_TRUE(platform::netLoad());
    const platform::NetHandle internet = platform::netOpen("Zarnek Wendrix");
    ASSERT_NE(internet, 0);
    const platform::NetHandle request =
        platform::netOpenUrl(internet, server.url().c_str(), "Accept: */*\r\n\r\n", 15);
    ASSERT_NE(request, 0);

    platform::netUnload();
    EXPECT_GT(curlMappings(), 0);
    // Nothing new starts on a library that is on its way out.
    EXPECT_EQ(platform::netOpenUrl(internet, server.url().c_str(), nullptr, 0), 0);
    EXPECT_EQ(platform::netOpen("Zarnek Wendrix"), 0);

    std::string got;
    std::vector<char> buffer(4096);
    for (std::uint32_t count = 1; count != 0; got.append(buffer.data(), count))
        ASSERT_TRUE(platform::netRead(request, buffer.data(), 4096, &count));
    EXPECT_TRUE(got == body);
    platform::netClose(request);
    expectUnmapped();
    platform::netClose(internet);
    EXPECT_EQ(server.requests().size(), 1u);

    // Loading afterwards starts afresh.
    ASSERT_TRUE(platform::netLoad());
    EXPECT_GT(curlMappings(), 0);
    platform::netUnload();
    expectUnmapped();
}

// The download as the user meets it when libcurl is missing or is not
// libcurl at all: a child process binds another file over the library in
// a mount namespace of its own.
TEST(NetLibrary, ADownloadWithoutAUsableLibrarySaysItCannotLoadIt)
{
    if (curlMappings() > 0)
        GTEST_SKIP() << "libcurl is still mapped from an earlier test in this process";
    std::string library;
    ASSERT_TRUE(platform::netLoad());
    ASSERT_GT(curlMappings(&library), 0);
    platform::netUnload();
    if (curlMappings() > 0)
        GTEST_SKIP() << "libcurl stays mapped after unloading in this build";

    testing_support::TempDir folder;
    const std::string empty = folder.file("empty.so");
    ASSERT_TRUE(testing_support::writeText(empty, ""));
    // A real shared library without curl's entry points: zlib, which curl needs.
    const std::string other = library.substr(0, library.rfind('/')) + "/libz.so.1";
    ASSERT_TRUE(testing_support::exists(other)) << other;
    const std::string model = folder.file("Wendrix.ini");
    const std::string url = "http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/";

    enum { Passed, NoNamespace, WrongResult, WrongMessages };
    for (const std::string& standIn : {empty, other}) {
        SCOPED_TRACE(standIn);
        const int code = testing_support::runInChild([&]() -> int {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount(standIn.c_str(), library.c_str(), nullptr, MS_BIND, nullptr) != 0)
                return NoNamespace;
            std::snprintf(modelFilePath, sizeof modelFilePath, "%s", model.c_str());
            testing_support::RecordingMessageBoxes boxes;
            if (downloadModelFile(nullptr, url.c_str()) != 0)
                return WrongResult;
            return boxes.messages.size() == 1 &&
                           boxes.messages[0].text == "Can't load internet library"
                       ? Passed
                       : WrongMessages;
        });
        if (code == NoNamespace)
            GTEST_SKIP() << "no private mount namespace here (needs root with CAP_SYS_ADMIN)";
        EXPECT_EQ(code, Passed);
    }
    EXPECT_FALSE(testing_support::exists(model + "TMP"));
}
#endif

} // namespace

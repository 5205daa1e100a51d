// libcurl is in the process only while a download needs it: not at
// start-up, from netLoad to netUnload, and (when it cannot be loaded) the
// download says so. A probe program gives a fresh process for each look.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "tests/support/test_helpers.h"
#include "tests/update/http_file_server.h"

namespace {

// A sanitizer build keeps libcurl mapped after netUnload (LeakSanitizer
// cannot cope with libraries that were unloaded); everywhere else it goes.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnloadUnmaps = false;
#else
constexpr bool kUnloadUnmaps = true;
#endif

// The probe's exit code when the child could not get a mount namespace of
// its own (no CAP_SYS_ADMIN, a locked-down container).
constexpr int kNoNamespace = 77;

struct ProbeRun {
    int exitCode = -1; // -1: did not end normally
    std::vector<std::pair<std::string, std::string>> lines;

    // The value of the only line with `key`; "?" when none or several.
    std::string value(const std::string& key) const
    {
        std::string found = "?";
        int count = 0;
        for (const auto& [k, v] : lines)
            if (k == key && ++count == 1)
                found = v;
        return count == 1 ? found : "?";
    }
    std::vector<std::string> all(const std::string& key) const
    {
        std::vector<std::string> values;
        for (const auto& [k, v] : lines)
            if (k == key)
                values.push_back(v);
        return values;
    }
};

// Runs the probe with `args`. With `hideSource` set, the child first takes
// a private mount namespace and binds that file over `hideTarget`, so that
// only the probe sees the library replaced.
ProbeRun runProbe(std::vector<std::string> args, const std::string& hideSource = {},
                  const std::string& hideTarget = {})
{
    args.insert(args.begin(), WENDRIX_NET_PROBE);
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    ProbeRun run;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return run;
    const pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        return run;
    }
    if (pid == 0) {
        // Only system calls from here on: the test program may have threads.
        if (dup2(out[1], 1) < 0)
            _exit(126);
        if (!hideSource.empty()) {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount(hideSource.c_str(), hideTarget.c_str(), nullptr, MS_BIND, nullptr) != 0)
                _exit(kNoNamespace);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        const std::size_t space = line.find(' ');
        run.lines.emplace_back(line.substr(0, space),
                               space == std::string::npos ? "" : line.substr(space + 1));
        start = end + 1;
    }
    return run;
}

// How many mappings of files whose names begin with `prefix` this process
// has, and the path of one of them.
int mappings(const std::string& prefix, std::string* file = nullptr)
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    int count = 0;
    while (std::getline(maps, line)) {
        const std::size_t slash = line.find('/');
        if (slash == std::string::npos)
            continue;
        const std::string path = line.substr(slash);
        if (path.substr(path.rfind('/') + 1).rfind(prefix, 0) != 0)
            continue;
        ++count;
        if (file != nullptr)
            *file = path;
    }
    return count;
}

std::string bodyOf(std::size_t size)
{
    std::string body = "[GPS]\r\n";
    for (std::size_t i = 0; body.size() < size; ++i)
        body += static_cast<char>('a' + i * 7 % 26);
    return body;
}

} // namespace

TEST(NetLibrary, MappedOnlyFromLoadToUnloadInAFreshProcess)
{
    const ProbeRun run = runProbe({"maps"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.value("before"), "0");
    ASSERT_EQ(run.value("load"), "1");
    EXPECT_NE(run.value("loaded"), "0");
    EXPECT_NE(run.value("loaded"), "?");
    EXPECT_NE(run.value("file"), "");
    if (kUnloadUnmaps) {
        EXPECT_EQ(run.value("unloaded"), "0");
    }
    // A second download in the same run loads it again.
    EXPECT_EQ(run.value("reload"), "1");
    EXPECT_NE(run.value("reloaded"), "0");
    EXPECT_NE(run.value("reloaded"), "?");
}

TEST(NetLibrary, NothingOpensWithoutTheLibraryAndLoadingTwiceNeedsOneUnload)
{
    if (kUnloadUnmaps) {
        EXPECT_EQ(mappings("libcurl"), 0);
    }
    EXPECT_EQ(platform::netOpen("Zarnek Wendrix"), 0);
    ASSERT_TRUE(platform::netLoad());
    ASSERT_TRUE(platform::netLoad());
    const platform::NetHandle internet = platform::netOpen("Zarnek Wendrix");
    EXPECT_NE(internet, 0);
    platform::netClose(internet);
    platform::netUnload();
    if (kUnloadUnmaps) {
        EXPECT_EQ(mappings("libcurl"), 0);
    }
    EXPECT_EQ(platform::netOpen("Zarnek Wendrix"), 0);
}

// Unloading while a request is still open must not pull the library from
// under it: the request reads to its end and the library goes with it.
TEST(NetLibrary, AnOpenRequestKeepsTheLibraryUntilItIsClosed)
{
    HttpFileServer server;
    const std::string body = bodyOf(300000);
    server.answer(200, body);
    ASSERT_TRUE(platform::netLoad());
    const platform::NetHandle internet = platform::netOpen("Zarnek Wendrix");
    ASSERT_NE(internet, 0);
    const platform::NetHandle request =
        platform::netOpenUrl(internet, server.url().c_str(), "Accept: */*\r\n\r\n", 15);
    ASSERT_NE(request, 0);

    platform::netUnload();
    EXPECT_GT(mappings("libcurl"), 0);
    // Nothing new starts on a library that is on its way out.
    EXPECT_EQ(platform::netOpenUrl(internet, server.url().c_str(), nullptr, 0), 0);
    EXPECT_EQ(platform::netOpen("Zarnek Wendrix"), 0);

    std::string got;
    std::vector<char> buffer(4096);
    for (;;) {
        std::uint32_t count = 0;
        ASSERT_TRUE(platform::netRead(request, buffer.data(), 4096, &count));
        if (count == 0)
            break;
        got.append(buffer.data(), count);
    }
    EXPECT_EQ(got, body);
    platform::netClose(request);
    if (kUnloadUnmaps) {
        EXPECT_EQ(mappings("libcurl"), 0);
    }
    platform::netClose(internet);
    EXPECT_EQ(server.requests().size(), 1u);

    // Loading afterwards starts afresh.
    ASSERT_TRUE(platform::netLoad());
    EXPECT_GT(mappings("libcurl"), 0);
    platform::netUnload();
    if (kUnloadUnmaps) {
        EXPECT_EQ(mappings("libcurl"), 0);
    }
}

// The download as the user meets it when libcurl is missing or is not
// libcurl at all: a file bound over the library in a mount namespace that
// only the probe sees.
TEST(NetLibrary, ADownloadWithoutAUsableLibrarySaysItCannotLoadIt)
{
    testing_support::TempDir folder;
    HttpFileServer server;
    server.answer(200, "no model file here");
    const std::string model = folder.file("Wendrix.ini");

    // With the library in place the same run reaches the server.
    const ProbeRun loaded = runProbe({"download", model, server.url()});
    ASSERT_EQ(loaded.exitCode, 0);
    EXPECT_EQ(loaded.value("result"), "0");
    EXPECT_EQ(loaded.all("message"), std::vector<std::string>{"Can't find updates on Internet"});
    ASSERT_EQ(server.requests().size(), 1u);

    const ProbeRun maps = runProbe({"maps"});
    const std::string library = maps.value("file");
    ASSERT_EQ(library.front(), '/') << library;

    const std::string empty = folder.file("empty.so");
    ASSERT_TRUE(testing_support::writeText(empty, ""));
    std::string other; // a real shared library without curl's entry points
    ASSERT_GT(mappings("libz.so", &other), 0);

    for (const std::string& stand_in : {empty, other}) {
        SCOPED_TRACE(stand_in);
        const ProbeRun hidden = runProbe({"download", model, server.url()}, stand_in, library);
        if (hidden.exitCode == kNoNamespace)
            GTEST_SKIP() << "no private mount namespace here (needs root with CAP_SYS_ADMIN)";
        ASSERT_EQ(hidden.exitCode, 0);
        EXPECT_EQ(hidden.value("result"), "0");
        EXPECT_EQ(hidden.all("message"), std::vector<std::string>{"Can't load internet library"});
    }
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_FALSE(testing_support::exists(model + "TMP"));
}

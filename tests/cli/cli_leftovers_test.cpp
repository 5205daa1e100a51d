// What wendrix-cli leaves in its folders when it is interrupted, when runs
// overlap and under a strict umask: only whole files, with the modes the
// user asked for, and no temporary files.
#include <filesystem>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/cli/cli_runner.h"

namespace fs = std::filesystem;
using namespace run_expect;
using testing_support::exists;
using testing_support::readText;
using testing_support::writeText;

namespace {

std::vector<std::string> tempFilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().filename().string().rfind(".wendrix-", 0) == 0)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

unsigned modeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 01000000;
}

std::string tempName(long pid, unsigned number)
{
    return ".wendrix-" + std::to_string(pid) + "-" + std::to_string(number) + ".tmp";
}

class CliLeftovers : public CliFixture {
protected:
    void prepare(const MadeFirmware& made)
    {
        writeStandardModel(crcOf(made.bytes));
        ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
        put("model.rgn", made.bytes);
        fs::remove(app("model.org"));
    }

    // Stops the run as soon as it has begun a temporary file beside the
    // firmware; false when the run got past every write first.
    bool stopMidWrite(const Started& started)
    {
        const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        EXPECT_GE(watch, 0);
        EXPECT_GE(::inotify_add_watch(watch, root.file("app").c_str(), IN_CREATE), 0);
        bool stopped = false;
        for (int idle = 0; !stopped && idle < 300;) {
            pollfd ready{watch, POLLIN, 0};
            if (::poll(&ready, 1, 100) <= 0) {
                // A run that ended without a write of its own cannot be caught.
                siginfo_t info{};
                if (::waitid(P_PID, static_cast<id_t>(started.pid), &info,
                             WEXITED | WNOHANG | WNOWAIT) != 0 ||
                    info.si_pid != 0)
                    break;
                ++idle;
                continue;
            }
            alignas(inotify_event) char buffer[4096];
            const ssize_t got = ::read(watch, buffer, sizeof buffer);
            for (ssize_t at = 0; !stopped && at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->len == 0 || std::string(event->name).rfind(".wendrix-", 0) != 0)
                    continue;
                ::kill(started.pid, SIGSTOP);
                int status = 0;
                ::waitpid(started.pid, &status, WUNTRACED);
                // A small file may already be in place; then wait for the next.
                stopped = exists(app(event->name));
                if (!stopped)
                    ::kill(started.pid, SIGCONT);
            }
        }
        ::close(watch);
        return stopped;
    }
};

// A run stopped by SIGINT or SIGTERM while it writes a 64 MiB image takes
// its temporary file with it. SIGKILL leaves the file; the next run removes
// it, but not a file whose writer is alive nor a file that is not ours.
TEST_F(CliLeftovers, InterruptedRunsLeaveNoTemporaryFiles)
{
    const MadeFirmware made = makeFirmware(64u << 20, 10, 11);
    const std::string store = root.file("config/Zarnek/Wendrix");
    for (int signal : {SIGINT, SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        prepare(made);
        const Started started = start({"patch", "1", "--line", "MINE"});
        const bool caught = stopMidWrite(started);
        ::kill(started.pid, signal);
        ::kill(started.pid, SIGCONT);
        int ended = 0;
        finish(started, &ended);
        ASSERT_TRUE(caught) << "the run was not caught while writing";
        EXPECT_EQ(ended, signal);
        EXPECT_EQ(bytes("model.rgn"), made.bytes);
        EXPECT_FALSE(exists(app("model.org")));
        if (signal != SIGKILL) {
            EXPECT_EQ(tempFilesIn(root.file("app")), std::vector<std::string>{});
            EXPECT_EQ(tempFilesIn(store), std::vector<std::string>{});
            continue;
        }

        const std::vector<std::string> left = tempFilesIn(root.file("app"));
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(left[0].rfind(".wendrix-" + std::to_string(started.pid) + "-", 0), 0u);
        // The store folder had a file of the same dead process; one of a live
        // process and a name of some other program stay.
        fs::create_directories(store);
        const std::string dead = tempName(started.pid, 7);
        const std::string alive = tempName(::getpid(), 0);
        for (const std::string& name : {dead, alive, std::string(".wendrix-notes.tmp")}) {
            ASSERT_TRUE(writeText(store + "/" + name, "x"));
            ASSERT_TRUE(writeText(app(name), "x"));
        }
        const CliResult r = run({"patch", "1", "--line", "MINE"});
        EXPECT_EQ(r.status, 0) << r.err;
        const std::vector<std::string> kept = {alive, ".wendrix-notes.tmp"};
        std::vector<std::string> sortedKept = kept;
        std::sort(sortedKept.begin(), sortedKept.end());
        EXPECT_EQ(tempFilesIn(root.file("app")), sortedKept);
        EXPECT_EQ(tempFilesIn(store), sortedKept);
        EXPECT_EQ(bytes("model.rgn"), fit(made, {"MINE", "", "", "", "", "", ""}, 10).image);
    }
}

// New files get 0666 less the umask; a replaced file keeps its mode.
TEST_F(CliLeftovers, CreatedFilesHonourTheUmask)
{
    const MadeFirmware made = makeFirmware(64 * 1024, 10, 7);
    for (mode_t mask : {mode_t(077), mode_t(027), mode_t(002)}) {
        SCOPED_TRACE(mask);
        prepare(made);
        fs::remove(app("wendrix.LOG"));
        fs::permissions(app("model.rgn"), fs::perms(0604), fs::perm_options::replace);
        const mode_t previous = ::umask(mask);
        const CliResult r = run({"patch", "1", "--line", "X"});
        ::umask(previous);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(modeOf(app("model.org")), 0666u & ~mask);
        EXPECT_EQ(modeOf(app("wendrix.LOG")), 0666u & ~mask);
        EXPECT_EQ(modeOf(app("model.rgn")), 0604u);
        EXPECT_EQ(bytes("model.org"), made.bytes);
    }
}

// Runs started together in one folder take turns: each log is one whole
// run's, and the stored lines and each working file are those of the last
// run that wrote them.
TEST_F(CliLeftovers, RunsInOneFolderTakeTurns)
{
    const MadeFirmware a = makeFirmware(4u << 20, 10, 21);
    const MadeFirmware b = makeFirmware(4u << 20, 14, 22);
    writeModelFile("[GPS]\r\nGps-1=Model A\r\nGps-2=Model B\r\n"
                   "[Model A]\r\norg=a.org\r\nrgn=a.rgn\r\ncrc=" + hex8(crcOf(a.bytes)) +
                   "\r\nlang=10\r\n[Model B]\r\norg=b.org\r\nrgn=b.rgn\r\ncrc=" + hex8(crcOf(b.bytes)) +
                   "\r\nlang=14\r\n");
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
    put("a.rgn", a.bytes);
    put("b.rgn", b.bytes);

    struct Run {
        const char* section;
        const MadeFirmware* made;
        Lines lines;
        std::int32_t lang;
        Started started;
    };
    std::vector<Run> runs = {{"Model A", &a, ownerLines(), 10, {}},
                             {"Model B", &b, otherLines(), 14, {}},
                             {"Model A", &a, {"FIRST A", "", "", "", "", "", ""}, 10, {}},
                             {"Model B", &b, {"", "", "", "LAST B", "", "", ""}, 14, {}}};

    // The test holds the lock while the runs start, so each one must wait.
    const int held = ::open(app("wendrix.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        std::vector<std::string> args = {"patch", runs[i].section};
        for (const std::string& line : runs[i].lines)
            args.insert(args.end(), {"--line", line});
        runs[i].started = start(args, false, "run" + std::to_string(i));
    }
    bool allWaiting = false;
    for (int tries = 0; !allWaiting && tries < 200; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        allWaiting = true;
        for (const Run& run : runs)
            allWaiting = allWaiting && readText(run.started.errPath).find(kWaiting) != std::string::npos;
    }
    EXPECT_TRUE(allWaiting) << "every run should say that it waits";
    EXPECT_FALSE(exists(app("wendrix.LOG")));
    EXPECT_FALSE(storeTouched());
    ::close(held);
    for (const Run& run : runs) {
        const CliResult r = finish(run.started);
        EXPECT_EQ(r.status, fit(*run.made, run.lines, run.lang).notFitting ? 3 : 0) << r.err;
    }

    // Newest first: wendrix.LOG, then wendrix.1.LOG and so on.
    std::vector<int> order;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const std::string name = k == 0 ? "wendrix.LOG" : "wendrix." + std::to_string(k) + ".LOG";
        const std::vector<std::string> log = splitLog(readText(app(name)));
        int match = -1;
        for (std::size_t i = 0; i < runs.size(); ++i)
            if (log == successLog(runs[i].section, runs[i].section == std::string("Model A") ? "a.rgn" : "b.rgn",
                                  crcOf(runs[i].made->bytes), *runs[i].made, runs[i].lines, runs[i].lang))
                match = static_cast<int>(i);
        EXPECT_NE(match, -1) << name << " is not one whole run's log";
        EXPECT_EQ(std::count(order.begin(), order.end(), match), 0) << name << " repeats a run";
        order.push_back(match);
    }
    ASSERT_FALSE(::testing::Test::HasFailure());
    std::string stored;
    for (const std::string& line : runs[order[0]].lines)
        stored += line + "\n";
    EXPECT_EQ(run({"lines"}).out, stored);
    for (const char* section : {"Model A", "Model B"}) {
        // The first in the newest-first order that patched this model wrote last.
        for (int i : order) {
            if (runs[i].section != std::string(section))
                continue;
            EXPECT_EQ(bytes(section == std::string("Model A") ? "a.rgn" : "b.rgn"),
                      fit(*runs[i].made, runs[i].lines, runs[i].lang).image)
                << section;
            break;
        }
    }
}

} // namespace

// wendrix-cli among files that are not what they should be: FIFOs, links and
// folders where the program reads and writes, a lock file that is no file, a
// store that cannot be written, readers beside a writer, and a file too large
// for the image format. Nothing hangs, nothing is written through a link, and
// the message names the path.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/cli/cli_runner.h"

namespace fs = std::filesystem;
using testing_support::readText;
using testing_support::writeText;

namespace {

bool isFifo(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

class CliOddFiles : public CliModelTest {
protected:
    // Waits at most `seconds` for the run; one still running then is killed
    // and reported as status -2.
    CliResult finishWithin(const Started& started, int seconds)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < deadline) {
            siginfo_t info{};
            if (::waitid(P_PID, static_cast<id_t>(started.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                info.si_pid != 0)
                return finish(started);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(started.pid, SIGKILL);
        CliResult result = finish(started);
        result.status = -2;
        return result;
    }

    CliResult runWithin(const std::vector<std::string>& args, int seconds = 30)
    {
        return finishWithin(start(args), seconds);
    }

    std::string storeFolder() const { return root.file("config/Zarnek/Wendrix"); }
};

// Where a FIFO is planted, and the command that meets it.
struct FifoCase {
    const char* name;
    const char* planted; // below the test's folder
    std::vector<std::string> args;
    const char* named;   // what the message must name
    bool patches = false; // the run goes on without the file and patches
    const char* keptAs = nullptr; // below the test's folder: where the run kept the FIFO
};

class CliFifo : public CliOddFiles, public ::testing::WithParamInterface<FifoCase> {};

TEST_P(CliFifo, IsRefusedAtOnceWithItsName)
{
    prepare();
    const FifoCase& c = GetParam();
    const std::string planted = root.file(c.planted);
    fs::create_directories(fs::path(planted).parent_path());
    fs::remove(planted);
    ASSERT_EQ(::mkfifo(planted.c_str(), 0666), 0);
    const std::vector<unsigned char> rgn = isFifo(app("model.rgn")) ? std::vector<unsigned char>() : bytes("model.rgn");

    const CliResult r = runWithin(c.args);
    ASSERT_NE(r.status, -2) << c.planted << ": the run waited on the FIFO";
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_TRUE(isFifo(c.keptAs ? root.file(c.keptAs) : planted));
    if (c.patches) {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(bytes("model.rgn"), rgn);
    } else {
        EXPECT_EQ(r.status, 1) << r.err;
        if (!isFifo(app("model.rgn"))) {
            EXPECT_EQ(bytes("model.rgn"), rgn);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryPathRead, CliFifo,
    ::testing::Values(
        FifoCase{"WorkingFile", "app/model.rgn", {"patch", "1", "--line", "X"}, "model.rgn"},
        // The working file is stock: its bytes become the pristine copy, and
        // what had that name is kept under a new one.
        FifoCase{"PristineCopy", "app/model.org", {"patch", "1", "--line", "X"}, "model.org", true, "app/model.1.org"},
        FifoCase{"Uploader", "app/UPDATER.EXE", {"patch", "1", "--line", "X"}, "UPDATER.EXE"},
        FifoCase{"ModelFile", "app/wendrix.ini", {"patch", "1", "--line", "X"}, "wendrix.ini"},
        FifoCase{"ModelFileList", "app/wendrix.ini", {"models"}, "wendrix.ini"},
        FifoCase{"Store", "config/Zarnek/Wendrix/values", {"patch", "1", "--line", "X"}, "values", true},
        FifoCase{"StoreRead", "config/Zarnek/Wendrix/values", {"lines"}, "values"},
        FifoCase{"InspectFile", "app/odd.rgn", {"inspect", "odd.rgn"}, "odd.rgn"}),
    [](const ::testing::TestParamInfo<FifoCase>& info) { return std::string(info.param.name); });

// A lock path that is no file stops the run before anything is written; the
// run never goes ahead unlocked, and nothing is created through a link.
TEST_F(CliOddFiles, LockPathThatIsNoFileStopsTheRun)
{
    prepare();
    const std::vector<unsigned char> rgn = bytes("model.rgn");
    const std::string lock = app("wendrix.lock");
    const std::string outside = root.file("outside");
    for (const char* kind : {"dangling link", "fifo", "folder"}) {
        SCOPED_TRACE(kind);
        fs::remove_all(lock);
        fs::remove(outside);
        if (std::string(kind) == "dangling link")
            fs::create_symlink(outside, lock);
        else if (std::string(kind) == "fifo")
            ASSERT_EQ(::mkfifo(lock.c_str(), 0666), 0);
        else
            fs::create_directory(lock);

        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"patch", "1", "--line", "X"}, {"check", "1", "--line", "X"},
              {"restore", "1"}, {"inspect", "model.rgn"}}) {
            SCOPED_TRACE(args[0]);
            const CliResult r = runWithin(args);
            EXPECT_EQ(r.status, 1) << r.err;
            EXPECT_NE(r.err.find("wendrix.lock"), std::string::npos) << r.err;
            // The message's line breaks are line breaks, not escapes.
            EXPECT_NE(r.err.find("not a plain file.\nRemove it and try again"), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find("\\x0a"), std::string::npos) << r.err;
            EXPECT_EQ(r.out, "");
        }
        EXPECT_EQ(bytes("model.rgn"), rgn);
        EXPECT_FALSE(fs::exists(app("model.org")));
        EXPECT_FALSE(fs::exists(outside)) << "created through the link";
        EXPECT_FALSE(storeTouched());
    }
}

// Rotation blocked by folders must not make the log follow a link.
TEST_F(CliOddFiles, LogIsNeverWrittenThroughALink)
{
    prepare();
    const std::string victim = root.file("victim.txt");
    ASSERT_TRUE(writeText(victim, "keep me"));
    fs::create_symlink(victim, app("wendrix.LOG"));
    for (int n = 1; n <= 9; ++n) {
        const std::string folder = app("wendrix." + std::to_string(n) + ".LOG");
        fs::create_directory(folder);
        ASSERT_TRUE(writeText(folder + "/inside", "x"));
    }
    const CliResult r = runWithin({"patch", "1", "--line", "X"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readText(victim), "keep me");
    EXPECT_TRUE(fs::is_symlink(app("wendrix.LOG")));
}

// A store that cannot be written is reported, and the run still patches.
TEST_F(CliOddFiles, StoreThatCannotBeWrittenIsReported)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to drop privileges";
    prepare();
    fs::permissions(app(""), fs::perms::all, fs::perm_options::replace);
    fs::permissions(app("model.rgn"), fs::perms::all, fs::perm_options::replace);
    fs::permissions(app("wendrix.ini"), fs::perms::all, fs::perm_options::replace);
    fs::create_directories(storeFolder());
    for (const std::string& part : {root.file("config/Zarnek"), storeFolder()})
        ::chown(part.c_str(), 65534, 65534);
    ::chown(root.file("config").c_str(), 65534, 65534);

    // A folder of mode 0500, then a values file that is a folder.
    for (const char* kind : {"read-only folder", "values folder"}) {
        SCOPED_TRACE(kind);
        if (std::string(kind) == "read-only folder") {
            ASSERT_EQ(::chmod(storeFolder().c_str(), 0500), 0);
        } else {
            ASSERT_EQ(::chmod(storeFolder().c_str(), 0700), 0);
            fs::create_directory(storeFolder() + "/values");
            ::chown((storeFolder() + "/values").c_str(), 65534, 65534);
        }
        put("model.rgn", made.bytes);
        fs::remove(app("model.org"));
        const CliResult r = run({"patch", "1", "--line", "Mine"}, true);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("Your lines could not be saved: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(storeFolder() + "/values"), std::string::npos) << r.err;
    }
    ASSERT_EQ(::chmod(storeFolder().c_str(), 0700), 0);

    // A run whose lines were saved says nothing of the kind.
    fs::remove(storeFolder() + "/values");
    put("model.rgn", made.bytes);
    const CliResult saved = run({"patch", "1", "--line", "Mine"}, true);
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.err.find("could not be saved"), std::string::npos) << saved.err;
}

// Where the per-user store cannot be made, the lines go to the model file,
// and the run says so; a model file that is a link is never written
// through, and the run says that the lines went nowhere.
TEST_F(CliOddFiles, LinesThatCannotBeSavedPerUserAreReported)
{
    prepare();
    // A plain file where the store's folder must go: it cannot be created.
    ASSERT_TRUE(writeText(root.file("config/Zarnek"), "not a folder"));
    const std::string store = storeFolder() + "/values";
    const std::string model = readText(app("wendrix.ini"));
    const std::string real = root.file("real.ini");
    const struct {
        const char* what;
        bool linked; // wendrix.ini is a link to real.ini
        std::string said;
        std::string modelAfter; // what the model file (or the file it leads to) holds afterwards
    } cases[] = {
        {"plain model file", false,
         "Your lines were saved in " + app("wendrix.ini") + " because the per-user store " + store +
             " cannot be created.\n",
         model + "[WARNING]\r\nText-1=Mine\r\nText-2=\r\nText-3=\r\nText-4=\r\nText-5=\r\nText-6=\r\nText-7=\r\n"},
        {"linked model file", true,
         "Your lines could not be saved: the per-user store " + store + " cannot be created, and " +
             app("wendrix.ini") + " is a link, which is never written through; give them with --line next time.\n",
         model},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(app("wendrix.ini"));
        ASSERT_TRUE(writeText(c.linked ? real : app("wendrix.ini"), model));
        if (c.linked)
            fs::create_symlink(real, app("wendrix.ini"));
        put("model.rgn", made.bytes);
        const CliResult r = run({"patch", "1", "--line", "Mine"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(readText(c.linked ? real : app("wendrix.ini")), c.modelAfter);
        EXPECT_EQ(c.linked, fs::is_symlink(app("wendrix.ini")));
        EXPECT_EQ(bytes("model.rgn"), run_expect::fit(made, {"Mine", "", "", "", "", "", ""}, 10).image);
    }
}

// After a full disk the store folder exists with no values file in it: no
// lines are stored, which is not the same as a damaged store.
TEST_F(CliOddFiles, EmptyStoreFolderHoldsNoLines)
{
    prepare();
    fs::create_directories(storeFolder());
    CliResult r = run({"lines"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "\n\n\n\n\n\n\n");
    r = run({"patch", "1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no lines are stored: give your lines with --line"), std::string::npos) << r.err;

    // A store that lost some lines is damaged, and says where it is.
    ASSERT_EQ(run({"patch", "1", "--line", "A"}).status, 0);
    std::string values = readText(storeFolder() + "/values");
    const std::size_t cut = values.find("Text-4");
    ASSERT_NE(cut, std::string::npos);
    values.resize(values.rfind('\n', cut) + 1);
    ASSERT_TRUE(writeText(storeFolder() + "/values", values));
    r = run({"lines"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("unreadable or damaged"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(storeFolder() + "/values"), std::string::npos) << r.err;
}

// Readers wait for a writer that holds the folder's lock, and a writer waits
// for readers: neither makes the other fail.
TEST_F(CliOddFiles, ReadersTakeTheRunLock)
{
    prepare();
    const int lock = ::open(app("wendrix.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    const Started check = start({"check", "1", "--line", "X"}, false, "check");
    const Started inspect = start({"inspect", "model.rgn"}, false, "inspect");
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    for (const Started* s : {&check, &inspect}) {
        siginfo_t info{};
        ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(s->pid), &info, WEXITED | WNOHANG | WNOWAIT), 0);
        EXPECT_EQ(info.si_pid, 0) << "a reader went ahead while a run held the lock";
    }
    ::close(lock);
    EXPECT_EQ(finishWithin(check, 30).status, 0);
    EXPECT_EQ(finishWithin(inspect, 30).status, 0);

    // Many readers and patch runs at once: every patch run succeeds.
    for (int round = 0; round < 6; ++round) {
        std::vector<Started> readers;
        for (int i = 0; i < 3; ++i)
            readers.push_back(start({"inspect", "model.rgn"}, false, "r" + std::to_string(i)));
        const Started patch = start({"patch", "1", "--line", "X" + std::to_string(round)}, false, "p");
        const CliResult patched = finishWithin(patch, 60);
        EXPECT_EQ(patched.status, 0) << patched.err;
        for (const Started& reader : readers)
            EXPECT_EQ(finishWithin(reader, 60).status, 0);
    }
}

// A file past 2 GiB is refused with a message, never read with offsets that
// turn negative.
TEST_F(CliOddFiles, FileOverTwoGigabytesIsRefused)
{
    prepare();
    const std::string big = app("big.rgn");
    const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    // A sparse file whose first warning text lies just past 2^31.
    const off_t at = (off_t{1} << 31) + 16;
    ASSERT_EQ(::pwrite(fd, made.bytes.data(), made.bytes.size(), at), static_cast<ssize_t>(made.bytes.size()));
    ::close(fd);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"inspect", "big.rgn"}, {"inspect", "big.rgn", "--json"}}) {
        const CliResult r = runWithin(args, 120);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("big.rgn"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("2 GiB"), std::string::npos) << r.err;
    }
}

// What a file holds decides whether a command may replace it. A file in the
// way of the pristine copy is kept under a new name; a working file that is
// there but cannot be read, or that holds other firmware, stops patch and
// restore alike; and check refuses whatever patch refuses, in its words and
// before any table.
enum class Held { Missing, Stock, Patched, WriteProtected, OtherFirmware, Notes, Fifo, Folder, OverTwoGiB };

struct KeepCase {
    const char* name;
    Held org, rgn;
    const char* command;     // "patch", "check" or "restore"
    int status;
    std::string said;        // must be in standard error ("" for none)
    const char* keptAs = ""; // what was at model.org is found here afterwards
    const char* takenBefore = ""; // a name kept by an earlier run, there already with notes of its own
};

class CliKeeps : public CliOddFiles, public ::testing::WithParamInterface<KeepCase> {
protected:
    // The bytes a file holds, for all but the large sparse one: its size and
    // the bytes where the image was written into it.
    std::vector<unsigned char> held(const std::string& path) const
    {
        if (fs::is_fifo(fs::symlink_status(path)) || fs::is_directory(fs::symlink_status(path)))
            return {};
        const auto size = fs::file_size(path);
        if (size < (std::uintmax_t{1} << 30))
            return testing_support::readBytes(path, data) ? data : std::vector<unsigned char>{'?'};
        std::vector<unsigned char> sample(made.bytes.size());
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const ssize_t got = ::pread(fd, sample.data(), sample.size(), kBigAt);
        ::close(fd);
        sample.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        const std::string n = std::to_string(size);
        sample.insert(sample.begin(), n.begin(), n.end());
        return sample;
    }

    void plant(const std::string& path, Held what)
    {
        std::vector<unsigned char> other = made.bytes;
        other[other.size() - 1] ^= 0x40; // differs past the last text only
        switch (what) {
        case Held::Missing: break;
        case Held::Stock: put(fs::path(path).filename(), made.bytes); break;
        case Held::Patched: put(fs::path(path).filename(), run_expect::fit(made, run_expect::ownerLines(), 10).image); break;
        case Held::WriteProtected: // patched, and no one may write it (its mode stops root too)
            put(fs::path(path).filename(), run_expect::fit(made, run_expect::ownerLines(), 10).image);
            fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                            fs::perm_options::replace);
            break;
        case Held::OtherFirmware: put(fs::path(path).filename(), other); break;
        case Held::Notes: ASSERT_TRUE(writeText(path, "the owner's notes\n")); break;
        case Held::Fifo: ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0); break;
        case Held::Folder:
            fs::create_directory(path);
            ASSERT_TRUE(writeText(path + "/inside.txt", "inside\n"));
            break;
        case Held::OverTwoGiB: {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::pwrite(fd, made.bytes.data(), made.bytes.size(), kBigAt),
                      static_cast<ssize_t>(made.bytes.size()));
            ::close(fd);
            break;
        }
        }
    }

    static constexpr off_t kBigAt = (off_t{1} << 31) + 16;
    mutable std::vector<unsigned char> data;
};

TEST_P(CliKeeps, WhatAFileHoldsDecidesWhetherItIsReplaced)
{
    const KeepCase& c = GetParam();
    prepare();
    fs::remove(app("model.rgn"));
    plant(app("model.org"), c.org);
    plant(app("model.rgn"), c.rgn);
    if (*c.takenBefore) {
        ASSERT_TRUE(writeText(app(c.takenBefore), "kept by an earlier run\n"));
    }
    const std::vector<unsigned char> orgBefore = c.org == Held::Missing ? std::vector<unsigned char>{} : held(app("model.org"));
    const std::vector<unsigned char> rgnBefore = c.rgn == Held::Missing ? std::vector<unsigned char>{} : held(app("model.rgn"));
    const fs::file_type orgType = fs::symlink_status(app("model.org")).type();
    const fs::file_type rgnType = fs::symlink_status(app("model.rgn")).type();

    std::vector<std::string> args = {c.command, "1"};
    if (std::string(c.command) != "restore")
        args.insert(args.end(), {"--line", "MY UNIT"});
    // check says, word for word, what stops patch.
    std::string checkSaid;
    if (std::string(c.command) == "patch" && c.status != 0) {
        const CliResult checked = runWithin({"check", "1", "--line", "MY UNIT"}, 120);
        EXPECT_EQ(checked.status, 1) << checked.err;
        EXPECT_EQ(checked.out, "");
        checkSaid = checked.err;
    }
    const CliResult r = runWithin(args, 120);
    if (!checkSaid.empty()) {
        EXPECT_NE(r.err.find(checkSaid), std::string::npos) << r.err << "\ncheck said:\n" << checkSaid;
    }
    EXPECT_EQ(r.status, c.status) << r.err;
    if (!c.said.empty()) {
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    }
    if (c.status != 0) {
        // Refused before any table, and nothing changed.
        EXPECT_EQ(r.out.find("languages fit"), std::string::npos) << r.out;
        EXPECT_EQ(r.err.find("languages fit"), std::string::npos) << r.err;
        if (std::string(c.command) == "check") {
            EXPECT_EQ(r.err.rfind(c.said, 0), 0u) << r.err;
            EXPECT_EQ(r.out, "");
        }
    }
    const bool written = c.status == 0 && std::string(c.command) != "check";
    // What was at the pristine copy's name is there, or where it was kept.
    const std::string orgNow = *c.keptAs && written ? app(c.keptAs) : app("model.org");
    if (c.org != Held::Missing) {
        EXPECT_EQ(fs::symlink_status(orgNow).type(), orgType);
        EXPECT_EQ(held(orgNow), orgBefore);
    }
    if (*c.keptAs && written) {
        EXPECT_EQ(bytes("model.org"), made.bytes);
    }
    if (*c.takenBefore) {
        EXPECT_EQ(readText(app(c.takenBefore)), "kept by an earlier run\n");
    }
    if (!written) {
        EXPECT_EQ(fs::symlink_status(app("model.rgn")).type(), rgnType);
        if (c.rgn != Held::Missing) {
            EXPECT_EQ(held(app("model.rgn")), rgnBefore);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, CliKeeps,
    ::testing::Values(
        KeepCase{"NotesAtThePristineCopyAreKept", Held::Notes, Held::Stock, "patch", 0,
                 "model.org was not the pristine copy of this firmware.\nIt is kept as model.1.org", "model.1.org"},
        KeepCase{"CheckSaysTheyWouldBeKept", Held::Notes, Held::Stock, "check", 0,
                 "patch keeps model.org as model.1.org first: it is not the pristine copy"},
        KeepCase{"AnOlderReleaseIsKept", Held::OtherFirmware, Held::Stock, "patch", 0, "kept as model.1.org",
                 "model.1.org"},
        KeepCase{"AFileOverTwoGiBIsKept", Held::OverTwoGiB, Held::Stock, "patch", 0, "kept as model.1.org",
                 "model.1.org"},
        KeepCase{"AFolderIsKept", Held::Folder, Held::Stock, "patch", 0, "kept as model.1.org", "model.1.org"},
        KeepCase{"NeverUnderATakenName", Held::Notes, Held::Stock, "patch", 0, "kept as model.2.org", "model.2.org",
                 "model.1.org"},
        // The latest kept has the highest number: a gap below is not filled.
        KeepCase{"OnePastTheHighestNumber", Held::Notes, Held::Stock, "patch", 0, "kept as model.3.org",
                 "model.3.org", "model.2.org"},
        KeepCase{"RestoreKeepsOtherFirmware", Held::Stock, Held::OtherFirmware, "restore", 1,
                 "model.rgn is neither the stock firmware nor a patch of model.org!\nIt may be a newer firmware: "
                 "restoring would replace it with the old one."},
        KeepCase{"RestoreKeepsAFileOverTwoGiB", Held::Stock, Held::OverTwoGiB, "restore", 1,
                 "model.rgn is neither the stock firmware nor a patch of model.org!"},
        KeepCase{"PatchKeepsAFileOverTwoGiB", Held::Stock, Held::OverTwoGiB, "patch", 1,
                 "model.rgn is neither the stock firmware nor a patch of model.org!"},
        KeepCase{"RestoreKeepsAFolder", Held::Stock, Held::Folder, "restore", 1, "Cannot read model.rgn!"},
        KeepCase{"RestorePutsBackAPatch", Held::Stock, Held::Patched, "restore", 0, "Restored model.rgn"},
        KeepCase{"PatchRefusesAWriteProtectedOne", Held::Stock, Held::WriteProtected, "patch", 1,
                 "Cannot write model.rgn!\nDisk is full or file is write protected"},
        KeepCase{"RestoreRefusesAWriteProtectedOne", Held::Stock, Held::WriteProtected, "restore", 1,
                 "Cannot write model.rgn!\nDisk is full or file is write protected"},
        KeepCase{"RestoreCreatesAMissingOne", Held::Stock, Held::Missing, "restore", 0, "Restored model.rgn"},
        KeepCase{"CheckRefusesAFifo", Held::Stock, Held::Fifo, "check", 1,
                 "Cannot read model.rgn!\nSomething is there that cannot be read"},
        KeepCase{"PatchRefusesAFifo", Held::Stock, Held::Fifo, "patch", 1, "Cannot read model.rgn!\nSomething is there"},
        KeepCase{"CheckRefusesAFolder", Held::Stock, Held::Folder, "check", 1,
                 "Cannot read model.rgn!\nSomething is there that cannot be read"},
        KeepCase{"PatchRefusesAFolder", Held::Stock, Held::Folder, "patch", 1, "Cannot read model.rgn!\nSomething is there"},
        KeepCase{"CheckRefusesOtherFirmware", Held::Stock, Held::OtherFirmware, "check", 1,
                 "model.rgn is neither the stock firmware nor a patch of model.org!\nIt may be a newer firmware: "
                 "patching would replace it with the old one.\nUpdate Wendrix.ini for it (wendrix-cli inspect model.rgn "
                 "--ini), or move it away."}),
    [](const ::testing::TestParamInfo<KeepCase>& info) { return std::string(info.param.name); });

} // namespace

// wendrix-cli add: the owner's own stock firmware becomes a model of the
// list, with nothing of the owner's overwritten; what it refuses leaves every
// file as it was.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "tests/cli/cli_runner.h"

namespace fs = std::filesystem;
using namespace run_expect;
using testing_support::exists;
using testing_support::readText;
using testing_support::writeText;

namespace {

constexpr char kNotStock[] =
    "this is not stock firmware, or its texts were already replaced; add the unpatched image";
constexpr int kMyTexts = 7;

class CliAddTest : public CliModelTest {
protected:
    // The owner's own firmware, with fewer texts than the listed model's.
    MadeFirmware mine = makeFirmware(48 * 1024, kMyTexts, 31);

    std::string outside(const std::string& name) const { return root.file("outside/" + name); }
    std::string appFolder() const { return fs::canonical(root.file("app")).string(); }

    // Everything but the program itself goes, for the next case.
    void fresh()
    {
        for (const auto& entry : fs::directory_iterator(root.file("app")))
            if (entry.path().filename() != "wendrix-cli")
                fs::remove_all(entry.path());
        fs::remove_all(root.file("outside"));
        fs::create_directories(root.file("outside"));
        fs::remove_all(root.file("config"));
        fs::create_directories(root.file("config"));
        prepare();
    }

    // The section add writes for a model, marked as the owner's own.
    static std::string section(const std::string& name, const std::string& org, const std::string& rgn,
                               const MadeFirmware& firmware, int texts)
    {
        return "[" + name + "]\r\norg=" + org + "\r\nrgn=" + rgn + "\r\ncrc=" + hex8(crcOf(firmware.bytes)) +
               "\r\nlang=" + std::to_string(texts) + "\r\nRel=" + name + "\r\nOwn=1\r\n";
    }
    // The standard model file of prepare() with a third model.
    std::string standardWith(const std::string& name, const std::string& sectionText) const
    {
        return "[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\nGps-2=Model B 3.10\r\nGps-3=" + name +
               "\r\n[Model A 2.40]\r\norg=model.org\r\nrgn=model.rgn\r\ncrc=" + hex8(crcOf(made.bytes)) +
               "\r\nlang=10\r\nRel=2.40\r\n[Model B 3.10]\r\norg=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\n" +
               sectionText;
    }
    std::string added(const std::string& name, int number, const std::string& rgn, const std::string& org,
                      int texts = kMyTexts) const
    {
        return "Added \"" + name + "\" as model " + std::to_string(number) + ": working file " + rgn +
               ", pristine copy " + org + " (made by the first patch), CRC-32 " + hex8(crcOf(mine.bytes)) + ", " +
               std::to_string(texts) + " language texts.\nPatch it with: wendrix-cli patch " +
               std::to_string(number) + "\n";
    }
    // Every file of the program's folder and the other one, the program
    // itself and the lock a run leaves left out, and the stored lines.
    std::map<std::string, std::string> files() const
    {
        std::map<std::string, std::string> all;
        for (const char* folder : {"app", "outside", "config"})
            for (const auto& entry : fs::recursive_directory_iterator(root.file(folder))) {
                const std::string name = entry.path().filename().string();
                if (name != "wendrix-cli" && name != "wendrix.lock")
                    all[entry.path().string()] = entry.is_regular_file() ? readText(entry.path().string()) : "";
            }
        return all;
    }
};

TEST_F(CliAddTest, AddsStockFirmwareAndCopiesItInWithoutOverwritingAnything)
{
    const struct {
        const char* label;
        std::function<void()> setup;
        std::vector<std::string> args;
        std::string err;                             // after the setup, with `this` at hand
        std::function<std::string()> modelFile;      // the model file afterwards
        std::map<std::string, std::vector<unsigned char>> more; // files that must hold these bytes
    } cases[] = {
        {"a stock image in the folder",
         [&] { put("mine.rgn", mine.bytes); },
         {"add", "mine.rgn"},
         added("mine.rgn", 3, "mine.rgn", "mine.org"),
         [&] { return standardWith("mine.rgn", section("mine.rgn", "mine.org", "mine.rgn", mine, kMyTexts)); },
         {}},
        {"from another folder, its name and the pristine copy's taken here",
         [&] {
             // A file of the folder has the name, and a model names the first pristine copy.
             put("mine.rgn", {'k', 'e', 'e', 'p'});
             std::string text = readText(app("wendrix.ini"));
             text.replace(text.find("org=b.org"), 9, "org=mine-2.org");
             writeModelFile(text);
             ASSERT_TRUE(testing_support::writeBytes(outside("mine.rgn"), mine.bytes));
         },
         {"add", root.file("outside/mine.rgn")},
         "Copied " + root.file("outside/mine.rgn") + " to " + appFolder() + "/mine-2.rgn.\n" +
             added("mine.rgn", 3, "mine-2.rgn", "mine-2-2.org"),
         [&] {
             std::string text =
                 standardWith("mine.rgn", section("mine.rgn", "mine-2-2.org", "mine-2.rgn", mine, kMyTexts));
             text.replace(text.find("org=b.org"), 9, "org=mine-2.org");
             return text;
         },
         {{"mine.rgn", {'k', 'e', 'e', 'p'}}, {"mine-2.rgn", mine.bytes}}},
        {"from another folder under a name Windows keeps for a device",
         [&] { ASSERT_TRUE(testing_support::writeBytes(outside("aux.rgn"), mine.bytes)); },
         {"add", "../outside/aux.rgn", "--name", "Mine 1.00"},
         "Copied ../outside/aux.rgn to " + appFolder() + "/firmware.rgn.\n" +
             added("Mine 1.00", 3, "firmware.rgn", "firmware.org"),
         [&] { return standardWith("Mine 1.00", section("Mine 1.00", "firmware.org", "firmware.rgn", mine, kMyTexts)); },
         {{"firmware.rgn", mine.bytes}}},
        {"from another folder under a name that begins with a blank",
         [&] { ASSERT_TRUE(testing_support::writeBytes(outside(" mine.rgn"), mine.bytes)); },
         {"add", "../outside/ mine.rgn"},
         "Copied ../outside/ mine.rgn to " + appFolder() + "/firmware.rgn.\n" +
             added("mine.rgn", 3, "firmware.rgn", "firmware.org"),
         [&] { return standardWith("mine.rgn", section("mine.rgn", "firmware.org", "firmware.rgn", mine, kMyTexts)); },
         {{"firmware.rgn", mine.bytes}}},
        {"without a model file, by a name of its own",
         [&] {
             fs::remove(app("wendrix.ini"));
             put("mine.rgn", mine.bytes);
         },
         {"add", "mine.rgn", "--name", "eTrex 30x 4.20"},
         added("eTrex 30x 4.20", 1, "mine.rgn", "mine.org"),
         [&] {
             return "[GPS]\r\nGps-1=eTrex 30x 4.20\r\n" +
                    section("eTrex 30x 4.20", "mine.org", "mine.rgn", mine, kMyTexts);
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fresh();
        c.setup();
        const bool hadModelFile = exists(app("wendrix.ini"));
        const std::string before = readText(app("wendrix.ini"));
        const std::vector<unsigned char> original = mine.bytes;
        const CliResult r = run(c.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(readText(app("wendrix.ini")), c.modelFile());
        // The file replaced is kept; none is made up where there was none.
        EXPECT_EQ(exists(app("wendrix.ini.bak")), hadModelFile);
        if (hadModelFile) {
            EXPECT_EQ(readText(app("wendrix.ini.bak")), before);
        }
        for (const auto& [name, content] : c.more)
            EXPECT_EQ(bytes(name), content) << name;
        // The given file stays, and nothing is written for a patch run yet.
        for (const auto& entry : fs::directory_iterator(root.file("outside"))) {
            std::vector<unsigned char> kept;
            ASSERT_TRUE(testing_support::readBytes(entry.path().string(), kept));
            EXPECT_EQ(kept, original) << entry.path();
        }
        EXPECT_FALSE(exists(app("wendrix.LOG")));
        EXPECT_FALSE(storeTouched());
    }
}

// Each refusal names the file and why, and leaves every file as it was.
TEST_F(CliAddTest, RefusalsLeaveEveryFileAsItWas)
{
    const std::string modelA = "already listed as Model A 2.40";
    const struct {
        const char* label;
        std::function<void()> setup;
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {"the same image again",
         [&] {
             put("mine.rgn", mine.bytes);
             ASSERT_EQ(run({"add", "mine.rgn"}).status, 0);
         },
         {"add", "mine.rgn"},
         "Cannot add mine.rgn: already listed as mine.rgn"},
        {"the same image again, from another folder and by another name",
         [&] {
             put("mine.rgn", mine.bytes);
             ASSERT_EQ(run({"add", "mine.rgn"}).status, 0);
             ASSERT_TRUE(testing_support::writeBytes(outside("copy.rgn"), mine.bytes));
         },
         {"add", "../outside/copy.rgn", "--name", "Mine again"},
         "Cannot add ../outside/copy.rgn: already listed as mine.rgn"},
        {"a listed model's stock image", [] {}, {"add", "model.rgn"}, "Cannot add model.rgn: " + modelA},
        {"a patched image",
         [&] {
             ASSERT_EQ(run(patchArgs("1", ownerLines())).status, 0);
             ASSERT_TRUE(testing_support::writeBytes(outside("patched.rgn"), bytes("model.rgn")));
         },
         {"add", "../outside/patched.rgn"},
         std::string("Cannot add ../outside/patched.rgn: ") + kNotStock},
        {"a listed model's patched working file",
         [&] { ASSERT_EQ(run(patchArgs("1", ownerLines())).status, 0); },
         {"add", "model.rgn", "--name", "Other"},
         std::string("Cannot add model.rgn: ") + kNotStock},
        {"a name already used, in other letters",
         [&] { put("mine.rgn", mine.bytes); },
         {"add", "mine.rgn", "--name", "model b 3.10"},
         "Cannot add mine.rgn: the name \"model b 3.10\" is already used in the model file: rename the file, "
         "or give another name (wendrix-cli add FILE --name NAME)"},
        {"a name the list holds without a section",
         [&] {
             put("mine.rgn", mine.bytes);
             std::string text = readText(app("wendrix.ini"));
             text.insert(text.find("[Model A 2.40]"), "Gps-3=Listed Only\r\n");
             writeModelFile(text);
         },
         {"add", "mine.rgn", "--name", "listed only"},
         "Cannot add mine.rgn: the name \"listed only\" is already used in the model file: rename the file, "
         "or give another name (wendrix-cli add FILE --name NAME)"},
        {"a name no section can have",
         [&] { put("mine.rgn", mine.bytes); },
         {"add", "mine.rgn", "--name", "Mine [beta]"},
         "Cannot add mine.rgn: the name \"Mine [beta]\" cannot be used: it holds a square bracket"},
        {"a file of the folder whose name the model file would not keep",
         [&] { put(" mine.rgn", mine.bytes); },
         {"add", " mine.rgn", "--name", "Mine"},
         "Cannot add  mine.rgn: its name cannot stand in the model file: it begins or ends with a blank; rename "
         "the file"},
        {"a missing file", [] {}, {"add", "../outside/none.rgn"},
         "Cannot add ../outside/none.rgn: it is missing, empty, not a plain file, or cannot be read"},
        {"a FIFO, which is never waited on",
         [&] { ASSERT_EQ(::mkfifo(outside("fifo.rgn").c_str(), 0666), 0); },
         {"add", "../outside/fifo.rgn"},
         "Cannot add ../outside/fifo.rgn: it is missing, empty, not a plain file, or cannot be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fresh();
        c.setup();
        const auto before = files();
        const CliResult r = run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "wendrix-cli: " + c.reason + "\n");
        EXPECT_TRUE(files() == before) << "a refused add changed a file";
    }
}

// The model added is the one patch and restore take by its number.
TEST_F(CliAddTest, AddThenPatchThenRestore)
{
    fresh();
    ASSERT_TRUE(testing_support::writeBytes(outside("mine.rgn"), mine.bytes));
    const CliResult addedRun = run({"add", "../outside/mine.rgn", "--name", "Mine 1.00"});
    ASSERT_EQ(addedRun.status, 0) << addedRun.err;
    const CliResult patched = run(patchArgs("3", ownerLines()));
    EXPECT_EQ(patched.status, 0) << patched.err;
    EXPECT_NE(patched.err.find("Written: the pristine copy mine.org (the unpatched mine.rgn), then the working "
                               "file mine.rgn, patched."),
              std::string::npos)
        << patched.err;
    EXPECT_EQ(bytes("mine.org"), mine.bytes);
    EXPECT_EQ(bytes("mine.rgn"), fit(mine, ownerLines(), kMyTexts).image);
    EXPECT_EQ(logLines(), successLog("Mine 1.00", "mine.rgn", crcOf(mine.bytes), mine, ownerLines(), kMyTexts));

    const CliResult restored = run({"restore", "3"});
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(restored.err, "Restored mine.rgn from the pristine copy mine.org.\n");
    EXPECT_EQ(bytes("mine.rgn"), mine.bytes);
}

// An add waits for a run that holds the folder's lock, and goes on once it
// is released: the model file it changes is the one that run left.
TEST_F(CliAddTest, AddWaitsWhileAnotherRunHoldsTheLock)
{
    fresh();
    put("mine.rgn", mine.bytes);
    const std::string before = readText(app("wendrix.ini"));
    const int held = ::open(app("wendrix.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const Started adding = start({"add", "mine.rgn"}, false, "add");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (readText(adding.errPath).find(kWaiting) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(readText(adding.errPath), std::string(kWaiting) + "\n");
    EXPECT_EQ(readText(app("wendrix.ini")), before) << "add wrote while another run held the lock";
    EXPECT_FALSE(exists(app("wendrix.ini.bak")));
    ::close(held);
    const CliResult r = finish(adding);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, std::string(kWaiting) + "\n" + added("mine.rgn", 3, "mine.rgn", "mine.org"));
    EXPECT_EQ(readText(app("wendrix.ini")),
              standardWith("mine.rgn", section("mine.rgn", "mine.org", "mine.rgn", mine, kMyTexts)));
}

} // namespace

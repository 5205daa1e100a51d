// wendrix-cli says what happened: the exit status and the closing line of a
// patch run, refusals before anything is written (no lines, a broken model
// section), the uploader on PATH, and text from files that reaches the
// terminal only with its control bytes escaped.
#include <filesystem>

#include "tests/cli/cli_runner.h"

namespace fs = std::filesystem;
using namespace run_expect;
using testing_support::readText;
using testing_support::writeText;

namespace {

const Lines kTooWide = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012",
                        "ABCDEFGHIJKLMNOPQRSTUVWXYZ012", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012",
                        "ABCDEFGHIJKLMNOPQRSTUVWXYZ012", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012",
                        "ABCDEFGHIJKLMNOPQRSTUVWXYZ012"};

class CliOutcomeTest : public CliModelTest {
protected:
    // An uploader that records that it ran.
    void tracingUpdater(const std::string& path)
    {
        ASSERT_TRUE(writeText(path, "#!/bin/sh\necho ran >> '" + trace() + "'\n"));
        fs::permissions(path, fs::perms::all, fs::perm_options::replace);
    }
    std::string trace() const { return root.file("updater.txt"); }
    static std::string lastLine(const std::string& text)
    {
        const std::size_t end = text.size() - 1;
        return text.substr(text.rfind('\n', end - 1) + 1, end - text.rfind('\n', end - 1) - 1);
    }
};

TEST_F(CliOutcomeTest, StatusIsZeroOnlyWhenEveryTextWasReplaced)
{
    struct Case {
        const char* what;
        MadeFirmware image;
        Lines lines;
        int failures;
    };
    const std::vector<Case> cases = {
        {"every text fits", made, ownerLines(), 0},
        {"seven lines too wide", made, kTooWide, fit(made, kTooWide, 10).notFitting},
        {"an image without texts", makeFirmware(64 * 1024, 0, 7), ownerLines(), 10},
    };
    ASSERT_GT(cases[1].failures, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        made = c.image;
        prepare();
        fs::remove(app("model.org"));
        fs::remove(trace());
        tracingUpdater(app("UPDATER.EXE"));
        std::vector<std::string> args = patchArgs("1", c.lines);
        args.push_back("--start-updater");

        CliResult r = run(args);
        const Fitted expected = fit(c.image, c.lines, 10);
        const int lost = expected.notFitting - expected.failures;
        const std::string written =
            "Written: the pristine copy model.org (the unpatched model.rgn), then the working file model.rgn, patched." +
            (expected.failures ? " But " + std::to_string(expected.failures) + " of 10 texts were not replaced."
                               : std::string()) +
            (lost ? " " + std::to_string(lost) + " of 10 texts were replaced without every line of text." : std::string());
        EXPECT_EQ(r.status, c.failures ? 3 : 0) << r.err;
        EXPECT_EQ(lastLine(r.err), written);
        EXPECT_EQ(bytes("model.rgn"), fit(c.image, c.lines, 10).image);
        // The uploader is not started on a firmware with texts left as they were.
        const std::string refused = "(not started: " + std::to_string(c.failures) +
                                    " of 10 texts were not replaced or lost a line of text; add --force to start "
                                    "it all the same)\n";
        EXPECT_EQ(r.err.find(refused) != std::string::npos, c.failures > 0) << r.err;
        EXPECT_EQ(readText(trace()), c.failures ? "" : "ran\n");

        args.push_back("--force");
        r = run(args);
        EXPECT_EQ(r.status, c.failures ? 3 : 0);
        EXPECT_EQ(readText(trace()), c.failures ? "ran\n" : "ran\nran\n");
    }
}

TEST_F(CliOutcomeTest, NoLinesGivenAndNoneStoredIsRefused)
{
    prepare();
    const std::string store = root.file("config/Zarnek/Wendrix/values");
    struct Case {
        const char* what;
        std::string storeBytes; // empty: as the step before left it
        const char* err;
    };
    const char* kNone = "wendrix-cli: no lines are stored: give your lines with --line\n";
    // The message names the store, so that its owner can look at it.
    const std::string unreadable = "wendrix-cli: the stored lines could not be read (the store " + store +
                                   " is unreadable or damaged): give your lines with --line\n";
    const char* kUnreadable = unreadable.c_str();
    const std::vector<Case> cases = {
        {"nothing stored", "", kNone},
        {"seven empty lines stored", "", kNone},
        {"a damaged store", "WendrixValues 1\n6:11:00000000:Text-1THIS UNIT B\n", kUnreadable},
        {"a store of another kind", "garbage", kUnreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (std::string(c.what) == "seven empty lines stored") {
            std::vector<std::string> blank = patchArgs("1", {"", "", "", "", "", "", ""});
            blank.push_back("--force"); // blanking every text is refused otherwise
            ASSERT_EQ(run(blank).status, 0);
            put("model.rgn", made.bytes);
            fs::remove(app("model.org"));
            fs::remove(app("wendrix.LOG"));
        }
        if (!c.storeBytes.empty()) {
            ASSERT_TRUE(writeText(store, c.storeBytes));
        }
        const auto before = snapshot();
        for (const char* command : {"patch", "check"}) {
            const CliResult r = run({command, "1"});
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.err, std::string(c.err) + "Try 'wendrix-cli --help'.\n");
            EXPECT_EQ(snapshot(), before);
        }
        const CliResult lines = run({"lines"});
        EXPECT_EQ(lines.status, c.err == kNone ? 0 : 1);
        EXPECT_EQ(lines.out, c.err == kNone ? "\n\n\n\n\n\n\n" : "");
    }
}

TEST_F(CliOutcomeTest, BrokenModelSectionsAreNamedBeforeAnythingIsWritten)
{
    prepare();
    const std::string path = app("wendrix.ini");
    struct Case {
        std::string keys; // the model's section
        std::vector<std::string> faults;
    };
    const std::string crc = "crc=" + hex8(crcOf(made.bytes)) + "\r\n";
    const std::vector<Case> cases = {
        {"rgn=model.rgn\r\n" + crc + "lang=10\r\n", {"the org= key is missing (the path of the pristine copy)"}},
        {"org=model.org\r\n" + crc + "lang=10\r\n", {"the rgn= key is missing (the path of the working file)"}},
        {"org=\r\nrgn=model.rgn\r\n" + crc + "lang=10\r\n", {"org= is empty (it names the pristine copy)"}},
        {"org=model.org\r\nrgn=model.rgn\r\ncrc=\r\nlang=10\r\n",
         {"crc= is empty (it should be the CRC-32 of the unpatched firmware)"}},
        {"org=model.org\r\nrgn=model.rgn\r\ncrc=xyz\r\nlang=10\r\n",
         {"crc=xyz is not a CRC-32 (one to eight hexadecimal digits, not all zero)"}},
        {"org=model.org\r\nrgn=model.rgn\r\ncrc=0\r\nlang=abc\r\n",
         {"crc=0 is not a CRC-32 (one to eight hexadecimal digits, not all zero)",
          "lang=abc is not a number from 1 to 14"}},
        {"org=model.org\r\nrgn=model.rgn\r\n" + crc + "lang=0\r\n", {"lang=0 is not a number from 1 to 14"}},
        {"org=model.org\r\nrgn=model.rgn\r\n" + crc + "lang=-1\r\n", {"lang=-1 is not a number from 1 to 14"}},
        {"org=model.org\r\nrgn=model.rgn\r\n" + crc + "lang=15\r\n", {"lang=15 is not a number from 1 to 14"}},
        {"org=model.org\r\nrgn=model.rgn\r\n" + crc,
         {"the lang= key is missing (the number of language texts, 1 to 14)"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        writeModelFile("[GPS]\r\nGps-1=Model A 2.40\r\n" + (c.keys.empty() ? "" : "[Model A 2.40]\r\n" + c.keys));
        std::string err = "wendrix-cli: section [Model A 2.40] of " + path + " cannot be used:";
        for (const std::string& fault : c.faults)
            err += "\n  " + fault;
        if (c.faults.empty())
            err = "wendrix-cli: the model file " + path + " has no section [Model A 2.40]";
        const auto before = snapshot();
        for (const char* command : {"patch", "check", "restore"}) {
            const CliResult r = run({command, "1", "--line", "X"});
            const CliResult sameForRestore = std::string(command) == "restore" ? run({command, "1"}) : r;
            EXPECT_EQ(sameForRestore.status, 1) << command;
            EXPECT_EQ(sameForRestore.err, err + "\n") << command;
            EXPECT_EQ(snapshot(), before) << command;
        }
    }
}

TEST_F(CliOutcomeTest, UpdaterOnPathIsFoundAsItIsStarted)
{
    prepare();
    fs::remove(app("UPDATER.EXE"));
    tracingUpdater(root.file("bin/UPDATER.EXE"));
    std::vector<std::string> args = patchArgs("1", ownerLines());
    args.push_back("--start-updater");
    const CliResult r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readText(trace()), "ran\n");
    EXPECT_EQ(bytes("model.rgn"), fit(made, ownerLines(), 10).image);
}

TEST_F(CliOutcomeTest, ControlBytesFromFilesAreShownEscaped)
{
    // A model file that tries to clear the screen and retitle the terminal.
    writeModelFile("[GPS]\r\nGps-1=Evil\x1b[2J\r\n[Evil\x1b[2J]\r\norg=e.org\r\nrgn=e\x1b]0;x\x07.rgn\r\ncrc=" +
                   hex8(crcOf(made.bytes)) + "\r\nlang=10\r\nRel=\x9d" "2;t\x07\r\n");
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
    CliResult r = run({"models"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\tEvil\\x1b[2J\t\\x9d2;t\\x07\n");

    r = run({"patch", "1", "--line", "X"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
    EXPECT_EQ(r.err.rfind("Cannot read e\\x1b]0;x\\x07.rgn!\n", 0), 0u) << r.err;
    EXPECT_EQ(lastLine(r.err), "Nothing written: e\\x1b]0;x\\x07.rgn and e.org are as they were.");
}

} // namespace

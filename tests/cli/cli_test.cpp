// wendrix-cli end to end: exit status, what it prints, the files it leaves
// byte for byte and its log line by line.
#include <filesystem>

#include "tests/cli/cli_runner.h"

namespace fs = std::filesystem;
using run_expect::crcOf;
using run_expect::Lines;
using testing_support::readText;
using testing_support::writeText;

namespace {

constexpr char kAskUpdater[] = "You may now run UPDATER\nStart UPDATER.EXE now?\n";

std::string notProcessed(int failures, int lang)
{
    return std::to_string(failures) + " of " + std::to_string(lang) +
           " languages not processed\nSee wendrix.log for more information\n";
}

std::string cannotRead(const std::string& path)
{
    return "Cannot read " + path +
           "!\nYou have selected wrong GPS type or\ndownloaded wrong version of the firmware\n\n"
           "If you have a newer version of the firmware\nthan Wendrix expect you may search for\n"
           "updates of Wendrix\n\nSearch now?\n";
}

std::vector<std::string> withLast(std::vector<std::string> lines, const std::string& last)
{
    lines.push_back(last);
    return lines;
}

std::vector<std::string> lineArgs(const Lines& lines)
{
    std::vector<std::string> args;
    for (const std::string& line : lines) {
        args.push_back("--line");
        args.push_back(line);
    }
    return args;
}

const Lines kOwner = {"THIS UNIT BELONGS TO", "J. SMITH", "PHONE 555 0100", "", "", "", ""};
const Lines kOther = {"PROPERTY OF", "THE SURVEY TEAM", "", "REWARD", "", "", ""};

class CliTest : public CliFixture {
protected:
    MadeFirmware made = makeFirmware(64 * 1024, 10, 7);

    void prepare()
    {
        writeStandardModel(crcOf(made.bytes));
        ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
        put("model.rgn", made.bytes);
    }

    std::vector<std::string> patchArgs(const std::string& model, const Lines& lines)
    {
        std::vector<std::string> args = {"patch", model};
        for (const std::string& arg : lineArgs(lines))
            args.push_back(arg);
        return args;
    }

    std::string successErr(const Lines& lines) const
    {
        const run_expect::Fitted fitted = run_expect::fit(made, lines, 10);
        return (fitted.failures ? notProcessed(fitted.failures, 10) : std::string()) + kAskUpdater;
    }

    std::vector<std::string> head() const
    {
        return run_expect::logHead("Model A 2.40", "model.rgn", crcOf(made.bytes));
    }
};

TEST_F(CliTest, HelpGoesToStandardOutput)
{
    for (const char* flag : {"--help", "-h"}) {
        const CliResult r = run({flag});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind("Usage: wendrix-cli", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("patch MODEL"), std::string::npos);
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(run({"patch", "1", "--help"}).status, 0);
}

TEST_F(CliTest, BadUsageIsRefusedBeforeAnythingIsWritten)
{
    prepare();
    const std::string model = readText(app("wendrix.ini"));
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"models", "extra"},
        {"lines", "--line", "x"},
        {"patch"},
        {"patch", ""},
        {"patch", "1", "--bogus"},
        {"patch", "1", "--line"},
        {"patch", "1", "2"},
        {"patch", "3"},
        {"patch", "4000000000000"},
        {"patch", "No Such Model"},
        {"patch", "1", "--line", "two\nlines"},
        {"patch", "1", "--line", "1", "--line", "2", "--line", "3", "--line", "4", "--line", "5",
         "--line", "6", "--line", "7", "--line", "8"},
        {"update", "--start-updater"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args)
            shown += "[" + a + "]";
        SCOPED_TRACE(shown);
        const CliResult r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("wendrix-cli: ", 0), 0u) << r.err;
        EXPECT_FALSE(testing_support::exists(app("wendrix.LOG")));
        EXPECT_FALSE(storeTouched());
        EXPECT_EQ(readText(app("wendrix.ini")), model);
        EXPECT_EQ(bytes("model.rgn"), made.bytes);
        EXPECT_FALSE(testing_support::exists(app("model.org")));
    }
}

TEST_F(CliTest, ModelsListsNumberNameAndRelease)
{
    writeModelFile("[GPS]\r\nGps-1=Model A 2.40\r\nGps-2=Model B\r\nGps-3=Model C\r\nGps-5=Hidden\r\n"
                   "[Model A 2.40]\r\nRel=2.40\r\n[model c]\r\nrel=\r\n[Hidden]\r\nRel=9\r\n");
    const CliResult r = run({"models"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1\tModel A 2.40\t2.40\n2\tModel B\t??\n3\tModel C\t\n");
    EXPECT_EQ(r.err, "");

    fs::remove(app("wendrix.ini"));
    const CliResult none = run({"models"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
}

TEST_F(CliTest, PatchRunsCreateThePristineCopyThenPatchFromIt)
{
    prepare();

    // First run, model by number: the pristine copy is made.
    CliResult r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, successErr(kOwner));
    EXPECT_EQ(bytes("model.org"), made.bytes);
    EXPECT_EQ(bytes("model.rgn"), run_expect::fit(made, kOwner, 10).image);
    EXPECT_EQ(logLines(), run_expect::successLog("Model A 2.40", "model.rgn", crcOf(made.bytes), made, kOwner, 10));
    EXPECT_EQ(opened(true), std::vector<std::string>{"report.html"});

    const CliResult stored = run({"lines"});
    EXPECT_EQ(stored.status, 0);
    EXPECT_EQ(stored.out, "THIS UNIT BELONGS TO\nJ. SMITH\nPHONE 555 0100\n\n\n\n\n");

    // Second run, model by name with other lines: from the pristine copy.
    r = run(patchArgs("model a 2.40", kOther));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("model.org"), made.bytes);
    EXPECT_EQ(bytes("model.rgn"), run_expect::fit(made, kOther, 10).image);
    EXPECT_EQ(logLines(), run_expect::successLog("Model A 2.40", "model.rgn", crcOf(made.bytes), made, kOther, 10));
    EXPECT_TRUE(testing_support::exists(app("wendrix.1.LOG")));

    // Third run without lines: the stored ones are used, giving the same bytes.
    r = run({"patch", "Model A 2.40"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("model.rgn"), run_expect::fit(made, kOther, 10).image);
    EXPECT_EQ(run({"lines"}).out, "PROPERTY OF\nTHE SURVEY TEAM\n\nREWARD\n\n\n\n");
}

TEST_F(CliTest, LongLinesAreCutTo29Characters)
{
    prepare();
    const Lines given = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", "", "", "", "", "", ""};
    const Lines kept = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012", "", "", "", "", "", ""};
    const CliResult r = run(patchArgs("1", given));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("model.rgn"), run_expect::fit(made, kept, 10).image);
}

TEST_F(CliTest, TerminalTextIsStoredAndWrittenIn8BitAnsi)
{
    // A model name and lines with characters beyond ASCII: the model file and
    // the firmware hold Windows-1252, the terminal shows UTF-8.
    writeModelFile("[GPS]\r\nGps-1=Espa\xF1" "a 1.0\r\n[Espa\xF1" "a 1.0]\r\norg=e.org\r\nrgn=e.rgn\r\ncrc=" +
                   run_expect::hex8(crcOf(made.bytes)) + "\r\nlang=10\r\nRel=\xE9t\xE9\r\n");
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
    put("e.rgn", made.bytes);
    EXPECT_EQ(run({"models"}).out, "1\tEspa\xC3\xB1" "a 1.0\t\xC3\xA9t\xC3\xA9\n");

    // "Größe €", an arrow the code page lacks, and a line that is not UTF-8.
    const CliResult r = run({"patch", "Espa\xC3\xB1" "a 1.0", "--line", "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC",
                             "--line", "\xE2\x86\x92x", "--line", "caf\xE9"});
    EXPECT_EQ(r.status, 0) << r.err;
    const Lines stored = {"Gr\xF6\xDF" "e \x80", "?x", "caf\xE9", "", "", "", ""};
    EXPECT_EQ(bytes("e.rgn"), run_expect::fit(made, stored, 10).image);
    EXPECT_EQ(run({"lines"}).out, "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC\n?x\ncaf\xC3\xA9\n\n\n\n\n");
}

TEST_F(CliTest, NoGpsSelected)
{
    prepare();
    for (const char* zero : {"0", "00"}) {
        const CliResult r = run({"patch", zero, "--line", "X"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "No Gps selected\n");
        EXPECT_FALSE(testing_support::exists(app("wendrix.LOG")));
        EXPECT_FALSE(storeTouched());
    }
}

TEST_F(CliTest, FailuresOfTheRunEndWithStatusOne)
{
    prepare();
    const std::vector<unsigned char> patched = run_expect::fit(made, kOther, 10).image;

    // No uploader, then an empty one.
    fs::remove(app("UPDATER.EXE"));
    CliResult r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot find UPDATER.EXE\nYou need the Garmin software\nPlease read \"readme.txt\"\n");
    EXPECT_EQ(logLines(), withLast(head(), "**** Cannot find UPDATER.EXE"));
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), ""));
    r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(logLines(), withLast(head(), "**** Cannot find UPDATER.EXE"));
    EXPECT_EQ(bytes("model.rgn"), made.bytes);
    // The lines were stored all the same.
    EXPECT_EQ(run({"lines"}).out, "THIS UNIT BELONGS TO\nJ. SMITH\nPHONE 555 0100\n\n\n\n\n");
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));

    // Working file already patched, no pristine copy.
    put("model.rgn", patched);
    r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Not original model.rgn file!\n");
    EXPECT_EQ(logLines(), withLast(head(), "**** Not original model.rgn file!"));
    EXPECT_EQ(bytes("model.rgn"), patched);
    EXPECT_FALSE(testing_support::exists(app("model.org")));

    // No working file: the question is answered No without --search-updates.
    fs::remove(app("model.rgn"));
    r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, cannotRead("model.rgn"));
    EXPECT_EQ(logLines(), withLast(head(), "**** Cannot read model.rgn!"));
    EXPECT_TRUE(opened(false).empty());
}

TEST_F(CliTest, EachStateOfTheTwoFilesLeadsTheRun)
{
    prepare();
    const std::vector<unsigned char> expected = run_expect::fit(made, kOwner, 10).image;

    // Pristine copy matching, working file missing: the working file is made.
    put("model.org", made.bytes);
    fs::remove(app("model.rgn"));
    CliResult r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("model.rgn"), expected);
    EXPECT_EQ(bytes("model.org"), made.bytes);

    // Pristine copy of another firmware, working file unpatched: replaced.
    const std::vector<unsigned char> stale = makeFirmware(64 * 1024, 10, 99).bytes;
    put("model.org", stale);
    put("model.rgn", made.bytes);
    r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("model.org"), made.bytes);
    EXPECT_EQ(bytes("model.rgn"), expected);

    // Pristine copy of another firmware, working file empty: the question.
    put("model.org", stale);
    put("model.rgn", {});
    r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, cannotRead("model.rgn"));
    EXPECT_EQ(bytes("model.org"), stale);
    EXPECT_TRUE(bytes("model.rgn").empty());
}

TEST_F(CliTest, TextsMissingOrTooShortAreReportedAndTheFileIsStillWritten)
{
    // Five texts where the model promises seven.
    made = makeFirmware(64 * 1024, 5, 5);
    writeModelFile("[GPS]\r\nGps-1=Five\r\n[Five]\r\norg=five.org\r\nrgn=five.rgn\r\ncrc=" +
                   run_expect::hex8(crcOf(made.bytes)) + "\r\nlang=7\r\n");
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
    put("five.rgn", made.bytes);
    const run_expect::Fitted fitted = run_expect::fit(made, kOwner, 7);
    CliResult r = run(patchArgs("Five", kOwner));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Could not find WARNING text 5, VARNING!\n\n" + notProcessed(fitted.failures, 7) + kAskUpdater);
    EXPECT_EQ(bytes("five.rgn"), fitted.image);
    EXPECT_EQ(logLines(), run_expect::successLog("Five", "five.rgn", crcOf(made.bytes), made, kOwner, 7));

    // lang 0: nothing is searched, the image is written as it was.
    writeModelFile("[GPS]\r\nGps-1=Five\r\n[Five]\r\norg=five.org\r\nrgn=five.rgn\r\ncrc=" +
                   run_expect::hex8(crcOf(made.bytes)) + "\r\nlang=0\r\n");
    r = run(patchArgs("Five", kOwner));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, kAskUpdater);
    EXPECT_EQ(bytes("five.rgn"), made.bytes);

    // One English text of 11 characters, shorter than line 1: left as it is.
    std::string body(300, 'x');
    body.replace(100, 12, std::string("WARNING\nabc") + '\0');
    const std::vector<unsigned char> image(body.begin(), body.end());
    writeModelFile("[GPS]\r\nGps-1=Short\r\n[Short]\r\norg=short.org\r\nrgn=short.rgn\r\ncrc=" +
                   run_expect::hex8(crcOf(image)) + "\r\nlang=1\r\n");
    put("short.rgn", image);
    r = run(patchArgs("Short", kOwner));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, notProcessed(1, 1) + kAskUpdater);
    EXPECT_EQ(bytes("short.rgn"), image);
    EXPECT_EQ(bytes("short.org"), image);
}

TEST_F(CliTest, MissingChecksumMatchesNothing)
{
    prepare();
    writeModelFile("[GPS]\r\nGps-1=Model A 2.40\r\n[Model A 2.40]\r\norg=model.org\r\nrgn=model.rgn\r\nlang=10\r\n");
    const CliResult r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Not original model.rgn file!\n");
    EXPECT_EQ(logLines()[8], "Crc: 0x00000000");
}

TEST_F(CliTest, UploaderStartedOnRequestAndWaitedFor)
{
    prepare();
    const std::string trace = root.file("updater.txt");
    ASSERT_TRUE(writeText(app("UPDATER.EXE"),
                          "#!/bin/sh\necho started >> '" + trace + "'\n/bin/sleep 1\necho ended >> '" + trace + "'\n"));
    fs::permissions(app("UPDATER.EXE"), fs::perms::all, fs::perm_options::replace);

    // Without --start-updater the question is answered Cancel.
    CliResult r = run(patchArgs("1", kOwner));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(testing_support::exists(trace));
    EXPECT_EQ(opened(true), std::vector<std::string>{"report.html"});

    std::vector<std::string> args = patchArgs("1", kOwner);
    args.push_back("--start-updater");
    r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readText(trace), "started\nended\n");

    // An uploader that cannot be started is reported; the run still succeeds.
    fs::permissions(app("UPDATER.EXE"), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
    r = run(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, successErr(kOwner) + "Could not start UPDATER.EXE\nRun UPDATER.EXE from command window\n");
}

TEST_F(CliTest, ReadOnlyWorkingFileAsNobody)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the program as an unprivileged user";
    prepare();
    put("model.org", made.bytes);
    const std::vector<unsigned char> patched = run_expect::fit(made, kOther, 10).image;
    put("model.rgn", patched);
    const fs::perms readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(app("model.rgn"), readable, fs::perm_options::replace);
    // The program's folder is one that nobody can write.
    fs::permissions(root.file("app"), readable | fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::replace);

    const CliResult r = run(patchArgs("1", kOwner), true);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot write model.rgn!\nDisk is full or file is write protected\n"), std::string::npos) << r.err;
    EXPECT_EQ(bytes("model.rgn"), patched);
    EXPECT_EQ(bytes("model.org"), made.bytes);
    EXPECT_TRUE(opened(false).empty());
}

TEST_F(CliTest, PristineCopyThatCannotBeWrittenAsNobodyKeepsTheWorkingFile)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the program as an unprivileged user";
    prepare();
    const fs::perms readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(root.file("app"), readable | fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::replace);

    const CliResult r = run(patchArgs("1", kOwner), true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot write model.org!\nDisk is full or file is write protected\n");
    EXPECT_FALSE(testing_support::exists(app("model.org")));
    EXPECT_EQ(bytes("model.rgn"), made.bytes);
    // The stored lines are in the user's own store, which nobody could write.
    EXPECT_TRUE(storeTouched());
}

} // namespace

// wendrix-cli end to end: exit status, what it prints, the files it leaves
// byte for byte and its log next to the program.
#include <algorithm>
#include <filesystem>
#include <unistd.h>

#include "engine/line_check.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/line_cases.h"

namespace fs = std::filesystem;
using namespace run_expect;
using testing_support::readText;
using testing_support::writeText;

namespace {

constexpr char kNotStarted[] = "(not started: add --start-updater)";
constexpr char kNotSearched[] = "(not searched: add --search-updates)";
constexpr char kFirstWrite[] =
    "Written: the pristine copy model.org (the unpatched model.rgn), then the working file model.rgn, patched.";
constexpr char kLaterWrite[] = "Written: the working file model.rgn, patched from the pristine copy model.org.";
constexpr char kNothingWritten[] = "Nothing written: model.rgn and model.org are as they were.";

class CliTest : public CliModelTest {
protected:
    // Standard error of a run that wrote the working file: the messages, the
    // table that check printed beforehand, and the closing line.
    std::string successErr(const Lines& lines, const std::string& table, const char* written,
                           const char* afterQuestion = kNotStarted, const char* afterTable = nullptr) const
    {
        const Fitted fitted = fit(made, lines, 10);
        const std::string box = summary(fitted);
        std::string err = box.empty() ? "" : shown({box});
        err += shown({askUpdater(fitted)}) + (afterQuestion ? shown({afterQuestion}) : "") + table;
        return err + (afterTable ? shown({afterTable}) : "") + shown({written});
    }
};

TEST_F(CliTest, HelpAndVersionGoToStandardOutput)
{
    for (const char* flag : {"--help", "-h"}) {
        const CliResult r = run({flag});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind("Usage: wendrix-cli", 0), 0u) << r.out;
        for (const char* topic : {"patch MODEL", "check MODEL", "inspect FILE", "restore MODEL", "\n  3  patch",
                                  "\n  4  patch", "--force"})
            EXPECT_NE(r.out.find(topic), std::string::npos) << topic;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(run({"patch", "1", "--help"}).status, 0);
    const CliResult version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "1.4.1.12\n");
    EXPECT_EQ(version.err, "");
}

TEST_F(CliTest, BadUsageIsRefusedBeforeAnythingIsWritten)
{
    prepare();
    const std::string model = readText(app("wendrix.ini"));
    const std::vector<std::vector<std::string>> cases = {
        {}, {"frobnicate"}, {"models", "extra"}, {"lines", "--line", "x"}, {"patch"}, {"patch", ""},
        {"patch", "1", "--bogus"}, {"patch", "1", "--line"}, {"patch", "1", "2"}, {"patch", "3"},
        {"patch", "4000000000000"}, {"patch", "No Such Model"}, {"patch", "1", "--line", "two\nlines"},
        {"patch", "1", "--line", "1", "--line", "2", "--line", "3", "--line", "4", "--line", "5",
         "--line", "6", "--line", "7", "--line", "8"},
        {"update", "--start-updater"}, {"patch", "1", "--force"}, {"check"}, {"check", "1", "--start-updater"},
        {"restore"}, {"restore", "1", "--line", "x"}, {"inspect"}, {"inspect", "model.rgn", "--lang", "0"},
        {"inspect", "model.rgn", "--lang", "15"}, {"inspect", "model.rgn", "--json", "--ini", "X"},
        // What --ini prints is pasted into the model file: no line of its own.
        {"inspect", "model.rgn", "--ini", "X]\n[WARNING"}, {"inspect", "model.rgn", "--ini", "X\r"},
        {"inspect", "odd\n[WARNING]\nText-1=x.rgn", "--ini", "X"},
        // Without --line and with nothing stored every text would be blanked.
        {"patch", "1"}, {"check", "1"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args)
            joined += "[" + a + "]";
        SCOPED_TRACE(joined);
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

    // A missing or empty model file is named, for models as for patch.
    const std::string path = app("wendrix.ini");
    for (const bool present : {false, true}) {
        fs::remove(path);
        if (present)
            writeModelFile("");
        const std::string why = present ? "wendrix-cli: the model file " + path +
                                              " lists no models (section [GPS] has no Gps-1 key); add your "
                                              "firmware with wendrix-cli add FILE\n"
                                        : "wendrix-cli: there is no model file: looked for " + path +
                                              "; add your firmware with wendrix-cli add FILE\n";
        for (const std::vector<std::string>& args : {std::vector<std::string>{"models"}, {"patch", "1", "--line", "X"}}) {
            const CliResult none = run(args);
            EXPECT_EQ(none.status, 1);
            EXPECT_EQ(none.out, "");
            EXPECT_EQ(none.err, why);
        }
    }
    EXPECT_FALSE(testing_support::exists(app("wendrix.LOG")));
}

TEST_F(CliTest, PatchByNumberOrNameAndWithTheStoredLines)
{
    prepare();
    const std::string table = checkTable(ownerLines());
    CliResult r = run(patchArgs("1", ownerLines()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, successErr(ownerLines(), table, kFirstWrite));
    EXPECT_EQ(bytes("model.org"), made.bytes);
    EXPECT_EQ(bytes("model.rgn"), fit(made, ownerLines(), 10).image);
    EXPECT_EQ(logLines(), successLog("Model A 2.40", "model.rgn", crcOf(made.bytes), made, ownerLines(), 10));
    // Not started, so no report: a terminal run opens no browser by surprise.
    EXPECT_TRUE(opened(false).empty());
    const CliResult stored = run({"lines"});
    EXPECT_EQ(stored.status, 0);
    EXPECT_EQ(stored.out, "THIS UNIT BELONGS TO\nJ. SMITH\nPHONE 555 0100\n\n\n\n\n");

    // By name in other capitals, from the pristine copy.
    r = run(patchArgs("model a 2.40", otherLines()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("model.rgn"), fit(made, otherLines(), 10).image);

    // No --line: the stored lines are used.
    put("model.rgn", made.bytes);
    r = run({"patch", "Model A 2.40"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("model.rgn"), fit(made, otherLines(), 10).image);
    EXPECT_EQ(run({"lines"}).out, "PROPERTY OF\nTHE SURVEY TEAM\n\nREWARD\n\n\n\n");
}

// FNV-1a over a stored value's name and data, as the store checks its records.
std::string storeRecord(const std::string& name, const std::string& data)
{
    std::uint32_t hash = 2166136261u;
    for (const std::string* part : {&name, &data})
        for (const char c : *part) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 16777619u;
        }
    return std::to_string(name.size()) + ":" + std::to_string(data.size()) + ":" + hex8(hash) + ":" + name + data + "\n";
}

TEST_F(CliTest, LinesThatCannotBeWrittenAsTypedAreRefused)
{
    prepare();
    const std::string model = readText(app("wendrix.ini"));
    const std::string wrong = "; nothing was written\nTry 'wendrix-cli --help'.\n";
    struct Case {
        std::vector<std::string> lines;
        std::string why;
    };
    const std::vector<Case> cases = {
        {{"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"}, "line 1 has 36 characters; a line holds at most 29"},
        // Counted in characters, not bytes: 30 of them, 31 bytes.
        {{"x", "\xC3\xA9" + std::string(29, 'e')}, "line 2 has 30 characters; a line holds at most 29"},
        // The nearest line is offered; a character with nothing near it is named.
        {{"\xC5\x81ukasz"},
         "line 1 holds the character '\xC5\x81' (U+0141), which the receiver's code page (Windows-1252) cannot hold; "
         "with the nearest characters it holds, line 1 reads 'Lukasz': add --nearest to use it"},
        // A word longer than a line: where suggest would split it.
        {{"Mail christopher.wellington@example.com"},
         "line 1 has 39 characters; a line holds at most 29; 'christopher.wellington@example.com' splits after its "
         "'@' into 'christopher.wellington@' and 'example.com': give the parts as lines of their own, or let "
         "wendrix-cli suggest arrange your words"},
        {{"\xC5\x81ukasz \xF0\x9F\x8D\xBA"},
         "line 1 holds the character '\xF0\x9F\x8D\xBA' (U+1F37A), which the receiver's code page (Windows-1252) "
         "cannot hold, nor any character near it: leave it out or put another in its place"},
        {{"a", "", "b\tc"}, "line 3 holds the control character U+0009 (TAB); a line holds only printable characters"},
        {{"X\x1b[31m"}, "line 1 holds the control character U+001B (ESC); a line holds only printable characters"},
        {{"two\nlines"}, "line 1 holds the control character U+000A (line feed); a line holds only printable characters"},
        {{"bell\x07"}, "line 1 holds the control character U+0007 (BEL); a line holds only printable characters"},
        {{"", "", "", "", "", "", ""},
         "all seven lines would be empty and blank every warning text (an unset variable in --line \"$NAME\" gives an "
         "empty line): give your text, or add --force to blank them"},
        {{""}, "all seven lines would be empty and blank every warning text (an unset variable in --line \"$NAME\" "
               "gives an empty line): give your text, or add --force to blank them"},
    };
    for (const Case& c : cases) {
        for (const char* command : {"patch", "check"}) {
            std::vector<std::string> args = {command, "1"};
            for (const std::string& line : c.lines) {
                args.push_back("--line");
                args.push_back(line);
            }
            SCOPED_TRACE(std::string(command) + ": " + c.why);
            const CliResult r = run(args);
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, "wendrix-cli: " + c.why + wrong);
            EXPECT_FALSE(testing_support::exists(app("wendrix.LOG")));
            EXPECT_FALSE(storeTouched());
            EXPECT_EQ(readText(app("wendrix.ini")), model);
            EXPECT_EQ(bytes("model.rgn"), made.bytes);
            EXPECT_FALSE(testing_support::exists(app("model.org")));
        }
    }
    // suggest names the fault in the words it was given.
    const CliResult s = run({"suggest", "1", "Reward", "\xC5\x81ukasz"});
    EXPECT_EQ(s.status, 2);
    EXPECT_EQ(s.err, "wendrix-cli: your text holds the character '\xC5\x81' (U+0141), which the receiver's code page "
                     "(Windows-1252) cannot hold; with the nearest characters it holds, your text reads 'Lukasz': add "
                     "--nearest to use it\nTry 'wendrix-cli --help'.\n");
    const CliResult n = run({"suggest", "1", "Reward", "\xC5\x81ukasz", "--nearest"});
    EXPECT_NE(n.status, 2);
    EXPECT_EQ(n.err.rfind("Your text reads 'Lukasz', with the nearest characters Windows-1252 holds\n", 0), 0u) << n.err;
    EXPECT_EQ(n.out.rfind("--line 'Reward Lukasz'\n", 0), 0u) << n.out;
    // A word longer than a line with no mark to split it at; the same with
    // a mark too far in.
    for (const std::string& word : {std::string("a_word_of_thirty_characters_xx"),
                                    std::string(30, 'c') + "@example.com"}) {
        const CliResult w = run({"suggest", "1", "Call", word});
        EXPECT_EQ(w.status, 2);
        EXPECT_EQ(w.err, "wendrix-cli: the word '" + word + "' has " + std::to_string(word.size()) +
                             " characters, and a line holds at most 29: no '@', '.', '-' or '/' in it splits it "
                             "into two parts of at most 29\nTry 'wendrix-cli --help'.\n");
    }

    // Seven empty lines on purpose; a line of 29 characters is written whole.
    EXPECT_EQ(run({"check", "1", "--line", "", "--force"}).status, 0);
    const Lines kept = {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012", "", "", "", "", "", ""};
    const CliResult r = run({"patch", "1", "--line", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes("model.rgn"), fit(made, kept, 10).image);

    // A store edited by hand is held to the same rules, and left as it is.
    const std::string store = root.file("config/Zarnek/Wendrix/values");
    const std::vector<std::pair<std::string, std::string>> stored = {
        {"OK\r", "line 1 holds the control character U+000D (carriage return); a line holds only printable characters"},
        {"A\x1b[2JB", "line 1 holds the control character U+001B (ESC); a line holds only printable characters"},
        {"ring\x07", "line 1 holds the control character U+0007 (BEL); a line holds only printable characters"},
        {"one\ntwo", "line 1 holds the control character U+000A (line feed); a line holds only printable characters"},
        {std::string(30, 'L'), "line 1 has 30 characters; a line holds at most 29"},
    };
    put("model.rgn", made.bytes);
    fs::remove(app("model.org"));
    for (const auto& [line, why] : stored) {
        SCOPED_TRACE(why);
        std::string content = "WendrixValues 1\n" + storeRecord("Text-1", line + '\0');
        for (int n = 2; n <= 7; ++n)
            content += storeRecord("Text-" + std::to_string(n), std::string(1, '\0'));
        ASSERT_TRUE(writeText(store, content));
        for (const char* command : {"patch", "check"}) {
            const CliResult refused = run({command, "1"});
            EXPECT_EQ(refused.status, 2);
            EXPECT_EQ(refused.err, "wendrix-cli: the stored " + why +
                                       ": give your lines with --line (they are stored by the next patch); "
                                       "nothing was written\nTry 'wendrix-cli --help'.\n");
            EXPECT_EQ(readText(store), content);
            EXPECT_EQ(run({"lines"}).out.find_first_of("\x07\x1b\r"), std::string::npos);
            EXPECT_EQ(bytes("model.rgn"), made.bytes);
            EXPECT_FALSE(testing_support::exists(app("model.org")));
        }
    }
}

// One verdict for a text, whichever way it comes in: --line, the per-user
// store, the model file's "WARNING" section (and, in the desktop tests, the
// edit fields).
TEST_F(CliTest, EveryWayInGivesALineTheSameVerdict)
{
    prepare();
    const std::string model = readText(app("wendrix.ini"));
    const std::string store = root.file("config/Zarnek/Wendrix/values");
    for (const testing_support::LineCase& c : testing_support::lineCases()) {
        SCOPED_TRACE(c.utf8);
        const bool taken = c.fault == LineFaultKind::None;
        std::string why = describeLineFault(2, checkUtf8Line(c.utf8).fault);
        if (c.fault == LineFaultKind::NotInCodePage) {
            why = describeLineFault(2, checkUtf8Line(c.utf8).fault, "'" + utf8Of(c.character) + "'");
            why += c.nearest ? "; with the nearest characters it holds, line 2 reads '" + std::string(c.nearest) +
                                   "': add --nearest to use it"
                             : std::string(", nor any character near it: leave it out or put another in its place");
        }

        // Line 1 holds text, so that an empty line 2 is no empty text.
        const CliResult typed = run({"check", "1", "--line", "X", "--line", c.utf8});
        EXPECT_EQ(typed.status == 2, !taken) << typed.err;
        if (!taken) {
            EXPECT_EQ(typed.err, "wendrix-cli: " + why + "; nothing was written\nTry 'wendrix-cli --help'.\n");
        }
        // --nearest takes the nearest line where there is one, and says so.
        const CliResult nearest = run({"check", "1", "--line", "X", "--line", c.utf8, "--nearest"});
        const bool nearestTaken = taken || c.nearest != nullptr;
        EXPECT_EQ(nearest.status == 2, !nearestTaken) << nearest.err;
        if (c.nearest) {
            EXPECT_EQ(nearest.err, "Line 2 reads '" + std::string(c.nearest) +
                                       "', with the nearest characters Windows-1252 holds\n");
            EXPECT_EQ(nearest.out, run({"check", "1", "--line", "X", "--line", c.nearest}).out);
        } else {
            EXPECT_EQ(nearest.err, typed.err);
        }

        for (const bool inStore : {true, false}) {
            if (!(inStore ? c.storable() : c.inModelFile()))
                continue;
            SCOPED_TRACE(inStore ? "per-user store" : "model file");
            fs::remove_all(root.file("config/Zarnek"));
            if (inStore) {
                std::string content = "WendrixValues 1\n" + storeRecord("Text-1", std::string("X") + '\0') +
                                      storeRecord("Text-2", c.ansi() + '\0');
                for (int n = 3; n <= 7; ++n)
                    content += storeRecord("Text-" + std::to_string(n), std::string(1, '\0'));
                fs::create_directories(root.file("config/Zarnek/Wendrix"));
                ASSERT_TRUE(writeText(store, content));
                writeModelFile(model);
            } else {
                writeModelFile(model + "[WARNING]\r\nText-1=X\r\nText-2=" + c.ansi() + "\r\n");
            }
            const CliResult stored = run({"check", "1"});
            EXPECT_EQ(stored.status == 2, !taken) << stored.err;
            if (!taken) {
                EXPECT_EQ(stored.err, "wendrix-cli: the stored " + describeLineFault(2, checkUtf8Line(c.utf8).fault) +
                                          ": give your lines with --line (they are stored by the next patch); "
                                          "nothing was written\nTry 'wendrix-cli --help'.\n");
            }
            // lines shows the stored line and, for one that is refused, why.
            const CliResult shown = run({"lines"});
            EXPECT_EQ(shown.status, taken ? 0 : 1);
            EXPECT_NE(shown.err.find(taken ? "" : "the stored " + describeLineFault(2, checkUtf8Line(c.utf8).fault)),
                      std::string::npos)
                << shown.err;
            EXPECT_EQ(shown.err.empty(), taken);
        }
    }
}

TEST_F(CliTest, TerminalTextIsStoredAndWrittenIn8BitAnsi)
{
    // The model file and the firmware hold Windows-1252, the terminal shows UTF-8.
    writeModelFile("[GPS]\r\nGps-1=Espa\xF1" "a 1.0\r\n[Espa\xF1" "a 1.0]\r\norg=e.org\r\nrgn=e.rgn\r\ncrc=" +
                   hex8(crcOf(made.bytes)) + "\r\nlang=10\r\nRel=\xE9t\xE9\r\n");
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
    put("e.rgn", made.bytes);
    EXPECT_EQ(run({"models"}).out, "1\tEspa\xC3\xB1" "a 1.0\t\xC3\xA9t\xC3\xA9\n");

    // "Größe €", a question mark, and a line that is not UTF-8.
    const CliResult r = run({"patch", "Espa\xC3\xB1" "a 1.0", "--line", "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC",
                             "--line", "?x", "--line", "caf\xE9"});
    EXPECT_EQ(r.status, 0) << r.err;
    const Lines stored = {"Gr\xF6\xDF" "e \x80", "?x", "caf\xE9", "", "", "", ""};
    EXPECT_EQ(bytes("e.rgn"), fit(made, stored, 10).image);
    EXPECT_EQ(run({"lines"}).out, "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC\n?x\ncaf\xC3\xA9\n\n\n\n\n");

    // File names are the system's own bytes, UTF-8 here: shown as they are,
    // beside Windows-1252 text of the program's.
    writeModelFile("[GPS]\r\nGps-1=Espa\xF1" "a 1.0\r\n[Espa\xF1" "a 1.0]\r\norg=\xC3\xA9.org\r\nrgn=\xC3\xA9.rgn\r\ncrc=" +
                   hex8(crcOf(made.bytes)) + "\r\nlang=10\r\n");
    const CliResult missing = run({"check", "1", "--line", "X"});
    EXPECT_TRUE(missing.err.starts_with("Cannot read \xC3\xA9.rgn!\n")) << missing.err;
    put("\xC3\xA9.rgn", made.bytes);
    const CliResult named = run({"patch", "1", "--line", "X"});
    EXPECT_NE(named.err.find("Written: the pristine copy \xC3\xA9.org (the unpatched \xC3\xA9.rgn), then the working "
                             "file \xC3\xA9.rgn, patched."),
              std::string::npos)
        << named.err;
    const CliResult json = run({"check", "1", "--line", "X", "--json"});
    EXPECT_TRUE(json.out.starts_with("{\"section\":\"Espa\xC3\xB1" "a 1.0\",")) << json.out;
    EXPECT_NE(json.out.find("\"name\":\"Espa\xC3\xB1ol\""), std::string::npos) << json.out;
}

TEST_F(CliTest, NoGpsSelected)
{
    prepare();
    for (const char* zero : {"0", "00"}) {
        const CliResult r = run({"patch", zero, "--line", "X"});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, std::string("wendrix-cli: No Gps selected: ") + zero +
                             " is the list's \"No Gps\" entry; give a model's number from 1 or its section name "
                             "(see 'wendrix-cli models')\nTry 'wendrix-cli --help'.\n");
        EXPECT_FALSE(testing_support::exists(app("wendrix.LOG")));
        EXPECT_FALSE(storeTouched());
    }
}

TEST_F(CliTest, FailuresOfTheRunEndWithStatusOne)
{
    struct Case {
        const char* removed;
        std::string err, logTail;
        std::string checkSays; // check refuses with these words first, before any table
    };
    // Without --search-updates the question about the working file is answered No.
    const Case cases[] = {{"UPDATER.EXE", shown({kNoUpdater, kNothingWritten}), "Cannot find UPDATER.EXE", kNoUpdater},
                          {"model.rgn", shown({cannotRead("model.rgn", fs::canonical(root.file("app")).string()), kNotSearched, kNothingWritten}),
                           "Cannot read model.rgn!", "Cannot read model.rgn!\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removed);
        prepare();
        fs::remove(app(c.removed));
        const CliResult checked = run({"check", "1", "--line", "X"});
        EXPECT_EQ(checked.status, 1);
        EXPECT_EQ(checked.out, "");
        EXPECT_EQ(checked.err.rfind(c.checkSays, 0), 0u) << checked.err;
        const CliResult r = run(patchArgs("1", ownerLines()));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
        std::vector<std::string> log = logHead("Model A 2.40", "model.rgn", crcOf(made.bytes));
        log.push_back("**** " + c.logTail);
        EXPECT_EQ(logLines(), log);
        EXPECT_FALSE(testing_support::exists(app("model.org")));
    }
    EXPECT_TRUE(opened(false).empty());
}

TEST_F(CliTest, UploaderStartedOnRequestAndWaitedFor)
{
    prepare();
    const std::string trace = root.file("updater.txt");
    ASSERT_TRUE(writeText(app("UPDATER.EXE"),
                          "#!/bin/sh\necho started >> '" + trace + "'\n/bin/sleep 1\necho ended >> '" + trace + "'\n"));
    fs::permissions(app("UPDATER.EXE"), fs::perms::all, fs::perm_options::replace);

    // Without --start-updater the question is answered Cancel.
    CliResult r = run(patchArgs("1", ownerLines()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(testing_support::exists(trace));
    EXPECT_TRUE(opened(false).empty());

    const std::string table = checkTable(ownerLines());
    std::vector<std::string> args = patchArgs("1", ownerLines());
    args.push_back("--start-updater");
    r = run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readText(trace), "started\nended\n");
    EXPECT_EQ(r.err, successErr(ownerLines(), table, kLaterWrite, nullptr));
    // The report of the upload is opened once the uploader has ended.
    EXPECT_EQ(opened(true), std::vector<std::string>{"report.html"});

    // An uploader that fails or cannot be started is reported, with status 4.
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "#!/bin/sh\nexit 3\n"));
    r = run(args);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, successErr(ownerLines(), table, kLaterWrite, nullptr, "UPDATER.EXE ended with exit status 3."));
    fs::permissions(app("UPDATER.EXE"), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
    r = run(args);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, successErr(ownerLines(), table, kLaterWrite, kCannotStart));
}

// A folder the user may not write: the pristine copy, or with one already
// there the working file, cannot be written; nor can a foreign file at the
// pristine copy's name be kept aside in its own folder. The run stops before
// it writes or shows anything else, with status 1, and check refuses in the
// same words.
TEST_F(CliTest, FilesThatNobodyMayWriteStopPatchAndCheckAlike)
{
    if (!testing_support::canDropPrivileges())
        GTEST_SKIP() << "needs root to run the program as an unprivileged user";
    const auto readOnly = [](const std::string& folder) {
        fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::replace);
    };
    const std::string notes = "the owner's notes";
    for (const char* blocked : {"model.org", "keep/model.org", "model.rgn"}) {
        SCOPED_TRACE(blocked);
        const bool withPristine = std::string(blocked) == "model.rgn";
        const bool keepsAside = std::string(blocked) == "keep/model.org";
        prepare();
        if (withPristine)
            put("model.org", made.bytes);
        if (keepsAside) {
            // The pristine copy's folder holds something else at its name;
            // the working file and its folder are the user's.
            writeStandardModel(run_expect::crcOf(made.bytes), blocked);
            fs::create_directories(app("keep"));
            ASSERT_TRUE(writeText(app(blocked), notes));
            for (const std::string& path : {root.file("app"), app("model.rgn")})
                ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0) << path;
            readOnly(app("keep"));
        } else {
            // The program's folder is one that nobody can write.
            readOnly(root.file("app"));
        }

        const CliResult checked = run({"check", "1", "--line", "X"}, true);
        EXPECT_EQ(checked.status, 1);
        EXPECT_EQ(checked.out, "");
        EXPECT_EQ(checked.err, cannotWrite(blocked) + "\n");
        const CliResult r = run(patchArgs("1", ownerLines()), true);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, shown({cannotWrite(blocked), keepsAside ? "Nothing written: model.rgn and keep/model.org are "
                                                                    "as they were."
                                                                  : kNothingWritten}));
        EXPECT_EQ(testing_support::exists(app("model.org")), withPristine);
        EXPECT_EQ(bytes("model.rgn"), made.bytes);
        if (keepsAside) {
            EXPECT_EQ(readText(app(blocked)), notes);
            EXPECT_FALSE(testing_support::exists(app("keep/model.1.org")));
        }
        // The lines went to the user's own store all the same.
        EXPECT_TRUE(storeTouched());
        EXPECT_TRUE(opened(false).empty());
        fs::permissions(root.file(keepsAside ? "app/keep" : "app"), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(app("keep"));
        ASSERT_EQ(::chown(root.file("app").c_str(), 0, 0), 0);
    }
}

// A model section whose two files are one, or that names a file of the
// program's own, would have the run overwrite that file. Each run matches
// the expected checksum, so without the check it would go on and write.
TEST_F(CliTest, PathsThatWouldOverwriteAFileOfTheirOwnStopTheRun)
{
    const std::string store = root.file("config/Zarnek/Wendrix/values");
    const std::string notFirmware = "names a file that is not firmware: ";
    struct Case {
        std::string org, rgn; // the model section's paths
        const char* link;     // org made a link to model.rgn: "soft", "hard" or none
        std::string problem;  // the log line without "**** " and the message's first line
        std::string otherOrg = {}; // a second model's pristine copy, holding the stock image
        std::string otherRgn = "model.rgn"; // and its working file
    };
    std::vector<Case> cases = {
        {"model.rgn", "model.rgn", nullptr, "org and rgn name the same file model.rgn!"},
        {"./model.rgn", app("model.rgn"), nullptr, "org and rgn name the same file " + app("model.rgn") + "!"},
        {"sub/../model.rgn", "model.rgn", nullptr, "org and rgn name the same file model.rgn!"},
        {"model.org", "model.rgn", "soft", "org and rgn name the same file model.rgn!"},
        {"model.org", "model.rgn", "hard", "org and rgn name the same file model.rgn!"},
        {"model.org", "wendrix.ini", nullptr, "rgn " + notFirmware + "wendrix.ini"},
        {"model.org", "wendrix.3.LOG", nullptr, "rgn " + notFirmware + "wendrix.3.LOG"},
        {"model.org", store, nullptr, "rgn " + notFirmware + store},
        {"wendrix.LOG", "model.rgn", nullptr, "org " + notFirmware + "wendrix.LOG"},
        {"UPDATER.EXE", "model.rgn", nullptr, "org " + notFirmware + "UPDATER.EXE"},
        {"wendrix-cli", "model.rgn", nullptr, "org " + notFirmware + "wendrix-cli"},
        // Every program of the suite beside this one, whether or not it is there.
        {"wendrix", "model.rgn", nullptr, "org " + notFirmware + "wendrix"},
        {"wendrix.exe", "model.rgn", nullptr, "org " + notFirmware + "wendrix.exe"},
        {"model.org", "wendrix-cli.exe", nullptr, "rgn " + notFirmware + "wendrix-cli.exe"},
        {"model.org", "./wendrix", nullptr, "rgn " + notFirmware + "./wendrix"},
        // No model's files are another's pristine copy: a run would write
        // over the only stock firmware of that model.
        {"a.org", "b.org", nullptr,
         "[Model A 2.40] would write its working file over the pristine copy of [Model B]: b.org", "b.org"},
        {"a.org", "./B.ORG/../b.org", nullptr,
         "[Model A 2.40] would write its working file over the pristine copy of [Model B]: ./B.ORG/../b.org",
         "b.org"},
        {"b.org", "model.rgn", nullptr, "[Model A 2.40] and [Model B] name the same pristine copy: b.org", "b.org",
         "c.rgn"},
        {"./B.org", "model.rgn", nullptr, "[Model A 2.40] and [Model B] name the same pristine copy: ./B.org",
         "b.org", "c.rgn"},
        {"c.rgn", "model.rgn", nullptr,
         "[Model A 2.40] would write its pristine copy over the working file of [Model B]: c.rgn", "b.org", "c.rgn"},
        // Names that Windows takes for a device or for another file.
        {"con.org", "model.rgn", nullptr, "[Model A 2.40] names con.org: con.org is a device on Windows, not a file"},
        {"model.org", "fw/Lpt1", nullptr, "[Model A 2.40] names fw/Lpt1: Lpt1 is a device on Windows, not a file"},
        {"model.org", "NUL .rgn", nullptr,
         "[Model A 2.40] names NUL .rgn: NUL .rgn is a device on Windows, not a file"},
        {"model.org.", "model.rgn", nullptr,
         "[Model A 2.40] names model.org.: Windows drops the dot or blank at the end of model.org., so it would be "
         "another file"},
        {"fw /model.org", "model.rgn", nullptr,
         "[Model A 2.40] names fw /model.org: Windows drops the dot or blank at the end of fw , so it would be "
         "another file"},
    };
    for (int number = 1; number <= 9; ++number) {
        const std::string log = "wendrix." + std::to_string(number) + ".LOG";
        cases.push_back({"model.org", log, nullptr, "rgn " + notFirmware + log});
        cases.push_back({log, "model.rgn", nullptr, "org " + notFirmware + log});
    }
    const std::vector<unsigned char> program = bytes("wendrix-cli");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.org + " / " + c.rgn);
        fs::remove_all(root.file("config"));
        fs::create_directories(root.file("config/Zarnek/Wendrix"));
        ASSERT_TRUE(writeText(store, "WendrixValues 1\n"));
        fs::remove(app("model.org"));
        fs::remove(app("wendrix.LOG"));
        for (int number = 1; number <= 9; ++number)
            fs::remove(app("wendrix." + std::to_string(number) + ".LOG"));
        ASSERT_TRUE(writeText(app("wendrix.3.LOG"), "an older log\r\n"));
        ASSERT_TRUE(writeText(app("wendrix"), "the desktop program"));
        fs::create_directories(app("B.ORG"));
        prepare();
        if (!c.otherOrg.empty())
            put(c.otherOrg, made.bytes);
        if (c.link && std::string(c.link) == "soft")
            fs::create_symlink("model.rgn", app("model.org"));
        else if (c.link)
            fs::create_hard_link(app("model.rgn"), app("model.org"));
        const std::string crc = hex8(crcOf(made.bytes));
        std::string model = "[GPS]\r\nGps-1=Model A 2.40\r\n";
        if (!c.otherOrg.empty())
            model += "Gps-2=Model B\r\n[Model B]\r\norg=" + c.otherOrg + "\r\nrgn=" + c.otherRgn + "\r\ncrc=" +
                     crc + "\r\nlang=10\r\n";
        model += "[Model A 2.40]\r\norg=" + c.org + "\r\nrgn=" + c.rgn + "\r\ncrc=" + crc + "\r\nlang=10\r\n";
        writeModelFile(model);

        const CliResult r = run(patchArgs("1", ownerLines()));

        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.problem + "\nPlease correct Wendrix.ini\nNothing written: " + c.rgn + " and " + c.org +
                             " are as they were.\n");
        std::vector<std::string> log = logHead("Model A 2.40", c.rgn, crcOf(made.bytes));
        log.push_back("**** " + c.problem);
        EXPECT_EQ(logLines(), log);
        EXPECT_EQ(bytes("model.rgn"), made.bytes);
        if (!c.otherOrg.empty()) {
            EXPECT_EQ(bytes(c.otherOrg), made.bytes);
        }
        EXPECT_FALSE(fs::exists(app("a.org")));
        EXPECT_EQ(readText(app("wendrix")), "the desktop program");
        EXPECT_FALSE(fs::exists(app("wendrix.exe")));
        EXPECT_FALSE(fs::exists(app("wendrix-cli.exe")));
        EXPECT_EQ(c.link != nullptr, fs::exists(app("model.org")));
        EXPECT_EQ(readText(app("wendrix.ini")), model);
        EXPECT_EQ(readText(app("UPDATER.EXE")), "MZ stand-in");
        EXPECT_EQ(readText(store), "WendrixValues 1\n"); // the lines were not saved either
        EXPECT_EQ(readText(app("wendrix.4.LOG")), "an older log\r\n");
        EXPECT_TRUE(bytes("wendrix-cli") == program);
    }
    EXPECT_TRUE(opened(false).empty());
}

} // namespace

namespace {

// After a first patch the owner may put other firmware in place as the
// working file. A patch run (and check) must not then write the patched old
// firmware over it; the stock image and any earlier patch are replaced.
TEST_F(CliTest, AWorkingFileOfOtherFirmwareIsNeverReplacedByTheOldOne)
{
    prepare();
    ASSERT_EQ(run(patchArgs("1", ownerLines())).status, 0);
    ASSERT_TRUE(opened(false).empty()); // without --start-updater nothing is opened
    const std::vector<unsigned char> patched = bytes("model.rgn");

    std::vector<unsigned char> flippedOutside = made.bytes;
    flippedOutside[0] ^= 1;
    std::vector<unsigned char> patchedAndFlipped = patched;
    patchedAndFlipped[1] ^= 1;
    std::vector<unsigned char> longer = patched;
    longer.push_back(0);
    const struct {
        const char* what;
        std::vector<unsigned char> working;
    } others[] = {
        {"another release, same size", makeFirmware(made.bytes.size(), 10, 9).bytes},
        {"another release, other size", makeFirmware(made.bytes.size() + 4096, 10, 7).bytes},
        {"stock image with one byte changed", flippedOutside},
        {"patch with one byte changed outside the texts", patchedAndFlipped},
        {"patch with a byte added", longer},
    };
    const std::string message =
        "model.rgn is neither the stock firmware nor a patch of model.org!\n"
        "It may be a newer firmware: patching would replace it with the old one.\n"
        "Update Wendrix.ini for it (wendrix-cli inspect model.rgn --ini), or move it away.";
    for (const auto& c : others) {
        SCOPED_TRACE(c.what);
        put("model.rgn", c.working);
        fs::remove(app("wendrix.LOG"));

        CliResult r = run(patchArgs("1", otherLines()));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, shown({message, kNothingWritten}));
        // The texts were located in the pristine copy; nothing was fitted.
        const std::vector<std::string> head = logHead("Model A 2.40", "model.rgn", crcOf(made.bytes));
        const std::vector<std::string> log = logLines();
        ASSERT_GT(log.size(), head.size());
        EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + head.size()), head);
        EXPECT_EQ(log.back(), "**** model.rgn is neither the stock firmware nor a patch of model.org!");
        EXPECT_EQ(std::count(log.begin(), log.end(), "--- Result ---"), 0);
        EXPECT_TRUE(bytes("model.rgn") == c.working);
        EXPECT_TRUE(bytes("model.org") == made.bytes);

        const auto before = snapshot();
        r = run({"check", "1"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, shown({message}));
        EXPECT_EQ(snapshot(), before);
    }
    EXPECT_TRUE(opened(false).empty());

    // The stock image, an earlier patch with other lines, and no working file
    // at all are what a run replaces or creates.
    const struct {
        const char* what;
        std::vector<unsigned char> working; // empty: none
    } usual[] = {{"stock image", made.bytes}, {"earlier patch", patched}, {"missing", {}}};
    for (const auto& c : usual) {
        SCOPED_TRACE(c.what);
        fs::remove(app("model.rgn"));
        if (!c.working.empty())
            put("model.rgn", c.working);
        EXPECT_EQ(run({"check", "1"}).status, 0);
        const CliResult r = run(patchArgs("1", otherLines()));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(bytes("model.rgn") == fit(made, otherLines(), 10).image);
    }
}

} // namespace

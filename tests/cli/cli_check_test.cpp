// check, inspect and restore end to end: check and a real patch run never
// disagree, the three commands leave every file as it was (restore apart from
// the working file it puts back), and restore refuses a pristine copy that
// does not match.
#include <algorithm>
#include <filesystem>
#include <regex>
#include <thread>

#include "platform/cp1252.h"
#include "tests/cli/cli_runner.h"

namespace fs = std::filesystem;
using namespace run_expect;
using testing_support::readText;
using testing_support::writeText;

namespace {

// One "languages" entry of check's JSON object.
struct JsonEntry {
    int number = 0;
    std::string name;
    int start = 0, length = 0;
    bool replaced = false;
    int fill = -1, skipped = -1, candidate = 0;
    std::string reason;
    bool fits = false;
};

std::vector<JsonEntry> jsonLanguages(const std::string& json)
{
    static const std::regex entry(
        R"re(\{"number":(\d+),"name":"([^"]*)","start":(\d+),"length":(\d+),"replaced":(true|false))re"
        R"re((?:,"fill_factor":(\d+),"lines_skipped":(\d+))?,"candidate_length":(\d+)(?:,"reason":"([^"]*)")?,"fits":(true|false))re");
    std::vector<JsonEntry> entries;
    for (std::sregex_iterator it(json.begin(), json.end(), entry), end; it != end; ++it) {
        const std::smatch& m = *it;
        JsonEntry e;
        e.number = std::stoi(m[1]);
        e.name = m[2];
        e.start = std::stoi(m[3]);
        e.length = std::stoi(m[4]);
        e.replaced = m[5] == "true";
        if (m[6].matched) {
            e.fill = std::stoi(m[6]);
            e.skipped = std::stoi(m[7]);
        }
        e.candidate = std::stoi(m[8]);
        e.reason = m[9];
        e.fits = m[10] == "true";
        entries.push_back(e);
    }
    return entries;
}

// The log's "--- Result ---" block rewritten in check's terms, one entry per line.
std::vector<JsonEntry> loggedResults(const std::vector<std::string>& log)
{
    static const std::regex replaced(R"re((\S+) +(\d+) chars replaced, (\d+) line\(s\) skipped, fill factor (\d+))re");
    static const std::regex notReplaced(R"re((\S+) +not replaced, (\d+) chars could not replace (\d+) chars)re");
    std::vector<JsonEntry> entries;
    auto line = std::find(log.begin(), log.end(), "--- Result ---");
    for (line = line == log.end() ? line : line + 1; line != log.end() && !line->empty(); ++line) {
        std::smatch m;
        JsonEntry e;
        e.number = static_cast<int>(entries.size()) + 1;
        if (std::regex_match(*line, m, replaced)) {
            e = {e.number, m[1], 0, std::stoi(m[2]), true, std::stoi(m[4]), std::stoi(m[3]), std::stoi(m[2]), ""};
        } else if (std::regex_match(*line, m, notReplaced)) {
            e = {e.number, m[1], 0, std::stoi(m[3]), false, -1, -1, std::stoi(m[2]), ""};
        } else {
            ADD_FAILURE() << "unexpected log line: " << *line;
        }
        e.name = platform::cp1252::toUtf8(e.name);
        entries.push_back(e);
    }
    return entries;
}

class CliCheckTest : public CliModelTest {
protected:
    void writeModel(const MadeFirmware& image, int lang)
    {
        writeModelFile("[GPS]\r\nGps-1=Model A 2.40\r\n[Model A 2.40]\r\norg=model.org\r\nrgn=model.rgn\r\ncrc=" +
                       hex8(crcOf(image.bytes)) + "\r\nlang=" + std::to_string(lang) + "\r\n");
    }
    std::vector<std::string> checkArgs(const Lines& lines, bool json)
    {
        std::vector<std::string> args = forced(patchArgs("1", lines), lines);
        args[0] = "check";
        if (json)
            args.push_back("--json");
        return args;
    }
    // Seven empty lines are taken only on purpose.
    static std::vector<std::string> forced(std::vector<std::string> args, const Lines& lines)
    {
        if (std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return l.empty(); }))
            args.push_back("--force");
        return args;
    }
};

TEST_F(CliCheckTest, CheckAgreesWithARealPatchRunOnManyImages)
{
    const Lines lineSets[] = {
        ownerLines(),
        otherLines(),
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ012", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012", "ABCDEFGHIJKLMNOPQRSTUVWXYZ012",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ012"},
        {"A", "", "", "", "", "", ""},
        {"", "", "", "", "", "", ""},
    };
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
    for (int i = 0; i < 24; ++i) {
        // Small images leave late texts out; a lang beyond the texts leaves entries not located.
        const std::size_t size = std::size_t{1024} << (i % 6);
        const int texts = 1 + (i * 5) % 14;
        const int lang = std::min(14, texts + (i % 3));
        const Lines& lines = lineSets[i % 5];
        const MadeFirmware image = makeFirmware(size, texts, 100 + static_cast<std::uint32_t>(i));
        SCOPED_TRACE("image " + std::to_string(i) + ", " + std::to_string(size) + " bytes, lang " +
                     std::to_string(lang) + ", lines " + std::to_string(i % 5));
        writeModel(image, lang);
        put("model.rgn", image.bytes);
        fs::remove(app("model.org"));

        const CliResult json = run(checkArgs(lines, true));
        const CliResult plain = run(checkArgs(lines, false));
        const CliResult patch = run(forced(patchArgs("1", lines), lines));
        const Fitted expected = fit(image, lines, lang);

        // A text replaced without a line of text counts as not fitting.
        ASSERT_EQ(patch.status, expected.notFitting ? 3 : 0) << patch.err;
        EXPECT_EQ(json.status, expected.notFitting ? 1 : 0) << json.err;
        EXPECT_EQ(plain.status, json.status);
        EXPECT_EQ(json.err, "");
        EXPECT_EQ(bytes("model.rgn"), expected.image);
        // The patch run shows the very table that check printed beforehand.
        EXPECT_NE(patch.err.find(plain.out), std::string::npos) << plain.out << "\n---\n" << patch.err;

        const std::string head = "{\"section\":\"Model A 2.40\",\"source\":\"rgn\",\"crc\":\"" +
                                 hex8(crcOf(image.bytes)) + "\",\"lang\":" + std::to_string(lang) +
                                 ",\"located\":" + std::to_string(std::min<int>(lang, int(image.texts.size()))) +
                                 ",\"not_replaced\":" + std::to_string(expected.failures) +
                                 ",\"not_fitting\":" + std::to_string(expected.notFitting) +
                                 ",\"own_warning\":" + std::to_string(expected.ownWarning) + ",\"languages\":[";
        EXPECT_EQ(json.out.rfind(head, 0), 0u) << json.out;
        EXPECT_EQ(json.out.substr(json.out.size() - 3), "]}\n");

        const std::vector<JsonEntry> checked = jsonLanguages(json.out);
        const std::vector<JsonEntry> logged = loggedResults(logLines());
        ASSERT_EQ(checked.size(), static_cast<std::size_t>(lang));
        ASSERT_EQ(logged.size(), checked.size());
        for (std::size_t e = 0; e < checked.size(); ++e) {
            SCOPED_TRACE("entry " + std::to_string(e + 1));
            const JsonEntry& c = checked[e];
            const JsonEntry& l = logged[e];
            EXPECT_EQ(c.number, static_cast<int>(e) + 1);
            EXPECT_EQ(c.name, l.name);
            EXPECT_EQ(c.replaced, l.replaced);
            EXPECT_EQ(c.length, l.length);
            EXPECT_EQ(c.candidate, l.candidate);
            EXPECT_EQ(c.fill, l.fill);
            EXPECT_EQ(c.skipped, l.skipped);
            EXPECT_EQ(c.reason.empty(), c.fits);
            EXPECT_LE(c.fits, c.replaced);
            const bool located = e < image.texts.size();
            EXPECT_EQ(c.start, located ? image.texts[e].start : e == image.texts.size() ? int(size) : 0);
            // The exact bytes that the run then wrote (these lines need no escape but the line feed).
            if (c.replaced) {
                std::string text;
                for (int b = c.start; b < c.start + c.length; ++b)
                    text += expected.image[static_cast<std::size_t>(b)] == '\n'
                                ? std::string("\\n")
                                : std::string(1, static_cast<char>(expected.image[static_cast<std::size_t>(b)]));
                EXPECT_NE(json.out.find(",\"text\":\"" + text + "\"}"), std::string::npos) << text;
            }
        }

        // From now on the pristine copy is read, and it tells the same.
        const CliResult again = run(checkArgs(lines, true));
        std::string fromPristine = json.out;
        fromPristine.replace(fromPristine.find("\"source\":\"rgn\""), 14, "\"source\":\"org\"");
        EXPECT_EQ(again.out, fromPristine);
    }
}

TEST_F(CliCheckTest, CheckInspectAndRefusedRestoreWriteNothing)
{
    prepare();
    // A first run leaves a log, stored lines and the pristine copy; a second
    // one rotates the log once.
    ASSERT_EQ(run(patchArgs("1", ownerLines())).status, 0);
    ASSERT_EQ(run(patchArgs("1", otherLines())).status, 0);
    ASSERT_TRUE(storeTouched());
    ASSERT_TRUE(testing_support::exists(app("wendrix.1.LOG")));

    struct Case {
        std::vector<std::string> args;
        int status;
        const char* removed; // a file taken away before the command
    };
    const std::vector<Case> cases = {
        {{"check", "1"}, 0, nullptr},
        {{"check", "Model A 2.40", "--json"}, 0, nullptr},
        {{"check", "1", "--line", std::string(29, 'L'), "--line", std::string(29, 'L'), "--line",
          std::string(29, 'L'), "--line", std::string(29, 'L'), "--line", std::string(29, 'L')},
         1, nullptr},
        {{"inspect", "model.org"}, 0, nullptr},
        {{"inspect", "model.rgn", "--json", "--lang", "3"}, 0, nullptr},
        {{"inspect", "model.org", "--ini", "New Model"}, 0, nullptr},
        {{"inspect", "model.rgn", "--ini", "New Model"}, 1, nullptr},
        {{"inspect", "missing.rgn"}, 1, nullptr},
        // Without the pristine copy the patched working file is "Not original".
        {{"check", "1"}, 1, "model.org"},
        {{"check", "1", "--json"}, 1, "model.rgn"},
        {{"restore", "1"}, 1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1] + (c.removed ? std::string(" without ") + c.removed : ""));
        if (c.removed)
            fs::remove(app(c.removed));
        const auto before = snapshot();
        const CliResult r = run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(snapshot(), before);
    }
    EXPECT_TRUE(opened(false).empty());
}

TEST_F(CliCheckTest, SaysWhyATextIsNotReplacedAndUsesThePatchRunsMessages)
{
    // A text of 18 characters, one of 200, and a third that the image lacks.
    const std::string second = "WARNUNG\n" + std::string(192, 'w');
    const std::string text = "xWARNING\nshort text" + std::string(1, '\0') + second + std::string(1, '\0') + "end";
    MadeFirmware image;
    image.bytes.assign(text.begin(), text.end());
    writeModel(image, 3);
    put("model.rgn", image.bytes);
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in uploader"));
    const std::string line(26, 'L');
    std::vector<std::string> args = {"check", "1"};
    for (int i = 0; i < 7; ++i)
        args.insert(args.end(), {"--line", line});

    CliResult r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, " 1  English       18 chars  not replaced: line 1 has 26 characters, this text holds 18: take "
                     "exactly 170 characters off lines 1, 2, 3, 4, 5, 6 and 7 in all\n"
                     " 2  Deutsch      200 chars  not replaced: your lines fill at most 188 of these 200 characters: "
                     "gain 12: add 12 characters in all to lines 1, 2, 3, 4, 5, 6 and 7 (a line of 24 to 28 "
                     "characters gains one per character added, up to 29)\n"
                     " 3  Unknown        0 chars  not replaced: not located in the firmware\n"
                     "0 of 3 languages show every line\n");
    args.push_back("--json");
    r = run(args);
    EXPECT_NE(r.out.find("{\"number\":3,\"name\":\"Unknown\",\"start\":" + std::to_string(text.size()) +
                         ",\"length\":0,\"replaced\":false,\"candidate_length\":188,\"reason\":\"not located in "
                         "the firmware\",\"fits\":false,\"replaceable\":true,\"advice\":{\"kind\":\"not_located\",\"dropped\":[]}}]}\n"),
              std::string::npos)
        << r.out;

    // The patch run's own messages when neither file is usable.
    std::vector<unsigned char> patched = image.bytes;
    patched[1] = 'w';
    put("model.rgn", patched);
    r = run({"check", "1", "--line", "A"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, notOriginal("model.rgn", crcOf(patched), crcOf(image.bytes)) + "\n");
    fs::remove(app("model.rgn"));
    r = run({"check", "1", "--line", "A"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read model.rgn!\nLooked in the folder " + fs::canonical(root.file("app")).string() + "\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(CliCheckTest, InspectShowsSizeChecksumAndTexts)
{
    // A control byte inside a text is shown escaped, never sent to the terminal.
    MadeFirmware image = makeFirmware(16 * 1024, 3, 5);
    image.bytes[std::size_t(image.texts[1].start) + 9] = 0x1b;
    ASSERT_TRUE(testing_support::writeBytes(app("fw.bin"), image.bytes));
    const auto textOf = [&](int e) {
        return std::string(image.bytes.begin() + image.texts[e].start,
                           image.bytes.begin() + image.texts[e].start + image.texts[e].length);
    };

    CliResult r = run({"inspect", "fw.bin"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string expected = "fw.bin: 16384 bytes, crc " + hex8(crcOf(image.bytes)) + "\n";
    const char* names[] = {"English", "Deutsch", "Francais"};
    for (int e = 0; e < 3; ++e) {
        char row[96];
        std::snprintf(row, sizeof row, "%2d  %-10s  start %8d  length %4d\n", e + 1, names[e], image.texts[e].start,
                      image.texts[e].length);
        expected += row;
        std::string text = textOf(e);
        std::string::size_type at;
        while ((at = text.find('\x1b')) != std::string::npos)
            text.replace(at, 1, "\\x1b");
        for (std::size_t begin = 0, end = 0; end != std::string::npos; begin = end + 1) {
            end = text.find('\n', begin);
            expected += "      " + text.substr(begin, end - begin) + "\n";
        }
    }
    expected += "3 of 14 texts located\n";
    EXPECT_EQ(r.out, expected);

    r = run({"inspect", "fw.bin", "--json", "--lang", "2"});
    EXPECT_EQ(r.status, 0);
    std::string second = textOf(1);
    second.replace(second.find('\x1b'), 1, "\\u001b");
    std::string::size_type at;
    while ((at = second.find('\n')) != std::string::npos)
        second.replace(at, 1, "\\n");
    EXPECT_NE(r.out.find("{\"size\":16384,\"crc\":\"" + hex8(crcOf(image.bytes)) + "\",\"located\":2,\"texts\":["),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"number\":2,\"name\":\"Deutsch\",\"start\":" + std::to_string(image.texts[1].start) +
                         ",\"length\":" + std::to_string(image.texts[1].length) + ",\"text\":\"" + second + "\"}]}\n"),
              std::string::npos)
        << r.out;

    r = run({"inspect", "fw.bin", "--ini", "My Model 1.0"});
    EXPECT_EQ(r.out, "[My Model 1.0]\norg=fw.org\nrgn=fw.rgn\ncrc=" + hex8(crcOf(image.bytes)) + "\nlang=3\nRel=??\n");
    // The model is listed only once "GPS" names it.
    EXPECT_EQ(r.err, "Paste the section into the model file " + app("wendrix.ini") +
                         " and add the line Gps-1=My Model 1.0 to its section [GPS], so that the model is listed.\n");
}

TEST_F(CliCheckTest, RestorePutsThePristineCopyBackOnlyWhenItMatches)
{
    prepare();
    ASSERT_EQ(run(patchArgs("1", ownerLines())).status, 0);
    const std::vector<unsigned char> patched = bytes("model.rgn");

    struct Refusal {
        const char* what;
        std::vector<unsigned char> pristine; // empty: no pristine copy
        std::string err;
    };
    std::vector<unsigned char> other = made.bytes;
    other[0] ^= 1;
    const std::vector<Refusal> refusals = {
        {"missing", {}, "wendrix-cli: cannot restore model.rgn: the pristine copy model.org is missing, unreadable or "
                        "empty; model.rgn is as it was\n"},
        {"another image", other,
         "wendrix-cli: cannot restore model.rgn: the pristine copy model.org has the CRC-32 " + hex8(crcOf(other)) +
             ", not the model's crc " + hex8(crcOf(made.bytes)) + "; model.rgn is as it was\n"},
    };
    for (const Refusal& c : refusals) {
        SCOPED_TRACE(c.what);
        fs::remove(app("model.org"));
        if (!c.pristine.empty())
            put("model.org", c.pristine);
        const auto before = snapshot();
        const CliResult r = run({"restore", "1"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(snapshot(), before);
    }

    // A working file that nobody may replace stays as it was, with no temporary file left.
    put("model.org", made.bytes);
    if (testing_support::canDropPrivileges()) {
        fs::permissions(root.file("app"), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                              fs::perms::others_read | fs::perms::others_exec,
                        fs::perm_options::replace);
        const auto before = snapshot();
        const CliResult r = run({"restore", "1"}, true);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "wendrix-cli: Cannot write model.rgn!\nDisk is full or file is write protected\n");
        EXPECT_EQ(snapshot(), before);
        fs::permissions(root.file("app"), fs::perms::all, fs::perm_options::replace);
    }

    auto expected = snapshot();
    expected[app("model.rgn")] = made.bytes;
    const CliResult r = run({"restore", "Model A 2.40"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Restored model.rgn from the pristine copy model.org.\n");
    EXPECT_EQ(snapshot(), expected);
    EXPECT_NE(patched, made.bytes);
}

// suggest prints --line options that check then takes as they are; the
// table is check's own; an owner's text that cannot fit every language is
// named with the reasons, status 3; nothing is written. check --show shows
// each new text between bars.
TEST_F(CliCheckTest, SuggestedLinesAreWhatCheckFits)
{
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
    const std::vector<std::vector<std::string>> texts = {
        {"Jan", "Kowalski", "+48", "601", "234", "567"},
        {"A. N. Owner", "owner@example.org", "Reward if found"},
        {"THIS", "UNIT", "BELONGS", "TO", "J.", "SMITH"},
        {"Call", "0123", "456", "789"},
    };
    int allFit = 0, notAll = 0;
    for (int i = 0; i < 8; ++i) {
        const MadeFirmware image = makeFirmware(std::size_t{64} << 10, 4 + i, 300 + static_cast<std::uint32_t>(i));
        writeModel(image, 4 + i);
        put("model.rgn", image.bytes);
        const auto before = snapshot();
        std::vector<std::string> args = {"suggest", "1"};
        const std::vector<std::string>& words = texts[static_cast<std::size_t>(i) % texts.size()];
        args.insert(args.end(), words.begin(), words.end());
        SCOPED_TRACE(i);
        const CliResult s = run(args);
        ASSERT_TRUE(s.status == 0 || s.status == 3) << s.err;
        EXPECT_EQ(snapshot(), before);

        // The first line holds the options, each a single-quoted line.
        const std::string options = s.out.substr(0, s.out.find('\n'));
        std::vector<std::string> check = {"check", "1"};
        static const std::regex line(R"re(--line '([^']*)')re");
        std::string joined;
        for (std::sregex_iterator it(options.begin(), options.end(), line), end; it != end; ++it) {
            check.insert(check.end(), {"--line", (*it)[1]});
            if (!std::string((*it)[1]).empty())
                joined += (joined.empty() ? "" : " ") + std::string((*it)[1]);
        }
        std::string all;
        for (const std::string& w : words)
            all += (all.empty() ? "" : " ") + w;
        EXPECT_EQ(joined, all) << "the words, in order";
        const CliResult c = run(check);
        // The summary follows the table, on standard output.
        ASSERT_EQ(s.out.rfind(options + "\n\n" + c.out, 0), 0u) << s.out;
        const std::string summary = s.out.substr(options.size() + 2 + c.out.size());
        EXPECT_EQ(s.err, "");
        if (s.status == 0) {
            ++allFit;
            EXPECT_EQ(c.status, 0) << c.out;
            EXPECT_EQ(summary, "");
        } else {
            ++notAll;
            EXPECT_EQ(c.status, 1);
            EXPECT_EQ(summary.rfind("No arrangement of these words fits every language; with the best one, ", 0), 0u)
                << summary;
        }
    }
    EXPECT_GT(allFit, 0);
    EXPECT_GT(notAll, 0);

    // A text no lines can fill, and a short one: the first keeps the
    // receiver's own warning, said apart, and does not count against the
    // lines; check --show shows what the receiver shows.
    const std::string text = "xWARNING\n" + std::string(400 - 8, 'w') + '\0' + "WARNUNG\n" +
                             std::string(31 - 8, 'f') + '\0';
    MadeFirmware two;
    two.bytes.assign(text.begin(), text.end());
    writeModel(two, 2);
    put("model.rgn", two.bytes);
    CliResult r = run({"check", "1", "--line", "AB", "--line", "CD", "--show"});
    const std::string kept = "English keeps the receiver's own warning: its text has 400 characters, and seven lines "
                             "fill at most 342.\n";
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, " 2  Deutsch       31 chars  replaced, fill factor 10\n"
                     "1 of 1 languages that can take a text show every line (1 keeps its own warning)\n" +
                         kept +
                     "\n"
                     " 1  English\n    (not replaced: the firmware's own text stays)\n\n"
                     " 2  Deutsch\n    |        AB        |\n    |  CD              |\n    |                  |\n"
                     "    |                  |\n    |                  |\n    |                  |\n"
                     "    |                  |\n\n");
    r = run({"suggest", "1", "AB", "CD"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "--line 'AB CD'\n\n 2  Deutsch       31 chars  replaced, fill factor 10\n"
                     "1 of 1 languages that can take a text show every line (1 keeps its own warning)\n" +
                         kept);
    r = run({"check", "1", "--line", "AB", "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(R"("not_replaced":1,"not_fitting":0,"own_warning":1,"languages":[{"number":1,)"),
              std::string::npos)
        << r.out;
    r = run({"suggest", "1", "AB", "CD", "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("{\"section\":\"Model A 2.40\",\"lines\":[\"AB CD\"],\"line_options\":\"--line 'AB CD'\","
                          "\"arrangements\":",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find(",\"arrangements_in_all\":28,\"cut_short\":false,\"lang\":2,\"located\":2,\"fitting\":1,"
                         "\"own_warning\":1,\"broken_groups\":[],\"split_words\":[],\"languages\":[{\"number\":1,"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(R"("fits":false,"replaceable":false,"advice":{"kind":"text_too_long")"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(R"("fits":true,"replaceable":true,)"), std::string::npos) << r.out;
    // patch writes the other text and counts the kept one apart: status 0.
    r = run(patchArgs("1", {"AB", "CD", "", "", "", "", ""}));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("\n" + kept + "1 of 1 languages that can take a text show every line (1 keeps its own "
                                        "warning)\nYou may now run UPDATER\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(" But 1 of 2 texts were not replaced (1 keeps the receiver's own warning).\n"),
              std::string::npos)
        << r.err;
    put("model.rgn", two.bytes);
    fs::remove(app("model.org"));

    // Twenty one-letter words make 228760 arrangements, and Deutsch can take
    // none of them: the search stops and says so.
    std::vector<std::string> many = {"suggest", "1"};
    for (char c = 'a'; c < 'a' + 20; ++c)
        many.emplace_back(1, c);
    r = run(many);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("\n0 of 1 languages that can take a text show every line (1 keeps its own warning)\n" + kept +
                         "(searched 20000 of 228760 arrangements: too many to try them all; this is the best of "
                         "those)\nNo arrangement of those looked at (searched 20000 of 228760 arrangements) fits "
                         "every language that can take a text; with the best one, 1 of 1 cannot take your text:\n"
                         "  Deutsch: "),
              std::string::npos)
        << r.out;
    many.push_back("--json");
    r = run(many);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.out.find(",\"arrangements\":20000,\"arrangements_in_all\":228760,\"cut_short\":true,"),
              std::string::npos)
        << r.out;
}

// The words of one argument, a phone number and a long address stay
// together where that costs no language; where it does, the output says
// which were broken, and a long word is split after its last mark.
TEST_F(CliCheckTest, SuggestKeepsGroupsWholeWhereItCan)
{
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
    const auto oneText = [&](std::int32_t length) {
        const std::string text = "xWARNING\n" + std::string(static_cast<std::size_t>(length) - 8, 'w') + '\0';
        MadeFirmware image;
        image.bytes.assign(text.begin(), text.end());
        writeModel(image, 1);
        put("model.rgn", image.bytes);
    };
    struct Case {
        std::int32_t length;
        std::vector<std::string> text;
        std::string lines; // the --line options
        std::string notes; // after the table
        std::string json;  // "broken_groups" and "split_words"
    };
    const std::vector<Case> cases = {
        // Every break into two lines fits; the most even one would split
        // the number.
        {60,
         {"Jane Doe", "+47", "555", "0100", "Reward", "if found"},
         "--line 'Jane Doe +47 555 0100' --line 'Reward if found'",
         "",
         R"("broken_groups":[],"split_words":[])"},
        // Only 29 + 11 characters fill 310: the argument and the number in
        // it run over two lines.
        {310,
         {"Anna Maria Kowalska-Nowak +48 601 234 567"},
         "--line 'Anna Maria Kowalska-Nowak +48' --line '601 234 567'",
         "'Anna Maria Kowalska-Nowak +48 601 234 567' runs over lines 1 and 2\n"
         "'+48 601 234 567' runs over lines 1 and 2\n"
         "(no arrangement that fits as many languages keeps more of your words together)\n",
         R"("broken_groups":[{"kind":"together","text":"Anna Maria Kowalska-Nowak +48 601 234 567","lines":[1,2]},)"
         R"({"kind":"phone","text":"+48 601 234 567","lines":[1,2]}],"split_words":[])"},
        {120,
         {"Mail christopher.wellington@example.com"},
         "--line 'Mail christopher.wellington@' --line 'example.com'",
         "'christopher.wellington@example.com' splits after its '@' into 'christopher.wellington@' and "
         "'example.com'\n",
         R"("broken_groups":[],"split_words":[{"word":"christopher.wellington@example.com",)"
         R"("parts":["christopher.wellington@","example.com"]}])"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        oneText(c.length);
        std::vector<std::string> args = {"suggest", "1"};
        args.insert(args.end(), c.text.begin(), c.text.end());
        CliResult r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind(c.lines + "\n\n", 0), 0u) << r.out;
        char table[64];
        std::snprintf(table, sizeof table, " 1  English     %4d chars  replaced", static_cast<int>(c.length));
        EXPECT_NE(r.out.find(table), std::string::npos) << r.out;
        const std::string count = "1 of 1 languages show every line\n";
        EXPECT_EQ(r.out.substr(r.out.find(count) + count.size()), c.notes);
        args.push_back("--json");
        r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(",\"fitting\":1,\"own_warning\":0," + c.json + ",\"languages\":"), std::string::npos) << r.out;
    }
}

} // namespace

namespace {

// restore writes the working file, so it keeps off the same files as a
// patch run: the program's own files, the uploader, and the pristine copy
// of another model.
TEST_F(CliCheckTest, RestoreRefusesThePathsThatPatchRefuses)
{
    prepare();
    put("model.org", made.bytes);
    ASSERT_TRUE(writeText(app("wendrix"), "the desktop program"));
    ASSERT_TRUE(writeText(app("wendrix.LOG"), "the last log\r\n"));
    ASSERT_TRUE(writeText(app("wendrix.9.LOG"), "the oldest log\r\n"));
    ASSERT_TRUE(writeText(app("wendrix.ini.12.bak"), "[GPS]\r\n"));
    std::filesystem::create_hard_link(app("wendrix.ini.12.bak"), app("models.old"));
    const std::string notFirmware = "rgn names a file that is not firmware: ";
    const struct {
        std::string rgn;
        std::string problem;
    } cases[] = {
        {"UPDATER.EXE", notFirmware + "UPDATER.EXE"},
        {"wendrix.ini", notFirmware + "wendrix.ini"},
        {"wendrix.ini.bak", notFirmware + "wendrix.ini.bak"},
        {"wendrix.ini.7.bak", notFirmware + "wendrix.ini.7.bak"},
        {"models.old", notFirmware + "models.old"}, // another name for wendrix.ini.12.bak
        {"wendrix-cli", notFirmware + "wendrix-cli"},
        {"wendrix", notFirmware + "wendrix"},
        {"wendrix.exe", notFirmware + "wendrix.exe"},
        {"wendrix-cli.exe", notFirmware + "wendrix-cli.exe"},
        {"wendrix.LOG", notFirmware + "wendrix.LOG"},
        {"wendrix.9.LOG", notFirmware + "wendrix.9.LOG"},
        {"model.org", "org and rgn name the same file model.org!"},
        {"b.org", "[Model A 2.40] would write its working file over the pristine copy of [Model B]: b.org"},
    };
    const std::string crc = hex8(crcOf(made.bytes));
    put("b.org", made.bytes);
    ASSERT_TRUE(writeText(app("wendrix.lock"), "")); // restore takes the run lock
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rgn);
        writeModelFile("[GPS]\r\nGps-1=Model A 2.40\r\nGps-2=Model B\r\n[Model A 2.40]\r\norg=model.org\r\nrgn=" +
                       c.rgn + "\r\ncrc=" + crc + "\r\nlang=10\r\n[Model B]\r\norg=b.org\r\nrgn=b.rgn\r\ncrc=" +
                       crc + "\r\nlang=10\r\n");
        const auto before = snapshot();
        const CliResult r = run({"restore", "1"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "wendrix-cli: cannot restore " + c.rgn + ": " + c.problem +
                             "\nPlease correct Wendrix.ini\n" + c.rgn + " is as it was\n");
        EXPECT_EQ(snapshot(), before);
    }
}

} // namespace

// The patch run in a temporary folder: which file it patches from, what it
// writes, logs and asks, for each way the two firmware files can be.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <thread>

#include "engine/kept_aside.h"
#include "engine/language_table.h"
#include "engine/patch_run.h"
#include "tests/patch_run/run_fixture.h"

namespace fs = std::filesystem;
using namespace run_expect;

namespace {

constexpr char kModel[] = "Model A 2.40";

class PatchRunTest : public PatchRunFixture {
protected:
    // A model whose working file is "model.rgn" and pristine copy "model.org".
    void model(std::uint32_t crc, const char* langKey = "10")
    {
        writeModel(kModel, "model.org", "model.rgn", hex8(crc).c_str(), langKey);
    }
    void putUpdater(const std::string& content = "MZ stand-in uploader")
    {
        ASSERT_TRUE(testing_support::writeText(workFile("UPDATER.EXE"), content));
    }
    // Everything a run needs to patch `made` with the owner's lines.
    void readyToPatch(const MadeFirmware& made)
    {
        model(crcOf(made.bytes));
        putUpdater();
        putWork("model.rgn", made.bytes);
        setLines(ownerLines());
    }
    // The fitting summary when some text could not be fitted, then the question about the uploader.
    static std::vector<std::string> successMessages(const Fitted& fitted)
    {
        std::vector<std::string> texts;
        if (const std::string box = summary(fitted); !box.empty())
            texts.push_back(box);
        texts.push_back(askUpdater(fitted));
        return texts;
    }
    void expectOpened([[maybe_unused]] bool report)
    {
#ifndef _WIN32
        EXPECT_EQ(openedDocuments(report), report ? std::vector<std::string>{"report.html"}
                                                  : std::vector<std::string>{});
#endif
    }
};

std::vector<std::string> plus(std::vector<std::string> lines, const std::string& line)
{
    lines.push_back(line);
    return lines;
}

enum class Content { None, Empty, Original, Stale, Patched, Fitted };
enum class Crc { Exact, Missing, Spelled };

struct FileCase {
    const char* name;
    Content org, rgn;
    std::string failure = {}; // the log line after "**** "; empty for a successful run
    std::string message = {}; // the one message of a failed run
    Crc crc = Crc::Exact;
    bool orgKey = true;
    const char* updater = "MZ stand-in uploader"; // nullptr: no UPDATER.EXE
    int answer = platform::IdNo;
    bool keepsOrg = false; // what had the pristine copy's name is kept as model.1.org first
};

// A failed run writes nothing; a successful one leaves the unpatched bytes in
// the pristine copy and the patched image in the working file.
TEST_F(PatchRunTest, EachStateOfTheFilesLeadsTheRun)
{
    using enum Content;
    const std::string notOriginal = "Not original model.rgn file!", noRgn = "Cannot read model.rgn!";
    const std::string ask = cannotRead("model.rgn");
    const FileCase cases[] = {
        {"later run patches from the pristine copy", Original, Patched},
        {"first run keeps the pristine copy", None, Original},
        {"the same lines again give the same bytes", Original, Fitted},
        {"matching pristine copy creates the missing working file", Original, None},
        {"stale pristine copy is kept, and the pristine copy written from the unpatched working file", Stale,
         Original, "", "", Crc::Exact, true, "MZ stand-in uploader", platform::IdNo, true},
        {"checksum with prefix, capitals and trailing text", None, Original, "", "", Crc::Spelled},
        {"patched working file without pristine copy", None, Patched, notOriginal, notOriginal},
        {"missing working file, No", Stale, None, noRgn, ask},
        {"missing working file, Yes", Stale, None, noRgn, ask, Crc::Exact, true, "MZ", platform::IdYes},
        {"empty working file, No", Stale, Empty, noRgn, ask},
        {"empty working file, Yes", Stale, Empty, noRgn, ask, Crc::Exact, true, "MZ", platform::IdYes},
        {"no checksum matches no readable file", Original, Original, notOriginal, notOriginal, Crc::Missing},
        {"no checksum and no working file", Original, None, noRgn, ask, Crc::Missing},
        {"no UPDATER.EXE", None, Original, "Cannot find UPDATER.EXE", kNoUpdater, Crc::Exact, true, nullptr},
        {"empty UPDATER.EXE", None, Original, "Cannot find UPDATER.EXE", kNoUpdater, Crc::Exact, true, ""},
        // Without a pristine path the only unpatched copy must not be overwritten.
        {"model without pristine path", None, Original, "Cannot write !", cannotWrite(""), Crc::Exact, false},
    };

    const MadeFirmware made = standardFirmware();
    const std::uint32_t crc = crcOf(made.bytes);
    const std::vector<unsigned char> owner = fit(made, ownerLines(), 10).image, other = fit(made, otherLines(), 10).image;
    ASSERT_NE(owner, made.bytes);
    ASSERT_NE(other, made.bytes);
    ASSERT_NE(owner, other);
    int ownerObject = 0;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const FileCase& c = cases[i];
        SCOPED_TRACE(c.name);
        // Alternate the lines so that a store left from the case before cannot pass.
        const Lines lines = i % 2 ? otherLines() : ownerLines();
        auto bytesOf = [&](Content content) -> std::vector<unsigned char> {
            switch (content) {
            case Original: return made.bytes;
            case Stale: return standardFirmware(10, 3).bytes;
            case Patched: return fit(made, otherLines(), 10).image;
            case Fitted: return fit(made, lines, 10).image;
            default: return {};
            }
        };
        for (const char* name : {"model.org", "model.1.org", "model.rgn", "UPDATER.EXE"})
            fs::remove(workFile(name));
        fs::remove(root.file("opened.txt"));
        boxes->messages.clear();
        sysCommands.clear();
        answerYesNo = c.answer;
        std::string crcText = hex8(crc);
        if (c.crc == Crc::Spelled) {
            for (char& ch : crcText)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            crcText = "  0X" + crcText + " unpatched";
        }
        writeModel(kModel, c.orgKey ? "model.org" : nullptr, "model.rgn",
                   c.crc == Crc::Missing ? nullptr : crcText.c_str(), "10");
        if (c.updater)
            putUpdater(c.updater);
        if (c.org != None)
            putWork("model.org", bytesOf(c.org));
        if (c.rgn != None)
            putWork("model.rgn", bytesOf(c.rgn));
        setLines(lines);

        const int result = PatchRun(&ownerObject, kModel);
        const bool failed = !c.failure.empty();
        const Content orgAfter = failed ? c.org : Original, rgnAfter = failed ? c.rgn : Fitted;
        EXPECT_EQ(workHas("model.org"), orgAfter != None);
        if (orgAfter != None) {
            EXPECT_EQ(workBytes("model.org"), bytesOf(orgAfter));
        }
        EXPECT_EQ(workHas("model.rgn"), rgnAfter != None);
        if (rgnAfter != None) {
            EXPECT_EQ(workBytes("model.rgn"), bytesOf(rgnAfter));
        }
        EXPECT_EQ(sysCommands, c.answer == platform::IdYes ? std::vector<int>{1004} : std::vector<int>{});
        for (const auto& box : boxes->messages) {
            EXPECT_EQ(box.owner, &ownerObject) << box.text;
            EXPECT_EQ(box.caption, "Zarnek Wendrix") << box.text;
        }
        const std::uint32_t logged = c.crc == Crc::Missing ? 0 : crc;
        if (failed) {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(logLines(), plus(logHead(kModel, "model.rgn", logged), "**** " + c.failure));
            ASSERT_EQ(boxes->messages.size(), 1u);
            // The working file's checksum beside the expected one.
            const std::string shown =
                c.message == notOriginal ? run_expect::notOriginal("model.rgn", crcOf(bytesOf(c.rgn)), logged) : c.message;
            EXPECT_EQ(boxes->messages[0].text, shown);
            EXPECT_EQ(boxes->messages[0].style, c.message == ask ? unsigned(platform::MbIconWarning | platform::MbYesNo)
                                                                 : unsigned(platform::MbIconError));
        } else {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(lang, 10);
            std::vector<std::string> log = successLog(kModel, "model.rgn", logged, made, lines, 10);
            std::vector<std::string> said = successMessages(fit(made, lines, 10));
            if (c.keepsOrg) {
                log.insert(log.begin() + static_cast<std::ptrdiff_t>(logHead(kModel, "model.rgn", logged).size()),
                           "Kept model.org as model.1.org: it is not the pristine copy");
                said.insert(said.begin(), keptAsideMessage("model.org", "model.1.org"));
            }
            EXPECT_EQ(logLines(), log);
            EXPECT_EQ(messageTexts(), said);
        }
        EXPECT_EQ(workHas("model.1.org"), c.keepsOrg);
        if (c.keepsOrg) {
            EXPECT_EQ(workBytes("model.1.org"), bytesOf(c.org));
        }
        expectOpened(!failed);
        EXPECT_EQ(storedLines(), lines);
    }
}

struct LangCase {
    const char* name;
    int texts;
    std::uint32_t seed;
    const char* key;
    std::int32_t value;
    std::string missing; // the message about the first text not found
};

TEST_F(PatchRunTest, LangDecidesHowManyTextsAreSearched)
{
    const LangCase cases[] = {
        {"lang 0 writes the image unchanged", 10, 7, "0", 0, ""},
        {"negative lang locates nothing", 10, 7, "-1", -1, ""},
        {"fewer texts than lang", 5, 5, "7", 7, "Could not find WARNING text 5, VARNING!\n"},
        {"every text of the table", 14, 11, "14", 14, ""},
        {"lang past the table, all texts there", 14, 8, "20", 20, ""},
        {"lang past the table, three texts", 3, 8, "99", 99, "Could not find WARNING text 3, ATTENZIONE\n"},
    };
    putUpdater();
    setLines(ownerLines());
    for (const LangCase& c : cases) {
        SCOPED_TRACE(c.name);
        const MadeFirmware made = standardFirmware(c.texts, c.seed);
        model(crcOf(made.bytes), c.key);
        fs::remove(workFile("model.org"));
        putWork("model.rgn", made.bytes);
        boxes->messages.clear();

        ASSERT_EQ(PatchRun(nullptr, kModel), 1);
        EXPECT_EQ(lang, c.value);
        const Fitted fitted = fit(made, ownerLines(), c.value);
        EXPECT_EQ(workBytes("model.rgn"), fitted.image);
        EXPECT_EQ(workBytes("model.org"), made.bytes);
        EXPECT_EQ(logLines(), successLog(kModel, "model.rgn", crcOf(made.bytes), made, ownerLines(), c.value));
        std::vector<std::string> expected = successMessages(fitted);
        if (!c.missing.empty())
            expected.insert(expected.begin(), c.missing);
        EXPECT_EQ(messageTexts(), expected);
        ASSERT_FALSE(boxes->messages.empty());
        // Cancel is the uploader question's default when a language does not fit.
        const unsigned ask = platform::MbIconInformation | platform::MbOkCancel |
                             (fitted.notFitting ? unsigned(platform::MbDefButton2) : 0u);
        const unsigned firstStyle = !c.missing.empty()  ? unsigned(platform::MbIconError)
                                    : fitted.notFitting ? unsigned(platform::MbIconInformation)
                                                        : ask;
        EXPECT_EQ(boxes->messages.front().style, firstStyle);
        EXPECT_EQ(boxes->messages.back().style, ask);
    }
}

TEST_F(PatchRunTest, TextThatCannotBeFittedIsLeftAndTheFileIsStillWritten)
{
    // One English text of 11 characters; line 1 is longer than that.
    std::string body(300, 'x');
    body.replace(100, 12, std::string("WARNING\nabc") + '\0');
    const std::vector<unsigned char> image(body.begin(), body.end());
    model(crcOf(image), "1");
    putUpdater();
    putWork("model.rgn", image);
    setLines({"A LINE LONGER THAN THE TEXT", "", "", "", "", "", ""});

    ASSERT_EQ(PatchRun(nullptr, kModel), 1);
    EXPECT_EQ(workBytes("model.rgn"), image);
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{notProcessed(1, 1, {"English: line 1 has 27 characters, this text holds 11: "
                                                            "take exactly 16 characters off line 1"}),
                                        kAskUpdater}));
    const std::vector<std::string> logged = logLines();
    ASSERT_GE(logged.size(), 2u);
    EXPECT_EQ(logged[logged.size() - 2], "English    not replaced, 0 chars could not replace 11 chars");
}

// A text longer than any lines can fill keeps the receiver's own warning:
// the summary says so apart, and it does not count against the lines, so
// the uploader question says that every other language shows them and
// keeps OK as its default.
TEST_F(PatchRunTest, ATextNoLinesCanFillIsSaidApartAndCountsNotAgainstTheLines)
{
    const std::string kept = "English keeps the receiver's own warning: its text has 358 characters, and seven lines "
                             "fill at most 342.";
    struct Case {
        std::int32_t deutsch; // the second text's length
        std::vector<std::string> messages;
        unsigned askStyle;
    };
    const unsigned ask = platform::MbIconInformation | platform::MbOkCancel;
    const Case cases[] = {
        {40,
         {notProcessed(1, 2) + "\n" + kept,
          "1 of 1 languages that can take a text show every line (1 keeps its own warning)\n" +
              std::string(kAskUpdater)},
         ask},
        // Deutsch cannot take the line either: it is named first, Cancel is the default.
        {8,
         {notProcessed(2, 2, {"Deutsch: line 1 has 9 characters, this text holds 8: take exactly 1 character off "
                              "line 1"}) +
              "\n\n" + kept,
          kAskUpdater},
         ask | platform::MbDefButton2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deutsch);
        std::string body = std::string("xWARNING\n") + std::string(358 - 8, 'w') + '\0' + "WARNUNG\n" +
                           std::string(static_cast<std::size_t>(c.deutsch) - 8, 'f') + '\0' + "end";
        const MadeFirmware made{{body.begin(), body.end()}, {{1, 358}, {360, c.deutsch}}};
        const std::vector<unsigned char>& image = made.bytes;
        fs::remove(workFile("model.org"));
        model(crcOf(image), "2");
        putUpdater();
        putWork("model.rgn", image);
        const Lines lines = {"FORTY SIX", "", "", "", "", "", ""};
        setLines(lines);
        boxes->messages.clear();
        ASSERT_EQ(PatchRun(nullptr, kModel), 1);
        EXPECT_EQ(messageTexts(), c.messages);
        ASSERT_EQ(boxes->messages.size(), 2u);
        EXPECT_EQ(boxes->messages[1].style, c.askStyle);
        EXPECT_EQ(logLines(), successLog(kModel, "model.rgn", crcOf(image), made, lines, 2));
    }
}

TEST_F(PatchRunTest, EmptySectionNameEndsWithTheQuestionForAnEmptyPath)
{
    writeModel(kModel, "model.org", "model.rgn", "12345678", "10");
    putUpdater();
    EXPECT_EQ(PatchRun(nullptr, ""), 0);
    EXPECT_EQ(logLines(), plus(logHead("", "", 0), "**** Cannot read !"));
    EXPECT_EQ(messageTexts(), std::vector<std::string>{cannotRead("")});
}

// Each question is asked with an identity of its own, so that a front end
// without a user answers it for what it asks; a message asks nothing.
TEST_F(PatchRunTest, EachQuestionSaysWhatItAsks)
{
    std::vector<std::pair<std::string, platform::Question>> asked;
    platform::setQuestionHandler([&](platform::WindowHandle, const char* text, const char*, unsigned style,
                                     platform::Question question) {
        asked.emplace_back(text, question);
        return (style & 0x0F) == platform::MbOkCancel ? int(platform::IdCancel)
               : (style & 0x0F) == platform::MbYesNo  ? int(platform::IdNo)
                                                      : int(platform::IdOk);
    });
    // Line 3 is lost in some texts: the summary comes before the question.
    const MadeFirmware made = standardFirmware();
    readyToPatch(made);
    ASSERT_GT(fit(made, ownerLines(), 10).notFitting, 0);
    EXPECT_EQ(PatchRun(nullptr, kModel), 1);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].second, platform::Question::None);
    EXPECT_EQ(asked[1], std::make_pair(std::string(kAskUpdater), platform::Question::StartUpdater));

    asked.clear();
    fs::remove(workFile("model.org"));
    fs::remove(workFile("model.rgn"));
    EXPECT_EQ(PatchRun(nullptr, kModel), 0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].second, platform::Question::SearchForUpdates);
    platform::setQuestionHandler({});
    EXPECT_TRUE(boxes->messages.empty()); // the question handler comes first
}

TEST_F(PatchRunTest, RunWithoutALogStillPatches)
{
    const MadeFirmware made = standardFirmware();
    readyToPatch(made);
    runLog = nullptr;
    ASSERT_EQ(PatchRun(nullptr, kModel), 1);
    EXPECT_EQ(workBytes("model.rgn"), fit(made, ownerLines(), 10).image);
    EXPECT_FALSE(testing_support::exists(logPath));
}

// The lock is taken by the run itself, so the desktop programs wait as
// wendrix-cli does: here the test holds it while a run is started.
TEST_F(PatchRunTest, ARunWaitsWhileAnotherHoldsTheProgramFolder)
{
    const MadeFirmware made = standardFirmware();
    readyToPatch(made);
    platform::FileHandle held = platform::kClosedFile;
    ASSERT_EQ(platform::lockFile(root.file("prog/wendrix.lock").c_str(), false, &held),
              platform::LockResult::Held);

    std::atomic<int> result{-1};
    std::thread run([&] { result = PatchRun(nullptr, kModel); });
    platform::sleepMilliseconds(500);
    EXPECT_EQ(result.load(), -1);
    EXPECT_FALSE(testing_support::exists(logPath));
    platform::closeFile(held);
    run.join();
    EXPECT_EQ(result.load(), 1);
    EXPECT_EQ(workBytes("model.rgn"), fit(made, ownerLines(), 10).image);
    EXPECT_EQ(logLines(), successLog(kModel, "model.rgn", crcOf(made.bytes), made, ownerLines(), 10));
}

} // namespace

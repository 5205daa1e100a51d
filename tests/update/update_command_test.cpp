// The Update command: the status line around the download, the comparison
// of the "Date" stamps and its two answers, and the model-list timer.
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "config/model_entry.h"
#include "config/model_list.h"
#include "tests/update/update_test_fixture.h"

namespace {

constexpr char kUpdated[] = "Wendrix.ini updated";
constexpr char kSame[] = "You already have the most resent Wendrix.ini";
constexpr char kGetting[] = "Get updates from internet...";

class UpdateCommand : public ModelFileTest {
protected:
    void expectStatusRestored(const RecordingHost& host)
    {
        EXPECT_EQ(host.lines(), (std::vector<std::string>{kGetting, host.status}));
    }
};

// A model section that a patch run can use, as every installed edition has.
constexpr char kCompleteModelA[] =
    "[Model A 2.40]\r\norg=modela.org\r\nrgn=modela.rgn\r\ncrc=7c3a01f5\r\nlang=10\r\nRel=2.40\r\n";

std::string withDate(const std::string& date)
{
    return "[GPS]\r\nDate=" + date + "\r\nGps-1=Model A 2.40\r\n" + kCompleteModelA;
}

TEST_F(UpdateCommand, TheFileIsReplacedAndAnyDifferenceInTheDateReloadsTheList)
{
    const std::string stem(59, '7'); // the stamp is read into 60 bytes
    const struct {
        const char* label;
        std::string before; // empty: no model file
        std::string after;
        bool same;
    } cases[] = {
        {"newer", kOldModelFile, kNewModelFile, false},
        {"older", withDate("15.03.03"), withDate("01.10.02"), false},
        {"spelled differently", withDate("01.10.02"), withDate("1.10.02"), false},
        {"letter case", withDate("a"), withDate("A"), false},
        {"blanks around a value are not read", withDate("01.10.02"), withDate("01.10.02 "), true},
        {"same date, other models", kOldModelFile,
         "[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\nGps-2=Model C 1.00\r\n[Model C 1.00]\r\norg=c.org\r\n"
         "rgn=c.rgn\r\ncrc=1c4e1d7a\r\nlang=1\r\nRel=1.00\r\n" +
             std::string(kCompleteModelA),
         true},
        {"no date in either", "[GPS]\r\nGps-1=Model A 2.40\r\n",
         "[GPS]\r\nGps-1=Model A 2.40\r\nGps-2=Model C\r\n[Model C]\r\norg=c.org\r\nrgn=c.rgn\r\ncrc=1c4e1d7a\r\n"
         "lang=1\r\nRel=1.00\r\n" + std::string(kCompleteModelA), true},
        {"date dropped", withDate("01.10.02"), "[GPS]\r\nGps-1=Model A 2.40\r\n" + std::string(kCompleteModelA),
         false},
        {"date added to a missing file", "", withDate("01.10.02"), false},
        {"beyond the 59th character", withDate(stem + "A"), withDate(stem + "B"), true},
        {"within 59 characters", withDate(stem + "A"), withDate(stem.substr(1) + "8B"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove(modelPath());
        if (!c.before.empty())
            writeModel(c.before);
        boxes.messages.clear();
        RecordingHost host;
        host.status = c.same ? "Select Gps" : host.status; // the dialog's text of the moment
        std::vector<std::string> linesDuringDownload;
        LoopbackServer server({httpReply(200, c.after)}, 0, LoopbackServer::Ending::Close,
                              [&] { linesDuringDownload = host.lines(); });

        EXPECT_EQ(runUpdateCommand(host, server.url().c_str()), 1);

        EXPECT_EQ(modelText(), c.after);
        EXPECT_FALSE(testing_support::exists(tempPath()));
        expectOneMessage(c.same ? kSame : kUpdated, platform::MbOk, RecordingHost::kDialog);
        EXPECT_EQ(host.timersArmed, c.same ? 0 : 1);
        EXPECT_EQ(linesDuringDownload, std::vector<std::string>{kGetting});
        expectStatusRestored(host);
        expectOneModelFileGet(server.requests());
    }
}

// Whatever stops the download, the command only restores the status line.
TEST_F(UpdateCommand, AFailedDownloadLeavesTheModelFileAndOnlyRestoresTheStatusLine)
{
    platform::netSetTimeouts(2, 2);
    using Ending = LoopbackServer::Ending;
    // Well past the first chunk, so that the temporary file was written to.
    const std::vector<std::string> cutShort = {"HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n",
                                               kNewModelFile + std::string(100, ';')};
    LoopbackServer notFound({httpReply(404, "<html>Not Found</html>")});
    LoopbackServer silent({}, 0, Ending::Hold);
    LoopbackServer broken(cutShort, 50, Ending::Close);
    LoopbackServer stalled(cutShort, 50, Ending::Hold);
    const struct {
        std::string url;
        std::string message;
    } cases[] = {
        {notFound.url(), "Can't find updates on Internet"},
        {"http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/gps/wendrix.ini",
         "Can't download updates from Internet"},
        {silent.url(), "Can't download updates from Internet"},
        // A body cut short, or one that stops coming, is told of too.
        {broken.url(), "The download broke off after " + std::to_string(kNewModelFile.size() + 100) + " bytes"},
        {stalled.url(), "The download stalled after " + std::to_string(kNewModelFile.size() + 100) +
                            " bytes: the server sent nothing more"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        writeModel(kOldModelFile);
        boxes.messages.clear();
        RecordingHost host;
        EXPECT_EQ(runUpdateCommand(host, c.url.c_str()), 0);
        expectOneMessage(c.message, platform::MbIconWarning, RecordingHost::kStatus);
        expectUntouched();
        EXPECT_EQ(host.timersArmed, 0);
        expectStatusRestored(host);
    }
    EXPECT_EQ(silent.connections(), 1);
    EXPECT_EQ(stalled.connections(), 1);
}

// The owner's own models are in the model file an update replaces. Every
// file replaced that differs from the new edition is kept as a numbered
// backup, none is ever written over, nothing is kept when nothing changed,
// and every update names the models that are now only in a backup.
TEST_F(UpdateCommand, EveryReplacedModelFileIsKeptAndTheModelsOnlyInABackupAreNamed)
{
    const std::string first = modelPath() + ".bak";
    const std::string second = modelPath() + ".2.bak";
    const std::string owners = "[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\nGps-2=My eTrex\r\n"
                               "Gps-3=model b 3.10\r\nGps-4=Old One\r\n[My eTrex]\r\norg=my.org\r\n";
    // The next edition no longer lists Model B.
    const std::string next = "[GPS]\r\nDate=20.01.04\r\nGps-1=Model A 2.40\r\n" +
                             std::string(kCompleteModelA);
    const std::string onlyInFirst = "\nListed only in the backup " + first + ": My eTrex, Old One";
    struct Step {
        const char* label;
        const char* before; // "owners", "as left" or "none"
        std::string edition;
        std::string message;
        std::string firstAfter, secondAfter; // empty: none
    };
    const Step steps[] = {
        {"own models dropped", "owners", kNewModelFile,
         std::string(kUpdated) + "\nNo longer listed: My eTrex, Old One\nThe previous file is kept as " + first,
         owners, ""},
        // Nothing changed: nothing is written, and the backup stays the owner's.
        {"same edition again", "as left", kNewModelFile, kSame + onlyInFirst, owners, ""},
        {"next edition", "as left", next,
         std::string(kUpdated) + "\nNo longer listed: Model B 3.10\nThe previous file is kept as " + second +
             onlyInFirst,
         owners, kNewModelFile},
        // A file that a backup holds already is not kept twice.
        {"the owner's file again", "owners", next,
         std::string(kUpdated) + "\nNo longer listed: My eTrex, model b 3.10, Old One\nThe previous file is kept as " +
             first,
         owners, kNewModelFile},
        {"no model file before", "none", next,
         std::string(kUpdated) + "\nListed only in the backup " + first + ": My eTrex, model b 3.10, Old One",
         owners, kNewModelFile},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label);
        if (std::string(step.before) != "as left")
            std::filesystem::remove(modelPath());
        if (std::string(step.before) == "owners")
            writeModel(owners);
        boxes.messages.clear();
        LoopbackServer server({httpReply(200, step.edition)});
        RecordingHost host;
        EXPECT_EQ(runUpdateCommand(host, server.url().c_str()), 1);
        expectOneMessage(step.message, platform::MbOk, RecordingHost::kDialog);
        EXPECT_EQ(modelText(), step.edition);
        EXPECT_EQ(testing_support::readText(first), step.firstAfter);
        EXPECT_EQ(testing_support::readText(second), step.secondAfter);
        EXPECT_FALSE(testing_support::exists(modelPath() + ".3.bak"));
    }

    // Every backup name taken: the update stops before the model file.
    for (int number = 3; number <= 999; ++number)
        ASSERT_TRUE(testing_support::writeText(modelPath() + "." + std::to_string(number) + ".bak", "x"));
    writeModel(owners + "[Mine]\r\n");
    boxes.messages.clear();
    LoopbackServer server({httpReply(200, kNewModelFile)});
    RecordingHost host;
    EXPECT_EQ(runUpdateCommand(host, server.url().c_str()), 0);
    expectOneMessage("Cannot keep a copy of " + modelPath() + ": the backups " + first + " to " + modelPath() +
                         ".999.bak are all taken (move old ones away): nothing was replaced",
                     platform::MbIconWarning, RecordingHost::kStatus);
    EXPECT_EQ(modelText(), owners + "[Mine]\r\n");
    EXPECT_EQ(testing_support::readText(first), owners);
}

// The models the owner added ("Own=1") stay in the new file itself, after the
// edition's, unless the edition lists their firmware itself; then the owner
// is told which of their files to rename for the edition's model to read.
TEST_F(UpdateCommand, TheOwnersOwnModelsSurviveAnEditionThatLacksThem)
{
    const auto model = [](const std::string& name, const std::string& file, const std::string& crc, bool own) {
        return "[" + name + "]\r\norg=" + file + ".org\r\nrgn=" + file + ".rgn\r\ncrc=" + crc +
               "\r\nlang=10\r\nRel=" + name + "\r\n" + (own ? "Own=1\r\n" : "");
    };
    const std::string owners = "[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\nGps-2=Mine\r\nGps-3=Twin\r\n"
                               "Gps-4=Clash\r\nGps-5=Not Mine\r\nGps-6=Same\r\n" +
                               model("Model A 2.40", "modela", "7c3a01f5", false) + model("Mine", "mine", "11111111", true) +
                               model("Twin", "twin", "22222222", true) + model("Clash", "clash", "33333333", true) +
                               model("Not Mine", "notmine", "44444444", false) + model("Same", "same", "77777777", true);
    const std::string edition = "[GPS]\r\nDate=15.03.03\r\nGps-1=Model A 2.40\r\nGps-2=Twin 2.00\r\nGps-3=Clash\r\n"
                                "Gps-4=Same\r\n" +
                                model("Model A 2.40", "modela", "7c3a01f5", false) +
                                model("Twin 2.00", "twin200", "22222222", true) + // marked by the server
                                model("Clash", "clash2", "55555555", false) + model("Same", "edition", "77777777", false);
    // The owner's files, where the patch run looks for them: Twin not patched
    // yet, Same patched with its pristine copy kept.
    struct InFolder {
        std::filesystem::path saved = std::filesystem::current_path();
        ~InFolder() { std::filesystem::current_path(saved); }
    } inFolder;
    std::filesystem::current_path(folder.file(""));
    for (const char* name : {"twin.rgn", "same.rgn", "same.org"})
        ASSERT_TRUE(testing_support::writeText(folder.file(name), name));
    LoopbackServer server({httpReply(200, edition)});
    writeModel(owners);
    RecordingHost host;
    EXPECT_EQ(runUpdateCommand(host, server.url().c_str()), 1);
    expectOneMessage(std::string(kUpdated) + "\nKept as your own: Mine, Clash (own)" +
                         "\nYour model Twin is in the new edition as Twin 2.00 (the same firmware, working file "
                         "twin200.rgn): to go on with your files, rename twin.rgn to twin200.rgn" +
                         "\nYour model Clash is kept as Clash (own): the new edition has other firmware under its "
                         "name" +
                         "\nYour model Same is in the new edition as Same (the same firmware, working file "
                         "edition.rgn): to go on with your files, rename same.rgn to edition.rgn and same.org to "
                         "edition.org" +
                         "\nNo longer listed: Twin, Not Mine\nThe previous file is kept as " + modelPath() + ".bak",
                     platform::MbOk, RecordingHost::kDialog);
    EXPECT_EQ(host.timersArmed, 1);
    EXPECT_EQ(testing_support::readText(modelPath() + ".bak"), owners);
    // Read as the dialog and a patch run read them.
    const char* file = modelFilePath;
    EXPECT_EQ(readModelList(file),
              (std::vector<std::string>{"Model A 2.40", "Twin 2.00", "Clash", "Same", "Mine", "Clash (own)"}));
    for (const auto& [name, files, crc] : {std::tuple<std::string, std::string, std::string>{"Mine", "mine", "11111111"},
                                           {"Clash (own)", "clash", "33333333"}}) {
        SCOPED_TRACE(name);
        const ModelEntry kept = readModelEntry(file, name);
        EXPECT_EQ(kept.org, files + ".org");
        EXPECT_EQ(kept.rgn, files + ".rgn");
        EXPECT_EQ(kept.crc, crc);
        EXPECT_EQ(kept.lang, "10");
        EXPECT_TRUE(kept.own);
    }
    EXPECT_EQ(readModelEntry(file, "Clash").rgn, "clash2.rgn");
    EXPECT_FALSE(readModelEntry(file, "Clash").own);
    EXPECT_FALSE(readModelEntry(file, "Twin 2.00").own) << "only the owner marks a model as the owner's";
    EXPECT_EQ(readModelEntry(file, "Clash (own)").rel, "Clash");

    // An own model whose files the edition gives another role is never
    // dropped quietly: the edition is refused and nothing changes.
    const std::string taker = "[GPS]\r\nDate=16.03.03\r\nGps-1=Model A 2.40\r\nGps-2=Taker\r\n" +
                              model("Model A 2.40", "modela", "7c3a01f5", false) +
                              "[Taker]\r\norg=taker.org\r\nrgn=mine.org\r\ncrc=66666666\r\nlang=10\r\nRel=1\r\n";
    LoopbackServer takerServer({httpReply(200, taker)});
    writeModel(owners);
    std::filesystem::remove(modelPath() + ".bak");
    boxes.messages.clear();
    EXPECT_EQ(runUpdateCommand(host, takerServer.url().c_str()), 0);
    expectOneMessage("The downloaded Wendrix.ini cannot keep your own model Mine: [Mine] would write its pristine "
                     "copy over the working file of [Taker]: mine.org; nothing was replaced",
                     platform::MbIconWarning, RecordingHost::kStatus);
    EXPECT_EQ(modelText(), owners);
    EXPECT_FALSE(testing_support::exists(modelPath() + ".bak"));

    // With no model of the owner's at all, the edition's marks go the same.
    LoopbackServer markedServer({httpReply(200, edition)});
    writeModel("[GPS]\r\nGps-1=Model A 2.40\r\n" + model("Model A 2.40", "modela", "7c3a01f5", false));
    boxes.messages.clear();
    EXPECT_EQ(runUpdateCommand(host, markedServer.url().c_str()), 1);
    EXPECT_FALSE(readModelEntry(file, "Twin 2.00").own);
    EXPECT_EQ(readModelEntry(file, "Twin 2.00").rgn, "twin200.rgn");
}

// A transfer that trickles, or that never ends, is abandoned within the
// limits, and the user is told why.
TEST_F(UpdateCommand, ASlowDownloadIsAbandonedAndTheUserToldWhy)
{
    setDownloadLimits({1, 64, 3});
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n";
    // Ten bytes a second: fewer than 64 in any second.
    std::vector<std::string> trickle = {head};
    for (int i = 0; i < 40; ++i)
        trickle.push_back(std::string(1, kNewModelFile[static_cast<std::size_t>(i)]));
    // Fifty bytes every 400 ms: enough for each second, never done in three.
    std::vector<std::string> endless = {head + kNewModelFile};
    for (int i = 0; i < 20; ++i)
        endless.push_back(std::string(50, ';'));
    LoopbackServer slow(trickle, 100);
    LoopbackServer long_(endless, 400);
    const struct {
        std::string url;
        std::string message; // without the count of bytes
    } cases[] = {
        {slow.url(), " bytes: fewer than 64 bytes came in 1 seconds"},
        {long_.url(), " bytes: it was not complete after 3 seconds"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        writeModel(kOldModelFile);
        boxes.messages.clear();
        RecordingHost host;
        EXPECT_EQ(runUpdateCommand(host, c.url.c_str()), 0);
        ASSERT_EQ(boxes.messages.size(), 1u);
        const std::string& text = boxes.messages[0].text;
        EXPECT_TRUE(text.rfind("The download stalled after ", 0) == 0 ||
                    text.rfind("The download was stopped after ", 0) == 0)
            << text;
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_EQ(boxes.messages[0].style, unsigned(platform::MbIconWarning));
        expectUntouched();
        expectStatusRestored(host);
    }
    setDownloadLimits({});
}

// Sets an environment variable while it lives; the old value comes back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = std::make_unique<std::string>(old);
        set(value.c_str());
    }
    ~ScopedEnvironment() { old_ ? set(old_->c_str()) : set(nullptr); }

private:
    void set(const char* value)
    {
#ifdef _WIN32
        _putenv_s(name_, value ? value : "");
#else
        if (value)
            setenv(name_, value, 1);
        else
            unsetenv(name_);
#endif
    }
    const char* name_;
    std::unique_ptr<std::string> old_;
};

TEST_F(UpdateCommand, TheProxyVariablesAreIgnored)
{
    writeModel(kOldModelFile);
    LoopbackServer server({httpReply(200, kNewModelFile)});
    LoopbackServer proxy({httpReply(200, "[GPS]\r\nDate=9")});
    const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.port());
    ScopedEnvironment lower("http_proxy", proxyUrl);
    ScopedEnvironment upper("HTTP_PROXY", proxyUrl);
    ScopedEnvironment all("ALL_PROXY", proxyUrl);
    RecordingHost host;

    EXPECT_EQ(runUpdateCommand(host, server.url().c_str()), 1);

    EXPECT_EQ(modelText(), kNewModelFile);
    expectOneMessage(kUpdated, platform::MbOk, RecordingHost::kDialog);
    EXPECT_EQ(proxy.connections(), 0);
    expectOneModelFileGet(server.requests());
}

TEST(UpdateUrl, TheBuiltInUrlIsAnHttpUrlOfTheModelFile)
{
    const std::string url = kUpdateUrl;
    EXPECT_EQ(url.rfind("http://", 0), 0u);
    EXPECT_GE(url.size(), 16u);
    EXPECT_EQ(url.substr(url.size() - 16), "/gps/wendrix.ini");
}

} // namespace

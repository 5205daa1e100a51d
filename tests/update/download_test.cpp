// downloadModelFile against servers on 127.0.0.1: what lands on disk, what
// the user is told, and what the server saw.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/update/update_test_fixture.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using testing_support::exists;

platform::WindowHandle const kOwner = RecordingHost::kStatus;

class Download : public ModelFileTest {
protected:
    void expectWarning(const std::string& text)
    {
        expectOneMessage(text, platform::MbIconWarning, kOwner);
    }
};

// "[GPS]" and one complete model (44 bytes), with a label that makes it
// exactly `size` bytes, line end included.
std::string modelFileOfSize(std::size_t size)
{
    std::string text = "[GPS]\nGps-1=M\n[M]\norg=a\nrgn=b\ncrc=1\nlang=1\nRel=";
    text.resize(std::max(size, text.size() + 1) - 1, 'x');
    return text + "\n";
}

// The reply with `body`; when `split` is set, that many bytes of the body
// come with the head and the rest 300 ms later, as a first short chunk.
LoopbackServer replying(int status, const std::string& body, std::size_t split = 0,
                        const std::string& location = {})
{
    const std::string reply = httpReply(status, body, location);
    if (split == 0)
        return LoopbackServer({reply});
    const std::size_t cut = reply.size() - body.size() + split;
    return LoopbackServer({reply.substr(0, cut), reply.substr(cut)}, 300);
}

TEST_F(Download, ABodyWithTheMarkerReplacesTheModelFileByteForByte)
{
    struct Case {
        std::string label;
        bool modelBefore;
        std::string oldTemp; // left over from an earlier run, when not empty
        std::string body;
        std::size_t split = 0;
    };
    std::vector<Case> cases = {
        // Bare line feeds, a stray carriage return and high bytes arrive untranslated.
        {"binary", true, "", kNewModelFile + "X=a\nY=b\rZ=\x01\xff\r\n"},
        {"no model file before", false, "", kNewModelFile},
        // What lies at the name of an older version's temporary file is not ours.
        {"old temporary file is left alone", true, std::string(5000, 'x'), kNewModelFile},
        {"largest accepted", true, "", modelFileOfSize(1024 * 1024)},
        {"first chunk shorter than the marker", true, "", kNewModelFile, 2},
    };
    for (std::size_t size : {49u, 50u, 51u, 100u, 101u, 20000u})
        cases.push_back({"size " + std::to_string(size), true, "", modelFileOfSize(size)});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove(modelPath());
        std::filesystem::remove(tempPath());
        if (c.modelBefore)
            writeModel(kOldModelFile);
        if (!c.oldTemp.empty()) {
            ASSERT_TRUE(testing_support::writeText(tempPath(), c.oldTemp));
        }
        LoopbackServer server = replying(200, c.body, c.split);
        EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 1);
        EXPECT_TRUE(modelText() == c.body);
        EXPECT_EQ(testing_support::readText(tempPath()), c.oldTemp);
        EXPECT_TRUE(boxes.messages.empty());
        expectOneModelFileGet(server.requests());
    }
}

TEST_F(Download, BodiesThatDoNotBeginWithTheMarkerAreRefused)
{
    struct Case {
        int status;
        std::string body;
        std::string location = {};
        std::size_t split = 0;
    };
    std::vector<Case> cases = {
        {404, "<html><body>404 Not Found</body></html>"},
        {500, "Internal Server Error"},
        {200, "[gps]\r\nDate=15.03.03\r\n"},
        {200, "\xEF\xBB\xBF[GPS]\r\nDate=15.03.03\r\n"},
        {200, "\r\n[GPS]\r\nDate=15.03.03\r\n"},
        {200, " [GPS]\r\nDate=15.03.03\r\n"},
        {200, ";comment\r\n[GPS]\r\n"},
        {200, ""},
        {200, "[GPS"},
        {200, "["},
        {200, "[GPT]\r\nDate=15.03.03\r\n"},
        {200, modelFileOfSize(1024 * 1024 + 1)}, // too big for a model file
        {200, "[gPS]\r\nDate=15.03.03\r\n", {}, 2},   // first chunk shorter than the marker
        // A redirect is not followed: one GET, and its body is no model file.
        {301, "Moved", "/gps/wendrix2.ini"},
        // Only a 200 answer is the model file, whatever its body holds.
        {404, kNewModelFile},
        {500, kNewModelFile},
        {302, kNewModelFile, "/gps/wendrix2.ini"},
        {203, kNewModelFile},
        {206, kNewModelFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.substr(0, 40));
        writeModel(kOldModelFile);
        boxes.messages.clear();
        LoopbackServer server = replying(c.status, c.body, c.split, c.location);
        EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
        expectWarning("Can't find updates on Internet");
        expectUntouched();
        expectOneModelFileGet(server.requests());
    }
}

// An edition decides which files every later patch run reads and writes.
TEST_F(Download, AnEditionNamingFilesOutsideTheFolderIsRefused)
{
    const std::string outside = "The downloaded Wendrix.ini names a file outside this folder: ";
    const std::string both = "The downloaded Wendrix.ini names one file as both org and rgn: ";
    const auto model = [](const std::string& org, const std::string& rgn,
                          const std::string& list = "Gps-1=Model A 2.40\r\nGps-2=Evil\r\n") {
        return "[GPS]\r\nDate=15.03.03\r\n" + list +
               "[Model A 2.40]\r\norg=modela.org\r\nrgn=modela.rgn\r\ncrc=7c3a01f5\r\nlang=10\r\nRel=2.40\r\n"
               "[Evil]\r\n" + org + rgn + "crc=1c4e1d7a\r\nlang=1\r\nRel=1.00\r\n";
    };
    // Each section is read; an edition of 999 models has 1000 of them, and
    // more than twice that is refused, however small the file.
    std::string manySections = "[GPS]\r\nDate=15.03.03\r\n";
    for (int n = 1; n <= 2000; ++n)
        manySections += "[" + std::to_string(n) + "]\r\n";
    const struct {
        std::string body;
        std::string warning;
    } cases[] = {
        {model("org=/root/.bashrc\r\n", "rgn=/etc/os-release\r\n"), outside + "/root/.bashrc"},
        {model("org=modelb.org\r\n", "rgn=/etc/os-release\r\n"), outside + "/etc/os-release"},
        {model("org=\\Windows\\win.ini\r\n", "rgn=b.rgn\r\n"), outside + "\\Windows\\win.ini"},
        {model("org=\\\\server\\share\\b.org\r\n", "rgn=b.rgn\r\n"),
         outside + "\\\\server\\share\\b.org"},
        {model("org=b.org\r\n", "rgn=C:\\Garmin\\b.rgn\r\n"), outside + "C:\\Garmin\\b.rgn"},
        {model("org=b.org\r\n", "rgn=c:b.rgn\r\n"), outside + "c:b.rgn"},
        {model("org=b.org\r\n", "rgn=b.rgn:stream\r\n"), outside + "b.rgn:stream"},
        {model("org=../b.org\r\n", "rgn=b.rgn\r\n"), outside + "../b.org"},
        {model("org=fw/../../b.org\r\n", "rgn=b.rgn\r\n"), outside + "fw/../../b.org"},
        {model("org=b.org\r\n", "rgn=fw\\..\\..\\b.rgn\r\n"), outside + "fw\\..\\..\\b.rgn"},
        {model("org=b.org\r\n", "rgn=.../b.rgn\r\n"), outside + ".../b.rgn"},
        {model("org=b.rgn\r\n", "rgn=b.rgn\r\n"), both + "b.rgn"},
        {model("org=./FW/B.rgn\r\n", "rgn=fw\\b.rgn\r\n"), both + "fw\\b.rgn"},
        {model("org=\r\n", "rgn=b.rgn\r\n"), "The downloaded Wendrix.ini gives no usable org in [Evil]"},
        // One model's patch would overwrite another's pristine copy, or two
        // models would share one.
        {model("org=b.org\r\n", "rgn=./Modela.org\r\n"),
         "The downloaded Wendrix.ini is refused: [Model A 2.40] would write its pristine copy over the working "
         "file of [Evil]: modela.org"},
        {model("org=./MODELA.ORG\r\n", "rgn=b.rgn\r\n"),
         "The downloaded Wendrix.ini is refused: [Model A 2.40] and [Evil] name the same pristine copy: "
         "modela.org"},
        {model("org=b.org\r\n", "rgn=b\x01.rgn\r\n"), "The downloaded Wendrix.ini gives no usable rgn in [Evil]"},
        {model("org=b.org\r\n", "rgn=b\t.rgn\r\n"), "The downloaded Wendrix.ini gives no usable rgn in [Evil]"},
        // Keys and sections in other capitals, and a model after a gap in the list.
        {model("ORG=/etc/passwd\r\n", "rgn=b.rgn\r\n", "gps-1=evil\r\n"), outside + "/etc/passwd"},
        {model("org=b.org\r\n", "rgn=/etc/passwd\r\n", "Gps-1=Model A 2.40\r\nGps-3=Evil\r\n"),
         outside + "/etc/passwd"},
        {manySections, "The downloaded Wendrix.ini holds more than 2000 sections"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        writeModel(kOldModelFile);
        boxes.messages.clear();
        LoopbackServer server({httpReply(200, c.body)});
        EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
        expectWarning(c.warning);
        expectUntouched();
    }

    // Plain names, also in folders below, and a model without firmware keys.
    const std::string plain = model("org=fw/b.org\r\n", "rgn=fw\\b.rgn\r\n") +
                              "[Model C]\r\nRel=1.00\r\nText-1=/HOME/\r\n";
    LoopbackServer server({httpReply(200, plain)});
    boxes.messages.clear();
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 1);
    EXPECT_TRUE(boxes.messages.empty());
    EXPECT_EQ(modelText(), plain);
    EXPECT_FALSE(exists(tempPath()));
}

// The download never goes through a fixed name: whatever lies at the name
// the program once used (a link to another file, a FIFO, a folder, a link
// to a full device) stays as it was, and the model file is replaced whole.
TEST_F(Download, NothingIsWrittenThroughWhatLiesAtTheOldTemporaryName)
{
    const std::string victim = folder.file("bashrc");
    std::vector<std::string> obstacles = {"folder"};
#ifndef _WIN32
    obstacles.insert(obstacles.end(), {"link to a file", "dangling link", "fifo"});
    if (exists("/dev/full"))
        obstacles.push_back("link to a full disk");
#endif
    for (const std::string& obstacle : obstacles) {
        SCOPED_TRACE(obstacle);
        writeModel(kOldModelFile);
        ASSERT_TRUE(testing_support::writeText(victim, "alias ll='ls -l'\n"));
        boxes.messages.clear();
        std::filesystem::remove_all(tempPath());
        std::filesystem::remove(victim + ".new");
#ifndef _WIN32
        if (obstacle == "link to a file")
            ASSERT_EQ(symlink(victim.c_str(), tempPath().c_str()), 0);
        else if (obstacle == "dangling link")
            ASSERT_EQ(symlink((victim + ".new").c_str(), tempPath().c_str()), 0);
        else if (obstacle == "fifo")
            ASSERT_EQ(mkfifo(tempPath().c_str(), 0600), 0);
        else if (obstacle == "link to a full disk")
            ASSERT_EQ(symlink("/dev/full", tempPath().c_str()), 0);
        else
#endif
            ASSERT_TRUE(std::filesystem::create_directory(tempPath()));
        // A refused edition as well as an accepted one.
        for (const std::string& body : {std::string("[GPS]\r\nGps-1=X\r\n"), kNewModelFile}) {
            LoopbackServer server({httpReply(200, body)});
            EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), body == kNewModelFile ? 1 : 0);
        }
        EXPECT_EQ(modelText(), kNewModelFile);
        EXPECT_EQ(testing_support::readText(victim), "alias ll='ls -l'\n");
        EXPECT_FALSE(exists(victim + ".new"));
        EXPECT_EQ(std::filesystem::symlink_status(tempPath()).type(),
                  obstacle == "folder" ? std::filesystem::file_type::directory
                  : obstacle == "fifo" ? std::filesystem::file_type::fifo
                                       : std::filesystem::file_type::symlink);
        // Nothing but the model file, its backup, the run lock, the victim and the obstacle.
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"Wendrix.ini", "Wendrix.ini.bak", "Wendrix.iniTMP", "Wendrix.lock",
                                                  "bashrc"}));
    }
}

// An edition is installed only when it is whole: it ends with a line end,
// and each of the one to 999 models it lists has its section with every key
// (org, rgn, a hexadecimal crc, lang from 1 to 14, Rel); it carries no lines
// of its own. A download that ends early without saying so (HTTP/1.0, no
// length) is cut anywhere: "lang=14" must never be taken as "lang=1".
TEST_F(Download, OnlyAWholeEditionWithNoLinesOfItsOwnIsInstalled)
{
    const std::string notWhole = "The downloaded Wendrix.ini is not whole: ";
    const std::string cutShort = notWhole + "it does not end with a line end, so its last line may be cut short";
    const std::string incomplete = "The downloaded Wendrix.ini lists [Model B], which is no complete model (org, "
                                   "rgn, a hexadecimal crc and lang from 1 to 14)";
    const std::string lines =
        "The downloaded Wendrix.ini carries a [WARNING] section: it would put its own lines into "
        "your firmware";
    const std::string tooMany = "The downloaded Wendrix.ini lists more than 999 models";
    const auto edition = [](const std::string& keys, int listed = 1) {
        std::string text = "[GPS]\r\nDate=15.03.03\r\n";
        for (int n = 1; n <= listed; ++n)
            text += "Gps-" + std::to_string(n) + "=Model B\r\n";
        return text + "[Model B]\r\n" + keys;
    };
    const std::string full = "org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\nRel=3.10\r\n";
    std::string junk = "[GPS]";
    for (int i = 0; i < 300; ++i)
        junk += static_cast<char>((i * 37 + 11) % 256);
    // 999 models of their own, about 1 MiB with the comment that each
    // section carries: the limit does not depend on the file's size.
    std::string most = "[GPS]\r\nDate=15.03.03\r\n";
    for (int n = 1; n <= 999; ++n)
        most += "Gps-" + std::to_string(n) + "=Model " + std::to_string(n) + "\r\n";
    for (int n = 1; n <= 999; ++n)
        most += "[Model " + std::to_string(n) + "]\r\n;" + std::string(900, '-') + "\r\norg=m" + std::to_string(n) +
                ".org\r\nrgn=m" + std::to_string(n) + ".rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\nRel=1.00\r\n";
    const struct {
        std::string body;
        std::string warning; // empty: installed
    } cases[] = {
        {junk, cutShort},
        {junk + "\r\n", "The downloaded Wendrix.ini lists no model"},
        {"[GPS]\r\nDate=15.03.03\r\n", "The downloaded Wendrix.ini lists no model"},
        // Cut inside a line, and cut at every line end of a section.
        {edition(full).substr(0, edition(full).size() - 12), cutShort},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=1"), cutShort},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\n"), notWhole + "[Model B] has no Rel="},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\n"), notWhole + "[Model B] has no lang=, Rel="},
        {edition("org=b.org\r\n"), notWhole + "[Model B] has no rgn=, crc=, lang=, Rel="},
        {edition(""), notWhole + "it lists [Model B] but has no section for it"},
        {"[GPS]\r\nDate=15.03.03\r\nGps-1=Model B\r\n", notWhole + "it lists [Model B] but has no section for it"},
        {edition("rgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\nRel=1\r\n"), notWhole + "[Model B] has no org="},
        {edition("org=\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\nRel=1\r\n"),
         "The downloaded Wendrix.ini gives no usable org in [Model B]"},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=xyz\r\nlang=14\r\nRel=1\r\n"), incomplete},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=0\r\nlang=14\r\nRel=1\r\n"), incomplete},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d91\r\nlang=14\r\nRel=1\r\n"), incomplete},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=0\r\nRel=1\r\n"), incomplete},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=15\r\nRel=1\r\n"), incomplete},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=-1\r\nRel=1\r\n"), incomplete},
        // Every listed model counts, not only the first complete one.
        {"[GPS]\r\nGps-1=Model B\r\nGps-2=A\r\n[A]\r\nRel=1\r\n[Model B]\r\n" + full,
         notWhole + "[A] has no org=, rgn=, crc=, lang="},
        // A complete section that no "Gps-%d" key lists is no model.
        {edition(full, 0), "The downloaded Wendrix.ini lists no model"},
        {edition(full) + "[WARNING]\r\nText-1=PROPERTY OF\r\n", lines},
        {edition(full) + "[warning]\r\n", lines},
        {edition(full, 1000), tooMany},
        // Whole: the number rules read these as the patch run does.
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=0XE6B0C2D9 stock\r\nlang= 1\r\nRel=\r\n"), ""},
        {edition(full, 999), ""},
        {most, ""},
        {"[GPS]\r\nGps-1=A\r\nGps-2=Model B\r\n[A]\r\norg=a.org\r\nrgn=a.rgn\r\ncrc=1\r\nlang=1\r\nRel=1\r\n"
         "[Model B]\r\n" + full + "\n",
         ""},
        {edition(full).substr(0, edition(full).size() - 1), ""}, // a line ended by CR alone
    };
    ASSERT_GT(most.size(), 950u * 1024);
    ASSERT_LT(most.size(), 1024u * 1024);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.substr(0, 120));
        writeModel(kOldModelFile);
        boxes.messages.clear();
        LoopbackServer server({httpReply(200, c.body)});
        EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), c.warning.empty() ? 1 : 0);
        if (c.warning.empty()) {
            EXPECT_TRUE(boxes.messages.empty());
            EXPECT_TRUE(modelText() == c.body);
        } else {
            expectWarning(c.warning);
            EXPECT_EQ(modelText(), kOldModelFile);
        }
    }
}

} // namespace

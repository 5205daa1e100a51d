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

// "[GPS]" and one complete model (43 bytes), then a label up to exactly
// `size` bytes.
std::string modelFileOfSize(std::size_t size)
{
    std::string text = "[GPS]\nGps-1=M\n[M]\norg=a\nrgn=b\ncrc=1\nlang=1\nRel=";
    text.resize(std::max(size, text.size()), 'x');
    text.resize(size);
    return text;
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
               "[Model A 2.40]\r\norg=modela.org\r\nrgn=modela.rgn\r\ncrc=7c3a01f5\r\n"
               "[Evil]\r\n" + org + rgn + "crc=1c4e1d7a\r\nlang=1\r\n";
    };
    std::string manySections = "[GPS]\r\nDate=15.03.03\r\n";
    for (int n = 1; n <= 10; ++n)
        manySections += "[Model " + std::to_string(n) + "]\r\nRel=1.00\r\n";
    manySections += std::string(1024 * 1024 - manySections.size(), ';');
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
        // One model's patch would overwrite another's pristine copy.
        {model("org=b.org\r\n", "rgn=./Modela.org\r\n"),
         "The downloaded Wendrix.ini names one model's pristine copy as another's working file: ./Modela.org"},
        {model("org=b.org\r\n", "rgn=b\x01.rgn\r\n"), "The downloaded Wendrix.ini gives no usable rgn in [Evil]"},
        {model("org=b.org\r\n", "rgn=b\t.rgn\r\n"), "The downloaded Wendrix.ini gives no usable rgn in [Evil]"},
        // Keys and sections in other capitals, and a model after a gap in the list.
        {model("ORG=/etc/passwd\r\n", "rgn=b.rgn\r\n", "gps-1=evil\r\n"), outside + "/etc/passwd"},
        {model("org=b.org\r\n", "rgn=/etc/passwd\r\n", "Gps-1=Model A 2.40\r\nGps-3=Evil\r\n"),
         outside + "/etc/passwd"},
        // Each section is read from the whole file: many of them in a large
        // file would keep the window waiting.
        {manySections, "The downloaded Wendrix.ini holds too many sections for its size"},
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

// An edition is installed only when it lists at least one model that a
// patch run can use, at most 999 models, and no lines of its own.
TEST_F(Download, OnlyAnEditionWithACompleteModelAndNoLinesOfItsOwnIsInstalled)
{
    const std::string none =
        "The downloaded Wendrix.ini lists no complete model (org, rgn, a hexadecimal crc and lang "
        "from 1 to 14)";
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
    const std::string full = "org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\n";
    std::string junk = "[GPS]";
    for (int i = 0; i < 300; ++i)
        junk += static_cast<char>((i * 37 + 11) % 256);
    const struct {
        std::string body;
        std::string warning; // empty: installed
    } cases[] = {
        {junk, none},
        {"[GPS]\r\nDate=15.03.03\r\n", none},
        {edition("rgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\n"), none},
        {edition("org=b.org\r\ncrc=e6b0c2d9\r\nlang=14\r\n"), none},
        {edition("org=\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\n"),
         "The downloaded Wendrix.ini gives no usable org in [Model B]"},
        {edition("org=b.org\r\nrgn=b.rgn\r\nlang=14\r\n"), none},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=xyz\r\nlang=14\r\n"), none},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=0\r\nlang=14\r\n"), none},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d91\r\nlang=14\r\n"), none},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\n"), none},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=0\r\n"), none},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=15\r\n"), none},
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=-1\r\n"), none},
        // A complete section that no "Gps-%d" key lists is no model.
        {edition(full, 0), none},
        {edition(full) + "[WARNING]\r\nText-1=PROPERTY OF\r\n", lines},
        {edition(full) + "[warning]\r\n", lines},
        {edition(full, 1000), tooMany},
        // Complete: the number rules read these as the patch run does.
        {edition("org=b.org\r\nrgn=b.rgn\r\ncrc=0XE6B0C2D9 stock\r\nlang= 1\r\n"), ""},
        {edition(full, 999), ""},
        {"[GPS]\r\nGps-1=A\r\nGps-2=Model B\r\n[A]\r\nRel=1\r\n[Model B]\r\n" + full, ""},
    };
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

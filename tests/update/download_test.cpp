// downloadModelFile against servers on 127.0.0.1: what lands on disk, what
// the user is told, and what the server saw.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/update/http_file_server.h"
#include "tests/update/loopback_socket_server.h"
#include "tests/update/request_checks.h"
#include "tests/update/update_test_fixture.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using testing_support::exists;

platform::WindowHandle const kOwner = reinterpret_cast<void*>(0x1066);

class Download : public ModelFileTest {
protected:
    // The one warning the download showed, checked in full.
    void expectOneWarning(const std::string& text)
    {
        ASSERT_EQ(boxes.messages.size(), 1u);
        EXPECT_EQ(boxes.messages[0].text, text);
        EXPECT_EQ(boxes.messages[0].caption, "Zarnek Wendrix");
        EXPECT_EQ(boxes.messages[0].style, unsigned(platform::MbIconWarning));
        EXPECT_EQ(boxes.messages[0].owner, kOwner);
    }
    void expectUntouched()
    {
        EXPECT_EQ(modelText(), kOldModelFile);
        EXPECT_FALSE(exists(tempPath()));
    }
};

// "[GPS]" followed by lines up to exactly `size` bytes.
std::string modelFileOfSize(std::size_t size)
{
    std::string text = "[GPS]\r\nDate=20.04.04\r\n";
    for (int n = 1; text.size() < size; ++n)
        text += "Gps-" + std::to_string(n) + "=Model " + std::to_string(n) + "\r\n";
    text.resize(size);
    return text;
}

TEST_F(Download, AModelFileReplacesTheOldOneByteForByte)
{
    writeModel(kOldModelFile);
    HttpFileServer server;
    // Bare line feeds and a stray carriage return must arrive untranslated.
    const std::string body = std::string(kNewModelFile) + "X=a\nY=b\rZ=\x01\xff\r\n";
    server.answer(200, body);

    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 1);

    EXPECT_EQ(modelText(), body);
    EXPECT_FALSE(exists(tempPath()));
    EXPECT_TRUE(boxes.messages.empty());
    expectOneModelFileGet(server.requests());
}

TEST_F(Download, AModelFileIsPutInPlaceWhenThereWasNoneBefore)
{
    HttpFileServer server;
    server.answer(200, kNewModelFile);
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 1);
    EXPECT_EQ(modelText(), kNewModelFile);
    EXPECT_FALSE(exists(tempPath()));
    EXPECT_TRUE(boxes.messages.empty());
}

TEST_F(Download, SizesAroundTheReadChunkAreAcceptedWhole)
{
    HttpFileServer server;
    for (std::size_t size : {5u, 49u, 50u, 51u, 100u, 101u, 20000u}) {
        SCOPED_TRACE(size);
        writeModel(kOldModelFile);
        const std::string body = modelFileOfSize(size);
        server.answer(200, body);
        EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 1);
        EXPECT_EQ(modelText(), body);
        EXPECT_FALSE(exists(tempPath()));
    }
    EXPECT_TRUE(boxes.messages.empty());
}

TEST_F(Download, BodiesThatDoNotBeginWithTheMarkerAreRefused)
{
    const std::vector<std::pair<int, std::string>> bodies = {
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
    };
    HttpFileServer server;
    for (const auto& [status, body] : bodies) {
        SCOPED_TRACE(body);
        writeModel(kOldModelFile);
        boxes.messages.clear();
        server.answer(status, body);
        EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
        expectOneWarning("Can't find updates on Internet");
        expectUntouched();
    }
    EXPECT_EQ(server.requests().size(), bodies.size());
}

#ifndef _WIN32
// WinINet follows redirects unless told not to; this client makes one GET.
TEST_F(Download, ARedirectIsRefusedAsAPageWithoutTheMarker)
{
    writeModel(kOldModelFile);
    HttpFileServer server;
    server.answer(301, "Moved", server.url("/gps/wendrix2.ini"));
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
    expectOneWarning("Can't find updates on Internet");
    expectUntouched();
    EXPECT_EQ(server.requests().size(), 1u);
}
#endif

TEST_F(Download, TheMarkerIsTestedAcrossAFirstChunkShorterThanIt)
{
    for (const bool lowerCase : {false, true}) {
        SCOPED_TRACE(lowerCase);
        writeModel(kOldModelFile);
        boxes.messages.clear();
        const std::string first = lowerCase ? "[g" : "[G";
        const std::string rest = "PS]\r\nDate=15.03.03\r\n";
        LoopbackSocketServer server({"HTTP/1.1 200 OK\r\nContent-Length: " +
                                         std::to_string(first.size() + rest.size()) +
                                         "\r\nConnection: close\r\n\r\n" + first,
                                     rest},
                                    300, LoopbackSocketServer::Ending::Close);
        if (lowerCase) {
            EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
            expectOneWarning("Can't find updates on Internet");
            expectUntouched();
        } else {
            EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 1);
            EXPECT_TRUE(boxes.messages.empty());
            EXPECT_EQ(modelText(), first + rest);
            EXPECT_FALSE(exists(tempPath()));
        }
    }
}

TEST_F(Download, ABodyOverOneMebibyteIsNoModelFile)
{
    HttpFileServer server;
    writeModel(kOldModelFile);
    const std::string limit = modelFileOfSize(1024 * 1024);
    server.answer(200, limit);
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 1);
    EXPECT_TRUE(modelText() == limit);
    EXPECT_TRUE(boxes.messages.empty());

    writeModel(kOldModelFile);
    server.answer(200, modelFileOfSize(1024 * 1024 + 1));
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
    expectOneWarning("Can't find updates on Internet");
    expectUntouched();
}

TEST_F(Download, NothingListeningCannotDownload)
{
    writeModel(kOldModelFile);
    const std::string url =
        "http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/gps/wendrix.ini";
    EXPECT_EQ(downloadModelFile(kOwner, url.c_str()), 0);
    expectOneWarning("Can't download updates from Internet");
    expectUntouched();
}

TEST_F(Download, AServerThatNeverAnswersCannotDownload)
{
    writeModel(kOldModelFile);
    platform::netSetTimeouts(2, 2);
    LoopbackSocketServer server({}, 0, LoopbackSocketServer::Ending::Hold);
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
    expectOneWarning("Can't download updates from Internet");
    expectUntouched();
    EXPECT_EQ(server.connections(), 1);
}

TEST_F(Download, AConnectionClosedInTheMiddleOfTheBodyFailsSilently)
{
    writeModel(kOldModelFile);
    // Well past the first chunk, so the temporary file has been written to.
    const std::string part = modelFileOfSize(180);
    LoopbackSocketServer server(
        {"HTTP/1.1 200 OK\r\nContent-Length: 4000\r\nConnection: close\r\n\r\n", part}, 50,
        LoopbackSocketServer::Ending::Close);
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
    EXPECT_TRUE(boxes.messages.empty());
    expectUntouched();
}

TEST_F(Download, AServerThatStopsSendingIsAbandonedSilently)
{
    writeModel(kOldModelFile);
    platform::netSetTimeouts(2, 2);
    LoopbackSocketServer server(
        {"HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n\r\n", modelFileOfSize(120)}, 50,
        LoopbackSocketServer::Ending::Hold);
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
    EXPECT_TRUE(boxes.messages.empty());
    expectUntouched();
}

TEST_F(Download, ATemporaryPathThatIsAFolderCannotBeWritten)
{
    writeModel(kOldModelFile);
    ASSERT_TRUE(std::filesystem::create_directory(tempPath()));
    HttpFileServer server;
    server.answer(200, kNewModelFile);
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
    expectOneWarning("Can't open local file WENDRIX.TMP for writing");
    EXPECT_EQ(modelText(), kOldModelFile);
    // Somebody else's folder is no temporary file of ours to delete.
    EXPECT_TRUE(std::filesystem::is_directory(tempPath()));
}

TEST_F(Download, AnOldTemporaryFileIsOverwrittenNotAppendedTo)
{
    writeModel(kOldModelFile);
    ASSERT_TRUE(testing_support::writeText(tempPath(), std::string(5000, 'x')));
    HttpFileServer server;
    server.answer(200, kNewModelFile);
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 1);
    EXPECT_EQ(modelText(), kNewModelFile);
    EXPECT_FALSE(exists(tempPath()));
}

#ifndef _WIN32
TEST_F(Download, AWriteThatFailsNeverReachesTheModelFile)
{
    // Every write to /dev/full fails for want of space, as on a full disk.
    if (!exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    writeModel(kOldModelFile);
    ASSERT_EQ(symlink("/dev/full", tempPath().c_str()), 0);
    HttpFileServer server;
    server.answer(200, kNewModelFile);
    EXPECT_EQ(downloadModelFile(kOwner, server.url().c_str()), 0);
    expectOneWarning("Can't open local file WENDRIX.TMP for writing");
    EXPECT_EQ(modelText(), kOldModelFile);
    EXPECT_FALSE(std::filesystem::is_symlink(tempPath()));
}
#endif

} // namespace

// The Update command: fetch the model file from the update server into a
// file beside it, put it in place when it starts like a model file, and
// tell the user whether its "Date" stamp changed.
#include "update/model_update.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "config/app_text.h"
#include "config/model_file.h"
#include "update/edition_check.h"

namespace {

constexpr char kRequestHeader[] = "Accept: */*\r\n\r\n";
constexpr std::uint32_t kRequestHeaderLength = sizeof kRequestHeader - 1; // 15
constexpr std::uint32_t kChunkSize = 50;
constexpr char kMarker[] = "[GPS]";
constexpr std::size_t kMarkerLength = sizeof kMarker - 1;
// A model file is a small INI text; anything larger is some other download
// and is never written over the model file.
constexpr std::uint32_t kMaxModelFileSize = 1024 * 1024;
constexpr std::size_t kDateSize = 60;

enum class Outcome {
    Failed,   // nothing changed on disk
    Replaced, // the model file now holds the download
};

// Keeps a temporary file noted for as long as it may exist.
class TempFileNote {
public:
    explicit TempFileNote(const char* path) : path_(path) { platform::noteTempFile(path_); }
    ~TempFileNote() { platform::forgetTempFile(path_); }
    TempFileNote(const TempFileNote&) = delete;
    TempFileNote& operator=(const TempFileNote&) = delete;

private:
    const char* path_;
};

void warn(platform::WindowHandle owner, const char* text)
{
    platform::messageBox(owner, text, kAppTitle, platform::MbIconWarning | platform::MbOk);
}

void releaseNetwork(platform::NetHandle request, platform::NetHandle internet)
{
    if (request != 0)
        platform::netClose(request);
    platform::netClose(internet);
    platform::netUnload();
}

// std::fclose only hands the bytes to the system; the model file must not be
// replaced by a file that is not yet on the storage device.
bool flushToDevice(const char* path)
{
    const platform::FileHandle file = platform::openExclusive(path, false);
    if (file == platform::kClosedFile)
        return false;
    const bool flushed = platform::flushFile(file);
    platform::closeFile(file);
    return flushed;
}

Outcome fetchModelFile(platform::WindowHandle owner, const char* url)
{
    if (!platform::netLoad()) {
        warn(owner, "Can't load internet library");
        return Outcome::Failed;
    }
    const std::string tempPath = std::string(modelFilePath) + "TMP";

    const platform::NetHandle internet = platform::netOpen(kAppTitle);
    if (internet == 0) {
        warn(owner, "Can't open Internet connection");
        platform::netUnload();
        return Outcome::Failed;
    }
    const platform::NetHandle request =
        platform::netOpenUrl(internet, url, kRequestHeader, kRequestHeaderLength);
    if (request == 0) {
        warn(owner, "Can't download updates from Internet");
        releaseNetwork(0, internet);
        return Outcome::Failed;
    }
    // Removed again should the program be interrupted while it is written.
    const TempFileNote note(tempPath.c_str());
    std::FILE* out = std::fopen(tempPath.c_str(), "wb");
    if (out == nullptr) {
        warn(owner, "Can't open local file WENDRIX.TMP for writing");
        releaseNetwork(request, internet);
        return Outcome::Failed;
    }

    char chunk[kChunkSize];
    char head[kMarkerLength]; // the body's first bytes, however they arrive
    std::size_t headLength = 0;
    std::uint32_t total = 0;
    bool writeFailed = false;
    bool tooLarge = false;
    for (;;) {
        std::uint32_t got = 0;
        if (!platform::netRead(request, chunk, kChunkSize, &got)) {
            std::fclose(out);
            platform::deleteFile(tempPath.c_str());
            releaseNetwork(request, internet);
            return Outcome::Failed;
        }
        if (got == 0)
            break;
        if (got > kMaxModelFileSize - total) {
            tooLarge = true;
            break;
        }
        // A first chunk shorter than the marker leaves the test to the next.
        for (std::uint32_t i = 0; i < got && headLength < kMarkerLength; ++i)
            head[headLength++] = chunk[i];
        total += got;
        if (!writeFailed && std::fwrite(chunk, 1, got, out) != got)
            writeFailed = true;
    }
    if (std::fclose(out) != 0)
        writeFailed = true;
    releaseNetwork(request, internet);

    const bool marked =
        headLength == kMarkerLength && std::memcmp(head, kMarker, kMarkerLength) == 0;
    if (tooLarge || !marked) {
        platform::deleteFile(tempPath.c_str());
        warn(owner, "Can't find updates on Internet");
        return Outcome::Failed;
    }
    if (writeFailed || !flushToDevice(tempPath.c_str())) {
        platform::deleteFile(tempPath.c_str());
        warn(owner, "Can't open local file WENDRIX.TMP for writing");
        return Outcome::Failed;
    }
    // The edition decides which files every later patch run reads and
    // writes, so it must not name any outside the firmware's folder.
    const std::string refusal = editionRefusal(tempPath.c_str(), total);
    if (!refusal.empty()) {
        platform::deleteFile(tempPath.c_str());
        warn(owner, refusal.c_str());
        return Outcome::Failed;
    }
    // One rename over the old file: there is always a whole model file. A
    // file that cannot be replaced is a failure the user must hear of, not
    // an edition that is already up to date.
    if (platform::replaceFile(tempPath.c_str(), modelFilePath))
        return Outcome::Replaced;
    platform::deleteFile(tempPath.c_str());
    char text[sizeof modelFilePath + 64];
    std::snprintf(text, sizeof text, "Cannot replace %s: the file is write protected or in use",
                  modelFilePath);
    warn(owner, text);
    return Outcome::Failed;
}

} // namespace

int downloadModelFile(platform::WindowHandle owner, const char* url)
{
    return fetchModelFile(owner, url) == Outcome::Failed ? 0 : 1;
}

int runUpdateCommand(UpdateHost& host, const char* url)
{
    char before[kDateSize] = {};
    readModelValue("GPS", "Date", "", before, kDateSize);
    dropModelFileCache();

    host.setStatusLine("Get updates from internet...");
    const Outcome outcome = fetchModelFile(host.statusWindow(), url);
    // A copy: the host may keep its status text where the status line is set.
    const char* current = host.statusText();
    const std::string status = current != nullptr ? current : "";
    host.setStatusLine(status.c_str());
    if (outcome == Outcome::Failed)
        return 0;

    dropModelFileCache();
    char after[kDateSize] = {};
    readModelValue("GPS", "Date", "", after, kDateSize);
    if (std::strcmp(before, after) != 0) {
        platform::messageBox(host.dialogWindow(), "Wendrix.ini updated", kAppTitle,
                             platform::MbOk);
        host.armModelListTimer();
    } else {
        platform::messageBox(host.dialogWindow(), "You already have the most resent Wendrix.ini",
                             kAppTitle, platform::MbOk);
    }
    return 1;
}

int runUpdateCommand(UpdateHost& host)
{
    return runUpdateCommand(host, kUpdateUrl);
}

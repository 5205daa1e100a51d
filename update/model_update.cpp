// The Update command: fetch the model file from the update server, check
// the whole answer, keep the previous file as a backup, put the new one in
// place, and tell the user whether its "Date" stamp changed.
#include "update/model_update.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/app_text.h"
#include "config/model_file.h"
#include "config/model_file_backup.h"
#include "config/model_list.h"
#include "engine/run_lock.h"
#include "update/edition_check.h"
#include "update/own_models.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kRequestHeader[] = "Accept: */*\r\n\r\n";
constexpr std::uint32_t kRequestHeaderLength = sizeof kRequestHeader - 1; // 15
constexpr std::uint32_t kChunkSize = 50;
constexpr char kMarker[] = "[GPS]";
constexpr std::size_t kMarkerLength = sizeof kMarker - 1;
// A model file is a small INI text; anything larger is some other download
// and is never written over the model file.
constexpr std::uint32_t kMaxModelFileSize = 1024 * 1024;
constexpr std::size_t kDateSize = 60;
constexpr int kHttpOk = 200;

DownloadLimits limits;

enum class Outcome {
    Failed,   // nothing changed on disk
    Replaced, // the model file now holds the download
};

void warn(platform::WindowHandle owner, const std::string& text)
{
    platform::messageBox(owner, text.c_str(), kAppTitle, platform::MbIconWarning | platform::MbOk);
}

void releaseNetwork(platform::NetHandle request, platform::NetHandle internet)
{
    if (request != 0)
        platform::netClose(request);
    platform::netClose(internet);
    platform::netUnload();
}

std::string count(std::uint64_t value)
{
    return std::to_string(value);
}

// Reads the body whole into `body`, at most kMaxModelFileSize + 1 bytes.
// Empty when it arrived complete within the time limits; otherwise what to
// tell the user about why it stopped.
std::string receiveBody(platform::NetHandle request, std::string& body)
{
    const Clock::time_point start = Clock::now();
    Clock::time_point windowStart = start;
    std::uint64_t windowBytes = 0;
    char chunk[kChunkSize];
    for (;;) {
        std::uint32_t got = 0;
        if (!platform::netRead(request, chunk, kChunkSize, &got)) {
            if (platform::netTimedOut(request))
                return "The download stalled after " + count(body.size()) +
                       " bytes: the server sent nothing more";
            return "The download broke off after " + count(body.size()) + " bytes";
        }
        if (got == 0)
            return {};
        body.append(chunk, got);
        if (body.size() > kMaxModelFileSize)
            return {}; // refused as too large by the caller
        windowBytes += got;
        const Clock::time_point now = Clock::now();
        if (now - start >= std::chrono::seconds(limits.totalSeconds))
            return "The download was stopped after " + count(body.size()) +
                   " bytes: it was not complete after " + count(limits.totalSeconds) + " seconds";
        if (now - windowStart >= std::chrono::seconds(limits.windowSeconds)) {
            if (windowBytes < limits.windowBytes)
                return "The download stalled after " + count(body.size()) + " bytes: fewer than " +
                       count(limits.windowBytes) + " bytes came in " +
                       count(limits.windowSeconds) + " seconds";
            windowStart = now;
            windowBytes = 0;
        }
    }
}

// Fetches the whole body of a 200 answer that begins with the marker into
// `body`; false after telling the user why there is none.
bool download(platform::WindowHandle owner, const char* url, std::string& body)
{
    if (!platform::netLoad()) {
        warn(owner, "Can't load internet library");
        return false;
    }
    const platform::NetHandle internet = platform::netOpen(kAppTitle);
    if (internet == 0) {
        warn(owner, "Can't open Internet connection");
        platform::netUnload();
        return false;
    }
    const platform::NetHandle request =
        platform::netOpenUrl(internet, url, kRequestHeader, kRequestHeaderLength);
    if (request == 0) {
        warn(owner, "Can't download updates from Internet");
        releaseNetwork(0, internet);
        return false;
    }
    // An error page, a redirect or any other answer is not the model file,
    // whatever its body begins with.
    if (platform::netStatus(request) != kHttpOk) {
        releaseNetwork(request, internet);
        warn(owner, "Can't find updates on Internet");
        return false;
    }
    const std::string stopped = receiveBody(request, body);
    releaseNetwork(request, internet);
    if (!stopped.empty()) {
        warn(owner, stopped);
        return false;
    }
    if (body.size() > kMaxModelFileSize || body.size() < kMarkerLength ||
        std::memcmp(body.data(), kMarker, kMarkerLength) != 0) {
        warn(owner, "Can't find updates on Internet");
        return false;
    }
    return true;
}

// The edition's refusal, read with the profile functions from a copy of the
// body in a new file of its own beside the model file, removed afterwards.
std::string checkEdition(const std::string& body, bool& failed)
{
    failed = false;
    char checkPath[320];
    const platform::FileHandle file = platform::createTempBeside(modelFilePath, checkPath, sizeof checkPath);
    if (file == platform::kClosedFile) {
        failed = true;
        return {};
    }
    const bool written =
        platform::writeFile(file, body.data(), static_cast<std::uint32_t>(body.size())) == body.size();
    platform::closeFile(file);
    std::string refusal;
    if (written) {
        refusal = editionRefusal(checkPath, body);
        platform::writeProfileString(nullptr, nullptr, nullptr, checkPath);
    }
    platform::deleteFile(checkPath);
    failed = !written;
    return refusal;
}

Outcome fetchModelFile(platform::WindowHandle owner, const char* url, std::string& note)
{
    note.clear();
    std::string body;
    if (!download(owner, url, body))
        return Outcome::Failed;

    // The edition decides which files every later patch run reads and
    // writes, and which models the user can choose.
    bool failed = false;
    const std::string refusal = checkEdition(body, failed);
    if (failed) {
        warn(owner, "Can't open local file WENDRIX.TMP for writing");
        return Outcome::Failed;
    }
    if (!refusal.empty()) {
        warn(owner, refusal);
        return Outcome::Failed;
    }

    // One update or patch run at a time in the folder, so that the file
    // kept as the backup is the one replaced.
    const RunLock lock;
    if (lock.refused()) {
        char text[sizeof modelFilePath + 200];
        std::snprintf(text, sizeof text, kLockRefusedFormat, lock.path().c_str());
        warn(owner, text);
        return Outcome::Failed;
    }
    // What the owner added stays listed, in the file itself.
    std::vector<std::string> keptModels;
    std::string ownNote;
    if (const std::string clash = keepOwnModels(body, keptModels, ownNote); !clash.empty()) {
        warn(owner, clash);
        return Outcome::Failed;
    }
    const ModelFileReplacement done = replaceModelFileKeepingBackup(body);
    switch (done.outcome) {
    case ModelFileReplacement::Outcome::Replaced:
    case ModelFileReplacement::Outcome::Unchanged:
        break;
    case ModelFileReplacement::Outcome::NotKept:
        warn(owner, done.message + ": nothing was replaced");
        return Outcome::Failed;
    // A file that cannot be replaced is a failure the user must hear of,
    // not an edition that is already up to date.
    case ModelFileReplacement::Outcome::Refused:
        warn(owner, done.message);
        return Outcome::Failed;
    case ModelFileReplacement::Outcome::WriteFailed:
        warn(owner, "Can't open local file WENDRIX.TMP for writing");
        return Outcome::Failed;
    }
    note = ownNote + modelsOnlyInBackupsNote(done);
    return Outcome::Replaced;
}

} // namespace

void setDownloadLimits(const DownloadLimits& chosen)
{
    limits = chosen;
}

int downloadModelFile(platform::WindowHandle owner, const char* url)
{
    std::string note;
    return fetchModelFile(owner, url, note) == Outcome::Failed ? 0 : 1;
}

int runUpdateCommand(UpdateHost& host, const char* url)
{
    char before[kDateSize] = {};
    readModelValue("GPS", "Date", "", before, kDateSize);
    dropModelFileCache();

    host.setStatusLine("Get updates from internet...");
    std::string note;
    const Outcome outcome = fetchModelFile(host.statusWindow(), url, note);
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
        platform::messageBox(host.dialogWindow(), ("Wendrix.ini updated" + note).c_str(), kAppTitle,
                             platform::MbOk);
        host.armModelListTimer();
    } else {
        platform::messageBox(host.dialogWindow(),
                             ("You already have the most resent Wendrix.ini" + note).c_str(),
                             kAppTitle, platform::MbOk);
    }
    return 1;
}

int runUpdateCommand(UpdateHost& host)
{
    return runUpdateCommand(host, kUpdateUrl);
}

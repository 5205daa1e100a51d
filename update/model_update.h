// Fetching a newer model file over HTTP.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The update URL (a build setting), path "/gps/wendrix.ini".
extern const char kUpdateUrl[];

// What the Update command needs of the window that runs it.
class UpdateHost {
public:
    virtual ~UpdateHost() = default;
    // Owner of the command's own messages (the main dialog).
    virtual platform::WindowHandle dialogWindow() = 0;
    // Owner of the download's messages (the status-line control).
    virtual platform::WindowHandle statusWindow() = 0;
    // Puts `text` into the status line.
    virtual void setStatusLine(const char* text) = 0;
    // The dialog's current status text.
    virtual const char* statusText() = 0;
    // Arms the one-shot timer that refills the model list in 100 ms.
    virtual void armModelListTimer() = 0;
};

// How long a download may take. A transfer that moves fewer than
// `windowBytes` in any `windowSeconds` is abandoned, and so is one that is
// not complete after `totalSeconds`. The defaults are 64 bytes in 30
// seconds, and 120 seconds; tests shorten them.
struct DownloadLimits {
    unsigned windowSeconds = 30;
    std::uint32_t windowBytes = 64;
    unsigned totalSeconds = 120;
};
void setDownloadLimits(const DownloadLimits& limits);

// Downloads `url` and puts it in place of the model file when the server
// answered 200 with a whole body that begins with "[GPS]" and is a usable
// edition (see edition_check.h). The previous model file is kept beside it
// as a numbered backup unless one holds it already (see
// model_file_backup.h). 1 when the model file holds the edition; otherwise
// the user has been told why and the model file has not changed.
int downloadModelFile(platform::WindowHandle owner, const char* url);

// The Update command. Returns 1 when the model file was replaced.
int runUpdateCommand(UpdateHost& host);
// The same against another URL (a server of one's own, a test server).
int runUpdateCommand(UpdateHost& host, const char* url);

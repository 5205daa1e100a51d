// Fetching a newer model file over HTTP.
#pragma once

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

// Downloads `url` into the model-file path + "TMP" and puts it in place of
// the model file when it begins with "[GPS]" and names only plain firmware
// files below the current folder. 1 when the model file was replaced; when
// it cannot be, the download is deleted and the user warned.
int downloadModelFile(platform::WindowHandle owner, const char* url);

// The Update command. Returns 1 when the model file was replaced.
int runUpdateCommand(UpdateHost& host);
// The same against another URL (a server of one's own, a test server).
int runUpdateCommand(UpdateHost& host, const char* url);

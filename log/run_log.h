// The run log: a text file beside the executable, rotated at every patch run.
#pragma once

#include "platform/platform.h"

class RunLog {
public:
    // Derives the log path from the executable's path.
    RunLog();
    // Derives the log path from `executablePath` as if it were the executable's.
    explicit RunLog(const char* executablePath);
    virtual ~RunLog();

    // append 0: rotates the older logs and starts an empty log; otherwise
    // opens the log at its end, creating it when missing. 1 when open.
    int open(int append);
    int close();
    void write(const char* text, int newline);
    int writeBanner(const char* title);
    // Appends one line, opening and closing the file around it when closed.
    int writeLine(const char* text);

    // How many older logs are kept, numbered 1 (the latest) up to this.
    static constexpr int kOlderLogs = 9;
    // Puts the name of older log `number` into `out`; false when the log
    // path is too long to carry numbered names.
    bool olderPath(int number, char* out, std::size_t size) const;

    char path[260];
    platform::FileHandle file;
};

// The single log, created at start-up.
extern RunLog* runLog;

#include "cli/console_host.h"

#include "cli/ansi_text.h"

#include <cstdio>

namespace {
constexpr int kUpdateCommand = 1004;
}

void ConsoleHost::setStatusLine(const char* text)
{
    // Restoring an empty status line prints nothing.
    if (text && *text)
        std::fprintf(stderr, "%s\n", ansiToTerminal(text).c_str());
}

int runConsoleUpdate(const std::string& updateUrl)
{
    ConsoleHost host;
    if (updateUrl.empty())
        return runUpdateCommand(host);
    return runUpdateCommand(host, updateUrl.c_str());
}

void installConsoleHandlers(const ConsoleAnswers& answers)
{
    platform::setMessageBoxHandler(
        [answers](platform::WindowHandle, const char* text, const char*, unsigned style) {
            std::fprintf(stderr, "%s\n", ansiToTerminal(text ? text : "").c_str());
            std::fflush(stderr);
            switch (style & 0x0F) {
            case platform::MbYesNo:
                return answers.yesToSearch ? int(platform::IdYes) : int(platform::IdNo);
            case platform::MbOkCancel:
                return answers.okToStartUpdater ? int(platform::IdOk) : int(platform::IdCancel);
            default:
                return int(platform::IdOk);
            }
        });
    const std::string url = answers.updateUrl;
    platform::setSysCommandHandler([url](platform::WindowHandle, int command) {
        if (command == kUpdateCommand)
            runConsoleUpdate(url);
    });
}

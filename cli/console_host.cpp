#include "cli/console_host.h"

#include "cli/ansi_text.h"
#include "engine/patch_run.h"

#include <cstdio>

namespace {
constexpr int kUpdateCommand = 1004;
}

void ConsoleHost::setStatusLine(const char* text)
{
    // Restoring an empty status line prints nothing.
    if (text && *text)
        std::fprintf(stderr, "%s\n", terminalText(text).c_str());
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
    platform::setQuestionHandler([answers](platform::WindowHandle, const char* text, const char*, unsigned style,
                                           platform::Question question) {
        // Paths in the messages come from the model file.
        std::fprintf(stderr, "%s\n", terminalText(text ? text : "", true).c_str());
        // Each question is answered for what it asks; any other box gets the
        // button that changes nothing.
        int answer = (style & 0x0F) == platform::MbYesNo    ? int(platform::IdNo)
                     : (style & 0x0F) == platform::MbOkCancel ? int(platform::IdCancel)
                                                              : int(platform::IdOk);
        switch (question) {
        case platform::Question::SearchForUpdates:
            answer = answers.yesToSearch ? int(platform::IdYes) : int(platform::IdNo);
            if (!answers.yesToSearch)
                std::fputs("(not searched: add --search-updates)\n", stderr);
            break;
        case platform::Question::StartUpdater: {
            const int failures = answers.run && answers.run->fitted ? answers.run->notFitting : 0;
            answer = platform::IdCancel;
            if (!answers.okToStartUpdater)
                std::fputs("(not started: add --start-updater)\n", stderr);
            else if (failures > 0 && !answers.force)
                std::fprintf(stderr,
                             "(not started: %d of %d texts were not replaced or lost a line of text; add "
                             "--force to start it all the same)\n",
                             failures, static_cast<int>(answers.run->fit.count));
            else
                answer = platform::IdOk;
            break;
        }
        case platform::Question::None:
            break;
        }
        std::fflush(stderr);
        return answer;
    });
    const std::string url = answers.updateUrl;
    platform::setSysCommandHandler([url](platform::WindowHandle, int command) {
        if (command == kUpdateCommand)
            runConsoleUpdate(url);
    });
}

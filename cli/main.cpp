// wendrix-cli: the desktop program's patch run and Update command for the
// terminal, and commands that look at a firmware before it is patched.
#include <cstdio>
#include <string>

#include "cli/ansi_text.h"
#include "cli/cli_commands.h"
#include "cli/model_choice.h"
#include "cli/cli_options.h"
#include "config/app_text.h"
#include "log/run_log.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>

#include <vector>

namespace {

// The console hands the program its arguments in the 8-bit code page, with
// a character that the code page lacks already replaced. The lines and the
// words of suggest are taken from the Unicode command line instead, as
// UTF-8, so that such a character is refused, or its nearest used, as on
// every other system.
void takeLinesAsTyped(int argc, CliOptions& options)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr)
        return;
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
        if (size > 0)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        text.resize(text.size() - 1);
        texts.push_back(text);
    }
    LocalFree(wide);
    std::vector<const char*> args;
    for (const std::string& text : texts)
        args.push_back(text.c_str());
    CliOptions unicode;
    std::string error;
    // Only when both readings split the command line alike.
    if (count == argc && parseOptions(count, args.data(), unicode, error) && unicode.lines.size() == options.lines.size() &&
        unicode.text.size() == options.text.size()) {
        options.lines = unicode.lines;
        options.text = unicode.text;
    }
}

} // namespace
#endif

int main(int argc, char** argv)
{
    CliOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error))
        return usageError(error);
#ifdef _WIN32
    takeLinesAsTyped(argc, options);
#endif
    if (options.command == CliCommand::Help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (options.command == CliCommand::Version) {
        std::printf("%s\n", kVersionText);
        return 0;
    }

    std::string programPath;
    if (!locateProgramFiles(programPath, error)) {
        return commandError(escapeControls(error));
    }
    // The same log as the desktop program's; creating it touches no file.
    // Only a patch run writes to it: check and inspect run the same passes
    // without leaving a trace.
    RunLog log(programPath.c_str());
    if (options.command == CliCommand::Patch)
        runLog = &log;

    int status = 1;
    switch (options.command) {
    case CliCommand::Models:
        status = runModelsCommand();
        break;
    case CliCommand::Lines:
        status = runLinesCommand();
        break;
    case CliCommand::Patch:
        status = runPatchCommand(options);
        break;
    case CliCommand::Check:
        status = runCheckCommand(options);
        break;
    case CliCommand::Suggest:
        status = runSuggestCommand(options);
        break;
    case CliCommand::Inspect:
        status = runInspectCommand(options);
        break;
    case CliCommand::Restore:
        status = runRestoreCommand(options);
        break;
    case CliCommand::Update:
        status = runUpdateCommandLine(options);
        break;
    case CliCommand::Add:
        status = runAddCommand(options);
        break;
    case CliCommand::Help:
    case CliCommand::Version:
        break;
    }
    std::fflush(stdout);
    runLog = nullptr;
    return status;
}

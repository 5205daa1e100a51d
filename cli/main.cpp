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

int main(int argc, char** argv)
{
    CliOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error))
        return usageError(error);
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

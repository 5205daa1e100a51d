// wendrix-cli: the desktop program's patch run and Update command for the
// terminal.
#include <cstdio>
#include <string>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "log/run_log.h"

int main(int argc, char** argv)
{
    CliOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "wendrix-cli: %s\nTry 'wendrix-cli --help'.\n", error.c_str());
        return 2;
    }
    if (options.command == CliCommand::Help) {
        std::fputs(usageText(), stdout);
        return 0;
    }

    std::string programPath;
    if (!locateProgramFiles(programPath, error)) {
        std::fprintf(stderr, "wendrix-cli: %s\n", error.c_str());
        return 1;
    }
    // The same log as the desktop program's; creating it touches no file.
    RunLog log(programPath.c_str());
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
    case CliCommand::Update:
        status = runUpdateCommandLine(options);
        break;
    case CliCommand::Help:
        break;
    }
    std::fflush(stdout);
    runLog = nullptr;
    return status;
}

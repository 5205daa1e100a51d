// Parsing the command line: every mistake is found here, before any file is
// read or written.
#include "cli/cli_options.h"

#include <cstring>

namespace {

constexpr std::size_t kMaxLines = 7;

const char kUsage[] =
    "Usage: wendrix-cli COMMAND [OPTIONS]\n"
    "\n"
    "Puts your own lines on the power-on page of a GPS receiver's firmware,\n"
    "using the model file, log and stored lines of the Wendrix program in the\n"
    "same folder (wendrix.ini, wendrix.LOG).\n"
    "\n"
    "Commands:\n"
    "  models                 list the models: number, section name, release\n"
    "  lines                  print the seven stored lines\n"
    "  patch MODEL [OPTIONS]  patch the firmware of MODEL, a list number (as\n"
    "                         printed by 'models') or a section name\n"
    "  update                 fetch a newer model file\n"
    "\n"
    "Options of patch:\n"
    "  --line TEXT            one line of your text; give it up to seven times\n"
    "                         for lines 1 to 7 (the rest stay empty). Without\n"
    "                         it the stored lines are used. At most 29\n"
    "                         characters of each line are kept.\n"
    "  --start-updater        start UPDATER.EXE after patching and wait for it\n"
    "  --search-updates       fetch a newer model file when the firmware file\n"
    "                         cannot be read\n"
    "Options of patch and update:\n"
    "  --update-url URL       fetch the model file from URL instead of the\n"
    "                         built-in address\n"
    "\n"
    "  -h, --help             show this text\n"
    "\n"
    "Lines and names are kept in the 8-bit Windows-1252 code page, as the\n"
    "desktop program keeps them; UTF-8 text from the terminal is converted, and\n"
    "characters the code page lacks become '?'.\n"
    "\n"
    "Files named in the model file, UPDATER.EXE and report.html are found in\n"
    "the current directory. Messages go to standard error.\n"
    "Exit status: 0 success, 1 the command failed, 2 bad usage.\n";

bool isHelp(const char* arg)
{
    return std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0;
}

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
// Returns 0 when `arg` is not this option, 1 when taken, -1 when missing.
int takeValue(const char* name, int argc, const char* const* argv, int& i, std::string& value)
{
    const char* arg = argv[i];
    const std::size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0)
        return 0;
    if (arg[length] == '=') {
        value = arg + length + 1;
        return 1;
    }
    if (arg[length] != '\0')
        return 0;
    if (i + 1 >= argc)
        return -1;
    value = argv[++i];
    return 1;
}

} // namespace

const char* usageText()
{
    return kUsage;
}

bool parseOptions(int argc, const char* const* argv, CliOptions& options, std::string& error)
{
    options = CliOptions();
    for (int i = 1; i < argc; ++i) {
        if (isHelp(argv[i])) {
            options.command = CliCommand::Help;
            return true;
        }
    }
    if (argc < 2) {
        error = "no command given";
        return false;
    }

    const std::string command = argv[1];
    if (command == "models")
        options.command = CliCommand::Models;
    else if (command == "lines")
        options.command = CliCommand::Lines;
    else if (command == "patch")
        options.command = CliCommand::Patch;
    else if (command == "update")
        options.command = CliCommand::Update;
    else {
        error = "unknown command '" + command + "'";
        return false;
    }

    const bool isPatch = options.command == CliCommand::Patch;
    const bool takesUrl = isPatch || options.command == CliCommand::Update;
    bool haveModel = false;
    for (int i = 2; i < argc; ++i) {
        const char* arg = argv[i];
        std::string value;
        int taken = 0;
        if (isPatch && (taken = takeValue("--line", argc, argv, i, value)) != 0) {
            if (taken < 0) {
                error = "--line needs a text";
                return false;
            }
            if (options.lines.size() == kMaxLines) {
                error = "at most seven --line options can be given";
                return false;
            }
            // The fitting pass joins the lines with line feeds itself; a
            // line break inside a line would break that layout.
            if (value.find_first_of("\r\n") != std::string::npos) {
                error = "a --line text cannot hold a line break";
                return false;
            }
            options.lines.push_back(value);
        } else if (takesUrl && (taken = takeValue("--update-url", argc, argv, i, value)) != 0) {
            if (taken < 0 || value.empty()) {
                error = "--update-url needs a URL";
                return false;
            }
            options.updateUrl = value;
        } else if (isPatch && std::strcmp(arg, "--start-updater") == 0) {
            options.startUpdater = true;
        } else if (isPatch && std::strcmp(arg, "--search-updates") == 0) {
            options.searchUpdates = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            error = std::string("unknown option '") + arg + "' for " + command;
            return false;
        } else if (isPatch && !haveModel) {
            options.model = arg;
            haveModel = true;
        } else {
            error = std::string("unexpected argument '") + arg + "' for " + command;
            return false;
        }
    }
    if (isPatch && !haveModel) {
        error = "patch needs a MODEL (a list number or a section name)";
        return false;
    }
    if (isPatch && options.model.empty()) {
        error = "the MODEL cannot be empty";
        return false;
    }
    return true;
}

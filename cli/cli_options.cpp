// Parsing the command line: every mistake is found here, before any file is
// read or written.
#include "cli/cli_options.h"

#include <cstring>

#include "cli/ansi_text.h"
#include "platform/cp1252.h"

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
    "  lines                  print the seven stored lines; one that patch and\n"
    "                         check would refuse is named with the reason\n"
    "  patch MODEL [OPTIONS]  patch the firmware of MODEL, a list number (as\n"
    "                         printed by 'models') or a section name\n"
    "  check MODEL [--line TEXT]... [--json | --show] [--force] [--nearest]\n"
    "                         tell, without writing anything, which texts of\n"
    "                         MODEL's firmware the lines would replace, and\n"
    "                         for those that would not, what to change\n"
    "  suggest MODEL TEXT...  arrange the words of TEXT, in order, into lines\n"
    "                         that as many languages as possible show in full,\n"
    "                         keeping together where that costs no language a\n"
    "                         phone number, an address and the words of one\n"
    "                         argument (\"Jane Doe\"); a word over 29 characters\n"
    "                         is split after its last @ . - or / that leaves\n"
    "                         two parts of at most 29; prints the --line\n"
    "                         options to use, then the table\n"
    "  inspect FILE [--lang N] [--json] [--ini SECTION]\n"
    "                         show a firmware file's size, CRC-32 and texts\n"
    "  restore MODEL          put the pristine copy back over the working file\n"
    "  add FILE [--name NAME]\n"
    "                         add your stock firmware FILE to the model file\n"
    "                         as a model (named NAME, else after the file); a\n"
    "                         FILE in another folder is copied in first\n"
    "  update                 fetch a newer model file\n"
    "\n"
    "Options of patch and check:\n"
    "  --line TEXT            one line of your text; give it up to seven times\n"
    "                         for lines 1 to 7 (the rest stay empty). Without\n"
    "                         it the stored lines are used; when none are\n"
    "                         stored the command is refused. A line holds at\n"
    "                         most 29 characters, each one Windows-1252 can\n"
    "                         hold and none a control character (TAB, ESC, a\n"
    "                         line break); anything else is refused (for a\n"
    "                         word over 29 characters, naming where suggest\n"
    "                         would split it), as are\n"
    "                         seven empty lines (an unset variable in\n"
    "                         --line \"$NAME\" gives one) and stored lines with\n"
    "                         the same faults\n"
    "  --force                take seven empty lines all the same\n"
    "Options of patch, check and suggest:\n"
    "  --nearest              a character that Windows-1252 cannot hold (a\n"
    "                         letter with a stroke or a caron, say) is used as\n"
    "                         the nearest one it holds; without it such a line\n"
    "                         is refused, and the message shows the line with\n"
    "                         the nearest characters\n"
    "Options of patch:\n"
    "  --start-updater        start UPDATER.EXE after patching and wait for it;\n"
    "                         not done when a text was not replaced\n"
    "  --force                with --start-updater: start it even when a text was\n"
    "                         not replaced or lost a line\n"
    "  --search-updates       fetch a newer model file when the firmware file\n"
    "                         cannot be read\n"
    "Options of patch and update:\n"
    "  --update-url URL       fetch the model file from URL instead of the\n"
    "                         built-in address\n"
    "Options of check, suggest and inspect:\n"
    "  --json                 print one JSON object (UTF-8) instead of a table\n"
    "Options of check:\n"
    "  --show                 also print each language's new text as the\n"
    "                         receiver shows it, its lines centred\n"
    "Options of add:\n"
    "  --name NAME            the model's name in the list (at most 59\n"
    "                         characters); the file's name when not given\n"
    "Options of inspect:\n"
    "  --lang N               look for the first N texts of the table (1 to 14,\n"
    "                         default 14)\n"
    "  --ini SECTION          print a model-file section for FILE, ready to paste\n"
    "\n"
    "  -h, --help             show this text\n"
    "  --version              show the version\n"
    "\n"
    "patch prints, after the run, one row per text (as check does) and a line\n"
    "that says which files were written. A language fits when its text is\n"
    "replaced and every line that holds text is shown; for one that does not,\n"
    "the row says why and what to change. check, suggest, inspect and restore\n"
    "write no log and leave the stored lines as they are; check, suggest and\n"
    "inspect write no file at all. restore writes the working file only when\n"
    "the pristine copy's CRC-32 is the model's crc.\n"
    "\n"
    "Lines and names are kept in the 8-bit Windows-1252 code page, as the\n"
    "desktop program keeps them; UTF-8 text from the terminal is converted.\n"
    "Control characters read from files are shown as \\xHH.\n"
    "\n"
    "Files named in the model file and report.html are found in the current\n"
    "directory, UPDATER.EXE in the current directory or on PATH. patch opens\n"
    "report.html only after it has started UPDATER.EXE (--start-updater).\n"
    "Messages go to standard error; a question is answered Yes or OK only when\n"
    "its option is given.\n"
    "\n"
    "Exit status:\n"
    "  0  success; for patch: the working file was written and every language\n"
    "     fits; for check: every language would fit (a text longer than any\n"
    "     lines can fill keeps the receiver's own warning and does not count)\n"
    "  1  the command failed: the model file or its section is missing or\n"
    "     wrong, the firmware is unusable, a file could not be written; for\n"
    "     check: a language would not fit\n"
    "  2  bad usage, or patch or check without --line and no stored lines, or\n"
    "     a line refused (nothing is read or written)\n"
    "  3  patch: the working file was written, but some languages do not fit\n"
    "     (a text not replaced, or a line of text lost); suggest: no\n"
    "     arrangement of the words fits every language\n"
    "  4  patch: the working file was written, but UPDATER.EXE could not be\n"
    "     started or ended with a non-zero status\n";

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
    struct Named {
        const char* name;
        CliCommand command;
    };
    static const Named kCommands[] = {
        {"--version", CliCommand::Version}, {"models", CliCommand::Models},
        {"lines", CliCommand::Lines},       {"patch", CliCommand::Patch},
        {"check", CliCommand::Check},       {"suggest", CliCommand::Suggest},
        {"inspect", CliCommand::Inspect},
        {"restore", CliCommand::Restore},   {"update", CliCommand::Update},
        {"add", CliCommand::Add},
    };
    bool known = false;
    for (const Named& named : kCommands) {
        if (command == named.name) {
            options.command = named.command;
            known = true;
        }
    }
    if (!known) {
        error = "unknown command '" + command + "'";
        return false;
    }

    const CliCommand c = options.command;
    const bool isPatch = c == CliCommand::Patch;
    const bool takesLines = isPatch || c == CliCommand::Check;
    const bool isSuggest = c == CliCommand::Suggest;
    const bool takesModel = takesLines || isSuggest || c == CliCommand::Restore;
    const bool takesUrl = isPatch || c == CliCommand::Update;
    const bool takesJson = c == CliCommand::Check || isSuggest || c == CliCommand::Inspect;
    const bool takesNearest = takesLines || isSuggest;
    const bool isInspect = c == CliCommand::Inspect;
    const bool isAdd = c == CliCommand::Add;
    const bool takesFile = isInspect || isAdd;
    bool haveOperand = false;
    for (int i = 2; i < argc; ++i) {
        const char* arg = argv[i];
        std::string value;
        int taken = 0;
        if (takesLines && (taken = takeValue("--line", argc, argv, i, value)) != 0) {
            if (taken < 0) {
                error = "--line needs a text";
                return false;
            }
            if (options.lines.size() == kMaxLines) {
                error = "at most seven --line options can be given";
                return false;
            }
            // What a line may hold is checked with the stored lines, by the command.
            options.lines.push_back(value);
        } else if (takesUrl && (taken = takeValue("--update-url", argc, argv, i, value)) != 0) {
            if (taken < 0 || value.empty()) {
                error = "--update-url needs a URL";
                return false;
            }
            options.updateUrl = value;
        } else if (isInspect && (taken = takeValue("--lang", argc, argv, i, value)) != 0) {
            if (taken < 0 || value.empty() || value.size() > 2 ||
                value.find_first_not_of("0123456789") != std::string::npos || std::stoi(value) < 1 ||
                std::stoi(value) > 14) {
                error = "--lang needs a number from 1 to 14";
                return false;
            }
            options.lang = std::stoi(value);
        } else if (isInspect && (taken = takeValue("--ini", argc, argv, i, value)) != 0) {
            if (taken < 0 || value.empty()) {
                error = "--ini needs a section name";
                return false;
            }
            options.iniSection = value;
        } else if (isAdd && (taken = takeValue("--name", argc, argv, i, value)) != 0) {
            if (taken < 0 || value.empty()) {
                error = "--name needs a name";
                return false;
            }
            options.name = value;
        } else if (isPatch && std::strcmp(arg, "--start-updater") == 0) {
            options.startUpdater = true;
        } else if (takesLines && std::strcmp(arg, "--force") == 0) {
            options.force = true;
        } else if (c == CliCommand::Check && std::strcmp(arg, "--show") == 0) {
            options.show = true;
        } else if (isPatch && std::strcmp(arg, "--search-updates") == 0) {
            options.searchUpdates = true;
        } else if (takesJson && std::strcmp(arg, "--json") == 0) {
            options.json = true;
        } else if (takesNearest && std::strcmp(arg, "--nearest") == 0) {
            options.nearest = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            error = std::string("unknown option '") + arg + "' for " + command;
            return false;
        } else if ((takesModel || takesFile) && !haveOperand) {
            (takesFile ? options.file : options.model) = arg;
            haveOperand = true;
        } else if (isSuggest) {
            options.text.push_back(arg);
        } else {
            error = std::string("unexpected argument '") + arg + "' for " + command;
            return false;
        }
    }
    if (takesModel && !haveOperand) {
        error = command + " needs a MODEL (a list number or a section name)";
        return false;
    }
    if (takesModel && options.model.empty()) {
        error = "the MODEL cannot be empty";
        return false;
    }
    if (takesFile && options.file.empty()) {
        error = command + " needs a FILE";
        return false;
    }
    // What --ini prints is pasted into the model file: a line break in the
    // section name or the file's name would add lines, and sections, of
    // its own.
    const auto hasControl = [](const std::string& text) {
        for (const char c : terminalToAnsi(text))
            if (platform::cp1252::isControlByte(static_cast<unsigned char>(c)))
                return true;
        return false;
    };
    if (isInspect && hasControl(options.iniSection)) {
        error = "--ini needs a section name without control characters (a line break would start a line of "
                "its own in the model file)";
        return false;
    }
    if (isInspect && !options.iniSection.empty() && hasControl(options.file)) {
        error = "--ini cannot name FILE in a model file: its name holds a control character";
        return false;
    }
    if (isInspect && options.json && !options.iniSection.empty()) {
        error = "--json and --ini cannot be given together";
        return false;
    }
    if (isSuggest && options.text.empty()) {
        error = "suggest needs your TEXT after the MODEL";
        return false;
    }
    if (options.show && options.json) {
        error = "--show and --json cannot be given together";
        return false;
    }
    return true;
}

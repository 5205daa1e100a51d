#include "cli/cli_commands.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/ansi_text.h"
#include "cli/console_host.h"
#include "config/model_file.h"
#include "engine/line_storage.h"
#include "engine/patch_run.h"
#include "engine/warning_lines.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The model list: the "Gps-%d" values of section "GPS" up to the first empty one.
std::vector<std::string> readModelList()
{
    std::vector<std::string> models;
    for (int n = 1;; ++n) {
        char key[32];
        char name[60];
        std::snprintf(key, sizeof key, "Gps-%d", n);
        readModelValue("GPS", key, "", name, sizeof name);
        if (name[0] == '\0')
            break;
        models.push_back(name);
    }
    return models;
}

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isListNumber(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Finds MODEL in the list. Section names are matched without regard to case,
// as the model file does; an exact match wins. Returns the list index or -1.
int findModel(const std::vector<std::string>& models, const std::string& model)
{
    for (std::size_t i = 0; i < models.size(); ++i)
        if (models[i] == model)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < models.size(); ++i)
        if (sameIgnoringCase(models[i], model))
            return static_cast<int>(i);
    return -1;
}

// Passes every line through setLine, as the dialog's edit fields do after a
// load, so that each holds at most 29 characters and lineEnds matches.
void refillLines()
{
    for (int i = 0; i < WarningLines::kCount; ++i) {
        char text[WarningLines::kBufferSize];
        std::snprintf(text, sizeof text, "%s", warningLines.lineText(i));
        warningLines.setLine(i, text);
    }
}

int usageError(const std::string& reason)
{
    std::fprintf(stderr, "wendrix-cli: %s\nTry 'wendrix-cli --help'.\n", reason.c_str());
    return kExitUsage;
}

} // namespace

bool locateProgramFiles(std::string& programPath, std::string& error)
{
    char self[1024];
    const std::size_t length = platform::executablePath(self, sizeof self);
    std::string folder(self, length);
    const std::size_t slash = folder.find_last_of(kSeparator);
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);

    programPath = folder + kSeparator + "wendrix.exe";
    if (programPath.size() >= sizeof modelFilePath) {
        error = "the program's folder path is too long: " + folder;
        return false;
    }
    // The model file is the program's path with its last four characters
    // replaced by ".ini", as the desktop program derives it.
    std::string model = programPath.substr(0, programPath.size() - 4) + ".ini";
    std::memcpy(modelFilePath, model.c_str(), model.size() + 1);
    return true;
}

int runModelsCommand()
{
    const std::vector<std::string> models = readModelList();
    for (std::size_t i = 0; i < models.size(); ++i) {
        char release[60];
        readModelValue(models[i].c_str(), "Rel", "??", release, sizeof release);
        std::printf("%zu\t%s\t%s\n", i + 1, ansiToTerminal(models[i]).c_str(),
                    ansiToTerminal(release).c_str());
    }
    return kExitOk;
}

int runLinesCommand()
{
    loadLines();
    for (int i = 0; i < WarningLines::kCount; ++i)
        std::printf("%s\n", ansiToTerminal(warningLines.lineText(i)).c_str());
    return kExitOk;
}

int runPatchCommand(const CliOptions& options)
{
    ConsoleAnswers answers;
    answers.okToStartUpdater = options.startUpdater;
    answers.yesToSearch = options.searchUpdates;
    answers.updateUrl = options.updateUrl;
    installConsoleHandlers(answers);

    std::string section;
    if (isListNumber(options.model)) {
        // List position 0 is the dialog's "No Gps" entry.
        if (options.model.find_first_not_of('0') == std::string::npos) {
            platform::messageBox(nullptr, "No Gps selected", nullptr, platform::MbIconWarning);
            return kExitFailed;
        }
        const std::vector<std::string> models = readModelList();
        const std::string digits = options.model.substr(options.model.find_first_not_of('0'));
        const std::size_t count = models.size();
        if (digits.size() > 9 || std::stoul(digits) > count)
            return usageError("there is no model number " + options.model + " (the list has " +
                              std::to_string(count) + ")");
        section = models[std::stoul(digits) - 1];
    } else {
        const std::vector<std::string> models = readModelList();
        const int index = findModel(models, terminalToAnsi(options.model));
        if (index < 0)
            return usageError("unknown model '" + options.model + "' (see 'wendrix-cli models')");
        section = models[static_cast<std::size_t>(index)];
    }

    if (options.lines.empty()) {
        loadLines();
        refillLines();
    } else {
        for (int i = 0; i < WarningLines::kCount; ++i) {
            const std::size_t index = static_cast<std::size_t>(i);
            const std::string line = index < options.lines.size() ? terminalToAnsi(options.lines[index]) : "";
            warningLines.setLine(i, line.c_str());
        }
    }

    return PatchRun(nullptr, section.c_str()) == 1 ? kExitOk : kExitFailed;
}

int runUpdateCommandLine(const CliOptions& options)
{
    ConsoleAnswers answers;
    answers.updateUrl = options.updateUrl;
    installConsoleHandlers(answers);
    return runConsoleUpdate(options.updateUrl) == 1 ? kExitOk : kExitFailed;
}

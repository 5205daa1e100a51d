#include "cli/cli_commands.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/ansi_text.h"
#include "cli/console_host.h"
#include "cli/exit_status.h"
#include "cli/fit_report.h"
#include "cli/model_choice.h"
#include "config/model_file.h"
#include "engine/add_firmware.h"
#include "engine/fit_advice.h"
#include "engine/fit_summary.h"
#include "engine/language_table.h"
#include "engine/line_check.h"
#include "engine/line_storage.h"
#include "engine/nearest_characters.h"
#include "engine/owner_words.h"
#include "engine/patch_run.h"
#include "engine/warning_lines.h"
#include "platform/cp1252.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The closing line of a patch run: which firmware files it wrote.
std::string writtenLine(const ModelSection& model, const PatchRunReport& report)
{
    const std::string org = terminalText(model.orgPath);
    const std::string rgn = terminalText(model.rgnPath);
    std::string line;
    if (report.workingWritten && report.pristineWritten)
        line = "Written: the pristine copy " + org + " (the unpatched " + rgn + "), then the working file " +
               rgn + ", patched.";
    else if (report.workingWritten)
        line = "Written: the working file " + rgn + ", patched from the pristine copy " + org + ".";
    else if (report.pristineWritten)
        line = "Written: the pristine copy " + org + " only; the working file " + rgn + " was not written.";
    else
        line = "Nothing written: " + rgn + " and " + org + " are as they were.";
    const int ownWarning = countFit(report.verdicts).ownWarning;
    if (report.workingWritten && report.fit.failures > 0)
        line += " But " + std::to_string(report.fit.failures) + " of " + std::to_string(report.fit.count) +
                " texts were not replaced" +
                (ownWarning == 0 ? std::string()
                                 : " (" + std::to_string(ownWarning) +
                                       (ownWarning == 1 ? " keeps" : " keep") + " the receiver's own warning)") +
                ".";
    int lost = 0;
    for (int e = 0; e < report.fit.count; ++e)
        lost += report.fit.entries[e].replaced && !report.verdicts.languages[e].fits() ? 1 : 0;
    if (report.workingWritten && lost > 0)
        line += std::string(" ") + std::to_string(lost) + " of " + std::to_string(report.fit.count) +
                " texts were replaced without every line of text.";
    return line;
}

// A fault in words, the character shown where the terminal can show it.
std::string describeTerminalFault(int number, const LineFault& fault)
{
#ifdef _WIN32
    return describeLineFault(number, fault);
#else
    const bool printable = fault.kind == LineFaultKind::NotInCodePage && fault.character != U'\uFFFD';
    return describeLineFault(number, fault, printable ? "'" + utf8Of(fault.character) + "'" : "");
#endif
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
    std::vector<std::string> models;
    if (const int status = readUsableModelList(models); status != kExitOk)
        return status;
    for (std::size_t i = 0; i < models.size(); ++i) {
        char release[60];
        readModelValue(models[i].c_str(), "Rel", "??", release, sizeof release);
        std::printf("%zu\t%s\t%s\n", i + 1, terminalText(models[i]).c_str(), terminalText(release).c_str());
    }
    return kExitOk;
}

int runLinesCommand()
{
    // Empty lines from a store that could not be read would pass for lines never stored.
    if (!storedLinesReadable())
        return commandError("the stored lines could not be read (the store " + terminalText(lineStoreName()) +
                            " is unreadable or damaged)");
    const StoredLines stored = loadLines();
    for (int i = 0; i < WarningLines::kCount; ++i)
        std::printf("%s\n", terminalText(stored.texts[i]).c_str());
    // A line that patch and check would refuse is not passed over in silence.
    bool refused = false;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        if (stored.checks[i].ok())
            continue;
        std::fprintf(stderr, "wendrix-cli: the stored %s\n", describeLineFault(i + 1, stored.checks[i].fault).c_str());
        refused = true;
    }
    if (refused)
        std::fputs("wendrix-cli: patch and check refuse these stored lines: give your lines with --line (they are "
                   "stored by the next patch)\n",
                   stderr);
    return refused ? kExitFailed : kExitOk;
}

TypedLine takeTypedLine(const std::string& text, int number, bool nearest)
{
    TypedLine typed;
    // Text that is not UTF-8 is taken as 8-bit text, as terminalToAnsi takes it.
    typed.characters = platform::cp1252::isUtf8(text) ? platform::cp1252::toCodePoints(text)
                                                      : platform::cp1252::decode(text);
    typed.check = checkLine(typed.characters);
    LineFault fault = typed.check.fault;
    const std::string name = "line " + std::to_string(number);
    if (fault.kind != LineFaultKind::NotInCodePage) {
        if (fault)
            typed.refusal = describeTerminalFault(number, fault);
        return typed;
    }
    const NearestText near = nearestCharacters(typed.characters);
    if (!near.missing.empty()) {
        fault.character = near.missing[0];
        typed.refusal = describeTerminalFault(number, fault) +
                        ", nor any character near it: leave it out or put another in its place";
        return typed;
    }
    std::string shown = "'";
    shown.append(ansiToTerminal(platform::cp1252::encode(near.text))).append("'");
    if (!nearest) {
        typed.refusal = describeTerminalFault(number, fault) + "; with the nearest characters it holds, " + name +
                        " reads " + shown + ": add --nearest to use it";
        return typed;
    }
    typed.characters = near.text;
    typed.check = checkLine(typed.characters);
    if (!typed.check.ok())
        typed.refusal = describeTerminalFault(number, typed.check.fault);
    else
        typed.note = name + " reads " + shown + ", with the nearest characters Windows-1252 holds";
    return typed;
}

std::string namedAs(std::string words, const std::string& what)
{
    for (std::size_t at = 0; (at = words.find("line 1", at)) != std::string::npos; at += what.size())
        words.replace(at, 6, what);
    return words;
}

namespace {

// For a line refused as too long: where its words longer than a line split,
// as suggest splits them. A line is written as given or not at all, so the
// split is named, not made.
std::string longWordsNote(const TypedLine& typed)
{
    if (typed.check.fault.kind != LineFaultKind::TooLong)
        return "";
    std::string note;
    for (const LongWord& word : longWordsOf(platform::cp1252::encode(typed.characters)))
        if (!word.head.empty())
            note += "; " + terminalText(describeLongWord(word));
    if (!note.empty())
        note += ": give the parts as lines of their own, or let wendrix-cli suggest arrange your words";
    return note;
}

} // namespace

std::string describeTextFault(const std::string& text, const std::string& what)
{
    const LineFault fault = takeTypedLine(text, 1, false).check.fault;
    if (!fault || fault.kind == LineFaultKind::TooLong)
        return {};
    return namedAs(describeTerminalFault(1, fault), what);
}

int chooseLines(const CliOptions& options)
{
    if (!options.lines.empty()) {
        // Each line is written as it was typed (or with the nearest
        // characters, when asked), or not at all.
        CheckedLine lines[WarningLines::kCount];
        std::string notes;
        bool allEmpty = true;
        for (std::size_t i = 0; i < options.lines.size(); ++i) {
            const TypedLine typed = takeTypedLine(options.lines[i], static_cast<int>(i) + 1, options.nearest);
            if (!typed.check.ok())
                return usageError(typed.refusal + longWordsNote(typed) + "; nothing was written");
            if (!typed.note.empty())
                notes.append(1, static_cast<char>(std::toupper(static_cast<unsigned char>(typed.note[0]))))
                    .append(typed.note, 1)
                    .append("\n");
            lines[i] = typed.check.line;
            allEmpty = allEmpty && typed.check.line.empty();
        }
        if (allEmpty && !options.force)
            return usageError("all seven lines would be empty and blank every warning text (an unset "
                              "variable in --line \"$NAME\" gives an empty line): give your text, or add "
                              "--force to blank them; nothing was written");
        for (int i = 0; i < WarningLines::kCount; ++i)
            warningLines.setLine(i, lines[i]);
        // What --nearest made of a line, before anything else is said.
        if (!notes.empty())
            std::fputs(notes.c_str(), stderr);
        return kExitOk;
    }
    // Without lines every text would become blank: that is never what is meant.
    if (!storedLinesReadable())
        return usageError("the stored lines could not be read (the store " + terminalText(lineStoreName()) +
                          " is unreadable or damaged): give your lines with --line");
    // A store edited by hand is held to the rules of typed lines.
    const StoredLines stored = loadLines();
    if (const int refused = stored.firstRefused(); refused >= 0)
        return usageError("the stored " + describeLineFault(refused + 1, stored.checks[refused].fault) +
                          ": give your lines with --line (they are stored by the next patch); "
                          "nothing was written");
    bool anyText = false;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        warningLines.setLine(i, stored.checks[i].line);
        anyText = anyText || !stored.checks[i].line.empty();
    }
    if (anyText)
        return kExitOk;
    return usageError("no lines are stored: give your lines with --line");
}

int runPatchCommand(const CliOptions& options)
{
    PatchRunReport report;
    ConsoleAnswers answers;
    answers.okToStartUpdater = options.startUpdater;
    answers.force = options.force;
    answers.yesToSearch = options.searchUpdates;
    answers.updateUrl = options.updateUrl;
    answers.run = &report;
    installConsoleHandlers(answers);

    ModelSection model;
    if (const int status = chooseModel(options.model, model); status != kExitOk)
        return status;
    if (const int status = chooseLines(options); status != kExitOk)
        return status;

    // A terminal run opens no browser unless it started the uploader.
    PatchRun(nullptr, model.name.c_str(), &report, true);

    // The run goes on without them, but the owner must not count on them.
    if (report.linesLost)
        std::fprintf(stderr, "Your lines could not be saved: %s; give them with --line next time.\n",
                     terminalText(report.linesLostWhy).c_str());

    if (report.fitted)
        std::fputs(fitTable(languageTable, report.fit, report.verdicts).c_str(), stderr);
    const bool updaterFailed = report.updater == PatchRunReport::Updater::NotStarted ||
                               (report.updater == PatchRunReport::Updater::Ended && report.updaterStatus != 0);
    if (report.updater == PatchRunReport::Updater::Ended && report.updaterStatus != 0) {
        if (report.updaterStatus < 0)
            std::fputs("UPDATER.EXE did not end normally.\n", stderr);
        else
            std::fprintf(stderr, "UPDATER.EXE ended with exit status %d.\n", report.updaterStatus);
    }
    std::fprintf(stderr, "%s\n", writtenLine(model, report).c_str());

    if (!report.workingWritten)
        return kExitFailed;
    if (updaterFailed)
        return kExitUpdaterFailed;
    return report.notFitting > 0 ? kExitNotAllReplaced : kExitOk;
}

int runUpdateCommandLine(const CliOptions& options)
{
    ConsoleAnswers answers;
    answers.updateUrl = options.updateUrl;
    installConsoleHandlers(answers);
    return runConsoleUpdate(options.updateUrl) == 1 ? kExitOk : kExitFailed;
}

int runAddCommand(const CliOptions& options)
{
    installConsoleHandlers(ConsoleAnswers());
    // A name is held to the rules of typed lines, but for its length.
    if (const std::string fault = describeTextFault(options.name, "the name"); !fault.empty())
        return usageError(fault);
    const AddedFirmware added = addFirmware(options.file, terminalToAnsi(options.name));
    if (added.outcome != AddedFirmware::Outcome::Added)
        return commandError(terminalText(added.message, true));
    std::fprintf(stderr, "%s\n%s\n", terminalText(addedReport(added), true).c_str(),
                 terminalText(addedNextOnCommandLine(added)).c_str());
    return kExitOk;
}

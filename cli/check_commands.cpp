// check, inspect and restore: what a firmware file holds and what a patch run
// would make of it, found with the patch run's own passes but held in memory
// only, and putting the stock firmware back.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/ansi_text.h"
#include "cli/cli_commands.h"
#include "cli/console_host.h"
#include "cli/exit_status.h"
#include "cli/fit_report.h"
#include "cli/model_choice.h"
#include "config/model_file.h"
#include "engine/arrangement.h"
#include "engine/firmware_image.h"
#include "engine/firmware_paths.h"
#include "engine/fit_summary.h"
#include "engine/language_table.h"
#include "engine/line_check.h"
#include "engine/owner_words.h"
#include "engine/kept_aside.h"
#include "engine/patch_plan.h"
#include "engine/run_lock.h"
#include "engine/unpatched_image.h"
#include "engine/working_file_guard.h"
#include "engine/warning_lines.h"
#include "platform/cp1252.h"

namespace {

std::string hex8(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

// Holds an image for one command and gives it back on every path.
struct HeldImage {
    FirmwareImage image;
    ~HeldImage() { releaseImage(image); }
};

// The firmware file's text of one located entry, as Windows-1252 bytes.
std::string textOf(const FirmwareImage& image, const LanguageEntry& entry)
{
    return std::string(reinterpret_cast<const char*>(image.bytes) + entry.start,
                       static_cast<std::size_t>(entry.length));
}

// FILE with the extension of its last part replaced by `extension`.
std::string withExtension(const std::string& file, const char* extension)
{
    const std::size_t part = file.find_last_of("/\\");
    const std::size_t dot = file.rfind('.');
    const bool hasExtension = dot != std::string::npos && (part == std::string::npos || dot > part + 1);
    return (hasExtension ? file.substr(0, dot) : file) + extension;
}

void printInspectJson(const FirmwareImage& image, std::uint32_t crc, std::int32_t located)
{
    std::string json = "{\"size\":" + std::to_string(image.size) + ",\"crc\":\"" + hex8(crc) +
                       "\",\"located\":" + std::to_string(located) + ",\"texts\":[";
    for (std::int32_t e = 0; e < located; ++e) {
        const LanguageEntry& entry = languageTable.entries[e];
        if (e > 0)
            json += ",";
        json += "{\"number\":" + std::to_string(e + 1) + ",\"name\":" + jsonString(entry.name) +
                ",\"start\":" + std::to_string(entry.start) + ",\"length\":" + std::to_string(entry.length) +
                ",\"text\":" + jsonString(textOf(image, entry)) + "}";
    }
    std::printf("%s]}\n", json.c_str());
}

void printInspectPlain(const std::string& file, const FirmwareImage& image, std::uint32_t crc,
                       std::int32_t located, std::int32_t wanted)
{
    std::printf("%s: %u bytes, crc %s\n", escapeControls(file).c_str(), static_cast<unsigned>(image.size),
                hex8(crc).c_str());
    for (std::int32_t e = 0; e < located; ++e) {
        const LanguageEntry& entry = languageTable.entries[e];
        char row[96];
        std::snprintf(row, sizeof row, "%2d  %-10s  start %8d  length %4d", e + 1, entry.name,
                      static_cast<int>(entry.start), static_cast<int>(entry.length));
        std::printf("%s\n", terminalText(row).c_str());
        // Each line of the text on a line of its own, indented.
        const std::string text = textOf(image, entry);
        for (std::size_t begin = 0;;) {
            const std::size_t end = text.find('\n', begin);
            std::printf("      %s\n", terminalText(text.substr(begin, end - begin)).c_str());
            if (end == std::string::npos)
                break;
            begin = end + 1;
        }
    }
    std::printf("%d of %d texts located\n", static_cast<int>(located), static_cast<int>(wanted));
}

// The message for a firmware file that cannot be read: the reason when it
// is known, since "cannot read" alone says nothing of what to do.
int cannotRead(const std::string& path)
{
    if (imageFileTooLarge(path.c_str()))
        return commandError(escapeControls(path) +
                            " is larger than 2 GiB, too large to be a firmware image; nothing was read");
    return commandError("Cannot read " + escapeControls(path) + "!");
}

// A lock path that is no plain file stops every command that touches the
// firmware folder: the lock could not keep another run out.
int lockRefused(const RunLock& lock)
{
    // The path is shown safe for the terminal; the message's own line
    // breaks stay line breaks.
    char text[4200];
    std::snprintf(text, sizeof text, kLockRefusedFormat, terminalText(lock.path()).c_str());
    return commandError(text);
}

PlanModel planModelOf(const ModelSection& model)
{
    PlanModel plan;
    plan.section = model.name;
    plan.orgPath = model.orgPath;
    plan.rgnPath = model.rgnPath;
    plan.crc = model.crc;
    plan.lang = model.lang;
    return plan;
}

// Says why a patch run would stop for this firmware, as the run says it;
// kExitOk when it would go on.
int sayRefusal(const FirmwarePlan& plan)
{
    const PlanRefusal& refusal = plan.refusal;
    const char* path = refusal.path.c_str();
    char text[1024];
    std::string more;
    switch (refusal.kind) {
    case RefusalKind::None:
        return kExitOk;
    case RefusalKind::TooLarge:
        return cannotRead(refusal.path);
    case RefusalKind::CannotRead:
        std::snprintf(text, sizeof text, "Cannot read %s!", path);
        more = lookedInLine(path);
        break;
    case RefusalKind::NotOriginal:
        std::snprintf(text, sizeof text, "Not original %s file!", path);
        more = crcMismatchLine(refusal.foundCrc, plan.model.crc);
        break;
    case RefusalKind::FirmwarePaths:
    case RefusalKind::NoUpdater:
    case RefusalKind::WorkingUnreadable:
    case RefusalKind::PristineInTheWay:
    case RefusalKind::CannotWrite:
        std::snprintf(text, sizeof text, "%s", refusal.message.c_str());
        break;
    case RefusalKind::OtherFirmware:
        std::snprintf(text, sizeof text, "%s",
                      otherFirmwareMessage(plan.model.rgnPath.c_str(), plan.model.orgPath.c_str()).c_str());
        break;
    }
    std::fprintf(stderr, "%s\n", terminalText(text + more, true).c_str());
    return kExitFailed;
}

// A shell word: single quotes, each quote inside written as '\''.
std::string shellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The groups the arrangement breaks: kind, text and the lines they span.
std::string brokenGroupsJson(const OwnerWords& text, const Arrangement& best)
{
    std::string json = "[";
    for (const BrokenGroup& broken : brokenGroups(text, best))
        json += std::string(json.size() > 1 ? "," : "") + "{\"kind\":\"" + groupKindName(broken.group.kind) +
                "\",\"text\":" + jsonString(broken.text) + ",\"lines\":[" + std::to_string(broken.firstLine) + "," +
                std::to_string(broken.lastLine) + "]}";
    return json + "]";
}

// The words longer than a line and the two parts each became.
std::string splitWordsJson(const OwnerWords& text)
{
    std::string json = "[";
    for (const LongWord& word : text.splits())
        json += std::string(json.size() > 1 ? "," : "") + "{\"word\":" + jsonString(word.word) + ",\"parts\":[" +
                jsonString(word.head) + "," + jsonString(word.tail) + "]}";
    return json + "]";
}

// After the table: which long words were split, and which groups could not
// stay on one line.
std::string arrangementNotes(const OwnerWords& text, const Arrangement& best)
{
    std::string notes;
    for (const LongWord& word : text.splits())
        notes += terminalText(describeLongWord(word)) + "\n";
    const std::vector<BrokenGroup> broken = brokenGroups(text, best);
    for (const BrokenGroup& group : broken)
        notes += std::string("'") + terminalText(group.text) + "' runs over lines " + std::to_string(group.firstLine) +
                 (group.lastLine == group.firstLine + 1 ? " and " : " to ") + std::to_string(group.lastLine) + "\n";
    if (!broken.empty())
        notes += std::string(best.cutShort ? "(none of the arrangements looked at" : "(no arrangement") +
                 " that fits as many languages keeps more of your words together)\n";
    return notes;
}

// Which languages that can take a text no arrangement serves, and why, for
// the best one. A search cut short proves nothing about the arrangements it
// left.
std::string notServed(const LanguageTable& table, const FitVerdicts& verdicts, const Arrangement& best)
{
    const FitCount count = countFit(verdicts);
    const std::string searched = searchedNote(best);
    std::string text = (searched.empty() ? std::string("No arrangement of these words")
                                         : "No arrangement of those looked at (" + searched + ")") +
                       " fits every language" + (count.ownWarning > 0 ? " that can take a text" : "") +
                       "; with the best one, " + std::to_string(count.notShowing()) + " of " +
                       std::to_string(count.canTake) + " cannot take your text:\n";
    for (int e = 0; e < verdicts.count; ++e)
        if (!verdicts.languages[e].fits() && !keepsOwnWarning(verdicts.languages[e]))
            text += "  " + terminalText(table.entries[e].name) + ": " + fitReason(verdicts.languages[e]) + "\n";
    return text;
}

} // namespace

int runCheckCommand(const CliOptions& options)
{
    installConsoleHandlers(ConsoleAnswers());
    // Readers share the folder's lock: they never meet a run half way, and a
    // run never finds its files held by them.
    const RunLock lock(RunLock::Mode::Shared);
    if (lock.refused())
        return lockRefused(lock);
    ModelSection model;
    if (const int status = chooseModel(options.model, model); status != kExitOk)
        return status;
    if (const int status = chooseLines(options); status != kExitOk)
        return status;

    // Everything a patch would do, worked out in memory: nothing is written.
    const PatchPlan plan = makePatchPlan(planModelOf(model), warningLines);
    if (const int status = sayRefusal(plan.firmware); status != kExitOk)
        return status;
    if (!plan.firmware.pristineKeptAs.empty())
        std::fprintf(stderr, "%s\n",
                     terminalText(keptAsideNotice("patch", model.orgPath, plan.firmware.pristineKeptAs)).c_str());
    const LanguageTable& table = plan.firmware.table;
    const FitResult& fit = plan.lines.fit;
    const FitVerdicts& verdicts = plan.lines.verdicts;

    const int notFit = plan.lines.notFitting();
    if (options.json) {
        std::printf("{\"section\":%s,\"source\":\"%s\",\"crc\":\"%s\",\"lang\":%d,\"located\":%d,"
                    "\"not_replaced\":%d,\"not_fitting\":%d,\"own_warning\":%d,\"languages\":%s}\n",
                    jsonString(model.name).c_str(), plan.firmware.source == ImageSource::Pristine ? "org" : "rgn",
                    hex8(model.crc).c_str(), static_cast<int>(model.lang), static_cast<int>(plan.firmware.located),
                    fit.failures, notFit, countFit(verdicts).ownWarning,
                    fitJsonLanguages(table, fit, verdicts).c_str());
    } else {
        std::fputs(fitTable(table, fit, verdicts).c_str(), stdout);
        if (options.show)
            std::printf("\n%s", shownTexts(table, fit).c_str());
    }
    return notFit == 0 ? kExitOk : kExitFailed;
}

int runSuggestCommand(const CliOptions& options)
{
    installConsoleHandlers(ConsoleAnswers());
    // The words are checked as lines are, before anything is read. The
    // words of one argument belong together.
    std::vector<std::string> pieces;
    for (const std::string& piece : options.text) {
        const TypedLine typed = takeTypedLine(piece, 1, options.nearest);
        if (!typed.check.ok() && typed.check.fault.kind != LineFaultKind::TooLong)
            return usageError(namedAs(typed.refusal, "your text"));
        if (!typed.note.empty())
            std::fprintf(stderr, "%s\n", namedAs(typed.note, "Your text").c_str());
        pieces.push_back(platform::cp1252::encode(typed.characters));
    }
    LongWord refused;
    const std::optional<OwnerWords> text = OwnerWords::fromPieces(pieces, &refused);
    if (!text)
        return usageError(terminalText(describeLongWord(refused)));
    if (text->words().empty())
        return usageError("suggest needs your TEXT: it has no words");

    const RunLock lock(RunLock::Mode::Shared);
    if (lock.refused())
        return lockRefused(lock);
    ModelSection model;
    if (const int status = chooseModel(options.model, model); status != kExitOk)
        return status;
    // The texts' lengths are all the search needs: the image is given back.
    FirmwarePlan firmware = planFirmware(planModelOf(model));
    if (const int status = sayRefusal(firmware); status != kExitOk)
        return status;
    firmware.dropImage();
    const LanguageTable& table = firmware.table;
    const int count = static_cast<int>(firmware.searched);
    std::int32_t lengths[LanguageTable::kCount] = {};
    for (int e = 0; e < count && e < firmware.located; ++e)
        lengths[e] = table.entries[e].length;

    Arrangement best;
    if (!findArrangement(*text, lengths, count, best))
        return usageError("your text cannot be put into seven lines of at most " +
                          std::to_string(kLineCharacters) + " characters");
    for (int i = 0; i < WarningLines::kCount; ++i)
        warningLines.setLine(i, best.lines[i]);
    LinesPlan plan;
    planLines(firmware, warningLines, plan);
    const FitResult& fit = plan.fit;
    const FitVerdicts& verdicts = plan.verdicts;
    const FitCount shown = countFit(verdicts);

    std::string pasteable;
    for (int i = 0; i < best.lineCount; ++i)
        pasteable.append(i > 0 ? " --line " : "--line ").append(shellQuoted(ansiToTerminal(best.lines[i].c_str())));
    if (options.json) {
        std::string lines = "[";
        for (int i = 0; i < best.lineCount; ++i)
            lines.append(i > 0 ? "," : "").append(jsonString(best.lines[i].c_str()));
        std::printf("{\"section\":%s,\"lines\":%s],\"line_options\":%s,\"arrangements\":%d,"
                    "\"arrangements_in_all\":%lld,\"cut_short\":%s,\"lang\":%d,"
                    "\"located\":%d,\"fitting\":%d,\"own_warning\":%d,\"broken_groups\":%s,\"split_words\":%s,"
                    "\"languages\":%s}\n",
                    jsonString(model.name).c_str(), lines.c_str(), jsonString(terminalToAnsi(pasteable)).c_str(),
                    best.tried, static_cast<long long>(best.total), best.cutShort ? "true" : "false",
                    static_cast<int>(model.lang), static_cast<int>(firmware.located), best.fitting, shown.ownWarning,
                    brokenGroupsJson(*text, best).c_str(), splitWordsJson(*text).c_str(),
                    fitJsonLanguages(table, fit, verdicts).c_str());
    } else {
        std::printf("%s\n\n%s", pasteable.c_str(), fitTable(table, fit, verdicts).c_str());
        if (best.cutShort)
            std::printf("(%s: too many to try them all; this is the best of those)\n",
                        searchedNote(best).c_str());
        std::fputs(arrangementNotes(*text, best).c_str(), stdout);
        if (shown.notShowing() > 0)
            std::fputs(notServed(table, verdicts, best).c_str(), stdout);
    }
    return shown.notShowing() == 0 ? kExitOk : kExitNotAllReplaced;
}

int runInspectCommand(const CliOptions& options)
{
    installConsoleHandlers(ConsoleAnswers());
    const RunLock lock(RunLock::Mode::Shared);
    if (lock.refused())
        return lockRefused(lock);
    HeldImage held;
    const std::uint32_t crc = readImageFile(options.file.c_str(), held.image);
    if (crc == 0)
        return cannotRead(options.file);
    const std::int32_t located = locateTexts(held.image, options.lang);

    if (!options.iniSection.empty()) {
        if (located == 0)
            return commandError("no warning text found in " + escapeControls(options.file) +
                                ": it is no firmware image that can be patched");
        const std::string file = escapeControls(options.file);
        std::printf("[%s]\norg=%s\nrgn=%s\ncrc=%s\nlang=%d\nRel=??\n", escapeControls(options.iniSection).c_str(),
                    withExtension(file, ".org").c_str(), withExtension(file, ".rgn").c_str(), hex8(crc).c_str(),
                    static_cast<int>(located));
        // The section alone does not put the model in the list.
        std::fprintf(stderr,
                     "Paste the section into the model file %s and add the line Gps-%zu=%s to its section "
                     "[GPS], so that the model is listed.\n",
                     terminalText(modelFilePath).c_str(), readModelList().size() + 1,
                     escapeControls(options.iniSection).c_str());
    } else if (options.json) {
        printInspectJson(held.image, crc, located);
    } else {
        printInspectPlain(options.file, held.image, crc, located, options.lang);
    }
    return kExitOk;
}

int runRestoreCommand(const CliOptions& options)
{
    installConsoleHandlers(ConsoleAnswers());
    ModelSection model;
    if (const int status = chooseModel(options.model, model); status != kExitOk)
        return status;
    // Restoring writes the working file: one run at a time, as a patch run.
    const RunLock lock;
    if (lock.refused())
        return lockRefused(lock);
    const std::string org = terminalText(model.orgPath);
    const std::string rgn = terminalText(model.rgnPath);
    // The plan of a patch run judges both files: the same paths are out of
    // bounds, and the working file is replaced only when it holds nothing,
    // the stock image or a patch of the pristine copy, as a patch run's is.
    FirmwarePlan plan = planFirmware(planModelOf(model), PlanFor::Restore);
    const PlanRefusal& refusal = plan.refusal;
    if (refusal.kind == RefusalKind::FirmwarePaths)
        return commandError("cannot restore " + rgn + ": " + terminalText(refusal.message, true) + "\n" + rgn +
                            " is as it was");
    if (plan.source != ImageSource::Pristine) {
        // Only the pristine copy is restored from; the plan read the working
        // file instead. Its image is not needed to say why.
        plan.dropImage();
        const std::uint32_t crc = fileCrc(model.orgPath.c_str());
        if (crc == 0 && imageFileTooLarge(model.orgPath.c_str()))
            return cannotRead(model.orgPath);
        if (crc == 0)
            return commandError("cannot restore " + rgn + ": the pristine copy " + org +
                                " is missing, unreadable or empty; " + rgn + " is as it was");
        return commandError("cannot restore " + rgn + ": the pristine copy " + org + " has the CRC-32 " +
                            hex8(crc) + ", not the model's crc " + hex8(model.crc) + "; " + rgn + " is as it was");
    }
    if (refusal.kind == RefusalKind::OtherFirmware)
        return commandError("cannot restore " + rgn + ": " +
                            terminalText(otherFirmwareMessage(model.rgnPath.c_str(), model.orgPath.c_str(),
                                                              "restoring"),
                                         true) +
                            "\n" + rgn + " is as it was");
    if (refusal && refusal.kind != RefusalKind::CannotWrite)
        return commandError("cannot restore " + rgn + ": " + terminalText(refusal.message, true) + "\n" + rgn +
                            " is as it was");
    const FirmwareImage& held = plan.image;
    // Written as every image is: a temporary file renamed over the target.
    // One the plan foresaw failing is not tried; either way it is said alike.
    if (refusal.kind == RefusalKind::CannotWrite || !writeImageFile(model.rgnPath.c_str(), held.bytes, held.size))
        return commandError(cannotWrite(rgn).message);
    std::fprintf(stderr, "Restored %s from the pristine copy %s.\n", rgn.c_str(), org.c_str());
    return kExitOk;
}

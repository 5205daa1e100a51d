// The patch run: from the chosen model's section to a patched working file.
#include "engine/patch_run.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/app_text.h"
#include "engine/firmware_image.h"
#include "engine/fit_log.h"
#include "engine/fit_summary.h"
#include "engine/kept_aside.h"
#include "engine/language_table.h"
#include "engine/line_storage.h"
#include "engine/patch_plan.h"
#include "engine/run_lock.h"
#include "engine/unpatched_image.h"
#include "engine/warning_lines.h"
#include "engine/working_file_guard.h"
#include "log/run_log.h"

namespace {

constexpr int kUpdateCommand = 1004;
constexpr int kMessageSize = 1024;
constexpr char kStartUpdaterQuestion[] = "You may now run UPDATER\nStart UPDATER.EXE now?";

// Every log line of the run goes through here, so a process without a log
// simply skips logging.
void logLine(const char* text)
{
    if (runLog)
        runLog->writeLine(text);
}

int ask(platform::WindowHandle owner, const char* text, unsigned style,
        platform::Question question = platform::Question::None)
{
    return platform::messageBox(owner, text, kAppTitle, style, question);
}

// Logs "**** <what>" and shows "<what><more>" as an error; both name `path`.
void reportFailure(platform::WindowHandle owner, const char* logFormat,
                   const char* messageFormat, const char* path)
{
    char text[kMessageSize];
    std::snprintf(text, sizeof text, logFormat, path);
    logLine(text);
    std::snprintf(text, sizeof text, messageFormat, path);
    ask(owner, text, platform::MbIconError);
}

// Logs the refusal's "**** " line and shows its message as an error.
void reportRefusal(platform::WindowHandle owner, const PlanRefusal& refusal)
{
    logLine(refusal.logLine.c_str());
    ask(owner, refusal.message.c_str(), platform::MbIconError);
}

void beginRunLog(const char* section, const char* rgnPath, std::uint32_t expectedCrc)
{
    if (!runLog)
        return;
    runLog->open(0);
    runLog->writeBanner("Wendrix");
    runLog->close();

    char text[kMessageSize];
    logLine("--- Info ---");
    std::snprintf(text, sizeof text, "Ver: %s", kVersionText);
    logLine(text);
    std::snprintf(text, sizeof text, "Gps: %s", section);
    logLine(text);
    std::snprintf(text, sizeof text, "Rgn: %s", rgnPath);
    logLine(text);
    std::snprintf(text, sizeof text, "Crc: 0x%08x", static_cast<unsigned>(expectedCrc));
    logLine(text);
    logLine("");
}

} // namespace

int PatchRun(platform::WindowHandle owner, const char* section, PatchRunReport* report,
             bool reportOnlyAfterUpdater)
{
    PatchRunReport unreported;
    PatchRunReport& done = report ? *report : unreported;
    done = PatchRunReport();
    if (!section)
        section = "";
    const RunLock lock;

    const PlanModel model = readPlanModel(section);
    const char* orgPath = model.orgPath.c_str();
    const char* rgnPath = model.rgnPath.c_str();
    const std::uint32_t expectedCrc = model.crc;
    lang = model.lang;

    // Without its lock a run could meet another one half way; it stops
    // before anything is saved, read or written.
    if (lock.refused()) {
        beginRunLog(section, rgnPath, expectedCrc);
        reportFailure(owner, "**** Cannot use the lock file %s!", kLockRefusedFormat, lock.path().c_str());
        return 0;
    }

    // Everything the run does is decided here; the rest of the run shows,
    // logs and writes it, in its own order. The plan holds the one image.
    PatchPlan plan = makePatchPlan(model, warningLines);
    FirmwarePlan& firmware = plan.firmware;
    const PlanRefusal& refusal = firmware.refusal;

    // Paths that would make the run overwrite the wrong file stop it before
    // the lines are saved; the log and a message say why.
    if (refusal.kind == RefusalKind::FirmwarePaths) {
        beginRunLog(section, rgnPath, expectedCrc);
        reportRefusal(owner, refusal);
        return 0;
    }

    // The lines are kept whatever happens after this point. The owner hears
    // where they went when it is not the per-user store.
    const SavedLines saved = saveLines();
    done.linesLost = saved.store == SavedLines::Store::Nowhere;
    if (done.linesLost)
        done.linesLostWhy = saved.why;
    if (saved.store == SavedLines::Store::ModelFile)
        ask(owner, linesSavedInModelFile(saved).c_str(), platform::MbIconInformation);

    beginRunLog(section, rgnPath, expectedCrc);

    // Without the uploader there is nothing to hand the image to.
    if (refusal.kind == RefusalKind::NoUpdater) {
        reportRefusal(owner, refusal);
        return 0;
    }

    if (refusal.kind == RefusalKind::CannotRead || refusal.kind == RefusalKind::TooLarge) {
        char text[kMessageSize];
        std::snprintf(text, sizeof text, "**** Cannot read %s!", rgnPath);
        logLine(text);
        std::snprintf(text, sizeof text,
                      "Cannot read %s!\nYou have selected wrong GPS type or\n"
                      "downloaded wrong version of the firmware\n\n"
                      "If you have a newer version of the firmware\n"
                      "than Wendrix expect you may search for\nupdates of Wendrix\n\n"
                      "Search now?",
                      rgnPath);
        std::snprintf(text + std::strlen(text), sizeof text - std::strlen(text), "\n%s",
                      lookedInLine(rgnPath).c_str());
        if (ask(owner, text, platform::MbIconWarning | platform::MbYesNo,
                platform::Question::SearchForUpdates) == platform::IdYes)
            platform::sendSysCommand(owner, kUpdateCommand);
        return 0;
    }
    if (refusal.kind == RefusalKind::NotOriginal) {
        const std::string more = crcMismatchLine(refusal.foundCrc, expectedCrc);
        reportFailure(owner, "**** Not original %s file!", ("Not original %s file!" + more).c_str(), rgnPath);
        return 0;
    }

    // A file that cannot be written stops the run here, before anything is
    // written or shown, rather than after the whole fit report.
    if (refusal.kind == RefusalKind::PristineInTheWay || refusal.kind == RefusalKind::WorkingUnreadable ||
        refusal.kind == RefusalKind::CannotWrite) {
        reportRefusal(owner, refusal);
        return 0;
    }

    // The working file is still unpatched: its bytes become the pristine
    // copy. Without that copy they would exist nowhere once the working file
    // is overwritten, so the run stops when it cannot be written. What has
    // the pristine copy's name now is kept first, under a name of its own.
    if (firmware.writesPristine) {
        if (!firmware.pristineKeptAs.empty()) {
            if (!keepAside(model.orgPath, firmware.pristineKeptAs)) {
                logLine(("**** Cannot keep " + model.orgPath + "!").c_str());
                ask(owner,
                    ("Cannot keep " + model.orgPath + " as " + firmware.pristineKeptAs +
                     "!\nThe pristine copy is not written over it; move it away, then try again.")
                        .c_str(),
                    platform::MbIconError);
                return 0;
            }
            done.pristineKeptAs = firmware.pristineKeptAs;
            logLine(keptAsideLogLine(model.orgPath, firmware.pristineKeptAs).c_str());
            ask(owner, keptAsideMessage(model.orgPath, firmware.pristineKeptAs).c_str(),
                platform::MbIconInformation);
        }
        if (!writeImageFile(orgPath, firmware.image.bytes, firmware.image.size)) {
            reportRefusal(owner, cannotWrite(model.orgPath));
            return 0;
        }
        done.pristineWritten = true;
    }

    languageTable = firmware.table;
    logLanguages(languageTable, lang, firmware.located);
    if (refusal.kind == RefusalKind::OtherFirmware) {
        logLine(otherFirmwareLogLine(rgnPath, orgPath).c_str());
        ask(owner, otherFirmwareMessage(rgnPath, orgPath).c_str(), platform::MbIconError);
        return 0;
    }
    if (firmware.missesText()) {
        char text[kMessageSize];
        std::snprintf(text, sizeof text, "Could not find WARNING text %d, %s",
                      static_cast<int>(firmware.located), languageTable.entries[firmware.located].keywordA);
        ask(owner, text, platform::MbIconError);
    }

    done.located = firmware.located;
    done.fit = plan.lines.fit;
    done.verdicts = plan.lines.verdicts;
    reportFitPass(owner, plan.lines.lines, languageTable, plan.lines.fit, plan.lines.verdicts);
    done.fitted = true;
    done.notFitting = plan.lines.notFitting();

    const FirmwareImage& patched = patchImage(plan);
    if (!writeImageFile(rgnPath, patched.bytes, patched.size)) {
        reportRefusal(owner, cannotWrite(model.rgnPath));
        return 0;
    }
    firmware.dropImage();
    done.workingWritten = true;

    done.updater = PatchRunReport::Updater::Declined;
    // Enter must not upload a firmware that lacks some of the owner's text;
    // when none lacks any, the question says so first.
    const unsigned defaultButton = done.notFitting > 0 ? platform::MbDefButton2 : 0u;
    const std::string question =
        std::string(done.notFitting > 0 ? "" : fitCountLine(done.verdicts) + "\n") + kStartUpdaterQuestion;
    if (ask(owner, question.c_str(), platform::MbIconInformation | platform::MbOkCancel | defaultButton,
            platform::Question::StartUpdater) == platform::IdOk) {
        const platform::ProcessHandle process = launchUpdater(owner, kUpdaterName);
        done.updater = PatchRunReport::Updater::NotStarted;
        if (process) {
            done.updaterStatus = platform::waitForProcess(process);
            done.updater = PatchRunReport::Updater::Ended;
            platform::closeProcess(process);
        }
    }

    if (!reportOnlyAfterUpdater || done.updater == PatchRunReport::Updater::Ended)
        platform::shellOpen(owner, "open", "report.html");
    return 1;
}

platform::ProcessHandle launchUpdater(platform::WindowHandle owner, const char* program)
{
    // The command line must be writable, as CreateProcessA may change it.
    char commandLine[512];
    std::snprintf(commandLine, sizeof commandLine, "%s", program ? program : "");

    const platform::ProcessHandle process = platform::startProcess(commandLine, 200, 20);
    if (!process) {
        ask(owner, "Could not start UPDATER.EXE\nRun UPDATER.EXE from command window",
            platform::MbIconError);
        return 0;
    }
    return process;
}

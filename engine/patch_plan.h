// The plan of a patch: everything a patch run would do for a model and a set
// of lines, worked out without showing a box, writing a file or a log line.
// The patch run carries a plan out (it shows and logs what the plan says, in
// the run's own order); wendrix-cli check and suggest print it; the dialog's
// "Check lines" and the live fit show it. There is one plan: where any of
// them disagreed with the run, the plan would be wrong.
//
// It is made in two stages, because the lines change with every keystroke
// while the firmware does not:
//
//   1. planFirmware, once per model choice: the guards on the model's paths,
//      the unpatched image read (pristine copy, else the working file), the
//      guard on the working file, and each language's text located. It
//      reads files; it holds the one image it read.
//   2. planLines, once per set of lines: each text's fit, its verdict and
//      advice, and the replacement text. It reads nothing but the stage 1
//      result and the lines (not even the image), so it is cheap enough to
//      run per keystroke; a caller that only judges lines may drop the image
//      after stage 1.
//
// makePatchPlan is both. The bytes the run writes are the image with each
// replaced text over it: patchImage turns the plan's image into them in
// place, so a plan never holds more than one image.
//
// A plan keeps its located texts in its own LanguageTable, so one plan can be
// held while another is made; the process-wide languageTable is filled only
// by the patch run (and the passes that log), where the log and the reports
// read it.
#pragma once

#include <cstdint>
#include <string>

#include "engine/firmware_image.h"
#include "engine/fit_advice.h"
#include "engine/fit_summary.h"
#include "engine/fitting.h"
#include "engine/language_table.h"
#include "engine/unpatched_image.h"
#include "engine/warning_lines.h"

// The uploader, as the run finds it in the current folder; the guards keep
// the firmware paths off it.
inline constexpr char kUpdaterName[] = "UPDATER.EXE";

// A model's section as the patch run reads it from the model file.
struct PlanModel {
    std::string section;
    std::string orgPath; // the pristine copy
    std::string rgnPath; // the working file
    std::uint32_t crc = 0;
    std::int32_t lang = 0; // as given; the texts searched are the first 0 to 14
};

// Reads `section`'s keys org, rgn, crc and lang as the patch run does.
PlanModel readPlanModel(const char* section);

// Why the run would stop before it writes anything, and the file that is to
// blame. Listed in the order the run meets them; the plan holds the first.
// A guard added later becomes one more kind here, and the run, check and
// "Check lines" each say it in their words.
enum class RefusalKind {
    None,
    FirmwarePaths, // org or rgn names a file the run must never overwrite (checkFirmwarePaths)
    NoUpdater,     // UPDATER.EXE is missing, unreadable or empty where starting it would look
    CannotRead,    // no usable pristine copy, and the working file is missing, unreadable or empty
    TooLarge,      // ... the working file is larger than any image can be (the run: CannotRead)
    NotOriginal,   // no usable pristine copy, and the working file holds other bytes
    OtherFirmware, // the working file is neither the stock image nor a patch of the pristine copy
    WorkingUnreadable, // the working file is there but cannot be read (a folder, a FIFO, no permission)
    PristineInTheWay,  // something at the pristine copy's name must be kept, and no name is free for it
    CannotWrite,   // the file the run writes first cannot be written there (looked at, not tried)
};

struct PlanRefusal {
    RefusalKind kind = RefusalKind::None;
    std::string path; // the file it names (FirmwarePaths: the message names them)
    // FirmwarePaths, NoUpdater, WorkingUnreadable, PristineInTheWay,
    // CannotWrite: the "**** " log line and the message, as every front end
    // says them.
    std::string logLine;
    std::string message;
    std::uint32_t foundCrc = 0; // NotOriginal: the working file's CRC-32

    explicit operator bool() const { return kind != RefusalKind::None; }
};

// Stage 1: the firmware of one model choice. Move-only: it owns its image.
struct FirmwarePlan {
    PlanModel model;
    PlanRefusal refusal;
    ImageSource source = ImageSource::WorkingUnreadable; // which file was read
    bool writesPristine = false; // the working file's bytes become the pristine copy first
    // With writesPristine: what has the pristine copy's name now (it is not
    // the stock image) is first kept under this name; empty when nothing is there.
    std::string pristineKeptAs;
    std::uint32_t imageSize = 0; // the image's size, kept when the image is dropped
    LanguageTable table = languageTexts(); // the texts located in this image ("Unknown" otherwise)
    std::int32_t searched = 0;   // the entries searched: lang, within 0 to 14
    std::int32_t located = 0;    // how many of them were located, in table order
    std::string texts[LanguageTable::kCount]; // each located text as the firmware holds it
    FirmwareImage image;         // the unpatched image; empty when refused before it was read

    FirmwarePlan() = default;
    FirmwarePlan(FirmwarePlan&& other) noexcept;
    FirmwarePlan& operator=(FirmwarePlan&& other) noexcept;
    FirmwarePlan(const FirmwarePlan&) = delete;
    FirmwarePlan& operator=(const FirmwarePlan&) = delete;
    ~FirmwarePlan() { dropImage(); }

    // Gives the image back; stage 2 still works from what stage 1 found.
    void dropImage() { releaseImage(image); }
    // The language that no text was found for, when fewer were located than
    // searched (the run's "Could not find WARNING text %d, %s").
    bool missesText() const { return located < searched; }
};

// The refusal of a file that cannot be written, foreseen or met: the run,
// check and restore say it alike.
PlanRefusal cannotWrite(const std::string& path);

// What stage 1 is for. Restoring starts no uploader, so it does not look
// for one.
enum class PlanFor { Patch, Restore };

// Stage 1. Reads the model's files; shows, logs and writes nothing.
FirmwarePlan planFirmware(const PlanModel& model, PlanFor purpose = PlanFor::Patch);

// Stage 2: one set of lines over the located texts.
struct LinesPlan {
    WarningLines lines;   // the lines judged
    FitResult fit;        // per text: replaced, fill factor, the replacement (candidate)
    FitVerdicts verdicts; // per text: whether it shows every line, and if not why and what to change

    // Languages that could show the lines and do not; one that keeps the
    // receiver's own warning (a text no lines can fill) is not counted.
    int notFitting() const { return countFit(verdicts).notShowing(); }
};

// Stage 2. Reads nothing but its arguments.
void planLines(const FirmwarePlan& firmware, const WarningLines& lines, LinesPlan& out);

// The whole plan.
struct PatchPlan {
    FirmwarePlan firmware;
    LinesPlan lines;
};

PatchPlan makePatchPlan(const PlanModel& model, const WarningLines& lines);

// Turns the plan's image into the bytes the run writes to the working file:
// each replaced text with its replacement. The unpatched bytes are gone
// afterwards, so a pristine copy (writesPristine) is written from the image
// before this. Nothing is done to a refused plan or one without its image.
const FirmwareImage& patchImage(PatchPlan& plan);

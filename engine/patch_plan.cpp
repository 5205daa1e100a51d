#include "engine/patch_plan.h"

#include <utility>

#include "config/model_file.h"
#include "engine/firmware_paths.h"
#include "engine/kept_aside.h"
#include "platform/platform.h"
#include "engine/working_file_guard.h"

PlanModel readPlanModel(const char* section)
{
    // Buffers as the run has always read the keys: paths of at most 258
    // characters, numbers of at most 29.
    char org[259];
    char rgn[259];
    char number[30];
    PlanModel model;
    model.section = section ? section : "";
    readModelValue(model.section.c_str(), "org", "", org, sizeof org);
    readModelValue(model.section.c_str(), "rgn", "", rgn, sizeof rgn);
    model.orgPath = org;
    model.rgnPath = rgn;
    readModelValue(model.section.c_str(), "crc", "", number, sizeof number);
    model.crc = parseHexNumber(number);
    readModelValue(model.section.c_str(), "lang", "", number, sizeof number);
    model.lang = static_cast<std::int32_t>(parseDecimalNumber(number));
    return model;
}

FirmwarePlan::FirmwarePlan(FirmwarePlan&& other) noexcept
{
    *this = std::move(other);
}

FirmwarePlan& FirmwarePlan::operator=(FirmwarePlan&& other) noexcept
{
    if (this != &other) {
        dropImage();
        model = std::move(other.model);
        refusal = std::move(other.refusal);
        source = other.source;
        writesPristine = other.writesPristine;
        pristineKeptAs = std::move(other.pristineKeptAs);
        imageSize = other.imageSize;
        table = other.table;
        searched = other.searched;
        located = other.located;
        for (int e = 0; e < LanguageTable::kCount; ++e)
            texts[e] = std::move(other.texts[e]);
        image = std::exchange(other.image, FirmwareImage{});
    }
    return *this;
}

namespace {

// The uploader is read only to learn that it is there and not empty, where
// starting it would find it; it is never held beside the image.
bool updaterFound()
{
    char path[1024];
    platform::programPath(kUpdaterName, path, sizeof path);
    return fileCrc(path) != 0;
}

} // namespace

PlanRefusal cannotWrite(const std::string& path)
{
    PlanRefusal refusal;
    refusal.kind = RefusalKind::CannotWrite;
    refusal.path = path;
    refusal.logLine = "**** Cannot write " + path + "!";
    refusal.message = "Cannot write " + path + "!\nDisk is full or file is write protected";
    return refusal;
}

FirmwarePlan planFirmware(const PlanModel& model, PlanFor purpose)
{
    FirmwarePlan plan;
    plan.model = model;
    plan.searched = model.lang < 0 ? 0 : model.lang > LanguageTable::kCount ? LanguageTable::kCount : model.lang;
    const char* org = plan.model.orgPath.c_str();
    const char* rgn = plan.model.rgnPath.c_str();

    // Paths that would make the run overwrite the wrong file: nothing is read.
    if (const FirmwarePathProblem problem = checkFirmwarePaths(plan.model.section.c_str(), org, rgn, kUpdaterName)) {
        plan.refusal.kind = RefusalKind::FirmwarePaths;
        plan.refusal.logLine = problem.logLine;
        plan.refusal.message = problem.message;
        return plan;
    }
    if (purpose == PlanFor::Patch && !updaterFound()) {
        plan.refusal.kind = RefusalKind::NoUpdater;
        plan.refusal.logLine = "**** Cannot find UPDATER.EXE";
        plan.refusal.message = "Cannot find UPDATER.EXE\nYou need the Garmin software\nPlease read \"readme.txt\"";
        return plan;
    }

    std::uint32_t workingCrc = 0;
    plan.source = readUnpatchedImage(org, rgn, model.crc, plan.image, &workingCrc);
    if (plan.source == ImageSource::WorkingUnreadable || plan.source == ImageSource::NotOriginal) {
        plan.refusal.kind = plan.source == ImageSource::NotOriginal ? RefusalKind::NotOriginal
                            : imageFileTooLarge(rgn)                 ? RefusalKind::TooLarge
                                                                     : RefusalKind::CannotRead;
        plan.refusal.path = plan.model.rgnPath;
        plan.refusal.foundCrc = workingCrc;
        return plan;
    }
    plan.writesPristine = plan.source == ImageSource::Working;
    // Whatever has the pristine copy's name is not the stock image (its
    // CRC-32 did not match, or it could not be read): it may be the owner's
    // only copy of something, so it is kept, not overwritten.
    if (plan.writesPristine && (platform::fileExists(org) || platform::isLink(org))) {
        plan.pristineKeptAs = keptAsideName(plan.model.orgPath);
        if (plan.pristineKeptAs.empty()) {
            plan.refusal.kind = RefusalKind::PristineInTheWay;
            plan.refusal.path = plan.model.orgPath;
            plan.refusal.logLine = "**** Cannot keep " + plan.model.orgPath + "!";
            plan.refusal.message = "Cannot keep " + plan.model.orgPath +
                                   "!\nIt is not the pristine copy, and every name to keep it under is taken.\n"
                                   "Move it or its numbered copies away, then try again.";
            releaseImage(plan.image);
            return plan;
        }
    }
    plan.imageSize = plan.image.size;
    plan.located = findTexts(plan.image, model.lang, plan.table);
    for (std::int32_t e = 0; e < plan.located; ++e)
        plan.texts[e].assign(reinterpret_cast<const char*>(plan.image.bytes) + plan.table.entries[e].start,
                             static_cast<std::size_t>(plan.table.entries[e].length));

    // A working file that is neither the stock image nor an earlier patch of
    // this pristine copy is other firmware, perhaps a newer release: the
    // owner would upload a downgrade if the run replaced it.
    // One that is there but cannot be read is not missing: nobody knows what
    // it holds.
    if (plan.source == ImageSource::Pristine && workingFileUnreadable(rgn)) {
        plan.refusal.kind = RefusalKind::WorkingUnreadable;
        plan.refusal.path = plan.model.rgnPath;
        plan.refusal.logLine = "**** Cannot read " + plan.model.rgnPath + "!";
        plan.refusal.message = unreadableWorkingFileMessage(rgn);
    } else if (plan.source == ImageSource::Pristine &&
               holdsOtherFirmware(rgn, plan.image, plan.table, plan.located)) {
        plan.refusal.kind = RefusalKind::OtherFirmware;
        plan.refusal.path = plan.model.rgnPath;
    }
    // A file the run would fail to write stops it before anything is shown
    // or written: the pristine copy first, then the working file. What is
    // kept aside is moved within its folder, which must take the new name
    // and then the pristine copy.
    if (!plan.refusal) {
        const char* pristineTarget = plan.pristineKeptAs.empty() ? org : plan.pristineKeptAs.c_str();
        if (plan.writesPristine && !platform::canWriteWholeFile(pristineTarget))
            plan.refusal = cannotWrite(plan.model.orgPath);
        else if (!platform::canWriteWholeFile(rgn))
            plan.refusal = cannotWrite(plan.model.rgnPath);
    }
    return plan;
}

void planLines(const FirmwarePlan& firmware, const WarningLines& lines, LinesPlan& out)
{
    out.lines = lines;
    fitTexts(lines, firmware.table, firmware.imageSize, firmware.searched, out.fit);
    judgeAll(lines, firmware.table, out.fit, out.verdicts);
}

PatchPlan makePatchPlan(const PlanModel& model, const WarningLines& lines)
{
    PatchPlan plan{planFirmware(model), {}};
    planLines(plan.firmware, lines, plan.lines);
    return plan;
}

const FirmwareImage& patchImage(PatchPlan& plan)
{
    if (!plan.firmware.refusal && plan.firmware.image.bytes)
        replaceTexts(plan.firmware.table, plan.lines.fit, plan.firmware.image);
    return plan.firmware.image;
}

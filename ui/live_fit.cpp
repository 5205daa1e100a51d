#include "ui/live_fit.h"

#include <cstdio>

#include "config/model_file.h"
#include "config/model_list.h"
#include "engine/fit_summary.h"
#include "engine/warning_lines.h"
#include "engine/working_file_guard.h"

namespace ui {
namespace {

// Buffer sizes as the patch run reads the section: paths 258 characters,
// names and numbers as the dialog and the patch run read them.
constexpr int kPathBuffer = 259;
constexpr int kNameBuffer = 60;
constexpr int kNumberBuffer = 30;

ChosenFirmware chosen;

std::string format(const char* pattern, const std::string& value)
{
    char text[512];
    std::snprintf(text, sizeof text, pattern, value.c_str());
    return text;
}

// What the run would say when it stops for this firmware, in its words; ""
// when it would go on.
std::string refusalText(const FirmwarePlan& plan)
{
    const PlanRefusal& refusal = plan.refusal;
    switch (refusal.kind) {
    case RefusalKind::None:
        return "";
    case RefusalKind::CannotRead:
    case RefusalKind::TooLarge:
        return format("Cannot read %s!", refusal.path);
    case RefusalKind::NotOriginal:
        return format("Not original %s file!", refusal.path);
    case RefusalKind::FirmwarePaths:
    case RefusalKind::NoUpdater:
    case RefusalKind::WorkingUnreadable:
    case RefusalKind::PristineInTheWay:
    case RefusalKind::CannotWrite:
        return refusal.message;
    case RefusalKind::OtherFirmware:
        return otherFirmwareMessage(plan.model.rgnPath.c_str(), plan.model.orgPath.c_str());
    }
    return "";
}

} // namespace

const ChosenFirmware& chooseFirmware(int index)
{
    chosen = ChosenFirmware();
    if (index <= 0)
        return chosen;
    chosen.index = index;
    char key[32];
    std::snprintf(key, sizeof key, "Gps-%d", index);
    char section[kNameBuffer];
    readModelValue("GPS", key, "", section, sizeof section);
    chosen.section = section;
    char org[kPathBuffer], rgn[kPathBuffer], crcText[kNumberBuffer], langText[kNumberBuffer];
    readModelValue(section, "org", "", org, sizeof org);
    readModelValue(section, "rgn", "", rgn, sizeof rgn);
    readModelValue(section, "crc", "", crcText, sizeof crcText);
    readModelValue(section, "lang", "", langText, sizeof langText);
    if (!isCompleteModel(org, rgn, crcText, langText)) {
        chosen.refusal = format("The model file's section [%s] needs org=, rgn=, crc= and lang= (1 to 14)\n"
                                "wendrix-cli check names what is wrong",
                                section);
        return chosen;
    }
    // What OK would find, without doing any of it; the texts found are all
    // that the lines are judged against.
    chosen.plan = planFirmware(readPlanModel(section));
    chosen.plan.dropImage();
    chosen.refusal = refusalText(chosen.plan);
    return chosen;
}

const ChosenFirmware& chosenFirmware()
{
    return chosen;
}

void judgeLines(const WarningLines& lines, LinesPlan& out)
{
    planLines(chosen.plan, lines, out);
}

std::string liveFitLine()
{
    if (chosen.index <= 0)
        return "";
    if (!chosen.refusal.empty())
        return chosen.refusal.substr(0, chosen.refusal.find('\n'));
    LinesPlan judged;
    judgeLines(warningLines, judged);
    return fitCountLine(judged.verdicts);
}

} // namespace ui

#include "ui/check_lines.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "config/app_text.h"
#include "config/model_file.h"
#include "config/model_list.h"
#include "engine/arrangement.h"
#include "engine/patch_plan.h"
#include "engine/warning_lines.h"
#include "engine/working_file_guard.h"

namespace ui {
namespace {

// Buffer sizes as the patch run reads the section: paths 258 characters,
// names and numbers as the dialog and the patch run read them.
constexpr int kPathBuffer = 259;
constexpr int kNameBuffer = 60;
constexpr int kNumberBuffer = 30;

std::string format(const char* pattern, const std::string& value)
{
    char text[512];
    std::snprintf(text, sizeof text, pattern, value.c_str());
    return text;
}

// What the run would say when it stops for this firmware, in the words of
// the check; "" when it would go on.
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
    case RefusalKind::WorkingUnreadable:
    case RefusalKind::PristineInTheWay:
        return refusal.message;
    case RefusalKind::OtherFirmware:
        return otherFirmwareMessage(plan.model.rgnPath.c_str(), plan.model.orgPath.c_str());
    }
    return "";
}

} // namespace

std::string checkLinesReport(int index)
{
    if (index <= 0)
        return "Select a GPS model first";

    char key[32];
    std::snprintf(key, sizeof key, "Gps-%d", index);
    char section[kNameBuffer];
    readModelValue("GPS", key, "", section, sizeof section);
    char org[kPathBuffer], rgn[kPathBuffer], crcText[kNumberBuffer], langText[kNumberBuffer];
    readModelValue(section, "org", "", org, sizeof org);
    readModelValue(section, "rgn", "", rgn, sizeof rgn);
    readModelValue(section, "crc", "", crcText, sizeof crcText);
    readModelValue(section, "lang", "", langText, sizeof langText);
    if (!isCompleteModel(org, rgn, crcText, langText))
        return format("The model file's section [%s] needs org=, rgn=, crc= and lang= (1 to 14)\n"
                      "wendrix-cli check names what is wrong",
                      section);

    // What OK would do with these lines, without doing any of it.
    const PatchPlan plan = makePatchPlan(readPlanModel(section), warningLines);
    if (plan.firmware.refusal)
        return refusalText(plan.firmware);
    const LanguageTable& table = plan.firmware.table;
    const FitVerdicts& verdicts = plan.lines.verdicts;

    std::string report = format("%s, ", section) + std::to_string(verdicts.fitting) + " of " +
                         std::to_string(verdicts.count) + " languages fit these lines:\n";
    std::int32_t lengths[LanguageTable::kCount] = {};
    for (int e = 0; e < verdicts.count; ++e) {
        const LanguageFit& verdict = verdicts.languages[e];
        const std::string reason = fitReason(verdict);
        report += std::to_string(e + 1) + ". " + table.entries[e].name + ": " +
                  (verdict.fits() ? "fits" + (reason.empty() ? "" : "; " + reason) : reason) + "\n";
        lengths[e] = verdict.kind == FitKind::NotLocated ? 0 : table.entries[e].length;
    }

    // The same words in other lines may suit more languages; each typed
    // line's words stay together where that costs no language.
    Arrangement best;
    if (verdicts.fitting < verdicts.count &&
        findArrangement(OwnerWords::fromLines(warningLines), lengths, verdicts.count, best) &&
        best.fitting > verdicts.fitting) {
        const std::string note = searchedNote(best);
        report += "\nArranged like this, " + std::to_string(best.fitting) + " of " +
                  std::to_string(verdicts.count) + " languages would fit" + (note.empty() ? "" : " (" + note + ")") +
                  ":\n";
        for (int i = 0; i < best.lineCount; ++i)
            report += "Line " + std::to_string(i + 1) + ": " + best.lines[i].c_str() + "\n";
    }
    if (!report.empty() && report.back() == '\n')
        report.pop_back();
    return report;
}

void runCheckLines(DialogWindow& window)
{
    const int index = window.listSelection(IdModelList);
    const std::string report = checkLinesReport(index);
    platform::messageBox(window.handle(), report.c_str(), kAppTitle,
                         index <= 0 ? platform::MbIconWarning : platform::MbIconInformation);
}

} // namespace ui

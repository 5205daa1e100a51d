#include "ui/check_lines.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "config/app_text.h"
#include "config/model_file.h"
#include "config/model_list.h"
#include "engine/arrangement.h"
#include "engine/fit_advice.h"
#include "engine/fitting.h"
#include "engine/firmware_image.h"
#include "engine/language_table.h"
#include "engine/unpatched_image.h"
#include "engine/warning_lines.h"
#include "log/run_log.h"

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

// The passes log what they do while a run log is open; a check is no run.
class LogPaused {
public:
    LogPaused() : saved_(runLog) { runLog = nullptr; }
    ~LogPaused() { runLog = saved_; }
    LogPaused(const LogPaused&) = delete;
    LogPaused& operator=(const LogPaused&) = delete;

private:
    RunLog* saved_;
};

// The image of one check, released on every path.
struct CheckedImage {
    FirmwareImage image{};
    ~CheckedImage() { releaseImage(image); }
};

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
    const std::uint32_t crc = parseHexNumber(crcText);
    const std::int32_t count = static_cast<std::int32_t>(parseDecimalNumber(langText));

    const LogPaused quiet;
    CheckedImage held;
    const ImageSource source = readUnpatchedImage(org, rgn, crc, held.image);
    if (source == ImageSource::WorkingUnreadable)
        return format("Cannot read %s!", rgn);
    if (source == ImageSource::NotOriginal)
        return format("Not original %s file!", rgn);

    locateTexts(held.image, count);
    FitResult fit;
    fitTexts(warningLines, languageTable, held.image, count, fit);
    FitVerdicts verdicts;
    judgeAll(warningLines, languageTable, fit, verdicts);

    std::string report = format("%s, ", section) + std::to_string(verdicts.fitting) + " of " +
                         std::to_string(verdicts.count) + " languages fit these lines:\n";
    std::int32_t lengths[LanguageTable::kCount] = {};
    for (int e = 0; e < verdicts.count; ++e) {
        const LanguageFit& verdict = verdicts.languages[e];
        const std::string reason = fitReason(verdict);
        report += std::to_string(e + 1) + ". " + languageTable.entries[e].name + ": " +
                  (verdict.fits() ? "fits" + (reason.empty() ? "" : "; " + reason) : reason) + "\n";
        lengths[e] = verdict.kind == FitKind::NotLocated ? 0 : languageTable.entries[e].length;
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

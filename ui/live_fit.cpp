#include "ui/live_fit.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "config/model_file.h"
#include "config/model_list.h"
#include "engine/firmware_image.h"
#include "engine/fit_summary.h"
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

ChosenFirmware chosen;

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

// The image of one read, released on every path.
struct HeldImage {
    FirmwareImage image{};
    ~HeldImage() { releaseImage(image); }
};

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
    const std::uint32_t crc = parseHexNumber(crcText);
    chosen.count = static_cast<std::int32_t>(parseDecimalNumber(langText));

    const LogPaused quiet;
    HeldImage held;
    const ImageSource source = readUnpatchedImage(org, rgn, crc, held.image);
    if (source == ImageSource::WorkingUnreadable)
        chosen.refusal = format("Cannot read %s!", rgn);
    else if (source == ImageSource::NotOriginal)
        chosen.refusal = format("Not original %s file!", rgn);
    if (!chosen.refusal.empty())
        return chosen;
    locateTexts(held.image, chosen.count);
    chosen.table = languageTable;
    return chosen;
}

const ChosenFirmware& chosenFirmware()
{
    return chosen;
}

void judgeLines(const WarningLines& lines, LinesJudged& out)
{
    std::int32_t lengths[LanguageTable::kCount] = {};
    const int count = std::min<int>(chosen.count, LanguageTable::kCount);
    for (int e = 0; e < count; ++e)
        lengths[e] = chosen.table.entries[e].length; // 0: not located
    fitLengths(lines, lengths, count, out.fit);
    judgeAll(lines, chosen.table, out.fit, out.verdicts);
}

std::string liveFitLine()
{
    if (chosen.index <= 0)
        return "";
    if (!chosen.refusal.empty())
        return chosen.refusal.substr(0, chosen.refusal.find('\n'));
    LinesJudged judged;
    judgeLines(warningLines, judged);
    return fitCountLine(judged.verdicts);
}

} // namespace ui

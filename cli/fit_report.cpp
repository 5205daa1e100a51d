#include "cli/fit_report.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "cli/ansi_text.h"
#include "engine/fit_summary.h"

namespace {

std::string format(const char* fmt, auto... args)
{
    char text[256];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

std::string numberList(const int* numbers, int count)
{
    std::string text = "[";
    for (int i = 0; i < count; ++i)
        text.append(i > 0 ? "," : "").append(std::to_string(numbers[i]));
    return text + "]";
}

// The advice as fields: what to change, on which lines, by how much.
std::string adviceJson(const LanguageFit& fit)
{
    std::string json = std::string("{\"kind\":\"") + fitAdviceKind(fit) + "\"";
    switch (fit.kind) {
    case FitKind::Shorten:
        json += format(",\"take_off\":%d,\"lines\":", static_cast<int>(fit.amount)) +
                numberList(fit.shorten, fit.shortenCount);
        break;
    case FitKind::LineOneAlone:
        json += format(",\"line_1_at_most\":%d", static_cast<int>(fit.length));
        break;
    case FitKind::Gain:
        json += format(",\"reach\":%d,\"gain\":%d,\"empty\":", static_cast<int>(fit.reach),
                       static_cast<int>(fit.amount)) +
                numberList(fit.empty, fit.emptyCount) +
                format(",\"take_off\":%d,\"shorten\":", static_cast<int>(fit.takeOff)) +
                numberList(fit.shorten, fit.shortenCount) + format(",\"add\":%d,\"lengthen\":", static_cast<int>(fit.add)) +
                numberList(fit.lengthen, fit.lengthenCount) + format(",\"either\":%s", fit.either ? "true" : "false");
        break;
    default:
        break;
    }
    json += ",\"dropped\":[";
    for (int i = 0; i < fit.droppedCount; ++i)
        json += format("%s{\"line\":%d,\"text\":%s}", i > 0 ? "," : "", fit.dropped[i],
                       fit.droppedHeldText[i] ? "true" : "false");
    return json + "]}";
}

} // namespace

std::string fitTable(const LanguageTable& table, const FitResult& fit, const FitVerdicts& verdicts)
{
    std::string text, apart;
    for (std::int32_t e = 0; e < fit.count; ++e) {
        const LanguageEntry& entry = table.entries[e];
        const FitOutcome& out = fit.entries[e];
        const LanguageFit& verdict = verdicts.languages[e];
        // No lines could change it: said apart, after the count.
        if (keepsOwnWarning(verdict)) {
            apart += terminalText(ownWarningLine(entry.name, verdict)) + "\n";
            continue;
        }
        const std::string reason = fitReason(verdict);
        // Padded while still one byte per character.
        std::string row = format("%2d  %-10s  %4d chars  ", e + 1, entry.name, static_cast<int>(entry.length));
        if (verdict.fits())
            row += format("replaced, fill factor %d", out.fillFactor) + (reason.empty() ? "" : ", " + reason);
        else if (out.replaced)
            row += format("replaced, fill factor %d, but not every line: ", out.fillFactor) + reason;
        else
            row += "not replaced: " + reason;
        text += terminalText(row) + "\n";
    }
    return text + fitCountLine(verdicts) + "\n" + apart;
}

std::string fitJsonLanguages(const LanguageTable& table, const FitResult& fit, const FitVerdicts& verdicts)
{
    std::string json = "[";
    for (std::int32_t e = 0; e < fit.count; ++e) {
        const LanguageEntry& entry = table.entries[e];
        const FitOutcome& out = fit.entries[e];
        const LanguageFit& verdict = verdicts.languages[e];
        if (e > 0)
            json += ",";
        json += format("{\"number\":%d,\"name\":", e + 1) + jsonString(entry.name) +
                format(",\"start\":%d,\"length\":%d,\"replaced\":%s", static_cast<int>(entry.start),
                       static_cast<int>(entry.length), out.replaced ? "true" : "false");
        if (out.replaced)
            json += format(",\"fill_factor\":%d,\"lines_skipped\":%d", out.fillFactor, out.linesSkipped());
        json += format(",\"candidate_length\":%d", static_cast<int>(out.candidateLength));
        if (!verdict.fits())
            json += ",\"reason\":" + jsonString(fitReason(verdict));
        json += format(",\"fits\":%s,\"replaceable\":%s,\"advice\":", verdict.fits() ? "true" : "false",
                       keepsOwnWarning(verdict) ? "false" : "true") +
                adviceJson(verdict);
        if (out.replaced)
            json += ",\"text\":" + jsonString(out.candidate);
        json += "}";
    }
    return json + "]";
}

std::string shownTexts(const LanguageTable& table, const FitResult& fit)
{
    std::string text;
    for (std::int32_t e = 0; e < fit.count; ++e) {
        const FitOutcome& out = fit.entries[e];
        text += terminalText(format("%2d  %s", e + 1, table.entries[e].name)) + "\n";
        if (!out.replaced) {
            text += "    (not replaced: the firmware's own text stays)\n\n";
            continue;
        }
        // Between bars, so that the centring spaces show, each line padded
        // to the language's widest so that the frame is straight. Padded
        // while still one byte per character.
        std::vector<std::string> shown;
        const std::string candidate = out.candidate;
        for (std::size_t begin = 0;;) {
            const std::size_t end = candidate.find('\n', begin);
            shown.push_back(candidate.substr(begin, end - begin));
            if (end == std::string::npos)
                break;
            begin = end + 1;
        }
        std::size_t width = 0;
        for (const std::string& line : shown)
            width = std::max(width, line.size());
        for (std::string& line : shown)
            text += "    |" + terminalText(line.append(width - line.size(), ' ')) + "|\n";
        text += "\n";
    }
    return text;
}

#include "cli/fit_report.h"

#include <cstdio>

#include "cli/ansi_text.h"
#include "engine/warning_lines.h"

namespace {

std::string format(const char* fmt, auto... args)
{
    char text[256];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

// Why a text is not replaced, with the numbers that tell what to change.
std::string reasonFor(const LanguageEntry& entry, const FitOutcome& out, const WarningLines& lines)
{
    if (!out.located)
        return "not located in the firmware";
    if (out.linesUsed == 0)
        return format("line 1 has %d characters, this text holds %d", static_cast<int>(lines.lineEnds[0]),
                      static_cast<int>(entry.length));
    return format("the text needs %d characters, your lines fill at most %d: add text or lines",
                  static_cast<int>(entry.length), static_cast<int>(out.candidateLength));
}

} // namespace

std::string fitTable(const LanguageTable& table, const FitResult& fit, const WarningLines& lines)
{
    std::string text;
    for (std::int32_t e = 0; e < fit.count; ++e) {
        const LanguageEntry& entry = table.entries[e];
        const FitOutcome& out = fit.entries[e];
        // Padded while still one byte per character.
        std::string row = format("%2d  %-10s  %4d chars  ", e + 1, entry.name, static_cast<int>(entry.length));
        if (out.replaced)
            row += format("replaced, fill factor %d, %d line(s) skipped", out.fillFactor, out.linesSkipped());
        else
            row += "not replaced: " + reasonFor(entry, out, lines);
        text += terminalText(row) + "\n";
    }
    text += format("%d of %d languages fit\n", static_cast<int>(fit.count - fit.failures),
                   static_cast<int>(fit.count));
    return text;
}

std::string fitJsonLanguages(const LanguageTable& table, const FitResult& fit, const WarningLines& lines)
{
    std::string json = "[";
    for (std::int32_t e = 0; e < fit.count; ++e) {
        const LanguageEntry& entry = table.entries[e];
        const FitOutcome& out = fit.entries[e];
        if (e > 0)
            json += ",";
        json += format("{\"number\":%d,\"name\":", e + 1) + jsonString(entry.name) +
                format(",\"start\":%d,\"length\":%d,\"replaced\":%s", static_cast<int>(entry.start),
                       static_cast<int>(entry.length), out.replaced ? "true" : "false");
        if (out.replaced)
            json += format(",\"fill_factor\":%d,\"lines_skipped\":%d", out.fillFactor, out.linesSkipped());
        json += format(",\"candidate_length\":%d", static_cast<int>(out.candidateLength));
        if (!out.replaced)
            json += ",\"reason\":" + jsonString(reasonFor(entry, out, lines));
        json += "}";
    }
    return json + "]";
}

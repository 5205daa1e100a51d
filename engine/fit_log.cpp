#include "engine/fit_log.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/fit_advice.h"
#include "engine/fit_summary.h"
#include "engine/fitting.h"
#include "engine/language_table.h"
#include "engine/warning_lines.h"
#include "log/run_log.h"

namespace {

// The run log's file name as the user finds it in the folder: on Windows
// names are matched without regard to case and the usual one is kept; on
// other systems the name must be the file's own, wendrix.LOG.
std::string logFileName()
{
#ifdef _WIN32
    return "wendrix.log";
#else
    if (!runLog)
        return "wendrix.log";
    const char* path = runLog->path;
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
#endif
}

void logLine(const char* text)
{
    if (runLog)
        runLog->writeLine(text);
}

} // namespace

void reportFitPass(platform::WindowHandle owner, const WarningLines& lines, const LanguageTable& table,
                   const FitResult& result, const FitVerdicts& verdicts)
{
    char text[160];
    logLine("--- Lines ---");
    for (int i = 0; i < WarningLines::kCount; ++i) {
        std::snprintf(text, sizeof text, "Line-%d: %3d %s", i + 1, lines.lineEnd(i), lines.lineText(i));
        logLine(text);
    }
    logLine("");
    logLine("--- Result ---");

    for (std::int32_t e = 0; e < result.count; ++e) {
        const LanguageEntry& entry = table.entries[e];
        const FitOutcome& out = result.entries[e];
        if (out.replaced)
            std::snprintf(text, sizeof text, "%-10s %3d chars replaced, %d line(s) skipped, fill factor %d",
                          entry.name, static_cast<int>(out.candidateLength), out.linesSkipped(), out.fillFactor);
        else
            std::snprintf(text, sizeof text, "%-10s not replaced, %d chars could not replace %d chars", entry.name,
                          static_cast<int>(out.candidateLength), entry.length);
        logLine(text);
    }

    // Each language that does not show every line, with what to change;
    // those that keep the receiver's own warning apart, at the end, as no
    // lines could change them.
    if (verdicts.fitting < verdicts.count) {
        // "Not processed" counts the texts left as they were; when every
        // text was written, some without a line, the count says so instead.
        std::string message =
            (result.failures > 0 ? std::to_string(result.failures) + " of " + std::to_string(verdicts.count) +
                                       " languages not processed"
                                 : fitCountLine(verdicts)) +
            "\nSee " + logFileName() + " for more information\n";
        std::string apart;
        for (int e = 0; e < verdicts.count; ++e) {
            const LanguageFit& fit = verdicts.languages[e];
            if (keepsOwnWarning(fit))
                apart.append("\n").append(summaryLine(table.entries[e].name, fit));
            else if (!fit.fits())
                message.append("\n").append(summaryLine(table.entries[e].name, fit));
        }
        if (!apart.empty() && message.back() != '\n')
            message += "\n";
        message += apart;
        platform::messageBox(owner, message.c_str(), "Zarnek Wendrix", platform::MbIconInformation);
    }
    logLine("");
}

int fitAndReplace(platform::WindowHandle owner, FirmwareImage& image, std::int32_t langCount, FitResult* outcome)
{
    FitResult local;
    FitResult& result = outcome ? *outcome : local;
    fitTexts(warningLines, languageTable, image, langCount, result);
    FitVerdicts verdicts;
    judgeAll(warningLines, languageTable, result, verdicts);
    replaceTexts(languageTable, result, image);
    reportFitPass(owner, warningLines, languageTable, result, verdicts);
    return 1;
}

#include "engine/fit_summary.h"

#include "engine/warning_lines.h"

bool keepsOwnWarning(const LanguageFit& fit)
{
    return fit.kind == FitKind::TextTooLong;
}

FitCount countFit(const FitVerdicts& verdicts)
{
    FitCount count;
    count.languages = verdicts.count;
    for (int e = 0; e < verdicts.count; ++e) {
        const LanguageFit& fit = verdicts.languages[e];
        if (keepsOwnWarning(fit))
            ++count.ownWarning;
        else if (fit.fits())
            ++count.showing;
    }
    count.canTake = count.languages - count.ownWarning;
    return count;
}

std::string fitCountLine(const FitVerdicts& verdicts)
{
    const FitCount count = countFit(verdicts);
    if (count.ownWarning == 0)
        return (count.showing == count.languages && count.languages > 1
                    ? "All " + std::to_string(count.languages)
                    : std::to_string(count.showing) + " of " + std::to_string(count.languages)) +
               " languages show every line";
    return std::to_string(count.showing) + " of " + std::to_string(count.canTake) +
           " languages that can take a text show every line (" + std::to_string(count.ownWarning) +
           (count.ownWarning == 1 ? " keeps its" : " keep their") + " own warning)";
}

std::string ownWarningLine(const char* name, const LanguageFit& fit)
{
    return std::string(name) + " keeps the receiver's own warning: its text has " + std::to_string(fit.length) +
           " characters, and seven lines fill at most " + std::to_string(kMostFillable) + ".";
}

std::string summaryLine(const char* name, const LanguageFit& fit)
{
    if (keepsOwnWarning(fit))
        return ownWarningLine(name, fit);
    if (!fit.replaced || !fit.lostText())
        return std::string(name) + ": " + fitReason(fit);
    int lost[WarningLines::kCount], count = 0;
    for (int i = 0; i < fit.droppedCount; ++i)
        if (fit.droppedHeldText[i])
            lost[count++] = fit.dropped[i];
    return std::string(name) + ": written, but " + lineList(lost, count) + " left out: " + fitReason(fit, false);
}

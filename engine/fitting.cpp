#include "engine/fitting.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/firmware_image.h"
#include "engine/fit_advice.h"
#include "engine/language_table.h"
#include "engine/warning_lines.h"
#include "log/run_log.h"

namespace {

constexpr int kFirstFill = 10;
constexpr int kLastFill = 24;

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

// The candidate text for one fill factor, built in a fixed buffer. A text
// that would not fit the buffer is marked as overflowed and never accepted.
struct Candidate {
    char text[kCandidateSize];
    std::size_t length = 0;
    bool overflowed = false;

    void append(const char* bytes, std::size_t n)
    {
        if (overflowed || n > sizeof text - 1 - length) {
            overflowed = true;
            return;
        }
        std::memcpy(text + length, bytes, n);
        length += n;
    }
    void appendSpaces(std::size_t n)
    {
        static const char kSpaces[] = "                                                  ";
        while (n > 0) {
            const std::size_t chunk = n < sizeof kSpaces - 1 ? n : sizeof kSpaces - 1;
            append(kSpaces, chunk);
            n -= chunk;
        }
    }
};

// Builds the candidate of the first `n` lines for fill factor `fill` and a
// text of `target` characters: each line centred by its share of the slack,
// lines joined by line feeds.
void buildCandidate(Candidate& c, const WarningLines& lines, int n, int fill, std::int32_t target)
{
    c.length = 0;
    c.overflowed = false;
    if (n < 1) {
        c.text[0] = '\0';
        return;
    }
    std::int64_t used = lines.lineEnd(n - 1);
    for (int i = 0; i < n; ++i) {
        const std::size_t length = lines.lineLength(i);
        std::int64_t want = 2 * (static_cast<std::int64_t>(fill) - static_cast<std::int64_t>(length));
        if (want < 0)
            want = 0;
        std::int64_t room = target - used;
        if (room < 0)
            room = 0;
        const std::int64_t pad = want < room ? want : room;
        used += pad;
        c.appendSpaces(static_cast<std::size_t>(pad / 2));
        c.append(lines.lineText(i), length);
        c.appendSpaces(static_cast<std::size_t>((pad + 1) / 2));
        c.append("\n", 1);
    }
    if (c.length > 0)
        --c.length; // the final line feed
    c.text[c.length] = '\0';
}

} // namespace

void fitTexts(const WarningLines& lines, const LanguageTable& table, const FirmwareImage& image,
              std::int32_t langCount, FitResult& result)
{
    // Nothing past the table is ever read.
    result.count = langCount > LanguageTable::kCount ? LanguageTable::kCount : langCount;
    if (result.count < 0)
        result.count = 0;
    result.failures = 0;
    Candidate candidate;
    std::int32_t lastLength = 0; // length of the most recent candidate of this pass

    for (std::int32_t e = 0; e < result.count; ++e) {
        const LanguageEntry& entry = table.entries[e];
        FitOutcome& out = result.entries[e];
        out = FitOutcome();
        const std::int32_t target = entry.length;
        // Only a text that lies wholly inside this image, with its NUL, is touched.
        out.located = image.bytes && entry.start >= 0 && target > 0 &&
                      static_cast<std::uint64_t>(entry.start) + static_cast<std::uint64_t>(target) <=
                          image.size;
        if (out.located) {
            int n = WarningLines::kCount;
            while (n > 0 && lines.lineEnd(n - 1) > target)
                --n;
            out.linesUsed = n;
            for (int fill = kFirstFill; fill <= kLastFill; ++fill) {
                buildCandidate(candidate, lines, n, fill, target);
                lastLength = static_cast<std::int32_t>(candidate.length);
                if (!candidate.overflowed && candidate.length == static_cast<std::size_t>(target)) {
                    std::memcpy(out.candidate, candidate.text, candidate.length + 1);
                    out.replaced = true;
                    out.fillFactor = fill;
                    break;
                }
            }
        }
        out.candidateLength = lastLength;
        if (!out.replaced)
            ++result.failures;
    }
}

int fitAndReplace(platform::WindowHandle owner, FirmwareImage& image, std::int32_t langCount,
                  FitResult* outcome)
{
    const WarningLines& lines = warningLines;
    char text[160];

    logLine("--- Lines ---");
    for (int i = 0; i < WarningLines::kCount; ++i) {
        std::snprintf(text, sizeof text, "Line-%d: %3d %s", i + 1, lines.lineEnd(i), lines.lineText(i));
        logLine(text);
    }
    logLine("");
    logLine("--- Result ---");

    FitResult local;
    FitResult& result = outcome ? *outcome : local;
    fitTexts(lines, languageTable, image, langCount, result);

    for (std::int32_t e = 0; e < result.count; ++e) {
        const LanguageEntry& entry = languageTable.entries[e];
        const FitOutcome& out = result.entries[e];
        if (out.replaced) {
            // The candidate and its NUL: the byte after the text is the NUL
            // that already ended it.
            std::memcpy(image.bytes + entry.start, out.candidate,
                        static_cast<std::size_t>(entry.length) + 1);
            std::snprintf(text, sizeof text,
                          "%-10s %3d chars replaced, %d line(s) skipped, fill factor %d", entry.name,
                          static_cast<int>(out.candidateLength), out.linesSkipped(), out.fillFactor);
        } else {
            std::snprintf(text, sizeof text, "%-10s not replaced, %d chars could not replace %d chars",
                          entry.name, static_cast<int>(out.candidateLength), entry.length);
        }
        logLine(text);
    }

    // A language that loses a line of text is not processed either. The
    // message names each one with what to change, after the usual lines.
    FitVerdicts verdicts;
    judgeAll(lines, languageTable, result, verdicts);
    if (verdicts.fitting < verdicts.count) {
        std::snprintf(text, sizeof text, "%d of %d languages not processed\nSee %s for more information",
                      verdicts.count - verdicts.fitting, verdicts.count, logFileName().c_str());
        std::string message = text;
        message += "\n";
        for (std::int32_t e = 0; e < result.count; ++e)
            if (!verdicts.languages[e].fits())
                message += std::string("\n") + languageTable.entries[e].name + ": " +
                           fitReason(verdicts.languages[e]);
        platform::messageBox(owner, message.c_str(), "Zarnek Wendrix", platform::MbIconInformation);
    }
    logLine("");
    return 1;
}

// The arrangement search of `suggest` on arbitrary words and text lengths.
// What must always hold for an arrangement it returns: its lines are the
// owner's words in order, at most seven lines of at most 29 characters, and
// the fitting pass run on those lines shows every line in exactly as many
// languages as the search claims.
//
// Input: a byte for the number of texts (0 to 14), two bytes for each
// length (0 to 400, little-endian), then the owner's text up to a NUL byte
// (the command line and the dialog cannot pass one), split into words.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/arrangement.h"
#include "engine/fit_advice.h"
#include "engine/fitting.h"
#include "engine/language_table.h"
#include "engine/line_check.h"
#include "engine/warning_lines.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The search judges each arrangement with a fitting pass over every text:
// up to C(n + 6, 6) arrangements of n words (3003 for eight, 18564 for
// twelve), and never more than 20000, after which it stops and says so.
// Inputs past this many text fittings are left out, so that one input takes
// well under a second even under the sanitizers (a fitting of one text takes
// tens of microseconds there): any number of words for one text, fewer as
// the texts grow to fourteen.
constexpr std::uint64_t kMostTextFittings = 30000;
constexpr std::uint64_t kMostJudged = 20000;

std::uint64_t mostJudged(std::size_t words)
{
    if (words > 12)
        return kMostJudged;
    // C(words + 6, 6), computed in steps that stay whole numbers.
    std::uint64_t count = 1;
    for (std::uint64_t k = 1; k <= 6; ++k)
        count = count * (words + k) / k;
    return std::min(count, kMostJudged);
}

std::string joinedBySpaces(const std::vector<std::string>& parts)
{
    std::string joined;
    for (const std::string& part : parts) {
        if (part.empty())
            continue;
        if (!joined.empty())
            joined += ' ';
        joined += part;
    }
    return joined;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    const int count = input.byte() % (LanguageTable::kCount + 1);
    std::int32_t lengths[LanguageTable::kCount] = {};
    for (int e = 0; e < count; ++e) {
        const unsigned low = input.byte();
        const unsigned high = input.byte();
        lengths[e] = static_cast<std::int32_t>((low | high << 8) % 401);
    }
    const std::string text = input.text();

    // The words are the text's runs of non-blanks, every one of them.
    const std::vector<std::string> words = splitWords(text);
    std::string squeezed;
    for (char c : text)
        squeezed += c == '\t' ? ' ' : c;
    std::vector<std::string> runs;
    std::size_t from = 0;
    while (from <= squeezed.size()) {
        const std::size_t blank = std::min(squeezed.find(' ', from), squeezed.size());
        runs.push_back(squeezed.substr(from, blank - from));
        from = blank + 1;
    }
    FUZZ_CHECK(joinedBySpaces(words) == joinedBySpaces(runs));
    for (const std::string& word : words)
        FUZZ_CHECK(!word.empty() && word.find_first_of(" \t") == std::string::npos);
    if (mostJudged(words.size()) * static_cast<std::uint64_t>(std::max(count, 1)) > kMostTextFittings)
        return 0;

    Arrangement best;
    const bool found = findArrangement(words, lengths, count, best);
    // The words can be arranged exactly when none is too long for a line and
    // filling each line with as many as it takes needs at most seven.
    bool arrangeable = !words.empty();
    int linesNeeded = 0;
    std::size_t lineLength = 0;
    for (const std::string& word : words) {
        // Each word must be a line by itself: what the line check takes.
        arrangeable = arrangeable && checkAnsiLine(word).ok();
        if (linesNeeded == 0 || lineLength + 1 + word.size() > kLineCharacters) {
            ++linesNeeded;
            lineLength = word.size();
        } else {
            lineLength += 1 + word.size();
        }
    }
    arrangeable = arrangeable && linesNeeded <= WarningLines::kCount;
    FUZZ_CHECK(found == arrangeable);
    if (!found)
        return 0;

    // The owner's words, in order, at most seven lines of at most 29 characters.
    std::vector<std::string> lineTexts;
    for (const CheckedLine& line : best.lines)
        lineTexts.emplace_back(line.text());
    FUZZ_CHECK(joinedBySpaces(lineTexts) == joinedBySpaces(words));
    int lastTextLine = 0;
    WarningLines lines;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        if (!best.lines[i].empty())
            lastTextLine = i + 1;
        lines.setLine(i, best.lines[i]);
    }
    FUZZ_CHECK(best.lineCount == lastTextLine);
    FUZZ_CHECK(best.tried > 0);
    // A search cut short looked at fewer than all and says how many.
    FUZZ_CHECK(best.tried <= best.total);
    FUZZ_CHECK(!best.cutShort || best.tried < best.total);
    FUZZ_CHECK(best.cutShort == !searchedNote(best).empty());

    // The fitting pass it claims: the same lines, judged language by language.
    FitResult result;
    fitLengths(lines, lengths, count, result);
    LanguageTable table{};
    for (int e = 0; e < count; ++e)
        table.entries[e].length = lengths[e];
    FitVerdicts verdicts;
    judgeAll(lines, table, result, verdicts);
    FUZZ_CHECK(verdicts.count == count);
    FUZZ_CHECK(verdicts.fitting == best.fitting);
    FUZZ_CHECK(best.fitting >= 0 && best.fitting <= count);
    return 0;
}

// The arrangement search of `suggest` on arbitrary words and text lengths.
// What must always hold: a word longer than a line is split after its last
// mark that leaves two parts of at most 29, or the text is refused; an
// arrangement returned holds the owner's words in order, at most seven lines
// of at most 29 characters, with the two parts of a split word on lines of
// their own; the fitting pass run on those lines shows every line in exactly
// as many languages as the search claims; and the breaks inside groups it
// claims are those of its lines.
//
// Input: a byte for the number of texts (0 to 14), two bytes for each
// length (0 to 400, little-endian), then the owner's text up to a NUL byte
// (the command line and the dialog cannot pass one): pieces separated by
// line feeds (one argument or one typed line each), split into words.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/arrangement.h"
#include "engine/fit_advice.h"
#include "engine/fitting.h"
#include "engine/language_table.h"
#include "engine/line_check.h"
#include "engine/owner_words.h"
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

std::vector<std::string> piecesOf(const std::string& text)
{
    std::vector<std::string> pieces(1);
    for (char c : text) {
        if (c == '\n')
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    return pieces;
}

// Every place a long word could be split: after a mark, both parts 1 to 29.
std::vector<std::size_t> splitPoints(const std::string& word)
{
    std::vector<std::size_t> points;
    for (std::size_t head = 1; head < word.size(); ++head)
        if (std::strchr("@.-/", word[head - 1]) && head <= kLineCharacters && word.size() - head <= kLineCharacters)
            points.push_back(head);
    return points;
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
    const std::vector<std::string> pieces = piecesOf(text);

    // The words are the pieces' runs of non-blanks, every one of them.
    std::vector<std::string> given;
    std::string runs;
    for (const std::string& piece : pieces) {
        for (const std::string& word : splitWords(piece)) {
            FUZZ_CHECK(!word.empty() && word.find_first_of(" \t") == std::string::npos);
            given.push_back(word);
        }
        std::string squeezed;
        for (char c : piece)
            squeezed += c == '\t' ? ' ' : c;
        runs += ' ' + squeezed;
    }
    std::vector<std::string> runWords;
    for (std::size_t from = 0; from <= runs.size();) {
        const std::size_t blank = std::min(runs.find(' ', from), runs.size());
        runWords.push_back(runs.substr(from, blank - from));
        from = blank + 1;
    }
    FUZZ_CHECK(joinedBySpaces(given) == joinedBySpaces(runWords));

    // Refused exactly when a long word has no place to split; else split at
    // the last such place, the two parts side by side.
    LongWord refused;
    const std::optional<OwnerWords> owner = OwnerWords::fromPieces(pieces, &refused);
    bool splittable = true;
    for (const std::string& word : given)
        if (word.size() > kLineCharacters && splitPoints(word).empty())
            splittable = false;
    FUZZ_CHECK(owner.has_value() == splittable);
    if (!owner) {
        FUZZ_CHECK(refused.word.size() > kLineCharacters && refused.head.empty() && splitPoints(refused.word).empty());
        return 0;
    }
    const std::vector<std::string>& words = owner->words();
    std::vector<std::string> rejoined;
    for (std::size_t w = 0; w < words.size(); ++w) {
        FUZZ_CHECK(!words[w].empty() && words[w].size() <= kLineCharacters);
        if (w > 0 && owner->splitAfter(w - 1))
            rejoined.back() += words[w];
        else
            rejoined.push_back(words[w]);
    }
    FUZZ_CHECK(rejoined == given);
    std::size_t splits = 0;
    for (const std::string& word : given) {
        if (word.size() <= kLineCharacters)
            continue;
        const LongWord& split = owner->splits().at(splits++);
        FUZZ_CHECK(split.word == word && split.head + split.tail == word);
        FUZZ_CHECK(split.head.size() == splitPoints(word).back());
    }
    FUZZ_CHECK(splits == owner->splits().size());
    for (std::size_t g = 0; g < owner->groups().size(); ++g) {
        const WordGroup& group = owner->groups()[g];
        FUZZ_CHECK(group.first < group.last && group.last < words.size());
        if (g > 0) {
            const WordGroup& before = owner->groups()[g - 1];
            FUZZ_CHECK(before.first < group.first || (before.first == group.first && before.last < group.last));
        }
    }

    if (mostJudged(words.size()) * static_cast<std::uint64_t>(std::max(count, 1)) > kMostTextFittings)
        return 0;

    Arrangement best;
    const bool found = findArrangement(*owner, lengths, count, best);
    // The words can be arranged exactly when filling each line with as many
    // as it takes needs at most seven.
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
    FUZZ_CHECK(found == (arrangeable && linesNeeded <= WarningLines::kCount));
    if (!found)
        return 0;

    // The owner's words, in order, at most seven lines of at most 29
    // characters; each word on the line said, the lines in order.
    std::vector<std::string> lineTexts;
    for (const CheckedLine& line : best.lines)
        lineTexts.emplace_back(line.text());
    FUZZ_CHECK(joinedBySpaces(lineTexts) == joinedBySpaces(words));
    FUZZ_CHECK(best.wordLines.size() == words.size());
    std::vector<std::string> byLine(WarningLines::kCount);
    for (std::size_t w = 0; w < words.size(); ++w) {
        const int line = best.wordLines[w];
        FUZZ_CHECK(line >= 1 && line <= WarningLines::kCount);
        FUZZ_CHECK(w == 0 || line >= best.wordLines[w - 1]);
        FUZZ_CHECK(!owner->splitAfter(w) || best.wordLines[w + 1] > line);
        std::string& on = byLine[static_cast<std::size_t>(line - 1)];
        on += (on.empty() ? "" : " ") + words[w];
    }
    int lastTextLine = 0;
    WarningLines lines;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        FUZZ_CHECK(best.lines[i].text() == byLine[static_cast<std::size_t>(i)]);
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

    // The breaks it claims: per group, the lines between its first and last
    // word, less the splits of long words inside it; the groups it names as
    // broken are those with any.
    int breaks = 0;
    std::size_t broken = 0;
    for (const WordGroup& group : owner->groups()) {
        int span = best.wordLines[group.last] - best.wordLines[group.first];
        for (std::size_t w = group.first; w < group.last; ++w)
            span -= owner->splitAfter(w) ? 1 : 0;
        FUZZ_CHECK(span >= 0);
        breaks += span;
        broken += span > 0 ? 1 : 0;
    }
    FUZZ_CHECK(best.breaks == breaks);
    FUZZ_CHECK(brokenGroups(*owner, best).size() == broken);

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

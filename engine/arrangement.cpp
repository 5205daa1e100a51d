#include "engine/arrangement.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "engine/fit_advice.h"
#include "engine/warning_lines.h"

namespace {

constexpr int kSlots = WarningLines::kCount;

// Judging an arrangement is a fitting pass over every text; looking at one
// costs next to nothing. Past these many of each the search stops: a few
// tenths of a second for fourteen texts. Every arrangement of twelve words
// (at most 18564) can still be judged.
constexpr int kMostJudged = 20000;
constexpr int kMostLooked = 200000;

// Smaller is better: the spread of the text lines' lengths, then the sum of
// their squares (which favours equal lengths among equal spreads).
struct Evenness {
    std::size_t spread = 0;
    std::size_t squares = 0;
    bool operator<(const Evenness& o) const
    {
        return spread != o.spread ? spread < o.spread : squares < o.squares;
    }
};

Evenness evennessOf(const std::vector<CheckedLine>& lines)
{
    Evenness e;
    std::size_t shortest = kLineCharacters, longest = 0;
    for (const CheckedLine& g : lines) {
        shortest = std::min(shortest, g.size());
        longest = std::max(longest, g.size());
        e.squares += g.size() * g.size();
    }
    e.spread = longest - shortest;
    return e;
}

// The fewest lines of at most 29 characters that words[i..] take, for every
// i (filling each line with as many words as it holds needs fewest), and
// how many ways there are to break them into exactly k lines.
class Breaks {
public:
    explicit Breaks(const std::vector<std::string>& words) : words_(words), fewest_(words.size() + 1, 0)
    {
        for (std::size_t i = words.size(); i-- > 0;) {
            std::size_t line = 0;
            fewest_[i] = kSlots + 1;
            for (std::size_t to = i; to < words.size(); ++to) {
                line += (to > i ? 1 : 0) + words[to].size();
                if (line > kLineCharacters)
                    break;
                fewest_[i] = std::min(fewest_[i], fewest_[to + 1] + 1);
            }
        }
    }

    std::size_t fewest(std::size_t from) const { return fewest_[from]; }

    // Breaks into k lines times the ways to place k lines into seven slots.
    std::int64_t arrangements() const
    {
        const std::size_t n = words_.size();
        // ways[i][k]: breaks of words[i..] into exactly k lines.
        std::vector<std::array<std::int64_t, kSlots + 1>> ways(n + 1);
        ways[n][0] = 1;
        for (std::size_t i = n; i-- > 0;) {
            std::size_t line = 0;
            for (std::size_t to = i; to < n; ++to) {
                line += (to > i ? 1 : 0) + words_[to].size();
                if (line > kLineCharacters)
                    break;
                for (int k = 1; k <= kSlots; ++k)
                    ways[i][k] += ways[to + 1][k - 1];
            }
        }
        static constexpr std::int64_t kPlacings[kSlots + 1] = {1, 7, 21, 35, 35, 21, 7, 1};
        std::int64_t total = 0;
        for (int k = 1; k <= kSlots; ++k)
            total += ways[0][k] * kPlacings[k];
        return total;
    }

private:
    const std::vector<std::string>& words_;
    std::vector<std::size_t> fewest_;
};

// Looks at the arrangements level by level, a level being those whose last
// line of text is on the same line: first every arrangement ending on line
// 1, then on line 2, and so on. Within a level the order is that of
// breaking the words (shorter first lines first) and then of placing the
// lines (lower slots first). It does so twice: first only the arrangements
// that break no group, then the others; with no groups the first time is
// all there is. An arrangement on a later level wins only by more languages
// or fewer breaks, so once one shows every line in every language that can
// take any text, with no break, the levels after it are not looked at.
class Search {
public:
    Search(const OwnerWords& text, const LengthTexts& texts, int mostFitting, Arrangement& best)
        : words_(text.words()), breaks_(words_), texts_(texts), mostFitting_(mostFitting), best_(best),
          weight_(words_.size(), 0), forced_(words_.size(), false), linesFrom_(words_.size())
    {
        for (const WordGroup& group : text.groups())
            for (std::size_t gap = group.first; gap < group.last; ++gap)
                ++weight_[gap];
        for (std::size_t gap = 0; gap < words_.size(); ++gap)
            forced_[gap] = text.splitAfter(gap);
        hasGroups_ = !text.groups().empty();
        // Each line the words can make, checked once.
        for (std::size_t from = 0; from < words_.size(); ++from) {
            std::string line;
            for (std::size_t to = from; to < words_.size(); ++to) {
                line.append(to > from ? " " : "").append(words_[to]);
                const LineCheck check = checkAnsiLine(line);
                if (!check.ok())
                    break;
                linesFrom_[from].push_back(check.line);
            }
        }
    }

    void run()
    {
        keepGroups_ = true;
        levels();
        if (stopped_ || !hasGroups_ || (found_ && best_.fitting == mostFitting_))
            return;
        keepGroups_ = false;
        levels();
    }

private:
    void levels()
    {
        for (level_ = 1; level_ <= kSlots && !stopped_; ++level_) {
            lines_.clear();
            lastWords_.clear();
            breakWords(0, 0);
            if (found_ && best_.fitting == mostFitting_ && best_.breaks == 0)
                break;
        }
    }

    // Whether an arrangement on this level with at least `breaks` breaks
    // can no longer win, however many languages it serves.
    bool beaten(int breaks) const
    {
        if (!found_ || best_.fitting != mostFitting_)
            return false;
        return breaks > best_.breaks || (breaks == best_.breaks && level_ > best_.lineCount);
    }

    // Every way to break words[from..] into lines of at most 29 characters,
    // no more lines than the level has. `breaks` counts the line ends so far
    // inside groups, as if the lines had no empty lines between them.
    void breakWords(std::size_t from, int breaks)
    {
        if (stopped_)
            return;
        if (from == words_.size()) {
            placeLines();
            return;
        }
        if (lines_.size() + breaks_.fewest(from) > static_cast<std::size_t>(level_))
            return;
        const std::vector<CheckedLine>& startingHere = linesFrom_[from];
        for (std::size_t to = from; to < from + startingHere.size() && !stopped_; ++to) {
            int more = 0;
            if (to + 1 < words_.size() && !forced_[to]) {
                if (keepGroups_ && weight_[to] > 0)
                    continue;
                more = weight_[to];
            }
            if (beaten(breaks + more))
                continue;
            lines_.push_back(startingHere[to - from]);
            lastWords_.push_back(to);
            breakWords(to + 1, breaks + more);
            lines_.pop_back();
            lastWords_.pop_back();
        }
    }

    // Every placing of the lines, in order, into the slots, the last one on
    // the level's line.
    void placeLines()
    {
        const int k = static_cast<int>(lines_.size());
        const int last = level_;
        const unsigned top = 1u << (last - 1);
        const Evenness evenness = evennessOf(lines_);
        int slots[kSlots];
        for (unsigned mask = top; mask < (top << 1); ++mask) {
            if (__builtin_popcount(mask) != k)
                continue;
            for (int slot = 0, next = 0; slot < kSlots; ++slot)
                if (mask & (1u << slot))
                    slots[next++] = slot;
            int breaks = 0;
            for (int j = 0; j + 1 < k; ++j) {
                const std::size_t gap = lastWords_[static_cast<std::size_t>(j)];
                breaks += weight_[gap] * (slots[j + 1] - slots[j] - (forced_[gap] ? 1 : 0));
            }
            // Each arrangement is looked at once: those that break no group
            // the first time, the others the second.
            if (keepGroups_ != (breaks == 0))
                continue;
            if (best_.tried == kMostLooked) {
                stop();
                return;
            }
            // Not even every language could make this one better.
            if (!better(mostFitting_, breaks, last, evenness)) {
                ++best_.tried;
                continue;
            }
            WarningLines lines;
            std::uint64_t key = 0;
            for (int slot = 0, next = 0; slot < kSlots; ++slot) {
                std::size_t length = 0;
                if (mask & (1u << slot)) {
                    const CheckedLine& text = lines_[static_cast<std::size_t>(next++)];
                    lines.setLine(slot, text);
                    length = text.size();
                }
                key = key << 5 | length;
            }
            // Only the lines' lengths matter to the fitting pass.
            int fitting;
            if (const auto known = judged_.find(key); known != judged_.end()) {
                fitting = known->second;
            } else {
                if (static_cast<int>(judged_.size()) == kMostJudged) {
                    stop();
                    return;
                }
                FitResult result;
                texts_.fit(lines, result);
                fitting = 0;
                for (int e = 0; e < texts_.count(); ++e)
                    if (result.entries[e].replaced && result.entries[e].linesUsed >= last)
                        ++fitting;
                judged_.emplace(key, fitting);
            }
            ++best_.tried;
            if (!better(fitting, breaks, last, evenness))
                continue;
            found_ = true;
            bestEvenness_ = evenness;
            best_.fitting = fitting;
            best_.breaks = breaks;
            best_.lineCount = last;
            for (int slot = 0; slot < kSlots; ++slot)
                best_.lines[slot] = lines.line(slot);
            best_.wordLines.assign(words_.size(), 0);
            for (std::size_t j = 0, word = 0; j < lines_.size(); ++j)
                for (; word <= lastWords_[j]; ++word)
                    best_.wordLines[word] = slots[j] + 1;
        }
    }

    void stop()
    {
        stopped_ = true;
        best_.cutShort = true;
    }

    bool better(int fitting, int breaks, int lineCount, const Evenness& evenness) const
    {
        if (!found_)
            return true;
        if (fitting != best_.fitting)
            return fitting > best_.fitting;
        if (breaks != best_.breaks)
            return breaks < best_.breaks;
        if (lineCount != best_.lineCount)
            return lineCount < best_.lineCount;
        return evenness < bestEvenness_;
    }

    const std::vector<std::string>& words_;
    const Breaks breaks_;
    const LengthTexts& texts_;
    const int mostFitting_;
    Arrangement& best_;
    std::vector<int> weight_;   // per gap after a word: the groups it lies in
    std::vector<bool> forced_;  // per gap: between the two parts of a long word
    // linesFrom_[i][k]: words i to i + k as one line, for every such line
    // the line check takes.
    std::vector<std::vector<CheckedLine>> linesFrom_;
    bool hasGroups_ = false;
    bool keepGroups_ = true;
    std::vector<CheckedLine> lines_;      // the lines of the break being built
    std::vector<std::size_t> lastWords_;  // the last word of each of them
    std::unordered_map<std::uint64_t, int> judged_; // fitting languages by line lengths
    int level_ = 1;
    bool found_ = false;
    bool stopped_ = false;
    Evenness bestEvenness_;
};

} // namespace

std::string searchedNote(const Arrangement& best)
{
    if (!best.cutShort)
        return "";
    return "searched " + std::to_string(best.tried) + " of " + std::to_string(best.total) + " arrangements";
}

bool findArrangement(const OwnerWords& text, const std::int32_t* lengths, int count, Arrangement& best)
{
    best = Arrangement();
    const std::vector<std::string>& words = text.words();
    if (words.empty())
        return false;
    for (const std::string& word : words)
        if (word.empty() || !checkAnsiLine(word).ok())
            return false;
    const LengthTexts texts(lengths, count);
    best.total = Breaks(words).arrangements();
    if (best.total == 0)
        return false; // more than seven lines needed
    // A text that was not located (length 0) fits under no lines, nor does
    // one longer than any lines can fill.
    int mostFitting = 0;
    for (int e = 0; e < texts.count(); ++e)
        mostFitting += lengths[e] > 0 && lengths[e] <= kMostFillable ? 1 : 0;
    Search search(text, texts, mostFitting, best);
    search.run();
    return best.lineCount > 0;
}

std::vector<BrokenGroup> brokenGroups(const OwnerWords& text, const Arrangement& arrangement)
{
    std::vector<BrokenGroup> broken;
    if (arrangement.wordLines.size() != text.words().size())
        return broken;
    for (const WordGroup& group : text.groups()) {
        const int first = arrangement.wordLines[group.first];
        const int last = arrangement.wordLines[group.last];
        int splits = 0;
        for (std::size_t gap = group.first; gap < group.last; ++gap)
            splits += text.splitAfter(gap) ? 1 : 0;
        if (last - first > splits)
            broken.push_back(BrokenGroup{group, text.textOf(group), first, last});
    }
    return broken;
}

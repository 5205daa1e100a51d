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

Evenness evennessOf(const std::vector<CheckedLine>& groups)
{
    Evenness e;
    std::size_t shortest = kLineCharacters, longest = 0;
    for (const CheckedLine& g : groups) {
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
// lines (lower slots first). An arrangement on a later level only wins by
// more languages, so once one shows every line in every language that can
// take any text, the levels after it are not looked at.
class Search {
public:
    Search(const std::vector<std::string>& words, const LengthTexts& texts, int mostFitting, Arrangement& best)
        : words_(words), breaks_(words), texts_(texts), mostFitting_(mostFitting), best_(best)
    {
    }

    void run()
    {
        for (level_ = 1; level_ <= kSlots && !stopped_; ++level_) {
            std::vector<CheckedLine> groups;
            breakWords(0, groups);
            if (found_ && best_.fitting == mostFitting_)
                break;
        }
    }

private:
    // Every way to break words[from..] into lines of at most 29 characters,
    // no more lines than the level has.
    void breakWords(std::size_t from, std::vector<CheckedLine>& groups)
    {
        if (stopped_)
            return;
        if (from == words_.size()) {
            placeLines(groups);
            return;
        }
        if (groups.size() + breaks_.fewest(from) > static_cast<std::size_t>(level_))
            return;
        std::string line;
        for (std::size_t to = from; to < words_.size() && !stopped_; ++to) {
            if (to > from)
                line += ' ';
            line += words_[to];
            const LineCheck check = checkAnsiLine(line);
            if (!check.ok())
                break;
            groups.push_back(check.line);
            breakWords(to + 1, groups);
            groups.pop_back();
        }
    }

    // Every placing of the lines, in order, into the slots, the last one on
    // the level's line.
    void placeLines(const std::vector<CheckedLine>& groups)
    {
        const int k = static_cast<int>(groups.size());
        const int last = level_;
        const unsigned top = 1u << (last - 1);
        const Evenness evenness = evennessOf(groups);
        for (unsigned mask = top; mask < (top << 1); ++mask) {
            if (__builtin_popcount(mask) != k)
                continue;
            if (best_.tried == kMostLooked) {
                stop();
                return;
            }
            // Not even every language could make this one better.
            if (!better(mostFitting_, last, evenness)) {
                ++best_.tried;
                continue;
            }
            WarningLines lines;
            std::uint64_t key = 0;
            for (int slot = 0, next = 0; slot < kSlots; ++slot) {
                std::size_t length = 0;
                if (mask & (1u << slot)) {
                    const CheckedLine& group = groups[static_cast<std::size_t>(next++)];
                    lines.setLine(slot, group);
                    length = group.size();
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
            if (!better(fitting, last, evenness))
                continue;
            found_ = true;
            bestEvenness_ = evenness;
            best_.fitting = fitting;
            best_.lineCount = last;
            for (int slot = 0; slot < kSlots; ++slot)
                best_.lines[slot] = lines.line(slot);
        }
    }

    void stop()
    {
        stopped_ = true;
        best_.cutShort = true;
    }

    bool better(int fitting, int lineCount, const Evenness& evenness) const
    {
        if (!found_)
            return true;
        if (fitting != best_.fitting)
            return fitting > best_.fitting;
        if (lineCount != best_.lineCount)
            return lineCount < best_.lineCount;
        return evenness < bestEvenness_;
    }

    const std::vector<std::string>& words_;
    const Breaks breaks_;
    const LengthTexts& texts_;
    const int mostFitting_;
    Arrangement& best_;
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

std::vector<std::string> splitWords(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

bool findArrangement(const std::vector<std::string>& words, const std::int32_t* lengths, int count,
                     Arrangement& best)
{
    best = Arrangement();
    if (words.empty())
        return false;
    for (const std::string& word : words)
        if (word.empty() || !checkAnsiLine(word).ok())
            return false;
    const LengthTexts texts(lengths, count);
    best.total = Breaks(words).arrangements();
    // A text that was not located (length 0) fits under no lines.
    int mostFitting = 0;
    for (int e = 0; e < texts.count(); ++e)
        mostFitting += lengths[e] > 0 ? 1 : 0;
    Search search(words, texts, mostFitting, best);
    search.run();
    return best.lineCount > 0;
}

#include "engine/arrangement.h"

#include <algorithm>

#include "engine/fit_advice.h"
#include "engine/warning_lines.h"

namespace {

constexpr std::size_t kLineLimit = 29;
constexpr int kSlots = WarningLines::kCount;

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

Evenness evennessOf(const std::vector<std::string>& groups)
{
    Evenness e;
    std::size_t shortest = kLineLimit, longest = 0;
    for (const std::string& g : groups) {
        shortest = std::min(shortest, g.size());
        longest = std::max(longest, g.size());
        e.squares += g.size() * g.size();
    }
    e.spread = longest - shortest;
    return e;
}

class Search {
public:
    Search(const std::vector<std::string>& words, const LengthTexts& texts, Arrangement& best)
        : words_(words), texts_(texts), best_(best)
    {
    }

    void run()
    {
        std::vector<std::string> groups;
        breakWords(0, groups);
    }

private:
    // Every way to break words[from..] into lines of at most 29 characters.
    void breakWords(std::size_t from, std::vector<std::string>& groups)
    {
        if (from == words_.size()) {
            placeLines(groups);
            return;
        }
        if (groups.size() == static_cast<std::size_t>(kSlots))
            return;
        std::string line;
        for (std::size_t to = from; to < words_.size(); ++to) {
            if (to > from)
                line += ' ';
            line += words_[to];
            if (line.size() > kLineLimit)
                break;
            groups.push_back(line);
            breakWords(to + 1, groups);
            groups.pop_back();
        }
    }

    // Every placing of the lines, in order, into the seven slots.
    void placeLines(const std::vector<std::string>& groups)
    {
        const int k = static_cast<int>(groups.size());
        const Evenness evenness = evennessOf(groups);
        for (unsigned mask = 0; mask < (1u << kSlots); ++mask) {
            if (__builtin_popcount(mask) != k)
                continue;
            WarningLines lines;
            int next = 0, last = 0;
            for (int slot = 0; slot < kSlots; ++slot) {
                if (mask & (1u << slot)) {
                    lines.setLine(slot, groups[static_cast<std::size_t>(next++)].c_str());
                    last = slot + 1;
                }
            }
            ++best_.tried;
            FitResult result;
            texts_.fit(lines, result);
            int fitting = 0;
            for (int e = 0; e < texts_.count(); ++e)
                if (result.entries[e].replaced && result.entries[e].linesUsed >= last)
                    ++fitting;
            if (!better(fitting, last, evenness))
                continue;
            found_ = true;
            bestEvenness_ = evenness;
            best_.fitting = fitting;
            best_.lineCount = last;
            for (int slot = 0; slot < kSlots; ++slot)
                best_.lines[slot] = lines.lineText(slot);
        }
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
    const LengthTexts& texts_;
    Arrangement& best_;
    bool found_ = false;
    Evenness bestEvenness_;
};

} // namespace

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
        if (word.empty() || word.size() > kLineLimit)
            return false;
    const LengthTexts texts(lengths, count);
    Search search(words, texts, best);
    search.run();
    return best.lineCount > 0;
}

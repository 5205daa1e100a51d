#include "engine/owner_words.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/line_check.h"
#include "engine/warning_lines.h"

namespace {

// A phone number has at least this many digits: fewer are a year, a house
// number or a postcode, which may go anywhere.
constexpr int kPhoneDigits = 6;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A word of a phone number: digits and + - ( ) / . only.
bool isPhoneWord(const std::string& word)
{
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return isDigit(c) || std::strchr("+-()/.", c) != nullptr;
    });
}

int digitsIn(const std::string& word)
{
    return static_cast<int>(std::count_if(word.begin(), word.end(), isDigit));
}

bool startsWithNoCase(const std::string& text, const char* prefix)
{
    const std::size_t n = std::strlen(prefix);
    if (text.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

// An e-mail address (something, '@', something with a dot) or a web address.
bool isAddress(const std::string& word)
{
    const std::size_t at = word.find('@');
    if (at != std::string::npos && at > 0 && word.find('.', at + 2) != std::string::npos)
        return true;
    return word.find("://") != std::string::npos || startsWithNoCase(word, "www.");
}

// Earlier kinds name a span better: a phone number the owner put together
// is still a phone number.
int rank(GroupKind kind)
{
    return static_cast<int>(kind);
}

} // namespace

std::vector<std::string> splitWords(std::string_view text)
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

const char* groupKindName(GroupKind kind)
{
    switch (kind) {
    case GroupKind::Phone:
        return "phone";
    case GroupKind::Address:
        return "address";
    case GroupKind::Word:
        return "word";
    case GroupKind::Together:
        return "together";
    }
    return "";
}

std::size_t longWordSplit(std::string_view word)
{
    if (word.size() <= kLineCharacters)
        return 0;
    // The mark ends the first part; the second part is never empty.
    for (std::size_t i = word.size() - 1; i-- > 0;) {
        const std::size_t head = i + 1;
        if (head > kLineCharacters)
            continue;
        if (word.size() - head > kLineCharacters)
            break; // further left the second part only grows
        if (std::strchr("@.-/", word[i]) != nullptr)
            return head;
    }
    return 0;
}

std::vector<LongWord> longWordsOf(std::string_view text)
{
    std::vector<LongWord> found;
    for (const std::string& word : splitWords(text)) {
        if (word.size() <= kLineCharacters)
            continue;
        LongWord long_;
        long_.word = word;
        if (const std::size_t head = longWordSplit(word); head > 0) {
            long_.head = word.substr(0, head);
            long_.tail = word.substr(head);
        }
        found.push_back(long_);
    }
    return found;
}

std::string describeLongWord(const LongWord& word)
{
    if (word.head.empty())
        return "the word '" + word.word + "' has " + std::to_string(word.word.size()) +
               " characters, and a line holds at most " + std::to_string(kLineCharacters) +
               ": no '@', '.', '-' or '/' in it splits it into two parts of at most " +
               std::to_string(kLineCharacters);
    return "'" + word.word + "' splits after its '" + word.head.back() + "' into '" + word.head + "' and '" +
           word.tail + "'";
}

std::optional<OwnerWords> OwnerWords::fromPieces(const std::vector<std::string>& pieces, LongWord* refused)
{
    OwnerWords text;
    // Each word as given, with the span of words it became.
    struct Given {
        std::string word;
        std::size_t first, last;
    };
    std::vector<Given> given;
    for (const std::string& piece : pieces) {
        const std::size_t pieceStart = text.words_.size();
        std::size_t pieceWords = 0;
        for (const std::string& word : splitWords(piece)) {
            ++pieceWords;
            const std::size_t first = text.words_.size();
            if (word.size() <= kLineCharacters) {
                text.words_.push_back(word);
                text.splitAfter_.push_back(false);
            } else {
                const std::size_t head = longWordSplit(word);
                if (head == 0) {
                    if (refused)
                        *refused = LongWord{word, "", ""};
                    return std::nullopt;
                }
                text.splits_.push_back(LongWord{word, word.substr(0, head), word.substr(head)});
                text.words_.push_back(word.substr(0, head));
                text.splitAfter_.push_back(true);
                text.words_.push_back(word.substr(head));
                text.splitAfter_.push_back(false);
                text.groups_.push_back(
                    WordGroup{isAddress(word) ? GroupKind::Address : GroupKind::Word, first, first + 1});
            }
            given.push_back(Given{word, first, text.words_.size() - 1});
        }
        if (pieceWords > 1)
            text.groups_.push_back(WordGroup{GroupKind::Together, pieceStart, text.words_.size() - 1});
    }

    // Phone numbers: runs of such words, whatever pieces they came in, from
    // the first word with a digit to the last.
    for (std::size_t i = 0; i < given.size();) {
        if (!isPhoneWord(given[i].word)) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < given.size() && isPhoneWord(given[end].word))
            ++end;
        std::size_t first = i, last = end - 1;
        while (first < last && digitsIn(given[first].word) == 0)
            ++first;
        while (last > first && digitsIn(given[last].word) == 0)
            --last;
        int digits = 0;
        for (std::size_t w = first; w <= last; ++w)
            digits += digitsIn(given[w].word);
        if (digits >= kPhoneDigits && given[first].first < given[last].last)
            text.groups_.push_back(WordGroup{GroupKind::Phone, given[first].first, given[last].last});
        i = end;
    }

    // One group per span, named by its best kind.
    std::sort(text.groups_.begin(), text.groups_.end(), [](const WordGroup& a, const WordGroup& b) {
        if (a.first != b.first)
            return a.first < b.first;
        if (a.last != b.last)
            return a.last < b.last;
        return rank(a.kind) < rank(b.kind);
    });
    text.groups_.erase(std::unique(text.groups_.begin(), text.groups_.end(),
                                   [](const WordGroup& a, const WordGroup& b) {
                                       return a.first == b.first && a.last == b.last;
                                   }),
                       text.groups_.end());
    return text;
}

OwnerWords OwnerWords::fromLines(const WarningLines& lines)
{
    std::vector<std::string> pieces;
    for (int i = 0; i < WarningLines::kCount; ++i)
        pieces.emplace_back(lines.line(i).text());
    // At most 29 characters a line: no word needs a split, none is refused.
    return *fromPieces(pieces);
}

std::string OwnerWords::textOf(const WordGroup& group) const
{
    std::string text;
    for (std::size_t w = group.first; w <= group.last && w < words_.size(); ++w) {
        if (w > group.first && !splitAfter(w - 1))
            text += ' ';
        text += words_[w];
    }
    return text;
}

// The owner's words as the arrangement search takes them: a word longer than
// a line split where it reads best, and the runs of words that read as one
// (a phone number, an address, words the owner put together) marked, so that
// the search keeps them on one line whenever that costs no language.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct WarningLines;

enum class GroupKind {
    Phone,    // a run of words of digits and + - ( ) / . with at least 6 digits
    Address,  // an e-mail or web address split in two
    Word,     // another word longer than a line, split in two
    Together, // the words of one piece the owner gave (an argument, a typed line)
};

// Words first..last (indexes into OwnerWords::words(), first < last).
struct WordGroup {
    GroupKind kind = GroupKind::Together;
    std::size_t first = 0;
    std::size_t last = 0;
};

// The words of `text`, split at blanks (spaces and tabs).
std::vector<std::string> splitWords(std::string_view text);

// "phone", "address", "word", "together".
const char* groupKindName(GroupKind kind);

// Where a word longer than a line (29 characters) is split: the length of
// its first part, which ends with the word's last '@', '.', '-' or '/' that
// leaves both parts at most 29 characters. 0 when the word fits a line or
// has no such mark.
std::size_t longWordSplit(std::string_view word);

// A word longer than a line and what becomes of it. `head` is empty when it
// has no mark to split it at: such a word cannot be written.
struct LongWord {
    std::string word;
    std::string head;
    std::string tail;
};

// The words of `text` (Windows-1252, split at blanks) longer than a line.
std::vector<LongWord> longWordsOf(std::string_view text);

// "the word 'W' has N characters, and a line holds at most 29: no '@', ..."
// for a word that cannot be split;
// "'W' splits after its '@' into 'H' and 'T'" for one that can.
// Windows-1252 text.
std::string describeLongWord(const LongWord& word);

class OwnerWords {
public:
    // The words of the pieces (Windows-1252 text, split at blanks), in
    // order; the words of one piece belong together. Nothing when a word is
    // longer than a line and cannot be split; `refused` then names it.
    static std::optional<OwnerWords> fromPieces(const std::vector<std::string>& pieces,
                                                LongWord* refused = nullptr);
    // The words of the typed lines, each line's words kept together. A
    // checked line holds no word longer than a line.
    static OwnerWords fromLines(const WarningLines& lines);

    // Each at most 29 characters, none empty.
    const std::vector<std::string>& words() const { return words_; }
    // Distinct spans, ordered by first word, then last.
    const std::vector<WordGroup>& groups() const { return groups_; }
    // Whether words[i] and words[i + 1] are the two parts of one long word:
    // they never share a line.
    bool splitAfter(std::size_t i) const { return i < splitAfter_.size() && splitAfter_[i]; }
    // The long words that were split.
    const std::vector<LongWord>& splits() const { return splits_; }
    // The group's words as the owner wrote them.
    std::string textOf(const WordGroup& group) const;

private:
    std::vector<std::string> words_;
    std::vector<WordGroup> groups_;
    std::vector<bool> splitAfter_;
    std::vector<LongWord> splits_;
};

// Arranging the owner's words into lines so that as many languages as
// possible show all of them: every way to break the words, in order and at
// word boundaries, into at most seven lines of at most 29 characters, with or
// without empty lines between or around them, judged by the fitting pass.
// Among those that serve equally many languages, the one that breaks the
// owner's groups (a phone number, an address, words put together) least is
// best. Many short words make millions of such arrangements; the search then
// stops after a fixed amount of work and says so.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/line_check.h"
#include "engine/owner_words.h"

struct Arrangement {
    CheckedLine lines[7]; // the seven lines; unused ones empty
    int lineCount = 0;    // up to the last line that holds text
    int fitting = 0;      // languages that show every line of text
    // Line ends inside the groups, one for each group a line end falls in
    // (an empty line inside a group counts too); the line end between the
    // two parts of a long word is not counted: it is always there.
    int breaks = 0;
    std::vector<int> wordLines; // the line (1 to 7) of each word
    int tried = 0;        // arrangements looked at in the search
    std::int64_t total = 0; // arrangements there are in all
    bool cutShort = false;  // the search stopped before looking at all of them
};

// For a search cut short, "searched N of M arrangements"; "" otherwise.
std::string searchedNote(const Arrangement& best);

// Finds the best arrangement of the owner's words for texts of the given
// lengths (`count` of them, at most 14; a length of 0 stands for a text that
// was not located and never fits). Best: the most languages that show every
// line; then the fewest breaks inside groups; then fewer lines; then lines of
// more even length; then the first in the order of breaking the words
// (shorter first lines first) and placing the lines (lower slots first).
// The arrangements that break no group are searched first, so a search cut
// short still keeps the groups whole where it can. False when the words
// cannot be arranged at all (none given, one that is no line by itself, or
// more than seven lines needed).
// When the work allowed runs out, `best` is the best of those looked at and
// `cutShort` is set.
bool findArrangement(const OwnerWords& text, const std::int32_t* lengths, int count, Arrangement& best);

// A group that the arrangement does not keep on one line.
struct BrokenGroup {
    WordGroup group;
    std::string text;  // its words as the owner wrote them
    int firstLine = 0; // the lines (1 to 7) of its first and last word
    int lastLine = 0;
};
std::vector<BrokenGroup> brokenGroups(const OwnerWords& text, const Arrangement& arrangement);

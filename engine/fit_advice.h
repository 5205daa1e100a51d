// What the fitting rule means for the owner: whether a language shows every
// line of text, and when it does not, what to change so that it does.
//
// The rule, worked out: with n leading lines taken, a text of L characters is
// replaced when L is at most the lines' reach, the length of lines 1..n joined
// by line feeds plus max(0, 2 x (24 - length)) for each of them. Counted per
// line, a line of length l < 24 fills up to 48 - l, a longer one exactly l,
// an empty one 48; seven lines with their six line feeds fill at most 342.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/fitting.h"

struct WarningLines;

// The most that any seven lines can fill: seven empty lines, 6 + 7 x 48.
inline constexpr std::int32_t kMostFillable = 342;

enum class FitKind {
    Fits,          // replaced, and every line with text is shown
    NotLocated,    // the text was not found in this firmware
    TextTooLong,   // longer than kMostFillable: no lines can replace it
    Shorten,       // lines 1..last text line joined are longer than the text
    LineOneAlone,  // the text is too short for the lines' line feeds
    Gain,          // every line fits, but the lines cannot fill the text
};

// One language judged for the owner. Line numbers are 1-based.
struct LanguageFit {
    FitKind kind = FitKind::NotLocated;
    bool replaced = false;         // the fitting pass replaces the text
    std::int32_t length = 0;       // L, the text's length
    int lastTextLine = 0;          // the last line that holds text, 0 when none does
    int lineOneLength = 0;         // for the reason "line 1 longer than the text"
    std::int32_t joined = 0;       // lines 1..lastTextLine joined by line feeds
    std::int32_t reach = 0;        // the most the lines can fill (Gain)
    std::int32_t amount = 0;       // Shorten: characters to take off; Gain: characters to gain

    // Lines left out by the pass (those past n), and which of them held text.
    int droppedCount = 0;
    int dropped[7] = {};
    bool droppedHeldText[7] = {};

    // The advised change. Shorten: take exactly `amount` characters off the
    // `shorten` lines, in all. LineOneAlone: line 1 cut to at most `length`
    // characters, lines 2 to 7 empty. Gain: first leave the `empty` lines
    // empty; then take at least `takeOff` characters in all off the
    // `shorten` lines (each under 24 characters) and add exactly `add`
    // characters in all to the `lengthen` lines (24 to 28 characters, none
    // past 29); when `either` is set, doing either one of the two is enough.
    int shortenCount = 0;
    int shorten[7] = {};
    int lengthenCount = 0;
    int lengthen[7] = {};
    int emptyCount = 0;
    int empty[7] = {};
    std::int32_t takeOff = 0;
    std::int32_t add = 0;
    bool either = false;

    bool fits() const { return kind == FitKind::Fits; }
    bool lostText() const;         // a dropped line held text
};

// Judges one language from its fitting outcome (as fitTexts gives it) and
// the text's length.
LanguageFit judgeFit(const WarningLines& lines, std::int32_t length, const FitOutcome& outcome);

// The reason and the advice in plain words, 7-bit text; for Fits, a short
// note of what is left out ("" when nothing is). Without `sayDropped` the
// reason does not list the lines left out, for a caller that names them.
std::string fitReason(const LanguageFit& fit, bool sayDropped = true);

// "line 3", "lines 1 and 3", "lines 1, 3 and 4".
std::string lineList(const int* numbers, int count, const char* joiner = "and");

// The change alone, in plain words ("take exactly 9 characters off lines 1,
// 2 and 3 in all"): what fitReason advises after its reason. "" where the
// lines cannot change the verdict (fits, not located, text too long).
std::string fitChange(const LanguageFit& fit);

// The machine name of the verdict: "fits", "not_located", "text_too_long",
// "line_1_too_long", "lines_lost", "too_many_lines", "reach_short".
const char* fitAdviceKind(const LanguageFit& fit);

// Texts known by their lengths alone, laid out as if they stood in a
// firmware image, for the fitting pass to try lines on: `fit` gives what
// fitTexts gives for `count` texts (at most 14). A length of 0 stands for a
// text that was not located.
class LengthTexts {
public:
    LengthTexts(const std::int32_t* lengths, int count);
    void fit(const WarningLines& lines, FitResult& result) const;
    int count() const { return count_; }

private:
    LanguageTable table_{};
    std::vector<unsigned char> bytes_; // never read by the pass, only bounds-checked
    int count_ = 0;
};

// The same for one set of lengths, once.
void fitLengths(const WarningLines& lines, const std::int32_t* lengths, int count, FitResult& result);

// The judgement of every text of a fitting pass, and how many fit.
struct FitVerdicts {
    int count = 0;
    int fitting = 0;
    LanguageFit languages[LanguageTable::kCount];
};
void judgeAll(const WarningLines& lines, const LanguageTable& table, const FitResult& result,
              FitVerdicts& verdicts);

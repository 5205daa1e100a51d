// Whether a line of the owner's text can be written as it is: at most 29
// characters, each one that Windows-1252 holds and none a control character.
// Checked once here for every way a line arrives: typed on the command line,
// read from the store, typed into an edit field.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class LineFaultKind {
    None,
    TooLong,      // more than 29 characters
    NotInCodePage, // a character that Windows-1252 cannot hold
    Control,      // a control character (line break, TAB, ESC, BEL, ...)
};

struct LineFault {
    LineFaultKind kind = LineFaultKind::None;
    std::size_t length = 0; // characters in the line (TooLong)
    char32_t character = 0; // the offending character (NotInCodePage, Control)
    explicit operator bool() const { return kind != LineFaultKind::None; }
};

inline constexpr std::size_t kLineCharacters = 29;

// Whether Windows-1252 holds the character as a printable one.
bool isLineCharacter(char32_t character);

// Checks a line given as characters.
LineFault checkLine(std::u32string_view line);
// Checks a line given as Windows-1252 bytes (as stored).
LineFault checkAnsiLine(std::string_view line);
// Checks a line given as UTF-8; bytes that are not UTF-8 count as
// characters the code page cannot hold (U+FFFD).
LineFault checkUtf8Line(std::string_view line);

// The fault in plain words, naming line `number` (1-based) and, when the
// fault is a character, that character as U+XXXX (after `shown`, the
// character as the caller's output can show it, when given) with a name
// for the usual controls. "" for no fault.
std::string describeLineFault(int number, const LineFault& fault, const std::string& shown = "");

// A character as UTF-8.
std::string utf8Of(char32_t character);

// One line of the owner's text, checked once where it comes in: typed on the
// command line, read from the line store or the model file's "WARNING"
// section, typed or pasted into an edit field. A CheckedLine holds at most
// kLineCharacters characters, each one that Windows-1252 holds and none a
// control character. Only the line check below makes one, and WarningLines
// takes nothing else, so code behind the check never checks again:
//
//     const LineCheck check = checkUtf8Line(typed);
//     if (!check.ok())
//         refuse(describeLineFault(number, check.fault));
//     warningLines.setLine(index, check.line);
//
// Every way in gives the same verdict for the same text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The most characters a line holds.
inline constexpr std::size_t kLineCharacters = 29;

enum class LineFaultKind {
    None,
    TooLong,       // more than kLineCharacters characters
    NotInCodePage, // a character that Windows-1252 cannot hold
    Control,       // a control character (line break, TAB, ESC, BEL, ...)
};

struct LineFault {
    LineFaultKind kind = LineFaultKind::None;
    std::size_t length = 0; // characters in the line (TooLong)
    char32_t character = 0; // the offending character (NotInCodePage, Control)
    explicit operator bool() const { return kind != LineFaultKind::None; }
};

struct LineCheck;
LineCheck checkLine(std::u32string_view line);

// A line that passed the line check, as Windows-1252 bytes. Copies freely;
// the default is the empty line.
class CheckedLine {
public:
    CheckedLine() = default;
    const char* c_str() const { return text_; }
    std::string_view text() const { return {text_, size_}; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    friend bool operator==(const CheckedLine& a, const CheckedLine& b) { return a.text() == b.text(); }

private:
    friend LineCheck checkLine(std::u32string_view line);
    char text_[kLineCharacters + 1] = {};
    std::size_t size_ = 0;
};

// The verdict of the line check: the line, or why it is refused.
struct LineCheck {
    CheckedLine line; // the checked line; empty when refused
    LineFault fault;  // kind None when the line is taken
    bool ok() const { return !fault; }
};

// Checks a line given as characters; the first fault found is reported
// (a character before the length).
LineCheck checkLine(std::u32string_view line);
// Checks a line given as Windows-1252 bytes (as stored).
LineCheck checkAnsiLine(std::string_view line);
// Checks a line given as UTF-8; bytes that are not UTF-8 count as
// characters the code page cannot hold (U+FFFD).
LineCheck checkUtf8Line(std::string_view line);

// Whether Windows-1252 holds the character as a printable one.
bool isLineCharacter(char32_t character);

// The fault in plain words, naming line `number` (1-based) and, when the
// fault is a character, that character as U+XXXX (after `shown`, the
// character as the caller's output can show it, when given) with a name
// for the usual controls. "" for no fault.
std::string describeLineFault(int number, const LineFault& fault, const std::string& shown = "");

// A character as UTF-8.
std::string utf8Of(char32_t character);

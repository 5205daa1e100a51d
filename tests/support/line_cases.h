// One table of texts for every way a line comes in: typed on the command
// line, read from the per-user store or the model file's "WARNING" section,
// typed or pasted into an edit field of either desktop program. Each way
// must give every text the same verdict.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/line_check.h"
#include "platform/cp1252.h"

namespace testing_support {

struct LineCase {
    std::string utf8;       // the text as typed
    LineFaultKind fault;    // the line check's verdict
    std::string field;      // what an edit field then shows, and writes (UTF-8)
    std::size_t length = 0; // TooLong: the characters counted
    char32_t character = 0; // NotInCodePage, Control: the character named
    const char* nearest = nullptr; // NotInCodePage: the line --nearest uses; null: still refused

    // Whether a store of 8-bit text can hold it at all.
    bool storable() const { return fault != LineFaultKind::NotInCodePage; }
    // The model file drops blanks around a value and ends it at a line break.
    bool inModelFile() const
    {
        return storable() && utf8.find_first_of("\r\n") == std::string::npos &&
               (utf8.empty() || (utf8.front() != ' ' && utf8.back() != ' ' && utf8.front() != '\t'));
    }
    std::string ansi() const { return platform::cp1252::fromUtf8(utf8); }
};

inline const std::vector<LineCase>& lineCases()
{
    using K = LineFaultKind;
    static const std::vector<LineCase> cases = {
        {"PROPERTY OF J. SMITH", K::None, "PROPERTY OF J. SMITH"},
        {"", K::None, ""},
        {"Zo\u00EB \u20AC \u2013 \u201C5\u201D \u00BD \u0160", K::None,
         "Zo\u00EB \u20AC \u2013 \u201C5\u201D \u00BD \u0160"}, // the code page's upper half
        {std::string(29, 'A'), K::None, std::string(29, 'A')},
        {"\u00E9" + std::string(28, 'e'), K::None, "\u00E9" + std::string(28, 'e')}, // 30 bytes of UTF-8
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", K::TooLong, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012", 30},
        {std::string(60, 'z'), K::TooLong, std::string(29, 'z'), 60},
        {"\u0141ukasz Nowak", K::NotInCodePage, "Lukasz Nowak", 0, 0x0141, "Lukasz Nowak"},
        {"Ji\u0159\u00ED Dvo\u0159\u00E1k", K::NotInCodePage, "Jir\u00ED Dvor\u00E1k", 0, 0x0159,
         "Jir\u00ED Dvor\u00E1k"},
        {"\U0001F37A reward", K::NotInCodePage, " reward", 0, 0x1F37A, nullptr}, // nothing near it
        {"a\tb", K::Control, "a b", 0, 0x09},
        {"X\x1b[31m", K::Control, "X[31m", 0, 0x1B},
        {"two\nlines", K::Control, "two lines", 0, 0x0A},
        {"bell\x07", K::Control, "bell", 0, 0x07},
        {"undefined \u0081", K::Control, "undefined ", 0, 0x81}, // a byte Windows-1252 leaves undefined
        // A character fault is named before the length.
        {std::string(40, 'o') + "\x1b", K::Control, std::string(29, 'o'), 0, 0x1B},
    };
    return cases;
}

} // namespace testing_support

// Reading and editing the text of a profile (INI) file the way the Win32
// profile functions see it. Internal to platform/posix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ini {

// Blanks as the profile functions count them: tab, line feed, vertical tab,
// form feed, carriage return, space and Ctrl-Z (an old end-of-file mark).
bool isBlank(unsigned char c);
std::string_view trim(std::string_view text);
// Names and values end at their first NUL byte, as C strings do.
std::string_view cutAtNul(std::string_view text);
// Letter case is ignored for A to Z only.
bool sameName(std::string_view a, std::string_view b);

// How a file's text is stored. A UTF-8 byte order mark makes names and
// values UTF-8, read and written as Windows-1252 text; a UTF-16 mark makes a
// file this reader does not take apart.
struct Format {
    std::size_t start = 0; // bytes of the mark before the first line
    bool utf8 = false;
    bool utf16 = false;
};
Format detectFormat(std::string_view text);
// A name or value from the file as 8-bit text, and 8-bit text as the file
// stores it.
std::string fromFile(std::string_view raw, const Format& format);
std::string forFile(std::string_view text, const Format& format);

struct Line {
    enum Kind { Blank, Section, Key };
    std::size_t start = 0; // first byte of the line
    std::size_t next = 0;  // first byte after its line break
    bool hasBreak = false; // false only for a last line without a break
    Kind kind = Blank;
    std::string_view name;  // section or key name, trimmed (may hold NULs)
    std::string_view value; // trimmed text after the first '='
    bool hasValue = false;  // a key line without '=' has no value
};

// Splits `text` into lines at LF, CR and CR LF. A line whose trimmed text
// starts with '[' and holds a ']' names a section (the text between the '['
// and the last ']'); any other non-blank line is a key, with or without a
// value. The views point into `text`.
// Lines start at byte `from`, after any byte order mark.
std::vector<Line> parse(std::string_view text, std::size_t from = 0);

// The lines of one section: the header (or npos for the lines before the
// first header, the nameless section) and the lines up to the next header.
struct Section {
    bool found = false;
    std::size_t header = static_cast<std::size_t>(-1);
    std::size_t first = 0; // first line after the header
    std::size_t end = 0;   // the next header, or the number of lines
};
constexpr std::size_t npos = static_cast<std::size_t>(-1);

// The first section of that name (only the first one counts; a repeated
// section is never looked at). `name` is trimmed here.
Section findSection(const std::vector<Line>& lines, std::string_view name, const Format& format);
// The first key of that name in `section`, or npos. `name` is trimmed here.
std::size_t findKey(const std::vector<Line>& lines, const Section& section, std::string_view name,
                    const Format& format);

// The names a list request reports, as 8-bit text: every section with a
// name, in file order; or the keys that have a value in the first section
// named exactly `section` (letter case aside, blanks counting), without
// comment keys (';'). A key line with an empty name that follows another
// such key of the section is not a key of its own, as the Win32 reader
// sees it. `found` tells whether the section exists.
std::vector<std::string> sectionNames(const std::vector<Line>& lines, const Format& format);
std::vector<std::string> keyNames(const std::vector<Line>& lines, std::string_view section,
                                  const Format& format, bool& found);

// Copies a value or default into `out` of `size` bytes the way the reader
// does: one pair of matching quotes (" or ') around it is dropped, the text
// is cut to size - 1 characters and ended with a NUL. Returns the number of
// characters copied. Nothing is written when size is 0.
std::uint32_t copyValue(std::string_view value, char* out, std::uint32_t size);

// Edits of the file's text; each keeps every byte outside the lines it
// writes or removes, and ends every line it writes with CR LF.
// Returns false when nothing had to change.
bool setValue(std::string& text, const Format& format, std::string_view section, std::string_view key,
              std::string_view value);
bool removeKey(std::string& text, const Format& format, std::string_view section, std::string_view key);
bool removeSection(std::string& text, const Format& format, std::string_view section);

} // namespace platform::ini

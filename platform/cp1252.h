// Windows-1252, the program's 8-bit text, and Unicode: for profile files
// that start with a UTF-8 byte order mark, the POSIX terminal and the Qt
// widgets.
#pragma once

#include <string>
#include <string_view>

namespace platform::cp1252 {

// The character a byte stands for. The five bytes that Windows-1252 leaves
// undefined stand for the control characters of the same value.
char32_t toCodePoint(unsigned char byte);
// Whether a character is a control character: C0, DEL or C1. So are the
// five bytes that Windows-1252 leaves undefined, by the characters they
// stand for.
bool isControl(char32_t code);
// Whether a byte stands for a control character (0x90 and 0x9D, say, open
// terminal command strings).
bool isControlByte(unsigned char byte);
// The byte for a character, or '?' when the code page lacks it.
char fromCodePoint(char32_t code);

// The characters of Windows-1252 text, and the text of characters (those
// without a Windows-1252 form become '?').
std::u32string decode(std::string_view text);
std::string encode(std::u32string_view characters);
// The characters of UTF-8 text; each byte that starts no well-formed
// sequence stands for one U+FFFD.
std::u32string toCodePoints(std::string_view utf8);
// Appends a character as UTF-8.
void appendUtf8(std::string& out, char32_t code);

// Whether `text` is well-formed UTF-8.
bool isUtf8(std::string_view text);
// Characters without a Windows-1252 form become '?', one for each UTF-16
// unit they would take; bytes that are not valid UTF-8 become '?' too.
std::string fromUtf8(std::string_view utf8);
std::string toUtf8(std::string_view text);

// Windows-1252 text that may hold names the system handed over unchanged
// (a file name read from the model file) to UTF-8: a well-formed UTF-8
// sequence is such a name's and is kept, every other byte is converted as
// by toUtf8. No text of the program's own holds such a sequence.
std::string toUtf8KeepingNames(std::string_view text);

// Text the system hands over (a file name, a command-line argument) as
// 8-bit text: on POSIX such text is UTF-8 as a rule and is converted as by
// fromUtf8, while text that is not UTF-8 is taken as 8-bit already; Windows
// hands over 8-bit text, which is kept.
std::string fromSystemText(std::string_view text);

} // namespace platform::cp1252

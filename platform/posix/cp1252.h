// Conversion between Windows-1252 (the program's 8-bit text) and UTF-8, for
// profile files that start with a UTF-8 byte order mark. Internal to
// platform/posix.
#pragma once

#include <string>
#include <string_view>

namespace platform::cp1252 {

// Characters without a Windows-1252 form become '?', one for each UTF-16
// unit they would take; bytes that are not valid UTF-8 become '?' too.
std::string fromUtf8(std::string_view utf8);
std::string toUtf8(std::string_view text);

} // namespace platform::cp1252

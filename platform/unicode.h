// Unicode's canonical normalization, from the system's own Unicode data:
// ICU on POSIX, NormalizeString (normaliz.dll) on Windows. The core uses it
// to find, for a character Windows-1252 lacks, the nearest one it holds.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The canonical decomposition (NFD) and composition (NFC) of `text`. Text
// the system cannot normalize comes back as it was.
std::u32string canonicalDecomposition(std::u32string_view text);
std::u32string canonicalComposition(std::u32string_view text);

// The system's own normalization behind both: NFC when `composed`, else NFD.
std::u32string normalizedBySystem(std::u32string_view text, bool composed);

// UTF-16, as both systems take it; a lone surrogate reads as U+FFFD.
std::u16string toUtf16(std::u32string_view text);
std::u32string fromUtf16(std::u16string_view text);

} // namespace platform

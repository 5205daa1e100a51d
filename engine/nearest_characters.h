// The nearest characters that Windows-1252 holds, for a text with some it
// lacks: "Łukasz Nowak" reads "Lukasz Nowak", "Jiří Dvořák" reads "Jirí
// Dvorák" (í and á are in the code page and stay). A character's nearest is
// its canonical decomposition (Unicode's own data, through the platform)
// with as many of its marks kept as the code page allows, or, for the few
// letters that have no decomposition (Ł, Đ, Ħ, ı, ...), the letter a reader
// takes it for. Characters the code page holds and control characters are
// left as they are.
#pragma once

#include <string>
#include <string_view>

// The characters that stand for `character`: itself when the code page holds
// it (or it is a control character), its nearest (one or two characters)
// otherwise, and nothing when it has none (a Greek letter, an emoji).
std::u32string nearestOf(char32_t character);

struct NearestText {
    std::u32string text;    // the text, each character replaced by nearestOf
    std::u32string changed; // each character that was replaced, once, in order
    std::u32string missing; // each character that has no nearest, once, in order
};
NearestText nearestCharacters(std::u32string_view text);

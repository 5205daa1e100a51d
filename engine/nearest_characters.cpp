#include "engine/nearest_characters.h"

#include <vector>

#include "engine/line_check.h"
#include "platform/cp1252.h"
#include "platform/unicode.h"

namespace {

// Letters that Windows-1252 lacks and that have no canonical decomposition,
// with the letters a reader of the language takes for them.
struct Letter {
    char32_t letter;
    const char32_t* nearest;
};
constexpr Letter kLetters[] = {
    {U'\u0110', U"D"},  {U'\u0111', U"d"},      // Đ đ: Croatian, Serbian, Sami
    {U'\u0126', U"H"},  {U'\u0127', U"h"},      // Ħ ħ: Maltese
    {U'\u0131', U"i"},                          // ı: Turkish, Azerbaijani
    {U'\u0132', U"IJ"}, {U'\u0133', U"ij"},     // Ĳ ĳ: Dutch
    {U'\u0138', U"k"},                          // ĸ: Greenlandic
    {U'\u013F', U"L\u00B7"}, {U'\u0140', U"l\u00B7"}, // Ŀ ŀ: Catalan
    {U'\u0141', U"L"},  {U'\u0142', U"l"},      // Ł ł: Polish, Sorbian
    {U'\u0149', U"'n"},                         // ŉ: Afrikaans
    {U'\u014A', U"N"},  {U'\u014B', U"n"},      // Ŋ ŋ: Sami
    {U'\u0166', U"T"},  {U'\u0167', U"t"},      // Ŧ ŧ: Sami
    {U'\u017F', U"s"},                          // ſ: long s
    {U'\u018F', U"E"},  {U'\u0259', U"e"},      // Ə ə: Azerbaijani
    {U'\u01C4', U"D\u017D"}, {U'\u01C5', U"D\u017E"}, {U'\u01C6', U"d\u017E"}, // Ǆ ǅ ǆ
    {U'\u01C7', U"LJ"}, {U'\u01C8', U"Lj"}, {U'\u01C9', U"lj"},               // Ǉ ǈ ǉ
    {U'\u01CA', U"NJ"}, {U'\u01CB', U"Nj"}, {U'\u01CC', U"nj"},               // Ǌ ǋ ǌ
    {U'\u01E4', U"G"},  {U'\u01E5', U"g"},      // Ǥ ǥ: Skolt Sami
    {U'\u1E9E', U"SS"},                         // ẞ: capital sharp s
};

bool isLine(const std::u32string& text)
{
    for (const char32_t c : text)
        if (!isLineCharacter(c))
            return false;
    return !text.empty();
}

// A character by itself or by its letter from the table; "" when neither.
std::u32string plainNearest(char32_t c)
{
    if (isLineCharacter(c))
        return std::u32string(1, c);
    for (const Letter& letter : kLetters)
        if (letter.letter == c)
            return letter.nearest;
    return U"";
}

} // namespace

std::u32string nearestOf(char32_t c)
{
    if (isLineCharacter(c) || platform::cp1252::isControl(c))
        return std::u32string(1, c);
    if (std::u32string plain = plainNearest(c); !plain.empty())
        return plain;
    const std::u32string parts = platform::canonicalDecomposition(std::u32string(1, c));
    if (parts.empty() || parts == std::u32string(1, c))
        return U"";
    // The base and its marks: keep as many marks as the code page allows
    // (ǘ reads ü, ệ reads ê), and none when it allows none (ř reads r).
    const char32_t base = parts[0];
    const std::u32string marks = parts.substr(1);
    if (marks.size() < 8) {
        for (std::size_t keep = marks.size(); keep > 0; --keep) {
            for (unsigned mask = 0; mask < (1u << marks.size()); ++mask) {
                if (static_cast<std::size_t>(__builtin_popcount(mask)) != keep)
                    continue;
                std::u32string tried(1, base);
                for (std::size_t m = 0; m < marks.size(); ++m)
                    if (mask & (1u << m))
                        tried += marks[m];
                const std::u32string composed = platform::canonicalComposition(tried);
                if (composed.size() == 1 && isLine(composed))
                    return composed;
            }
        }
    }
    return plainNearest(base);
}

NearestText nearestCharacters(std::u32string_view text)
{
    NearestText nearest;
    for (const char32_t c : text) {
        const std::u32string replacement = nearestOf(c);
        nearest.text += replacement;
        if (replacement == std::u32string(1, c))
            continue;
        std::u32string& list = replacement.empty() ? nearest.missing : nearest.changed;
        if (list.find(c) == std::u32string::npos)
            list += c;
    }
    return nearest;
}

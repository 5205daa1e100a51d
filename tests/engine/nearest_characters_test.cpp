// The nearest characters Windows-1252 holds, for real names of many European
// languages. The same expectations hold on every system: ICU's Unicode data
// on Linux, NormalizeString's on Windows.
#include <gtest/gtest.h>

#include <string>

#include "engine/line_check.h"
#include "engine/nearest_characters.h"
#include "platform/cp1252.h"

namespace {

std::string nearestUtf8(const std::string& utf8)
{
    std::string out;
    for (const char32_t c : nearestCharacters(platform::cp1252::toCodePoints(utf8)).text)
        platform::cp1252::appendUtf8(out, c);
    return out;
}

TEST(NearestCharacters, RealNamesFromEuropeanLanguages)
{
    const struct {
        const char* language;
        const char* name;
        const char* nearest;
    } names[] = {
        {"Polish", "\u0141ukasz Nowak", "Lukasz Nowak"},
        {"Polish", "Ma\u0142gorzata W\u00F3jcik", "Malgorzata W\u00F3jcik"},
        {"Polish", "\u017Baneta \u015Al\u0119zak", "Zaneta Slezak"},
        {"Polish", "Grzegorz Brz\u0119czyszczykiewicz", "Grzegorz Brzeczyszczykiewicz"},
        {"Czech", "Ji\u0159\u00ED Dvo\u0159\u00E1k", "Jir\u00ED Dvor\u00E1k"},
        {"Czech", "Tom\u00E1\u0161 \u0158ezn\u00ED\u010Dek", "Tom\u00E1\u0161 Rezn\u00EDcek"},
        {"Czech", "Bohuslav Martin\u016F", "Bohuslav Martinu"},
        {"Slovak", "\u013Dudov\u00EDt \u0160t\u00FAr", "Ludov\u00EDt \u0160t\u00FAr"},
        {"Slovak", "\u010Eurica \u0164a\u017Ek\u00FD", "Durica Ta\u017Ek\u00FD"},
        {"Hungarian", "Erd\u0151s P\u00E1l", "Erdos P\u00E1l"},
        {"Hungarian", "Sz\u0171cs Erzs\u00E9bet", "Szucs Erzs\u00E9bet"},
        {"Hungarian", "Sz\u00E9chenyi Istv\u00E1n", "Sz\u00E9chenyi Istv\u00E1n"},
        {"Romanian", "\u0218tefan \u021Aurcanu", "Stefan Turcanu"},
        {"Romanian", "Ioana B\u0103lan", "Ioana Balan"},
        {"Romanian", "D\u0103nu\u0163 P\u00E2rvu", "Danut P\u00E2rvu"}, // t with the older cedilla
        {"Croatian", "\u0110ur\u0111a \u0160imi\u0107", "Durda \u0160imic"},
        {"Croatian", "Ivan \u0110uri\u010Di\u0107", "Ivan Duricic"},
        {"Slovenian", "Toma\u017E \u010Copi\u010D", "Toma\u017E Copic"},
        {"Latvian", "J\u0101nis B\u0113rzi\u0146\u0161", "Janis Berzin\u0161"},
        {"Latvian", "\u0122irts \u0136\u0113ni\u0146\u0161", "Girts Kenin\u0161"},
        {"Latvian", "\u013Bena \u016Adre", "Lena Udre"},
        {"Lithuanian", "R\u016Bta Meilutyt\u0117", "Ruta Meilutyte"},
        {"Lithuanian", "Jonas \u0104\u017Euolas", "Jonas A\u017Euolas"},
        {"Lithuanian", "\u012Eveta \u010Ciurlionyt\u0117", "Iveta Ciurlionyte"},
        {"Turkish", "\u015E\u00FCkr\u00FC Y\u0131ld\u0131z", "S\u00FCkr\u00FC Yildiz"},
        {"Turkish", "\u00C7a\u011Fla I\u015F\u0131k", "\u00C7agla Isik"},
        {"Turkish", "\u0130smail G\u00FCne\u015F", "Ismail G\u00FCnes"},
        {"Maltese", "\u0120u\u017Ceppi \u0126abib", "Guzeppi Habib"},
        {"Maltese", "\u010Aensu \u0126ili", "Censu Hili"},
        {"Icelandic", "Gu\u00F0r\u00FAn \u00DE\u00F3r\u00F0ard\u00F3ttir", "Gu\u00F0r\u00FAn \u00DE\u00F3r\u00F0ard\u00F3ttir"},
        {"Icelandic", "J\u00F6kull \u00C6gisson", "J\u00F6kull \u00C6gisson"},
        {"German", "J\u00FCrgen Stra\u00DFer", "J\u00FCrgen Stra\u00DFer"},
        {"Dutch", "\u0132sbrand van Dijk", "IJsbrand van Dijk"},
        {"Welsh", "Dafydd ap Gruff\u0177dd", "Dafydd ap Gruffydd"},
        {"Esperanto", "\u0108enjo \u015Cuisto", "Cenjo Suisto"},
        {"Estonian", "J\u00FCri \u00D5unapuu", "J\u00FCri \u00D5unapuu"},
        {"Northern Sami", "\u00C1nde \u010Cu\u0111e", "\u00C1nde Cude"},
        {"Inari Sami", "Ma\u014Bgi \u0167\u00E1ldu", "Mangi t\u00E1ldu"},
        {"Catalan", "Paral\u00B7lel i Ll\u00FAria", "Paral\u00B7lel i Ll\u00FAria"},
        {"Azerbaijani", "\u018Flif \u0259liyev", "Elif eliyev"},
        {"Vietnamese", "Nguy\u1EC5n Th\u1ECB", "Nguy\u00EAn Thi"}, // a mark kept where the code page has it
    };
    for (const auto& n : names) {
        SCOPED_TRACE(std::string(n.language) + ": " + n.name);
        const std::string nearest = nearestUtf8(n.name);
        EXPECT_EQ(nearest, n.nearest);
        // The nearest line is a line.
        EXPECT_TRUE(checkUtf8Line(nearest).ok());
        // A name the code page already holds is left as it is.
        EXPECT_EQ(checkUtf8Line(n.name).ok(), std::string(n.name) == n.nearest);
    }
}

TEST(NearestCharacters, SaysWhatItChangedAndWhatHasNoNearCharacter)
{
    const NearestText greek = nearestCharacters(U"\u0141\u0142 \u0391\u03B8\u03AE\u03BD\u03B1 \U0001F37A \u0141");
    EXPECT_EQ(greek.text, U"Ll   L");
    EXPECT_EQ(greek.changed, U"\u0141\u0142");
    EXPECT_EQ(greek.missing, U"\u0391\u03B8\u03AE\u03BD\u03B1\U0001F37A");
    // Control characters are the line check's to refuse, not to replace.
    EXPECT_EQ(nearestCharacters(U"a\tb\x1b").text, U"a\tb\x1b");
    // Each letter without a decomposition that the code page lacks.
    const struct {
        char32_t letter;
        std::u32string nearest;
    } letters[] = {
        {U'\u0110', U"D"}, {U'\u0127', U"h"}, {U'\u0131', U"i"}, {U'\u013F', U"L\u00B7"}, {U'\u0149', U"'n"},
        {U'\u014A', U"N"}, {U'\u0167', U"t"}, {U'\u01C4', U"D\u017D"}, {U'\u1E9E', U"SS"}, {U'\u0138', U"k"},
        // The code page holds these: they stay.
        {U'\u00D8', U"\u00D8"}, {U'\u00DF', U"\u00DF"}, {U'\u0152', U"\u0152"}, {U'\u00F0', U"\u00F0"},
        // A decomposition whose marks the code page holds in part.
        {U'\u01D8', U"\u00FC"}, {U'\u01FA', U"\u00C5"}, {U'\u212B', U"\u00C5"},
    };
    for (const auto& l : letters)
        EXPECT_EQ(nearestOf(l.letter), l.nearest) << static_cast<unsigned>(l.letter);
}

} // namespace

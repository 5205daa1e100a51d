// The owner's side of the fitting rule: what each verdict says, that every
// piece of advice, followed in any way its words allow, makes the language
// show all of its lines, and that the arrangement search finds an
// arrangement that fits every language whenever one exists.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/checked_lines.h"
#include "engine/arrangement.h"
#include "engine/fit_advice.h"
#include "engine/warning_lines.h"

namespace {

WarningLines linesOf(const std::vector<std::string>& texts)
{
    WarningLines lines;
    for (int i = 0; i < WarningLines::kCount; ++i)
        lines.setLine(i, testing_support::checkedLine(static_cast<std::size_t>(i) < texts.size() ? texts[static_cast<std::size_t>(i)] : ""));
    return lines;
}

LanguageFit judge(const WarningLines& lines, std::int32_t length)
{
    FitResult result;
    fitLengths(lines, &length, 1, result);
    return judgeFit(lines, length, result.entries[0]);
}

std::string letters(std::size_t n, char c = 'x')
{
    return std::string(n, c);
}

TEST(FitAdviceTest, EachVerdictNamesItsNumbers)
{
    struct Case {
        std::vector<std::string> lines;
        std::int32_t length;
        const char* kind;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {{"Jan Kowalski"}, 343, "text_too_long",
         "this text holds 343 characters; no seven lines can fill more than 342: it cannot be replaced"},
        {{letters(26)}, 18, "line_1_too_long",
         "line 1 has 26 characters, this text holds 18: take exactly 8 characters off line 1"},
        // Five lines of 29 joined need 149; line 5 is dropped.
        {{letters(29), letters(29), letters(29), letters(29), letters(29)}, 140, "lines_lost",
         "lines 1 to 5 need 149 characters with their line breaks, this text holds 140; line 5 holds text that is left "
         "out (lost), lines 6 and 7 (empty) left out, harmless: take exactly 9 characters off lines 1, 2, 3, 4 and 5 "
         "in all"},
        // 12 + 14 + 22 + 15 characters cost 63: the lines fill 342 - 63 = 279.
        {{letters(12), letters(14), letters(22), letters(15)}, 323, "reach_short",
         "your lines fill at most 279 of these 323 characters: gain 44: take 44 characters in all off lines 1, 2, 3 "
         "and 4 (a line under 24 characters gains one per character taken off)"},
        // 10 characters to take off, 3 to add: only both together gain 12.
        {{letters(10), letters(26)}, 322, "reach_short",
         "your lines fill at most 310 of these 322 characters: gain 12: take 9 characters off line 1 (a line under 24 "
         "characters gains one per character taken off), and add 3 characters to line 2 (a line of 24 to 28 "
         "characters gains one per character added, up to 29)"},
        // A 26-character line costs 22 and can gain 3 by growing to 29.
        {{letters(10), letters(26)}, 311, "reach_short",
         "your lines fill at most 310 of these 311 characters: gain 1: take 1 character off line 1 (a line under 24 "
         "characters gains one per character taken off), or add 1 character to line 2 (a line of 24 to 28 "
         "characters gains one per character added, up to 29)"},
        // One character, of two lines that could give it.
        {{letters(10), letters(10)}, 20, "lines_lost",
         "lines 1 to 2 need 21 characters with their line breaks, this text holds 20; line 2 holds text that is left "
         "out (lost), lines 3, 4, 5, 6 and 7 (empty) left out, harmless: take exactly 1 character off one of lines 1 "
         "and 2"},
        {{letters(10), letters(10), letters(26)}, 301, "reach_short",
         "your lines fill at most 300 of these 301 characters: gain 1: take 1 character off one of lines 1 and 2 (a "
         "line under 24 characters gains one per character taken off), or add 1 character to line 3 (a line of 24 to "
         "28 characters gains one per character added, up to 29)"},
        {{"a", "", "b"}, 1, "too_many_lines",
         "this text holds only 1 character, too few for lines 1 to 3 and their line breaks: keep line 1 alone, cut to "
         "at most 1 character, and leave lines 2 to 7 empty"},
        {{"abc"}, 2, "line_1_too_long", "line 1 has 3 characters, this text holds 2: take exactly 1 character off line 1"},
        // Three 29-character lines cost 57: only emptying two gains 30.
        {{letters(29), letters(29), letters(29)}, 315, "reach_short",
         "your lines fill at most 285 of these 315 characters: gain 30: leave lines 1 and 2 empty"},
        {{"ABCDEFGH"}, 10, "fits", "lines 4, 5, 6 and 7 (empty) left out, harmless"},
        {{"a", "b", "c", "d", "e", "f", "g"}, 5, "too_many_lines",
         "this text holds only 5 characters, too few for lines 1 to 7 and their line breaks: keep line 1 alone, cut "
         "to at most 5 characters, and leave lines 2 to 7 empty"},
    };
    for (const Case& c : cases) {
        const LanguageFit fit = judge(linesOf(c.lines), c.length);
        EXPECT_STREQ(fitAdviceKind(fit), c.kind) << c.reason;
        EXPECT_EQ(fitReason(fit), c.reason);
    }
}

// A random line: empty, short, around the 24-character turn, or full.
std::string randomLine(std::mt19937& rng)
{
    switch (rng() % 5) {
    case 0:
        return "";
    case 1:
        return letters(rng() % 12 + 1, 'a');
    case 2:
        return letters(22 + rng() % 8, 'b');
    default:
        return letters(rng() % 30, 'c');
    }
}

// Follows `fit`'s advice in one of the ways its words allow, chosen at random.
WarningLines follow(const LanguageFit& fit, WarningLines lines, std::mt19937& rng)
{
    std::vector<int> len(7);
    for (int i = 0; i < 7; ++i)
        len[static_cast<std::size_t>(i)] = static_cast<int>(std::string(lines.lineText(i)).size());
    auto set = [&](int line, int length) {
        len[static_cast<std::size_t>(line - 1)] = length;
        lines.setLine(line - 1, testing_support::checkedLine(letters(static_cast<std::size_t>(length), 'f')));
    };
    // Takes `total` characters off the lines, spread at random. Advice that
    // asks for more than the lines hold cannot be followed: that fails at
    // once rather than looking for characters that are not there.
    auto takeOff = [&](const int* named, int count, int total) {
        int held = 0;
        for (int i = 0; i < count; ++i)
            held += len[static_cast<std::size_t>(named[i] - 1)];
        if (held < total) {
            ADD_FAILURE() << "the advice takes " << total << " characters off lines that hold " << held;
            return;
        }
        while (total > 0) {
            const int line = named[rng() % static_cast<unsigned>(count)];
            if (len[static_cast<std::size_t>(line - 1)] == 0)
                continue;
            set(line, len[static_cast<std::size_t>(line - 1)] - 1);
            --total;
        }
    };
    switch (fit.kind) {
    case FitKind::Shorten:
        takeOff(fit.shorten, fit.shortenCount, fit.amount);
        break;
    case FitKind::LineOneAlone:
        set(1, static_cast<int>(rng() % static_cast<unsigned>(std::min(len[0], fit.length) + 1)));
        for (int i = 2; i <= 7; ++i)
            set(i, 0);
        break;
    case FitKind::Gain: {
        for (int i = 0; i < fit.emptyCount; ++i)
            set(fit.empty[i], 0);
        // Either way alone, when the advice says so; otherwise both.
        const unsigned way = fit.either ? 1 + rng() % 2 : 3;
        if (way & 1) {
            // At least the amount, sometimes more.
            int text = 0;
            for (int i = 0; i < fit.shortenCount; ++i)
                text += len[static_cast<std::size_t>(fit.shorten[i] - 1)];
            if (text < fit.takeOff) {
                ADD_FAILURE() << "the advice takes " << fit.takeOff << " characters off lines that hold " << text;
                break;
            }
            takeOff(fit.shorten, fit.shortenCount,
                    fit.takeOff + static_cast<int>(rng() % static_cast<unsigned>(text - fit.takeOff + 1)));
        }
        if (way & 2) {
            // Exactly the amount, spread at random, no line past 29.
            int room = 0;
            for (int i = 0; i < fit.lengthenCount; ++i)
                room += 29 - len[static_cast<std::size_t>(fit.lengthen[i] - 1)];
            if (room < fit.add) {
                ADD_FAILURE() << "the advice adds " << fit.add << " characters to lines with room for " << room;
                break;
            }
            for (int left = fit.add; left > 0;) {
                const int line = fit.lengthen[rng() % static_cast<unsigned>(fit.lengthenCount)];
                if (len[static_cast<std::size_t>(line - 1)] == 29)
                    continue;
                set(line, len[static_cast<std::size_t>(line - 1)] + 1);
                --left;
            }
        }
        break;
    }
    default:
        break;
    }
    return lines;
}

TEST(FitAdviceTest, AdviceFollowedAnyWayMakesTheLanguageFit)
{
    std::mt19937 rng(1818);
    int advised[6] = {};
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::string> texts;
        for (int i = 0; i < 7; ++i)
            texts.push_back(randomLine(rng));
        const WarningLines lines = linesOf(texts);
        const std::int32_t length = 1 + static_cast<std::int32_t>(rng() % 360);
        const LanguageFit fit = judge(lines, length);
        ++advised[static_cast<int>(fit.kind)];
        if (fit.kind == FitKind::TextTooLong) {
            // No lines at all can: not even the seven empty ones that fill most.
            ASSERT_GT(length, 342);
            EXPECT_FALSE(judge(linesOf({}), length).replaced);
            continue;
        }
        ASSERT_NE(fit.kind, FitKind::NotLocated);
        if (fit.fits())
            continue;
        for (int way = 0; way < 4; ++way) {
            const WarningLines followed = follow(fit, lines, rng);
            const LanguageFit after = judge(followed, length);
            ASSERT_TRUE(after.fits()) << "round " << round << ": " << fitReason(fit) << "\nthen: " << fitReason(after);
        }
    }
    // Every kind of advice was put to the test.
    for (FitKind kind : {FitKind::Fits, FitKind::TextTooLong, FitKind::Shorten, FitKind::LineOneAlone, FitKind::Gain})
        EXPECT_GT(advised[static_cast<int>(kind)], 0) << static_cast<int>(kind);
}

// The rule written out on its own, for the brute force: does a text of
// `length` show every line of `lines` (lengths only)?
bool showsAll(const std::vector<std::size_t>& lines, std::int32_t length)
{
    if (length <= 0)
        return false;
    std::int32_t end = -1;
    int n = 0, last = 0;
    std::int32_t ends[7];
    for (int i = 0; i < 7; ++i) {
        end += static_cast<std::int32_t>(lines[static_cast<std::size_t>(i)]) + 1;
        ends[i] = end;
        if (end <= length)
            n = i + 1;
        if (lines[static_cast<std::size_t>(i)] > 0)
            last = i + 1;
    }
    if (n == 0 || n < last)
        return false;
    std::int32_t room = 0;
    for (int i = 0; i < n; ++i)
        room += std::max<std::int32_t>(0, 2 * (24 - static_cast<std::int32_t>(lines[static_cast<std::size_t>(i)])));
    return length - ends[n - 1] <= room;
}

// The order of preference, smaller first: more languages, fewer breaks
// inside groups, fewer lines, a smaller spread of the text lines' lengths, a
// smaller sum of their squares.
using Preference = std::tuple<int, int, int, std::size_t, std::size_t>;

Preference preferenceOf(int fitting, int breaks, const std::vector<std::size_t>& sizes)
{
    int last = 0;
    std::size_t shortest = 29, longest = 0, squares = 0;
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        if (sizes[s] == 0)
            continue;
        last = static_cast<int>(s) + 1;
        shortest = std::min(shortest, sizes[s]);
        longest = std::max(longest, sizes[s]);
        squares += sizes[s] * sizes[s];
    }
    return {-fitting, breaks, last, longest - shortest, squares};
}

// Breaks inside the groups, as the owner would count them: for each group,
// how many lines further down its last word stands than its first, less
// the line ends that split a long word (which are always there).
int breaksOf(const OwnerWords& text, const std::vector<int>& wordLines)
{
    int breaks = 0;
    for (const WordGroup& group : text.groups()) {
        breaks += wordLines[group.last] - wordLines[group.first];
        for (std::size_t w = group.first; w < group.last; ++w)
            breaks -= text.splitAfter(w) ? 1 : 0;
    }
    return breaks;
}

OwnerWords ownerWords(const std::vector<std::string>& pieces)
{
    const std::optional<OwnerWords> text = OwnerWords::fromPieces(pieces);
    EXPECT_TRUE(text.has_value());
    return text.value_or(*OwnerWords::fromPieces({}));
}

// Against a brute force over every break of the words at every gap and
// every choice of slots: the search finds as many languages as any
// arrangement serves, of those one that breaks the groups least (none when
// one that breaks none serves as many), and of those one as short and as
// even as the best. Up to eight words, then ten to twelve short ones (up to
// 18564 arrangements), all of which the search still judges; then owners'
// texts of names, phone numbers and addresses on realistic firmware, given
// word by word or in pieces that hold them together.
TEST(ArrangementTest, FindsAnArrangementForEveryLanguageWheneverOneExists)
{
    std::mt19937 rng(1919);
    int allFit = 0, someDont = 0, keptWhole = 0, brokeGroups = 0, groupsDecided = 0;
    const auto round = [&](int round, const std::vector<std::string>& pieces, std::vector<std::int32_t> lengths) {
        const OwnerWords text = ownerWords(pieces);
        const std::vector<std::string>& words = text.words();
        const int wordCount = static_cast<int>(words.size());
        const int count = static_cast<int>(lengths.size());

        int bestFit = -1, bestWholeFit = -1;
        Preference bestPreference{}, bestTodayPreference{};
        int todayBreaks = 0; // of the arrangement that the ranking without groups prefers
        std::int64_t arrangements = 0;
        const unsigned gaps = static_cast<unsigned>(wordCount - 1);
        for (unsigned cuts = 0; cuts < (1u << gaps); ++cuts) {
            std::vector<std::string> groups(1);
            std::vector<int> lineOf(words.size());
            for (int w = 0; w < wordCount; ++w) {
                if (w > 0 && (cuts & (1u << (w - 1))))
                    groups.emplace_back();
                groups.back() += (groups.back().empty() ? "" : " ") + words[static_cast<std::size_t>(w)];
                lineOf[static_cast<std::size_t>(w)] = static_cast<int>(groups.size()) - 1;
            }
            if (groups.size() > 7 || std::any_of(groups.begin(), groups.end(), [](auto& g) { return g.size() > 29; }))
                continue;
            for (unsigned slots = 0; slots < 128; ++slots) {
                if (static_cast<std::size_t>(__builtin_popcount(slots)) != groups.size())
                    continue;
                ++arrangements;
                std::vector<std::size_t> sizes(7, 0);
                std::vector<int> slotOf;
                for (int s = 0, g = 0; s < 7; ++s)
                    if (slots & (1u << s)) {
                        sizes[static_cast<std::size_t>(s)] = groups[static_cast<std::size_t>(g++)].size();
                        slotOf.push_back(s + 1);
                    }
                std::vector<int> wordLines;
                for (int line : lineOf)
                    wordLines.push_back(slotOf[static_cast<std::size_t>(line)]);
                int fitting = 0;
                for (std::int32_t length : lengths)
                    fitting += showsAll(sizes, length);
                const int breaks = breaksOf(text, wordLines);
                const Preference preference = preferenceOf(fitting, breaks, sizes);
                if (bestFit < 0 || preference < bestPreference)
                    bestPreference = preference;
                Preference today = preference;
                std::get<1>(today) = 0;
                if (bestFit < 0 || today < bestTodayPreference) {
                    bestTodayPreference = today;
                    todayBreaks = breaks;
                }
                bestFit = std::max(bestFit, fitting);
                if (breaks == 0)
                    bestWholeFit = std::max(bestWholeFit, fitting);
            }
        }

        Arrangement best;
        ASSERT_EQ(findArrangement(text, lengths.data(), count, best), bestFit >= 0);
        if (bestFit < 0)
            return;
        EXPECT_EQ(best.fitting, bestFit) << "round " << round;
        EXPECT_FALSE(best.cutShort) << "round " << round;
        EXPECT_EQ(best.total, arrangements) << "round " << round;
        EXPECT_LE(best.tried, best.total) << "round " << round;
        EXPECT_EQ(searchedNote(best), "");
        // The lines found are the words, in order, and fit as many as claimed.
        std::string joined;
        WarningLines lines;
        std::vector<std::size_t> sizes;
        for (int i = 0; i < 7; ++i) {
            ASSERT_LE(best.lines[i].size(), 29u);
            if (!best.lines[i].empty())
                joined.append(joined.empty() ? "" : " ").append(best.lines[i].text());
            lines.setLine(i, best.lines[i]);
            sizes.push_back(best.lines[i].size());
        }
        std::string words1;
        for (const std::string& w : words)
            words1 += (words1.empty() ? "" : " ") + w;
        EXPECT_EQ(joined, words1);
        // Each word on the line it is said to be on; the breaks as counted.
        ASSERT_EQ(best.wordLines.size(), words.size());
        for (std::size_t w = 0; w < words.size(); ++w)
            EXPECT_NE((" " + std::string(best.lines[best.wordLines[w] - 1].text()) + " ").find(" " + words[w] + " "),
                      std::string::npos)
                << "round " << round << ": " << words[w];
        EXPECT_EQ(best.breaks, breaksOf(text, best.wordLines)) << "round " << round;
        EXPECT_EQ(preferenceOf(best.fitting, best.breaks, sizes), bestPreference) << "round " << round;
        // Groups stay whole whenever that costs no language.
        if (bestWholeFit == bestFit) {
            EXPECT_EQ(best.breaks, 0) << "round " << round;
            EXPECT_TRUE(brokenGroups(text, best).empty()) << "round " << round;
            ++keptWhole;
        } else {
            EXPECT_GT(best.breaks, 0) << "round " << round;
            EXPECT_FALSE(brokenGroups(text, best).empty()) << "round " << round;
            ++brokeGroups;
        }
        if (todayBreaks > 0 && best.breaks == 0)
            ++groupsDecided;
        FitResult result;
        fitLengths(lines, lengths.data(), count, result);
        FitVerdicts verdicts;
        LanguageTable table{};
        for (int e = 0; e < count; ++e)
            table.entries[e].length = lengths[static_cast<std::size_t>(e)];
        judgeAll(lines, table, result, verdicts);
        EXPECT_EQ(verdicts.fitting, best.fitting);
        (bestFit == count ? allFit : someDont)++;
    };
    const auto randomLengths = [&] {
        const int count = 1 + static_cast<int>(rng() % 14);
        std::vector<std::int32_t> lengths;
        // Short firmware texts now and then, so that every language can fit.
        const std::int32_t top = rng() % 3 == 0 ? 200 : 342;
        for (int e = 0; e < count; ++e)
            lengths.push_back(1 + static_cast<std::int32_t>(rng() % static_cast<unsigned>(top)));
        return lengths;
    };
    for (int r = 0; r < 120; ++r) {
        std::vector<std::string> words;
        const int wordCount = 2 + static_cast<int>(rng() % 7);
        for (int w = 0; w < wordCount; ++w)
            words.push_back(letters(1 + rng() % (rng() % 4 == 0 ? 14 : 8), static_cast<char>('a' + w)));
        round(r, words, randomLengths());
    }
    for (int r = 0; r < 24; ++r) {
        std::vector<std::string> words;
        const int wordCount = 10 + static_cast<int>(rng() % 3);
        for (int w = 0; w < wordCount; ++w)
            words.push_back(letters(1 + rng() % (rng() % 4 == 0 ? 6 : 3), static_cast<char>('a' + w)));
        round(120 + r, words, randomLengths());
    }
    // Owners' texts: a name, a phone number, now and then an address (some
    // longer than a line) and a few more words, up to nine words.
    const std::vector<std::string> names = {"Jane Doe", "J. Smith", "Anna Maria Kowalska-Nowak", "Jan Kowalski",
                                            "Ola Nordmann", "Dr. Eva Lindqvist"};
    const std::vector<std::string> phones = {"+47 555 0100", "020 7946 0958", "+1 555 0100", "(0)30 1234 5678",
                                             "+48 601 234 567", "0171 / 555 12 34"};
    const std::vector<std::string> addresses = {"jane@example.com", "christopher.wellington@example.com",
                                                "www.example.org/found", "https://example.com/return-to-owner"};
    const std::vector<std::string> others = {"Reward", "if found", "please call", "Oslo", "THANK YOU", "Owner:"};
    for (int r = 0; r < 40;) {
        std::vector<std::string> parts = {names[rng() % names.size()], phones[rng() % phones.size()]};
        if (rng() % 3 == 0)
            parts.push_back(addresses[rng() % addresses.size()]);
        for (unsigned more = rng() % 3; more > 0; --more)
            parts.insert(parts.begin() + static_cast<long>(rng() % (parts.size() + 1)), others[rng() % others.size()]);
        // Each part as one piece (an argument, a typed line), or word by word.
        std::vector<std::string> pieces;
        for (const std::string& part : parts) {
            if (rng() % 2 == 0)
                pieces.push_back(part);
            else
                for (const std::string& word : splitWords(part))
                    pieces.push_back(word);
        }
        if (ownerWords(pieces).words().size() > 9)
            continue;
        // Fourteen texts of 148 to 358 characters, as realistic firmware has;
        // now and then fewer or shorter ones.
        std::vector<std::int32_t> lengths;
        const int count = rng() % 4 == 0 ? 1 + static_cast<int>(rng() % 14) : 14;
        const std::int32_t low = rng() % 4 == 0 ? 40 : 148;
        for (int e = 0; e < count; ++e)
            lengths.push_back(low + static_cast<std::int32_t>(rng() % static_cast<unsigned>(359 - low)));
        round(144 + r++, pieces, lengths);
    }
    EXPECT_GT(allFit, 10);
    EXPECT_GT(someDont, 10);
    EXPECT_EQ(keptWhole + brokeGroups, 144 + 40);
    EXPECT_GT(brokeGroups, 3);
    // Cases where the order of today's tie-breaks alone would break a group.
    EXPECT_GT(groupsDecided, 5);
}

TEST(ArrangementTest, TieBreaksFavourFewerThenEvenLines)
{
    // Texts short enough for every arrangement's lines to fit without padding
    // trouble cannot tell arrangements apart by languages.
    const std::int32_t lengths[] = {200};
    Arrangement best;
    ASSERT_TRUE(findArrangement(ownerWords(splitWords("Reward if found  call 0123 456")), lengths, 1, best));
    EXPECT_EQ(best.fitting, 1);
    EXPECT_EQ(best.lineCount, 1);
    EXPECT_EQ(best.lines[0].text(), "Reward if found call 0123 456");

    // A line under 24 costs its length, a longer one 48 minus it: of all
    // breaks only 29 + 11 (cost 30) fills a text of 310; the more even
    // 25 + 15 costs 38 and fills 304, three lines cost 39.
    const std::int32_t tight[] = {310};
    ASSERT_TRUE(findArrangement(ownerWords(splitWords("Anna Maria Kowalska-Nowak +48 601 234 567")), tight, 1, best));
    EXPECT_EQ(best.fitting, 1);
    EXPECT_EQ(best.lineCount, 2);
    EXPECT_EQ(best.lines[0].text(), "Anna Maria Kowalska-Nowak +48");
    EXPECT_EQ(best.lines[1].text(), "601 234 567");

    // Both two-line breaks fit: 21 + 13 is more even than 10 + 24.
    ASSERT_TRUE(findArrangement(ownerWords(splitWords("aaaaaaaaaa bbbbbbbbbb cccccccccc dd")), lengths, 1, best));
    EXPECT_EQ(best.lineCount, 2);
    EXPECT_EQ(best.lines[0].text(), "aaaaaaaaaa bbbbbbbbbb");
    EXPECT_EQ(best.lines[1].text(), "cccccccccc dd");

    // Only the groups tell these apart: every break into two lines fits,
    // and today's tie-breaks alone would pick the most even one, which
    // splits the phone number.
    const std::int32_t roomy[] = {60};
    ASSERT_TRUE(findArrangement(ownerWords({"Jane Doe", "+47", "555", "0100", "Reward", "if found"}), roomy, 1, best));
    EXPECT_EQ(best.fitting, 1);
    EXPECT_EQ(best.breaks, 0);
    EXPECT_EQ(best.lines[0].text(), "Jane Doe +47 555 0100");
    EXPECT_EQ(best.lines[1].text(), "Reward if found");
    EXPECT_FALSE(findArrangement(ownerWords({}), lengths, 1, best));
    // Eight words that each need a line of their own.
    EXPECT_FALSE(findArrangement(ownerWords(std::vector<std::string>(8, letters(20))), lengths, 1, best));
}

// What the owner's text becomes: words, the groups that read as one, and
// long words split after their last mark that leaves two parts a line holds.
TEST(OwnerWordsTest, GroupsAndLongWords)
{
    struct Group {
        const char* kind;
        std::string text;
    };
    struct Case {
        std::vector<std::string> pieces;
        std::vector<std::string> words;
        std::vector<Group> groups;
    };
    const std::vector<Case> cases = {
        // Pieces with spaces hold their words together; a phone number is
        // one however it was given, named as a phone number.
        {{"Jane Doe", "+47 555 0100", "reward"},
         {"Jane", "Doe", "+47", "555", "0100", "reward"},
         {{"together", "Jane Doe"}, {"phone", "+47 555 0100"}}},
        {{"+47", "555", "0100"}, {"+47", "555", "0100"}, {{"phone", "+47 555 0100"}}},
        {{"Call (0)30 / 1234-5678 now"},
         {"Call", "(0)30", "/", "1234-5678", "now"},
         {{"together", "Call (0)30 / 1234-5678 now"}, {"phone", "(0)30 / 1234-5678"}}},
        // Five digits are no phone number; words without a digit do not
        // start or end one; a comma ends the run.
        {{"12", "345", "Oslo"}, {"12", "345", "Oslo"}, {}},
        {{"-", "555", "0100", "/"}, {"-", "555", "0100", "/"}, {{"phone", "555 0100"}}},
        {{"555", "0100,", "020", "79"}, {"555", "0100,", "020", "79"}, {}},
        // Long words: after the last mark that leaves both parts at most 29.
        {{"christopher.wellington@example.com"},
         {"christopher.wellington@", "example.com"},
         {{"address", "christopher.wellington@example.com"}}},
        {{"Mail: https://example.com/return-to-owner"},
         {"Mail:", "https://example.com/return-", "to-owner"},
         {{"together", "Mail: https://example.com/return-to-owner"},
          {"address", "https://example.com/return-to-owner"}}},
        {{"a-word-of-thirty-characters-xx"}, {"a-word-of-thirty-characters-", "xx"},
         {{"word", "a-word-of-thirty-characters-xx"}}},
        {{"  ", ""}, {}, {}},
    };
    for (const Case& c : cases) {
        std::string given;
        for (const std::string& piece : c.pieces)
            given += "[" + piece + "]";
        SCOPED_TRACE(given);
        const std::optional<OwnerWords> text = OwnerWords::fromPieces(c.pieces);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(text->words(), c.words);
        ASSERT_EQ(text->groups().size(), c.groups.size());
        for (std::size_t g = 0; g < c.groups.size(); ++g) {
            EXPECT_STREQ(groupKindName(text->groups()[g].kind), c.groups[g].kind);
            EXPECT_EQ(text->textOf(text->groups()[g]), c.groups[g].text);
        }
    }

    // Refused: no mark, or none that leaves both parts at most 29 (the
    // only '@' leaves 30 before it; a final mark leaves nothing after it).
    for (const std::string& word : {letters(30), letters(30) + "@example.com", letters(29) + "/",
                                   letters(30, 'a') + "." + letters(29, 'b')}) {
        LongWord refused;
        EXPECT_FALSE(OwnerWords::fromPieces({"Call", word}, &refused).has_value()) << word;
        EXPECT_EQ(refused.word, word);
        EXPECT_EQ(describeLongWord(refused), "the word '" + word + "' has " + std::to_string(word.size()) +
                                                 " characters, and a line holds at most 29: no '@', '.', '-' or "
                                                 "'/' in it splits it into two parts of at most 29");
    }
    // Fifty-nine characters split in the middle; the mark's own place counts.
    const std::string longest = letters(28, 'a') + "." + letters(29, 'b') + "x";
    EXPECT_EQ(longWordSplit(letters(28, 'a') + "." + letters(29, 'b')), 29u);
    EXPECT_EQ(longWordSplit(longest), 0u);
    EXPECT_EQ(longWordSplit("short.word"), 0u);
    const std::vector<LongWord> found = longWordsOf("Mail christopher.wellington@example.com now");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(describeLongWord(found[0]), "'christopher.wellington@example.com' splits after its '@' into "
                                          "'christopher.wellington@' and 'example.com'");

    // Typed lines: each line's words together.
    WarningLines lines;
    lines.setLine(0, testing_support::checkedLine("Jane Doe"));
    lines.setLine(2, testing_support::checkedLine("Tel 555 0100"));
    const OwnerWords typed = OwnerWords::fromLines(lines);
    ASSERT_EQ(typed.groups().size(), 3u);
    EXPECT_EQ(typed.textOf(typed.groups()[0]), "Jane Doe");
    EXPECT_EQ(typed.textOf(typed.groups()[1]), "Tel 555 0100");
    EXPECT_EQ(typed.textOf(typed.groups()[2]), "555 0100");
}

} // namespace

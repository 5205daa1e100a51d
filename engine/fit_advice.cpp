#include "engine/fit_advice.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/firmware_image.h"
#include "engine/warning_lines.h"

namespace {

// Past this length a line stops gaining room from the fill factor's padding.
constexpr int kPadLimit = 24;
constexpr int kTypedLimit = static_cast<int>(kLineCharacters);

int lengthOf(const WarningLines& lines, int index)
{
    return static_cast<int>(lines.lineLength(index));
}

std::string format(const char* fmt, auto... args)
{
    char text[256];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

// "1 character", "2 characters".
std::string characters(std::int32_t count)
{
    return std::to_string(count) + (count == 1 ? " character" : " characters");
}

// What goes between a count of characters and the lines it is spread
// over: " in all off " for several, " off one of " for one character.
std::string spreadOver(std::int32_t count, int lines, const char* preposition)
{
    if (lines <= 1)
        return std::string(" ") + preposition + " ";
    return count == 1 ? std::string(" ") + preposition + " one of " : std::string(" in all ") + preposition + " ";
}

// Applies the advice as the owner would in its plainest reading: characters
// are taken off the named lines from the last one back, added to the
// named lines from the first one on. Only the lengths matter to the rule.
void applyAdvice(const LanguageFit& fit, WarningLines& lines)
{
    std::string texts[WarningLines::kCount];
    for (int i = 0; i < WarningLines::kCount; ++i)
        texts[i] = lines.lineText(i);
    auto cut = [&](int line, int by) {
        std::string& text = texts[line - 1];
        const int length = static_cast<int>(text.size());
        if (by <= 0)
            return 0;
        const int keep = std::max(0, length - by);
        text.resize(static_cast<std::size_t>(keep));
        return length - keep;
    };
    if (fit.kind == FitKind::LineOneAlone) {
        cut(1, static_cast<int>(texts[0].size()) - fit.length);
        for (int i = 1; i < WarningLines::kCount; ++i)
            texts[i].clear();
    } else if (fit.kind == FitKind::Shorten) {
        std::int32_t left = fit.amount;
        for (int i = fit.shortenCount - 1; i >= 0 && left > 0; --i)
            left -= cut(fit.shorten[i], left);
    } else if (fit.kind == FitKind::Gain) {
        for (int i = 0; i < fit.emptyCount; ++i)
            texts[fit.empty[i] - 1].clear();
        std::int32_t left = fit.takeOff;
        for (int i = fit.shortenCount - 1; i >= 0 && left > 0; --i)
            left -= cut(fit.shorten[i], left);
        left = fit.either ? 0 : fit.add;
        for (int i = 0; i < fit.lengthenCount && left > 0; ++i) {
            std::string& text = texts[fit.lengthen[i] - 1];
            while (static_cast<int>(text.size()) < kTypedLimit && left > 0) {
                text += '.';
                --left;
            }
        }
    }
    // Parts of checked lines and dots: each is a line again.
    for (int i = 0; i < WarningLines::kCount; ++i)
        lines.setLine(i, checkAnsiLine(texts[i]).line);
}

// Whether the lines show every line of text in a text of `length`.
bool showsEveryLine(const WarningLines& lines, std::int32_t length)
{
    FitResult result;
    fitLengths(lines, &length, 1, result);
    int last = 0;
    for (int i = 0; i < WarningLines::kCount; ++i)
        if (lengthOf(lines, i) > 0)
            last = i + 1;
    return result.entries[0].replaced && result.entries[0].linesUsed >= last;
}

} // namespace

std::string lineList(const int* numbers, int count, const char* joiner)
{
    std::string text = count == 1 ? "line " : "lines ";
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            text += i + 1 == count ? std::string(" ") + joiner + " " : std::string(", ");
        text += std::to_string(numbers[i]);
    }
    return text;
}

bool LanguageFit::lostText() const
{
    for (int i = 0; i < droppedCount; ++i)
        if (droppedHeldText[i])
            return true;
    return false;
}

LengthTexts::LengthTexts(const std::int32_t* lengths, int count)
{
    count_ = std::clamp(count, 0, static_cast<int>(LanguageTable::kCount));
    std::size_t size = 1;
    for (int e = 0; e < count_; ++e) {
        table_.entries[e].name = "";
        table_.entries[e].start = static_cast<std::int32_t>(size - 1);
        table_.entries[e].length = std::max<std::int32_t>(lengths[e], 0);
        size += static_cast<std::size_t>(table_.entries[e].length) + 1;
    }
    bytes_.assign(size, 0);
}

void LengthTexts::fit(const WarningLines& lines, FitResult& result) const
{
    FirmwareImage image;
    image.bytes = const_cast<unsigned char*>(bytes_.data());
    image.size = static_cast<std::uint32_t>(bytes_.size() - 1);
    fitTexts(lines, table_, image, count_, result);
}

void fitLengths(const WarningLines& lines, const std::int32_t* lengths, int count, FitResult& result)
{
    LengthTexts(lengths, count).fit(lines, result);
}

LanguageFit judgeFit(const WarningLines& lines, std::int32_t length, const FitOutcome& outcome)
{
    LanguageFit fit;
    fit.length = length;
    fit.replaced = outcome.replaced;
    int lengths[WarningLines::kCount];
    for (int i = 0; i < WarningLines::kCount; ++i) {
        lengths[i] = lengthOf(lines, i);
        if (lengths[i] > 0)
            fit.lastTextLine = i + 1;
    }
    fit.lineOneLength = lengths[0];
    if (!outcome.located)
        return fit;
    for (int i = outcome.linesUsed; i < WarningLines::kCount; ++i) {
        fit.dropped[fit.droppedCount] = i + 1;
        fit.droppedHeldText[fit.droppedCount++] = lengths[i] > 0;
    }
    if (length > kMostFillable) {
        fit.kind = FitKind::TextTooLong;
        return fit;
    }
    if (outcome.replaced && !fit.lostText()) {
        fit.kind = FitKind::Fits;
        return fit;
    }

    const int last = fit.lastTextLine; // at least 1: seven empty lines fill any text up to 342
    fit.joined = lines.lineEnd(last - 1);
    for (int i = 0; i < last; ++i)
        if (lengths[i] > 0)
            fit.shorten[fit.shortenCount++] = i + 1;

    if (fit.joined > length) {
        // Lines 1..last joined exactly as long as the text leave no slack:
        // every line of text is then taken, with no spaces added.
        fit.amount = fit.joined - length;
        int text = 0;
        for (int i = 0; i < last; ++i)
            text += lengths[i];
        fit.kind = fit.amount <= text ? FitKind::Shorten : FitKind::LineOneAlone;
    } else {
        // Every line is taken (a shorter run would end at the text's length
        // and leave nothing to spread), so the reach counts all seven.
        fit.kind = FitKind::Gain;
        fit.reach = lines.lineEnd(WarningLines::kCount - 1);
        for (int i = 0; i < WarningLines::kCount; ++i)
            fit.reach += std::max(0, 2 * (kPadLimit - lengths[i]));
        fit.amount = length - fit.reach;

        // Lines under 24 gain one per character taken off; lines of 24 to 28
        // one per character added. Emptying a line of 24 or more gains
        // 48 - length; the 24-character lines first, as they gain most.
        std::int32_t available = 0;
        fit.shortenCount = 0;
        std::vector<int> longLines;
        for (int i = 0; i < WarningLines::kCount; ++i) {
            if (lengths[i] > 0 && lengths[i] < kPadLimit) {
                fit.shorten[fit.shortenCount++] = i + 1;
                available += lengths[i];
            } else if (lengths[i] >= kPadLimit) {
                longLines.push_back(i);
                if (lengths[i] < kTypedLimit)
                    available += kTypedLimit - lengths[i];
            }
        }
        std::stable_sort(longLines.begin(), longLines.end(),
                         [&](int a, int b) { return lengths[a] < lengths[b]; });
        std::int32_t emptied = 0;
        std::vector<int> emptiedLines;
        for (int i : longLines) {
            if (available + emptied >= fit.amount)
                break;
            emptiedLines.push_back(i);
            emptied += 2 * kPadLimit - lengths[i];
            if (lengths[i] < kTypedLimit)
                available -= kTypedLimit - lengths[i];
        }
        std::sort(emptiedLines.begin(), emptiedLines.end());
        for (int i : emptiedLines)
            fit.empty[fit.emptyCount++] = i + 1;
        // What is left to gain after the emptied lines, and how.
        const std::int32_t rest = std::max<std::int32_t>(0, fit.amount - emptied);
        std::int32_t canTake = 0, canAdd = 0;
        int shortenLines[7], shortenLineCount = 0;
        for (int n = 0; n < fit.shortenCount; ++n) {
            shortenLines[shortenLineCount++] = fit.shorten[n];
            canTake += lengths[fit.shorten[n] - 1];
        }
        fit.shortenCount = 0;
        for (int i = 0; i < WarningLines::kCount; ++i)
            if (lengths[i] >= kPadLimit && lengths[i] < kTypedLimit &&
                std::find(emptiedLines.begin(), emptiedLines.end(), i) == emptiedLines.end()) {
                fit.lengthen[fit.lengthenCount++] = i + 1;
                canAdd += kTypedLimit - lengths[i];
            }
        const bool take = rest > 0 && canTake >= rest;
        const bool grow = rest > 0 && canAdd >= rest;
        if (take || grow) {
            // One way alone is enough: name those that are.
            fit.either = take && grow;
            fit.takeOff = take ? rest : 0;
            fit.add = grow ? rest : 0;
        } else if (rest > 0) {
            // Both are needed: every line of 24 to 28 filled to 29, the rest taken off.
            fit.add = canAdd;
            fit.takeOff = rest - canAdd;
        }
        if (fit.takeOff > 0)
            for (int n = 0; n < shortenLineCount; ++n)
                fit.shorten[fit.shortenCount++] = shortenLines[n];
        if (fit.add == 0)
            fit.lengthenCount = 0;
    }

    // The advice is only given once the fitting pass has shown that it works.
    WarningLines advised = lines;
    applyAdvice(fit, advised);
    if (!showsEveryLine(advised, length) && fit.kind != FitKind::LineOneAlone) {
        fit.kind = FitKind::LineOneAlone;
        fit.shortenCount = fit.lengthenCount = fit.emptyCount = 0;
        fit.takeOff = fit.add = 0;
    }
    return fit;
}

const char* fitAdviceKind(const LanguageFit& fit)
{
    switch (fit.kind) {
    case FitKind::Fits:
        return "fits";
    case FitKind::NotLocated:
        return "not_located";
    case FitKind::TextTooLong:
        return "text_too_long";
    case FitKind::Shorten:
        return fit.lineOneLength > fit.length ? "line_1_too_long" : "lines_lost";
    case FitKind::LineOneAlone:
        return "too_many_lines";
    case FitKind::Gain:
        return "reach_short";
    }
    return "";
}

std::string fitChange(const LanguageFit& fit)
{
    switch (fit.kind) {
    case FitKind::Fits:
    case FitKind::NotLocated:
    case FitKind::TextTooLong:
        return "";
    case FitKind::LineOneAlone:
        return "keep line 1 alone, cut to at most " + characters(fit.length) + ", and leave lines 2 to 7 empty";
    case FitKind::Shorten:
        if (fit.amount == 1 && fit.shortenCount > 1)
            return "take exactly 1 character off one of " + lineList(fit.shorten, fit.shortenCount);
        return "take exactly " + characters(fit.amount) + " off " + lineList(fit.shorten, fit.shortenCount) +
               (fit.shortenCount > 1 ? " in all" : "");
    case FitKind::Gain: {
        std::string text;
        if (fit.emptyCount > 0) {
            text = "leave " + lineList(fit.empty, fit.emptyCount) + " empty";
            if (fit.takeOff == 0 && fit.add == 0)
                return text;
            text += ", then: ";
        }
        const std::string off = "take " + characters(fit.takeOff) + spreadOver(fit.takeOff, fit.shortenCount, "off") +
                                lineList(fit.shorten, fit.shortenCount) +
                                " (a line under 24 characters gains one per character taken off)";
        const std::string on = "add " + characters(fit.add) + spreadOver(fit.add, fit.lengthenCount, "to") +
                               lineList(fit.lengthen, fit.lengthenCount) +
                               " (a line of 24 to 28 characters gains one per character added, up to 29)";
        if (fit.takeOff > 0 && fit.add > 0)
            return text + off + (fit.either ? ", or " : ", and ") + on;
        return text + (fit.takeOff > 0 ? off : on);
    }
    }
    return "";
}

std::string fitReason(const LanguageFit& fit, bool sayDropped)
{
    // Which lines the pass leaves out, and what that costs.
    std::string dropped;
    if (fit.droppedCount > 0) {
        int text[7], empty[7];
        int texts = 0, empties = 0;
        for (int i = 0; i < fit.droppedCount; ++i)
            (fit.droppedHeldText[i] ? text[texts++] : empty[empties++]) = fit.dropped[i];
        if (texts > 0)
            dropped = lineList(text, texts) + (texts == 1 ? " holds" : " hold") +
                      " text that is left out (lost)";
        if (empties > 0)
            dropped += (dropped.empty() ? "" : ", ") + lineList(empty, empties) + " (empty) left out, harmless";
    }

    switch (fit.kind) {
    case FitKind::Fits:
        return dropped;
    case FitKind::NotLocated:
        return "not located in the firmware";
    case FitKind::TextTooLong:
        return "this text holds " + characters(fit.length) +
               format("; no seven lines can fill more than %d: it cannot be replaced", static_cast<int>(kMostFillable));
    case FitKind::LineOneAlone:
        return "this text holds only " + characters(fit.length) + ", too few for " +
               (fit.lastTextLine > 1 ? format("lines 1 to %d and their line breaks", fit.lastTextLine)
                                     : std::string("line 1")) +
               ": " + fitChange(fit);
    case FitKind::Shorten: {
        std::string text;
        if (fit.lineOneLength > fit.length)
            text = "line 1 has " + characters(fit.lineOneLength) +
                   format(", this text holds %d", static_cast<int>(fit.length));
        else
            text = format("lines 1 to %d need ", fit.lastTextLine) + characters(fit.joined) +
                   format(" with their line breaks, this text holds %d", static_cast<int>(fit.length));
        // Line 1 alone already says what is left out.
        if (sayDropped && !dropped.empty() && fit.lineOneLength <= fit.length)
            text += "; " + dropped;
        return text + ": " + fitChange(fit);
    }
    case FitKind::Gain:
        return format("your lines fill at most %d of these ", static_cast<int>(fit.reach)) + characters(fit.length) +
               format(": gain %d", static_cast<int>(fit.amount)) + ": " + fitChange(fit);
    }
    return "";
}

void judgeAll(const WarningLines& lines, const LanguageTable& table, const FitResult& result,
              FitVerdicts& verdicts)
{
    verdicts.count = static_cast<int>(result.count);
    verdicts.fitting = 0;
    for (int e = 0; e < verdicts.count; ++e) {
        verdicts.languages[e] = judgeFit(lines, table.entries[e].length, result.entries[e]);
        if (verdicts.languages[e].fits())
            ++verdicts.fitting;
    }
}

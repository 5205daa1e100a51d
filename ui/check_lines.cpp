#include "ui/check_lines.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "config/app_text.h"
#include "engine/arrangement.h"
#include "engine/fit_advice.h"
#include "engine/fit_summary.h"
#include "engine/kept_aside.h"
#include "engine/warning_lines.h"
#include "ui/live_fit.h"
#include "ui/main_dialog.h"

namespace ui {
namespace {

// Room for an edit's whole text.
constexpr int kFieldBuffer = 256;

// "All 14 ..." as it reads after "Arranged like this, ".
std::string lowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

// The text as the receiver shows it: the replacement's lines, each with the
// spaces that centre it (spaces after a line, and empty lines after the
// last that holds text, show as nothing).
std::vector<std::string> shownLines(const FitOutcome& outcome)
{
    std::vector<std::string> lines;
    std::string text(outcome.candidate);
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    while (lines.size() > 1 && lines.back().empty())
        lines.pop_back();
    return lines;
}

CheckRow rowOf(const LanguageEntry& entry, const LanguageFit& verdict, const FitOutcome& outcome)
{
    CheckRow row;
    row.language = entry.name;
    if (keepsOwnWarning(verdict)) {
        row.mark = FitMark::OwnWarning;
        row.markText = "keeps its own warning";
        row.change = fitReason(verdict);
    } else if (verdict.kind == FitKind::NotLocated) {
        row.mark = FitMark::NotFound;
        row.markText = "not found";
        row.change = fitReason(verdict);
    } else if (verdict.fits()) {
        row.mark = FitMark::Fits;
        row.markText = "fits";
    } else {
        row.mark = FitMark::DoesNotFit;
        row.markText = "does not fit";
        row.change = fitChange(verdict);
    }
    if (outcome.replaced)
        row.shown = shownLines(outcome);
    else
        row.shownNote = "its own warning, unchanged";
    return row;
}

// What the owner had typed before "Use these lines", while the fields hold
// the arrangement.
std::optional<std::array<std::string, WarningLines::kCount>> typedLines;
// The arrangement the window offers, for "Use these lines".
std::vector<std::string> offeredLines;
// Set while the window fills the fields itself.
bool fillingFields = false;

void fillFields(DialogWindow& main, const std::array<std::string, WarningLines::kCount>& lines)
{
    fillingFields = true;
    // Each field raises its change command: the line, the preview and the
    // live fit follow at once.
    for (int i = 0; i < WarningLines::kCount; ++i)
        main.setItemText(IdFirstEdit + i, lines[static_cast<std::size_t>(i)].c_str());
    fillingFields = false;
}

} // namespace

CheckLinesView checkLinesView(int index)
{
    CheckLinesView view;
    view.canGoBack = typedLines.has_value();
    offeredLines.clear();
    if (index <= 0) {
        view.heading = "Select a GPS model first";
        return view;
    }
    // The firmware afresh, so that the live fit too goes on from what it is now.
    const ChosenFirmware& firmware = chooseFirmware(index);
    if (!firmware.refusal.empty()) {
        view.heading = firmware.refusal;
        return view;
    }
    LinesPlan judged;
    judgeLines(warningLines, judged);
    const FitVerdicts& verdicts = judged.verdicts;
    view.heading = firmware.section + ": " + fitCountLine(verdicts);
    // What OK would keep aside is said before it happens, as check says it.
    if (!firmware.plan.pristineKeptAs.empty())
        view.heading += "\n" + keptAsideNotice("Pressing OK", firmware.plan.model.orgPath, firmware.plan.pristineKeptAs);

    // Firmware order, with the languages that keep their own warning last.
    std::int32_t lengths[LanguageTable::kCount] = {};
    std::vector<CheckRow> ownWarnings;
    for (int e = 0; e < verdicts.count; ++e) {
        const LanguageFit& verdict = verdicts.languages[e];
        const LanguageEntry& entry = firmware.plan.table.entries[e];
        CheckRow row = rowOf(entry, verdict, judged.fit.entries[e]);
        (row.mark == FitMark::OwnWarning ? ownWarnings : view.rows).push_back(std::move(row));
        lengths[e] = verdict.kind == FitKind::NotLocated ? 0 : entry.length;
    }
    view.rows.insert(view.rows.end(), ownWarnings.begin(), ownWarnings.end());

    // The same words in other lines may suit more languages; each typed
    // line's words stay together where that costs no language.
    const char* const noBetter = view.canGoBack ? "The fields hold the arranged lines; Back to my lines puts back "
                                                  "what you typed."
                                                : "No other arrangement of your words suits more languages.";
    if (countFit(verdicts).notShowing() == 0) {
        if (view.canGoBack)
            view.arrangedNote = noBetter;
        return view;
    }
    Arrangement best;
    if (!findArrangement(OwnerWords::fromLines(warningLines), lengths, verdicts.count, best) ||
        best.fitting <= verdicts.fitting) {
        view.arrangedNote = noBetter;
        return view;
    }
    WarningLines arranged;
    for (int i = 0; i < WarningLines::kCount; ++i)
        arranged.setLine(i, best.lines[i]);
    LinesPlan arrangedJudged;
    judgeLines(arranged, arrangedJudged);
    const FitVerdicts& arrangedVerdicts = arrangedJudged.verdicts;
    const std::string note = searchedNote(best);
    view.arrangedNote = "Arranged like this, " + lowerFirst(fitCountLine(arrangedVerdicts)) +
                        (note.empty() ? "" : " (" + note + ")") + ":";
    for (int i = 0; i < best.lineCount; ++i)
        view.arranged.emplace_back(best.lines[i].text());
    for (const CheckedLine& line : best.lines)
        offeredLines.emplace_back(line.text());
    view.canUse = true;
    return view;
}

void runCheckLines(DialogWindow& main)
{
    if (main.listSelection(IdModelList) <= 0) {
        platform::messageBox(main.handle(), "Select a GPS model first", kAppTitle, platform::MbIconWarning);
        return;
    }
    main.runCheckLinesWindow();
    // The window read the firmware afresh.
    showFitLine(main);
}

void checkLinesCreate(CheckLinesWindow& window, DialogWindow& main)
{
    window.show(checkLinesView(main.listSelection(IdModelList)));
}

bool checkLinesCommand(CheckLinesWindow& window, DialogWindow& main, int id)
{
    switch (id) {
    case IdUseLines: {
        if (offeredLines.size() != WarningLines::kCount)
            return true;
        if (!typedLines) {
            std::array<std::string, WarningLines::kCount> typed;
            for (int i = 0; i < WarningLines::kCount; ++i) {
                char text[kFieldBuffer];
                main.getItemText(IdFirstEdit + i, text, sizeof text);
                typed[static_cast<std::size_t>(i)] = text;
            }
            typedLines = typed;
        }
        std::array<std::string, WarningLines::kCount> lines;
        std::copy(offeredLines.begin(), offeredLines.end(), lines.begin());
        fillFields(main, lines);
        window.show(checkLinesView(main.listSelection(IdModelList)));
        return true;
    }
    case IdBackToMyLines:
        if (typedLines) {
            const auto typed = *typedLines;
            typedLines.reset();
            fillFields(main, typed);
        }
        window.show(checkLinesView(main.listSelection(IdModelList)));
        return true;
    case IdOk:
    case IdCancel:
        window.close();
        return true;
    default:
        return false;
    }
}

void linesEditedByOwner()
{
    if (!fillingFields)
        typedLines.reset();
}

} // namespace ui

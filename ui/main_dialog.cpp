#include "ui/main_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "config/app_text.h"
#include "config/model_file.h"
#include "config/model_list.h"
#include "engine/add_firmware.h"
#include "engine/field_line.h"
#include "engine/line_check.h"
#include "engine/line_storage.h"
#include "engine/patch_run.h"
#include "engine/warning_lines.h"
#include "platform/cp1252.h"
#include "ui/centre_window.h"
#include "ui/check_lines.h"
#include "ui/dialog_update_host.h"
#include "ui/live_fit.h"
#include "ui/startup.h"

std::int32_t dialogState = 0;
char statusText[kStatusTextSize] = "";

namespace ui {

const char* updateCommandUrl = kUpdateUrl;

namespace {

constexpr char kPressPage[] = "Press page to continue ...";
constexpr char kSelectModel[] = "Select a GPS model ...";
constexpr char kNoGps[] = "No Gps";
constexpr char kAllLinesEmpty[] = "All seven lines are empty: the power-on page will show no text in any "
                                  "language. Write it anyway?";
constexpr char kWaitingForUpdater[] = "Waiting for UPDATER.EXE to finish...";
// Beside the status when no listed model can be patched here ("\x85" is the
// ellipsis of the 8-bit code page).
constexpr char kNoModelsNote[] =
    "No model is listed yet: add your receiver's firmware.\nRight-click here, then choose Add firmware\x85";
constexpr char kNoFirmwareNote[] =
    "No listed model's firmware is in this folder: add yours.\nRight-click here, then choose Add firmware\x85";
// Names and labels from the model file: 59 characters and the terminator.
constexpr int kNameBuffer = 60;

// Whether the first tick has filled the model list since creation.
bool listFilled = false;
// What the fit line says when no model is chosen: what to do about a model
// file that lists no model, or nothing.
std::string listNote;
// The line the note under the edits speaks of (0-based), or -1.
int noteLine = -1;

void setStatus(const char* text)
{
    std::snprintf(statusText, sizeof statusText, "%s", text);
}

void showStatus(DialogWindow& window)
{
    window.setItemText(IdStatus, statusText);
}

// The section name of model `index`: the value of "Gps-<index>" in "GPS".
void modelSection(int index, char* out)
{
    char key[24];
    std::snprintf(key, sizeof key, "Gps-%d", index);
    readModelValue("GPS", key, "", out, kNameBuffer);
}

// What the owner can do when the model file lists no model; "" when it does.
std::string modelListNote(std::size_t listed)
{
    const std::string name = modelFileBaseName();
    switch (modelListFault(listed)) {
    case ModelListFault::None:
        return "";
    case ModelListFault::NoFile:
        return "No " + name + " beside the program: choose Add firmware\x85 or Update Wendrix";
    case ModelListFault::Unreadable:
        return name + " beside the program cannot be read: it is not a plain file";
    case ModelListFault::NoModels:
        break;
    }
    return name + " lists no models: choose Add firmware\x85 or Update Wendrix";
}

void fillModelList(DialogWindow& window)
{
    window.listReset(IdModelList);
    window.listAppend(IdModelList, kNoGps);
    // The list ends at the first missing or empty key; later keys are not read.
    int n = 1;
    for (;; ++n) {
        char section[kNameBuffer];
        modelSection(n, section);
        if (section[0] == '\0')
            break;
        window.listAppend(IdModelList, section);
    }
    window.listSelect(IdModelList, 0);
    // A model whose firmware is nowhere cannot be patched: the owner is
    // pointed to adding their own.
    window.setItemText(IdFirmwareNote, listedFirmwarePresent() ? "" : n > 1 ? kNoFirmwareNote : kNoModelsNote);
    listNote = modelListNote(static_cast<std::size_t>(n - 1));
}

void onModelSelected(DialogWindow& window);

void onPage(DialogWindow& window)
{
    window.enableItem(IdOk, true);
    window.enableItem(IdModelList, true);
    const StoredLines stored = loadLines();
    std::string refused;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        // A stored line the check refuses shows as its field would take it;
        // the box below says why.
        const LineCheck& check = stored.checks[i];
        const CheckedLine shown =
            check.ok() ? check.line : fieldLine(platform::cp1252::decode(stored.texts[i])).line;
        if (!check.ok())
            refused.append("\n").append(describeLineFault(i + 1, check.fault));
        // Raises the edit's change command, which sets the line and preview.
        window.setItemText(IdFirstEdit + i, shown.c_str());
        window.enableItem(IdFirstEdit + i, true);
    }
    dialogState = kStateLines;
    setStatus(kSelectModel);
    showStatus(window);
    window.hideItem(IdPage);
    // Firmware added before Page is chosen already.
    if (window.listSelection(IdModelList) > 0)
        onModelSelected(window);
    // Typing goes on where the lines are, not on OK.
    window.focusItem(IdFirstEdit);
    if (!refused.empty())
        platform::messageBox(window.handle(),
                             ("The stored lines cannot all be written as they are:" + refused +
                              "\nThe fields show what will be written: look at them before you press OK.")
                                 .c_str(),
                             kAppTitle, platform::MbOk | platform::MbIconWarning);
}

void onEditChange(DialogWindow& window, int line)
{
    const int id = IdFirstEdit + line;
    const FieldLine field = fieldLine(platform::cp1252::toCodePoints(window.editText(id)));
    // The field shows exactly what will be written, and the note says what
    // it changed until another change needs a note or the line is emptied.
    if (field.changed) {
        window.replaceEditText(id, platform::cp1252::toUtf8(field.line.text()));
        window.setItemUnicodeText(IdLineNote, "Line " + std::to_string(line + 1) + ": " + field.note);
        noteLine = line;
    } else if (noteLine == line && field.line.empty()) {
        window.setItemUnicodeText(IdLineNote, "");
        noteLine = -1;
    }
    warningLines.setLine(line, field.line);
    window.setItemText(IdFirstPreview + line, warningLines.lineText(line));
    linesEditedByOwner();
    showFitLine(window);
}

// The edit refused what would have taken it past a line's length.
void onEditFull(DialogWindow& window, int line)
{
    window.setItemUnicodeText(IdLineNote, "Line " + std::to_string(line + 1) + ": at most " +
                                              std::to_string(kLineCharacters) + " characters");
    noteLine = line;
}

void onModelSelected(DialogWindow& window)
{
    if (dialogState <= 0)
        return;
    const int index = window.listSelection(IdModelList);
    // Once per choice: the firmware is read here, not per keystroke.
    chooseFirmware(index);
    if (index <= 0) {
        dialogState = kStateLines;
        setStatus(kSelectModel);
    } else {
        dialogState = kStateModel;
        char section[kNameBuffer];
        modelSection(index, section);
        char release[kNameBuffer];
        readModelValue(section, "Rel", "??", release, sizeof release);
        // A long label is cut at the end of the status text.
        if (std::snprintf(statusText, sizeof statusText,
                          "Click OK to modify firmware rel %s...", release) < 0)
            setStatus("");
    }
    showStatus(window);
    showFitLine(window);
}

void onOk(DialogWindow& window)
{
    const int index = window.listSelection(IdModelList);
    // No selection at all (text typed into the list's edit field) counts as
    // "No Gps": a patch run needs a model.
    if (index <= 0) {
        platform::messageBox(window.handle(), "No Gps selected", kAppTitle,
                             platform::MbOk | platform::MbIconWarning);
        return;
    }
    // Seven empty lines would blank every language's text: asked first, No
    // being the answer Enter gives.
    if (warningLines.holdsNoText() &&
        platform::messageBox(window.handle(), kAllLinesEmpty, kAppTitle,
                             platform::MbYesNo | platform::MbIconWarning | platform::MbDefButton2) !=
            platform::IdYes)
        return;
    char section[kNameBuffer];
    modelSection(index, section);
    if (PatchRun(window.handle(), section) == 1)
        window.endDialog(1);
}

// "Add firmware...": the file the owner picks becomes a model of the list,
// chosen at once; a refusal is shown in the words of wendrix-cli add.
void onAddFirmware(DialogWindow& window)
{
    std::string file;
    if (!window.chooseFile("Add firmware", file))
        return;
    const AddedFirmware added = addFirmware(file, "");
    if (added.outcome != AddedFirmware::Outcome::Added) {
        const bool refused = added.outcome == AddedFirmware::Outcome::Refused;
        platform::messageBox(window.handle(), added.message.c_str(), kAppTitle,
                             platform::MbOk | (refused ? platform::MbIconWarning : platform::MbIconError));
        return;
    }
    fillModelList(window);
    window.listSelect(IdModelList, added.number);
    const bool paged = dialogState != kStateDisclaimer;
    if (paged)
        onModelSelected(window);
    else
        showFitLine(window); // the model file's note is gone now
    const std::string report = addedReport(added) + "\n" + addedNextInDialog(paged);
    platform::messageBox(window.handle(), report.c_str(), kAppTitle, platform::MbOk | platform::MbIconInformation);
    window.focusItem(paged ? IdFirstEdit : IdPage);
}

} // namespace

void mainDialogCreate(DialogWindow& window, std::int32_t parameter)
{
    dialogState = parameter;
    listFilled = false;
    noteLine = -1;
    setStatus(kPressPage);
    centreWindow(window, nullptr);
    window.trimWindowMenu();
    // Each goes on top: Update, About, Check lines, then Add firmware.
    window.insertWindowMenuItem("Add firmware\x85", CmdAddFirmware);
    window.insertWindowMenuItem("Check lines", CmdCheckLines);
    window.insertWindowMenuItem("About Wendrix", CmdAbout);
    window.insertWindowMenuItem("Update Wendrix", CmdUpdate);
    window.setItemPicture(IdPicture, warningBitmap);
    window.setIcons(appIcon);
    window.enableItem(IdOk, false);
    window.armTimer(kModelListTimer, kModelListDelayMs);
    window.enableItem(IdModelList, false);
    for (int i = 0; i < WarningLines::kCount; ++i)
        window.limitEditText(IdFirstEdit + i, static_cast<int>(kLineCharacters));
    showStatus(window);
    // Page is the only way on from the disclaimer, so Enter and Space press it.
    window.focusItem(IdPage);
}

void mainDialogTimer(DialogWindow& window, int timerId)
{
    if (timerId != kModelListTimer)
        return;
    window.cancelTimer(kModelListTimer);
    // "Page" pressed before the first tick (Enter held while the window
    // opens) has enabled the lines for good: start-up must not take them back.
    const bool keepLines = !listFilled && dialogState != kStateDisclaimer;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        window.setItemFont(IdFirstPreview + i, previewFont);
        if (!keepLines)
            window.enableItem(IdFirstEdit + i, false);
    }
    fillModelList(window);
    listFilled = true;
    window.setCaption(kAppTitle);
    if (dialogState == kStateModel) {
        dialogState = kStateLines;
        setStatus(kSelectModel);
        showStatus(window);
    }
    chooseFirmware(0);
    showFitLine(window);
}

bool mainDialogCommand(DialogWindow& window, int id, int notification)
{
    if (id >= IdFirstEdit && id < IdFirstEdit + WarningLines::kCount) {
        if (notification == NotifyEditChange)
            onEditChange(window, id - IdFirstEdit);
        if (notification == NotifyEditMaxText)
            onEditFull(window, id - IdFirstEdit);
        return false;
    }
    switch (id) {
    case IdPage:
        onPage(window);
        return false;
    case IdModelList:
        if (notification == NotifyListSelChange)
            onModelSelected(window);
        return false;
    case IdFitLine:
        if (notification == NotifyLinkActivated)
            runCheckLines(window);
        return false;
    case IdOk:
        onOk(window);
        return true;
    case IdCancel:
        window.cancelTimer(kModelListTimer);
        window.endDialog(0);
        return true;
    default:
        return false;
    }
}

bool mainDialogSysCommand(DialogWindow& window, int command)
{
    switch (command & 0xFFFF) {
    case CmdAbout:
        window.runAboutBox();
        return true;
    case CmdCheckLines:
        runCheckLines(window);
        return true;
    case CmdAddFirmware:
        onAddFirmware(window);
        return true;
    case CmdUpdate: {
        DialogUpdateHost host(window);
        runUpdateCommand(host, updateCommandUrl);
        return true;
    }
    default:
        return false;
    }
}

void showFitLine(DialogWindow& window)
{
    // With a model chosen, the live fit, which opens "Check lines"; else the
    // note on the model file, if any.
    const std::string fit = dialogState == kStateModel ? liveFitLine() : std::string();
    if (!fit.empty())
        window.setItemLink(IdFitLine, fit.c_str(), true);
    else
        window.setItemLink(IdFitLine, listNote.c_str(), false);
}

int mainDialogWaitForUploader(DialogWindow& window, const std::function<int()>& wait)
{
    window.setItemText(IdStatus, kWaitingForUpdater);
    window.showBusy(true);
    const int status = wait();
    window.showBusy(false);
    showStatus(window);
    return status;
}

} // namespace ui

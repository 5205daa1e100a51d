// The main dialog's behaviour: a disclaimer page, seven line edits mirrored
// into the picture, a model list read from the model file, OK for the patch
// run, and the two window-menu commands.
#pragma once

#include <cstdint>
#include <functional>

#include "ui/dialog_window.h"

// 400 disclaimer page, 1 lines page without a model, 2 model chosen.
extern std::int32_t dialogState;
// The status line shown in field 1066: at most 83 characters.
constexpr int kStatusTextSize = 84;
extern char statusText[kStatusTextSize];

namespace ui {

// Where the Update command fetches the model file: the build's update URL
// unless a test points it at a server of its own.
extern const char* updateCommandUrl;

constexpr std::int32_t kStateDisclaimer = 400;
constexpr std::int32_t kStateLines = 1;
constexpr std::int32_t kStateModel = 2;

// Each handler runs to completion; `window` is the main dialog. A Win32
// dialog procedure calls them for WM_INITDIALOG, WM_TIMER, WM_COMMAND
// (LOWORD = id, HIWORD = notification) and WM_SYSCOMMAND, and answers
// FALSE wherever they return false so that the default handling runs.
void mainDialogCreate(DialogWindow& window, std::int32_t parameter);
void mainDialogTimer(DialogWindow& window, int timerId);
// A command from a control; true when the dialog handled it (OK, Cancel).
bool mainDialogCommand(DialogWindow& window, int id, int notification);
// A window-menu command; true when it was one of the dialog's own, false
// when the toolkit's default handling should carry it out.
bool mainDialogSysCommand(DialogWindow& window, int command);
// The line under the status: with a model chosen how many languages show
// the lines as they are now (a link to "Check lines"), else what to do about
// a model file that lists no model.
void showFitLine(DialogWindow& window);
// The patch run waits for the uploader through this: the status line says
// so and the window shows the busy cursor until `wait` (the front end's wait
// that keeps the window painted) returns its result.
int mainDialogWaitForUploader(DialogWindow& window, const std::function<int()>& wait);

} // namespace ui

#include "ui/win32/edit_menu.h"

#include <string>

#include "engine/warning_lines.h"
#include "ui/dialog_window.h"

namespace ui::win32 {
namespace {

// Editing items carry the message that carries them out as their id.
struct EditItem {
    const char* text; // null: a separator
    UINT message;
};
constexpr EditItem kEditItems[] = {
    {"&Undo", WM_UNDO}, {nullptr, 0},          {"Cu&t", WM_CUT},
    {"&Copy", WM_COPY}, {"&Paste", WM_PASTE},  {"&Delete", WM_CLEAR},
    {nullptr, 0},       {"Select &All", EM_SETSEL},
};

bool itemEnabled(HWND edit, UINT message)
{
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    switch (message) {
    case WM_UNDO:
        return SendMessageA(edit, EM_CANUNDO, 0, 0) != 0;
    case WM_CUT:
    case WM_COPY:
    case WM_CLEAR:
        return start != end;
    case WM_PASTE:
        return IsClipboardFormatAvailable(CF_TEXT) != 0 || IsClipboardFormatAvailable(CF_UNICODETEXT) != 0;
    default: // select all
        return start != 0 || end != static_cast<DWORD>(GetWindowTextLengthA(edit));
    }
}

// Appends the dialog's own commands: the window-menu items above its first
// separator, after a separator of their own when the menu has items already.
void appendWindowCommands(HMENU menu, HWND dialog)
{
    HMENU windowMenu = GetSystemMenu(dialog, FALSE);
    const int count = GetMenuItemCount(windowMenu);
    bool separated = GetMenuItemCount(menu) == 0;
    for (int i = 0; i < count; ++i) {
        char text[64] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(windowMenu, static_cast<UINT>(i), TRUE, &info) ||
            (info.fType & MFT_SEPARATOR) != 0)
            break;
        if (!separated)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, info.wID, text);
        separated = true;
    }
}

// The menu of an edit field (with the editing commands) or of another
// control (the dialog's commands alone).
void showMenu(HWND control, bool editing, LPARAM where)
{
    HWND dialog = GetAncestor(control, GA_ROOT);
    SetFocus(control);
    HMENU menu = CreatePopupMenu();
    if (editing) {
        for (const EditItem& item : kEditItems) {
            if (item.text == nullptr)
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenuA(menu, MF_STRING | (itemEnabled(control, item.message) ? 0 : MF_GRAYED),
                            item.message, item.text);
        }
    }
    appendWindowCommands(menu, dialog);

    POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == -1) { // from the keyboard: below the edit's left corner
        RECT frame;
        GetWindowRect(control, &frame);
        at = {frame.left, frame.bottom};
    }
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, control, nullptr));
    DestroyMenu(menu);
    if (chosen == 0)
        return;
    if (editing && chosen == EM_SETSEL)
        SendMessageA(control, EM_SETSEL, 0, -1);
    else if (editing && chosen >= WM_CUT && chosen <= WM_UNDO)
        SendMessageA(control, chosen, 0, 0);
    else // one of the dialog's commands, as the window menu sends it
        SendMessageA(dialog, WM_SYSCOMMAND, chosen, 0);
}

bool isLineEdit(HWND edit)
{
    const int id = GetDlgCtrlID(edit);
    return id >= IdFirstEdit && id < IdFirstEdit + WarningLines::kCount;
}

// Puts the whole text on the clipboard, line breaks and all, in place of the
// selection: the dialog logic then decides what the field keeps, as for any
// other change (a single-line edit itself would keep only the first line).
void pasteWhole(HWND edit)
{
    if (!OpenClipboard(edit))
        return;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* characters = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = characters;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

// A Unicode window procedure, so that a typed character the code page lacks
// reaches the edit as it is, for the dialog logic to see.
LRESULT CALLBACK editProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CONTEXTMENU) {
        showMenu(edit, true, lParam);
        return 0;
    }
    if (message == WM_PASTE && isLineEdit(edit)) {
        pasteWhole(edit);
        return 0;
    }
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_USERDATA));
    return CallWindowProcW(original, edit, message, wParam, lParam);
}

void subclass(HWND edit)
{
    if (edit == nullptr)
        return;
    SetWindowLongPtrW(edit, GWLP_USERDATA, GetWindowLongPtrW(edit, GWLP_WNDPROC));
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editProc));
}

} // namespace

void addWindowMenuToEditMenus(HWND dialog)
{
    for (int i = 0; i < WarningLines::kCount; ++i)
        subclass(GetDlgItem(dialog, IdFirstEdit + i));
    // The model list's edit field is the combo box's child.
    subclass(FindWindowExA(GetDlgItem(dialog, IdModelList), nullptr, "Edit", nullptr));
}

bool showWindowMenu(HWND dialog, HWND clicked, LPARAM where)
{
    // Statics let clicks through: a click on a label or the picture is one
    // on the background too.
    if (clicked != dialog)
        return false;
    POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (where == -1) { // from the keyboard: the client area's corner
        at = {0, 0};
        ClientToScreen(dialog, &at);
    }
    // As with the other menus, the command runs once the menu has gone.
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(GetSystemMenu(dialog, FALSE), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0,
                       dialog, nullptr));
    if (chosen != 0)
        SendMessageA(dialog, WM_SYSCOMMAND, chosen, MAKELPARAM(at.x, at.y));
    return true;
}

bool showModelListMenu(HWND dialog, HWND clicked, LPARAM where)
{
    if (clicked == nullptr || clicked != GetDlgItem(dialog, IdModelList))
        return false;
    showMenu(clicked, false, where);
    return true;
}

} // namespace ui::win32

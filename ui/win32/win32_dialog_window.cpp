#include "ui/win32/win32_dialog_window.h"

#include <commdlg.h>

#include <algorithm>
#include <string>

#include "ui/win32/check_lines_window.h"
#include "engine/warning_lines.h"
#include "platform/cp1252.h"
#include "ui/win32/dialog_procs.h"

namespace ui::win32 {
namespace {

std::wstring wideOf(const std::string& utf8)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

} // namespace

platform::WindowHandle Win32DialogWindow::handle()
{
    return window_;
}

platform::WindowHandle Win32DialogWindow::itemHandle(int id)
{
    return GetDlgItem(window_, id);
}

void Win32DialogWindow::setItemText(int id, const char* text)
{
    // An edit answers with EN_CHANGE before this returns. A line edit is
    // read as Unicode (editText), so it is given its text as Windows-1252
    // says, whatever code page the system uses.
    if (id >= IdFirstEdit && id < IdFirstEdit + WarningLines::kCount)
        SetDlgItemTextW(window_, id, wideOf(platform::cp1252::toUtf8(text)).c_str());
    else
        SetDlgItemTextA(window_, id, text);
}

void Win32DialogWindow::getItemText(int id, char* out, int size)
{
    if (out == nullptr || size <= 0)
        return;
    out[0] = '\0';
    GetDlgItemTextA(window_, id, out, size);
    out[size - 1] = '\0';
}

// The edits hold Unicode text (they come from Common Controls 6), so a
// pasted character that the code page lacks is still there to be seen.
std::string Win32DialogWindow::editText(int id)
{
    HWND edit = GetDlgItem(window_, id);
    std::wstring wide(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    const int got = GetWindowTextW(edit, wide.data(), static_cast<int>(wide.size()));
    const int wideLength = got > 0 ? got : 0;
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, text.data(), size, nullptr, nullptr);
    return text;
}

void Win32DialogWindow::replaceEditText(int id, const std::string& text)
{
    HWND edit = GetDlgItem(window_, id);
    const std::wstring wide = wideOf(text);
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const int fromEnd = GetWindowTextLengthW(edit) - static_cast<int>(end);
    // Answers with EN_CHANGE before this returns.
    SetWindowTextW(edit, wide.c_str());
    const int caret = std::max(0, static_cast<int>(wide.size()) - std::max(0, fromEnd));
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(caret), static_cast<LPARAM>(caret));
}

void Win32DialogWindow::setItemUnicodeText(int id, const std::string& text)
{
    SetDlgItemTextW(window_, id, wideOf(text).c_str());
}

void Win32DialogWindow::limitEditText(int id, int characters)
{
    SendDlgItemMessageA(window_, id, EM_LIMITTEXT, static_cast<WPARAM>(characters), 0);
}

void Win32DialogWindow::enableItem(int id, bool enabled)
{
    EnableWindow(GetDlgItem(window_, id), enabled ? TRUE : FALSE);
}

void Win32DialogWindow::hideItem(int id)
{
    ShowWindow(GetDlgItem(window_, id), SW_HIDE);
}

void Win32DialogWindow::focusItem(int id)
{
    // As the dialog manager moves the focus, so the default button follows.
    SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, id)), TRUE);
}

void Win32DialogWindow::setCaption(const char* text)
{
    SetWindowTextA(window_, text);
}

void Win32DialogWindow::setItemLink(int id, const char* text, bool link)
{
    HWND control = GetDlgItem(window_, id);
    if (control == nullptr)
        return;
    // The words wrapped here, with a character's width to spare: Wine's
    // SysLink breaks a line inside a word, and lets the last letters run
    // past its edge.
    HDC context = GetDC(control);
    HGDIOBJ old = SelectObject(context, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(context, &metrics);
    RECT area;
    GetClientRect(control, &area);
    const int room = area.right - 2 * metrics.tmAveCharWidth;
    std::string wrapped;
    std::string line;
    const std::string words = text;
    for (std::size_t at = 0; at <= words.size();) {
        std::size_t end = words.find(' ', at);
        if (end == std::string::npos)
            end = words.size();
        const std::string word = words.substr(at, end - at);
        const std::string longer = line.empty() ? word : line + " " + word;
        SIZE extent{};
        GetTextExtentPoint32A(context, longer.c_str(), static_cast<int>(longer.size()), &extent);
        if (extent.cx > room && !line.empty()) {
            wrapped += line + "\n";
            line = word;
        } else {
            line = longer;
        }
        at = end + 1;
    }
    wrapped += line;
    SelectObject(context, old);
    ReleaseDC(control, context);
    // A SysLink reads "<a>" as markup; a note holds no such tag.
    const std::string markup = link ? "<a>" + wrapped + "</a>" : wrapped;
    SetWindowTextA(control, markup.c_str());
    // Only a link is a tab stop, so that Tab, then Enter or Space, opens it.
    const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    SetWindowLongPtrA(control, GWL_STYLE, link ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP));
}

void Win32DialogWindow::showBusy(bool busy)
{
    // The dialog procedure keeps the cursor while the property is there.
    if (busy)
        SetPropA(window_, kBusyProperty, reinterpret_cast<HANDLE>(1));
    else
        RemovePropA(window_, kBusyProperty);
    SetCursor(LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void Win32DialogWindow::listReset(int id)
{
    SendDlgItemMessageA(window_, id, CB_RESETCONTENT, 0, 0);
}

void Win32DialogWindow::listAppend(int id, const char* text)
{
    SendDlgItemMessageA(window_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void Win32DialogWindow::listSelect(int id, int index)
{
    SendDlgItemMessageA(window_, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogWindow::listSelection(int id)
{
    return static_cast<int>(SendDlgItemMessageA(window_, id, CB_GETCURSEL, 0, 0));
}

void Win32DialogWindow::setItemPicture(int id, void* picture)
{
    SendDlgItemMessageA(window_, id, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(picture));
}

void Win32DialogWindow::setIcons(void* icon)
{
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void Win32DialogWindow::setItemFont(int id, void* font)
{
    SendDlgItemMessageA(window_, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Win32DialogWindow::trimWindowMenu()
{
    HMENU menu = GetSystemMenu(window_, FALSE);
    for (UINT command : {SC_SIZE, SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE})
        DeleteMenu(menu, command, MF_BYCOMMAND);
    DrawMenuBar(window_);
}

void Win32DialogWindow::insertWindowMenuItem(const char* text, int command)
{
    HMENU menu = GetSystemMenu(window_, FALSE);
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(command), text);
    DrawMenuBar(window_);
}

void Win32DialogWindow::armTimer(int timerId, unsigned milliseconds)
{
    SetTimer(window_, static_cast<UINT_PTR>(timerId), milliseconds, nullptr);
}

void Win32DialogWindow::cancelTimer(int timerId)
{
    KillTimer(window_, static_cast<UINT_PTR>(timerId));
}

void Win32DialogWindow::endDialog(int result)
{
    EndDialog(window_, result);
}

void Win32DialogWindow::runAboutBox()
{
    win32::runAboutBox(window_);
}

void Win32DialogWindow::runCheckLinesWindow()
{
    win32::runCheckLinesWindow(window_);
}

bool Win32DialogWindow::chooseFile(const char* title, std::string& path)
{
    char file[4096] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = "Firmware images (*.rgn)\0*.rgn\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrTitle = title;
    // The model file's names are looked for in the current folder: it must
    // not follow the folder browsed to.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&dialog))
        return false;
    path = file;
    return true;
}

bool Win32DialogWindow::screenSize(int* width, int* height)
{
    HDC context = GetDC(window_);
    if (context == nullptr)
        return false;
    *width = GetDeviceCaps(context, HORZRES);
    *height = GetDeviceCaps(context, VERTRES);
    ReleaseDC(window_, context);
    return true;
}

bool Win32DialogWindow::windowRect(WindowRect* rect)
{
    RECT found;
    if (!GetWindowRect(window_, &found))
        return false;
    rect->left = found.left;
    rect->top = found.top;
    rect->right = found.right;
    rect->bottom = found.bottom;
    return true;
}

bool Win32DialogWindow::moveWindow(int x, int y)
{
    return SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER) != 0;
}

} // namespace ui::win32

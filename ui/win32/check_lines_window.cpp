#include "ui/win32/check_lines_window.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "ui/centre_window.h"
#include "ui/check_lines.h"
#include "ui/startup.h"
#include "ui/win32/win32_dialog_window.h"

namespace ui::win32 {
namespace {

constexpr int kColumns = static_cast<int>(std::size(kCheckColumns));
constexpr int kShownColumn = 2;
constexpr int kChangeColumn = 3;

class Win32CheckLinesWindow final : public CheckLinesWindow {
public:
    Win32CheckLinesWindow(HWND dialog, HWND main) : dialog_(dialog), main_(main) {}
    ~Win32CheckLinesWindow() override;

    void setUp();
    void show(const CheckLinesView& view) override;
    void close() override { EndDialog(dialog_, 0); }

    HWND main() const { return main_; }
    // Draws row `index` of the table itself (custom draw).
    void drawRow(HDC context, int index) const;

private:
    HWND item(int id) const { return GetDlgItem(dialog_, id); }
    int textWidth(HFONT font, const std::string& text) const;
    int textHeight(HFONT font, const std::string& text, int width) const;
    void fillTable();

    HWND dialog_;
    HWND main_;
    CheckLinesView view_;
    HFONT fixedFont_ = nullptr;
    HIMAGELIST rowHeight_ = nullptr; // an empty image list as tall as a row
    int padding_ = 4;
};

Win32CheckLinesWindow::~Win32CheckLinesWindow()
{
    if (rowHeight_ != nullptr)
        ImageList_Destroy(rowHeight_);
    if (fixedFont_ != nullptr)
        DeleteObject(fixedFont_);
}

HFONT dialogFont(HWND dialog)
{
    return reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
}

void Win32CheckLinesWindow::setUp()
{
    // The fixed-width face at the dialog font's own height, so that both
    // grow alike with the DPI.
    LOGFONTA font{};
    GetObjectA(dialogFont(dialog_), sizeof font, &font);
    font.lfWeight = FW_NORMAL;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(font.lfFaceName, "Courier New", LF_FACESIZE);
    fixedFont_ = CreateFontIndirectA(&font);
    SendMessageA(item(IdCheckArranged), WM_SETFONT, reinterpret_cast<WPARAM>(fixedFont_), FALSE);

    RECT pad{0, 0, 3, 2};
    MapDialogRect(dialog_, &pad);
    padding_ = pad.right;

    HWND table = item(IdCheckTable);
    SendMessageA(table, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < kColumns; ++column) {
        // Wine's header drops the last letters of a longer heading; two
        // blanks after it, which show as nothing, keep them.
        std::string heading = std::string(kCheckColumns[column]) + "  ";
        LVCOLUMNA entry{};
        entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        entry.pszText = heading.data();
        entry.cx = 50;
        entry.iSubItem = column;
        SendMessageA(table, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&entry));
    }
}

int Win32CheckLinesWindow::textWidth(HFONT font, const std::string& text) const
{
    HDC context = GetDC(dialog_);
    HGDIOBJ old = SelectObject(context, font);
    RECT area{0, 0, 0, 0};
    DrawTextA(context, text.c_str(), static_cast<int>(text.size()), &area, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(context, old);
    ReleaseDC(dialog_, context);
    return area.right;
}

int Win32CheckLinesWindow::textHeight(HFONT font, const std::string& text, int width) const
{
    HDC context = GetDC(dialog_);
    HGDIOBJ old = SelectObject(context, font);
    RECT area{0, 0, width, 0};
    DrawTextA(context, text.empty() ? " " : text.c_str(), -1, &area, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(context, old);
    ReleaseDC(dialog_, context);
    return area.bottom;
}

void Win32CheckLinesWindow::show(const CheckLinesView& view)
{
    view_ = view;
    SetDlgItemTextA(dialog_, IdCheckHeading, view_.heading.c_str());
    SetDlgItemTextA(dialog_, IdCheckArrangedNote, view_.arrangedNote.c_str());
    std::string lines;
    for (const std::string& line : view_.arranged)
        lines += (lines.empty() ? "" : "\r\n") + line;
    SetDlgItemTextA(dialog_, IdCheckArranged, lines.c_str());

    // A button that is turned off while it has the focus hands it on.
    HWND focus = GetFocus();
    EnableWindow(item(IdUseLines), view_.canUse ? TRUE : FALSE);
    EnableWindow(item(IdBackToMyLines), view_.canGoBack ? TRUE : FALSE);
    if (focus != nullptr && !IsWindowEnabled(focus)) {
        HWND next = view_.canUse ? item(IdUseLines) : view_.canGoBack ? item(IdBackToMyLines) : item(IDOK);
        SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    }
    fillTable();
}

void Win32CheckLinesWindow::fillTable()
{
    HWND table = item(IdCheckTable);
    const HFONT font = dialogFont(dialog_);
    SendMessageA(table, LVM_DELETEALLITEMS, 0, 0);

    // Each column as wide as its widest cell and its heading (which the
    // header draws with margins of its own); what is left goes to the
    // advice, which wraps.
    int widths[kColumns];
    for (int column = 0; column < kColumns; ++column)
        widths[column] = textWidth(font, kCheckColumns[column]) + 4 * padding_;
    for (const CheckRow& row : view_.rows) {
        widths[0] = std::max(widths[0], textWidth(font, row.language));
        widths[1] = std::max(widths[1], textWidth(font, row.markText));
        if (row.shown.empty())
            widths[kShownColumn] = std::max(widths[kShownColumn], textWidth(font, row.shownNote));
        for (const std::string& line : row.shown)
            widths[kShownColumn] = std::max(widths[kShownColumn], textWidth(fixedFont_, line));
    }
    RECT client;
    GetClientRect(table, &client);
    int used = 0;
    for (int column = 0; column < kChangeColumn; ++column) {
        widths[column] += 2 * padding_;
        used += widths[column];
    }
    widths[kChangeColumn] = std::max<int>(widths[kChangeColumn] + 2 * padding_,
                                          client.right - used - GetSystemMetrics(SM_CXVSCROLL));
    for (int column = 0; column < kColumns; ++column)
        SendMessageA(table, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), widths[column]);

    // Every row as tall as the tallest: its shown lines, or its advice wrapped.
    TEXTMETRICA fixed{};
    HDC context = GetDC(dialog_);
    HGDIOBJ old = SelectObject(context, fixedFont_);
    GetTextMetricsA(context, &fixed);
    SelectObject(context, old);
    ReleaseDC(dialog_, context);
    int height = textHeight(font, " ", 100);
    for (const CheckRow& row : view_.rows) {
        height = std::max<int>(height, static_cast<int>(row.shown.size()) * fixed.tmHeight);
        height = std::max(height, textHeight(font, row.change, widths[kChangeColumn] - 2 * padding_));
    }
    height += 2 * padding_;
    HIMAGELIST rows = ImageList_Create(1, height, ILC_COLOR, 1, 0);
    SendMessageA(table, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rows));
    if (rowHeight_ != nullptr)
        ImageList_Destroy(rowHeight_);
    rowHeight_ = rows;

    for (std::size_t i = 0; i < view_.rows.size(); ++i) {
        LVITEMA entry{};
        entry.mask = LVIF_TEXT | LVIF_PARAM;
        entry.iItem = static_cast<int>(i);
        entry.pszText = const_cast<char*>(view_.rows[i].language.c_str());
        entry.lParam = static_cast<LPARAM>(i);
        SendMessageA(table, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&entry));
    }
    if (!view_.rows.empty()) {
        LVITEMA state{};
        state.stateMask = LVIS_FOCUSED;
        state.state = LVIS_FOCUSED;
        SendMessageA(table, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    }
}

void Win32CheckLinesWindow::drawRow(HDC context, int index) const
{
    if (index < 0 || index >= static_cast<int>(view_.rows.size()))
        return;
    const CheckRow& row = view_.rows[static_cast<std::size_t>(index)];
    HWND table = item(IdCheckTable);
    RECT bounds{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(table, LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&bounds));
    const UINT state = static_cast<UINT>(
        SendMessageA(table, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED | LVIS_FOCUSED));
    const bool focused = GetFocus() == table;
    const bool selected = (state & LVIS_SELECTED) != 0;
    const bool highlighted = selected && focused;

    FillRect(context, &bounds,
             GetSysColorBrush(highlighted ? COLOR_HIGHLIGHT : selected ? COLOR_BTNFACE : COLOR_WINDOW));
    const COLORREF ink = GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    SetBkMode(context, TRANSPARENT);
    const HFONT font = dialogFont(dialog_);
    HGDIOBJ old = SelectObject(context, font);

    int left = bounds.left;
    for (int column = 0; column < kColumns; ++column) {
        const int width = static_cast<int>(SendMessageA(table, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
        RECT cell{left + padding_, bounds.top + padding_, left + width - padding_, bounds.bottom - padding_};
        left += width;
        SetTextColor(context, ink);
        SelectObject(context, font);
        switch (column) {
        case 0:
            DrawTextA(context, row.language.c_str(), -1, &cell, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
            break;
        case 1:
            // The mark in its colour: green fits, red does not, grey for the
            // languages that keep their own warning.
            if (!highlighted)
                SetTextColor(context, row.mark == FitMark::Fits         ? RGB(0, 120, 0)
                                      : row.mark == FitMark::DoesNotFit ? RGB(176, 0, 0)
                                                                        : GetSysColor(COLOR_GRAYTEXT));
            DrawTextA(context, row.markText.c_str(), -1, &cell, DT_SINGLELINE | DT_NOPREFIX);
            break;
        case kShownColumn:
            if (row.shown.empty()) {
                DrawTextA(context, row.shownNote.c_str(), -1, &cell, DT_WORDBREAK | DT_NOPREFIX);
                break;
            }
            SelectObject(context, fixedFont_);
            for (const std::string& line : row.shown) {
                DrawTextA(context, line.c_str(), static_cast<int>(line.size()), &cell,
                          DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS);
                TEXTMETRICA metrics{};
                GetTextMetricsA(context, &metrics);
                cell.top += metrics.tmHeight;
            }
            break;
        default:
            DrawTextA(context, row.change.c_str(), -1, &cell, DT_WORDBREAK | DT_NOPREFIX);
            break;
        }
    }
    SelectObject(context, old);
    // A faint rule under each row keeps the rows of several lines apart.
    RECT rule{bounds.left, bounds.bottom - 1, bounds.right, bounds.bottom};
    FillRect(context, &rule, GetSysColorBrush(COLOR_3DLIGHT));
    if (focused && (state & LVIS_FOCUSED) != 0)
        DrawFocusRect(context, &bounds);
}

INT_PTR CALLBACK checkLinesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* window = reinterpret_cast<Win32CheckLinesWindow*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        window = new Win32CheckLinesWindow(dialog, reinterpret_cast<HWND>(lParam));
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(window));
        window->setUp();
        Win32DialogWindow main(window->main());
        checkLinesCreate(*window, main);
        Win32DialogWindow placed(dialog);
        centreWindow(placed, &main);
        return TRUE; // the focus goes to the first control that takes it: the table
    }
    case WM_COMMAND:
        if (window == nullptr)
            return FALSE;
        {
            Win32DialogWindow main(window->main());
            return checkLinesCommand(*window, main, LOWORD(wParam)) ? TRUE : FALSE;
        }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (window == nullptr || header->idFrom != IdCheckTable || header->code != NM_CUSTOMDRAW)
            return FALSE;
        const auto* draw = reinterpret_cast<const NMLVCUSTOMDRAW*>(lParam);
        LRESULT result = CDRF_DODEFAULT;
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            window->drawRow(draw->nmcd.hdc, static_cast<int>(draw->nmcd.dwItemSpec));
            result = CDRF_SKIPDEFAULT;
        }
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_DESTROY:
        delete window;
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void runCheckLinesWindow(HWND owner)
{
    DialogBoxParamA(static_cast<HINSTANCE>(appInstance), MAKEINTRESOURCEA(600), owner, checkLinesProc,
                    reinterpret_cast<LPARAM>(owner));
}

} // namespace ui::win32

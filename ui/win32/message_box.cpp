#include "ui/win32/message_box.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "ui/centre_window.h"
#include "ui/win32/win32_dialog_window.h"

namespace ui::win32 {
namespace {

constexpr int kTextId = 0xFFFF; // the static text has no id of its own
constexpr int kIconId = 20;

struct Request {
    const char* text;
    const char* caption;
    unsigned style;
    HWND owner;
};

struct ButtonSpec {
    int id;
    const char* text;
};

// The buttons of a style, first to last; the second is the default with
// MbDefButton2.
std::vector<ButtonSpec> buttonsOf(unsigned style)
{
    switch (style & 0x0F) {
    case platform::MbOkCancel:
        return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case platform::MbYesNo:
        return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    default:
        return {{IDOK, "OK"}};
    }
}

LPCSTR iconOf(unsigned style)
{
    switch (style & 0xF0) {
    case platform::MbIconError:
        return IDI_HAND;
    case platform::MbIconWarning:
        return IDI_EXCLAMATION;
    case platform::MbIconInformation:
        return IDI_ASTERISK;
    default:
        return nullptr;
    }
}

// Dialog units to pixels in the box's own font.
SIZE units(HWND box, int x, int y)
{
    RECT rect{0, 0, x, y};
    MapDialogRect(box, &rect);
    return {rect.right, rect.bottom};
}

HWND addControl(HWND box, const char* type, const char* text, DWORD style, int id, HFONT font)
{
    HWND control = CreateWindowExA(0, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, box,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void layOut(HWND box, const Request& request)
{
    SetWindowTextA(box, request.caption);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
    const SIZE margin = units(box, 7, 7);
    const SIZE button = units(box, 50, 14);
    const SIZE gap = units(box, 4, 4);

    HWND icon = nullptr;
    SIZE iconSize{0, 0};
    if (LPCSTR name = iconOf(request.style)) {
        icon = addControl(box, "Static", "", SS_ICON, kIconId, font);
        SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, name)), 0);
        iconSize = {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
    }

    // The text as this font draws it, wrapped at five eighths of the work
    // area as a system box wraps, or at 80 characters for lines that stay
    // readable; the last glyph may reach past its advance width, so a
    // character's width more is kept free beside the widest line.
    RECT work{0, 0, 1024, 768};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    HDC context = GetDC(box);
    HGDIOBJ old = SelectObject(context, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(context, &metrics);
    const int widest = std::max<int>(
        std::min<int>((work.right - work.left) * 5 / 8 - iconSize.cx, 80 * metrics.tmAveCharWidth),
        20 * metrics.tmAveCharWidth);
    RECT text{0, 0, widest, 0};
    DrawTextA(context, request.text, -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(context, old);
    ReleaseDC(box, context);
    const int textWidth = text.right + metrics.tmAveCharWidth;
    const int textHeight = text.bottom + metrics.tmDescent / 2;

    const std::vector<ButtonSpec> buttons = buttonsOf(request.style);
    const int count = static_cast<int>(buttons.size());
    const int buttonsWidth = count * button.cx + (count - 1) * gap.cx;
    const int iconColumn = icon != nullptr ? iconSize.cx + margin.cx : 0;
    const int contentHeight = std::max<int>(iconSize.cy, textHeight);
    const int width = margin.cx * 2 + std::max(iconColumn + textWidth, buttonsWidth);
    const int height = margin.cy * 3 + contentHeight + button.cy;

    if (icon != nullptr)
        SetWindowPos(icon, nullptr, margin.cx, margin.cy + (contentHeight - iconSize.cy) / 2, iconSize.cx,
                     iconSize.cy, SWP_NOZORDER);
    HWND label = addControl(box, "Static", request.text, SS_LEFT | SS_NOPREFIX, kTextId, font);
    SetWindowPos(label, nullptr, margin.cx + iconColumn, margin.cy + (contentHeight - textHeight) / 2, textWidth,
                 textHeight, SWP_NOZORDER);

    const int defaultIndex = (request.style & platform::MbDefButton2) != 0 && count > 1 ? 1 : 0;
    int x = (width - buttonsWidth) / 2;
    HWND focus = nullptr;
    for (int i = 0; i < count; ++i) {
        const DWORD kind = i == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        HWND control =
            addControl(box, "Button", buttons[i].text, kind | WS_TABSTOP | (i == 0 ? WS_GROUP : 0), buttons[i].id, font);
        SetWindowPos(control, nullptr, x, margin.cy * 2 + contentHeight, button.cx, button.cy, SWP_NOZORDER);
        x += button.cx + gap.cx;
        if (i == defaultIndex)
            focus = control;
    }
    SendMessageA(box, DM_SETDEFID, static_cast<WPARAM>(buttons[defaultIndex].id), 0);
    // A Yes/No question is answered, not closed.
    if ((request.style & 0x0F) == platform::MbYesNo)
        EnableMenuItem(GetSystemMenu(box, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);

    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(box, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(box, GWL_EXSTYLE)));
    SetWindowPos(box, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    Win32DialogWindow placed(box);
    Win32DialogWindow over(request.owner);
    centreWindow(placed, request.owner != nullptr ? &over : nullptr);
    SendMessageA(box, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
}

INT_PTR CALLBACK boxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto* request = reinterpret_cast<const Request*>(lParam);
        SetWindowLongPtrA(box, DWLP_USER, static_cast<LONG_PTR>(request->style));
        layOut(box, *request);
        return FALSE; // the default button has the focus
    }
    case WM_COMMAND: {
        const unsigned buttons = static_cast<unsigned>(GetWindowLongPtrA(box, DWLP_USER)) & 0x0F;
        const int id = LOWORD(wParam);
        if (id == IDCANCEL) {
            // Escape and the close box: Cancel where there is one, OK on a
            // box with OK alone; a question waits for Yes or No.
            if (buttons == platform::MbYesNo)
                return TRUE;
            EndDialog(box, buttons == platform::MbOkCancel ? IDCANCEL : IDOK);
            return TRUE;
        }
        if (id == IDOK || id == IDYES || id == IDNO) {
            EndDialog(box, id);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

// An empty dialog template in the shell's dialog font; the controls are
// made when the box knows its text.
std::vector<WORD> boxTemplate()
{
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* head = reinterpret_cast<DLGTEMPLATE*>(words.data());
    head->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    head->cdit = 0;
    words.push_back(0); // no menu
    words.push_back(0); // the standard dialog class
    words.push_back(0); // no title: it is set with the text
    words.push_back(8); // points
    for (const char* c = "MS Shell Dlg"; *c != '\0'; ++c)
        words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    return words;
}

} // namespace

int showMessageBox(platform::WindowHandle owner, const char* text, const char* caption, unsigned style)
{
    if (UINT sound = style & 0xF0; sound != 0)
        MessageBeep(sound);
    const Request request{text != nullptr ? text : "", caption != nullptr ? caption : "", style,
                          static_cast<HWND>(owner)};
    const std::vector<WORD> words = boxTemplate();
    const INT_PTR answer =
        DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()),
                                request.owner, boxProc, reinterpret_cast<LPARAM>(&request));
    // Where the box cannot be made, the system's own tells the owner all the same.
    if (answer <= 0)
        return MessageBoxA(request.owner, request.text, request.caption, style);
    return static_cast<int>(answer);
}

} // namespace ui::win32

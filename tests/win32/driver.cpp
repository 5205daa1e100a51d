// Drives wendrix.exe (WENDRIX_GUI_EXE) through window messages in a demo
// folder (WENDRIX_DEMO_DIR) with a model file, a generated firmware image and
// a stand-in uploader, then checks what it wrote. With WENDRIX_SCREENSHOT set
// it asks for a screen picture via "screenshot.request"/"screenshot.done".
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/line_check.h"
#include "tests/support/firmware_maker.h"
#include "tests/support/line_cases.h"
#include "tests/support/preview_ink.h"
#include "tests/win32/win_test_folder.h"

namespace {

constexpr int kTexts = 10;

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string windowText(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The words of a SysLink that is a link, as two lines are read as one; ""
// when it is no link.
std::string linkText(HWND link)
{
    std::string text = windowText(link);
    if (text.rfind("<a>", 0) != 0 || text.size() < 7 || text.substr(text.size() - 4) != "</a>")
        return "";
    text = text.substr(3, text.size() - 7);
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Asked by message, so that an edit control gives its typed text.
std::string itemText(HWND dialog, int id)
{
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// A control's text in UTF-8, every character as the control holds it
// (asked by message: GetWindowText does not ask another process's control).
std::string unicodeText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    std::wstring wide(static_cast<std::size_t>(SendMessageW(item, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    wide.resize(static_cast<std::size_t>(
        SendMessageW(item, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()))));
    std::string text(wide.size() * 4, '\0');
    text.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                                             text.data(), static_cast<int>(text.size()), nullptr,
                                                             nullptr)));
    return text;
}

std::wstring wideOf(const std::string& utf8)
{
    std::wstring wide(utf8.size() + 1, L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    return wide;
}

// Puts UTF-8 `text` on the clipboard, as another program's copy would.
bool putOnClipboard(const std::string& text)
{
    const std::wstring wide = wideOf(text);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    if (memory == nullptr)
        return false;
    std::memcpy(GlobalLock(memory), wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        return false;
    }
    EmptyClipboard();
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!put)
        GlobalFree(memory);
    return put;
}

bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }
bool visible(HWND dialog, int id)
{
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

// Waits up to `ms` for `found` to give a window.
template <typename Find>
HWND waitFor(Find found, DWORD ms = 15000)
{
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (HWND window = found())
            return window;
        Sleep(50);
    }
    return nullptr;
}

// A visible dialog box of the process with the caption, other than `except`.
HWND findDialog(DWORD process, const char* caption, HWND except)
{
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && window != except && windowText(window) == caption &&
            IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

// The text of a message box: its first static control with text, whole.
std::string messageText(HWND box)
{
    for (HWND child = nullptr; (child = FindWindowExA(box, child, "Static", nullptr));)
        if (const int length = GetWindowTextLengthA(child); length > 0) {
            std::string text(static_cast<std::size_t>(length) + 1, '\0');
            text.resize(static_cast<std::size_t>(GetWindowTextA(child, text.data(), length + 1)));
            return text;
        }
    return "";
}

// The question about the uploader; when every language shows the lines, a
// line saying so comes first.
constexpr char kAskUpdater[] = "You may now run UPDATER\nStart UPDATER.EXE now?";
bool asksForUploader(const std::string& text)
{
    return text.ends_with(kAskUpdater);
}

// Clicks the button `id` of a dialog, posted (returns at once) or sent.
void press(HWND dialog, int id, bool wait = false)
{
    const WPARAM command = MAKEWPARAM(id, BN_CLICKED);
    const auto button = reinterpret_cast<LPARAM>(GetDlgItem(dialog, id));
    if (wait)
        SendMessageA(dialog, WM_COMMAND, command, button);
    else
        PostMessageA(dialog, WM_COMMAND, command, button);
}

std::string readRegistryLine(int n)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Zarnek\\Wendrix", 0, KEY_READ, &key) != 0)
        return "(no key)";
    char name[16];
    std::snprintf(name, sizeof name, "Text-%d", n);
    char value[257] = "";
    DWORD size = sizeof value - 1;
    const LONG result =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == 0 ? value : "(no value)";
}

// `name`, when given, is added to the picture's file name; with `window`
// the picture holds that window alone.
void requestScreenshot(const std::string& folder, const std::string& name = "", HWND window = nullptr)
{
    if (env("WENDRIX_SCREENSHOT").empty())
        return;
    const std::string request = folder + "\\screenshot.request";
    const std::string done = folder + "\\screenshot.done";
    std::string asked = name;
    RECT frame;
    if (window != nullptr && GetWindowRect(window, &frame))
        asked += " " + std::to_string(frame.left) + " " + std::to_string(frame.top) + " " +
                 std::to_string(frame.right - frame.left) + " " + std::to_string(frame.bottom - frame.top);
    writeWhole(request, asked);
    for (int i = 0; i < 200 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    DeleteFileA(done.c_str());
}

// The control of `process`'s dialog thread that has the keyboard focus.
HWND focusOf(const PROCESS_INFORMATION& process)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(process.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

// The centre of a window on the screen, doubled to stay in whole pixels.
POINT doubledCentre(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return {rect.left + rect.right, rect.top + rect.bottom};
}

// A control's area in its dialog's client coordinates.
testing_support::PixelBox itemBox(HWND dialog, int id)
{
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - 1, rect.bottom - 1};
}

// Types the long preview lines into the seven edits; the preview fields
// they fill, in order.
std::vector<testing_support::PixelBox> typeLongPreviewLines(HWND dialog)
{
    std::vector<testing_support::PixelBox> fields;
    for (int i = 0; i < 7; ++i) {
        SendDlgItemMessageA(dialog, 1052 + i, WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(testing_support::kLongPreviewLines[i]));
        fields.push_back(itemBox(dialog, 1059 + i));
    }
    return fields;
}

// The dialog's client area as the screen shows it, after its repaints.
struct Screenshot {
    int width = 0, height = 0;
    std::vector<DWORD> pixels; // top row first
    DWORD at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

Screenshot capture(HWND dialog)
{
    Sleep(500);
    RECT client;
    GetClientRect(dialog, &client);
    POINT origin{0, 0};
    ClientToScreen(dialog, &origin);
    Screenshot shot;
    shot.width = client.right;
    shot.height = client.bottom;
    shot.pixels.resize(static_cast<std::size_t>(shot.width) * shot.height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, shot.width, shot.height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, origin.x, origin.y, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.width;
    info.bmiHeader.biHeight = -shot.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(shot.height), shot.pixels.data(), &info,
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

// The text of a message box is drawn whole: no glyph of it reaches the
// right or the bottom edge of its static, where it would be cut off.
void expectWholeText(HWND box)
{
    HWND label = nullptr;
    for (HWND child = nullptr; (child = FindWindowExA(box, child, "Static", nullptr));)
        if (GetWindowTextLengthA(child) > 0) {
            label = child;
            break;
        }
    ASSERT_NE(label, nullptr) << "no text in the box";
    const Screenshot shot = capture(label);
    ASSERT_GT(shot.width, 2);
    const DWORD background = shot.at(shot.width - 1, 0);
    int inkRight = -1, inkBottom = -1;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (shot.at(x, y) != background) {
                inkRight = std::max(inkRight, x);
                inkBottom = std::max(inkBottom, y);
            }
    ASSERT_GE(inkRight, 0) << "nothing drawn";
    EXPECT_LT(inkRight, shot.width - 2) << "cut off at the right: " << windowText(label);
    EXPECT_LT(inkBottom, shot.height - 1) << "cut off at the bottom: " << windowText(label);
}

class ProgramUnderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string program = env("WENDRIX_GUI_EXE");
        folder = env("WENDRIX_DEMO_DIR");
        ASSERT_FALSE(program.empty()) << "WENDRIX_GUI_EXE is not set";
        ASSERT_FALSE(folder.empty()) << "WENDRIX_DEMO_DIR is not set";
        CreateDirectoryA(folder.c_str(), nullptr);
        folder += std::string("\\") +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
        exe = folder + "\\wendrix.exe";
        ASSERT_TRUE(CopyFileA(program.c_str(), exe.c_str(), FALSE)) << program;

        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string probe(self);
        probe = probe.substr(0, probe.find_last_of("\\/") + 1) + "wendrix_startup_probe.exe";
        ASSERT_TRUE(CopyFileA(probe.c_str(), (folder + "\\UPDATER.EXE").c_str(), FALSE));

        firmware = makeFirmware(64 * 1024, kTexts, 7);
        original.assign(firmware.bytes.begin(), firmware.bytes.end());
        ASSERT_TRUE(writeWhole(folder + "\\modela.rgn", original));
        crc = crc32(0, firmware.bytes.data(), static_cast<uInt>(firmware.bytes.size()));
        char ini[512];
        std::snprintf(ini, sizeof ini,
                      "[GPS]\r\nDate=01.12.26\r\nGps-1=Model A 2.40\r\nGps-2=Model B 3.10\r\n"
                      "[Model A 2.40]\r\norg=modela.org\r\nrgn=modela.rgn\r\ncrc=%08lx\r\n"
                      "lang=%d\r\nRel=2.40\r\n"
                      "[Model B 3.10]\r\norg=modelb.org\r\nrgn=modelb.rgn\r\ncrc=e6b0c2d9\r\n"
                      "lang=14\r\nRel=3.10\r\n",
                      crc, kTexts);
        ASSERT_TRUE(writeWhole(folder + "\\wendrix.ini", ini));
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Zarnek\\Wendrix");
    }

    void TearDown() override
    {
        // A stand-in uploader still held by a failed test ends too.
        writeWhole(folder + "\\probe-release.txt", "");
        if (process.hProcess != nullptr) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hProcess);
        }
    }

    // Starts the program in the demo folder and waits for its first tick,
    // which gives the main dialog its caption.
    HWND start()
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine = "\"" + exe + "\" ignored arguments";
        if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &startup, &process))
            return nullptr;
        CloseHandle(process.hThread);
        return waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", nullptr); });
    }

    DWORD exitCode(DWORD ms = 20000)
    {
        if (WaitForSingleObject(process.hProcess, ms) != WAIT_OBJECT_0)
            return 12345;
        DWORD code = 12345;
        GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    std::string folder;
    std::string exe;
    MadeFirmware firmware;
    std::string original; // the firmware's bytes
    unsigned long crc = 0;
    PROCESS_INFORMATION process{};
};

} // namespace

TEST_F(ProgramUnderTest, PatchesTheFirmwareFromTypedLines)
{
    HWND dialog = start();
    ASSERT_NE(dialog, nullptr) << "no main dialog appeared";

    // The disclaimer page after the first tick.
    EXPECT_EQ(itemText(dialog, 1059), "WARNING");
    EXPECT_EQ(itemText(dialog, 1065), "using this program.");
    EXPECT_EQ(itemText(dialog, 1066), "Press page to continue ...");
    EXPECT_FALSE(enabled(dialog, 1));
    EXPECT_FALSE(enabled(dialog, 1028));
    EXPECT_FALSE(enabled(dialog, 1052));
    EXPECT_TRUE(visible(dialog, 1029));
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1028, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1028, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(focusOf(process), GetDlgItem(dialog, 1029)) << "Enter and Space press Page";
    // The picture keeps clear of the rule under it.
    const testing_support::PixelBox picture = itemBox(dialog, 2000);
    EXPECT_EQ(picture.bottom - picture.top + 1, 240);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BLACKRECT) {
            RECT rule;
            GetWindowRect(child, &rule);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rule), 2);
            EXPECT_LT(picture.bottom, rule.top) << "the picture reaches over the rule";
        }
    }

    // The About box from the window menu, with its two texts filled in.
    PostMessageA(dialog, WM_SYSCOMMAND, 1000, 0);
    HWND about = waitFor([&] { return findDialog(process.dwProcessId, "About Zarnek", dialog); });
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(itemText(about, 1002), "Zarnek Wendrix");
    EXPECT_EQ(itemText(about, 1003), "1.4.1.12");
    EXPECT_TRUE(IsWindowEnabled(dialog)) << "the About box has no owner";
    const POINT aboutCentre = doubledCentre(about), dialogCentre = doubledCentre(dialog);
    EXPECT_LE(std::abs(aboutCentre.x - dialogCentre.x), 1) << "centred over the main dialog";
    EXPECT_LE(std::abs(aboutCentre.y - dialogCentre.y), 1) << "centred over the main dialog";
    press(about, 1);
    EXPECT_TRUE(waitFor([&] { return IsWindow(about) ? nullptr : dialog; }, 5000) != nullptr);

    // Page, then two lines typed; the second one too long for a line.
    press(dialog, 1029, true);
    EXPECT_FALSE(visible(dialog, 1029));
    EXPECT_TRUE(enabled(dialog, 1));
    EXPECT_TRUE(enabled(dialog, 1052));
    EXPECT_EQ(itemText(dialog, 1066), "Select a GPS model ...");
    EXPECT_EQ(itemText(dialog, 1059), "") << "no stored lines yet";
    EXPECT_EQ(focusOf(process), GetDlgItem(dialog, 1052)) << "typing goes to line 1";

    // Lines of 29 characters are drawn whole inside their preview fields.
    const Screenshot empty = capture(dialog);
    const std::vector<testing_support::PixelBox> fields = typeLongPreviewLines(dialog);
    const Screenshot full = capture(dialog);
    testing_support::expectInkInsideFields(fields, picture, 5, [&](int x, int y) {
        return empty.at(x, y) != full.at(x, y);
    });
    for (const testing_support::PixelBox& field : fields) { // the picture shows through
        const int middle = (field.top + field.bottom) / 2;
        EXPECT_EQ(empty.at(field.left, middle), empty.at(field.left - 1, middle)) << "not transparent";
    }
    for (int i = 0; i < 7; ++i)
        SendDlgItemMessageA(dialog, 1052 + i, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));

    SendDlgItemMessageA(dialog, 1052, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Property of Jo"));
    const std::string longLine = "Return to 12 Harbour Road, Leith";
    SendDlgItemMessageA(dialog, 1053, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(longLine.c_str()));
    EXPECT_EQ(itemText(dialog, 1059), "Property of Jo");
    EXPECT_EQ(itemText(dialog, 1060), longLine.substr(0, 29));
    // The field shows what will be written, even of a text set from outside.
    EXPECT_EQ(itemText(dialog, 1053), longLine.substr(0, 29));
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1053, EM_GETLIMITTEXT, 0, 0), 29);

    // Model 1 from the list.
    SendDlgItemMessageA(dialog, 1028, CB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1028, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1028)));
    EXPECT_EQ(itemText(dialog, 1066), "Click OK to modify firmware rel 2.40...");
    requestScreenshot(folder);

    // "Check lines" from the window menu: a window that judges every
    // language, a row each, before anything is written.
    PostMessageA(dialog, WM_SYSCOMMAND, 1008, 0);
    HWND check = waitFor([&] { return findDialog(process.dwProcessId, "Check lines", dialog); });
    ASSERT_NE(check, nullptr) << "no Check lines window";
    EXPECT_EQ(windowText(GetDlgItem(check, 1100)).rfind("Model A 2.40: ", 0), 0u);
    EXPECT_EQ(SendDlgItemMessageA(check, 1101, LVM_GETITEMCOUNT, 0, 0), kTexts);
    press(check, IDOK);
    waitFor([&] { return IsWindow(check) ? nullptr : dialog; }, 5000);
    EXPECT_EQ(GetFileAttributesA((folder + "\\modela.org").c_str()), INVALID_FILE_ATTRIBUTES) << "the check wrote";

    // OK, then answer every box: OK to start the uploader.
    press(dialog, 1);
    std::vector<std::string> boxes;
    while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT && boxes.size() < 5) {
        HWND box = waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", dialog); },
                           3000);
        if (box == nullptr)
            continue;
        boxes.push_back(messageText(box));
        press(box, IDOK);
        waitFor([&] { return IsWindow(box) ? nullptr : dialog; }, 5000);
    }
    EXPECT_EQ(exitCode(), 0u);
    ASSERT_FALSE(boxes.empty());
    const std::string question = boxes.back();

    // The stand-in uploader ran at the agreed place.
    EXPECT_NE(readWhole(folder + "\\probe-started.txt").find("x=200 y=20"), std::string::npos);

    // The pristine copy holds the original, the working file the new lines.
    EXPECT_EQ(readWhole(folder + "\\modela.org"), original);
    const std::string patched = readWhole(folder + "\\modela.rgn");
    ASSERT_EQ(patched.size(), original.size());
    ASSERT_EQ(firmware.texts.size(), static_cast<std::size_t>(kTexts));
    // A text no fill factor fits stays as it was; the summary box counts those.
    int unchanged = 0;
    for (const MadeText& text : firmware.texts) {
        const std::string before = original.substr(text.start, text.length);
        const std::string now = patched.substr(text.start, text.length);
        EXPECT_EQ(patched[text.start + text.length], '\0');
        if (now == before) {
            ++unchanged;
            continue;
        }
        EXPECT_NE(now.find("Property of Jo"), std::string::npos) << now;
        EXPECT_NE(now.find(longLine.substr(0, 29)), std::string::npos) << now;
    }
    EXPECT_LT(unchanged, kTexts);
    if (unchanged > 0) {
        char summary[128];
        std::snprintf(summary, sizeof summary,
                      "%d of %d languages not processed\nSee wendrix.log for more information",
                      unchanged, kTexts);
        // The summary's own lines first; a line per language with its reason follows.
        EXPECT_EQ(boxes.front().rfind(std::string(summary) + "\n\n", 0), 0u) << boxes.front();
        EXPECT_EQ(question, kAskUpdater);
    } else {
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_EQ(question, "All " + std::to_string(kTexts) + " languages show every line\n" + kAskUpdater);
    }
    std::string outside = patched;
    for (const MadeText& text : firmware.texts)
        std::copy_n(original.begin() + text.start, text.length, outside.begin() + text.start);
    EXPECT_TRUE(outside == original) << "bytes outside the texts moved";

    // The run log beside the program, and the lines in the registry.
    const std::string log = readWhole(folder + "\\wendrix.LOG");
    EXPECT_NE(log.find("--- Info ---\r\nVer: 1.4.1.12\r\nGps: Model A 2.40\r\nRgn: modela.rgn\r\n"),
              std::string::npos)
        << log;
    char crcLine[32];
    std::snprintf(crcLine, sizeof crcLine, "Crc: 0x%08lx\r\n", crc);
    EXPECT_NE(log.find(crcLine), std::string::npos) << log;
    EXPECT_EQ(readRegistryLine(1), "Property of Jo");
    EXPECT_EQ(readRegistryLine(2), longLine.substr(0, 29));
    EXPECT_EQ(readRegistryLine(3), "");
}

TEST_F(ProgramUnderTest, StoredLinesComeBackAndCloseEndsWithoutWriting)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Zarnek\\Wendrix", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    const char line[] = "THIS UNIT BELONGS TO";
    RegSetValueExA(key, "Text-1", 0, REG_SZ, reinterpret_cast<const BYTE*>(line), sizeof line);
    RegCloseKey(key);

    HWND dialog = start();
    ASSERT_NE(dialog, nullptr);
    // The window menu: the two commands on top, nothing to size or move.
    HMENU menu = GetSystemMenu(dialog, FALSE);
    if (GetMenuItemCount(menu) > 0) {
        char first[64] = "";
        char second[64] = "";
        GetMenuStringA(menu, 0, first, sizeof first, MF_BYPOSITION);
        GetMenuStringA(menu, 1, second, sizeof second, MF_BYPOSITION);
        EXPECT_STREQ(first, "Update Wendrix");
        EXPECT_STREQ(second, "About Wendrix");
        EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
        EXPECT_EQ(GetMenuState(menu, SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
        EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
    }

    // OK is disabled before Page; after it, "No Gps" answers with a warning.
    press(dialog, 1029, true);
    EXPECT_EQ(itemText(dialog, 1052), line);
    EXPECT_EQ(itemText(dialog, 1059), line);

    // The model list's context menus end with the window-menu commands: the
    // one of its edit field, and the one a click on its drop-down arrow
    // brings up in the dialog. Their third item from the end (above Check
    // lines and Add firmware…), chosen from the keyboard, opens the About box.
    HWND list = GetDlgItem(dialog, 1028);
    HWND listEdit = FindWindowExA(list, nullptr, "Edit", nullptr);
    ASSERT_NE(listEdit, nullptr);
    // A right click on the dialog's background brings up the window menu,
    // whose second item is About.
    for (HWND clicked : {listEdit, list, dialog}) {
        SCOPED_TRACE(clicked == list ? "the list's arrow" : clicked == dialog ? "the background" : "the list's edit field");
        RECT rect;
        GetWindowRect(clicked, &rect);
        POINT at{clicked == list ? rect.right - 5 : rect.left + 5, rect.top + 5};
        if (clicked == dialog) { // right of the picture, where no control lies
            at = {itemBox(dialog, 2000).right + 4, itemBox(dialog, 2000).top + 100};
            ClientToScreen(dialog, &at);
        }
        PostMessageA(clicked, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(clicked), MAKELPARAM(at.x, at.y));
        HWND popup = waitFor([&]() -> HWND {
            for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32768", nullptr));) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == process.dwProcessId && IsWindowVisible(window))
                    return window;
            }
            return nullptr;
        });
        ASSERT_NE(popup, nullptr) << "no context menu";
        if (clicked == dialog) {
            // The window menu (whose items cannot be read from another
            // process under wine): its second item is About.
            PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
        } else { // About, above Check lines and Add firmware…
            for (int i = 0; i < 3; ++i)
                PostMessageA(popup, WM_KEYDOWN, VK_UP, 0);
        }
        PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
        HWND about = waitFor([&] { return findDialog(process.dwProcessId, "About Zarnek", dialog); });
        ASSERT_NE(about, nullptr) << "About Wendrix did not open the About box";
        press(about, 1);
        waitFor([&] { return IsWindow(about) ? nullptr : dialog; }, 5000);
    }
    press(dialog, 1);
    HWND box = waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", dialog); });
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(messageText(box), "No Gps selected");
    press(box, IDOK);

    // The close box ends the program with 0 and writes no firmware.
    waitFor([&] { return IsWindow(box) ? nullptr : dialog; }, 5000);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(), 0u);
    EXPECT_EQ(readWhole(folder + "\\modela.rgn"), original);
    EXPECT_EQ(GetFileAttributesA((folder + "\\modela.org").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A field takes what the line check takes, and of anything else shows what
// will be written, with a note under the fields: the verdict the command line
// and the stores give the same text.
TEST_F(ProgramUnderTest, FieldsShowWhatWillBeWrittenOfWhatIsPastedOrTyped)
{
    HWND dialog = start();
    ASSERT_NE(dialog, nullptr);
    press(dialog, 1029, true);
    HWND edit = GetDlgItem(dialog, 1054);
    for (const testing_support::LineCase& c : testing_support::lineCases()) {
        SCOPED_TRACE(c.utf8);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        EXPECT_EQ(unicodeText(dialog, 1069), "") << "the note goes with its line";
        ASSERT_TRUE(putOnClipboard(c.utf8));
        SendMessageW(edit, WM_PASTE, 0, 0);
        EXPECT_EQ(unicodeText(dialog, 1054), c.field);
        EXPECT_EQ(unicodeText(dialog, 1061), c.field);
        EXPECT_EQ(unicodeText(dialog, 1069).empty(), c.fault == LineFaultKind::None) << unicodeText(dialog, 1069);
    }
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));

    // "Łukasz" pasted into line 1.
    HWND first = GetDlgItem(dialog, 1052);
    ASSERT_TRUE(putOnClipboard("\u0141ukasz"));
    SendMessageW(first, WM_PASTE, 0, 0);
    EXPECT_EQ(unicodeText(dialog, 1052), "Lukasz");
    EXPECT_EQ(unicodeText(dialog, 1059), "Lukasz");
    EXPECT_EQ(unicodeText(dialog, 1069), "Line 1: L for \u0141 (not on the receiver)");
    requestScreenshot(folder, "pasted-nearest");

    // Typed on a keyboard that has the letters, at the caret in the middle.
    SendMessageW(first, EM_SETSEL, 1, 1);
    SendMessageW(first, WM_CHAR, 0x0142, 1);
    SendMessageW(first, WM_CHAR, 0x0119, 1);
    EXPECT_EQ(unicodeText(dialog, 1052), "Lleukasz");
    DWORD caret = 0;
    SendMessageW(first, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
    EXPECT_EQ(caret, 3u);
    EXPECT_EQ(unicodeText(dialog, 1069), "Line 1: e for \u0119 (not on the receiver)");
    // A 30th character is refused, and the note says why.
    SendMessageW(first, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::wstring(29, L'x').c_str()));
    SendMessageW(first, EM_SETSEL, 29, 29);
    SendMessageW(first, WM_CHAR, L'y', 1);
    EXPECT_EQ(unicodeText(dialog, 1052), std::string(29, 'x'));
    EXPECT_EQ(unicodeText(dialog, 1069), "Line 1: at most 29 characters");

    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(), 0u);
}

// The seven preview lines lie inside the frame of the picture at whatever
// DPI the screen has: the picture and the preview font grow with it.
TEST_F(ProgramUnderTest, PreviewLinesLieInsideThePictureFrame)
{
    HWND dialog = start();
    ASSERT_NE(dialog, nullptr);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
    const testing_support::PixelBox picture = itemBox(dialog, 2000);
    EXPECT_EQ(picture.right - picture.left + 1, scaled(180)) << dpi << " dpi";
    EXPECT_EQ(picture.bottom - picture.top + 1, scaled(240)) << dpi << " dpi";
    // Inside the frame of the 180 x 240 picture: x 6 to 173, y 69 to 213.
    const testing_support::PixelBox frame{picture.left + scaled(6), picture.top + scaled(69),
                                          picture.left + scaled(173), picture.top + scaled(213)};

    // The disclaimer, then the typed lines: each inside its field, clear of
    // the frame, descenders whole.
    const Screenshot disclaimer = capture(dialog);
    press(dialog, 1029, true);
    const Screenshot empty = capture(dialog);
    const std::vector<testing_support::PixelBox> fields = typeLongPreviewLines(dialog);
    const Screenshot full = capture(dialog);
    for (const Screenshot* shown : {&disclaimer, &full}) {
        SCOPED_TRACE(shown == &disclaimer ? "the disclaimer" : "the typed lines");
        const testing_support::Differs differs = [&](int x, int y) { return empty.at(x, y) != shown->at(x, y); };
        // Legible means 5 pixels high at any DPI.
        testing_support::expectInkInsideFields(fields, picture, 5, differs);
        const testing_support::PixelBox ink = testing_support::changedPixels(picture, differs);
        EXPECT_GE(ink.left, frame.left) << "left of the frame";
        EXPECT_LE(ink.right, frame.right) << "right of the frame";
        EXPECT_GT(ink.top, frame.top + 1) << "on the frame's top line";
        EXPECT_LT(ink.bottom, frame.bottom - 1) << "on the frame's bottom line";
    }
    requestScreenshot(folder, std::to_string(dpi) + "dpi");

    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(), 0u);
}

// While the uploader runs, the dialog is repainted but takes no input: a
// Cancel that arrives meanwhile waits until the uploader has ended.
TEST_F(ProgramUnderTest, RepaintsButTakesNoInputWhileTheUploaderRuns)
{
    // The stand-in uploader runs until the test releases it.
    ASSERT_TRUE(writeWhole(folder + "\\probe-wait.txt", ""));
    HWND dialog = start();
    ASSERT_NE(dialog, nullptr);
    press(dialog, 1029, true);
    SendDlgItemMessageA(dialog, 1052, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Property of Jo"));
    SendDlgItemMessageA(dialog, 1028, CB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1028, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1028)));
    press(dialog, 1);
    // Every box answered with OK, up to the question about the uploader.
    std::string text;
    for (int i = 0; i < 5 && !asksForUploader(text); ++i) {
        HWND box = waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", dialog); });
        ASSERT_NE(box, nullptr);
        text = messageText(box);
        press(box, IDOK);
        waitFor([&] { return IsWindow(box) ? nullptr : dialog; }, 5000);
    }
    ASSERT_TRUE(asksForUploader(text)) << text;
    Sleep(500);
    ASSERT_EQ(GetFileAttributesA((folder + "\\probe-started.txt").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the uploader ended too soon for the test";

    InvalidateRect(dialog, nullptr, TRUE);
    EXPECT_NE(waitFor([&] { return GetUpdateRect(dialog, nullptr, FALSE) ? nullptr : dialog; }, 2000), nullptr)
        << "the dialog was not repainted while the uploader ran";
    // Read from the window's own text: a message would wait for the uploader.
    EXPECT_EQ(windowText(GetDlgItem(dialog, 1066)), "Waiting for UPDATER.EXE to finish...");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Cancel was taken while the uploader ran";
    requestScreenshot(folder, "uploader-running");
    EXPECT_EQ(GetFileAttributesA((folder + "\\probe-started.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(writeWhole(folder + "\\probe-release.txt", ""));
    EXPECT_EQ(exitCode(), 0u);
    EXPECT_NE(readWhole(folder + "\\probe-started.txt").find("x=200 y=20"), std::string::npos);
    EXPECT_NE(readWhole(folder + "\\modela.rgn").find("Property of Jo"), std::string::npos);
}

// "Check lines" in a window of its own, driven as the owner would: two
// lines typed, the window opened from the window menu, Alt+U for the
// arrangement that suits more languages, Alt+B back, Alt+U again, Escape;
// then OK writes the lines in the fields, as the run's log says.
TEST_F(ProgramUnderTest, CheckLinesWindowAndUseTheseLinesThenOkWritesThem)
{
    // Fourteen texts: eight that the two typed lines fill, two that only
    // their words on one line fill, three that none fills, one that keeps
    // its own warning.
    firmware = makeFirmware(64 * 1024, {148, 180, 200, 230, 256, 270, 290, 305, 318, 320, 330, 336, 340, 358}, 5);
    original.assign(firmware.bytes.begin(), firmware.bytes.end());
    ASSERT_TRUE(writeWhole(folder + "\\modela.rgn", original));
    crc = crc32(0, firmware.bytes.data(), static_cast<uInt>(firmware.bytes.size()));
    char ini[256];
    std::snprintf(ini, sizeof ini,
                  "[GPS]\r\nGps-1=Model A 2.40\r\n[Model A 2.40]\r\norg=modela.org\r\nrgn=modela.rgn\r\n"
                  "crc=%08lx\r\nlang=14\r\nRel=2.40\r\n",
                  crc);
    ASSERT_TRUE(writeWhole(folder + "\\wendrix.ini", ini));

    HWND dialog = start();
    ASSERT_NE(dialog, nullptr);
    press(dialog, 1029, true);
    SendDlgItemMessageA(dialog, 1052, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Property of"));
    SendDlgItemMessageA(dialog, 1028, CB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1028, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1028)));
    // The live fit under the status, while the owner types: a link.
    EXPECT_EQ(linkText(GetDlgItem(dialog, 1067)),
              "11 of 13 languages that can take a text show every line (1 keeps its own warning)");
    SendDlgItemMessageA(dialog, 1053, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Jo Smith, L"));
    requestScreenshot(folder, "live-fit", dialog);
    SendDlgItemMessageA(dialog, 1053, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Jo Smith, Leith"));
    EXPECT_EQ(linkText(GetDlgItem(dialog, 1067)),
              "8 of 13 languages that can take a text show every line (1 keeps its own warning)");
    EXPECT_EQ(itemText(dialog, 1066), "Click OK to modify firmware rel 2.40...");

    // Enter on the fit line opens the window.
    HWND fitLine = GetDlgItem(dialog, 1067);
    PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(fitLine), TRUE);
    ASSERT_NE(waitFor([&] { return focusOf(process) == fitLine ? fitLine : nullptr; }, 5000), nullptr)
        << "the fit line takes no focus";
    PostMessageA(fitLine, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(fitLine, WM_KEYUP, VK_RETURN, 0xC0000001);
    HWND check = waitFor([&] { return findDialog(process.dwProcessId, "Check lines", dialog); });
    ASSERT_NE(check, nullptr) << "no Check lines window";
    EXPECT_FALSE(IsWindowEnabled(dialog)) << "the window is modal over the main dialog";
    EXPECT_EQ(windowText(GetDlgItem(check, 1100)),
              "Model A 2.40: 8 of 13 languages that can take a text show every line (1 keeps its own warning)");
    EXPECT_EQ(SendDlgItemMessageA(check, 1101, LVM_GETITEMCOUNT, 0, 0), 14);
    EXPECT_EQ(windowText(GetDlgItem(check, 1103)), "Property of Jo Smith, Leith");
    EXPECT_TRUE(enabled(check, 1104));
    EXPECT_FALSE(enabled(check, 1105));
    EXPECT_EQ(focusOf(process), GetDlgItem(check, 1101)) << "the keyboard starts on the table";
    requestScreenshot(folder, "check-lines", check);

    // Alt and a letter, as the keyboard gives them to the focused control.
    const auto altKey = [&](char letter) {
        PostMessageA(focusOf(process), WM_SYSCHAR, static_cast<WPARAM>(letter), 1 << 29);
    };
    const auto fieldIs = [&](int id, const std::string& text) {
        return waitFor([&] { return itemText(dialog, id) == text ? dialog : nullptr; }, 5000) != nullptr;
    };
    altKey('u');
    EXPECT_TRUE(fieldIs(1052, "Property of Jo Smith, Leith")) << itemText(dialog, 1052);
    EXPECT_EQ(itemText(dialog, 1053), "");
    EXPECT_EQ(itemText(dialog, 1059), "Property of Jo Smith, Leith") << "the preview follows";
    EXPECT_NE(windowText(GetDlgItem(check, 1100)).find("10 of 13"), std::string::npos);
    EXPECT_FALSE(enabled(check, 1104));
    EXPECT_TRUE(enabled(check, 1105));
    EXPECT_TRUE(IsWindowEnabled(focusOf(process))) << "the focus left the button turned off";
    requestScreenshot(folder, "check-lines-used", check);
    altKey('b');
    EXPECT_TRUE(fieldIs(1053, "Jo Smith, Leith")) << itemText(dialog, 1053);
    EXPECT_EQ(itemText(dialog, 1052), "Property of");
    altKey('u');
    EXPECT_TRUE(fieldIs(1053, ""));
    PostMessageA(focusOf(process), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_NE(waitFor([&] { return IsWindow(check) ? nullptr : dialog; }, 5000), nullptr) << "Escape did not close it";
    EXPECT_EQ(GetFileAttributesA((folder + "\\modela.org").c_str()), INVALID_FILE_ATTRIBUTES) << "the check wrote";
    EXPECT_EQ(linkText(fitLine),
              "10 of 13 languages that can take a text show every line (1 keeps its own warning)");
    requestScreenshot(folder, "after-use", dialog);

    // OK; the summary (three languages do not fit), then Cancel at the
    // uploader question.
    press(dialog, 1);
    for (int i = 0; i < 4 && IsWindow(dialog); ++i) {
        HWND box = waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", dialog); }, 5000);
        if (box == nullptr)
            break;
        press(box, messageText(box).find("Start UPDATER.EXE now?") != std::string::npos ? IDCANCEL : IDOK);
        waitFor([&] { return IsWindow(box) ? nullptr : dialog; }, 5000);
    }
    EXPECT_EQ(exitCode(), 0u);
    const std::string log = readWhole(folder + "\\wendrix.LOG");
    EXPECT_NE(log.find("Line-1:  27 Property of Jo Smith, Leith\r\nLine-2:  28 \r\n"), std::string::npos) << log;
}

// Message boxes are as large as their text: the one that says the working
// file cannot be written shows its last letters ("protected", not
// "protectec"), and every other box of the run too.
TEST_F(ProgramUnderTest, MessageBoxesShowTheirWholeText)
{
    ASSERT_TRUE(SetFileAttributesA((folder + "\\modela.rgn").c_str(), FILE_ATTRIBUTE_READONLY));
    HWND dialog = start();
    ASSERT_NE(dialog, nullptr);
    press(dialog, 1029, true);
    SendDlgItemMessageA(dialog, 1052, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Property of Jo"));
    SendDlgItemMessageA(dialog, 1028, CB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1028, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1028)));
    press(dialog, 1);
    std::string text;
    for (int i = 0; i < 4 && text.rfind("Cannot write", 0) != 0; ++i) {
        HWND box = waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", dialog); });
        ASSERT_NE(box, nullptr);
        text = messageText(box);
        SCOPED_TRACE(text);
        expectWholeText(box);
        if (text.rfind("Cannot write", 0) == 0)
            requestScreenshot(folder, "cannot-write");
        press(box, IDOK);
        waitFor([&] { return IsWindow(box) ? nullptr : dialog; }, 5000);
    }
    EXPECT_EQ(text.rfind("Cannot write modela.rgn!\n", 0), 0u) << text;
    SetFileAttributesA((folder + "\\modela.rgn").c_str(), FILE_ATTRIBUTE_NORMAL);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(), 0u);
}

// Enter held while the window opens presses Page before the first tick; the
// lines must stay enabled and take the typing. Without a model file the line
// under the status says so and what to do.
TEST_F(ProgramUnderTest, AnEarlyPageKeepsTheLinesAndAMissingModelFileIsNamed)
{
    ASSERT_TRUE(DeleteFileA((folder + "\\wendrix.ini").c_str()));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exe + "\"";
    ASSERT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.c_str(), &startup, &process));
    CloseHandle(process.hThread);
    // The dialog as soon as it is there, its first tick perhaps still to come.
    HWND dialog = waitFor([&]() -> HWND {
        for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, "#32770", nullptr));) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process.dwProcessId && IsWindowVisible(window))
                return window;
        }
        return nullptr;
    });
    ASSERT_NE(dialog, nullptr);
    const bool beforeTick = windowText(dialog).empty();
    // Enter on the focused Page, as a held key repeats it.
    PostMessageA(GetDlgItem(dialog, 1029), WM_KEYDOWN, VK_RETURN, 0x40000001);
    PostMessageA(GetDlgItem(dialog, 1029), WM_KEYUP, VK_RETURN, 0xC0000001);
    ASSERT_NE(waitFor([&] { return windowText(dialog) == "Zarnek Wendrix" && !visible(dialog, 1029) ? dialog : nullptr; }),
              nullptr);
    // The caption is set in the first tick: once a message sent now comes
    // back, that tick's handler has returned.
    SendMessageA(dialog, WM_NULL, 0, 0);
    SCOPED_TRACE(beforeTick ? "Page before the first tick" : "Page after the first tick");
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(enabled(dialog, 1052 + i)) << "line " << i + 1;
    EXPECT_EQ(focusOf(process), GetDlgItem(dialog, 1052));
    EXPECT_EQ(itemText(dialog, 1066), "Select a GPS model ...");
    // Not a link (nothing to check yet), wrapped by the program itself.
    std::string note = itemText(dialog, 1067);
    std::replace(note.begin(), note.end(), '\n', ' ');
    EXPECT_EQ(note, "No wendrix.ini beside the program: choose Add firmware\x85 or Update Wendrix");
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1028, CB_GETCOUNT, 0, 0), 1);
    requestScreenshot(folder, "no-model-file");
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(exitCode(), 0u);
}

// After OK on lines that some languages cannot take, the summary box names
// each of them with its reason; the uploader question that follows has
// Cancel as its default button, so Enter does not upload.
TEST_F(ProgramUnderTest, PartialPatchSummaryNamesEachLanguageAndEnterDoesNotUpload)
{
    HWND dialog = start();
    ASSERT_NE(dialog, nullptr);
    press(dialog, 1029, true);
    const char* const lines[] = {"THIS UNIT BELONGS TO J. SMITH", "RETURN TO 12 HARBOUR ROAD", "LEITH, PLEASE"};
    for (int i = 0; i < 3; ++i)
        SendDlgItemMessageA(dialog, 1052 + i, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lines[i]));
    SendDlgItemMessageA(dialog, 1028, CB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1028, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1028)));
    press(dialog, 1);

    HWND summary = waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", dialog); });
    ASSERT_NE(summary, nullptr) << "no summary box";
    const std::string text = messageText(summary);
    requestScreenshot(folder, "partial-summary");
    // Lines 1 to 3 joined take 29 + 25 + 13 characters and two line feeds;
    // a text of `holds` characters needs 69 - holds of them taken off.
    std::string expected = "5 of 10 languages not processed\nSee wendrix.log for more information\n";
    const struct {
        const char* name;
        int holds;
        const char* lost;
    } reasons[] = {{"English", 45, "lines 2 and 3 hold"}, {"Francais", 57, "line 3 holds"},
                   {"Italian", 43, "lines 2 and 3 hold"}, {"Espa\xF1ol", 60, "line 3 holds"},
                   {"Svenska", 43, "lines 2 and 3 hold"}};
    for (const auto& r : reasons)
        expected += std::string("\n") + r.name + ": lines 1 to 3 need 69 characters with their line breaks, " +
                    "this text holds " + std::to_string(r.holds) + "; " + r.lost +
                    " text that is left out (lost), lines 4, 5, 6 and 7 (empty) left out, harmless: take exactly " +
                    std::to_string(69 - r.holds) + " characters off lines 1, 2 and 3 in all";
    EXPECT_EQ(text, expected);
    press(summary, IDOK);
    waitFor([&] { return IsWindow(summary) ? nullptr : dialog; }, 5000);

    HWND question = waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", dialog); });
    ASSERT_NE(question, nullptr) << "no uploader question";
    EXPECT_EQ(messageText(question), kAskUpdater);
    // Wine's message box keeps IDOK as its DM_GETDEFID answer whatever the
    // default; the default button is the one with the style and the focus.
    EXPECT_NE(GetWindowLongA(GetDlgItem(question, IDCANCEL), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(question, IDOK), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
    EXPECT_EQ(focusOf(process), GetDlgItem(question, IDCANCEL));
    // Enter, as the owner would press it on the box.
    PostMessageA(focusOf(process), WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(focusOf(process), WM_KEYUP, VK_RETURN, 0xC0000001);
    EXPECT_EQ(exitCode(), 0u);
    Sleep(500);
    EXPECT_EQ(GetFileAttributesA((folder + "\\probe-started.txt").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the uploader ran";
    EXPECT_NE(readWhole(folder + "\\modela.rgn").find("RETURN TO 12 HARBOUR ROAD"), std::string::npos);
    EXPECT_NE(GetFileAttributesA((folder + "\\wendrix.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The first start without firmware says so beside the status and points to
// "Add firmware…"; the file typed into the system's file dialog becomes the
// chosen model, and the line typed is patched into it.
TEST_F(ProgramUnderTest, AddFirmwareThroughTheFileDialogThenPatch)
{
    // The release archives' sample model file, and the owner's firmware elsewhere.
    ASSERT_TRUE(writeWhole(folder + "\\wendrix.ini", "[GPS]\r\nDate=07.12.26\r\n"));
    DeleteFileA((folder + "\\modela.rgn").c_str());
    const std::string elsewhere = folder + "-firmware";
    CreateDirectoryA(elsewhere.c_str(), nullptr);
    const MadeFirmware mine = makeFirmware(40 * 1024, 9, 23);
    const std::string stock(mine.bytes.begin(), mine.bytes.end());
    ASSERT_TRUE(writeWhole(elsewhere + "\\mine.rgn", stock));

    HWND dialog = start();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(itemText(dialog, 1068),
              "No model is listed yet: add your receiver's firmware.\nRight-click here, then choose Add firmware\x85");
    EXPECT_EQ(itemText(dialog, 1066), "Press page to continue ...");
    requestScreenshot(folder, "first-start");

    press(dialog, 1029, true);
    // As the window menu and the fields' context menus send it.
    PostMessageA(dialog, WM_SYSCOMMAND, 1012, 0);
    HWND picker = waitFor([&] { return findDialog(process.dwProcessId, "Add firmware", dialog); });
    ASSERT_NE(picker, nullptr) << "no file dialog";
    // The file name field: a combo box in the Explorer-style dialog, an edit in the older one.
    HWND name = GetDlgItem(picker, cmb13);
    if (name == nullptr)
        name = GetDlgItem(picker, edt1);
    ASSERT_NE(name, nullptr);
    const std::string path = elsewhere + "\\mine.rgn";
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    press(picker, IDOK);

    HWND box = waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", dialog); });
    ASSERT_NE(box, nullptr) << "no message after the file was picked";
    const std::string added = messageText(box);
    EXPECT_EQ(added.rfind("Copied " + path + " to " + folder + "\\mine.rgn.\nAdded \"mine.rgn\" as model 1: ", 0),
              0u)
        << added;
    press(box, IDOK);
    waitFor([&] { return IsWindow(box) ? nullptr : dialog; }, 5000);
    EXPECT_EQ(SendDlgItemMessageA(dialog, 1028, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(itemText(dialog, 1028), "mine.rgn");
    EXPECT_EQ(itemText(dialog, 1066), "Click OK to modify firmware rel mine.rgn...");
    EXPECT_EQ(itemText(dialog, 1068), "");
    EXPECT_EQ(focusOf(process), GetDlgItem(dialog, 1052)) << "typing goes on in line 1";
    requestScreenshot(folder, "firmware-added");

    SendDlgItemMessageA(dialog, 1052, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Property of Jo"));
    press(dialog, 1);
    std::string text;
    for (int i = 0; i < 5 && !asksForUploader(text); ++i) {
        HWND next = waitFor([&] { return findDialog(process.dwProcessId, "Zarnek Wendrix", dialog); });
        ASSERT_NE(next, nullptr);
        text = messageText(next);
        press(next, asksForUploader(text) ? IDCANCEL : IDOK);
        waitFor([&] { return IsWindow(next) ? nullptr : dialog; }, 5000);
    }
    EXPECT_EQ(exitCode(), 0u);
    EXPECT_EQ(readWhole(folder + "\\mine.org"), stock);
    EXPECT_NE(readWhole(folder + "\\mine.rgn").find("Property of Jo"), std::string::npos);
    EXPECT_EQ(readWhole(elsewhere + "\\mine.rgn"), stock);
}

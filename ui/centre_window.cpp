#include "ui/centre_window.h"

namespace ui {
namespace {

constexpr int kRectAttempts = 5;
constexpr unsigned kRetryPauseMs = 100;

// A window that is still being laid out may not report its rectangle yet.
bool rectWithRetries(DialogWindow& window, WindowRect* rect)
{
    for (int attempt = 0; attempt < kRectAttempts; ++attempt) {
        if (window.windowRect(rect))
            return true;
        platform::sleepMilliseconds(kRetryPauseMs);
    }
    return false;
}

// Start of a span of `size` centred over [refStart, refStart + refSize),
// pulled back onto a screen of `screen` pixels. The left edge wins: a span
// wider than the screen may end up starting left of 0.
int centred(int refStart, int refSize, int size, int screen)
{
    int start = refStart + (refSize - size) / 2;
    if (start < 0)
        start = 0;
    else if (start + size > screen)
        start = screen - size;
    return start;
}

} // namespace

int centreWindow(DialogWindow& window, DialogWindow* reference)
{
    int screenWidth = 0;
    int screenHeight = 0;
    window.screenSize(&screenWidth, &screenHeight);

    WindowRect rect;
    if (!rectWithRetries(window, &rect))
        return 0;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    WindowRect ref{0, 0, screenWidth, screenHeight};
    if (reference != nullptr && !rectWithRetries(*reference, &ref))
        return 0;

    const int x = centred(ref.left, ref.right - ref.left, width, screenWidth);
    const int y = centred(ref.top, ref.bottom - ref.top, height, screenHeight);
    return window.moveWindow(x, y) ? 1 : 0;
}

} // namespace ui

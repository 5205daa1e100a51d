// The program's life: the shared objects made before the main dialog runs,
// the dialog itself, and the clean-up after it ends.
#pragma once

#include <cstdint>

// Made at start-up and kept until the process ends. The front end decides
// what the handles point to (a Win32 HINSTANCE/HBITMAP/HICON/HFONT, or its
// own objects); null means the resource is absent.
extern void* appInstance;
extern void* warningBitmap;
extern void* appIcon;
extern void* previewFont;

namespace ui {

// What a toolkit supplies to start-up.
class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    virtual void* loadPicture() = 0; // "WARNBMP"
    virtual void* loadIcon() = 0;    // "AAICON", 32 x 32
    // Bold 20-pixel "Ariel".
    virtual void* createPreviewFont() = 0;
    // Runs the main dialog modally with `parameter`; returns its result,
    // or a negative value when it could not be created.
    virtual int runMainDialog(std::int32_t parameter) = 0;
    virtual void deleteFont(void* font) = 0;
    virtual void deletePicture(void* picture) = 0;
};

// The whole program: returns the exit code, always 0.
int runProgram(void* instance, FrontEnd& frontEnd);

} // namespace ui

// Dialog templates as tables of controls in dialog units, built into Qt
// widgets with the pixel mapping Windows uses for 8-point "MS Sans Serif"
// at 96 dpi (base units 6 x 13).
#pragma once

namespace ui::qt {

enum class ControlKind {
    Label,         // left-aligned static text
    Note,          // left-aligned static text that wraps onto more lines
    Preview,       // centred static text over the picture
    Rule,          // black rectangle
    Picture,       // static bitmap or icon
    DefaultButton, // default push button
    Button,
    Edit,
    ComboBox,      // drop-down with edit field
    Link,          // a line of text that may be a link (a SysLink on Windows)
};

struct ControlEntry {
    int id; // 0 where the template gives none (-1 on Windows)
    ControlKind kind;
    int x, y, w, h; // dialog units
    const char* text;
};

struct DialogTemplate {
    int width, height; // dialog units
    const ControlEntry* controls;
    int count;
};

extern const DialogTemplate kMainTemplate;  // 400
extern const DialogTemplate kAboutTemplate; // 500

constexpr int duToPixelsX(int du) { return du * 6 / 4; }
constexpr int duToPixelsY(int du) { return du * 13 / 8; }

} // namespace ui::qt

#include "ui/qt/dialog_template.h"

#include <iterator>

#include "ui/version_info.h"

namespace ui::qt {
namespace {

using K = ControlKind;

// In template (and tab) order; later controls lie above earlier ones, so
// the preview fields are drawn over the picture.
const ControlEntry kMainControls[] = {
    {0, K::Label, 136, 10, 36, 8, "Gps type:"},
    {0, K::Rule, 0, 176, 334, 1, ""},
    {1, K::DefaultButton, 250, 182, 34, 14, "OK"},
    {2, K::Button, 292, 182, 32, 14, "&Cancel"},
    {2000, K::Picture, 5, 8, 15, 13, ""},
    {1028, K::ComboBox, 176, 8, 144, 72, ""},
    {0, K::Label, 136, 36, 36, 8, "Line 1:"},
    {1052, K::Edit, 176, 34, 144, 14, ""},
    {0, K::Label, 136, 50, 36, 8, "Line 2:"},
    {1053, K::Edit, 176, 48, 144, 14, ""},
    {0, K::Label, 136, 64, 36, 8, "Line 3:"},
    {1054, K::Edit, 176, 62, 144, 14, ""},
    {0, K::Label, 136, 78, 36, 8, "Line 4:"},
    {1055, K::Edit, 176, 76, 144, 14, ""},
    {0, K::Label, 136, 92, 36, 8, "Line 5:"},
    {1056, K::Edit, 176, 90, 144, 14, ""},
    {0, K::Label, 136, 106, 36, 8, "Line 6:"},
    {1057, K::Edit, 176, 104, 144, 14, ""},
    {0, K::Label, 136, 120, 36, 8, "Line 7:"},
    {1058, K::Edit, 176, 118, 144, 14, ""},
    {1069, K::Label, 136, 132, 184, 8, ""},
    {1066, K::Label, 136, 140, 132, 8, ""},
    {1067, K::Link, 136, 149, 194, 18, ""},
    {1059, K::Preview, 10, 54, 111, 12, "WARNING"},
    {1060, K::Preview, 10, 66, 111, 12, "Wendrix is a third"},
    {1061, K::Preview, 10, 78, 111, 12, "party program."},
    {1062, K::Preview, 10, 90, 111, 12, "You assume total"},
    {1063, K::Preview, 10, 102, 111, 12, "responsibility and risk"},
    {1064, K::Preview, 10, 114, 111, 12, "associated with"},
    {1065, K::Preview, 10, 126, 111, 12, "using this program."},
    {1029, K::Button, 208, 182, 32, 14, "Page"},
    {1068, K::Note, 5, 180, 198, 22, ""},
};

const ControlEntry kAboutControls[] = {
    {1001, K::Picture, 14, 9, 16, 16, "AAICON"},
    {1002, K::Label, 49, 10, 119, 8, "Zarnek"},
    {1003, K::Label, 49, 20, 119, 8, "Version"},
    {0, K::Label, 49, 30, 119, 8, WENDRIX_LEGAL_NOTICE},
    {1, K::DefaultButton, 195, 6, 30, 11, "OK"},
};

} // namespace

const DialogTemplate kMainTemplate{336, 205, kMainControls,
                                   static_cast<int>(std::size(kMainControls))};
const DialogTemplate kAboutTemplate{230, 75, kAboutControls,
                                    static_cast<int>(std::size(kAboutControls))};

} // namespace ui::qt

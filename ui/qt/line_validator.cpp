#include "ui/qt/line_validator.h"

#include "engine/line_check.h"

namespace ui::qt {

QValidator::State LineValidator::validate(QString& input, int&) const
{
    // Typed or pasted text that holds anything else is not taken at all.
    for (const char32_t c : input.toStdU32String())
        if (!isLineCharacter(c))
            return Invalid;
    return Acceptable;
}

} // namespace ui::qt

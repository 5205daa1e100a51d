// The seven line edits take only what a line can hold: characters that
// Windows-1252 holds, no control characters. The rule is the core's.
#pragma once

#include <QValidator>

namespace ui::qt {

class LineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

} // namespace ui::qt

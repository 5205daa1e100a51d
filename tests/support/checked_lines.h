// Lines for tests that need them set: a text the line check must take.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/line_check.h"

namespace testing_support {

// The checked line of Windows-1252 `text`; a failure when the check refuses it.
inline CheckedLine checkedLine(const std::string& text)
{
    const LineCheck check = checkAnsiLine(text);
    if (!check.ok())
        ADD_FAILURE() << "not a line: " << describeLineFault(1, check.fault);
    return check.line;
}

} // namespace testing_support

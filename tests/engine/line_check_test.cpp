// The line check: one verdict for a text, whichever form it comes in.
#include <gtest/gtest.h>

#include <string>

#include "engine/field_line.h"
#include "engine/line_check.h"
#include "platform/cp1252.h"
#include "tests/support/line_cases.h"

namespace {

using testing_support::LineCase;

TEST(LineCheck, EveryFormOfATextGetsTheSameVerdict)
{
    for (const LineCase& c : testing_support::lineCases()) {
        SCOPED_TRACE(c.utf8);
        const LineCheck typed = checkUtf8Line(c.utf8);
        EXPECT_EQ(typed.fault.kind, c.fault);
        EXPECT_EQ(typed.fault.length, c.length);
        EXPECT_EQ(typed.fault.character, c.character);
        EXPECT_EQ(typed.ok(), c.fault == LineFaultKind::None);
        // A refused text gives no line; a taken one is its own bytes.
        EXPECT_EQ(typed.line.text(), typed.ok() ? c.ansi() : "");
        EXPECT_EQ(typed.line.size(), typed.line.text().size());
        EXPECT_EQ(typed.line.c_str()[typed.line.size()], '\0');
        EXPECT_EQ(checkLine(platform::cp1252::toCodePoints(c.utf8)).line, typed.line);
        if (c.storable()) {
            EXPECT_EQ(checkAnsiLine(c.ansi()).fault.kind, c.fault);
        }
        EXPECT_EQ(describeLineFault(3, typed.fault).empty(), typed.ok());
        // What a field makes of the text is always a line, and a taken text
        // is taken as it is; a field says when it changed one.
        const FieldLine field = fieldLine(platform::cp1252::toCodePoints(c.utf8));
        EXPECT_EQ(field.line.text(), platform::cp1252::fromUtf8(c.field));
        EXPECT_EQ(field.changed, !typed.ok());
        EXPECT_EQ(field.note.empty(), typed.ok()) << field.note;
        if (typed.ok()) {
            EXPECT_EQ(field.line, typed.line);
        }
        EXPECT_TRUE(checkAnsiLine(field.line.text()).ok());
        EXPECT_FALSE(fieldLine(platform::cp1252::decode(field.line.text())).changed);
    }
}

TEST(LineCheck, BytesThatAreNotUtf8AreCharactersTheCodePageCannotHold)
{
    const LineCheck broken = checkUtf8Line("caf\xE9");
    EXPECT_EQ(broken.fault.kind, LineFaultKind::NotInCodePage);
    EXPECT_EQ(broken.fault.character, U'\uFFFD');
    EXPECT_TRUE(checkAnsiLine("caf\xE9").ok());
}

TEST(FieldLine, TheNoteSaysWhatTheFieldChanged)
{
    const struct {
        std::u32string typed;
        std::string field; // UTF-8
        std::string note;
    } cases[] = {
        {U"\u0141ukasz", "Lukasz", "L for \u0141 (not on the receiver)"},
        {U"Ji\u0159\u00ED \u0141\u0119\u0107\u0151\u0159", "Jir\u00ED Lecor",
         "r, L, e, ... for \u0159, \u0141, \u0119, ... (not on the receiver)"},
        {U"\u03A9 \u0141 \U0001F37A", " L ", "L for \u0141, \u03A9, \U0001F37A left out (not on the receiver)"},
        {U"Jane\r\nDoe", "Jane Doe", "line breaks became spaces"},
        {U"\tJane\t\tDoe\n", "Jane Doe", "line breaks became spaces"},
        {U"a\x1b[2Jb", "a[2Jb", "control characters left out"},
        {std::u32string(35, U'x'), std::string(29, 'x'), "at most 29 characters"},
        {U"\u1E9E" + std::u32string(28, U'x'), "SS" + std::string(27, 'x'),
         "SS for \u1E9E (not on the receiver); at most 29 characters"},
    };
    for (const auto& c : cases) {
        const FieldLine field = fieldLine(c.typed);
        EXPECT_EQ(platform::cp1252::toUtf8(field.line.text()), c.field);
        EXPECT_EQ(field.note, c.note);
        EXPECT_TRUE(field.changed);
    }
}

} // namespace

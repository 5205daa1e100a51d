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
        // is taken as it is.
        const FieldLine field = fieldLine(platform::cp1252::toCodePoints(c.utf8));
        EXPECT_EQ(field.changed, !typed.ok());
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

TEST(FieldLine, LineBreaksAndTabsBecomeOneSpaceBetweenWords)
{
    const struct {
        std::u32string typed;
        std::string field;
    } cases[] = {
        {U"Jane\r\nDoe", "Jane Doe"},     {U"\tJane\t\tDoe\n", "Jane Doe"},
        {U"a\x1b[2Jb", "a[2Jb"},          {U"\n\r\t", ""},
        {std::u32string(35, U'x'), std::string(29, 'x')},
        {U"caf\u00E9 \u20AC\u2028next", "caf\xE9 \x80 next"},
    };
    for (const auto& c : cases) {
        const FieldLine field = fieldLine(c.typed);
        EXPECT_EQ(field.line.text(), c.field);
        EXPECT_TRUE(field.changed);
    }
}

} // namespace

// Texts cross between the program's 8-bit code page and Qt's Unicode.
#include <gtest/gtest.h>

#include <cstring>

#include "ui/qt/ansi_text.h"

using ui::qt::fromAnsi;
using ui::qt::toAnsi;

TEST(AnsiText, CodePageCharactersRoundTrip)
{
    const char bytes[] = "Gr\xFC\xDF" "e \x80 \x96 \x85";
    const QString text = fromAnsi(bytes);
    EXPECT_EQ(text, QString::fromUtf8("Grüße € – …"));
    char back[32];
    toAnsi(text, back, sizeof back);
    EXPECT_STREQ(back, bytes);
}

TEST(AnsiText, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach)
{
    char out[32];
    toAnsi(QString::fromUtf8("a\u4E2Db\U0001F600c"), out, sizeof out);
    EXPECT_STREQ(out, "a?b?c");
}

TEST(AnsiText, ReadingIsBoundedAndTerminated)
{
    char out[30];
    std::memset(out, 'x', sizeof out);
    toAnsi(QString(35, QChar('A')), out, sizeof out);
    EXPECT_EQ(std::strlen(out), 29u);
    char one[1] = {'x'};
    toAnsi(QStringLiteral("abc"), one, 1);
    EXPECT_EQ(one[0], '\0');
}

TEST(AnsiText, NullAndUnassignedBytes)
{
    EXPECT_TRUE(fromAnsi(nullptr).isEmpty());
    // 0x81 has no character in the code page; it is kept as the control code.
    EXPECT_EQ(fromAnsi("\x81").at(0).unicode(), 0x81);
}

// Texts cross between the program's 8-bit code page and Qt's Unicode.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/qt/ansi_text.h"

using ui::qt::fromAnsi;
using ui::qt::fromAnsiNamingFiles;
using ui::qt::toAnsi;

TEST(AnsiText, CodePageCharactersRoundTripAndOthersBecomeOneQuestionMarkEach)
{
    const char bytes[] = "Gr\xFC\xDF" "e \x80 \x96 \x85";
    EXPECT_EQ(fromAnsi(bytes), QString::fromUtf8("Grüße € – …"));
    char out[32];
    toAnsi(fromAnsi(bytes), out, sizeof out);
    EXPECT_STREQ(out, bytes);
    toAnsi(QString::fromUtf8("a\u4E2Db\U0001F600c"), out, sizeof out);
    EXPECT_STREQ(out, "a?b?c");
    EXPECT_TRUE(fromAnsi(nullptr).isEmpty());
    EXPECT_EQ(fromAnsi("\x81").at(0).unicode(), 0x81); // unassigned: kept as the control code
}

// A message names files by the file system's own bytes: UTF-8 on POSIX.
TEST(AnsiText, MessagesShowUtf8FileNamesAsTheyAre)
{
    EXPECT_EQ(fromAnsiNamingFiles("Cannot read \xC3\xA9trex.rgn!\nEspa\xF1ol \x80 caf\xE9"),
              QString::fromUtf8("Cannot read étrex.rgn!\nEspañol € café"));
    // Bytes that start no whole sequence are the code page's.
    EXPECT_EQ(fromAnsiNamingFiles("\xC3 \xE2\x82 \xF0\x9F\x98\x80"), QString::fromUtf8("Ã â‚ \U0001F600"));
    EXPECT_TRUE(fromAnsiNamingFiles(nullptr).isEmpty());
}

TEST(AnsiText, ReadingIsBoundedAndTerminated)
{
    char out[30];
    std::memset(out, 'x', sizeof out);
    toAnsi(QString(35, QChar('A')), out, sizeof out);
    EXPECT_EQ(std::string(out), std::string(29, 'A'));
    char one[1] = {'x'};
    toAnsi(QStringLiteral("abc"), one, 1);
    EXPECT_EQ(one[0], '\0');
}

#include "ui/qt/ansi_text.h"

namespace ui::qt {
namespace {

// Bytes 0x80..0x9F of Windows-1252; 0 marks the five unassigned ones.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char encode(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHighControls[i] != 0 && kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

QString fromAnsi(const char* text)
{
    QString result;
    if (text == nullptr)
        return result;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        char16_t c = *p;
        if (c >= 0x80 && c < 0xA0)
            c = kHighControls[c - 0x80] != 0 ? kHighControls[c - 0x80] : c;
        result.append(QChar(c));
    }
    return result;
}

void toAnsi(const QString& text, char* out, int size)
{
    if (size <= 0)
        return;
    int n = 0;
    // A character outside the basic plane is one '?', not two.
    for (auto it = text.cbegin(); it != text.cend() && n < size - 1; ++it) {
        if (it->isHighSurrogate() && it + 1 != text.cend() && (it + 1)->isLowSurrogate())
            ++it, out[n++] = '?';
        else
            out[n++] = encode(it->unicode());
    }
    out[n] = '\0';
}

} // namespace ui::qt

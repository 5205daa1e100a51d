#include "ui/qt/ansi_text.h"

#include "platform/cp1252.h"

namespace ui::qt {

QString fromAnsi(const char* text)
{
    QString result;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); p != nullptr && *p != 0; ++p)
        result.append(QChar(static_cast<char16_t>(platform::cp1252::toCodePoint(*p))));
    return result;
}

QString fromAnsiNamingFiles(const char* text)
{
    return text == nullptr ? QString() : QString::fromStdString(platform::cp1252::toUtf8KeepingNames(text));
}

void toAnsi(const QString& text, char* out, int size)
{
    if (size <= 0)
        return;
    int n = 0;
    // Typed characters count as the user sees them: one outside the basic
    // plane is one '?', not two.
    for (auto it = text.cbegin(); it != text.cend() && n < size - 1; ++it) {
        char32_t code = it->unicode();
        if (it->isHighSurrogate() && it + 1 != text.cend() && (it + 1)->isLowSurrogate()) {
            code = QChar::surrogateToUcs4(*it, *(it + 1));
            ++it;
        }
        out[n++] = platform::cp1252::fromCodePoint(code);
    }
    out[n] = '\0';
}

} // namespace ui::qt

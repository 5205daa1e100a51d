// The program keeps its texts in the 8-bit Windows-1252 code page; Qt's
// widgets hold Unicode. These convert at the widget boundary.
#pragma once

#include <QString>

namespace ui::qt {

QString fromAnsi(const char* text);
// The same for a message that may name files: a well-formed UTF-8 sequence
// is a POSIX file name's own bytes and is shown as such.
QString fromAnsiNamingFiles(const char* text);
// Copies at most size - 1 characters of `text` into `out` and terminates it;
// characters the code page lacks become '?'.
void toAnsi(const QString& text, char* out, int size);

} // namespace ui::qt

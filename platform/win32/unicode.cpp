// Canonical normalization through NormalizeString (normaliz.dll).
#include "platform/unicode.h"

#include <windows.h>

#include <winnls.h>

namespace platform {

std::u32string normalizedBySystem(std::u32string_view text, bool composed)
{
    const std::u16string source = toUtf16(text);
    if (source.empty())
        return std::u32string();
    const NORM_FORM form = composed ? NormalizationC : NormalizationD;
    const auto* wide = reinterpret_cast<LPCWSTR>(source.data());
    const int length = static_cast<int>(source.size());
    // The first call estimates the size; a second may be needed when the
    // estimate was short.
    int size = NormalizeString(form, wide, length, nullptr, 0);
    for (int attempt = 0; attempt < 3 && size > 0; ++attempt) {
        std::u16string out(static_cast<std::size_t>(size), u'\0');
        const int got = NormalizeString(form, wide, length, reinterpret_cast<LPWSTR>(out.data()), size);
        if (got > 0) {
            out.resize(static_cast<std::size_t>(got));
            return fromUtf16(out);
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        size = -got;
    }
    return std::u32string(text);
}

} // namespace platform

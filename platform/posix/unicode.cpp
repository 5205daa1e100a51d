// Canonical normalization through ICU, the Unicode library that Qt also
// brings on Linux.
#include "platform/unicode.h"

#include <unicode/unorm2.h>

#include <vector>

namespace platform {

std::u32string normalizedBySystem(std::u32string_view text, bool composed)
{
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* normalizer = composed ? unorm2_getNFCInstance(&status) : unorm2_getNFDInstance(&status);
    if (U_FAILURE(status) || normalizer == nullptr)
        return std::u32string(text);
    const std::u16string source = toUtf16(text);
    // A canonical decomposition is at most four times as long, and a
    // composition no longer than its source.
    std::vector<UChar> out(source.size() * 4 + 4);
    const int32_t length = unorm2_normalize(normalizer, source.data(), static_cast<int32_t>(source.size()),
                                            out.data(), static_cast<int32_t>(out.size()), &status);
    if (U_FAILURE(status))
        return std::u32string(text);
    return fromUtf16(std::u16string_view(out.data(), static_cast<std::size_t>(length)));
}

} // namespace platform

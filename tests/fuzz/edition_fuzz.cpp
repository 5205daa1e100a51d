// The check of a downloaded model file on arbitrary bodies. The whole input
// is the body.
#include <string>
#include <string_view>

#include "tests/fuzz/fuzz_support.h"
#include "update/edition_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = fuzz::scratchFolder() + "/edition.ini";
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    fuzz::putFile(path, body);

    const std::string refusal = editionRefusal(path.c_str(), body);

    // The check only reads, and its message is shown as it is: no control
    // character from the body may reach the window or the terminal.
    FUZZ_CHECK(fuzz::fileText(path) == body);
    for (const char c : refusal)
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    return 0;
}

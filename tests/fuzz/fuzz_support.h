// What the fuzz targets share: taking an input apart, a scratch folder of
// the process, and the checks that stop a run with a message. Built into the
// libFuzzer targets (clang) and into the replay programs of the test suite
// (any compiler).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

// Reads an input from the front: single bytes, texts that end at a NUL
// byte, and whatever is left. Past the end every read gives 0 or "".
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size)
        : left_(reinterpret_cast<const char*>(data), size)
    {
    }
    std::uint8_t byte();
    // Up to the next NUL byte (which is dropped), or the rest of the input.
    std::string text();
    std::string_view rest() const { return left_; }

private:
    std::string_view left_;
};

// A folder of this process's own, made on the first call and removed when
// the process ends.
const std::string& scratchFolder();
// Replaces the file with exactly these bytes.
void putFile(const std::string& path, std::string_view bytes);
std::string fileText(const std::string& path);

bool isUtf8(std::string_view text);
// Whether `text` is one JSON value (RFC 8259) and nothing else but blanks.
bool isJson(std::string_view text);

[[noreturn]] void fail(const char* what, const char* file, int line);

} // namespace fuzz

// Unlike assert(), never compiled out.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::fail(#condition, __FILE__, __LINE__);                                          \
    } while (false)

// Every target defines the libFuzzer entry point.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

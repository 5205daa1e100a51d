// Stand-in for platform::writeWholeFile until the platform layer has it.
#pragma once

#include <cstddef>

namespace platform {
enum class WriteResult { Written, Refused, Failed };
WriteResult writeWholeFile(const char* path, const void* data, std::size_t size, bool privateFile = false);
} // namespace platform

// Reporting the steps of a replacement to the installed observer. Internal
// to platform/.
#pragma once

#include "platform/platform.h"

namespace platform::file_steps {
void report(FileStep step, FileHandle file, const char* from = nullptr, const char* to = nullptr);
} // namespace platform::file_steps

// The observer of the steps that make a replacement durable.
#include <utility>

#include "platform/file_steps.h"

namespace platform {
namespace {
FileStepObserver& observer()
{
    static FileStepObserver installed;
    return installed;
}
} // namespace

void observeFileSteps(FileStepObserver installed)
{
    observer() = std::move(installed);
}

void file_steps::report(FileStep step, FileHandle file, const char* from, const char* to)
{
    if (observer())
        observer()(step, file, from, to);
}
} // namespace platform

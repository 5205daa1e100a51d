#include "config/model_file_backup.h"

#include "config/model_file.h"
#include "platform/platform.h"

namespace {
// A model file is a small INI text; the profile reader takes no larger one.
constexpr std::uint32_t kLargestModelFile = 256u * 1024 * 1024;
} // namespace

std::string modelFileBackupPath(int number)
{
    std::string path = modelFilePath;
    if (number != 1)
        path.append(".").append(std::to_string(number));
    return path.append(".bak");
}

ModelFileRead readModelFileText(const char* path, std::string& text)
{
    text.clear();
    if (!platform::fileExists(path))
        return ModelFileRead::Missing;
    const platform::FileHandle file = platform::openForReading(path);
    if (file == platform::kClosedFile)
        return ModelFileRead::Failed;
    const std::uint32_t size = platform::fileSize(file);
    bool ok = size != 0xFFFFFFFFu && size <= kLargestModelFile;
    if (ok) {
        text.resize(size);
        std::uint32_t done = 0;
        while (ok && done < size) {
            const std::uint32_t got = platform::readFile(file, text.data() + done, size - done);
            ok = got > 0;
            done += got;
        }
    }
    platform::closeFile(file);
    if (!ok)
        text.clear();
    return ok ? ModelFileRead::Ok : ModelFileRead::Failed;
}

ModelFileReplacement replaceModelFileKeepingBackup(const std::string& text)
{
    using Outcome = ModelFileReplacement::Outcome;
    const std::string model = modelFilePath;
    ModelFileReplacement done;
    std::string old;
    const ModelFileRead read = readModelFileText(modelFilePath, old);
    if (read == ModelFileRead::Failed) {
        done.outcome = Outcome::NotKept;
        done.message = "Cannot read " + model + " to keep a copy of it";
        return done;
    }
    if (read == ModelFileRead::Ok) {
        const std::string backup = modelFileBackupPath();
        if (platform::writeWholeFile(backup.c_str(), old.data(), old.size()) != platform::WriteResult::Written) {
            done.outcome = Outcome::NotKept;
            done.message = "Cannot keep a copy of " + model + " as " + backup;
            return done;
        }
        done.keptAs = backup;
    }
    // One rename over the old file: there is always a whole model file.
    switch (platform::writeWholeFile(modelFilePath, text.data(), text.size())) {
    case platform::WriteResult::Written:
        dropModelFileCache();
        done.outcome = Outcome::Replaced;
        break;
    case platform::WriteResult::Refused:
        done.outcome = Outcome::Refused;
        done.message = "Cannot replace " + model + ": the file is write protected or in use";
        break;
    case platform::WriteResult::Failed:
        done.outcome = Outcome::WriteFailed;
        done.message = "Cannot write " + model + ": the disk may be full";
        break;
    }
    return done;
}

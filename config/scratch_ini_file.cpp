#include "config/scratch_ini_file.h"

#include "config/model_file.h"
#include "config/model_file_backup.h"
#include "platform/platform.h"

ScratchIniFile::ScratchIniFile(const std::string& text)
{
    const platform::FileHandle file = platform::createTempBeside(modelFilePath, path_, sizeof path_);
    if (file == platform::kClosedFile)
        return;
    ok_ = platform::writeFile(file, text.data(), static_cast<std::uint32_t>(text.size())) == text.size() &&
          platform::flushFile(file);
    platform::closeFile(file);
}

ScratchIniFile::~ScratchIniFile()
{
    if (path_[0] == '\0')
        return;
    // No copy of a removed file stays cached.
    platform::writeProfileString(nullptr, nullptr, nullptr, path_);
    platform::deleteFile(path_);
}

bool ScratchIniFile::read(std::string& text) const
{
    platform::writeProfileString(nullptr, nullptr, nullptr, path_);
    return ok_ && readModelFileText(path_, text) == ModelFileRead::Ok;
}

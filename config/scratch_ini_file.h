// An INI text in a file of its own beside the model file, for the profile
// functions to read and edit as they read and edit the model file itself.
#pragma once

#include <string>

class ScratchIniFile {
public:
    explicit ScratchIniFile(const std::string& text);
    ~ScratchIniFile();
    ScratchIniFile(const ScratchIniFile&) = delete;
    ScratchIniFile& operator=(const ScratchIniFile&) = delete;

    // Whether the file was made and holds the text.
    bool ok() const { return ok_; }
    const char* path() const { return path_; }
    // The file's text as it is now; false when it cannot be read.
    bool read(std::string& text) const;

private:
    char path_[320] = {};
    bool ok_ = false;
};

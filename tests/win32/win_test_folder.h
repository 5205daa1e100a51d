// A fresh folder under the Windows temporary folder for one test, removed
// with its files afterwards. Written with Win32 calls only, independent of
// the platform layer under test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class WinTestFolder {
public:
    WinTestFolder();
    ~WinTestFolder();
    WinTestFolder(const WinTestFolder&) = delete;
    WinTestFolder& operator=(const WinTestFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Whole-file helpers through the C++ library, again outside the layer under test.
bool writeWhole(const std::string& path, const std::string& bytes);
std::string readWhole(const std::string& path); // empty when missing
std::vector<std::string> filesIn(const std::string& folder);

#include "tests/win32/win_test_folder.h"

#include <cstdio>
#include <fstream>
#include <iterator>

WinTestFolder::WinTestFolder()
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        char name[MAX_PATH];
        std::snprintf(name, sizeof name, "%swdxtest-%lu-%u", base, GetCurrentProcessId(),
                      ++counter);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
}

WinTestFolder::~WinTestFolder()
{
    for (const std::string& name : filesIn(path_)) {
        const std::string full = file(name);
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
    }
    RemoveDirectoryA(path_.c_str());
}

bool writeWhole(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary);
    return static_cast<bool>(file.write(bytes.data(), bytes.size()).flush());
}

std::string readWhole(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

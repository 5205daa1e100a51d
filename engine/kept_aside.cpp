#include "engine/kept_aside.h"

#include "platform/platform.h"

namespace {

// "dir/etrex.org" -> "dir/etrex.N.org"; a name without an extension (or
// one that only begins with a dot) gets ".N" at its end.
std::string numbered(const std::string& path, int number)
{
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    const std::string n = "." + std::to_string(number);
    if (dot == std::string::npos || dot <= nameStart)
        return path + n;
    return path.substr(0, dot) + n + path.substr(dot);
}

bool taken(const std::string& path)
{
    return platform::fileExists(path.c_str()) || platform::isLink(path.c_str());
}

} // namespace

std::string keptAsideName(const std::string& path)
{
    int highest = 0;
    for (int number = 1; number <= kMostKeptAside; ++number)
        if (taken(numbered(path, number)))
            highest = number;
    return highest < kMostKeptAside ? numbered(path, highest + 1) : std::string();
}

bool keepAside(const std::string& path, const std::string& keptAs)
{
    return !keptAs.empty() && platform::moveFile(path.c_str(), keptAs.c_str());
}

std::string keptAsideLogLine(const std::string& path, const std::string& keptAs)
{
    return "Kept " + path + " as " + keptAs + ": it is not the pristine copy";
}

std::string keptAsideMessage(const std::string& path, const std::string& keptAs)
{
    return path + " was not the pristine copy of this firmware.\nIt is kept as " + keptAs +
           ", and the pristine copy is written as " + path + ".\nWendrix never deletes " + keptAs +
           ": move it away when you no longer need it.";
}

std::string keptAsideNotice(const std::string& run, const std::string& path, const std::string& keptAs)
{
    return run + " keeps " + path + " as " + keptAs + " first: it is not the pristine copy";
}

// A small program that the network-library tests run in a process of its
// own, so that what it sees of libcurl is not left over from other tests.
//
//   net_library_probe maps
//       prints "before N", then loads the library ("load 0|1", "loaded N",
//       "file <path of the mapped libcurl>"), unloads it ("unloaded N"),
//       loads it again ("reload 0|1", "reloaded N") and unloads it; N is
//       how many mappings of a libcurl file the process has at that moment.
//   net_library_probe download <model file> <url>
//       runs one model-file download and prints "result N" and one
//       "message <text>" line for each message box it showed.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "config/model_file.h"
#include "platform/platform.h"
#include "tests/support/test_helpers.h"
#include "update/model_update.h"

namespace {

// The libcurl lines of /proc/self/maps; `file` gets the last one's path.
int curlMappings(std::string* file = nullptr)
{
    std::ifstream maps("/proc/self/maps");
    std::string line;
    int count = 0;
    while (std::getline(maps, line)) {
        const std::size_t slash = line.find('/');
        if (slash == std::string::npos)
            continue;
        const std::string path = line.substr(slash);
        if (path.substr(path.rfind('/') + 1).rfind("libcurl", 0) != 0)
            continue;
        ++count;
        if (file != nullptr)
            *file = path;
    }
    return count;
}

int maps()
{
    std::printf("before %d\n", curlMappings());
    const bool loaded = platform::netLoad();
    std::string file;
    std::printf("load %d\nloaded %d\n", loaded ? 1 : 0, curlMappings(&file));
    std::printf("file %s\n", file.c_str());
    if (loaded)
        platform::netUnload();
    std::printf("unloaded %d\n", curlMappings());
    const bool again = platform::netLoad();
    std::printf("reload %d\nreloaded %d\n", again ? 1 : 0, curlMappings());
    if (again)
        platform::netUnload();
    return 0;
}

int download(const char* modelFile, const char* url)
{
    std::snprintf(modelFilePath, sizeof modelFilePath, "%s", modelFile);
    testing_support::RecordingMessageBoxes boxes;
    const int result = downloadModelFile(nullptr, url);
    std::printf("result %d\n", result);
    for (const auto& message : boxes.messages)
        std::printf("message %s\n", message.text.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "maps") == 0)
        return maps();
    if (argc == 4 && std::strcmp(argv[1], "download") == 0)
        return download(argv[2], argv[3]);
    std::fprintf(stderr, "usage: net_library_probe maps | download <model file> <url>\n");
    return 2;
}

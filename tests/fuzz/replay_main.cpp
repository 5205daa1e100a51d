// Runs a fuzz target once on each file of the folders (or files) named on
// the command line, without libFuzzer: the seed corpus and every input that
// once crashed or hung run this way in the test suite. An input that takes
// longer than the time limit counts as a hang.
//
// Usage: <target>_replay SECONDS PATH...
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.h"

namespace {

const char* current = "";

void onAlarm(int)
{
    const char head[] = "hang: the target did not return within the time limit on ";
    (void)!::write(STDERR_FILENO, head, sizeof head - 1);
    (void)!::write(STDERR_FILENO, current, std::char_traits<char>::length(current));
    (void)!::write(STDERR_FILENO, "\n", 1);
    ::_exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SECONDS PATH...\n", argv[0]);
        return 2;
    }
    const unsigned seconds = static_cast<unsigned>(std::atoi(argv[1]));
    std::vector<std::string> files;
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
                    files.push_back(entry.path().string());
            }
        } else if (std::filesystem::exists(path)) {
            files.push_back(path.string());
        }
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        std::fprintf(stderr, "no input found\n");
        return 1;
    }
    ::signal(SIGALRM, onAlarm);
    for (const std::string& file : files) {
        std::printf("%s\n", file.c_str());
        std::fflush(stdout);
        const std::string bytes = fuzz::fileText(file);
        current = file.c_str();
        ::alarm(seconds);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ::alarm(0);
    }
    std::printf("%zu input(s) passed\n", files.size());
    return 0;
}

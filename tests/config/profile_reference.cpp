// A small Windows program that answers profile-file queries with the real
// GetPrivateProfileStringA / WritePrivateProfileStringA, so that the POSIX
// reader and writer can be compared with them byte for byte.
//
// Usage: profile_reference <commands file> <answers file>
//
// Fields are separated by one blank. A text field is "-" for a null pointer
// or "x" followed by the text's bytes in hexadecimal ("x" alone is empty).
//   G <file> <section> <key> <default> <size>
//       -> "<result> <buffer>": the returned count and all `size` bytes of
//          the buffer, which is filled with 0xAB before the call.
//   W <file> <section> <key> <value>
//       -> "<result>": 1 or 0 as returned by the write.
// One answer line per command, in order.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Field {
    bool null = true;
    std::string text;
    const char* get() const { return null ? nullptr : text.c_str(); }
};

bool decode(const std::string& token, Field& field)
{
    field = Field{};
    if (token == "-")
        return true;
    if (token.empty() || token[0] != 'x' || token.size() % 2 != 1 ||
        token.find_first_not_of("0123456789abcdefABCDEF", 1) != std::string::npos)
        return false;
    field.null = false;
    for (std::size_t i = 1; i < token.size(); i += 2)
        field.text.push_back(static_cast<char>(std::stoi(token.substr(i, 2), nullptr, 16)));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: profile_reference <commands> <answers>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    FILE* out = std::fopen(argv[2], "wb");
    if (!in || !out) {
        std::fprintf(stderr, "cannot open the command or answer file\n");
        return 2;
    }
    int lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        std::istringstream fields(line);
        std::vector<std::string> tokens;
        for (std::string token; fields >> token;)
            tokens.push_back(token);
        Field f[4];
        bool ok = tokens.size() >= 5;
        for (int i = 0; ok && i < 4; ++i)
            ok = decode(tokens[i + 1], f[i]);
        if (ok && tokens[0] == "G" && tokens.size() == 6) {
            const unsigned long size = std::strtoul(tokens[5].c_str(), nullptr, 10);
            std::vector<char> buffer(size + 1, static_cast<char>(0xAB));
            const DWORD got =
                GetPrivateProfileStringA(f[1].get(), f[2].get(), f[3].get(), buffer.data(), size, f[0].get());
            std::fprintf(out, "%lu x", static_cast<unsigned long>(got));
            for (unsigned long i = 0; i < size; ++i)
                std::fprintf(out, "%02x", static_cast<unsigned char>(buffer[i]));
            std::fputc('\n', out);
        } else if (ok && tokens[0] == "W" && tokens.size() == 5) {
            const BOOL done = WritePrivateProfileStringA(f[1].get(), f[2].get(), f[3].get(), f[0].get());
            std::fprintf(out, "%d\n", done ? 1 : 0);
        } else {
            std::fprintf(stderr, "bad command on line %d\n", lineNumber);
            return 2;
        }
    }
    std::fclose(out);
    return 0;
}

// A small Windows program that answers profile-file queries with the real
// GetPrivateProfileStringA / WritePrivateProfileStringA, so that the POSIX
// reader and writer can be compared with them byte for byte.
//
// Usage: profile_reference <commands file> <answers file>
//
// Every command line is made of fields separated by one blank. A text field is
// "-" for a null pointer or "x" followed by the text's bytes in hexadecimal
// ("x" alone is the empty text).
//   G <file> <section> <key> <default> <size>
//       -> "<result> <buffer>": the returned count and all `size` bytes of
//          the buffer, which is filled with 0xAB before the call.
//   W <file> <section> <key> <value>
//       -> "<result>": 1 or 0 as returned by the write.
// One answer line per command, in order.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Field {
    bool null = true;
    std::string text;
    const char* get() const { return null ? nullptr : text.c_str(); }
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool decode(const std::string& token, Field& field)
{
    field = Field{};
    if (token == "-")
        return true;
    if (token.empty() || token[0] != 'x' || token.size() % 2 != 1)
        return false;
    field.null = false;
    for (std::size_t i = 1; i < token.size(); i += 2) {
        int hi = hexValue(token[i]);
        int lo = hexValue(token[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        field.text.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> tokens;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string::npos)
            end = line.size();
        tokens.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return tokens;
}

void writeHex(FILE* out, const char* bytes, std::size_t count)
{
    std::fputc('x', out);
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(out, "%02x", static_cast<unsigned char>(bytes[i]));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: profile_reference <commands> <answers>\n");
        return 2;
    }
    FILE* in = std::fopen(argv[1], "rb");
    FILE* out = std::fopen(argv[2], "wb");
    if (!in || !out) {
        std::fprintf(stderr, "cannot open the command or answer file\n");
        return 2;
    }
    std::string line;
    int c;
    int lineNumber = 0;
    while (true) {
        line.clear();
        while ((c = std::fgetc(in)) != EOF && c != '\n')
            line.push_back(static_cast<char>(c));
        if (line.empty() && c == EOF)
            break;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> tokens = split(line);
        Field f[4];
        bool ok = tokens.size() >= 5;
        for (int i = 0; ok && i < 4; ++i)
            ok = decode(tokens[i + 1], f[i]);
        if (ok && tokens[0] == "G" && tokens.size() == 6) {
            unsigned long size = std::strtoul(tokens[5].c_str(), nullptr, 10);
            std::vector<char> buffer(size + 1, static_cast<char>(0xAB));
            DWORD got = GetPrivateProfileStringA(f[1].get(), f[2].get(), f[3].get(),
                                                 buffer.data(), size, f[0].get());
            std::fprintf(out, "%lu ", static_cast<unsigned long>(got));
            writeHex(out, buffer.data(), size);
            std::fputc('\n', out);
        } else if (ok && tokens[0] == "W" && tokens.size() == 5) {
            BOOL done = WritePrivateProfileStringA(f[1].get(), f[2].get(), f[3].get(), f[0].get());
            std::fprintf(out, "%d\n", done ? 1 : 0);
        } else {
            std::fprintf(stderr, "bad command on line %d\n", lineNumber);
            return 2;
        }
    }
    std::fclose(out);
    std::fclose(in);
    return 0;
}

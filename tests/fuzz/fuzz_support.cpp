#include "tests/fuzz/fuzz_support.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fuzz {

std::uint8_t Input::byte()
{
    if (left_.empty())
        return 0;
    const auto first = static_cast<std::uint8_t>(left_.front());
    left_.remove_prefix(1);
    return first;
}

std::string Input::text()
{
    const std::size_t nul = left_.find('\0');
    std::string taken(left_.substr(0, nul));
    left_.remove_prefix(nul == std::string_view::npos ? left_.size() : nul + 1);
    return taken;
}

namespace {
struct Scratch {
    std::string path;
    Scratch()
    {
        // A folder in memory where there is one: the writes under test flush
        // their files, which on a disk would slow every run down to a crawl.
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "wendrix-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path = pattern;
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};
} // namespace

const std::string& scratchFolder()
{
    static const Scratch scratch;
    return scratch.path;
}

void putFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    FUZZ_CHECK(out.good());
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool isUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t more = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= more)
            return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        // No overlong form, no surrogate, nothing past U+10FFFF.
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[more] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += more + 1;
    }
    return true;
}

namespace {
// A recursive-descent reader that only says whether the text is JSON.
class JsonReader {
public:
    explicit JsonReader(std::string_view text) : text_(text) {}

    bool whole()
    {
        return value(0) && (blanks(), at_ == text_.size());
    }

private:
    void blanks()
    {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' ||
                                      text_[at_] == '\r'))
            ++at_;
    }
    bool take(char c)
    {
        blanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool word(std::string_view w)
    {
        if (text_.substr(at_, w.size()) != w)
            return false;
        at_ += w.size();
        return true;
    }
    bool digits()
    {
        const std::size_t from = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9')
            ++at_;
        return at_ > from;
    }
    bool number()
    {
        if (at_ < text_.size() && text_[at_] == '-')
            ++at_;
        if (at_ < text_.size() && text_[at_] == '0')
            ++at_;
        else if (!digits())
            return false;
        if (at_ < text_.size() && text_[at_] == '.' && (++at_, !digits()))
            return false;
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-'))
                ++at_;
            if (!digits())
                return false;
        }
        return true;
    }
    bool string()
    {
        if (!take('"'))
            return false;
        while (at_ < text_.size()) {
            const auto c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return false;
            if (c != '\\')
                continue;
            if (at_ >= text_.size())
                return false;
            const char escaped = text_[at_++];
            if (escaped == 'u') {
                for (int k = 0; k < 4; ++k, ++at_) {
                    if (at_ >= text_.size() || !std::isxdigit(static_cast<unsigned char>(text_[at_])))
                        return false;
                }
            } else if (std::string_view("\"\\/bfnrt").find(escaped) == std::string_view::npos) {
                return false;
            }
        }
        return false;
    }
    bool value(int depth)
    {
        if (depth > 64)
            return false;
        blanks();
        if (at_ >= text_.size())
            return false;
        switch (text_[at_]) {
        case '{':
            ++at_;
            if (take('}'))
                return true;
            do {
                if (!string() || !take(':') || !value(depth + 1))
                    return false;
            } while (take(','));
            return take('}');
        case '[':
            ++at_;
            if (take(']'))
                return true;
            do {
                if (!value(depth + 1))
                    return false;
            } while (take(','));
            return take(']');
        case '"':
            return string();
        case 't':
            return word("true");
        case 'f':
            return word("false");
        case 'n':
            return word("null");
        default:
            return number();
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};
} // namespace

bool isJson(std::string_view text)
{
    return JsonReader(text).whole();
}

void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz

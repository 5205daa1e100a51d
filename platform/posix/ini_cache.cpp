#include "platform/posix/ini_cache.h"

#include "platform/cp1252.h"

namespace platform::ini {

namespace {
bool sameTime(const struct timespec& a, const struct timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}
} // namespace

ParsedFile::ParsedFile(std::string path, std::string text, const struct stat& info)
    : path_(std::move(path)), text_(std::move(text)), info_(info)
{
    format_ = detectFormat(text_);
    if (format_.utf16)
        return; // read by nobody: every value is the default
    lines_ = parse(text_, format_.start);
    // Only the first section of a name is ever read. Each runs up to the
    // next header.
    std::size_t previous = npos;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Line::Section)
            continue;
        if (previous != npos)
            sections_[lowered(lines_[previous].name)].end = i;
        const std::string name = lowered(lines_[i].name);
        if (sections_.count(name) != 0) {
            previous = npos;
            continue;
        }
        Section& section = sections_[name];
        section.found = true;
        section.header = i;
        section.first = i + 1;
        section.end = lines_.size();
        previous = i;
    }
}

bool ParsedFile::unchanged(const std::string& path, const struct stat& info) const
{
    return path == path_ && info.st_dev == info_.st_dev && info.st_ino == info_.st_ino &&
           info.st_size == info_.st_size && sameTime(info.st_mtim, info_.st_mtim) &&
           sameTime(info.st_ctim, info_.st_ctim);
}

// Names match letter case aside (A to Z only) after the cut at a NUL, and
// in a UTF-8 file after conversion to 8-bit text, as matches() in
// ini_file.cpp compares them.
std::string ParsedFile::lowered(std::string_view raw) const
{
    raw = cutAtNul(raw);
    std::string name = format_.utf8 ? cp1252::fromUtf8(raw) : std::string(raw);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

ParsedFile::Keys& ParsedFile::keysOf(const Section& section)
{
    Keys& keys = keys_[section.header];
    if (!keys.built) {
        for (std::size_t i = section.first; i < section.end; ++i)
            if (lines_[i].kind == Line::Key)
                keys.first.emplace(lowered(lines_[i].name), i);
        keys.built = true;
    }
    return keys;
}

std::size_t ParsedFile::find(std::string_view sectionName, std::string_view keyName)
{
    if (format_.utf16)
        return npos;
    sectionName = cutAtNul(trim(sectionName));
    Section section;
    if (sectionName.empty()) {
        // The nameless section: the lines before the first header.
        section.found = true;
        section.first = 0;
        section.end = 0;
        while (section.end < lines_.size() && lines_[section.end].kind != Line::Section)
            ++section.end;
    } else {
        std::string name(sectionName);
        for (char& c : name)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        const auto found = sections_.find(name);
        if (found == sections_.end())
            return npos;
        section = found->second;
    }
    std::string key(cutAtNul(trim(keyName)));
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    const Keys& keys = keysOf(section);
    const auto line = keys.first.find(key);
    return line == keys.first.end() ? npos : line->second;
}

} // namespace platform::ini

// A profile file taken apart once and indexed by section and key name, so
// that reading N keys of it costs time linear in N, not N whole readings.
// Internal to platform/posix.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/posix/ini_file.h"

namespace platform::ini {

class ParsedFile {
public:
    // `info` describes the file as `text` was read from it.
    ParsedFile(std::string path, std::string text, const struct stat& info);
    ParsedFile(const ParsedFile&) = delete;
    ParsedFile& operator=(const ParsedFile&) = delete;

    // Whether `info` (from stat of `path`) shows the same file, unchanged:
    // the same file, size, modification and status-change times.
    bool unchanged(const std::string& path, const struct stat& info) const;

    const Format& format() const { return format_; }
    const std::vector<Line>& lines() const { return lines_; }
    // The line of `key` in `section`, or npos, as findKey(findSection())
    // finds it.
    std::size_t find(std::string_view section, std::string_view key);

private:
    struct Keys {
        bool built = false;
        std::unordered_map<std::string, std::size_t> first; // lower-case name -> line
    };
    std::string lowered(std::string_view raw) const;
    Keys& keysOf(const Section& section);

    const std::string path_;
    const std::string text_; // the views of lines_ point into it
    const struct stat info_;
    Format format_;
    std::vector<Line> lines_;
    std::unordered_map<std::string, Section> sections_; // lower-case name -> first section
    std::unordered_map<std::size_t, Keys> keys_;        // by header line (npos: nameless)
};

} // namespace platform::ini

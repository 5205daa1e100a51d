#include "platform/posix/ini_file.h"

#include <algorithm>

#include "platform/cp1252.h"

namespace platform::ini {

bool isBlank(unsigned char c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == ' ';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string_view cutAtNul(std::string_view text)
{
    std::size_t nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

namespace {
unsigned char asciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}
} // namespace

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(static_cast<unsigned char>(a[i])) != asciiLower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

Format detectFormat(std::string_view text)
{
    Format format;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        format.start = 3;
        format.utf8 = true;
    } else if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") {
        format.start = 2;
        format.utf16 = true;
    }
    return format;
}

std::string fromFile(std::string_view raw, const Format& format)
{
    return format.utf8 ? cp1252::fromUtf8(raw) : std::string(raw);
}

std::string forFile(std::string_view text, const Format& format)
{
    return format.utf8 ? cp1252::toUtf8(text) : std::string(text);
}

std::vector<Line> parse(std::string_view text, std::size_t from)
{
    std::vector<Line> lines;
    std::size_t pos = std::min(from, text.size());
    const std::size_t size = text.size();
    while (pos < size) {
        Line line;
        line.start = pos;
        std::size_t end = pos;
        while (end < size && text[end] != '\n' && text[end] != '\r')
            ++end;
        std::size_t next = end;
        if (next < size && text[next] == '\r')
            ++next;
        if (next < size && text[next] == '\n')
            ++next;
        line.next = next;
        line.hasBreak = next > end;

        std::string_view content = trim(text.substr(pos, end - pos));
        std::size_t closing = content.rfind(']');
        if (content.empty()) {
            line.kind = Line::Blank;
        } else if (content.front() == '[' && closing != std::string_view::npos) {
            line.kind = Line::Section;
            line.name = trim(content.substr(1, closing - 1));
        } else {
            line.kind = Line::Key;
            std::size_t equals = content.find('=');
            if (equals == std::string_view::npos) {
                line.name = content;
            } else {
                line.name = trim(content.substr(0, equals));
                line.value = trim(content.substr(equals + 1));
                line.hasValue = true;
            }
        }
        lines.push_back(line);
        pos = next;
    }
    return lines;
}

namespace {
// The first section named exactly `name` (letter case aside) whose header is
// at or after line `from`. The nameless section before the first header
// counts only when searching from the start, and unless `nameless` is false.
bool matches(std::string_view raw, std::string_view name, const Format& format)
{
    raw = cutAtNul(raw);
    return format.utf8 ? sameName(cp1252::fromUtf8(raw), name) : sameName(raw, name);
}

Section sectionFrom(const std::vector<Line>& lines, std::string_view name, std::size_t from,
                    const Format& format, bool nameless = true)
{
    Section section;
    std::size_t i = from;
    if (name.empty() && from == 0 && nameless) {
        // A later "[]" header repeats this section and is never read.
        section.found = true;
        section.first = 0;
    } else {
        for (; i < lines.size(); ++i) {
            if (lines[i].kind == Line::Section && matches(lines[i].name, name, format))
                break;
        }
        if (i == lines.size())
            return section;
        section.found = true;
        section.header = i;
        section.first = i + 1;
        i = i + 1;
    }
    while (i < lines.size() && lines[i].kind != Line::Section)
        ++i;
    section.end = i;
    return section;
}

std::size_t keyIn(const std::vector<Line>& lines, const Section& section, std::string_view name,
                  const Format& format)
{
    if (!section.found)
        return npos;
    for (std::size_t i = section.first; i < section.end; ++i) {
        if (lines[i].kind == Line::Key && matches(lines[i].name, name, format))
            return i;
    }
    return npos;
}
} // namespace

Section findSection(const std::vector<Line>& lines, std::string_view name, const Format& format)
{
    return sectionFrom(lines, cutAtNul(trim(name)), 0, format);
}

std::size_t findKey(const std::vector<Line>& lines, const Section& section, std::string_view name,
                    const Format& format)
{
    return keyIn(lines, section, cutAtNul(trim(name)), format);
}

std::vector<std::string> sectionNames(const std::vector<Line>& lines, const Format& format)
{
    std::vector<std::string> names;
    for (const Line& line : lines) {
        std::string_view name = cutAtNul(line.name);
        if (line.kind == Line::Section && !name.empty())
            names.push_back(fromFile(name, format));
    }
    return names;
}

std::vector<std::string> keyNames(const std::vector<Line>& lines, std::string_view sectionName,
                                  const Format& format, bool& found)
{
    std::vector<std::string> names;
    const Section section = sectionFrom(lines, cutAtNul(sectionName), 0, format);
    found = section.found;
    bool previousNameless = false;
    bool first = true;
    for (std::size_t i = section.first; found && i < section.end; ++i) {
        const Line& line = lines[i];
        if (line.kind != Line::Key)
            continue;
        const std::string_view name = cutAtNul(line.name);
        if (!first && previousNameless && line.name.empty())
            continue; // folded into the nameless key before it
        first = false;
        previousNameless = name.empty();
        if (!line.hasValue || (!name.empty() && name.front() == ';'))
            continue;
        names.push_back(fromFile(name, format));
    }
    return names;
}

std::uint32_t copyValue(std::string_view value, char* out, std::uint32_t size)
{
    if (size == 0 || out == nullptr)
        return 0;
    value = cutAtNul(value);
    // A value enclosed in one pair of the same quotes loses them. The text
    // is copied with its closing quote, and that last character is dropped
    // only when the buffer had room for the whole of it: so a buffer one
    // byte short of the quoted text loses the last letter instead of the
    // quote, and a smaller one holds letters only. The Win32 reader cuts
    // quoted values the same way.
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                  value.back() == value.front();
    if (quoted)
        value.remove_prefix(1);
    std::size_t count = std::min<std::size_t>(value.size(), size - 1);
    std::copy_n(value.data(), count, out);
    if (quoted && size >= value.size() && count > 0)
        --count;
    out[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

namespace {
constexpr std::string_view kLineBreak = "\r\n";

std::string keyLine(std::string_view key, std::string_view value)
{
    std::string line;
    line.reserve(key.size() + value.size() + 3);
    line.append(key);
    line.push_back('=');
    line.append(value);
    line.append(kLineBreak);
    return line;
}
} // namespace

bool setValue(std::string& text, const Format& format, std::string_view sectionName,
              std::string_view key, std::string_view value)
{
    sectionName = trim(sectionName);
    key = trim(key);
    value = trim(value);
    const std::vector<Line> lines = parse(text, format.start);
    const Section section = findSection(lines, sectionName, format);
    const std::string storedValue = forFile(value, format);

    if (!section.found) {
        std::string added;
        if (text.size() > format.start && text.back() != '\n' && text.back() != '\r')
            added.append(kLineBreak);
        added.push_back('[');
        added.append(forFile(sectionName, format));
        added.push_back(']');
        added.append(kLineBreak);
        added.append(keyLine(forFile(key, format), storedValue));
        text.append(added);
        return true;
    }

    const std::size_t found = findKey(lines, section, key, format);
    if (found != npos) {
        const Line& line = lines[found];
        if (line.hasValue && line.value == storedValue)
            return false;
        // The key keeps the spelling it has in the file.
        text.replace(line.start, line.next - line.start, keyLine(line.name, storedValue));
        return true;
    }

    // A new key goes after the last non-blank line of its section, so that
    // blank lines separating it from the next section stay where they are.
    std::size_t after = npos;
    for (std::size_t i = section.first; i < section.end; ++i) {
        if (lines[i].kind != Line::Blank)
            after = i;
    }
    if (after == npos)
        after = section.header;
    std::string added;
    std::size_t at = format.start;
    if (after != npos) {
        at = lines[after].next;
        if (!lines[after].hasBreak)
            added.append(kLineBreak);
    }
    added.append(keyLine(forFile(key, format), storedValue));
    text.insert(at, added);
    return true;
}

// Removal names sections and keys exactly as they are, blanks included, and
// looks for the key in every section of that name, as the Win32 functions do.
bool removeKey(std::string& text, const Format& format, std::string_view sectionName,
               std::string_view key)
{
    const std::vector<Line> lines = parse(text, format.start);
    sectionName = cutAtNul(sectionName);
    key = cutAtNul(key);
    // After the nameless section only "[]" headers can repeat it; one of
    // them may stand on line 0, where that section ends when it is empty.
    for (Section section = sectionFrom(lines, sectionName, 0, format); section.found;
         section = sectionFrom(lines, sectionName, section.end, format, false)) {
        const std::size_t found = keyIn(lines, section, key, format);
        if (found != npos) {
            text.erase(lines[found].start, lines[found].next - lines[found].start);
            return true;
        }
        if (section.end == lines.size())
            break;
    }
    return false;
}

bool removeSection(std::string& text, const Format& format, std::string_view sectionName)
{
    const std::vector<Line> lines = parse(text, format.start);
    const Section section = sectionFrom(lines, cutAtNul(sectionName), 0, format);
    if (!section.found)
        return false;
    std::size_t from = section.header != npos ? lines[section.header].start : format.start;
    std::size_t to = section.end < lines.size() ? lines[section.end].start : text.size();
    if (from == to)
        return false;
    text.erase(from, to - from);
    return true;
}

} // namespace platform::ini

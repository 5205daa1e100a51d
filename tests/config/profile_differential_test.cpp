// Compares the POSIX profile reader and writer with the Win32 functions, run
// under wine through the small Windows program profile_reference.exe, on
// every file of the corpus and on a few generated ones.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/test_helpers.h"

namespace {

namespace fs = std::filesystem;
using Text = std::optional<std::string>; // nullopt stands for a null pointer

constexpr int kWineSeconds = 600; // a first start creates the wine prefix

std::string encode(const Text& text)
{
    if (!text)
        return "-";
    static const char digits[] = "0123456789abcdef";
    std::string out = "x";
    for (unsigned char c : *text) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::string decodeHex(const std::string& token)
{
    std::string out;
    for (std::size_t i = 1; i + 1 < token.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(token.substr(i, 2), nullptr, 16)));
    return out;
}

std::string windowsPath(const std::string& path)
{
    std::string out = "Z:" + path;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

const char* cString(const Text& text)
{
    return text ? text->c_str() : nullptr;
}

struct Query {
    Text section;
    Text key;
    Text def;
    std::uint32_t size;
};

struct Write {
    Text section;
    Text key;
    Text value;
};

// A read's outcome: the count returned and the whole buffer, which starts
// filled with 0xAB.
struct Answer {
    std::uint32_t count = 0;
    std::string buffer;
    bool operator==(const Answer&) const = default;
};

std::string describe(const Query& q)
{
    return "section " + encode(q.section) + " key " + encode(q.key) + " default " + encode(q.def) + " size " +
           std::to_string(q.size);
}

// The count and the buffer up to its last byte that is not the filler.
std::string describe(const Answer& a)
{
    std::size_t used = a.buffer.find_last_not_of('\xab');
    used = used == std::string::npos ? 0 : used + 1;
    return std::to_string(a.count) + " " + encode(a.buffer.substr(0, used)) + " then " +
           std::to_string(a.buffer.size() - used) + " filler bytes";
}

Answer readHere(const std::string& file, const Query& q)
{
    Answer answer;
    answer.buffer.assign(q.size + 1, '\xab');
    answer.count = platform::getProfileString(cString(q.section), cString(q.key), cString(q.def),
                                              answer.buffer.data(), q.size, file.c_str());
    EXPECT_EQ(answer.buffer[q.size], '\xab') << "written past the buffer: " << describe(q);
    answer.buffer.resize(q.size);
    return answer;
}

// Names as a user of the file might ask for them: the raw text of every
// header and every key, cut at a NUL, plus spellings in other letter case.
void candidateNames(const std::string& bytes, std::vector<std::string>& sections,
                    std::vector<std::string>& keys)
{
    std::set<std::string> seenSections;
    std::set<std::string> seenKeys;
    auto add = [](std::vector<std::string>& list, std::set<std::string>& seen, std::string name) {
        name = name.substr(0, name.find('\0'));
        if (name.size() <= 200 && list.size() < 24 && seen.insert(name).second)
            list.push_back(name);
    };
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string line = bytes.substr(start, end - start);
        std::size_t open = line.find('[');
        std::size_t close = line.rfind(']');
        if (open != std::string::npos && close != std::string::npos && close > open)
            add(sections, seenSections, line.substr(open + 1, close - open - 1));
        std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            add(keys, seenKeys, line.substr(0, equals));
        else if (!line.empty() && line.size() <= 40)
            add(keys, seenKeys, line);
        start = end + 1;
    }
    for (const char* extra : {"", "Missing", "GPS", "WARNING", "Text-1", "New Section"}) {
        add(sections, seenSections, extra);
        add(keys, seenKeys, extra);
    }
    const std::size_t sectionCount = sections.size();
    for (std::size_t i = 0; i < sectionCount && i < 4; ++i) {
        std::string upper = sections[i];
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        add(sections, seenSections, upper);
        add(sections, seenSections, "  " + sections[i] + " \t");
    }
    const std::size_t keyCount = keys.size();
    for (std::size_t i = 0; i < keyCount && i < 4; ++i) {
        std::string lower = keys[i];
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        add(keys, seenKeys, lower);
    }
}

std::vector<Query> queriesFor(const std::string& bytes)
{
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    candidateNames(bytes, sections, keys);
    std::vector<Query> queries;
    for (const std::string& section : sections) {
        for (const std::string& key : keys)
            queries.push_back({section, key, "<default>", 300});
    }
    const Text defaults[] = {std::nullopt, "", "  dd  ", "   ", "\"quoted\"", "'x'", "long default text"};
    const std::uint32_t sizes[] = {1, 2, 3, 5, 8, 30};
    // Lists of section names and of a section's keys.
    for (std::uint32_t size : {1u, 2u, 3u, 4u, 5u, 6u, 8u, 12u, 30u, 300u}) {
        queries.push_back({std::nullopt, std::nullopt, "dflt", size});
        queries.push_back({std::nullopt, "Gps-1", "dflt", size});
        for (std::size_t s = 0; s < sections.size() && s < 8; ++s)
            queries.push_back({sections[s], std::nullopt, "dflt", size});
    }
    for (std::size_t s = 0; s < sections.size() && s < 6; ++s) {
        for (std::size_t k = 0; k < keys.size() && k < 12; ++k) {
            for (std::uint32_t size : sizes)
                queries.push_back({sections[s], keys[k], "dflt", size});
            for (const Text& def : defaults)
                queries.push_back({sections[s], keys[k], def, 9});
        }
    }
    return queries;
}

std::vector<Write> writesFor(const std::string& bytes)
{
    std::vector<std::string> sections;
    std::vector<std::string> keys;
    candidateNames(bytes, sections, keys);
    const std::string first = sections.empty() ? "GPS" : sections.front();
    // A key that reads back as a key: a name starting with '[' would read
    // back as a section header once written.
    std::string key = "k";
    for (const std::string& candidate : keys) {
        std::size_t start = candidate.find_first_not_of(" \t\v\f\x1a");
        if (!candidate.empty() && start != std::string::npos && candidate[start] != '[') {
            key = candidate;
            break;
        }
    }
    std::vector<Write> writes = {
        {first, key, "  spaced  value  "},
        {first, "Added-Key", "added"},
        {"WARNING", "Text-1", "THIS UNIT BELONGS TO"},
        {"WARNING", "Text-2", ""},
        {"warning", "Text-3", "\"quoted\" \xe9\xff"},
        {"New Section", "k", "=;x"},
        {"New Section", "k", "=;x"},
        {"WARNING", "Text-1", "  THIS UNIT BELONGS TO"},
        {first, "Added-Key", std::nullopt},
        // The nameless section, which ends on line 0 when a header comes first.
        {"", key, std::nullopt},
    };
    if (sections.size() > 1)
        writes.push_back({sections[1], std::nullopt, std::nullopt});
    return writes;
}

std::string quoted(const std::string& text)
{
    return "'" + text + "'";
}

// Runs the reference program under wine on a command file and returns the
// answer lines.
bool runReference(const std::string& workDir, const std::vector<std::string>& commands,
                  std::vector<std::string>& answers, std::string& failure)
{
    const std::string commandFile = workDir + "/commands.txt";
    const std::string answerFile = workDir + "/answers.txt";
    const std::string logFile = workDir + "/wine.log";
    {
        std::ofstream out(commandFile, std::ios::binary);
        for (const std::string& line : commands)
            out << line << '\n';
    }
    fs::create_directories(WENDRIX_WINE_PREFIX);
    const std::string environment = "env -u DISPLAY WINEPREFIX=" + quoted(WENDRIX_WINE_PREFIX) +
                                    " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=d' LC_ALL=C ";
    const std::string redirect = " </dev/null >>" + quoted(logFile) + " 2>&1";
    const int status = std::system((environment + "timeout -s KILL " + std::to_string(kWineSeconds) + " " +
                                    quoted(WENDRIX_WINE) + " " + quoted(WENDRIX_PROFILE_REFERENCE) + " " +
                                    quoted(windowsPath(commandFile)) + " " + quoted(windowsPath(answerFile)) +
                                    redirect).c_str());
    // Our own prefix's server is not needed any more.
    if (*WENDRIX_WINESERVER)
        std::system((environment + quoted(WENDRIX_WINESERVER) + " -k" + redirect).c_str());
    if (WIFEXITED(status) && (WEXITSTATUS(status) == 124 || WEXITSTATUS(status) == 137)) {
        failure = "wine did not finish within " + std::to_string(kWineSeconds) + " s";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        failure = "the reference program failed; see " + logFile + ":\n" + testing_support::readText(logFile);
        return false;
    }
    std::ifstream in(answerFile, std::ios::binary);
    answers.clear();
    for (std::string line; std::getline(in, line);)
        answers.push_back(line);
    if (answers.size() != commands.size()) {
        failure = "expected " + std::to_string(commands.size()) + " answers, got " + std::to_string(answers.size());
        return false;
    }
    return true;
}

Answer parseAnswer(const std::string& line)
{
    Answer answer;
    std::size_t blank = line.find(' ');
    answer.count = static_cast<std::uint32_t>(std::stoul(line.substr(0, blank)));
    if (blank != std::string::npos)
        answer.buffer = decodeHex(line.substr(blank + 1));
    return answer;
}

// One file of the comparison: its original reads, and the reads after the
// same writes made by each side.
struct Case {
    std::string name;
    std::string original;   // the file as it was
    std::string wineCopy;   // written by the Win32 functions
    std::string posixCopy;  // written by the POSIX functions
    std::vector<Query> queries;
    std::vector<Query> queriesAfter;
    std::vector<Write> writes;
    std::vector<bool> posixWriteResults;
    bool compareBytes = false;
    bool wineKeepsLayout = true;
};

// Whether the file has a header with a blank name ("[]", "[ ]"). When the
// Win32 functions rewrite such a file they leave that header out, and its
// keys join the section before it; writes here keep the header. Such files
// are compared by what both readers see in the file written here.
bool hasNamelessHeader(const std::string& bytes)
{
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        std::size_t first = line.find_first_not_of(" \t\v\f\x1a");
        std::size_t close = line.rfind(']');
        if (first != std::string::npos && line[first] == '[' && close != std::string::npos &&
            line.find_first_not_of(" \t\v\f\x1a", first + 1) == close)
            return true;
        start = end + 1;
    }
    return false;
}

std::vector<std::pair<std::string, std::string>> corpusFiles()
{
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : fs::directory_iterator(WENDRIX_CONFIG_CORPUS)) {
        if (entry.path().extension() == ".ini")
            files.emplace_back(entry.path().filename().string(),
                               testing_support::readText(entry.path().string()));
    }
    std::sort(files.begin(), files.end());
    // Generated cases too large or too random to keep in the source tree.
    std::string megabyte = "[S]\r\nbig=" + std::string(1 << 20, 'm') + "\r\nk=after\r\n[" +
                           std::string(5000, 'n') + "]\r\nz=1\r\n";
    files.emplace_back("generated-long-lines.ini", megabyte);
    std::string noise;
    unsigned state = 7;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        unsigned char c = static_cast<unsigned char>(state >> 16);
        // Keep plenty of structure characters among the noise.
        const char structure[] = "[]=\r\n \t\"';";
        noise.push_back((state & 0x300) == 0 ? structure[c % 11] : static_cast<char>(c));
    }
    files.emplace_back("generated-noise.ini", noise);
    return files;
}

TEST(ProfileDifferential, PosixMatchesTheWin32FunctionsOnTheCorpus)
{
    if (!*WENDRIX_PROFILE_REFERENCE)
        GTEST_SKIP() << "x86_64-w64-mingw32-g++ was not found when the build was configured; "
                        "install MinGW-w64 to compare with the Win32 profile functions";
    if (!*WENDRIX_WINE)
        GTEST_SKIP() << "wine was not found when the build was configured; install wine64 to "
                        "compare with the Win32 profile functions";
    ASSERT_TRUE(fs::exists(WENDRIX_PROFILE_REFERENCE)) << WENDRIX_PROFILE_REFERENCE;

    testing_support::TempDir dir;
    std::vector<Case> cases;
    std::vector<std::string> commands;
    for (auto& [name, bytes] : corpusFiles()) {
        Case c;
        c.name = name;
        c.original = dir.file("original-" + name);
        c.wineCopy = dir.file("wine-" + name);
        c.posixCopy = dir.file("posix-" + name);
        c.compareBytes = name.rfind("clean-", 0) == 0;
        c.wineKeepsLayout = !hasNamelessHeader(bytes);
        ASSERT_TRUE(testing_support::writeText(c.original, bytes));
        ASSERT_TRUE(testing_support::writeText(c.wineCopy, bytes));
        ASSERT_TRUE(testing_support::writeText(c.posixCopy, bytes));
        c.queries = queriesFor(bytes);
        c.writes = writesFor(bytes);
        c.queriesAfter = queriesFor(bytes + "\n[WARNING]\nText-2=\nText-3=\n[New Section]\nk=\n");
        for (const Write& w : c.writes) {
            c.posixWriteResults.push_back(platform::writeProfileString(
                cString(w.section), cString(w.key), cString(w.value), c.posixCopy.c_str()));
        }
        cases.push_back(std::move(c));
    }
    // Commands, file by file: reads of the original, the writes on wine's
    // copy, then reads of both written copies.
    for (const Case& c : cases) {
        for (const Query& q : c.queries)
            commands.push_back("G " + encode(windowsPath(c.original)) + " " + encode(q.section) + " " +
                               encode(q.key) + " " + encode(q.def) + " " + std::to_string(q.size));
        for (const Write& w : c.writes)
            commands.push_back("W " + encode(windowsPath(c.wineCopy)) + " " + encode(w.section) + " " +
                               encode(w.key) + " " + encode(w.value));
        for (const std::string& file : {c.wineCopy, c.posixCopy}) {
            for (const Query& q : c.queriesAfter)
                commands.push_back("G " + encode(windowsPath(file)) + " " + encode(q.section) + " " +
                                   encode(q.key) + " " + encode(q.def) + " " + std::to_string(q.size));
        }
    }

    std::vector<std::string> answers;
    std::string failure;
    ASSERT_TRUE(runReference(dir.path(), commands, answers, failure)) << failure;

    std::size_t next = 0;
    int mismatches = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const Query& q : c.queries) {
            const Answer expected = parseAnswer(answers[next++]);
            const Answer got = readHere(c.original, q);
            if (!(got == expected) && ++mismatches <= 40)
                ADD_FAILURE() << "read " << describe(q) << "\n  Win32: " << describe(expected)
                              << "\n  POSIX: " << describe(got);
        }
        for (std::size_t i = 0; i < c.writes.size(); ++i) {
            const Write& w = c.writes[i];
            const bool expected = answers[next++] == "1";
            // The Win32 functions answer a write of nothing with FALSE; here
            // it is the no-op it means.
            if (expected != c.posixWriteResults[i] && ++mismatches <= 40)
                ADD_FAILURE() << "write " << encode(w.section) << " " << encode(w.key) << " "
                              << encode(w.value) << ": Win32 " << expected << ", POSIX "
                              << c.posixWriteResults[i];
        }
        for (const Query& q : c.queriesAfter) {
            const Answer fromWineCopy = parseAnswer(answers[next + 0 * c.queriesAfter.size()]);
            const Answer win32OnPosixCopy = parseAnswer(answers[next + c.queriesAfter.size()]);
            const Answer posixOnPosixCopy = readHere(c.posixCopy, q);
            ++next;
            const bool agree = c.wineKeepsLayout
                                   ? win32OnPosixCopy == fromWineCopy && posixOnPosixCopy == fromWineCopy
                                   : posixOnPosixCopy == win32OnPosixCopy;
            if (!agree && ++mismatches <= 40)
                ADD_FAILURE() << "after the writes, read " << describe(q)
                              << "\n  Win32 on its own copy:   " << describe(fromWineCopy)
                              << "\n  Win32 on the POSIX copy: " << describe(win32OnPosixCopy)
                              << "\n  POSIX on the POSIX copy: " << describe(posixOnPosixCopy);
        }
        next += c.queriesAfter.size();
        if (c.compareBytes) {
            EXPECT_EQ(testing_support::readText(c.posixCopy), testing_support::readText(c.wineCopy))
                << "a clean file must be written byte for byte as the Win32 functions write it";
        }
    }
    EXPECT_EQ(next, answers.size());
    EXPECT_EQ(mismatches, 0) << "differences found (at most 40 shown)";
}

} // namespace

#else

TEST(ProfileDifferential, PosixMatchesTheWin32FunctionsOnTheCorpus)
{
    GTEST_SKIP() << "compares the POSIX implementation with Win32; nothing to compare on Windows";
}

#endif

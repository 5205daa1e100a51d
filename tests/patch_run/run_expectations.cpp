#include "tests/support/checked_lines.h"
#include "tests/patch_run/run_expectations.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <thread>
#include <zlib.h>

#include "engine/fit_advice.h"
#include "engine/warning_lines.h"
#include "tests/support/test_helpers.h"

namespace run_expect {
namespace {

constexpr int kTableSize = 14;

std::string format(const char* fmt, auto... args)
{
    char text[1024];
    std::snprintf(text, sizeof text, fmt, args...);
    return text;
}

std::int32_t entriesSearched(std::int32_t lang)
{
    return std::clamp<std::int32_t>(lang, 0, kTableSize);
}

// Texts of `made` that the search locates: all of them, up to the entries searched.
std::size_t locatedCount(const MadeFirmware& made, std::int32_t lang)
{
    return std::min<std::size_t>(made.texts.size(), static_cast<std::size_t>(entriesSearched(lang)));
}

} // namespace

std::string cannotRead(const std::string& path, const std::string& folder)
{
    return "Cannot read " + path +
           "!\nYou have selected wrong GPS type or\ndownloaded wrong version of the firmware\n\n"
           "If you have a newer version of the firmware\nthan Wendrix expect you may search for\n"
           "updates of Wendrix\n\nSearch now?\n\nLooked in the folder " +
           (folder.empty() ? std::filesystem::current_path().string() : folder);
}

std::string notOriginal(const std::string& path, std::uint32_t found, std::uint32_t expected)
{
    return "Not original " + path + " file!\nIts CRC-32 is " + hex8(found) + "; the model file expects " +
           hex8(expected);
}

std::string cannotWrite(const std::string& path)
{
    return "Cannot write " + path + "!\nDisk is full or file is write protected";
}

std::string notProcessed(int failures, int lang, const std::vector<std::string>& reasons)
{
#ifdef _WIN32
    const char* logName = "wendrix.log";
#else
    const char* logName = "wendrix.LOG"; // the file's own name where names are case-sensitive
#endif
    std::string text = format("%d of %d languages not processed\nSee %s for more information", failures, lang, logName);
    text += "\n";
    for (const std::string& reason : reasons)
        text += "\n" + reason;
    return text;
}

std::string summary(const Fitted& fitted)
{
    if (fitted.notFitting == 0 && fitted.ownWarning == 0)
        return "";
    std::string text;
    if (fitted.failures > 0) {
        text = notProcessed(fitted.failures, fitted.searched, fitted.reasons);
    } else {
        // Every text written, some without a line: the count says how many show every line.
        text = notProcessed(0, fitted.searched, fitted.reasons);
        text.replace(0, text.find('\n'), format("%d of %d languages show every line",
                                                 fitted.searched - fitted.notFitting, fitted.searched));
    }
    if (!fitted.apart.empty() && !fitted.reasons.empty())
        text += "\n";
    for (const std::string& line : fitted.apart)
        text += "\n" + line;
    return text;
}

std::string askUpdater(const Fitted& fitted)
{
    if (fitted.notFitting > 0)
        return kAskUpdater;
    const int canTake = fitted.searched - fitted.ownWarning;
    std::string count;
    if (fitted.ownWarning > 0)
        count = format("%d of %d languages that can take a text show every line (%d %s own warning)", canTake,
                       canTake, fitted.ownWarning, fitted.ownWarning == 1 ? "keeps its" : "keep their");
    else
        count = canTake > 1 ? format("All %d languages show every line", canTake)
                            : format("%d of %d languages show every line", canTake, canTake);
    return count + "\n" + kAskUpdater;
}

// The advice the fitting summary gives for lines and a text of `length`; the
// words themselves are the advice module's, tested on their own.
static std::string adviceFor(const Lines& lines, std::int32_t length, bool sayDropped = true)
{
    WarningLines held;
    for (int i = 0; i < 7; ++i)
        held.setLine(i, testing_support::checkedLine(lines[static_cast<std::size_t>(i)]));
    FitResult result;
    fitLengths(held, &length, 1, result);
    return fitReason(judgeFit(held, length, result.entries[0]), sayDropped);
}

// The name a located text of entry `index` gets when the image holds the
// texts in their first spelling, as makeFirmware writes them.
static const char* locatedName(int index)
{
    static const char* const names[kTableSize] = {
        "English", "Deutsch", "Francais", "Italian", "Espa\xF1ol", "Svenska", "Dansk",
        "Portugu\xEAs", "Nederlands", "Norsk", "Suomi", "Polski", "Cesky", "Magyar",
    };
    return names[index];
}

std::vector<std::string> logHead(const std::string& section, const std::string& rgnPath,
                                 std::uint32_t crc)
{
    const std::string rule(70, '-');
    return {rule, "*****  Wendrix  *****", rule, "", "--- Info ---", "Ver: 1.4.1.12",
            "Gps: " + section, "Rgn: " + rgnPath, "Crc: 0x" + hex8(crc), ""};
}

// The "--- Languages ---" block for an image of `size` bytes holding `made`'s texts.
static std::vector<std::string> languagesBlock(const MadeFirmware& made, std::size_t size, std::int32_t lang)
{
    std::vector<std::string> block = {"--- Languages ---"};
    const std::size_t located = locatedCount(made, lang);
    for (std::size_t i = 0; i < located; ++i)
        block.push_back(format("Language %2d: %-10s   Start %6d,   Len %3d", int(i) + 1,
                               locatedName(int(i)), made.texts[i].start, made.texts[i].length));
    if (located < static_cast<std::size_t>(entriesSearched(lang)))
        block.push_back(format("Language %2d: %-10s   Start %6d,   Len %3d", int(located) + 1,
                               "Unknown", int(size), 0));
    block.push_back("");
    return block;
}

Fitted fit(const MadeFirmware& made, const Lines& lines, std::int32_t lang)
{
    Fitted out;
    out.image = made.bytes;

    int ends[7];
    for (int i = 0, previous = -1; i < 7; previous = ends[i++])
        ends[i] = previous + int(lines[i].size()) + 1;
    out.logBlock.push_back("--- Lines ---");
    for (int i = 0; i < 7; ++i)
        out.logBlock.push_back(format("Line-%d: %3d %s", i + 1, ends[i], lines[i].c_str()));
    out.logBlock.push_back("");
    out.logBlock.push_back("--- Result ---");

    const std::size_t located = locatedCount(made, lang);
    out.searched = entriesSearched(lang);
    int lastCandidate = 0;
    for (std::int32_t entry = 0; entry < entriesSearched(lang); ++entry) {
        const bool isLocated = static_cast<std::size_t>(entry) < located;
        const int length = isLocated ? made.texts[entry].length : 0;
        const char* name = isLocated ? locatedName(entry) : "Unknown";
        bool replaced = false;
        if (length > 0) {
            int n = 0;
            while (n < 7 && ends[n] <= length)
                ++n;
            // The smallest fill factor whose padding wants cover the slack.
            for (int f = 10; f <= 24 && !replaced; ++f) {
                std::string candidate;
                int used = n > 0 ? ends[n - 1] : 0;
                for (int i = 0; i < n; ++i) {
                    const int want = std::max(0, 2 * (f - int(lines[i].size())));
                    const int pad = std::min(want, length - used);
                    used += pad;
                    candidate += std::string(pad / 2, ' ') + lines[i] +
                                 std::string((pad + 1) / 2, ' ') + '\n';
                }
                if (!candidate.empty())
                    candidate.pop_back();
                lastCandidate = int(candidate.size());
                if (int(candidate.size()) == length) {
                    std::copy(candidate.begin(), candidate.end(),
                              out.image.begin() + made.texts[entry].start);
                    out.logBlock.push_back(format("%-10s %3d chars replaced, %d line(s) skipped, fill factor %d",
                                                  name, length, 7 - n, f));
                    replaced = true;
                }
            }
        }
        if (!replaced) {
            out.logBlock.push_back(format("%-10s not replaced, %d chars could not replace %d chars",
                                          name, lastCandidate, length));
            ++out.failures;
        }
        // A line of text past the lines that fit is lost.
        int last = 0, n = 0;
        for (int i = 0; i < 7; ++i) {
            if (!lines[static_cast<std::size_t>(i)].empty())
                last = i + 1;
            if (ends[i] <= length)
                n = i + 1;
        }
        if (length > 342) {
            ++out.ownWarning;
            out.apart.push_back(format("%s keeps the receiver's own warning: its text has %d characters, and seven "
                                       "lines fill at most 342.",
                                       name, length));
        } else if (!replaced || n < last) {
            ++out.notFitting;
            std::string lost;
            if (replaced) {
                // The lines of text past those that fit: "line 5", "lines 5 and 6", "lines 4, 5 and 6".
                std::vector<int> numbers;
                for (int i = n; i < last; ++i)
                    if (!lines[static_cast<std::size_t>(i)].empty())
                        numbers.push_back(i + 1);
                lost = numbers.size() == 1 ? "line " : "lines ";
                for (std::size_t k = 0; k < numbers.size(); ++k)
                    lost += (k == 0 ? "" : k + 1 == numbers.size() ? " and " : ", ") + std::to_string(numbers[k]);
                lost = "written, but " + lost + " left out: ";
            }
            // A text written without a line names the lines itself.
            out.reasons.push_back(std::string(name) + ": " + lost +
                                  (isLocated ? adviceFor(lines, length, !replaced)
                                             : std::string("not located in the firmware")));
        }
    }
    out.logBlock.push_back("");
    return out;
}

std::vector<std::string> successLog(const std::string& section, const std::string& rgnPath,
                                    std::uint32_t crc, const MadeFirmware& made,
                                    const Lines& lines, std::int32_t lang)
{
    std::vector<std::string> log = logHead(section, rgnPath, crc);
    for (const std::string& line : languagesBlock(made, made.bytes.size(), lang))
        log.push_back(line);
    for (const std::string& line : fit(made, lines, lang).logBlock)
        log.push_back(line);
    return log;
}

std::vector<std::string> splitLog(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        if (end == std::string::npos) {
            lines.push_back("<no CR LF>" + text.substr(begin));
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return lines;
}

std::vector<std::string> openedDocuments(const std::string& path, bool expectSome)
{
    // xdg-open runs on its own: give it time to write a whole line.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(expectSome ? 10 : 1);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string text = testing_support::readText(path);
        if (expectSome && !text.empty() && text.back() == '\n')
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::vector<std::string> documents;
    const std::string text = testing_support::readText(path);
    for (std::size_t begin = 0, end; begin < text.size(); begin = end + 1) {
        end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        documents.push_back(text.substr(begin, end - begin));
    }
    return documents;
}

std::uint32_t crcOf(const std::vector<unsigned char>& bytes)
{
    return static_cast<std::uint32_t>(
        ::crc32(0L, bytes.data(), static_cast<uInt>(bytes.size())));
}

std::string hex8(std::uint32_t value)
{
    return format("%08x", static_cast<unsigned>(value));
}

} // namespace run_expect

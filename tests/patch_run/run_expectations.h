// What a patch run should leave behind, worked out from the rules of the
// language search and the fitting pass, for images made by makeFirmware.
// Shared by the in-process tests of the run and the end-to-end tests of wendrix-cli.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/firmware_maker.h"

namespace run_expect {

using Lines = std::array<std::string, 7>;

inline constexpr char kAskUpdater[] = "You may now run UPDATER\nStart UPDATER.EXE now?";
inline constexpr char kNoUpdater[] =
    "Cannot find UPDATER.EXE\nYou need the Garmin software\nPlease read \"readme.txt\"";
inline constexpr char kCannotStart[] = "Could not start UPDATER.EXE\nRun UPDATER.EXE from command window";
// What a run says while another holds the program folder.
inline constexpr char kWaiting[] = "Waiting for another Wendrix run in this folder to finish...";

// The question after an unreadable working file, with the folder it was
// looked for in (the current one when not given).
std::string cannotRead(const std::string& path, const std::string& folder = "");
// The message for a working file of another checksum, with both checksums.
std::string notOriginal(const std::string& path, std::uint32_t found, std::uint32_t expected);
std::string cannotWrite(const std::string& path);
// The fitting summary: the count of languages not processed (not replaced),
// then one "name: reason" line each for those that do not show every line.
std::string notProcessed(int failures, int lang, const std::vector<std::string>& reasons = {});

inline Lines ownerLines() { return {"THIS UNIT BELONGS TO", "J. SMITH", "PHONE 555 0100", "", "", "", ""}; }
inline Lines otherLines() { return {"PROPERTY OF", "THE SURVEY TEAM", "", "REWARD", "", "", ""}; }

// The banner and the information block that begin every run's log.
std::vector<std::string> logHead(const std::string& section, const std::string& rgnPath,
                                 std::uint32_t crc);

struct Fitted {
    std::vector<unsigned char> image;   // the image with every text rewritten that fits
    std::vector<std::string> logBlock;  // the "--- Lines ---" and "--- Result ---" blocks
    int searched = 0;                   // entries searched: lang, within 0 to 14
    int failures = 0;                   // texts left as they were
    int ownWarning = 0;                 // of them, those longer than any lines can fill
    int notFitting = 0;                 // the others not replaced, and the texts replaced without a line of text
    // As the summary gives them: "name: reason" for each that does not fit,
    // "name: written, but line N left out: reason" for one replaced without
    // a line of text; then, apart, "name keeps the receiver's own warning:
    // ..." for each that keeps it.
    std::vector<std::string> reasons;
    std::vector<std::string> apart;
};

// The run's summary box for `fitted`, or "" when every language shows every
// line.
std::string summary(const Fitted& fitted);
// The question about the uploader: when every language that can take a text
// shows every line, it says so first.
std::string askUpdater(const Fitted& fitted);

// Rewrites the texts of `made` that the search finds for `lang` with `lines`.
Fitted fit(const MadeFirmware& made, const Lines& lines, std::int32_t lang);

// The whole log of a successful run.
std::vector<std::string> successLog(const std::string& section, const std::string& rgnPath,
                                    std::uint32_t crc, const MadeFirmware& made,
                                    const Lines& lines, std::int32_t lang);

// A log file's lines: each must end in CR LF; a missing line end is kept as
// a final line prefixed with "<no CR LF>" so that comparisons fail.
std::vector<std::string> splitLog(const std::string& text);

// The documents an xdg-open stand-in appended to `path`, one a line; waits
// up to ten seconds for the first complete line when `expectSome`.
std::vector<std::string> openedDocuments(const std::string& path, bool expectSome);

std::uint32_t crcOf(const std::vector<unsigned char>& bytes);
std::string hex8(std::uint32_t value);

} // namespace run_expect

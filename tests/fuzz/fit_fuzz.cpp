// The location pass, the fitting pass and check's report of them on
// arbitrary images and lines. What must always hold: the image keeps its
// size, no byte outside the located texts changes, the replaced texts hold
// what the fitting rule worked out, and the report is valid JSON in UTF-8.
//
// Input: a byte for the number of texts (1 to 14), the seven lines and a
// section name, each ended by a NUL byte; the rest is the firmware image.
#include <cstring>
#include <string>
#include <vector>

#include "cli/ansi_text.h"
#include "cli/fit_report.h"
#include "engine/field_line.h"
#include "engine/firmware_image.h"
#include "engine/fit_log.h"
#include "engine/fitting.h"
#include "engine/language_table.h"
#include "engine/warning_lines.h"
#include "platform/cp1252.h"
#include "platform/platform.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

bool sameOutcome(const FitOutcome& a, const FitOutcome& b)
{
    return a.located == b.located && a.replaced == b.replaced && a.linesUsed == b.linesUsed &&
           a.fillFactor == b.fillFactor && a.candidateLength == b.candidateLength &&
           std::memcmp(a.candidate, b.candidate, sizeof a.candidate) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = [] {
        // The report of texts that did not fit is answered as a user would.
        platform::setMessageBoxHandler([](platform::WindowHandle, const char*, const char*, unsigned) {
            return 1;
        });
        return fuzz::scratchFolder() + "/firmware.rgn";
    }();

    fuzz::Input input(data, size);
    const std::int32_t langCount = 1 + input.byte() % LanguageTable::kCount;
    for (int i = 0; i < WarningLines::kCount; ++i)
        warningLines.setLine(i, fieldLine(platform::cp1252::decode(input.text())).line);
    const std::string section = input.text();
    fuzz::putFile(path, input.rest());

    FirmwareImage image;
    readImageFile(path.c_str(), image);
    if (image.bytes == nullptr)
        return 0;
    const std::uint32_t imageSize = image.size;
    const std::vector<unsigned char> original(image.bytes, image.bytes + image.size + 1);

    const std::int32_t located = locateTexts(image, langCount);
    FUZZ_CHECK(located >= 0 && located <= langCount);
    FitResult planned;
    fitTexts(warningLines, languageTable, image, langCount, planned);
    FitResult done;
    fitAndReplace(0, image, langCount, &done);

    FUZZ_CHECK(image.size == imageSize);
    FUZZ_CHECK(planned.count == done.count && planned.failures == done.failures);
    // Which bytes the located texts cover. A text may start inside the one
    // before it and end at the same NUL; each replacement, NUL included, is
    // written over the image in table order, so a later text overwrites the
    // tail of an earlier one.
    std::vector<bool> inText(imageSize + 1, false);
    std::vector<unsigned char> expected = original;
    for (std::int32_t e = 0; e < done.count; ++e) {
        const LanguageEntry& entry = languageTable.entries[e];
        const FitOutcome& out = done.entries[e];
        FUZZ_CHECK(sameOutcome(out, planned.entries[e]));
        if (!out.located)
            continue;
        FUZZ_CHECK(e < located);
        for (std::int32_t i = 0; i < entry.length; ++i)
            inText[static_cast<std::size_t>(entry.start + i)] = true;
        if (out.replaced) {
            FUZZ_CHECK(std::strlen(out.candidate) == static_cast<std::size_t>(entry.length));
            std::memcpy(expected.data() + entry.start, out.candidate,
                        static_cast<std::size_t>(entry.length) + 1);
        }
    }
    for (std::size_t i = 0; i <= imageSize; ++i)
        FUZZ_CHECK(inText[i] || image.bytes[i] == original[i]);
    FUZZ_CHECK(std::memcmp(image.bytes, expected.data(), expected.size()) == 0);

    // check --json: the object around the languages array holds the section
    // name, the one text in it that comes from the model file.
    FitVerdicts verdicts;
    judgeAll(warningLines, languageTable, done, verdicts);
    const std::string json = "{\"section\":" + jsonString(section) +
                             ",\"languages\":" + fitJsonLanguages(languageTable, done, verdicts) + "}";
    FUZZ_CHECK(fuzz::isUtf8(json));
    FUZZ_CHECK(fuzz::isJson(json));
    FUZZ_CHECK(fuzz::isUtf8(fitTable(languageTable, done, verdicts)));

    releaseImage(image);
    return 0;
}

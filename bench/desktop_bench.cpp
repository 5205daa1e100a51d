// What the owner waits for in the desktop programs, with the dialog logic
// itself: the live fit's judgement of one keystroke, and opening "Check
// lines" with twenty words typed (the firmware read and the arrangement
// search included). A model file and firmware of fourteen texts lie in a
// temporary folder, as the program finds them beside itself.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>
#include <zlib.h>

#include "config/model_file.h"
#include "engine/line_check.h"
#include "engine/warning_lines.h"
#include "tests/support/firmware_maker.h"
#include "tests/support/test_helpers.h"
#include "ui/check_lines.h"
#include "ui/live_fit.h"

namespace {

// A folder with "wendrix.ini" and the firmware it names (fourteen texts of
// 148 to 358 characters, as realistic firmware has), the current folder
// while it lives.
class BenchFolder {
public:
    BenchFolder()
    {
        const MadeFirmware firmware = makeFirmware(
            2 * 1024 * 1024, {148, 175, 199, 214, 236, 251, 262, 280, 293, 305, 318, 327, 340, 358}, 11);
        testing_support::writeBytes(dir_.file("fw.rgn"), firmware.bytes);
        char ini[256];
        std::snprintf(ini, sizeof ini,
                      "[GPS]\r\nGps-1=Bench\r\n[Bench]\r\norg=%s\r\nrgn=%s\r\ncrc=%08lx\r\nlang=14\r\nRel=1.00\r\n",
                      dir_.file("fw.org").c_str(), dir_.file("fw.rgn").c_str(),
                      crc32(0, firmware.bytes.data(), static_cast<uInt>(firmware.bytes.size())));
        testing_support::writeText(dir_.file("wendrix.ini"), ini);
        std::snprintf(modelFilePath, sizeof modelFilePath, "%s", dir_.file("wendrix.ini").c_str());
        dropModelFileCache();
    }

private:
    testing_support::TempDir dir_;
};

void setLines(const std::vector<std::string>& lines)
{
    for (int i = 0; i < WarningLines::kCount; ++i)
        warningLines.setLine(i, checkAnsiLine(i < static_cast<int>(lines.size()) ? lines[i] : "").line);
}

// Twenty words over seven lines, as an owner types name, address, phone
// and a request.
const std::vector<std::string> kTwentyWords = {"THIS GPS BELONGS TO", "JANE A. DOE", "12 HARBOUR ROAD",
                                               "LEITH EDINBURGH", "+44 131 496 0000", "REWARD IF FOUND",
                                               "PLEASE CALL"};

void BM_openCheckLines20Words(benchmark::State& state)
{
    BenchFolder folder;
    setLines(kTwentyWords);
    std::size_t rows = 0;
    for (auto _ : state) {
        const ui::CheckLinesView view = ui::checkLinesView(1);
        rows = view.rows.size();
        benchmark::DoNotOptimize(rows);
    }
    if (rows != 14)
        state.SkipWithError("the view does not hold fourteen rows");
}
BENCHMARK(BM_openCheckLines20Words)->Unit(benchmark::kMillisecond);

// One keystroke once a model is chosen: the line changes and the live fit's
// sentence is made from the texts found at the choice.
void BM_liveFitKeystroke(benchmark::State& state)
{
    BenchFolder folder;
    setLines(kTwentyWords);
    if (!ui::chooseFirmware(1).refusal.empty()) {
        state.SkipWithError("the bench firmware is refused");
        return;
    }
    const CheckedLine typed[2] = {checkAnsiLine("REWARD IF FOUND").line, checkAnsiLine("REWARD IF FOUND!").line};
    std::size_t length = 0;
    int key = 0;
    for (auto _ : state) {
        warningLines.setLine(5, typed[key ^= 1]);
        length += ui::liveFitLine().size();
    }
    benchmark::DoNotOptimize(length);
}
BENCHMARK(BM_liveFitKeystroke)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

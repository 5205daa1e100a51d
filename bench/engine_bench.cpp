// Throughput of the location pass, the fitting pass and the checksum on
// generated images of 1, 16 and 64 MiB, against a plain memchr sweep of the
// same buffer as the yardstick; and the time `suggest` takes to arrange many
// short words; and the live fit's judgement of one set of lines.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <zlib.h>

#include "engine/arrangement.h"
#include "engine/firmware_image.h"
#include "engine/fit_log.h"
#include "engine/fitting.h"
#include "engine/language_table.h"
#include "engine/patch_plan.h"
#include "engine/warning_lines.h"
#include "log/run_log.h"
#include "platform/platform.h"
#include "tests/support/firmware_maker.h"
#include "tests/support/test_helpers.h"

namespace {

// The byte that the memchr yardstick looks for; the bench images hold none.
constexpr unsigned char kAbsent = 0xFF;

// One generated image with its closing NUL, held while one benchmark runs,
// so that at most one image is in memory at a time.
struct BenchImage {
    MadeFirmware made;
    FirmwareImage image;

    explicit BenchImage(std::size_t size) : made(makeFirmware(size, 14, 1207))
    {
        for (auto& b : made.bytes)
            if (b == kAbsent)
                b = kAbsent - 1;
        made.bytes.push_back(0); // room was reserved: no second copy
        image.bytes = made.bytes.data();
        image.size = static_cast<std::uint32_t>(size);
    }
};

// The run log goes to a temporary folder and is dropped with it. It is kept
// open for the whole benchmark, so each line costs one write rather than an
// open and a close: the passes are measured, not the file system.
struct BenchLog {
    testing_support::TempDir dir;
    RunLog log{dir.file("bench.exe").c_str()};
    BenchLog()
    {
        log.open(0);
        runLog = &log;
    }
    ~BenchLog()
    {
        runLog = nullptr;
        log.close();
    }
};

void useLines()
{
    const char* lines[7] = {"THIS RECEIVER BELONGS TO", "A. N. OWNER", "", "IF FOUND PLEASE CALL",
                            "+00 123 456 789", "", "THANK YOU"};
    for (int i = 0; i < 7; ++i)
        warningLines.setLine(i, checkAnsiLine(lines[i]).line);
}

void BM_locateTexts(benchmark::State& state)
{
    BenchLog log;
    BenchImage img(static_cast<std::size_t>(state.range(0)));
    std::int32_t found = 0;
    for (auto _ : state) {
        found = locateTexts(img.image, 14);
        benchmark::DoNotOptimize(found);
    }
    if (found != 14)
        state.SkipWithError("not every text was located");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_fitAndReplace(benchmark::State& state)
{
    BenchLog log;
    useLines();
    // Texts that cannot be fitted end in a message box; answer it silently.
    platform::setMessageBoxHandler([](platform::WindowHandle, const char*, const char*, unsigned) {
        return static_cast<int>(platform::IdOk);
    });
    BenchImage img(static_cast<std::size_t>(state.range(0)));
    if (locateTexts(img.image, 14) != 14)
        state.SkipWithError("not every text was located");
    for (auto _ : state) {
        benchmark::DoNotOptimize(fitAndReplace(nullptr, img.image, 14));
        benchmark::ClobberMemory();
    }
    platform::setMessageBoxHandler(nullptr);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_crc32(benchmark::State& state)
{
    BenchImage img(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(crc32Of(img.image.bytes, img.image.size));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_memchr(benchmark::State& state)
{
    BenchImage img(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const void* hit = std::memchr(img.image.bytes, kAbsent, img.image.size);
        benchmark::DoNotOptimize(hit);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

// The live fit's cost per keystroke: one set of lines judged against the
// fourteen texts that the firmware stage of a plan located, from what that
// stage kept (the image itself is given back, as the dialog does).
void BM_planLines(benchmark::State& state)
{
    testing_support::TempDir dir;
    const MadeFirmware made = makeFirmware(1 * 1024 * 1024, 14, 1207);
    if (!testing_support::writeBytes(dir.file("bench.rgn"), made.bytes))
        state.SkipWithError("the firmware could not be written");
    PlanModel model;
    model.section = "Bench";
    model.orgPath = dir.file("bench.org");
    model.rgnPath = dir.file("bench.rgn");
    model.crc = static_cast<std::uint32_t>(crc32(0L, made.bytes.data(), static_cast<uInt>(made.bytes.size())));
    model.lang = 14;
    FirmwarePlan firmware = planFirmware(model);
    firmware.dropImage();
    if (firmware.refusal || firmware.located != 14)
        state.SkipWithError("the firmware stage did not locate every text");
    useLines();
    LinesPlan plan;
    for (auto _ : state) {
        planLines(firmware, warningLines, plan);
        benchmark::DoNotOptimize(plan);
    }
    state.counters["fitting"] = plan.verdicts.fitting;
}

// One-letter words make the most arrangements. Fourteen texts: one of 12
// characters, too short for any arrangement of eight or more words, and
// thirteen of 30 to 354, of which the last no lines can fill; so the search
// never ends early. With groups (the second argument 1), the words come as
// an owner gives them: two letters given as one argument, then six digits
// given one by one (a phone number), and so on. Reports the arrangements
// looked at, whether the search was cut short, and the breaks inside groups.
void BM_findArrangement(benchmark::State& state)
{
    const std::size_t count = static_cast<std::size_t>(state.range(0));
    std::vector<std::string> pieces;
    for (std::size_t w = 0; w < count; ++w) {
        const std::size_t at = w % 8;
        if (state.range(1) == 0)
            pieces.emplace_back(1, static_cast<char>('a' + w % 26));
        else if (at == 0)
            pieces.push_back(w + 1 < count ? std::string{static_cast<char>('a' + w % 26), ' ',
                                                         static_cast<char>('a' + (w + 1) % 26)}
                                           : std::string(1, 'a'));
        else if (at >= 2)
            pieces.emplace_back(1, static_cast<char>('0' + at));
    }
    const std::optional<OwnerWords> text = OwnerWords::fromPieces(pieces);
    if (!text || text->words().size() != count)
        state.SkipWithError("the words are not as meant");
    std::int32_t lengths[14] = {12};
    for (int e = 1; e < 14; ++e)
        lengths[e] = 30 + 27 * (e - 1);
    Arrangement best;
    for (auto _ : state) {
        if (!findArrangement(*text, lengths, 14, best))
            state.SkipWithError("the words could not be arranged");
        benchmark::DoNotOptimize(best);
    }
    state.counters["groups"] = static_cast<double>(text->groups().size());
    state.counters["tried"] = best.tried;
    state.counters["total"] = static_cast<double>(best.total);
    state.counters["cut_short"] = best.cutShort;
    state.counters["fitting"] = best.fitting;
    state.counters["breaks"] = best.breaks;
}

constexpr std::int64_t kMiB = 1024 * 1024;

BENCHMARK(BM_locateTexts)->Arg(1 * kMiB)->Arg(16 * kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_fitAndReplace)->Arg(1 * kMiB)->Arg(16 * kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_crc32)->Arg(1 * kMiB)->Arg(16 * kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_memchr)->Arg(1 * kMiB)->Arg(16 * kMiB)->Arg(64 * kMiB);
BENCHMARK(BM_planLines)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_findArrangement)
    ->ArgNames({"words", "groups"})
    ->ArgsProduct({{8, 20, 40}, {0, 1}})
    ->Args({105, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

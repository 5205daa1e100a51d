// Reading the model list of a model file with N models, N from 250 to
// 4000: the time per model must stay flat as N grows (linear in all).
#include <benchmark/benchmark.h>

#include <string>

#include "config/model_list.h"
#include "tests/support/test_helpers.h"

namespace {

void BM_readModelList(benchmark::State& state)
{
    const int models = static_cast<int>(state.range(0));
    testing_support::TempDir dir;
    const std::string path = dir.file("wendrix.ini");
    std::string text = "[GPS]\r\nDate=01.10.02\r\n";
    for (int n = 1; n <= models; ++n)
        text += "Gps-" + std::to_string(n) + "=Model " + std::to_string(n) + "\r\n";
    for (int n = 1; n <= models; ++n)
        text += "[Model " + std::to_string(n) + "]\r\norg=m" + std::to_string(n) + ".org\r\nrgn=m" +
                std::to_string(n) + ".rgn\r\ncrc=7c3a01f5\r\nlang=10\r\nRel=2.40\r\n";
    testing_support::writeText(path, text);
    for (auto _ : state) {
        const std::vector<std::string> list = readModelList(path.c_str());
        if (list.size() != static_cast<std::size_t>(models))
            state.SkipWithError("the list is incomplete");
        benchmark::DoNotOptimize(list.data());
    }
    state.SetItemsProcessed(state.iterations() * models);
}
BENCHMARK(BM_readModelList)->RangeMultiplier(2)->Range(250, 4000)->Unit(benchmark::kMillisecond);

} // namespace
BENCHMARK_MAIN();

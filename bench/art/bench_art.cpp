// What the build spends on the built-in characters: drawing and quantising each one, and
// packing it into an .acs file, with the resulting file size and picture count.

#include <benchmark/benchmark.h>

#include "acs/writer.h"
#include "art/characters.h"

namespace acs = vistrel::acs;
namespace art = vistrel::art;

namespace {

void BM_Draw(benchmark::State& state, const art::BuiltInCharacter& c) {
    std::size_t images = 0;
    for (auto _ : state) {
        acs::CharacterData data = c.make();
        images = data.images.size();
        benchmark::DoNotOptimize(data);
    }
    state.counters["images"] = static_cast<double>(images);
}

void BM_Pack(benchmark::State& state, const art::BuiltInCharacter& c) {
    const acs::CharacterData data = c.make();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<std::uint8_t> file = acs::writeAcs(data);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

const int registered = [] {
    for (const auto& c : art::builtInCharacters()) {
        benchmark::RegisterBenchmark(("Draw/" + c.id).c_str(), BM_Draw, c)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Pack/" + c.id).c_str(), BM_Pack, c)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();

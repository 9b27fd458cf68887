// Older character files beside version-2 ones: the time to open a file, the time to decode all
// its images, and the memory the character holds before and after. Compares the older sample
// with a version-2 sample of similar size, and one generated character written in both kinds.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "acs/character.h"
#include "acs/testing/oldkind.h"
#include "acs/testing/synthetic.h"
#include "acs/writer.h"

namespace acs = vistrel::acs;
namespace fs = std::filesystem;

namespace {

struct Sample {
    const char* label;
    fs::path file;
};

// The generated character, written once as an older file and as a version-2 file.
const std::pair<fs::path, fs::path>& generated() {
    static const std::pair<fs::path, fs::path> files = [] {
        acs::testing::SyntheticOptions o;
        o.width = 128;
        o.height = 128;
        o.animations = 24;
        o.framesPerAnimation = 6;
        o.sounds = 4;
        const acs::CharacterData data = acs::testing::makeSyntheticCharacter(o);
        const fs::path dir = fs::temp_directory_path();
        const std::vector<std::uint8_t> old = acs::testing::makeOldKindFile(data);
        std::ofstream(dir / "vistrel-bench-old.acs", std::ios::binary)
            .write(reinterpret_cast<const char*>(old.data()),
                   static_cast<std::streamsize>(old.size()));
        acs::saveAcs(data, dir / "vistrel-bench-v2.acs");
        return std::pair{dir / "vistrel-bench-old.acs", dir / "vistrel-bench-v2.acs"};
    }();
    return files;
}

// 0: the older sample, 1: a version-2 sample of about its size, 2 and 3: one generated
// character as an older and as a version-2 file.
Sample sample(std::int64_t which) {
    const fs::path shared(VISTREL_REALCHARS_DIR);
    switch (which) {
        case 0:
            return {"Miku-old-kind.acs (older)", shared / "Miku-old-kind.acs"};
        case 1:
            return {"HappyFace.acs (version 2)", shared / "HappyFace.acs"};
        case 2:
            return {"generated (older)", generated().first};
        default:
            return {"generated (version 2)", generated().second};
    }
}

bool present(benchmark::State& state, const Sample& s) {
    if (!fs::exists(s.file)) {
        state.SkipWithError("sample absent");
        return false;
    }
    return true;
}

void BM_OpenEitherKind(benchmark::State& state) {
    const Sample s = sample(state.range(0));
    if (!present(state, s)) {
        return;
    }
    for (auto _ : state) {
        acs::Character ch = acs::Character::open(s.file);
        benchmark::DoNotOptimize(ch.animations().data());
    }
    state.counters["file_KB"] = static_cast<double>(fs::file_size(s.file)) / 1e3;
    state.SetLabel(s.label);
}

// Decoding every image of a freshly opened character (the open itself is not timed), and the
// memory held: as the character counts it, and as the allocator reports it.
void BM_DecodeAllEitherKind(benchmark::State& state) {
    const Sample s = sample(state.range(0));
    if (!present(state, s)) {
        return;
    }
    double heldOpen = 0, heldDecoded = 0, mallocDecoded = 0;
    std::size_t images = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto base = mallinfo2().uordblks;
        auto ch = std::make_unique<acs::Character>(acs::Character::open(s.file));
        heldOpen = static_cast<double>(ch->heldBytes());
        state.ResumeTiming();
        for (std::size_t i = 0; i < ch->imageCount(); ++i) {
            benchmark::DoNotOptimize(ch->image(i).pixels.data());
        }
        state.PauseTiming();
        images = ch->imageCount();
        heldDecoded = static_cast<double>(ch->heldBytes());
        mallocDecoded = static_cast<double>(mallinfo2().uordblks - base);
        ch.reset();
        state.ResumeTiming();
    }
    state.counters["images"] = static_cast<double>(images);
    state.counters["held_open_MB"] = heldOpen / 1e6;
    state.counters["held_decoded_MB"] = heldDecoded / 1e6;
    state.counters["malloc_decoded_MB"] = mallocDecoded / 1e6;
    state.SetLabel(s.label);
}

}  // namespace

BENCHMARK(BM_OpenEitherKind)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAllEitherKind)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

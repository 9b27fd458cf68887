// Character-file figures: decompression speed against zlib's inflate on the same data, the
// compressor's speed, the time to open a 4 MB character, and the memory a character holds
// before and after decoding every image. Runs on a generated 4 MB character and, when it is
// present, on the largest third-party sample.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "acs/character.h"
#include "acs/compression.h"
#include "acs/testing/synthetic.h"
#include "acs/writer.h"

namespace acs = vistrel::acs;
namespace fs = std::filesystem;

namespace {

// The stored (bottom-up, stride-padded) pixels of every image and their compressed streams.
struct Corpus {
    std::string name;
    fs::path file;
    std::size_t fileSize = 0;
    std::vector<std::vector<std::uint8_t>> raw;
    std::vector<std::vector<std::uint8_t>> packed;
    std::vector<std::vector<std::uint8_t>> zlibbed;
    std::size_t rawBytes = 0;
    std::size_t packedBytes = 0;
    std::size_t zlibBytes = 0;
    std::size_t storedBytes = 0;  // the pixel streams as the file stores them
};

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

std::vector<std::uint8_t> stored(const acs::Image& img) {
    const std::size_t stride = (img.width + 3u) & ~3u;
    std::vector<std::uint8_t> out(stride * img.height, 0);
    for (std::size_t y = 0; y < img.height; ++y) {
        std::copy_n(img.pixels.data() + y * img.width, img.width,
                    out.data() + (img.height - 1 - y) * stride);
    }
    return out;
}

Corpus makeCorpus(const std::string& name, const fs::path& file) {
    Corpus c;
    c.name = name;
    c.file = file;
    c.fileSize = fs::file_size(file);
    const std::vector<std::uint8_t> bytes = acs::readFile(file);
    const std::uint32_t list = u32(bytes, 20);
    for (std::uint32_t i = 0; i < u32(bytes, list); ++i) {
        const std::uint32_t block = u32(bytes, list + 4 + 12 * i);
        if (bytes[block] != 0) {
            c.storedBytes += u32(bytes, block + 6);
        }
    }
    acs::Character ch = acs::Character::open(file);
    for (std::size_t i = 0; i < ch.imageCount(); ++i) {
        const acs::Image& img = ch.image(i);
        if (img.pixels.empty()) {
            continue;
        }
        c.raw.push_back(stored(img));
        c.packed.push_back(acs::compress(c.raw.back()));
        uLongf size = compressBound(static_cast<uLong>(c.raw.back().size()));
        std::vector<std::uint8_t> z(size);
        compress2(z.data(), &size, c.raw.back().data(), static_cast<uLong>(c.raw.back().size()),
                  Z_DEFAULT_COMPRESSION);
        z.resize(size);
        c.zlibbed.push_back(std::move(z));
        c.rawBytes += c.raw.back().size();
        c.packedBytes += c.packed.back().size();
        c.zlibBytes += c.zlibbed.back().size();
    }
    return c;
}

// A generated character of about 4 MB, written once into the temporary folder.
const Corpus& large() {
    static const Corpus corpus = [] {
        acs::testing::SyntheticOptions o;
        o.width = 200;
        o.height = 180;
        o.animations = 61;
        o.framesPerAnimation = 8;
        o.sounds = 12;
        o.noise = 0.12;
        const fs::path path = fs::temp_directory_path() / "vistrel-bench-large.acs";
        acs::saveAcs(acs::testing::makeSyntheticCharacter(o), path);
        return makeCorpus("generated", path);
    }();
    return corpus;
}

const Corpus* qmark() {
    static const std::unique_ptr<Corpus> corpus = []() -> std::unique_ptr<Corpus> {
        const fs::path path = fs::path(VISTREL_REALCHARS_DIR) / "qmark.acs";
        if (!fs::exists(path)) {
            return nullptr;
        }
        return std::make_unique<Corpus>(makeCorpus("qmark", path));
    }();
    return corpus.get();
}

// The corpus the benchmark's argument names (0: generated, 1: qmark.acs); marks the run skipped
// when that corpus is absent.
const Corpus* corpusOrSkip(benchmark::State& state) {
    const Corpus* c = state.range(0) == 0 ? &large() : qmark();
    if (!c) {
        state.SkipWithError("third-party sample absent");
    }
    return c;
}

// Decodes every block of the corpus into preallocated buffers with `decode(corpus, i, out)`,
// reporting the throughput in bytes of output.
template <typename Decode>
void decodeCorpus(benchmark::State& state, Decode decode) {
    const Corpus* c = corpusOrSkip(state);
    if (!c) {
        return;
    }
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& r : c->raw) {
        out.emplace_back(r.size());
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < out.size(); ++i) {
            decode(*c, i, out[i]);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c->rawBytes));
    state.SetLabel(c->name);
}

void BM_Decompress(benchmark::State& state) {
    decodeCorpus(state, [](const Corpus& c, std::size_t i, std::vector<std::uint8_t>& out) {
        acs::decompressInto(c.packed[i], out);
    });
}

void BM_ZlibInflate(benchmark::State& state) {
    decodeCorpus(state, [](const Corpus& c, std::size_t i, std::vector<std::uint8_t>& out) {
        uLongf size = static_cast<uLongf>(out.size());
        uncompress(out.data(), &size, c.zlibbed[i].data(), static_cast<uLong>(c.zlibbed[i].size()));
    });
}

void BM_Compress(benchmark::State& state) {
    const Corpus* c = corpusOrSkip(state);
    if (!c) {
        return;
    }
    for (auto _ : state) {
        for (const auto& r : c->raw) {
            benchmark::DoNotOptimize(acs::compress(r));
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c->rawBytes));
    state.counters["ratio_raw_to_packed"] =
        static_cast<double>(c->rawBytes) / static_cast<double>(c->packedBytes);
    state.counters["ratio_raw_to_zlib"] =
        static_cast<double>(c->rawBytes) / static_cast<double>(c->zlibBytes);
    state.SetLabel(c->name);
}

void BM_Open(benchmark::State& state) {
    const Corpus* c = corpusOrSkip(state);
    if (!c) {
        return;
    }
    for (auto _ : state) {
        acs::Character ch = acs::Character::open(c->file);
        benchmark::DoNotOptimize(ch.animations().data());
    }
    state.counters["file_MB"] = static_cast<double>(c->fileSize) / 1e6;
    state.SetLabel(c->name);
}

// Memory held by an open character before and after every image is decoded: what the model
// itself counts, and what the allocator reports in use.
void BM_DecodeAllImages(benchmark::State& state) {
    const Corpus* c = corpusOrSkip(state);
    if (!c) {
        return;
    }
    double heldOpen = 0, heldDecoded = 0, mallocOpen = 0, mallocDecoded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const auto base = mallinfo2().uordblks;
        auto ch = std::make_unique<acs::Character>(acs::Character::open(c->file));
        heldOpen = static_cast<double>(ch->heldBytes());
        mallocOpen = static_cast<double>(mallinfo2().uordblks - base);
        state.ResumeTiming();
        for (std::size_t i = 0; i < ch->imageCount(); ++i) {
            benchmark::DoNotOptimize(ch->image(i).pixels.data());
        }
        state.PauseTiming();
        heldDecoded = static_cast<double>(ch->heldBytes());
        mallocDecoded = static_cast<double>(mallinfo2().uordblks - base);
        ch.reset();
        state.ResumeTiming();
    }
    state.counters["held_open_MB"] = heldOpen / 1e6;
    state.counters["held_decoded_MB"] = heldDecoded / 1e6;
    state.counters["malloc_open_MB"] = mallocOpen / 1e6;
    state.counters["malloc_decoded_MB"] = mallocDecoded / 1e6;
    state.SetLabel(c->name);
}

// Collects throughput per benchmark so that the decompressor/inflate ratio can be printed.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end()) {
                rates_[r.benchmark_name()] = it->second.value;
            }
        }
    }
    void summary() const {
        for (const char* arg : {"0", "1"}) {
            const std::string suffix = std::string("/") + arg;
            auto ours = rates_.find("BM_Decompress" + suffix);
            auto zlib = rates_.find("BM_ZlibInflate" + suffix);
            if (ours == rates_.end() || zlib == rates_.end() || zlib->second <= 0) {
                continue;
            }
            std::printf("%s: decompress %.0f MB/s, zlib inflate %.0f MB/s, ratio %.2f\n",
                        arg[0] == '0' ? "generated 4 MB character" : "qmark.acs",
                        ours->second / 1e6, zlib->second / 1e6, ours->second / zlib->second);
        }
    }

  private:
    std::map<std::string, double> rates_;
};

}  // namespace

// Argument 0: the generated character; 1: qmark.acs.
BENCHMARK(BM_Decompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflate)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecodeAllImages)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    const Corpus& c = large();
    std::printf("generated character: %.2f MB file, %zu images, %.1f MB of pixels\n",
                static_cast<double>(c.fileSize) / 1e6, c.raw.size(),
                static_cast<double>(c.rawBytes) / 1e6);
    if (const Corpus* q = qmark()) {
        std::printf("qmark.acs: %.2f MB file, %zu images, %.1f MB of pixels\n",
                    static_cast<double>(q->fileSize) / 1e6, q->raw.size(),
                    static_cast<double>(q->rawBytes) / 1e6);
        std::printf(
            "qmark.acs pixel streams: %zu bytes stored in the file, %zu bytes from our "
            "compressor (%.4f), %zu bytes from zlib\n",
            q->storedBytes, q->packedBytes,
            static_cast<double>(q->packedBytes) / static_cast<double>(q->storedBytes),
            q->zlibBytes);
    }
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.summary();
    benchmark::Shutdown();
    return 0;
}

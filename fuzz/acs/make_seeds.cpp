// Writes small seed inputs for the character-file fuzzers into CORPUS/<fuzzer>/, made by the
// library's own writers from generated characters.

#include <filesystem>
#include <fstream>
#include <iostream>

#include "acs/compression.h"
#include "acs/testing/oldkind.h"
#include "acs/testing/synthetic.h"
#include "acs/writer.h"

namespace acs = vistrel::acs;
namespace fs = std::filesystem;

namespace {

void save(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

acs::CharacterData tiny(std::uint32_t seed, std::size_t animations, std::size_t frames) {
    acs::testing::SyntheticOptions o;
    o.width = 12;
    o.height = 10;
    o.animations = animations;
    o.framesPerAnimation = frames;
    o.sounds = 1;
    o.seed = seed;
    return acs::testing::makeSyntheticCharacter(o);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: acs-fuzz-seeds CORPUS_DIR\n";
        return 2;
    }
    const fs::path reader = fs::path(argv[1]) / "fuzz-acs-reader";
    const fs::path decompress = fs::path(argv[1]) / "fuzz-acs-decompress";
    fs::create_directories(reader);
    fs::create_directories(decompress);

    save(reader / "seed-1.acs", acs::writeAcs(tiny(1, 1, 2)));
    save(reader / "seed-2.acs", acs::writeAcs(tiny(2, 3, 3)));
    // An .acf followed by the .aca of its single animation.
    const acs::AcfFiles split = acs::writeAcf(tiny(3, 1, 2), u"seed");
    std::vector<std::uint8_t> acf = split.acf;
    acf.insert(acf.end(), split.acas.front().bytes.begin(), split.acas.front().bytes.end());
    save(reader / "seed-3.acf", acf);

    const acs::CharacterData data = tiny(4, 1, 1);
    for (std::size_t i = 0; i < 3 && i < data.images.size(); ++i) {
        const acs::Image& img = data.images[i].image;
        std::vector<std::uint8_t> seed = {static_cast<std::uint8_t>(img.pixels.size()),
                                          static_cast<std::uint8_t>(img.pixels.size() >> 8),
                                          static_cast<std::uint8_t>(img.pixels.size() >> 16)};
        const auto packed = acs::compress(img.pixels);
        seed.insert(seed.end(), packed.begin(), packed.end());
        save(decompress / ("seed-" + std::to_string(i)), seed);
    }

    // Older character files: whole (compressed and raw), and as the description body and an
    // animation body that fuzz-acs-oldkind wraps itself.
    const fs::path compound = fs::path(argv[1]) / "fuzz-acs-compound";
    const fs::path oldkind = fs::path(argv[1]) / "fuzz-acs-oldkind";
    fs::create_directories(compound);
    fs::create_directories(oldkind);
    const acs::CharacterData small = acs::testing::makeSmallOldKindCharacter();
    acs::testing::OldKindOptions raw;
    raw.compressed = false;
    save(compound / "seed-1", acs::testing::makeOldKindFile(small));
    std::vector<std::uint8_t> big(5000, 7);
    save(compound / "seed-2",
         acs::testing::buildCompoundDocument({{u"a", {1, 2, 3}}, {u"b", big}}).bytes);
    save(oldkind / "seed-1.acs", acs::testing::makeOldKindFile(small));
    save(oldkind / "seed-2.acs", acs::testing::makeOldKindFile(small, raw));
    const auto streams = acs::testing::oldKindStreams(small, raw);
    const auto& packed = streams[0].data;
    const std::size_t decoded =
        packed[4] | (packed[5] << 8) | (packed[6] << 16) | (std::size_t{packed[7]} << 24);
    const std::vector<std::uint8_t> description =
        acs::decompress(std::span(packed).subspan(12), decoded);
    for (std::size_t i = 1; i < streams.size(); ++i) {
        std::vector<std::uint8_t> seed = {static_cast<std::uint8_t>(description.size()),
                                          static_cast<std::uint8_t>(description.size() >> 8)};
        seed.insert(seed.end(), description.begin(), description.end());
        seed.insert(seed.end(), streams[i].data.begin() + 9, streams[i].data.end());
        save(oldkind / ("seed-body-" + std::to_string(i)), seed);
    }
    return 0;
}

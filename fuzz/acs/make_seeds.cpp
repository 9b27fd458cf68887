// Writes small seed inputs for the character-file fuzzers into CORPUS/<fuzzer>/, made by the
// library's own writers from generated characters.

#include <filesystem>
#include <fstream>
#include <iostream>

#include "acs/compression.h"
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
    return 0;
}

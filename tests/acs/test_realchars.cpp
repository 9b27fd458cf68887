// Compatibility with character files made by other people, read from the shared folder beside
// the repository when it is present.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "acs/character.h"
#include "acs/region.h"
#include "acs/writer.h"
#include "probe.h"

namespace acs = vistrel::acs;
namespace fs = std::filesystem;
using vistrel::acs::probe::u32;

namespace {

fs::path realchars() {
    return fs::path(VISTREL_REALCHARS_DIR);
}

std::vector<fs::path> versionTwoFiles() {
    std::vector<fs::path> files;
    if (!fs::is_directory(realchars())) {
        return files;
    }
    for (const auto& e : fs::directory_iterator(realchars())) {
        if (e.path().extension() == ".acs" && e.path().filename() != "Miku-old-kind.acs") {
            files.push_back(e.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

#define REQUIRE_REALCHARS()                                             \
    if (versionTwoFiles().empty()) {                                    \
        GTEST_SKIP() << "no third-party characters at " << realchars(); \
    }

}  // namespace

TEST(RealCharacters, EveryVersionTwoFileOpensAndDecodesCompletely) {
    REQUIRE_REALCHARS();
    for (const auto& path : versionTwoFiles()) {
        SCOPED_TRACE(path.filename().string());
        acs::Character c = acs::Character::open(path);
        const auto& info = c.info();
        EXPECT_EQ(info.majorVersion, 2);
        EXPECT_GT(info.width, 0);
        EXPECT_GT(info.height, 0);
        EXPECT_FALSE(info.localized.empty());
        EXPECT_FALSE(info.localized.front().name.empty());
        EXPECT_GE(info.palette.size(), 255u);
        EXPECT_FALSE(c.animations().empty());
        EXPECT_TRUE(c.warnings().empty()) << c.warnings().front();
        ASSERT_GT(c.imageCount(), 0u);
        for (std::size_t i = 0; i < c.imageCount(); ++i) {
            const acs::ImageHeader h = c.imageHeader(i);
            const acs::Image& img = c.image(i);
            ASSERT_EQ(img.width, h.width);
            ASSERT_EQ(img.height, h.height);
            ASSERT_EQ(img.pixels.size(), std::size_t{h.width} * h.height);
            // The stored region covers exactly the opaque pixels.
            const acs::Region& stored = c.region(i);
            const acs::Region derived = acs::regionFromImage(img, info.transparentIndex);
            ASSERT_EQ(stored.rects, derived.rects) << "image " << i;
            ASSERT_EQ(stored.bounds, derived.bounds) << "image " << i;
        }
        for (std::size_t i = 0; i < c.soundCount(); ++i) {
            auto wav = c.sound(i);
            ASSERT_GE(wav.size(), 12u);
            EXPECT_EQ(u32(std::vector<std::uint8_t>(wav.begin(), wav.begin() + 8), 4) + 8,
                      wav.size());
        }
        // Every reference in the animations points at something.
        for (const auto& a : c.animations()) {
            for (const auto& f : a.frames) {
                for (const auto& fi : f.images) {
                    EXPECT_LT(fi.image, c.imageCount());
                }
                EXPECT_LT(f.sound, static_cast<std::int32_t>(c.soundCount()));
            }
        }
    }
}

TEST(RealCharacters, RewritingReproducesTheFileByteForByte) {
    // Block order, locators, strings, regions, mouth centres and compressed streams all come
    // out as the original compiler wrote them.
    REQUIRE_REALCHARS();
    for (const auto& path : versionTwoFiles()) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<std::uint8_t> file = acs::readFile(path);
        const acs::CharacterData data = acs::Character::fromAcsBytes(file).toData();
        const std::vector<std::uint8_t> rewritten = acs::writeAcs(data);
        ASSERT_EQ(rewritten.size(), file.size());
        const auto diff = std::mismatch(rewritten.begin(), rewritten.end(), file.begin());
        EXPECT_TRUE(diff.first == rewritten.end())
            << "first difference at offset " << (diff.first - rewritten.begin());
    }
}

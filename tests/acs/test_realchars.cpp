// Compatibility with character files made by other people, read from the shared folder beside
// the repository when it is present.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "acs/character.h"
#include "acs/compression.h"
#include "acs/region.h"
#include "acs/writer.h"

namespace acs = vistrel::acs;
namespace fs = std::filesystem;

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

// Little-endian helpers for looking at the stored blocks directly.
std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
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

TEST(RealCharacters, RecompressingImagesGivesTheStoredBytes) {
    REQUIRE_REALCHARS();
    for (const auto& path : versionTwoFiles()) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<std::uint8_t> file = acs::readFile(path);
        acs::Character c = acs::Character::fromAcsBytes(file);
        // Walk the image list directly to reach the stored streams.
        const std::uint32_t listAt = u32(file, 20);
        const std::uint32_t count = u32(file, listAt);
        ASSERT_EQ(count, c.imageCount());
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t blockAt = u32(file, listAt + 4 + 12 * i);
            const std::size_t pixelSize = u32(file, blockAt + 6);
            const std::size_t pixelsAt = blockAt + 10;
            const std::size_t regionAt = pixelsAt + pixelSize;
            const std::size_t regionSize = u32(file, regionAt);
            const acs::Image& img = c.image(i);
            const std::size_t stride = (img.width + 3u) & ~3u;
            std::vector<std::uint8_t> stored(stride * img.height, 0);
            for (int y = 0; y < img.height; ++y) {
                std::copy_n(img.pixels.begin() + std::size_t{img.width} * y, img.width,
                            stored.begin() + stride * (img.height - 1 - y));
            }
            const auto packed = acs::compress(stored);
            ASSERT_TRUE(std::equal(packed.begin(), packed.end(), file.begin() + pixelsAt,
                                   file.begin() + pixelsAt + pixelSize) &&
                        packed.size() == pixelSize)
                << "pixels of image " << i;
            const auto region = acs::decompress(std::span(file).subspan(regionAt + 8, regionSize),
                                                u32(file, regionAt + 4));
            const auto repacked = acs::compress(region);
            ASSERT_TRUE(repacked.size() == regionSize &&
                        std::equal(repacked.begin(), repacked.end(), file.begin() + regionAt + 8))
                << "region of image " << i;
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

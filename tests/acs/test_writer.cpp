// Writing .acs and .acf/.aca files and reading them back.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "acs/character.h"
#include "acs/compression.h"
#include "acs/testing/synthetic.h"
#include "acs/writer.h"
#include "probe.h"

namespace acs = vistrel::acs;
namespace fs = std::filesystem;
using vistrel::acs::probe::u32;
using Bytes = std::vector<std::uint8_t>;

namespace {

acs::CharacterData sample() {
    acs::testing::SyntheticOptions o;
    o.width = 40;
    o.height = 36;
    o.animations = 5;
    o.framesPerAnimation = 4;
    o.sounds = 2;
    return acs::testing::makeSyntheticCharacter(o);
}

class TempDir {
  public:
    TempDir() {
        path_ = fs::temp_directory_path() /
                ("acs-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

}  // namespace

TEST(AcsWriter, RoundTripKeepsTheWholeModel) {
    const acs::CharacterData data = sample();
    const Bytes file = acs::writeAcs(data);
    acs::Character c = acs::Character::fromAcsBytes(file);
    EXPECT_TRUE(c.warnings().empty());
    EXPECT_EQ(c.toData(), data);
    // Writing what was read gives the same bytes.
    EXPECT_EQ(acs::writeAcs(c.toData()), file);
}

TEST(AcsWriter, LaysOutBlocksLikeTheOriginalCompiler) {
    const acs::CharacterData data = sample();
    const Bytes f = acs::writeAcs(data);
    const std::uint32_t infoAt = u32(f, 4), infoSize = u32(f, 8);
    const std::uint32_t animListAt = u32(f, 12), animListSize = u32(f, 16);
    const std::uint32_t imageListAt = u32(f, 20), imageListSize = u32(f, 24);
    const std::uint32_t audioListAt = u32(f, 28), audioListSize = u32(f, 32);

    // Animation blocks, image blocks and sounds follow the header back to back, in list order.
    std::size_t expected = 36;
    auto followList = [&](std::uint32_t listAt, std::size_t count, std::size_t stride,
                          std::size_t firstLocator) {
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t entry = listAt + 4 + firstLocator + i * stride;
            EXPECT_EQ(u32(f, entry), expected) << "entry " << i;
            expected += u32(f, entry + 4);
        }
    };
    ASSERT_EQ(u32(f, animListAt), data.animations.size());
    std::size_t at = animListAt + 4;
    for (std::size_t i = 0; i < data.animations.size(); ++i) {
        at += 4 + 2 * (data.animations[i].name.size() + 1);  // terminated name
        EXPECT_EQ(u32(f, at), expected);
        expected += u32(f, at + 4);
        at += 8;
    }
    EXPECT_EQ(at, animListAt + animListSize);
    ASSERT_EQ(u32(f, imageListAt), data.images.size());
    followList(imageListAt, data.images.size(), 12, 0);
    followList(audioListAt, data.sounds.size(), 12, 0);
    // Then the three lists, then the character info with its localized list ending the file.
    EXPECT_EQ(animListAt, expected);
    EXPECT_EQ(imageListAt, animListAt + animListSize);
    EXPECT_EQ(audioListAt, imageListAt + imageListSize);
    EXPECT_EQ(infoAt, audioListAt + audioListSize);
    EXPECT_EQ(infoAt + infoSize, f.size());
    const std::uint32_t localizedAt = u32(f, infoAt + 4), localizedSize = u32(f, infoAt + 8);
    EXPECT_EQ(localizedAt + localizedSize, f.size());
    EXPECT_GT(localizedAt, infoAt);

    // Image blocks: present, compressed, pixels, then a compressed region of 32 + 16 N bytes.
    const std::uint32_t block = u32(f, imageListAt + 4);
    EXPECT_EQ(f[block], 1);
    EXPECT_EQ(f[block + 5], 1);
    const std::uint32_t pixelSize = u32(f, block + 6);
    const std::size_t regionAt = block + 10 + pixelSize;
    const std::uint32_t regionPacked = u32(f, regionAt), regionSize = u32(f, regionAt + 4);
    EXPECT_EQ(10 + pixelSize + 8 + regionPacked, u32(f, imageListAt + 8));
    const Bytes region =
        acs::decompress(Bytes(f.begin() + static_cast<std::ptrdiff_t>(regionAt) + 8,
                              f.begin() + static_cast<std::ptrdiff_t>(regionAt) + 8 + regionPacked),
                        regionSize);
    EXPECT_EQ(regionSize, 32 + 16 * u32(region, 8));
    EXPECT_EQ(u32(region, 12), 16 * u32(region, 8));  // size hint
    // Every sound locator covers its RIFF file exactly.
    const std::uint32_t soundAt = u32(f, audioListAt + 4);
    EXPECT_EQ(u32(f, soundAt + 4) + 8, u32(f, audioListAt + 8));
}

TEST(AcsWriter, DerivesFlagsAndMouthCentres) {
    acs::CharacterData data = sample();
    data.info.voice.reset();
    data.info.flags = acs::kFlagVoiceEnabled | acs::kFlagBalloonEnabled | 0x00100000;
    for (auto& a : data.animations) {
        for (auto& f : a.frames) {
            for (auto& o : f.overlays) {
                o.centerX = o.centerY = 999;
            }
        }
    }
    acs::Character c = acs::Character::fromAcsBytes(acs::writeAcs(data));
    EXPECT_EQ(c.info().flags, acs::kFlagBalloonEnabled | 0x00100000u);
    EXPECT_FALSE(c.info().voice);
    const acs::Frame& speaking = c.animations()[0].frames.back();
    ASSERT_EQ(speaking.overlays.size(), 7u);
    const acs::Region closed = c.region(speaking.overlays[0].image);
    for (const auto& o : speaking.overlays) {
        EXPECT_EQ(o.centerX, (closed.bounds.left + closed.bounds.right) / 2);
        EXPECT_EQ(o.centerY, (closed.bounds.top + closed.bounds.bottom) / 2);
    }
}

TEST(AcsWriter, EmptyImagesAndUnusualValuesSurvive) {
    acs::CharacterData data = sample();
    data.images.push_back({acs::Image{}, 77});
    data.animations[0].frames[0].images.push_back(
        {static_cast<std::uint32_t>(data.images.size() - 1), -5, 7});
    data.animations[0].frames[0].exitBranch = -1;
    data.animations[0].frames[1].overlays.push_back({3, true, 0, 0, 1, 2, 0, 0, Bytes{1, 2}});
    data.info.palette.resize(255);
    data.info.trayIcon.reset();
    data.info.localized[0].name = u"N\u00e4me \U0001F600";
    acs::Character c = acs::Character::fromAcsBytes(acs::writeAcs(data));
    EXPECT_EQ(c.toData(), data);
    EXPECT_EQ(c.imageHeader(data.images.size() - 1).checksum, 77u);
}

TEST(AcsWriter, RefusesModelsItCannotWrite) {
    auto refused = [](acs::CharacterData d, const std::string& what) {
        try {
            acs::writeAcs(d);
        } catch (const acs::Error& e) {
            EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
            return;
        }
        ADD_FAILURE() << "accepted a model with " << what;
    };
    acs::CharacterData d = sample();
    d.animations[1].frames[0].images[0].image = 9999;
    refused(d, "missing image 9999");
    d = sample();
    d.animations[1].frames[0].branches.push_back({50, 10});
    refused(d, "branch to missing frame 50");
    d = sample();
    d.images[0].image.pixels.pop_back();
    refused(d, "image 0 has");
    d = sample();
    d.info.width = 5000;
    refused(d, "character size");
    d = sample();
    d.sounds[0].wav.resize(10);
    refused(d, "sound 0");
    d = sample();
    d.animations[0].frames[0].sound = 5;
    refused(d, "missing sound 5");
}

TEST(AcsWriter, SavingReplacesTheFileAtomically) {
    TempDir dir;
    const fs::path target = dir.path() / "c.acs";
    { std::ofstream(target) << "old contents"; }
    acs::saveAcs(sample(), target);
    acs::Character c = acs::Character::open(target);
    EXPECT_EQ(c.toData(), sample());
    // Only the target is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);

    // A failed save leaves the old file untouched.
    acs::CharacterData bad = sample();
    bad.animations[0].frames[0].images[0].image = 12345;
    EXPECT_THROW(acs::saveAcs(bad, target), acs::Error);
    EXPECT_EQ(acs::Character::open(target).toData(), sample());
    EXPECT_THROW(acs::saveAcs(sample(), dir.path() / "missing" / "c.acs"), acs::Error);
}

TEST(AcsWriter, ReportsProgress) {
    const acs::CharacterData data = sample();
    std::size_t calls = 0, last = 0;
    acs::WriteOptions options;
    options.progress = [&](std::size_t done, std::size_t total) {
        ++calls;
        EXPECT_EQ(total, data.images.size());
        EXPECT_GT(done, last);
        last = done;
    };
    acs::writeAcs(data, options);
    EXPECT_EQ(calls, data.images.size());
    EXPECT_EQ(last, data.images.size());
}

TEST(AcfWriter, SplitFilesReadBackAsComposedFrames) {
    const acs::CharacterData data = sample();
    const acs::AcfFiles files = acs::writeAcf(data, u"Sample");
    ASSERT_EQ(files.acas.size(), data.animations.size());
    std::map<std::u16string, Bytes> byName;
    for (const auto& aca : files.acas) {
        byName[aca.fileName] = aca.bytes;
    }
    acs::Character c = acs::Character::fromAcfBytes(files.acf, [&](const std::u16string& name) {
        auto it = byName.find(name);
        if (it == byName.end()) {
            throw acs::Error("no file " + acs::toUtf8(name));
        }
        return it->second;
    });
    EXPECT_EQ(c.kind(), acs::FileKind::Acf);
    EXPECT_TRUE(c.warnings().empty()) << c.warnings().front();
    EXPECT_EQ(c.info(), data.info);
    ASSERT_EQ(c.animations().size(), data.animations.size());
    for (std::size_t a = 0; a < data.animations.size(); ++a) {
        const acs::Animation& want = data.animations[a];
        const acs::Animation& got = c.animations()[a];
        SCOPED_TRACE(acs::toUtf8(want.name));
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.transition, want.transition);
        EXPECT_EQ(got.returnAnimation, acs::toUpper(want.returnAnimation));
        EXPECT_FALSE(got.acaFileName.empty());
        ASSERT_EQ(got.frames.size(), want.frames.size());
        for (std::size_t f = 0; f < want.frames.size(); ++f) {
            const acs::Frame& wf = want.frames[f];
            const acs::Frame& gf = got.frames[f];
            EXPECT_EQ(gf.duration, wf.duration);
            EXPECT_EQ(gf.exitBranch, wf.exitBranch);
            EXPECT_EQ(gf.branches, wf.branches);
            ASSERT_EQ(gf.images.size(), wf.images.empty() ? 0u : 1u);
            if (!wf.images.empty()) {
                EXPECT_EQ(c.image(gf.images[0].image), acs::compositeFrame(data, wf));
            }
            if (wf.sound >= 0) {
                ASSERT_GE(gf.sound, 0);
                auto wav = c.sound(static_cast<std::size_t>(gf.sound));
                EXPECT_EQ(Bytes(wav.begin(), wav.end()), data.sounds[wf.sound].wav);
            } else {
                EXPECT_EQ(gf.sound, -1);
            }
            ASSERT_EQ(gf.overlays.size(), wf.overlays.size());
            for (std::size_t k = 0; k < wf.overlays.size(); ++k) {
                EXPECT_EQ(gf.overlays[k].shape, wf.overlays[k].shape);
                EXPECT_EQ(gf.overlays[k].x, wf.overlays[k].x);
                EXPECT_EQ(gf.overlays[k].replaceTopImage, wf.overlays[k].replaceTopImage);
                EXPECT_EQ(c.image(gf.overlays[k].image), data.images[wf.overlays[k].image].image);
            }
        }
    }
    // The read character can be written as a single .acs file.
    acs::Character single = acs::Character::fromAcsBytes(acs::writeAcs(c.toData()));
    EXPECT_EQ(single.toData().images.size(), c.imageCount());
}

TEST(AcfWriter, MismatchedOrMissingAnimationFilesAreLeftOut) {
    const acs::CharacterData data = sample();
    acs::AcfFiles files = acs::writeAcf(data, u"Sample");
    files.acas[1].bytes[4] ^= 1;  // checksum
    std::map<std::u16string, Bytes> byName;
    for (std::size_t i = 0; i < files.acas.size(); ++i) {
        if (i != 2) {
            byName[files.acas[i].fileName] = files.acas[i].bytes;
        }
    }
    acs::Character c = acs::Character::fromAcfBytes(files.acf, [&](const std::u16string& name) {
        auto it = byName.find(name);
        if (it == byName.end()) {
            throw acs::Error("no file " + acs::toUtf8(name));
        }
        return it->second;
    });
    EXPECT_EQ(c.animations().size(), data.animations.size() - 2);
    ASSERT_EQ(c.warnings().size(), 2u);
    EXPECT_NE(c.warnings()[0].find("checksum"), std::string::npos);
    EXPECT_NE(c.warnings()[1].find("no file"), std::string::npos);
}

TEST(AcfWriter, ReadsEitherOrderOfTheSizeFields) {
    const acs::CharacterData data = sample();
    acs::AcfFiles files = acs::writeAcf(data, u"S");
    // Swap "uncompressed, compressed" into "compressed, uncompressed" in every file.
    auto swapAt = [](Bytes& b, std::size_t at) {
        std::swap_ranges(b.begin() + static_cast<std::ptrdiff_t>(at),
                         b.begin() + static_cast<std::ptrdiff_t>(at) + 4,
                         b.begin() + static_cast<std::ptrdiff_t>(at) + 4);
    };
    swapAt(files.acf, 4);
    for (auto& aca : files.acas) {
        swapAt(aca.bytes, 9);
    }
    std::size_t next = 0;
    acs::Character c = acs::Character::fromAcfBytes(
        files.acf, [&](const std::u16string&) { return files.acas[next++].bytes; });
    EXPECT_TRUE(c.warnings().empty());
    EXPECT_EQ(c.animations().size(), data.animations.size());
    EXPECT_EQ(c.info(), data.info);
}

TEST(AcfWriter, SavedFilesOpenFromDisk) {
    TempDir dir;
    const fs::path acf = dir.path() / "Sample.acf";
    acs::saveAcf(sample(), acf);
    acs::Character c = acs::Character::open(acf);
    EXPECT_EQ(c.kind(), acs::FileKind::Acf);
    EXPECT_EQ(c.animations().size(), sample().animations.size());
    EXPECT_TRUE(c.warnings().empty());
    // Names are matched ignoring case, as on the systems these files come from.
    const std::string second = acs::toUtf8(c.animations()[1].acaFileName);
    fs::rename(dir.path() / second, dir.path() / acs::toUtf8(acs::toUpper(acs::fromUtf8(second))));
    EXPECT_TRUE(acs::Character::open(acf).warnings().empty());
    fs::remove(dir.path() / acs::toUtf8(c.animations()[0].acaFileName));
    acs::Character partial = acs::Character::open(acf);
    EXPECT_EQ(partial.animations().size(), sample().animations.size() - 1);
    // A damaged body is an error that names the file.
    Bytes body = acs::readFile(acf);
    body.resize(body.size() / 2);
    acs::saveFileAtomically(acf, body);
    try {
        acs::Character::open(acf);
        ADD_FAILURE() << "a truncated .acf was accepted";
    } catch (const acs::Error& e) {
        EXPECT_NE(std::string(e.what()).find("Sample.acf"), std::string::npos) << e.what();
    }
}

// Older character files (compound documents): files built here, damaged copies of them, and
// the real one in the shared folder when it is present.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "acs/character.h"
#include "acs/compound.h"
#include "acs/oldkind.h"
#include "acs/region.h"
#include "acs/testing/oldkind.h"
#include "acs/writer.h"
#include "probe.h"

namespace acs = vistrel::acs;
namespace testing_ = vistrel::acs::testing;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using acs::probe::openError;
using acs::probe::useEverything;

namespace {

// Replaces stream `name` of an old-kind file built from `data`.
Bytes withStream(const acs::CharacterData& data, std::u16string_view name, Bytes contents,
                 std::u16string newName = {}) {
    auto streams = testing_::oldKindStreams(data);
    for (auto& s : streams) {
        if (s.name == name) {
            s.data = std::move(contents);
            if (!newName.empty()) {
                s.name = newName;
            }
        }
    }
    return testing_::buildCompoundDocument(streams).bytes;
}

}  // namespace

TEST(OldKind, SmallCharacterReadsIntoTheVersionTwoModel) {
    const acs::CharacterData d = testing_::makeSmallOldKindCharacter();
    const acs::Character c = acs::Character::fromAcsBytes(testing_::makeOldKindFile(d));
    EXPECT_EQ(c.kind(), acs::FileKind::CompoundDocument);
    EXPECT_TRUE(c.warnings().empty()) << c.warnings().front();

    const acs::CharacterInfo& info = c.info();
    EXPECT_EQ(info.majorVersion, 1);
    EXPECT_EQ(info.minorVersion, 31);
    EXPECT_EQ(info.guid, d.info.guid);
    EXPECT_EQ(info.localized, d.info.localized);  // one entry, language 0x0009
    EXPECT_EQ(info.width, 10);
    EXPECT_EQ(info.height, 8);
    EXPECT_EQ(info.palette, d.info.palette);
    EXPECT_EQ(info.flags, 0x00010220u);  // the unknown bit is kept
    EXPECT_EQ(info.voice, d.info.voice);
    EXPECT_FALSE(info.voice->extra);
    EXPECT_EQ(info.balloon, d.info.balloon);
    EXPECT_FALSE(info.trayIcon);
    EXPECT_EQ(info.states, d.info.states);  // mixed case, as stored
    EXPECT_EQ(info.animationSetMajor, 2);   // what a version-2 file without one would say

    // Pictures and sounds renumbered into one list: Wave's two pictures, its seven mouth
    // bitmaps, then Bye's picture.
    ASSERT_EQ(c.imageCount(), 10u);
    ASSERT_EQ(c.soundCount(), 1u);
    ASSERT_EQ(c.animations().size(), 2u);
    const acs::Animation& wave = c.animations()[0];
    EXPECT_EQ(wave.name, u"Wave");
    EXPECT_EQ(wave.transition, 0);
    EXPECT_EQ(wave.returnAnimation, u"Bye");
    ASSERT_EQ(wave.frames.size(), 3u);
    EXPECT_EQ(wave.frames[0].images, (std::vector<acs::FrameImage>{{0, 0, 0}}));
    EXPECT_EQ(wave.frames[1].images, (std::vector<acs::FrameImage>{{1, 0, 0}}));
    EXPECT_EQ(wave.frames[2].images, (std::vector<acs::FrameImage>{{0, 0, 0}}));
    EXPECT_EQ(wave.frames[0].sound, 0);
    EXPECT_EQ(wave.frames[1].sound, -1);
    EXPECT_EQ(wave.frames[2].duration, 12);
    EXPECT_EQ(wave.frames[2].branches, d.animations[0].frames[2].branches);
    ASSERT_EQ(wave.frames[1].overlays.size(), 7u);
    for (int shape = 0; shape < 7; ++shape) {
        const acs::Overlay& o = wave.frames[1].overlays[shape];
        EXPECT_EQ(o.shape, shape);
        EXPECT_EQ(o.image, 2 + shape);
        EXPECT_FALSE(o.replaceTopImage);
        EXPECT_EQ(o.x, 4);
        EXPECT_EQ(o.y, 4);
        EXPECT_EQ(c.image(o.image), d.images[2 + shape].image);
    }
    for (const auto& a : c.animations()) {
        for (const auto& f : a.frames) {
            EXPECT_EQ(f.exitBranch, acs::kNoExitBranch);
        }
    }
    const acs::Animation& bye = *c.findAnimation(u"BYE");
    EXPECT_EQ(bye.transition, 2);
    EXPECT_EQ(bye.frames[0].images, (std::vector<acs::FrameImage>{{9, 0, 0}}));
    EXPECT_TRUE(bye.frames[1].images.empty());

    EXPECT_EQ(c.image(0), d.images[0].image);
    EXPECT_EQ(c.image(1), d.images[1].image);
    EXPECT_EQ(c.image(9), d.images[1].image);
    EXPECT_EQ(c.region(1), acs::regionFromImage(d.images[1].image, 0));
    EXPECT_EQ(c.region(5), acs::regionFromImage(d.images[5].image, 0));  // derived
    const auto wav = c.sound(0);
    EXPECT_EQ(Bytes(wav.begin(), wav.end()), d.sounds[0].wav);
}

TEST(OldKind, VersionsAndStoredFormsAllRead) {
    const acs::CharacterData d = testing_::makeSmallOldKindCharacter();
    struct Variant {
        const char* name;
        testing_::OldKindOptions options;
    };
    testing_::OldKindOptions v130, v128, raw, ansi, balloonByClearBit;
    v130.minorVersion = 30;
    v128.minorVersion = 28;
    raw.compressed = false;
    ansi.ansiNames = true;
    balloonByClearBit.flags = 0x00010020;  // balloon present, neither balloon bit set
    for (const Variant& v :
         {Variant{"1.30", v130}, Variant{"1.28", v128}, Variant{"raw bodies", raw},
          Variant{"8-bit names", ansi}, Variant{"balloon gated by 0x100", balloonByClearBit}}) {
        SCOPED_TRACE(v.name);
        const acs::Character c =
            acs::Character::fromAcsBytes(testing_::makeOldKindFile(d, v.options));
        EXPECT_TRUE(c.warnings().empty()) << c.warnings().front();
        EXPECT_EQ(c.info().minorVersion, v.options.minorVersion);
        EXPECT_EQ(c.info().localized, d.info.localized);
        ASSERT_TRUE(c.info().balloon);
        EXPECT_EQ(c.info().balloon->fontName, u"Comic Sans MS");
        EXPECT_EQ(c.info().states, d.info.states);
        ASSERT_EQ(c.animations().size(), 2u);
        EXPECT_EQ(c.animations()[0].frames[1].overlays.size(), 7u);
        EXPECT_EQ(c.image(9), d.images[1].image);
    }
    // 8-bit text beyond ASCII is Windows-1252.
    acs::CharacterData accented = d;
    accented.info.localized[0].name = u"Zo\u00EB";
    const acs::Character c =
        acs::Character::fromAcsBytes(testing_::makeOldKindFile(accented, ansi));
    EXPECT_EQ(c.info().localized[0].name, u"Zo\u00EB");
    const Bytes high = {0x80, 0x93, 0x81, 0xE9};
    EXPECT_EQ(acs::detail::fromWindows1252(high), u"\u20AC\u201C\u0081\u00E9");
}

TEST(OldKind, ADamagedAnimationStreamCostsOnlyThatAnimation) {
    const acs::CharacterData d = testing_::makeSmallOldKindCharacter();
    const auto streams = testing_::oldKindStreams(d);
    {
        const acs::Character c =
            acs::Character::fromAcsBytes(withStream(d, u"anim2.aaf", streams[2].data, u"other"));
        ASSERT_EQ(c.animations().size(), 1u);
        ASSERT_EQ(c.warnings().size(), 1u);
        EXPECT_NE(c.warnings()[0].find("\"Bye\" left out: stream \"anim2.aaf\" is missing"),
                  std::string::npos)
            << c.warnings()[0];
    }
    {
        Bytes cut = streams[1].data;
        cut.resize(cut.size() - 10);
        const acs::Character c = acs::Character::fromAcsBytes(withStream(d, u"anim1.aaf", cut));
        ASSERT_EQ(c.animations().size(), 1u);
        EXPECT_EQ(c.animations()[0].name, u"Bye");
        EXPECT_EQ(c.animations()[0].frames[0].images[0].image, 0u);  // renumbered from 0
        EXPECT_NE(c.warnings()[0].find("stream \"anim1.aaf\""), std::string::npos);
        EXPECT_NE(c.warnings()[0].find("(at offset 0x"), std::string::npos) << c.warnings()[0];
    }
    {
        // A frame naming a picture that is not there loses the picture, not the animation.
        testing_::OldKindOptions raw;
        raw.compressed = false;
        auto rawStreams = testing_::oldKindStreams(d, raw);
        Bytes& bye = rawStreams[2].data;
        // Bye's body: 9 header bytes, no sounds, one picture of 4+1+80+4+region bytes.
        const std::size_t framesAt = bye.size() - 2 - 2 * 12;
        bye[framesAt + 2] = 5;  // first frame's picture index
        const acs::Character c =
            acs::Character::fromAcsBytes(testing_::buildCompoundDocument(rawStreams).bytes);
        ASSERT_EQ(c.animations().size(), 2u);
        EXPECT_TRUE(c.animations()[1].frames[0].images.empty());
        ASSERT_EQ(c.warnings().size(), 1u);
        EXPECT_NE(c.warnings()[0].find("picture 5 does not exist"), std::string::npos)
            << c.warnings()[0];
    }
}

// Pictures are read from the decoded bodies until decoded; a body is then freed, while the
// sounds and stored regions that were in it stay readable.
TEST(OldKind, BodiesAreFreedOnceAllTheirPicturesAreDecoded) {
    const acs::CharacterData d = testing_::makeSmallOldKindCharacter();
    testing_::OldKindOptions raw;
    raw.compressed = false;
    auto waveLeftOut = testing_::oldKindStreams(d, raw);
    waveLeftOut[1].data.push_back(0);  // decodes, then fails to parse
    struct Case {
        const char* name;
        Bytes file;
        std::size_t animations;
    };
    for (const Case& k :
         {Case{"compressed", testing_::makeOldKindFile(d), 2},
          Case{"raw", testing_::makeOldKindFile(d, raw), 2},
          Case{"first left out", testing_::buildCompoundDocument(waveLeftOut).bytes, 1}}) {
        SCOPED_TRACE(k.name);
        const acs::Character untouched = acs::Character::fromAcsBytes(k.file);
        const acs::Character c = acs::Character::fromAcsBytes(k.file);
        ASSERT_EQ(c.animations().size(), k.animations);
        const std::size_t open = c.heldBytes();
        std::size_t decoded = 0;
        std::size_t stored = 0;
        for (std::size_t i = 0; i < c.imageCount(); ++i) {
            const acs::Image& img = c.image(i);
            decoded += sizeof(acs::Image) + img.pixels.capacity();
            stored += ((img.width + 3u) & ~3u) * img.height;
        }
        EXPECT_LE(c.heldBytes() + stored, open + decoded);
        for (std::size_t i = 0; i < c.imageCount(); ++i) {
            EXPECT_EQ(c.image(i), untouched.image(i));
            EXPECT_EQ(c.region(i), untouched.region(i));
        }
        for (std::size_t i = 0; i < c.soundCount(); ++i) {
            const auto wav = c.sound(i);
            EXPECT_EQ(Bytes(wav.begin(), wav.end()), d.sounds[i].wav);
        }
    }
}

TEST(OldKind, FilesOfNeitherKindAreNamedByWhatTheyLookLike) {
    const acs::CharacterData d = testing_::makeSmallOldKindCharacter();
    EXPECT_NE(openError(testing_::buildCompoundDocument({{u"WordDocument", {1, 2, 3}}}).bytes)
                  .find("without a char.acf stream"),
              std::string::npos);
    EXPECT_NE(
        openError(testing_::buildCompoundDocument({{u"CONTENTS", {0xC2, 0xAB, 0xCD, 0xAB}}}).bytes)
            .find("CONTENTS"),
        std::string::npos);
    const std::string badSignature = openError(withStream(d, u"char.acf", {1, 2, 3, 4, 5, 6}));
    EXPECT_NE(badSignature.find("stream \"char.acf\": signature"), std::string::npos)
        << badSignature;
    EXPECT_NE(badSignature.find("(at offset 0x0)"), std::string::npos) << badSignature;

    EXPECT_NE(openError({0x89, 'P', 'N', 'G', 13, 10, 26, 10}).find("it looks like a PNG image"),
              std::string::npos);
    EXPECT_NE(openError({'h', 'e', 'l', 'l', 'o', '\n'}).find("it looks like text"),
              std::string::npos);
    EXPECT_NE(openError({}).find("an empty file"), std::string::npos);
    EXPECT_NE(openError({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}).find("WAVE sound"),
              std::string::npos);
    EXPECT_NE(openError({0x12, 0x34, 0x00, 0x9A, 0x01}).find("12 34 00 9A"), std::string::npos);
}

TEST(OldKind, EveryTruncationAndByteChangeEndsInAMessageOrAModel) {
    const acs::CharacterData d = testing_::makeSmallOldKindCharacter();
    testing_::OldKindOptions raw;
    raw.compressed = false;  // so that changes reach the animation fields themselves
    for (const Bytes& file : {testing_::makeOldKindFile(d), testing_::makeOldKindFile(d, raw)}) {
        for (std::size_t n = 0; n < file.size(); ++n) {
            try {
                useEverything(acs::Character::fromAcsBytes(
                    Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n))));
            } catch (const acs::Error&) {
            }
        }
        std::size_t opened = 0;
        for (std::size_t i = 0; i < file.size(); ++i) {
            for (int v : {0x00, 0xFF, file[i] ^ 0x10}) {
                Bytes b = file;
                b[i] = static_cast<std::uint8_t>(v);
                try {
                    useEverything(acs::Character::fromAcsBytes(std::move(b)));
                    ++opened;
                } catch (const acs::Error&) {
                }
            }
        }
        EXPECT_GT(opened, file.size());  // most changes hit padding or pixels
    }
}

// ---------------------------------------------------------------------------------------------
// The real older file in the shared folder.

namespace {

fs::path mikuPath() {
    return fs::path(VISTREL_REALCHARS_DIR) / "Miku-old-kind.acs";
}

#define REQUIRE_MIKU()                                \
    if (!fs::exists(mikuPath())) {                    \
        GTEST_SKIP() << "no " << mikuPath().string(); \
    }

}  // namespace

TEST(OldKindRealFile, OpensWithItsAnimationsPicturesAndSettings) {
    REQUIRE_MIKU();
    const acs::Character c = acs::Character::open(mikuPath());
    EXPECT_EQ(c.kind(), acs::FileKind::CompoundDocument);
    EXPECT_TRUE(c.warnings().empty()) << c.warnings().front();
    const acs::CharacterInfo& info = c.info();
    EXPECT_EQ(info.minorVersion, 31);
    EXPECT_EQ(info.flags, 0x220u);
    EXPECT_EQ(info.width, 128);
    EXPECT_EQ(info.height, 256);
    EXPECT_EQ(info.palette.size(), 256u);
    ASSERT_EQ(info.localized.size(), 1u);
    EXPECT_EQ(info.localized[0].name, u"Miku");
    ASSERT_TRUE(info.voice && info.balloon);
    EXPECT_EQ(info.voice->engine.toString(), "{1B6BF831-9299-101B-8A19-265D428C60FF}");
    EXPECT_EQ(info.balloon->fontName, u"Comic Sans MS");
    EXPECT_EQ(info.balloon->text, (acs::Rgb{0xFF, 0x00, 0x80}));  // pink on white
    EXPECT_EQ(info.states.size(), 3u);
    EXPECT_EQ(info.states[0].name, u"Showing");  // mixed case, unlike version 2

    // Four animations of one frame; the speaking one carries all seven mouth shapes.
    ASSERT_EQ(c.animations().size(), 4u);
    const char16_t* names[] = {u"Greet", u"Hiding", u"Showing", u"Speaking"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(c.animations()[i].name, names[i]);
        ASSERT_EQ(c.animations()[i].frames.size(), 1u);
        EXPECT_EQ(c.animations()[i].frames[0].duration, 10);
        EXPECT_EQ(c.animations()[i].transition, 2);
    }
    EXPECT_EQ(c.animations()[3].frames[0].overlays.size(), 7u);
    EXPECT_EQ(c.imageCount(), 4u + 7u);
    EXPECT_EQ(c.soundCount(), 0u);
    // Every picture is a whole frame, and its stored region is the one its pixels give.
    for (std::size_t i = 4; i < c.imageCount(); ++i) {  // Speaking's mouths
        EXPECT_EQ(c.image(i).width, 37) << i;
        EXPECT_EQ(c.image(i).height, 44) << i;
    }
    for (std::size_t i : {0, 1, 2, 3}) {  // one picture per animation
        EXPECT_EQ(c.image(i).width, 128);
        EXPECT_EQ(c.region(i), acs::regionFromImage(c.image(i), info.transparentIndex)) << i;
    }
}

TEST(OldKindRealFile, SpeakingFrameMatchesPixelsWorkedOutByHand) {
    REQUIRE_MIKU();
    const acs::Character c = acs::Character::open(mikuPath());
    const acs::CharacterInfo& info = c.info();
    const acs::Frame& frame = c.findAnimation(u"speaking")->frames[0];
    // The picture, then the wide-open-3 mouth drawn over it at its place, skipping the
    // transparent colour.
    acs::Image canvas = c.image(frame.images[0].image);
    const acs::Overlay& mouth = frame.overlays[3];
    ASSERT_EQ(mouth.shape, 3);
    EXPECT_EQ(mouth.x, 43);
    EXPECT_EQ(mouth.y, 33);
    const acs::Image& bitmap = c.image(mouth.image);
    for (int y = 0; y < bitmap.height; ++y) {
        for (int x = 0; x < bitmap.width; ++x) {
            if (bitmap.at(x, y) != info.transparentIndex) {
                canvas.pixels[(mouth.y + y) * canvas.width + mouth.x + x] = bitmap.at(x, y);
            }
        }
    }
    const std::vector<std::uint8_t> rgba = acs::toRgba(canvas, info.palette, info.transparentIndex);
    auto pixel = [&](int x, int y) {
        const std::size_t at = 4 * (static_cast<std::size_t>(y) * canvas.width + x);
        return std::array<int, 4>{rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
    };
    // Values read from the file by a separate reading of the format (palette index, then the
    // colour), not by this reader.
    EXPECT_EQ(pixel(0, 0), (std::array<int, 4>{0, 0, 0, 0}));  // transparent corner
    EXPECT_EQ(pixel(127, 255), (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(pixel(64, 128), (std::array<int, 4>{153, 153, 153, 255}));  // skirt
    EXPECT_EQ(pixel(60, 40), (std::array<int, 4>{153, 102, 0, 255}));     // hair
    EXPECT_EQ(pixel(56, 67), (std::array<int, 4>{255, 0, 153, 255}));     // open lips
    EXPECT_EQ(pixel(57, 70), (std::array<int, 4>{153, 0, 0, 255}));       // inside the mouth
    // Without the mouth those two are skin.
    const acs::Image& plain = c.image(frame.images[0].image);
    EXPECT_EQ(info.palette[plain.at(56, 67)], (acs::Rgb{204, 153, 102}));
    EXPECT_EQ(info.palette[plain.at(57, 70)], (acs::Rgb{204, 153, 102}));
}

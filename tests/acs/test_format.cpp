// The reader against files assembled byte by byte here, and against damaged files.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "acs/character.h"
#include "acs/compression.h"
#include "acs/region.h"
#include "acs/testing/synthetic.h"
#include "acs/writer.h"
#include "probe.h"

namespace acs = vistrel::acs;
using Bytes = std::vector<std::uint8_t>;
using acs::probe::openError;

namespace {

class Builder {
  public:
    Bytes bytes;

    std::size_t size() const { return bytes.size(); }
    Builder& u8(std::uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    Builder& u16(std::uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    Builder& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Builder& raw(const Bytes& b) {
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
    Builder& str(std::u16string_view s) {  // terminated ACS string
        u32(static_cast<std::uint32_t>(s.size()));
        for (char16_t c : s) {
            u16(c);
        }
        return s.empty() ? *this : u16(0);
    }
    Builder& bare(std::u16string_view s) {  // ACF string: no terminator
        u32(static_cast<std::uint32_t>(s.size()));
        for (char16_t c : s) {
            u16(c);
        }
        return *this;
    }
    void set32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }
};

Bytes tinyWave() {
    Builder b;
    b.raw({'R', 'I', 'F', 'F'}).u32(40).raw({'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}).u32(16);
    b.u16(1).u16(1).u32(8000).u32(8000).u16(1).u16(8).raw({'d', 'a', 't', 'a'}).u32(4);
    b.raw({1, 2, 3, 4});
    return b.bytes;
}

// Offsets of interesting fields in the hand-built file, for the corruption tests.
struct HandFile {
    Bytes bytes;
    std::size_t imageWidthAt = 0;
    std::size_t frameImageIndexAt = 0;
    std::size_t exitBranchAt = 0;
    std::size_t paletteCountAt = 0;
    std::size_t animationCountAt = 0;
};

// A complete .acs file: one animation of two frames, one 3x2 image stored uncompressed with an
// uncompressed region, one sound, a character with voice, balloon, tray icon and a state. The
// blocks are deliberately not in the compiler's order: only the locators matter.
HandFile handBuiltAcs() {
    HandFile h;
    Builder b;
    b.u32(0xABCDABC3);
    for (int i = 0; i < 8; ++i) {
        b.u32(0);  // locators, patched below
    }
    // Image: 3x2, rows bottom-up with a stride of 4, index 0 transparent.
    const std::size_t imageAt = b.size();
    b.u8(1);
    h.imageWidthAt = b.size();
    b.u16(3).u16(2).u8(0).u32(8);
    b.raw({5, 0, 6, 0, /* bottom row */ 0, 7, 7, 0 /* top row */});
    Bytes region;
    {
        Builder r;
        r.u32(32).u32(1).u32(3).u32(48);
        r.u32(0).u32(0).u32(3).u32(2);  // bounds
        r.u32(1).u32(0).u32(3).u32(1);  // top row: x 1..3
        r.u32(0).u32(1).u32(1).u32(2);  // bottom row: x 0..1
        r.u32(2).u32(1).u32(3).u32(2);  //             x 2..3
        region = r.bytes;
    }
    b.u32(0).u32(static_cast<std::uint32_t>(region.size())).raw(region);
    const std::size_t imageSize = b.size() - imageAt;

    const std::size_t soundAt = b.size();
    b.raw(tinyWave());
    const std::size_t soundSize = b.size() - soundAt;

    const std::size_t animAt = b.size();
    b.str(u"WAVE").u8(1).str(u"").u16(2);
    // Frame 0: the image at (1,-1), sound 0, 25 hundredths, exit to frame 1, one branch, one
    // closed-mouth overlay that replaces the top image and carries a region.
    b.u16(1);
    h.frameImageIndexAt = b.size();
    b.u32(0).u16(1).u16(0xFFFF);
    b.u16(0).u16(25);
    h.exitBranchAt = b.size();
    b.u16(1);
    b.u8(1).u16(1).u16(40);
    b.u8(1).u8(0).u8(1).u16(0).u8(0).u8(1).u16(2).u16(3).u16(1).u16(0);
    b.u32(static_cast<std::uint32_t>(region.size())).raw(region);
    // Frame 1: empty end marker.
    b.u16(0).u16(0xFFFF).u16(0).u16(0xFFFE).u8(0).u8(0);
    const std::size_t animSize = b.size() - animAt;

    const std::size_t animListAt = b.size();
    h.animationCountAt = b.size();
    b.u32(1)
        .str(u"Wave")
        .u32(static_cast<std::uint32_t>(animAt))
        .u32(static_cast<std::uint32_t>(animSize));
    const std::size_t animListSize = b.size() - animListAt;
    const std::size_t imageListAt = b.size();
    b.u32(1).u32(static_cast<std::uint32_t>(imageAt)).u32(static_cast<std::uint32_t>(imageSize));
    b.u32(0x12345678);
    const std::size_t imageListSize = b.size() - imageListAt;
    const std::size_t audioListAt = b.size();
    b.u32(1).u32(static_cast<std::uint32_t>(soundAt)).u32(static_cast<std::uint32_t>(soundSize));
    b.u32(0x9ABCDEF0);
    const std::size_t audioListSize = b.size() - audioListAt;

    // Localized list before the character info this time.
    const std::size_t localizedAt = b.size();
    b.u16(2);
    b.u16(0x0409).str(u"Hand").str(u"Built by hand").str(u"");
    b.u16(0x0007).str(u"Hand DE").str(u"").str(u"x");
    const std::size_t localizedSize = b.size() - localizedAt;

    const std::size_t infoAt = b.size();
    b.u16(1)
        .u16(2)
        .u32(static_cast<std::uint32_t>(localizedAt))
        .u32(static_cast<std::uint32_t>(localizedSize));
    b.raw({0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE,
           0xFF});
    b.u16(40).u16(30).u8(0).u32(0x00010220).u16(2).u16(0);
    // Voice with extra data.
    b.raw(Bytes(16, 1)).raw(Bytes(16, 2)).u32(157).u16(120).u8(1);
    b.u16(0x0409).str(u"").u16(2).u16(30).str(u"Business");
    // Balloon: colours in red, green, blue order.
    b.u8(2).u8(28).raw({1, 2, 3, 0}).raw({0xFF, 0xFF, 0xE1, 0}).raw({4, 5, 6, 0});
    b.str(u"Tahoma").u32(static_cast<std::uint32_t>(-13)).u32(700).u8(1).u8(0);
    // Palette of three colours in blue, green, red order.
    h.paletteCountAt = b.size();
    b.u32(3).raw({0, 0, 0x80, 0}).raw({0xF0, 0xCA, 0xA6, 0}).raw({0xF0, 0xFB, 0xFF, 0});
    b.u8(1).u32(3).raw({1, 2, 3}).u32(2).raw({4, 5});
    b.u16(1).str(u"SHOWING").u16(1).str(u"WAVE");
    const std::size_t infoSize = b.size() - infoAt;

    b.set32(4, static_cast<std::uint32_t>(infoAt));
    b.set32(8, static_cast<std::uint32_t>(infoSize));
    b.set32(12, static_cast<std::uint32_t>(animListAt));
    b.set32(16, static_cast<std::uint32_t>(animListSize));
    b.set32(20, static_cast<std::uint32_t>(imageListAt));
    b.set32(24, static_cast<std::uint32_t>(imageListSize));
    b.set32(28, static_cast<std::uint32_t>(audioListAt));
    b.set32(32, static_cast<std::uint32_t>(audioListSize));
    h.bytes = b.bytes;
    return h;
}

}  // namespace

TEST(HandBuiltFile, EveryFieldIsRead) {
    acs::Character c = acs::Character::fromAcsBytes(handBuiltAcs().bytes);
    EXPECT_TRUE(c.warnings().empty());
    const acs::CharacterInfo& info = c.info();
    EXPECT_EQ(info.guid.toString(), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
    EXPECT_EQ(info.width, 40);
    EXPECT_EQ(info.height, 30);
    EXPECT_EQ(info.flags, 0x00010220u);
    ASSERT_TRUE(info.voice);
    EXPECT_EQ(info.voice->speed, 157u);
    EXPECT_EQ(info.voice->pitch, 120);
    ASSERT_TRUE(info.voice->extra);
    EXPECT_EQ(info.voice->extra->gender, 2);
    EXPECT_EQ(info.voice->extra->style, u"Business");
    ASSERT_TRUE(info.balloon);
    EXPECT_EQ(info.balloon->text, (acs::Rgb{1, 2, 3}));
    EXPECT_EQ(info.balloon->background, (acs::Rgb{255, 255, 225}));
    EXPECT_EQ(info.balloon->fontName, u"Tahoma");
    EXPECT_EQ(info.balloon->fontHeight, -13);
    EXPECT_TRUE(info.balloon->italic);
    ASSERT_EQ(info.palette.size(), 3u);
    EXPECT_EQ(info.palette[0], (acs::Rgb{128, 0, 0}));
    EXPECT_EQ(info.palette[1], (acs::Rgb{166, 202, 240}));
    EXPECT_EQ(info.palette[2], (acs::Rgb{255, 251, 240}));
    ASSERT_TRUE(info.trayIcon);
    EXPECT_EQ(info.trayIcon->mask, (Bytes{1, 2, 3}));
    EXPECT_EQ(info.trayIcon->color, (Bytes{4, 5}));
    ASSERT_EQ(info.states.size(), 1u);
    EXPECT_EQ(info.states[0].animations, std::vector<std::u16string>{u"WAVE"});
    ASSERT_EQ(info.localized.size(), 2u);
    EXPECT_EQ(info.localizedFor(0x0407)->name, u"Hand DE");  // same primary language
    EXPECT_EQ(info.localizedFor(0x0411)->name, u"Hand");     // none: the first

    ASSERT_EQ(c.animations().size(), 1u);
    const acs::Animation* wave = c.findAnimation(u"wAvE");
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->name, u"Wave");
    EXPECT_EQ(wave->transition, 1);
    ASSERT_EQ(wave->frames.size(), 2u);
    const acs::Frame& f0 = wave->frames[0];
    EXPECT_EQ(f0.images, (std::vector<acs::FrameImage>{{0, 1, -1}}));
    EXPECT_EQ(f0.sound, 0);
    EXPECT_EQ(f0.duration, 25);
    EXPECT_EQ(f0.exitBranch, 1);
    EXPECT_EQ(f0.branches, (std::vector<acs::Branch>{{1, 40}}));
    ASSERT_EQ(f0.overlays.size(), 1u);
    EXPECT_EQ(f0.overlays[0].shape, 0);
    EXPECT_TRUE(f0.overlays[0].replaceTopImage);
    EXPECT_EQ(f0.overlays[0].centerX, 1);
    EXPECT_EQ(wave->frames[1].sound, -1);
    EXPECT_EQ(f0.overlays[0].x, 2);
    EXPECT_EQ(f0.overlays[0].y, 3);
    EXPECT_TRUE(f0.overlays[0].region);
    EXPECT_EQ(wave->frames[1].exitBranch, acs::kEndExitBranch);
    EXPECT_EQ(wave->totalDuration(), 25u);

    ASSERT_EQ(c.imageCount(), 1u);
    EXPECT_EQ(c.imageHeader(0).checksum, 0x12345678u);
    const acs::Image& img = c.image(0);
    EXPECT_EQ(img.pixels, (Bytes{0, 7, 7, 5, 0, 6}));  // top-down, tight rows
    const acs::Region& region = c.region(0);
    EXPECT_EQ(region, acs::regionFromImage(img, 0));
    EXPECT_TRUE(region.contains(1, 0));
    EXPECT_FALSE(region.contains(0, 0));
    ASSERT_EQ(c.soundCount(), 1u);
    EXPECT_EQ(c.sound(0).size(), tinyWave().size());
    EXPECT_EQ(c.soundChecksum(0), 0x9ABCDEF0u);

    const auto rgba = acs::toRgba(img, info.palette, info.transparentIndex);
    ASSERT_EQ(rgba.size(), 24u);
    EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 8), (Bytes{0, 0, 0, 0, 0, 0, 0, 255}));
    // Index 5 lies beyond the three-colour palette: opaque black.
    EXPECT_EQ(Bytes(rgba.begin() + 12, rgba.begin() + 16), (Bytes{0, 0, 0, 255}));
}

TEST(HandBuiltFile, ReferencesToMissingThingsAreDroppedWithAWarning) {
    HandFile h = handBuiltAcs();
    Builder b{h.bytes};
    b.set32(h.frameImageIndexAt, 7);
    b.bytes[h.exitBranchAt] = 9;
    acs::Character c = acs::Character::fromAcsBytes(b.bytes);
    const acs::Frame& f0 = c.animations()[0].frames[0];
    EXPECT_TRUE(f0.images.empty());
    EXPECT_EQ(f0.exitBranch, acs::kNoExitBranch);
    ASSERT_EQ(c.warnings().size(), 2u);
    EXPECT_NE(c.warnings()[0].find("image 7 does not exist"), std::string::npos);
}

TEST(HandBuiltFile, ProblemsAreNamedWithTheirOffset) {
    HandFile h = handBuiltAcs();
    {
        Builder b{h.bytes};
        b.set32(h.paletteCountAt, 300);
        std::string e = openError(b.bytes);
        EXPECT_NE(e.find("palette has 300 colours"), std::string::npos) << e;
        char at[32];
        std::snprintf(at, sizeof at, "0x%zx", h.paletteCountAt);
        EXPECT_NE(e.find(at), std::string::npos) << e;
    }
    {
        Builder b{h.bytes};
        b.set32(h.animationCountAt, 0x10000000);
        EXPECT_NE(openError(b.bytes).find("cannot fit"), std::string::npos);
    }
    {
        Builder b{h.bytes};
        b.set32(4, static_cast<std::uint32_t>(b.size()));  // character info past the end
        EXPECT_NE(openError(b.bytes).find("past the end"), std::string::npos);
    }
    {
        // A damaged image stays unreadable, the rest of the character loads.
        Builder b{h.bytes};
        b.bytes[h.imageWidthAt + 1] = 0x20;  // width 8195
        acs::Character c = acs::Character::fromAcsBytes(b.bytes);
        ASSERT_EQ(c.warnings().size(), 1u);
        EXPECT_THROW((void)c.image(0), acs::Error);
        EXPECT_EQ(c.animations().size(), 1u);
    }
    EXPECT_NE(
        openError({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1, 0}).find("compound document"),
        std::string::npos);
    EXPECT_NE(openError({1, 2, 3, 4, 5}).find("unknown signature"), std::string::npos);
    EXPECT_NE(openError({0xC3, 0xAB, 0xCD, 0xAB, 0}).find("file header"), std::string::npos);
}

TEST(HandBuiltFile, EveryTruncationFailsCleanly) {
    const Bytes full = handBuiltAcs().bytes;
    for (std::size_t n = 0; n < full.size(); ++n) {
        EXPECT_NE(openError(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n))), "")
            << "accepted a file cut to " << n << " bytes";
    }
}

TEST(DamagedFiles, CorruptedBytesNeverCrash) {
    // Writer-made file with compressed images; every single-byte change and a batch of random
    // multi-byte changes must either load or raise acs::Error, and so must every later use.
    acs::testing::SyntheticOptions o;
    o.width = 24;
    o.height = 20;
    o.animations = 2;
    o.framesPerAnimation = 3;
    o.sounds = 1;
    const Bytes good = acs::writeAcs(acs::testing::makeSyntheticCharacter(o));
    std::mt19937 rng(1234);
    auto attempt = [](Bytes bytes) {
        try {
            acs::Character c = acs::Character::fromAcsBytes(std::move(bytes));
            acs::probe::useEverything(c);
        } catch (const acs::Error&) {
        }
    };
    for (std::size_t i = 0; i < good.size(); ++i) {
        Bytes bad = good;
        bad[i] ^= static_cast<std::uint8_t>(1 + rng() % 255);
        attempt(std::move(bad));
    }
    for (int round = 0; round < 300; ++round) {
        Bytes bad = good;
        for (int k = 0; k < 8; ++k) {
            bad[rng() % bad.size()] = static_cast<std::uint8_t>(rng());
        }
        attempt(std::move(bad));
    }
    SUCCEED();
}

TEST(Regions, BuiltFromPixelsInBands) {
    // 0 = transparent. Rows 0 and 1 share runs and form one band; row 2 differs; row 3 empty.
    acs::Image img{5, 4, {1, 1, 0, 1, 0,  //
                          1, 1, 0, 1, 0,  //
                          0, 1, 1, 1, 1,  //
                          0, 0, 0, 0, 0}};
    acs::Region r = acs::regionFromImage(img, 0);
    EXPECT_EQ(r.rects, (std::vector<acs::Rect>{{0, 0, 2, 2}, {3, 0, 4, 2}, {1, 2, 5, 3}}));
    EXPECT_EQ(r.bounds, (acs::Rect{0, 0, 5, 3}));
    EXPECT_EQ(acs::parseRegion(acs::serializeRegion(r)), r);
    EXPECT_EQ(acs::regionFromImage(acs::Image{2, 2, {0, 0, 0, 0}}, 0), acs::Region{});

    Bytes bad = acs::serializeRegion(r);
    bad[8] = 200;  // more rectangles than bytes
    EXPECT_THROW(acs::parseRegion(bad), acs::Error);
    bad = acs::serializeRegion(r);
    bad[0] = 40;
    EXPECT_THROW(acs::parseRegion(bad), acs::Error);
}

TEST(Names, GuidTextAndCaseFolding) {
    auto g = acs::Guid::parse("{00112233-4455-6677-8899-aabbccddeeff}");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->bytes[0], 0x33);
    EXPECT_EQ(g->bytes[15], 0xFF);
    EXPECT_EQ(g->toString(), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
    EXPECT_FALSE(acs::Guid::parse("{00112233-4455-6677-8899-AABBCCDDEEF}"));
    EXPECT_FALSE(acs::Guid::parse("00112233x4455-6677-8899-AABBCCDDEEFF"));
    EXPECT_TRUE(acs::equalsIgnoreCase(u"Idle1_1", u"IDLE1_1"));
    EXPECT_FALSE(acs::equalsIgnoreCase(u"Idle1_1", u"IDLE1_2"));
    EXPECT_EQ(acs::toUpper(u"getAttention\u00e9"), u"GETATTENTION\u00c9");
    EXPECT_EQ(acs::toUtf8(u"Gr\u00fc\u00dfe \U0001F600"),
              "Gr\xc3\xbc\xc3\x9f"
              "e \xf0\x9f\x98\x80");
    EXPECT_EQ(acs::fromUtf8("Gr\xc3\xbc\xc3\x9f"
                            "e \xf0\x9f\x98\x80"),
              u"Gr\u00fc\u00dfe \U0001F600");
    EXPECT_EQ(acs::fromUtf8("a\xff"), u"a\uFFFD");
}

namespace {

// Uncompressed size, compressed size, stream: the wrapper of .acf and .aca bodies.
Bytes wrapped(const Bytes& body) {
    const Bytes packed = acs::compress(body);
    Builder b;
    b.u32(static_cast<std::uint32_t>(body.size())).u32(static_cast<std::uint32_t>(packed.size()));
    return b.raw(packed).bytes;
}

}  // namespace

TEST(HandBuiltFile, SplitCharacterWithOverlaysAndBaseImages) {
    // A 3x2 character (stride 4) with one animation in "wave.aca".
    Builder body;
    body.u16(1).u16(2).u16(1);
    body.bare(u"Wave").bare(u"sub\\WAVE.ACA").bare(u"").u32(0xC0FFEE);
    body.raw(Bytes(16, 0x42));
    body.u16(1).u16(0x0409).bare(u"Split").bare(u"Hand-made").bare(u"");
    body.u16(3).u16(2).u8(0).u32(0x10 | 0x100).u16(2).u16(0);
    body.u32(2).raw({0, 0, 0, 0}).raw({0, 0, 255, 0}).u8(0).u16(0);
    Builder acf;
    acf.u32(0xABCDABC4).raw(wrapped(body.bytes));

    Builder aca;
    aca.u16(0);  // no sounds
    aca.u16(2);
    aca.u32(0);                                      // image 0: absent
    aca.u32(8).u8(0).raw({1, 1, 0, 0, 0, 1, 1, 0});  // image 1: full frame, bottom-up
    aca.u32(32).u32(32).u32(1).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);  // empty region
    aca.u8(1).u16(2);
    // Frame 0: image 0 (absent), no sound.
    aca.u16(0).u16(0xFFFF).u16(10).u32(0).u16(0xFFFE).u8(0).u8(0);
    // Frame 1: image 1, two overlays after a base image the reader skips: the first sized
    // by its own width and height, the second full-frame.
    aca.u16(1).u16(0xFFFF).u16(20).u32(0).u16(0xFFFE).u8(1).u16(0).u16(50).u8(2);
    aca.u8(1).u32(2).raw({9, 9}).u32(1).raw({7});
    aca.u8(0).u32(4).u8(0).u8(0).u16(1).u16(0).u16(2).u16(1).raw({1, 1, 0, 0});
    aca.u8(5).u32(8).u8(1).u8(0).u16(0).u16(0).u16(9).u16(9).raw({0, 0, 0, 0, 1, 0, 1, 0});
    Builder acaFile;
    acaFile.u16(1).u16(2).u32(0xC0FFEE).u8(1).raw(wrapped(aca.bytes));

    std::u16string asked;
    acs::Character c = acs::Character::fromAcfBytes(acf.bytes, [&](const std::u16string& name) {
        asked = name;
        return acaFile.bytes;
    });
    EXPECT_EQ(asked, u"sub\\WAVE.ACA");
    EXPECT_EQ(c.info().localized.at(0).name, u"Split");
    EXPECT_EQ(c.info().width, 3);
    EXPECT_FALSE(c.info().voice);
    ASSERT_EQ(c.animations().size(), 1u) << c.warnings().at(0);
    const acs::Animation& a = c.animations()[0];
    EXPECT_EQ(a.acaChecksum, 0xC0FFEEu);
    ASSERT_EQ(a.frames.size(), 2u);
    EXPECT_TRUE(a.frames[0].images.empty());
    ASSERT_EQ(a.frames[1].images.size(), 1u);
    EXPECT_EQ(c.image(a.frames[1].images[0].image).pixels, (Bytes{0, 1, 1, 1, 1, 0}));
    EXPECT_EQ(a.frames[1].branches, (std::vector<acs::Branch>{{0, 50}}));
    ASSERT_EQ(a.frames[1].overlays.size(), 2u);
    const acs::Overlay& small = a.frames[1].overlays[0];
    EXPECT_EQ(small.x, 1);
    EXPECT_EQ(c.image(small.image), (acs::Image{2, 1, {1, 1}}));
    const acs::Overlay& full = a.frames[1].overlays[1];
    EXPECT_EQ(full.shape, 5);
    EXPECT_TRUE(full.replaceTopImage);
    EXPECT_EQ(c.image(full.image), (acs::Image{3, 2, {1, 0, 1, 0, 0, 0}}));
    ASSERT_EQ(c.warnings().size(), 1u) << c.warnings()[0];
    EXPECT_NE(c.warnings()[0].find("base images"), std::string::npos);

    // A body version other than 2.1 is refused.
    body.bytes[0] = 0;
    Builder old;
    old.u32(0xABCDABC4).raw(wrapped(body.bytes));
    EXPECT_THROW(
        acs::Character::fromAcfBytes(old.bytes, [](const std::u16string&) { return Bytes{}; }),
        acs::Error);
}

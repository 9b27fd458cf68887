// The pieces the characters are made from: the palette quantiser, the synthesised sounds and
// the way animations are assembled from poses.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>

#include "acs/writer.h"
#include "art/animations.h"
#include "art/builder.h"
#include "art/sounds.h"

namespace acs = vistrel::acs;
namespace art = vistrel::art;

namespace {

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}
std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// A tiny design: a box body and a round head whose mouth is a bar of the shape's width.
class Box final : public art::Design {
  public:
    QSize frameSize() const override { return {40, 40}; }
    QPointF feet() const override { return {20, 38}; }
    void drawBody(QPainter& p, const art::Pose& pose) const override {
        p.fillRect(QRectF(12, 20, 16, 18), QColor(40, 80, 200));
        p.fillRect(QRectF(28, 22, 4 + pose.right.shoulder / 10, 4), QColor(200, 80, 40));
    }
    void drawFront(QPainter& p, const art::Pose&) const override {
        p.fillRect(QRectF(14, 28, 12, 6), QColor(150, 40, 40));
    }
    QSize headSize() const override { return {20, 20}; }
    QPointF headOrigin() const override { return {10, 2}; }
    QPointF neck() const override { return {20, 20}; }
    void drawHead(QPainter& p, const art::Face& face) const override {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 210, 180));
        p.drawEllipse(QRectF(1, 1, 18, 18));
        p.setBrush(QColor(90, 20, 30));
        const int open = static_cast<int>(face.mouth) % 5;
        p.drawRect(QRectF(6, 12, 8, 1 + open));
    }
    QRect mouthRect() const override { return {5, 11, 10, 7}; }
    void drawEffect(QPainter& p, const art::Pose& pose) const override {
        if (pose.effect != art::Effect::None) {
            p.fillRect(QRectF(2, 2, 4, 4), Qt::yellow);
        }
    }
};

}  // namespace

TEST(Quantize, KeepsFewColoursExactlyAndSplitsManyByNearness) {
    std::map<std::uint32_t, std::uint64_t> few{{0x102030, 5}, {0xFF0000, 1}, {0x00FF00, 9}};
    art::Quantized q = art::quantize(few, 8);
    ASSERT_EQ(q.palette.size(), 3u);
    for (const auto& [rgb, count] : few) {
        const acs::Rgb c = q.palette.at(q.index.at(rgb));
        EXPECT_EQ((c.r << 16) | (c.g << 8) | c.b, static_cast<int>(rgb));
    }

    // Two clusters of near colours and two slots: each cluster gets one.
    std::map<std::uint32_t, std::uint64_t> many;
    for (std::uint32_t i = 0; i < 8; ++i) {
        many[0x100000 * i / 4 + 0x000010] = 3;     // dark reds
        many[0x00F000 + 0x10000 * (200 + i)] = 2;  // bright yellows-ish
    }
    q = art::quantize(many, 2);
    ASSERT_EQ(q.palette.size(), 2u);
    std::set<int> darkSlots, brightSlots;
    for (const auto& [rgb, count] : many) {
        ((rgb >> 16) < 100 ? darkSlots : brightSlots).insert(q.index.at(rgb));
    }
    EXPECT_EQ(darkSlots.size(), 1u);
    EXPECT_EQ(brightSlots.size(), 1u);
    EXPECT_NE(*darkSlots.begin(), *brightSlots.begin());

    EXPECT_TRUE(art::quantize({}, 16).palette.empty());
}

TEST(Sounds, AreShortAudible16BitMonoWaves) {
    namespace s = art::sounds;
    for (const auto& wav : {s::chime(), s::whoosh(), s::pop(), s::chirp(), s::powerUp(),
                            s::powerDown(), s::beeps()}) {
        ASSERT_GE(wav.size(), 44u);
        EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
        EXPECT_EQ(u32(wav, 4) + 8, wav.size());
        EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVEfmt ", 8), 0);
        EXPECT_EQ(u16(wav, 20), 1);  // PCM
        EXPECT_EQ(u16(wav, 22), 1);  // mono
        EXPECT_EQ(u32(wav, 24), s::kSampleRate);
        EXPECT_EQ(u16(wav, 34), 16);  // bits
        EXPECT_EQ(std::memcmp(wav.data() + 36, "data", 4), 0);
        EXPECT_EQ(u32(wav, 40) + 44, wav.size());
        const std::size_t samples = (wav.size() - 44) / 2;
        EXPECT_LT(samples, s::kSampleRate);  // under a second
        int peak = 0;
        for (std::size_t i = 0; i < samples; ++i) {
            peak = std::max(peak, std::abs(static_cast<std::int16_t>(u16(wav, 44 + 2 * i))));
        }
        EXPECT_GT(peak, 3000);   // heard
        EXPECT_LT(peak, 32000);  // not clipped
        // It fades: the last few milliseconds are quiet, so it ends without a click.
        for (std::size_t i = samples - 20; i < samples; ++i) {
            EXPECT_LT(std::abs(static_cast<std::int16_t>(u16(wav, 44 + 2 * i))), 2000);
        }
    }
}

TEST(Builder, ExitPathsWalkBackThroughTheWayIn) {
    const Box design;
    art::CharacterBuilder b(design);
    art::Pose rest, up;
    up.right.shoulder = 90;
    art::AnimationPlan hold;
    hold.name = u"Hold";
    hold.in = art::ramp(rest, up, 3);
    b.addAnimation(hold);
    art::AnimationPlan round;
    round.name = u"Round";
    round.in = art::ramp(rest, up, 2);
    round.body = {{up, 10, -1, {{0, 30}}}, {up, 10, -1, {}}};
    round.out = art::ramp(up, rest, 2);
    b.addAnimation(round);
    art::AnimationPlan loop;
    loop.name = u"Loop";
    loop.body = {{up, 10, -1, {}}, {up, 10, -1, {{0, 50}}}, {rest, 10, -1, {}}};
    b.addAnimation(loop);
    const acs::CharacterData d = b.finish({});

    // A held gesture: three frames in, then an invisible end marker.
    const acs::Animation& h = d.animations[0];
    ASSERT_EQ(h.frames.size(), 4u);
    EXPECT_EQ(h.frames[0].exitBranch, 3);
    EXPECT_EQ(h.frames[1].exitBranch, 0);
    EXPECT_EQ(h.frames[2].exitBranch, 1);
    EXPECT_EQ(h.frames[3].exitBranch, acs::kEndExitBranch);
    EXPECT_TRUE(h.frames[3].images.empty());
    EXPECT_EQ(h.frames[3].duration, 0);
    EXPECT_EQ(h.frames[2].overlays.size(), 7u);
    EXPECT_TRUE(h.frames[1].overlays.empty());

    // In, body, out: the body leaves through the way out, its branch lands in the body.
    const acs::Animation& r = d.animations[1];
    ASSERT_EQ(r.frames.size(), 6u);
    EXPECT_EQ(r.frames[0].exitBranch, 5);
    EXPECT_EQ(r.frames[1].exitBranch, 0);
    EXPECT_EQ(r.frames[2].exitBranch, 4);
    EXPECT_EQ(r.frames[3].exitBranch, 4);
    EXPECT_EQ(r.frames[4].exitBranch, 5);
    EXPECT_EQ(r.frames[5].exitBranch, acs::kEndExitBranch);
    ASSERT_EQ(r.frames[2].branches.size(), 1u);
    EXPECT_EQ(r.frames[2].branches[0].frame, 2);
    EXPECT_EQ(r.frames[2].branches[0].probability, 30);
    EXPECT_EQ(r.frames[5].overlays.size(), 7u);

    // Only a body: leaving anywhere settles on its last frame, then the end marker.
    const acs::Animation& l = d.animations[2];
    ASSERT_EQ(l.frames.size(), 4u);
    EXPECT_EQ(l.frames[0].exitBranch, 2);
    EXPECT_EQ(l.frames[1].exitBranch, 2);
    EXPECT_EQ(l.frames[2].exitBranch, 3);
    EXPECT_EQ(l.frames[3].exitBranch, acs::kEndExitBranch);

    // Identical pictures are stored once: the rest pose's head and body appear in both
    // animations, the seven mouths once each.
    std::set<std::uint32_t> used;
    std::size_t placements = 0;
    for (const auto& a : d.animations) {
        for (const auto& f : a.frames) {
            for (const auto& fi : f.images) {
                used.insert(fi.image);
                ++placements;
            }
        }
    }
    EXPECT_LT(used.size(), placements);
    EXPECT_EQ(d.info.palette.size(), 256u);
    EXPECT_EQ(d.info.transparentIndex, art::CharacterBuilder::kTransparentIndex);
    EXPECT_NO_THROW(acs::validate(d));
}

TEST(Builder, RefusesABranchOutOfTheBody) {
    const Box design;
    art::CharacterBuilder b(design);
    art::AnimationPlan bad;
    bad.name = u"Bad";
    bad.body = {{art::Pose{}, 10, -1, {{4, 50}}}};
    EXPECT_THROW(b.addAnimation(bad), std::logic_error);
}

TEST(Builder, StacksEffectFrontHeadBodyAndKeepsMouthsOnTheMovingHead) {
    const Box design;
    art::CharacterBuilder b(design);
    art::Pose plain;
    art::Pose busy = plain;
    busy.effect = art::Effect::Sparkles;
    busy.prop = art::Prop::Book;
    busy.headX = 3;
    busy.headY = -2;
    art::Pose small = busy;
    small.scale = 0.5;
    for (const auto& [name, pose] :
         {std::pair{u"Plain", plain}, std::pair{u"Busy", busy}, std::pair{u"Small", small}}) {
        art::AnimationPlan s;
        s.name = name;
        s.body = {{pose, 10, -1, {}}};
        b.addAnimation(s);
    }
    const acs::CharacterData d = b.finish({});
    const acs::Frame& still = d.animations[0].frames[0];
    const acs::Frame& moved = d.animations[1].frames[0];
    const acs::Frame& shrunk = d.animations[2].frames[0];

    ASSERT_EQ(still.images.size(), 2u);                       // head over body
    ASSERT_EQ(moved.images.size(), 4u);                       // effect, book, head, body
    EXPECT_EQ(moved.images[2].image, still.images[0].image);  // the same head picture...
    EXPECT_EQ(moved.images[2].x, still.images[0].x + 3);      // ...moved with the head
    EXPECT_EQ(moved.images[2].y, still.images[0].y - 2);
    for (std::size_t m = 0; m < 7; ++m) {
        EXPECT_EQ(moved.overlays[m].image, still.overlays[m].image);
        EXPECT_EQ(moved.overlays[m].x, still.overlays[m].x + 3);
        EXPECT_EQ(moved.overlays[m].y, still.overlays[m].y - 2);
    }
    // Appearing or vanishing, the character is one scaled picture under the effect.
    EXPECT_EQ(shrunk.images.size(), 2u);
}

TEST(Builder, OpaquePixelsNeverTakeTheTransparentSlot) {
    const Box design;
    art::CharacterBuilder b(design);
    art::AnimationPlan s;
    s.name = u"Rest";
    s.body = {{art::Pose{}, 10, -1, {}}};
    b.addAnimation(s);
    const acs::CharacterData d = b.finish({});
    // The body is a 16 x 18 box with a 4 x 4 arm beside it: every one of its pixels drawn.
    const acs::Frame& f = d.animations[0].frames[0];
    const acs::Image& body = d.images.at(f.images.back().image).image;
    std::size_t opaque = 0;
    for (std::uint8_t px : body.pixels) {
        opaque += px != d.info.transparentIndex ? 1 : 0;
    }
    EXPECT_EQ(opaque, 16u * 18 + 5u * 4);
    for (const auto& img : d.images) {
        for (std::uint8_t px : img.image.pixels) {
            ASSERT_TRUE(px == d.info.transparentIndex || (px > 10 && px < 246));
        }
    }
}

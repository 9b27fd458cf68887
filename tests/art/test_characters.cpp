// The built-in characters as a player sees them: every file re-opens cleanly, holds the
// animations and states scripts and the program ask for, lip-syncs, plays each animation to
// its end and always finds its way back to rest.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "acs/character.h"
#include "acs/writer.h"
#include "art/animations.h"
#include "art/characters.h"

namespace acs = vistrel::acs;
namespace art = vistrel::art;

namespace {

struct Built {
    std::vector<std::uint8_t> bytes;
    acs::CharacterData data;
};

// The characters as the build wrote them, read once for the whole test program.
const Built& built(const std::string& id) {
    static std::map<std::string, Built> cache;
    auto it = cache.find(id);
    if (it == cache.end()) {
        Built b;
        b.bytes = acs::readFile(std::filesystem::path(VISTREL_BUILT_CHARS_DIR) / (id + ".acs"));
        b.data = acs::Character::fromAcsBytes(b.bytes).toData();
        it = cache.emplace(id, std::move(b)).first;
    }
    return it->second;
}

std::vector<std::string> ids() {
    std::vector<std::string> out;
    for (const auto& c : art::builtInCharacters()) {
        out.push_back(c.id);
    }
    return out;
}

class BuiltInCharacter : public ::testing::TestWithParam<std::string> {
  protected:
    const acs::CharacterData& data() const { return built(GetParam()).data; }
    acs::Character open() const { return acs::Character::fromAcsBytes(built(GetParam()).bytes); }
};

// The picture of a frame in palette indices, with `overlay` drawn on top when it is given.
acs::Image picture(const acs::CharacterData& d, const acs::Frame& f,
                   const acs::Overlay* overlay = nullptr) {
    acs::Image img = acs::compositeFrame(d, f);
    if (overlay) {
        const acs::Image& o = d.images.at(overlay->image).image;
        for (int y = 0; y < o.height; ++y) {
            for (int x = 0; x < o.width; ++x) {
                const int fx = overlay->x + x, fy = overlay->y + y;
                if (o.at(x, y) != d.info.transparentIndex && fx >= 0 && fy >= 0 && fx < img.width &&
                    fy < img.height) {
                    img.pixels[static_cast<std::size_t>(fy) * img.width + fx] = o.at(x, y);
                }
            }
        }
    }
    return img;
}

// The last frame a normal play leaves on screen: the last one with a picture.
int lastShown(const acs::Animation& a) {
    for (int i = static_cast<int>(a.frames.size()) - 1; i >= 0; --i) {
        if (!a.frames[i].images.empty() && a.frames[i].duration > 0) {
            return i;
        }
    }
    return -1;
}

}  // namespace

TEST(BuiltInCharacters, TheAssistantIsAmongThemAndIdsAreFileNames) {
    const auto all = ids();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all.front(), "Merlin");
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), all.size());
    for (const auto& id : all) {
        const auto* name = built(id).data.info.localizedFor(0x0409);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(acs::toUtf8(name->name), id);
    }
}

TEST_P(BuiltInCharacter, IsDrawnTheSameEveryTimeAndIsWhatTheBuildWrote) {
    for (const auto& c : art::builtInCharacters()) {
        if (c.id == GetParam()) {
            const std::vector<std::uint8_t> first = acs::writeAcs(c.make());
            EXPECT_TRUE(acs::writeAcs(c.make()) == first) << "drawn differently the second time";
            EXPECT_TRUE(first == built(GetParam()).bytes)
                << "the built file differs from what the library draws now";
        }
    }
}

TEST_P(BuiltInCharacter, ReopensWithoutWarningsAndEveryPartDecodes) {
    acs::Character c = open();
    EXPECT_TRUE(c.warnings().empty()) << c.warnings().front();
    // What is read back writes out to the very same bytes.
    EXPECT_TRUE(acs::writeAcs(c.toData()) == built(GetParam()).bytes);
    for (std::size_t i = 0; i < c.imageCount(); ++i) {
        EXPECT_NO_THROW(c.image(i));
    }
    ASSERT_GE(c.soundCount(), 3u);
    for (std::size_t i = 0; i < c.soundCount(); ++i) {
        EXPECT_NO_THROW(c.sound(i));
    }
    // Small enough to ship and load at once.
    EXPECT_LT(built(GetParam()).bytes.size(), 2u << 20);
    EXPECT_LT(c.imageCount(), 1000u);
}

TEST_P(BuiltInCharacter, HasEveryAnimationScriptsAndTheProgramAskFor) {
    acs::Character c = open();
    for (auto list : {art::requiredAnimations(), art::programAnimations()}) {
        for (std::u16string_view name : list) {
            const acs::Animation* a = c.findAnimation(name);
            ASSERT_NE(a, nullptr) << acs::toUtf8(name);
            EXPECT_GT(a->totalDuration(), 0u) << acs::toUtf8(name);
        }
    }
    std::set<std::u16string> names;
    for (const auto& a : data().animations) {
        EXPECT_TRUE(names.insert(acs::toUpper(a.name)).second) << acs::toUtf8(a.name) << " twice";
    }
}

TEST_P(BuiltInCharacter, StatesCoverThePlayersNeedsAndNameExistingAnimations) {
    acs::Character c = open();
    std::set<std::u16string> states;
    for (const auto& s : c.info().states) {
        states.insert(s.name);
        EXPECT_FALSE(s.animations.empty()) << acs::toUtf8(s.name);
        for (const auto& a : s.animations) {
            EXPECT_NE(c.findAnimation(a), nullptr) << acs::toUtf8(s.name) << ": " << acs::toUtf8(a);
        }
    }
    for (const char16_t* needed :
         {u"SHOWING", u"HIDING", u"SPEAKING", u"MOVINGLEFT", u"MOVINGRIGHT", u"MOVINGUP",
          u"MOVINGDOWN", u"GESTURINGLEFT", u"GESTURINGRIGHT", u"GESTURINGUP", u"GESTURINGDOWN",
          u"IDLINGLEVEL1", u"IDLINGLEVEL2", u"IDLINGLEVEL3"}) {
        EXPECT_TRUE(states.count(needed)) << acs::toUtf8(needed);
    }
}

TEST_P(BuiltInCharacter, SpeakingFramesCarryAllSevenMouthsOnTheFace) {
    const acs::CharacterData& d = data();
    acs::Character c = open();
    auto checkSpeaking = [&](const acs::Animation& a, const acs::Frame& f) {
        SCOPED_TRACE(acs::toUtf8(a.name));
        ASSERT_EQ(f.overlays.size(), 7u);
        for (std::size_t m = 0; m < 7; ++m) {
            const acs::Overlay& o = f.overlays[m];
            EXPECT_EQ(o.shape, m);
            ASSERT_LT(o.image, d.images.size());
            const acs::Image& img = d.images[o.image].image;
            EXPECT_GE(o.x, 0);
            EXPECT_GE(o.y, 0);
            EXPECT_LE(o.x + img.width, d.info.width);
            EXPECT_LE(o.y + img.height, d.info.height);
        }
        // The shapes differ from each other: speech visibly moves the mouth.
        std::set<std::vector<std::uint8_t>> looks;
        for (const auto& o : f.overlays) {
            looks.insert(picture(d, f, &o).pixels);
        }
        EXPECT_EQ(looks.size(), 7u);
    };
    for (const auto& s : d.info.states) {
        if (s.name != u"SPEAKING") {
            continue;
        }
        for (const auto& name : s.animations) {
            const acs::Animation* a = c.findAnimation(name);
            ASSERT_NE(a, nullptr);
            for (const auto& f : a->frames) {
                if (!f.images.empty()) {
                    checkSpeaking(*a, f);
                }
            }
            // At rest the closed mouth is exactly the mouth already drawn.
            const acs::Frame& rest = a->frames.front();
            EXPECT_EQ(picture(d, rest, &rest.overlays[0]).pixels, picture(d, rest).pixels);
        }
    }
    // Speech after any animation but vanishing is lip-synced too.
    for (const auto& a : d.animations) {
        if (acs::equalsIgnoreCase(a.name, u"Hide")) {
            continue;
        }
        const int last = lastShown(a);
        ASSERT_GE(last, 0) << acs::toUtf8(a.name);
        checkSpeaking(a, a.frames[last]);
    }
}

TEST_P(BuiltInCharacter, ExitBranchesAlwaysLeadBackToRest) {
    for (const auto& a : data().animations) {
        const int n = static_cast<int>(a.frames.size());
        for (int start = 0; start < n; ++start) {
            std::set<int> seen;
            int f = start;
            while (a.frames[f].exitBranch >= 0) {
                ASSERT_LT(a.frames[f].exitBranch, n) << acs::toUtf8(a.name);
                ASSERT_TRUE(seen.insert(f).second)
                    << acs::toUtf8(a.name) << ": exit path from frame " << start << " loops";
                f = a.frames[f].exitBranch;
            }
        }
        if (a.transition == static_cast<std::uint8_t>(acs::Transition::ReturnAnimation)) {
            // Leaving goes through another animation, which itself ends at rest.
            const acs::Animation* back = nullptr;
            for (const auto& r : data().animations) {
                if (acs::equalsIgnoreCase(r.name, a.returnAnimation)) {
                    back = &r;
                }
            }
            ASSERT_NE(back, nullptr) << acs::toUtf8(a.name);
            EXPECT_EQ(back->transition, static_cast<std::uint8_t>(acs::Transition::ExitBranches));
        }
        if (a.transition == static_cast<std::uint8_t>(acs::Transition::ExitBranches)) {
            // The path from the frame left on screen ends where the animation started from:
            // the frame it finishes on looks like the rest pose (or shows nothing).
            int f = lastShown(a);
            while (a.frames[f].exitBranch >= 0) {
                f = a.frames[f].exitBranch;
            }
            const acs::Frame& end = a.frames[f];
            const acs::Animation* rest = nullptr;
            for (const auto& r : data().animations) {
                if (acs::equalsIgnoreCase(r.name, u"RestPose")) {
                    rest = &r;
                }
            }
            ASSERT_NE(rest, nullptr);
            if (!end.images.empty()) {
                EXPECT_EQ(picture(data(), end).pixels, picture(data(), rest->frames.front()).pixels)
                    << acs::toUtf8(a.name);
            }
        }
    }
}

TEST_P(BuiltInCharacter, EveryAnimationPlaysToItsEnd) {
    // Plays each animation as a player does (random branch choice, next frame otherwise) many
    // times over; looping animations must still end by chance, and soon.
    std::mt19937 rng(20240611);
    for (const auto& a : data().animations) {
        const int n = static_cast<int>(a.frames.size());
        for (const auto& f : a.frames) {
            int sum = 0;
            for (const auto& b : f.branches) {
                ASSERT_LT(b.frame, n) << acs::toUtf8(a.name);
                sum += b.probability;
            }
            EXPECT_LT(sum, 100) << acs::toUtf8(a.name) << " may never end";
        }
        for (int run = 0; run < 50; ++run) {
            int f = 0;
            int shown = 0;
            while (f < n && shown < 2000) {
                ++shown;
                const int r = static_cast<int>(rng() % 100);
                int total = 0, next = f + 1;
                for (const auto& b : a.frames[f].branches) {
                    total += b.probability;
                    if (total > r) {
                        next = b.frame;
                        break;
                    }
                }
                f = next;
            }
            ASSERT_EQ(f, n) << acs::toUtf8(a.name) << " did not end";
        }
    }
}

TEST_P(BuiltInCharacter, NoFrameIsCutOffByTheFrameEdge) {
    // A picture touching the frame's edge has been clipped by it.
    const acs::CharacterData& d = data();
    std::set<std::string> clipped;
    for (const auto& a : d.animations) {
        for (std::size_t i = 0; i < a.frames.size(); ++i) {
            const acs::Image img = picture(d, a.frames[i]);
            const std::string where = acs::toUtf8(a.name) + " frame " + std::to_string(i);
            for (int x = 0; x < img.width; ++x) {
                if (img.at(x, 0) != d.info.transparentIndex) {
                    clipped.insert(where + " top");
                }
                if (img.at(x, img.height - 1) != d.info.transparentIndex) {
                    clipped.insert(where + " bottom");
                }
            }
            for (int y = 0; y < img.height; ++y) {
                if (img.at(0, y) != d.info.transparentIndex) {
                    clipped.insert(where + " left");
                }
                if (img.at(img.width - 1, y) != d.info.transparentIndex) {
                    clipped.insert(where + " right");
                }
            }
        }
    }
    EXPECT_TRUE(clipped.empty()) << ::testing::PrintToString(clipped);
}

TEST_P(BuiltInCharacter, SpeaksAndShowsItsBalloonItsOwnWay) {
    const acs::CharacterInfo& info = data().info;
    ASSERT_TRUE(info.voice.has_value());
    ASSERT_TRUE(info.voice->extra.has_value());
    EXPECT_EQ(info.voice->extra->language, 0x0409);
    EXPECT_GT(info.voice->speed, 0u);
    EXPECT_GT(info.voice->pitch, 0u);
    ASSERT_TRUE(info.balloon.has_value());
    EXPECT_NE(info.balloon->background, info.balloon->text);
}

TEST_P(BuiltInCharacter, EveryAnimationVisiblyMovesAndIdlingVaries) {
    const acs::CharacterData& d = data();
    for (const auto& a : d.animations) {
        std::set<std::vector<std::uint8_t>> pictures;
        for (const auto& f : a.frames) {
            if (!f.images.empty()) {
                pictures.insert(picture(d, f).pixels);
            }
        }
        if (!acs::equalsIgnoreCase(a.name, u"RestPose")) {
            EXPECT_GE(pictures.size(), 2u) << acs::toUtf8(a.name) << " shows no movement";
        }
    }
    // Idle animations branch, so that a character left alone does not repeat itself.
    for (const auto& s : d.info.states) {
        if (s.name.rfind(u"IDLINGLEVEL", 0) != 0) {
            continue;
        }
        int branching = 0;
        for (const auto& name : s.animations) {
            for (const auto& a : d.animations) {
                if (acs::equalsIgnoreCase(a.name, name)) {
                    for (const auto& f : a.frames) {
                        branching += f.branches.empty() ? 0 : 1;
                    }
                }
            }
        }
        EXPECT_GT(branching, 0) << acs::toUtf8(s.name);
    }
    // Appearing and vanishing make a sound as they start.
    for (const auto& a : d.animations) {
        if (acs::equalsIgnoreCase(a.name, u"Show") || acs::equalsIgnoreCase(a.name, u"Hide")) {
            EXPECT_GE(a.frames.front().sound, 0) << acs::toUtf8(a.name);
        }
    }
}

TEST(BuiltInCharacters, DifferFromEachOther) {
    const auto all = ids();
    const acs::CharacterData& a = built(all[0]).data;
    const acs::CharacterData& b = built(all[1]).data;
    EXPECT_NE(a.info.guid, b.info.guid);
    EXPECT_NE(a.info.voice->pitch, b.info.voice->pitch);
    EXPECT_NE(a.info.balloon->background, b.info.balloon->background);
}

INSTANTIATE_TEST_SUITE_P(Each, BuiltInCharacter, ::testing::ValuesIn(ids()),
                         [](const auto& p) { return p.param; });

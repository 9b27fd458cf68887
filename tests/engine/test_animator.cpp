// Animation rules as plain frame sequences: branches, exit branches, loops and their guards.

#include "engine/animator.h"
#include "engine/testing/testcharacter.h"

#include <gtest/gtest.h>

namespace vistrel::engine {
namespace {

using testing::makeTestCharacter;

const acs::Animation& named(const acs::CharacterData& data, const char* name) {
    for (const auto& a : data.animations)
        if (acs::equalsIgnoreCase(a.name, acs::fromUtf8(name)))
            return a;
    throw std::runtime_error(name);
}

TEST(AnimationPlayer, PlaysFramesInOrderAndLeavesThroughExitBranches) {
    const acs::CharacterData data = makeTestCharacter();
    const acs::Animation& wave = named(data, "Wave");
    Dice dice(1);
    EXPECT_EQ(playedFrames(wave, dice, 100), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    // Leaving from the speaking frame walks the gesture back and ends on the empty frame.
    EXPECT_EQ(playedFrames(wave, dice, 100, 5), (std::vector<int>{0, 1, 2, 3, 4, 3, 2, 1, 0, 5}));
    // Leaving from the first frame takes the short way out.
    EXPECT_EQ(playedFrames(wave, dice, 100, 1), (std::vector<int>{0, 5}));
}

TEST(AnimationPlayer, FinishedAnimationLeavesFromItsLastShownFrame) {
    const acs::CharacterData data = makeTestCharacter();
    Dice dice(1);
    AnimationPlayer player(named(data, "Wave"), dice);
    while (player.advance()) {
    }
    EXPECT_EQ(player.lastShown(), 4);  // frame 5 takes no time and is never shown
    ASSERT_TRUE(player.beginExit());
    std::vector<int> path{player.frame()};
    while (player.advance())
        path.push_back(player.frame());
    EXPECT_EQ(path, (std::vector<int>{3, 2, 1, 0, 5}));
}

TEST(AnimationPlayer, LoopsRunUntilAskedToLeave) {
    const acs::CharacterData data = makeTestCharacter();
    const acs::Animation& loop = named(data, "Loop");
    Dice dice(3);
    EXPECT_EQ(playedFrames(loop, dice, 7), (std::vector<int>{0, 1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(playedFrames(loop, dice, 100, 4), (std::vector<int>{0, 1, 0, 1, 2}));
}

TEST(AnimationPlayer, BranchesFollowTheirProbabilitiesRepeatably) {
    const acs::CharacterData data = makeTestCharacter();
    const acs::Animation& coin = named(data, "Coin");
    int tails = 0;
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        Dice dice(seed), again(seed);
        const std::vector<int> frames = playedFrames(coin, dice, 10);
        EXPECT_EQ(frames, playedFrames(coin, again, 10));
        ASSERT_TRUE(frames == (std::vector<int>{0, 1, 2}) || frames == (std::vector<int>{0, 2}));
        tails += frames.size() == 2;
    }
    EXPECT_GT(tails, 150);
    EXPECT_LT(tails, 250);
}

TEST(AnimationPlayer, GuardsAgainstBrokenExitPaths) {
    acs::Animation a;
    a.frames.resize(3);
    for (auto& f : a.frames)
        f.duration = 5;
    a.frames[0].exitBranch = 1;
    a.frames[1].exitBranch = 0;  // a cycle
    a.frames[2].exitBranch = 7;  // out of range
    Dice dice(1);
    const std::vector<int> frames = playedFrames(a, dice, 100, 1);
    EXPECT_LE(frames.size(), 1 + a.frames.size());
    AnimationPlayer last(a, dice);
    last.advance();
    last.advance();
    EXPECT_EQ(last.frame(), 2);
    EXPECT_FALSE(last.beginExit());

    // Branches to frames that do not exist fall through to the next frame.
    acs::Animation bad;
    bad.frames.resize(2);
    bad.frames[0].branches.push_back(acs::Branch{9, 100});
    EXPECT_EQ(playedFrames(bad, dice, 10), (std::vector<int>{0, 1}));
    // No frames at all: nothing to show.
    EXPECT_TRUE(playedFrames(acs::Animation{}, dice, 10).empty());
}

}  // namespace
}  // namespace vistrel::engine

#pragma once

// Plays one animation of a character file frame by frame: probability branches, exit
// branches and the end of the animation. It keeps no time of its own: the caller shows
// `frame()` for `durationMs()` and then calls `advance()`. This keeps the rules testable as
// plain frame sequences.

#include "acs/model.h"

#include <cstdint>
#include <random>
#include <vector>

namespace vistrel::engine {

// The random numbers of one character: seeded, so a run can be repeated exactly.
class Dice {
  public:
    explicit Dice(std::uint32_t seed) : engine_(seed) {}
    // 0..99, the roll a frame's branches are walked with.
    int percent() { return static_cast<int>(engine_() % 100u); }
    // 0..n-1 (n > 0).
    std::size_t pick(std::size_t n) { return static_cast<std::size_t>(engine_() % n); }

  private:
    std::mt19937 engine_;
};

class AnimationPlayer {
  public:
    AnimationPlayer() = default;
    AnimationPlayer(const acs::Animation& animation, Dice& dice);

    const acs::Animation* animation() const { return animation_; }
    // The frame to show now; -1 once the animation is finished (or when it has no frames).
    int frame() const { return frame_; }
    bool finished() const { return frame_ < 0; }
    bool exiting() const { return exiting_; }
    // How long the current frame stays: its duration in milliseconds (0 = passed, not shown).
    int durationMs() const;

    // The current frame's time is up: moves to the next one. In normal play the frame's
    // branches are tried with one roll of the dice, otherwise play goes on with the next frame
    // and finishes past the last. While exiting, it follows exit branches instead. Returns
    // false once the animation is finished.
    bool advance();

    // Leave the animation through its exit branches. A running animation leaves from the frame
    // shown now, once its time is up; a finished one from its last frame that was shown.
    // Returns false when there is no exit path at all (the animation simply ends).
    bool beginExit();

    // The last frame that was displayed (duration above zero), or -1.
    int lastShown() const { return lastShown_; }

    // Ends the animation now, as if it had played to its end with `shown` as the last frame
    // displayed (a frame of this animation, or -1).
    void finishAt(int shown);

  private:
    const acs::Animation* animation_ = nullptr;
    Dice* dice_ = nullptr;
    int frame_ = -1;
    int lastShown_ = -1;
    bool exiting_ = false;
    std::size_t exitSteps_ = 0;

    void enter(int frame);
    int exitTarget(int frame) const;
};

// Frames shown by playing `animation` from its start with `dice`, at most `limit` frames:
// every frame entered, including zero-duration ones. With `exitAfter` >= 0 the animation is
// asked to leave after that many frames have been entered.
std::vector<int> playedFrames(const acs::Animation& animation, Dice& dice, std::size_t limit,
                              int exitAfter = -1);

}  // namespace vistrel::engine

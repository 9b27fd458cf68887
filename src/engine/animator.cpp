#include "engine/animator.h"

namespace vistrel::engine {

AnimationPlayer::AnimationPlayer(const acs::Animation& animation, Dice& dice)
    : animation_(&animation), dice_(&dice) {
    enter(animation.frames.empty() ? -1 : 0);
}

int AnimationPlayer::durationMs() const {
    if (frame_ < 0)
        return 0;
    return animation_->frames[static_cast<std::size_t>(frame_)].duration * 10;
}

void AnimationPlayer::enter(int frame) {
    frame_ = frame;
    if (frame_ >= 0 && animation_->frames[static_cast<std::size_t>(frame_)].duration > 0)
        lastShown_ = frame_;
}

int AnimationPlayer::exitTarget(int frame) const {
    if (frame < 0)
        return -1;
    const int target = animation_->frames[static_cast<std::size_t>(frame)].exitBranch;
    if (target < 0 || static_cast<std::size_t>(target) >= animation_->frames.size())
        return -1;
    return target;
}

bool AnimationPlayer::advance() {
    if (frame_ < 0)
        return false;
    const auto& frames = animation_->frames;
    if (exiting_) {
        // Guard against exit paths that loop: no path is longer than the animation.
        const int target = exitTarget(frame_);
        if (target < 0 || ++exitSteps_ > frames.size()) {
            enter(-1);
            return false;
        }
        enter(target);
        return true;
    }
    const acs::Frame& current = frames[static_cast<std::size_t>(frame_)];
    if (!current.branches.empty()) {
        const int roll = dice_->percent();
        int total = 0;
        for (const acs::Branch& branch : current.branches) {
            total += branch.probability;
            if (total > roll) {
                if (branch.frame < frames.size()) {
                    enter(branch.frame);
                    return true;
                }
                break;
            }
        }
    }
    const std::size_t next = static_cast<std::size_t>(frame_) + 1;
    enter(next < frames.size() ? static_cast<int>(next) : -1);
    return frame_ >= 0;
}

bool AnimationPlayer::beginExit() {
    if (!animation_)
        return false;
    if (exiting_)
        return frame_ >= 0;
    if (frame_ < 0) {
        // Finished: the path starts at the last frame shown.
        const int target = exitTarget(lastShown_);
        if (target < 0)
            return false;
        exiting_ = true;
        exitSteps_ = 1;
        enter(target);
        return true;
    }
    if (exitTarget(frame_) < 0)
        return false;
    exiting_ = true;
    exitSteps_ = 0;
    return true;
}

void AnimationPlayer::finishAt(int shown) {
    frame_ = -1;
    exiting_ = false;
    lastShown_ =
        animation_ && shown >= 0 && static_cast<std::size_t>(shown) < animation_->frames.size()
            ? shown
            : -1;
}

std::vector<int> playedFrames(const acs::Animation& animation, Dice& dice, std::size_t limit,
                              int exitAfter) {
    std::vector<int> shown;
    AnimationPlayer player(animation, dice);
    while (!player.finished() && shown.size() < limit) {
        shown.push_back(player.frame());
        if (exitAfter >= 0 && shown.size() == static_cast<std::size_t>(exitAfter) &&
            !player.beginExit())
            break;
        player.advance();
    }
    return shown;
}

}  // namespace vistrel::engine

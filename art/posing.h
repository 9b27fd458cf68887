#pragma once

// The small vocabulary the standard animations are posed in, and the groups of animations,
// each posed in a file of its own. Private to the art library.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "art/animations.h"
#include "art/builder.h"

namespace vistrel::art::posing {

using Change = std::function<void(Pose&)>;

inline Pose with(Pose p, const Change& change) {
    change(p);
    return p;
}

inline Step hold(const Pose& p, std::uint16_t duration, std::int32_t sound = -1) {
    return {p, duration, sound, {}};
}

inline Step jumping(Step s, std::initializer_list<std::pair<int, int>> jumps) {
    s.jumps = jumps;
    return s;
}

// Holds a pose for the last frame of a ramp a little longer.
inline std::vector<Step> settle(std::vector<Step> steps, std::uint16_t last) {
    steps.back().duration = last;
    return steps;
}

inline AnimationPlan plan(std::u16string name, std::vector<Step> in, std::vector<Step> body,
                          std::vector<Step> out) {
    AnimationPlan s;
    s.name = std::move(name);
    s.in = std::move(in);
    s.body = std::move(body);
    s.out = std::move(out);
    return s;
}

// An animation that continues a held pose and leaves through another animation.
inline AnimationPlan returning(AnimationPlan s, std::u16string back) {
    s.transition = acs::Transition::ReturnAnimation;
    s.returnAnimation = std::move(back);
    return s;
}

// A move to a pose that is then held; leaving walks it back.
inline AnimationPlan gesture(std::u16string name, const Pose& rest, const Pose& target, int n = 4,
                             std::uint16_t last = 30) {
    return plan(std::move(name), settle(ramp(rest, target, n), last), {}, {});
}

// `count` frames of `pose` with the effect phase running.
inline std::vector<Step> phases(const Pose& pose, int count, std::uint16_t duration,
                                int first = 0) {
    std::vector<Step> steps;
    for (int i = 0; i < count; ++i) {
        Pose p = pose;
        p.phase = first + i;
        steps.push_back(hold(p, duration));
    }
    return steps;
}

// Loops `steps` back to their start with the given chance at the last one.
inline std::vector<Step> looping(std::vector<Step> steps, int percent) {
    steps.back().jumps = {{0, percent}};
    return steps;
}

// The rest pose with the eyes turned and the head moved a little.
inline Pose looking(const Pose& rest, Eyes e, double hx = 0, double hy = 0) {
    return with(rest, [=](Pose& p) {
        p.face.eyes = e;
        p.headX = hx;
        p.headY = hy;
    });
}

// Holding an open book, and the frames of reading it (shared by reading and idling).
Pose readingPose(const Pose& rest);
std::vector<Step> readingScan(const Pose& read);

// The groups of the standard set, each adding its animations to the builder.
// Appearing, vanishing, blinking, looking, pointing, speaking gestures and greeting.
void addPresence(CharacterBuilder& b, const Pose& R, const SoundKit& kit);
// Feelings and listening.
void addFeelings(CharacterBuilder& b, const Pose& R, const SoundKit& kit);
// Thinking, reading, writing, searching, working, calling and magic.
void addWork(CharacterBuilder& b, const Pose& R, const SoundKit& kit);
// Idling and moving about.
void addIdlingAndMoving(CharacterBuilder& b, const Pose& R, const SoundKit& kit);

}  // namespace vistrel::art::posing

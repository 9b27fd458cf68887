#pragma once

// The guided introduction's steps, in the order the assistant plays them.

#include <QString>

#include <cstdint>
#include <span>

namespace vistrel::assistant {

struct IntroductionStep {
    enum class Kind { Show, MoveTo, Play, Speak, Hide };
    Kind kind;
    QString text;  // the animation to play or the sentence to speak
    std::int16_t x = 0;
    std::int16_t y = 0;
};

// Every step after loading the character, the first being Show and the last Hide. Animation
// names are written as the introduction has always written them, their case differing.
std::span<const IntroductionStep> introductionSteps();

}  // namespace vistrel::assistant

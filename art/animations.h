#pragma once

// The animation set every one of the project's characters has, posed once for all of them,
// and the states that pick from it.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "acs/model.h"
#include "builder.h"

namespace vistrel::art {

// The animations a script author and the program's own texts may ask of any character made
// here (names match without regard to case).
std::span<const std::u16string_view> requiredAnimations();
// The animations the program's own texts play, spelt as they spell them.
std::span<const std::u16string_view> programAnimations();

// The sounds the animations use, as indices into the character's audio list.
struct SoundKit {
    std::int32_t appear = -1;  // showing, magic
    std::int32_t vanish = -1;  // hiding
    std::int32_t pop = -1;     // ideas, surprise
    std::int32_t chirp = -1;   // greetings, attention
};

// Adds the whole animation set to `builder`, posed from `design`'s rest pose.
void addStandardAnimations(CharacterBuilder& builder, const Design& design, const SoundKit& kit);

// The state table: which animations play when the character appears, speaks, idles, moves...
std::vector<acs::State> standardStates();

}  // namespace vistrel::art

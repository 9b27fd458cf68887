#pragma once

// The animation set every one of the project's characters has, posed once for all of them,
// and the states that pick from it.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "acs/model.h"
#include "art/builder.h"

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

// Who a character is: its names, voice and balloon. Everything else of the character info is
// the same for all the project's characters.
struct Persona {
    const char* guid = nullptr;
    std::u16string name;
    std::u16string description;
    std::u16string greeting;
    const char* voiceMode = nullptr;  // the voice's mode GUID
    std::uint32_t speed = 0;
    std::uint16_t pitch = 0;
    std::uint16_t gender = 0;
    std::uint16_t age = 0;
    std::uint8_t charsPerLine = 32;
    acs::Rgb text, background, border;
    std::int32_t fontWeight = 400;
};

// The character info for `persona`, with the standard state table.
acs::CharacterInfo characterInfo(const Persona& persona);

// The four sounds a character's animations use, as WAV files.
struct CharacterSounds {
    std::vector<std::uint8_t> appear, vanish, pop, chirp;
};

// A whole character: the standard animations posed from `design`, with `sounds`, as `persona`.
acs::CharacterData buildCharacter(const Design& design, CharacterSounds sounds,
                                  const Persona& persona);

}  // namespace vistrel::art

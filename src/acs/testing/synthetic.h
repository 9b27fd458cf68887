#pragma once

// Generated characters for tests, fuzz seeds and benchmarks: drawn shapes with shading and a
// little noise, so that they compress the way hand-drawn characters do.

#include <cstdint>
#include <vector>

#include "acs/model.h"

namespace vistrel::acs::testing {

struct SyntheticOptions {
    std::uint16_t width = 96;
    std::uint16_t height = 112;
    std::size_t animations = 4;
    std::size_t framesPerAnimation = 4;
    std::size_t sounds = 2;
    std::uint32_t seed = 1;
    // Share of body pixels replaced by random shading (0..1): higher gives larger files.
    double noise = 0.05;
};

// A complete character: info with voice, balloon, tray icon and states; animations with
// layered images, sounds, branches, exit branches and (on the last frame) seven mouth overlays.
CharacterData makeSyntheticCharacter(const SyntheticOptions& options = {});

// A RIFF WAVE file of 8-bit mono PCM at 11025 Hz.
std::vector<std::uint8_t> makeWave(std::size_t samples, std::uint32_t seed);

}  // namespace vistrel::acs::testing

#pragma once

// Short sounds synthesised for the characters: 16-bit PCM mono RIFF WAVE files at 22,050 Hz.
// Every sound is the same bytes on every run.

#include <cstdint>
#include <vector>

namespace vistrel::art::sounds {

inline constexpr std::uint32_t kSampleRate = 22050;

// A RIFF WAVE file holding `samples`.
std::vector<std::uint8_t> wave(const std::vector<std::int16_t>& samples);

std::vector<std::uint8_t> chime();      // a rising three-note bell
std::vector<std::uint8_t> whoosh();     // a soft rushing swell
std::vector<std::uint8_t> pop();        // a quick rising blip
std::vector<std::uint8_t> chirp();      // two friendly notes
std::vector<std::uint8_t> powerUp();    // a rising electronic sweep
std::vector<std::uint8_t> powerDown();  // a falling electronic sweep
std::vector<std::uint8_t> beeps();      // two short beeps

}  // namespace vistrel::art::sounds

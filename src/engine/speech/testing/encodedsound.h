#pragma once

// RIFF WAVE files in any codec FFmpeg can encode (MS-ADPCM, IMA-ADPCM, mu-law, A-law,
// GSM 6.10, MPEG layer 3 ...), made at test time so that tests and benchmarks have sounds of
// every kind that characters carry.

#include <QtGlobal>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vistrel::speech::testing {

// `samples` (mono) encoded by FFmpeg's encoder `encoder` ("adpcm_ms", "libmp3lame" ...) at
// `sampleRate`, on `channels` channels (each a copy of the mono signal), in a WAVE file.
// Throws std::runtime_error when FFmpeg lacks the encoder or refuses the parameters.
std::vector<std::uint8_t> encodeWav(std::span<const qint16> samples, int sampleRate, int channels,
                                    const std::string& encoder);

// A sine tone of `ms` milliseconds at `hz` and amplitude `amplitude` (at most 32767).
std::vector<qint16> toneSamples(int sampleRate, int ms, double hz = 440.0,
                                double amplitude = 12000.0);

}  // namespace vistrel::speech::testing

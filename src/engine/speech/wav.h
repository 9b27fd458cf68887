#pragma once

// RIFF WAVE files, as characters and scripts supply them: decoded by FFmpeg's libraries
// (PCM, MS and IMA ADPCM, mu-law, A-law, GSM 6.10, MPEG audio and whatever else FFmpeg reads
// inside a WAVE file) into mono 16-bit samples, and turned into mouth shapes by loudness for
// lip-sync.

#include <QtGlobal>

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vistrel::speech {

// Larger sound files are refused rather than read.
inline constexpr std::size_t kMaxWavBytes = 64u << 20;
inline constexpr int kMaxWavSampleRate = 384000;
inline constexpr int kMaxWavChannels = 8;
// Decoding stops with an error past this many samples (about 12 minutes at 44.1 kHz): a
// few compressed bytes must not become gigabytes of audio.
inline constexpr std::size_t kMaxDecodedSamples = std::size_t{32} << 20;

class WavError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct WavData {
    std::vector<qint16> samples;  // mono: stereo input is averaged
    int sampleRate = 0;
    qint64 durationMs = 0;
    // What the file held, for the log: codec, rate, channels ("adpcm_ms 22050 Hz 1 ch").
    std::string format;
};

// Decodes a RIFF WAVE file of any codec FFmpeg has, at any rate up to kMaxWavSampleRate and
// with up to kMaxWavChannels channels (mixed down evenly), keeping its sample rate. A data
// chunk that claims more bytes than the file holds is read up to the end of the file, as
// files cut short by their recorder are common. Throws WavError, saying what is wrong, for
// anything that is not such a file or does not decode to any sample.
WavData parseWav(std::span<const std::uint8_t> bytes);

// Writes 16-bit mono PCM: the inverse of parseWav for mono 16-bit data.
std::vector<std::uint8_t> writeWav(const std::vector<qint16>& samples, int sampleRate);

struct MouthEvent {
    qint64 timeMs = 0;
    int shape = 0;  // a MouthShape
    bool operator==(const MouthEvent&) const = default;
};

// The mouth while a sound plays: every `stepMs` the loudness of that stretch picks closed
// (near silence) or wide 1-4 (relative to the loudest stretch of the sound). Only changes
// are listed, starting with the shape at 0 ms, and the mouth closes at the end.
std::vector<MouthEvent> loudnessMouth(const WavData& wav, int stepMs);

}  // namespace vistrel::speech

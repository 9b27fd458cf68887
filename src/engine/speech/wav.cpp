#include "engine/speech/wav.h"

#include "engine/speech/mouth.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace vistrel::speech {

namespace {

std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint16_t(b[at] | b[at + 1] << 8);
}

bool tagIs(std::span<const std::uint8_t> b, std::size_t at, const char* tag) {
    return std::memcmp(b.data() + at, tag, 4) == 0;
}

struct Format {
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;
    int blockAlign = 0;
};

Format readFormat(std::span<const std::uint8_t> c) {
    if (c.size() < 16)
        throw WavError("the format chunk is too short (" + std::to_string(c.size()) + " bytes)");
    std::uint16_t tag = u16(c, 0);
    if (tag == 0xFFFE) {
        // Extensible: the real format is the first two bytes of the sub-format GUID.
        if (c.size() < 40)
            throw WavError("the extensible format chunk is too short");
        tag = u16(c, 24);
    }
    if (tag != 1)
        throw WavError("the audio is not PCM (format " + std::to_string(tag) + ")");
    Format f;
    f.channels = u16(c, 2);
    f.bits = u16(c, 14);
    f.blockAlign = u16(c, 12);
    const std::uint32_t rate = u32(c, 4);
    if (f.channels != 1 && f.channels != 2)
        throw WavError("unsupported channel count " + std::to_string(f.channels));
    if (f.bits != 8 && f.bits != 16)
        throw WavError("unsupported sample size of " + std::to_string(f.bits) + " bits");
    if (rate == 0 || rate > std::uint32_t(kMaxWavSampleRate))
        throw WavError("unsupported sample rate " + std::to_string(rate));
    f.sampleRate = int(rate);
    if (f.blockAlign != f.channels * f.bits / 8)
        throw WavError("the block size " + std::to_string(f.blockAlign) +
                       " does not fit the channels and sample size");
    return f;
}

}  // namespace

WavData parseWav(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kMaxWavBytes)
        throw WavError("the sound is larger than " + std::to_string(kMaxWavBytes >> 20) + " MiB");
    if (bytes.size() < 12 || !tagIs(bytes, 0, "RIFF") || !tagIs(bytes, 8, "WAVE"))
        throw WavError("not a RIFF WAVE file");
    // The RIFF size may be wrong in files cut short; chunks are read up to the real end.
    std::optional<Format> format;
    std::span<const std::uint8_t> data;
    bool haveData = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size() && !haveData) {
        const std::uint32_t size = u32(bytes, at + 4);
        const std::size_t body = at + 8;
        const std::size_t left = bytes.size() - body;
        if (tagIs(bytes, at, "data")) {
            if (!format)
                throw WavError("the data chunk comes before the format chunk");
            data = bytes.subspan(body, std::min<std::size_t>(size, left));
            haveData = true;
        } else {
            if (size > left)
                throw WavError("a chunk at byte " + std::to_string(at) + " claims " +
                               std::to_string(size) + " bytes but only " + std::to_string(left) +
                               " remain");
            if (tagIs(bytes, at, "fmt ")) {
                if (format)
                    throw WavError("more than one format chunk");
                format = readFormat(bytes.subspan(body, size));
            }
        }
        at = body + size + (size & 1);  // chunks are padded to even sizes
    }
    if (!format)
        throw WavError("no format chunk");
    if (!haveData)
        throw WavError("no data chunk");

    WavData out;
    out.sampleRate = format->sampleRate;
    const std::size_t frames = data.size() / std::size_t(format->blockAlign);
    out.samples.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        int sum = 0;
        for (int ch = 0; ch < format->channels; ++ch) {
            if (format->bits == 8) {
                sum += (int(data[i * format->blockAlign + ch]) - 128) << 8;
            } else {
                sum += qint16(u16(data, i * format->blockAlign + ch * 2));
            }
        }
        out.samples[i] = qint16(sum / format->channels);
    }
    out.durationMs = qint64(frames) * 1000 / out.sampleRate;
    return out;
}

std::vector<std::uint8_t> writeWav(const std::vector<qint16>& samples, int sampleRate) {
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    const auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            out.push_back(std::uint8_t(v >> (8 * i)));
    };
    const auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(t[i]));
    };
    tag("RIFF");
    put(36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(std::uint32_t(sampleRate), 4);
    put(std::uint32_t(sampleRate) * 2, 4);
    put(2, 2);
    put(16, 2);
    tag("data");
    put(dataBytes, 4);
    for (qint16 s : samples)
        put(std::uint16_t(s), 2);
    return out;
}

std::vector<MouthEvent> loudnessMouth(const WavData& wav, int stepMs) {
    std::vector<MouthEvent> out;
    if (wav.sampleRate <= 0 || wav.samples.empty())
        return out;
    stepMs = std::max(stepMs, 1);
    const std::size_t step =
        std::max<std::size_t>(1, std::size_t(qint64(wav.sampleRate) * stepMs / 1000));
    std::vector<double> levels;
    for (std::size_t i = 0; i < wav.samples.size(); i += step) {
        const std::size_t end = std::min(wav.samples.size(), i + step);
        double sum = 0;
        for (std::size_t k = i; k < end; ++k)
            sum += double(wav.samples[k]) * wav.samples[k];
        levels.push_back(std::sqrt(sum / double(end - i)));
    }
    const double loudest = *std::max_element(levels.begin(), levels.end());
    // Below this the stretch counts as silence whatever the rest of the sound is like.
    constexpr double kSilence = 300.0;
    int last = -1;
    for (std::size_t k = 0; k < levels.size(); ++k) {
        int shape = MouthClosed;
        const double level = levels[k];
        if (level >= kSilence && level >= loudest * 0.08) {
            const double share = level / loudest;
            shape = share > 0.75   ? MouthWide4
                    : share > 0.5  ? MouthWide3
                    : share > 0.25 ? MouthWide2
                                   : MouthWide1;
        }
        if (shape != last)
            out.push_back({qint64(k * step) * 1000 / wav.sampleRate, shape});
        last = shape;
    }
    if (last != MouthClosed)
        out.push_back({wav.durationMs, MouthClosed});
    return out;
}

}  // namespace vistrel::speech

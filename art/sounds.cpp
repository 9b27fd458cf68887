#include "art/sounds.h"

#include <algorithm>
#include <cmath>

namespace vistrel::art::sounds {

namespace {

constexpr double kPi = 3.14159265358979323846;

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}
void tag(std::vector<std::uint8_t>& out, const char* t) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(t[i]));
    }
}

std::size_t samplesFor(double seconds) {
    return static_cast<std::size_t>(seconds * kSampleRate);
}

std::vector<std::int16_t> toPcm(const std::vector<double>& signal, double level) {
    std::vector<std::int16_t> out;
    out.reserve(signal.size());
    for (double v : signal) {
        out.push_back(
            static_cast<std::int16_t>(std::lround(std::clamp(v * level, -1.0, 1.0) * 32767)));
    }
    return out;
}

// A bell-like note: a few inharmonic partials dying away.
void bell(std::vector<double>& s, double start, double freq, double decay) {
    const std::size_t from = samplesFor(start);
    for (std::size_t i = from; i < s.size(); ++i) {
        const double t = static_cast<double>(i - from) / kSampleRate;
        const double env = std::exp(-t * decay) * std::min(1.0, t * 400);
        s[i] += env * (std::sin(2 * kPi * freq * t) + 0.4 * std::sin(2 * kPi * freq * 2.76 * t) +
                       0.15 * std::sin(2 * kPi * freq * 5.4 * t));
    }
}

// A tone whose frequency glides from `f0` to `f1`, with a few odd harmonics for an
// electronic edge, shaped by a short attack and release.
std::vector<double> glide(double seconds, double f0, double f1, double harmonics) {
    std::vector<double> s(samplesFor(seconds));
    double phase = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / s.size();
        phase += 2 * kPi * (f0 + (f1 - f0) * t) / kSampleRate;
        const double env = std::min(1.0, t * 30) * std::min(1.0, (1 - t) * 12);
        s[i] = env * (std::sin(phase) + harmonics * std::sin(3 * phase) / 3 +
                      harmonics * std::sin(5 * phase) / 5);
    }
    return s;
}

}  // namespace

std::vector<std::uint8_t> wave(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    tag(out, "RIFF");
    put32(out, 36 + dataBytes);
    tag(out, "WAVE");
    tag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, kSampleRate);
    put32(out, kSampleRate * 2);
    put16(out, 2);
    put16(out, 16);
    tag(out, "data");
    put32(out, dataBytes);
    for (std::int16_t v : samples) {
        put16(out, static_cast<std::uint16_t>(v));
    }
    return out;
}

std::vector<std::uint8_t> chime() {
    std::vector<double> s(samplesFor(0.9));
    bell(s, 0.00, 1046.5, 7);
    bell(s, 0.09, 1318.5, 7);
    bell(s, 0.18, 1568.0, 6);
    bell(s, 0.27, 2093.0, 6);
    return wave(toPcm(s, 0.22));
}

std::vector<std::uint8_t> whoosh() {
    std::vector<double> s(samplesFor(0.55));
    std::uint32_t seed = 0x2545F491u;
    double low = 0, band = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = static_cast<double>(seed >> 8) / (1 << 24) * 2 - 1;
        const double t = static_cast<double>(i) / s.size();
        // A resonant filter sweeping upwards, then down again.
        const double f = 2 * std::sin(kPi * (300 + 2200 * std::sin(kPi * t)) / kSampleRate);
        low += f * band;
        band += f * (noise - low - 0.5 * band);
        s[i] = band * std::sin(kPi * t) * std::sin(kPi * t);
    }
    return wave(toPcm(s, 0.35));
}

std::vector<std::uint8_t> pop() {
    return wave(toPcm(glide(0.09, 500, 1500, 0.0), 0.4));
}

std::vector<std::uint8_t> chirp() {
    std::vector<double> s(samplesFor(0.45));
    bell(s, 0.0, 784.0, 9);
    bell(s, 0.12, 1174.7, 8);
    return wave(toPcm(s, 0.3));
}

std::vector<std::uint8_t> powerUp() {
    return wave(toPcm(glide(0.5, 180, 900, 0.6), 0.3));
}

std::vector<std::uint8_t> powerDown() {
    return wave(toPcm(glide(0.5, 900, 140, 0.6), 0.3));
}

std::vector<std::uint8_t> beeps() {
    std::vector<double> a = glide(0.08, 1200, 1200, 0.3);
    const std::vector<double> gap(samplesFor(0.05), 0.0);
    const std::vector<double> b = glide(0.1, 1600, 1750, 0.3);
    a.insert(a.end(), gap.begin(), gap.end());
    a.insert(a.end(), b.begin(), b.end());
    return wave(toPcm(a, 0.3));
}

}  // namespace vistrel::art::sounds

#include "render/mixer.h"

#include "log/log.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <limits>

namespace vistrel::render {

namespace {

// Sample rates a sound may declare; the readers already refuse more.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;

}  // namespace

// One stream or sound: its samples at the track's rate from `start` on, the ones already
// mixed dropped from the front.
struct AudioMixer::Sound {
    std::int64_t start = 0;  // track sample of samples[0]
    std::int64_t end = -1;   // stopped: no sample at or after this; -1 while it plays
    bool open = true;        // a stream that may still get samples
    std::vector<float> samples;
    SwrContext* swr = nullptr;  // from the sound's rate to the track's

    ~Sound() { swr_free(&swr); }

    bool prepare(int from, int to) {
        AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        if (swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_FLT, to, &mono, AV_SAMPLE_FMT_S16, from,
                                0, nullptr) < 0 ||
            swr_init(swr) < 0) {
            swr_free(&swr);
            return false;
        }
        return true;
    }

    // Converts `count` samples (none to drain the resampler) and appends them.
    void convert(const qint16* in, int count) {
        if (!swr)
            return;
        const int room = int(swr_get_out_samples(swr, count)) + 16;
        if (room <= 0)
            return;
        const std::size_t at = samples.size();
        samples.resize(at + std::size_t(room));
        auto* out = reinterpret_cast<std::uint8_t*>(samples.data() + at);
        const auto* src = reinterpret_cast<const std::uint8_t*>(in);
        const int made = swr_convert(swr, &out, room, in ? &src : nullptr, count);
        samples.resize(at + std::size_t(std::max(made, 0)));
    }
};

AudioMixer::AudioMixer(const engine::Clock& clock, int sampleRate)
    : clock_(clock), rate_(sampleRate) {}

AudioMixer::~AudioMixer() = default;

AudioMixer::Sound* AudioMixer::find(quint64 id) {
    auto it = sounds_.find(id);
    return it == sounds_.end() ? nullptr : it->second.get();
}

void AudioMixer::startStream(quint64 id, int sampleRate) {
    if (sampleRate < kMinRate || sampleRate > kMaxRate) {
        log::ignored(log::render(), QStringLiteral("sound stream %1").arg(id),
                     QStringLiteral("unusable sample rate %1").arg(sampleRate));
        return;
    }
    auto sound = std::make_unique<Sound>();
    sound->start = std::max(sampleAt(clock_.now()), mixed_);
    if (!sound->prepare(sampleRate, rate_)) {
        log::ignored(log::render(), QStringLiteral("sound stream %1").arg(id),
                     QStringLiteral("no resampler from %1 Hz").arg(sampleRate));
        return;
    }
    sounds_[id] = std::move(sound);
}

void AudioMixer::writeStream(quint64 id, std::span<const qint16> samples) {
    Sound* sound = find(id);
    if (!sound || !sound->open || samples.empty())
        return;
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t at = 0; at < samples.size(); at += kPiece) {
        const std::size_t n = std::min(kPiece, samples.size() - at);
        sound->convert(samples.data() + at, int(n));
    }
}

void AudioMixer::endStream(quint64 id) {
    Sound* sound = find(id);
    if (!sound || !sound->open)
        return;
    sound->convert(nullptr, 0);
    sound->open = false;
}

quint64 AudioMixer::play(const speech::WavData& sound) {
    const quint64 id = kPlayIdBit | ++lastPlayId_;
    startStream(id, sound.sampleRate);
    writeStream(id, sound.samples);
    endStream(id);
    return id;
}

void AudioMixer::stop(quint64 id) {
    Sound* sound = find(id);
    if (!sound)
        return;
    const std::int64_t now = std::max(sampleAt(clock_.now()), mixed_);
    sound->end = sound->end < 0 ? now : std::min(sound->end, now);
    sound->open = false;
}

std::vector<float> AudioMixer::mixUntil(std::int64_t end) {
    if (end <= mixed_)
        return {};
    std::vector<float> track(std::size_t(end - mixed_), 0.0f);
    for (auto it = sounds_.begin(); it != sounds_.end();) {
        Sound& sound = *it->second;
        const std::int64_t available = sound.start + std::int64_t(sound.samples.size());
        const std::int64_t stop =
            std::min(end, sound.end < 0 ? available : std::min(available, sound.end));
        const std::int64_t from = std::max(sound.start, mixed_);
        for (std::int64_t s = from; s < stop; ++s)
            track[std::size_t(s - mixed_)] += sound.samples[std::size_t(s - sound.start)];
        // Keep only what is not mixed yet.
        const std::int64_t used =
            std::clamp<std::int64_t>(end - sound.start, 0, std::int64_t(sound.samples.size()));
        sound.samples.erase(sound.samples.begin(), sound.samples.begin() + used);
        sound.start += used;
        const bool finished =
            !sound.open && (sound.samples.empty() || (sound.end >= 0 && sound.end <= end));
        it = finished ? sounds_.erase(it) : std::next(it);
    }
    for (float& s : track)
        s = std::clamp(s, -1.0f, 1.0f);
    mixed_ = end;
    return track;
}

}  // namespace vistrel::render

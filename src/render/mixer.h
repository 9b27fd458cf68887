#pragma once

// The sound output of a render: instead of a sound device, every stream and sound the engine
// starts is placed on one timeline at the engine-clock time it started, resampled to the
// track's rate, and mixed into the track as the render reaches each frame.

#include "engine/clock.h"
#include "engine/speech/audio.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace vistrel::render {

class AudioMixer final : public speech::AudioOutput {
  public:
    // Places sounds by `clock`'s time; the track has `sampleRate` mono samples a second.
    AudioMixer(const engine::Clock& clock, int sampleRate);
    ~AudioMixer() override;

    bool hasDevice() const override { return true; }
    void startStream(quint64 id, int sampleRate) override;
    void writeStream(quint64 id, std::span<const qint16> samples) override;
    void endStream(quint64 id) override;
    quint64 play(const speech::WavData& sound) override;
    void stop(quint64 id) override;

    int sampleRate() const { return rate_; }
    // The track's sample at engine time `ms`.
    std::int64_t sampleAt(std::int64_t ms) const { return ms * rate_ / 1000; }
    // The track from the last sample mixed up to (not including) `end`, in [-1, 1]. Sounds
    // started later can no longer reach back before `end`.
    std::vector<float> mixUntil(std::int64_t end);
    std::int64_t mixed() const { return mixed_; }

  private:
    struct Sound;
    Sound* find(quint64 id);

    const engine::Clock& clock_;
    int rate_;
    std::int64_t mixed_ = 0;
    std::map<quint64, std::unique_ptr<Sound>> sounds_;
    quint64 lastPlayId_ = 0;
};

}  // namespace vistrel::render

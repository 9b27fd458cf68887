#pragma once

// A sound output for tests: keeps everything it is given, plays nothing.

#include "engine/speech/audio.h"

#include <map>
#include <vector>

namespace vistrel::speech {

class FakeAudioOutput : public AudioOutput {
  public:
    struct Stream {
        int sampleRate = 0;
        std::vector<qint16> samples;
        bool ended = false;
        bool stopped = false;
    };

    bool hasDevice() const override { return true; }
    void startStream(quint64 id, int sampleRate) override {
        streams[id] = {sampleRate, {}, false, false};
    }
    void writeStream(quint64 id, std::span<const qint16> samples) override {
        if (auto it = streams.find(id); it != streams.end())
            it->second.samples.insert(it->second.samples.end(), samples.begin(), samples.end());
    }
    void endStream(quint64 id) override {
        if (auto it = streams.find(id); it != streams.end())
            it->second.ended = true;
    }
    quint64 play(const WavData& sound) override {
        const quint64 id = kPlayIdBit | ++lastId_;
        streams[id] = {sound.sampleRate, sound.samples, true, false};
        return id;
    }
    void stop(quint64 id) override {
        if (auto it = streams.find(id); it != streams.end())
            it->second.stopped = true;
    }

    std::map<quint64, Stream> streams;

  private:
    quint64 lastId_ = 0;
};

}  // namespace vistrel::speech

#pragma once

// A synthesizer for tests of the character engine: no audio engine, fully predictable.
// Every word takes msPerWord(), split evenly over its letters; each letter sets the mouth
// (mouthForLetter) and the mouth closes at the end of every word; pauses and bookmarks fall
// where the script puts them. Rate, pitch and style do not change the timing.
//
// Delivery is Immediate (chunks emitted from inside speak(), before it returns: for tests on
// a manual clock that must not spin an event loop) or Queued (emitted on the next turn of
// the event loop, as a real synthesizer would).

#include "engine/speech/synthesizer.h"

#include <vector>

namespace vistrel::speech {

class FakeSynthesizer : public Synthesizer {
    Q_OBJECT
  public:
    enum class Delivery { Immediate, Queued };

    struct Call {
        quint64 job = 0;
        SpeechScript script;
        VoiceParams voice;
    };

    explicit FakeSynthesizer(Delivery delivery = Delivery::Immediate, QObject* parent = nullptr);

    void speak(quint64 job, const SpeechScript& script, const VoiceParams& voice) override;
    void cancel(quint64 job) override;

    void setMsPerWord(int ms) { msPerWord_ = ms; }
    int msPerWord() const { return msPerWord_; }
    // With a sample rate above 0, chunks carry silent audio of the utterance's length.
    void setSampleRate(int rate) { sampleRate_ = rate; }
    // Splits the utterance into a chunk per word (plus the final one) instead of one chunk.
    void setChunkPerWord(bool on) { chunkPerWord_ = on; }

    const std::vector<Call>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    const std::vector<quint64>& cancelled() const { return cancelled_; }

    // The chunks speak() would send for this script, in order.
    std::vector<SpeechChunk> render(const SpeechScript& script) const;

  private:
    void emitAll(quint64 job, std::vector<SpeechChunk> chunks);

    Delivery delivery_;
    int msPerWord_ = 300;
    int sampleRate_ = 0;
    bool chunkPerWord_ = false;
    std::vector<Call> calls_;
    std::vector<quint64> cancelled_;
};

}  // namespace vistrel::speech

#pragma once

// One thing a character says or thinks, as it plays on the clock: the synthesizer's chunks
// streamed to the sound output as they come, or a sound file, or a silent estimate, or just
// a thought's time. It tells the character how much of the text to reveal, which mouth to
// draw, and when it is over.

#include "engine/clock.h"
#include "engine/speech/speechtrack.h"

#include <QString>

#include <functional>

namespace vistrel::speech {
class AudioOutput;
class Synthesizer;
struct SpeechScript;
struct VoiceParams;
struct WavData;
}  // namespace vistrel::speech

namespace vistrel::engine {

class Utterance {
  public:
    struct Hooks {
        std::function<void(int end)> reveal;   // shownText is spoken up to `end`
        std::function<void(int mouth)> mouth;  // the mouth changed shape
        std::function<void()> ended;           // on time; nothing plays any more
    };

    // `owner` names the character in the log. `synthesizer` and `audio` may be null.
    Utterance(QString owner, Clock& clock, speech::Synthesizer* synthesizer,
              speech::AudioOutput* audio, Hooks hooks);
    ~Utterance();
    Utterance(const Utterance&) = delete;
    Utterance& operator=(const Utterance&) = delete;

    // Speaks `script` as synthesizer job `job` (from Synthesizer::newJob()); without a
    // synthesizer, reads it silently (read()).
    void speak(quint64 job, const speech::SpeechScript& script, const speech::VoiceParams& voice);
    // No voice: reveals the words one by one at a reading pace of `msPerChar` per character
    // of the text, taking at least `minMs`, in silence. For thoughts and voiceless characters.
    void read(const speech::SpeechScript& script, int msPerChar, int minMs);
    // A sound file stands for the voice: the mouth follows its loudness.
    void playSound(const speech::WavData& sound);
    // A chunk of synthesizer job `job`; chunks of other jobs are not this utterance's.
    void chunk(quint64 job, const speech::SpeechChunk& chunk);
    // Stops synthesis and sound at once; `ended` does not run.
    void cancel();

    bool playing() const { return playing_; }

  private:
    void begin(int shownLength);
    void tick();
    void arm();
    void reset();

    QString owner_;
    Clock& clock_;
    speech::Synthesizer* synthesizer_;
    speech::AudioOutput* audio_;
    Hooks hooks_;
    ClockTimer timer_;

    bool playing_ = false;
    std::uint64_t run_ = 0;  // counts starts and stops: a hook may end what called it
    speech::SpeechTrack track_;
    std::int64_t start_ = -1;  // clock time of the track's 0; known with the first chunk
    int mouth_ = 0;
    quint64 job_ = 0;    // synthesizer job, while it runs
    quint64 sound_ = 0;  // sound output stream or sound, while it plays
};

}  // namespace vistrel::engine

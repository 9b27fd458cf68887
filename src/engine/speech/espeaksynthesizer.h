#pragma once

// Speech through espeak-ng. The engine library keeps global state and is not reentrant, so
// every EspeakSynthesizer in the process shares one worker thread that owns it and speaks
// one job at a time, in the order they were given. Audio is streamed back in chunks while
// it is being made, so a character starts talking long before the whole text is ready.

#include "engine/speech/synthesizer.h"

#include <QStringList>

namespace vistrel::speech {

namespace detail {
class EspeakEngine;
}

class EspeakSynthesizer : public Synthesizer {
    Q_OBJECT
  public:
    explicit EspeakSynthesizer(QObject* parent = nullptr);
    ~EspeakSynthesizer() override;

    // Queues the job and returns at once.
    void speak(quint64 job, const SpeechScript& script, const VoiceParams& voice) override;
    void cancel(quint64 job) override;

    // Whether espeak-ng and its voice data could be loaded. When not, every job still ends
    // with one final chunk timed by estimatedSpeech(). Waits for the worker to have started
    // espeak-ng (a few milliseconds, once per process).
    bool isAvailable() const;
    // The language names of the installed voices (such as "en-us"); waits like isAvailable().
    QStringList voiceNames() const;

  private:
    // The worker hands each chunk it made to deliver() on this object's thread.
    friend class detail::EspeakEngine;

    detail::EspeakEngine* engine_;
};

}  // namespace vistrel::speech

#pragma once

// A synthesizer that lets time wait for it. The engine starts an utterance's clock when its
// first chunk arrives, and reveals words as their chunks come in; on a clock that a renderer
// advances as fast as it can, those moments would depend on how fast the worker thread
// happens to be. This wrapper forwards every job to a real synthesizer and keeps count of the
// jobs whose final chunk has not come yet, so that the renderer can wait for them, with its
// clock standing still, before it lets any more time pass: every render of a script then sees
// the same chunks at the same engine times. Given a SpeechReplay, an utterance spoken before
// is answered from it instead of being made again, and one made here is kept in it.

#include "engine/speech/synthesizer.h"
#include "render/speechreplay.h"

#include <QHash>
#include <QSet>

#include <atomic>

namespace vistrel::render {

class LockstepSynthesizer final : public speech::Synthesizer {
    Q_OBJECT
  public:
    // `inner` must live on this thread and outlive this object; so must `replay`, when any.
    explicit LockstepSynthesizer(speech::Synthesizer& inner, SpeechReplay* replay = nullptr,
                                 QObject* parent = nullptr);

    void speak(quint64 job, const speech::SpeechScript& script,
               const speech::VoiceParams& voice) override;
    void cancel(quint64 job) override;

    // Jobs spoken and neither finished nor cancelled.
    bool busy() const { return !open_.isEmpty(); }
    // Runs the event loop until no job is open, or `timeoutMs` of real time have passed
    // (then the open jobs are cancelled and end with what they sent); false on a time-out.
    // Also returns false, leaving the jobs open, as soon as `stop` is set.
    bool settle(int timeoutMs, const std::atomic<bool>* stop = nullptr);

  private:
    // Passes a chunk on to the engine; false when its job was cancelled meanwhile.
    bool forward(quint64 job, const speech::SpeechChunk& chunk);
    // Sends the chunks of an utterance that was spoken before, from the event loop.
    void replay(quint64 job, std::shared_ptr<const SpeechReplay::Chunks> chunks);

    struct Recording {
        QByteArray key;
        SpeechReplay::Chunks chunks;
    };

    speech::Synthesizer& inner_;
    SpeechReplay* replay_;
    QSet<quint64> open_;
    QHash<quint64, Recording> recording_;  // jobs the inner synthesizer is making
};

}  // namespace vistrel::render

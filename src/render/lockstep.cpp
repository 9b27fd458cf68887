#include "render/lockstep.h"

#include "log/log.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>

namespace vistrel::render {

LockstepSynthesizer::LockstepSynthesizer(speech::Synthesizer& inner, SpeechReplay* replay,
                                         QObject* parent)
    : speech::Synthesizer(parent), inner_(inner), replay_(replay) {
    connect(&inner_, &speech::Synthesizer::chunk, this,
            [this](quint64 job, const speech::SpeechChunk& chunk) {
                if (!open_.contains(job))
                    return;  // cancelled meanwhile
                if (const auto it = recording_.find(job); it != recording_.end()) {
                    it->chunks.push_back(chunk);
                    if (chunk.final) {
                        replay_->keep(it->key, std::move(it->chunks));
                        recording_.erase(it);
                    }
                }
                forward(job, chunk);
            });
}

bool LockstepSynthesizer::forward(quint64 job, const speech::SpeechChunk& chunk) {
    if (!open_.contains(job))
        return false;  // cancelled meanwhile
    if (chunk.final)
        open_.remove(job);
    emit this->chunk(job, chunk);
    return true;
}

void LockstepSynthesizer::speak(quint64 job, const speech::SpeechScript& script,
                                const speech::VoiceParams& voice) {
    open_.insert(job);
    if (replay_) {
        QByteArray key = SpeechReplay::keyOf(script, voice);
        if (std::shared_ptr<const SpeechReplay::Chunks> chunks = replay_->find(key)) {
            replay(job, std::move(chunks));
            return;
        }
        recording_.insert(job, {std::move(key), {}});
    }
    inner_.speak(job, script, voice);
}

void LockstepSynthesizer::replay(quint64 job, std::shared_ptr<const SpeechReplay::Chunks> chunks) {
    // Queued, as the inner synthesizer's chunks are: the engine never hears of an utterance's
    // sound before speak() has returned.
    QMetaObject::invokeMethod(
        this,
        [this, job, chunks = std::move(chunks)] {
            for (const speech::SpeechChunk& chunk : *chunks)
                if (!forward(job, chunk))
                    return;
        },
        Qt::QueuedConnection);
}

void LockstepSynthesizer::cancel(quint64 job) {
    open_.remove(job);
    // A cut utterance is not the whole sound of its text.
    if (recording_.remove(job) == 0 && replay_)
        return;  // answered from the replay: nothing to stop
    inner_.cancel(job);
}

bool LockstepSynthesizer::settle(int timeoutMs, const std::atomic<bool>* stop) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!open_.isEmpty()) {
        if (stop && stop->load())
            return false;
        if (deadline.hasExpired()) {
            const QList<quint64> jobs = open_.values();
            for (quint64 job : jobs) {
                log::ignored(log::render(), QStringLiteral("speech job %1").arg(job),
                             QStringLiteral("the synthesizer sent nothing more for %1 ms; the "
                                            "speech is cut short")
                                 .arg(timeoutMs));
                cancel(job);
                // The utterance ends where the audio received so far ends.
                speech::SpeechChunk last;
                last.final = true;
                emit chunk(job, last);
            }
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

}  // namespace vistrel::render

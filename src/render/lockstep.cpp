#include "render/lockstep.h"

#include "log/log.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace vistrel::render {

LockstepSynthesizer::LockstepSynthesizer(speech::Synthesizer& inner, QObject* parent)
    : speech::Synthesizer(parent), inner_(inner) {
    connect(&inner_, &speech::Synthesizer::chunk, this,
            [this](quint64 job, const speech::SpeechChunk& chunk) {
                if (!open_.contains(job))
                    return;  // cancelled meanwhile
                if (chunk.final)
                    open_.remove(job);
                emit this->chunk(job, chunk);
            });
}

void LockstepSynthesizer::speak(quint64 job, const speech::SpeechScript& script,
                                const speech::VoiceParams& voice) {
    open_.insert(job);
    inner_.speak(job, script, voice);
}

void LockstepSynthesizer::cancel(quint64 job) {
    open_.remove(job);
    inner_.cancel(job);
}

bool LockstepSynthesizer::settle(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!open_.isEmpty()) {
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

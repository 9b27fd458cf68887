#include "engine/speech/synthesizer.h"

#include "engine/speech/mouth.h"
#include "log/log.h"

#include <algorithm>
#include <atomic>

namespace vistrel::speech {

quint64 Synthesizer::newJob() {
    static std::atomic<quint64> last{0};
    return ++last;
}

void Synthesizer::jobStarted(quint64 job) {
    running_.insert(job);
    qCDebug(log::speech) << "synthesis of job" << job << "started";
}

bool Synthesizer::jobCancelled(quint64 job) {
    if (!running_.remove(job))
        return false;
    qCDebug(log::speech) << "synthesis of job" << job << "cancelled";
    return true;
}

void Synthesizer::deliver(quint64 job, const SpeechChunk& chunk) {
    if (!running_.contains(job))
        return;
    if (chunk.final) {
        running_.remove(job);
        qCDebug(log::speech) << "synthesis of job" << job << "ended:" << chunk.totalMs << "ms";
    }
    emit this->chunk(job, chunk);
}

SpeechChunk estimatedSpeech(const SpeechScript& script, const VoiceParams& voice) {
    SpeechChunk out;
    out.final = true;
    qint64 t = 0;
    for (const SpeechSegment& seg : script.segments) {
        t += seg.pauseMs;
        for (int b : seg.bookmarks)
            out.events.push_back({SpeechEvent::Kind::Bookmark, t, 0, 0, 0, b});
        const int rate = std::clamp(seg.prosody.rateWpm > 0 ? seg.prosody.rateWpm : voice.rateWpm,
                                    kMinRateWpm, kMaxRateWpm);
        // An average word is about five letters and a space.
        const double msPerLetter = 60000.0 / rate / 6.0;
        for (const WordSpan& w : seg.words) {
            out.events.push_back({SpeechEvent::Kind::Word, t, w.shownStart, w.shownLength, 0, 0});
            const QStringView word = QStringView(seg.spoken).mid(w.spokenStart, w.spokenLength);
            int last = -1;
            for (int k = 0; k < int(word.size()); ++k) {
                const int shape = mouthForLetter(word[k]);
                if (shape != last)
                    out.events.push_back(
                        {SpeechEvent::Kind::Mouth, t + qint64(k * msPerLetter), 0, 0, shape, 0});
                last = shape;
            }
            t += qint64((word.size() + 1) * msPerLetter);
            out.events.push_back({SpeechEvent::Kind::Mouth, t, 0, 0, MouthClosed, 0});
        }
    }
    out.totalMs = t;
    return out;
}

}  // namespace vistrel::speech

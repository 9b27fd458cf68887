#include "engine/speech/testing/fakesynthesizer.h"

#include "engine/speech/mouth.h"

#include <QTimer>

namespace vistrel::speech {

FakeSynthesizer::FakeSynthesizer(Delivery delivery, QObject* parent)
    : Synthesizer(parent), delivery_(delivery) {}

std::vector<SpeechChunk> FakeSynthesizer::render(const SpeechScript& script) const {
    std::vector<SpeechChunk> chunks(1);
    qint64 t = 0;
    qint64 chunkStart = 0;
    const auto addAudioUpTo = [&](SpeechChunk& c, qint64 end) {
        if (sampleRate_ > 0)
            c.pcm.resize(std::size_t((end - chunkStart) * sampleRate_ / 1000), 0);
        c.sampleRate = sampleRate_;
        chunkStart = end;
    };
    for (const SpeechSegment& seg : script.segments) {
        t += seg.pauseMs;
        for (int b : seg.bookmarks)
            chunks.back().events.push_back({SpeechEvent::Kind::Bookmark, t, 0, 0, 0, b});
        for (const WordSpan& w : seg.words) {
            SpeechChunk& c = chunks.back();
            c.events.push_back({SpeechEvent::Kind::Word, t, w.shownStart, w.shownLength, 0, 0});
            const QStringView word = QStringView(seg.spoken).mid(w.spokenStart, w.spokenLength);
            for (int k = 0; k < int(word.size()); ++k)
                c.events.push_back({SpeechEvent::Kind::Mouth, t + k * msPerWord_ / word.size(), 0,
                                    0, mouthForLetter(word[k]), 0});
            t += msPerWord_;
            c.events.push_back({SpeechEvent::Kind::Mouth, t, 0, 0, MouthClosed, 0});
            if (chunkPerWord_) {
                addAudioUpTo(c, t);
                chunks.emplace_back();
            }
        }
    }
    addAudioUpTo(chunks.back(), t);
    chunks.back().final = true;
    chunks.back().totalMs = t;
    return chunks;
}

void FakeSynthesizer::speak(quint64 job, const SpeechScript& script, const VoiceParams& voice) {
    calls_.push_back({job, script, voice});
    jobStarted(job);
    std::vector<SpeechChunk> chunks = render(script);
    if (delivery_ == Delivery::Immediate)
        emitAll(job, std::move(chunks));
    else
        QTimer::singleShot(
            0, this, [this, job, c = std::move(chunks)]() mutable { emitAll(job, std::move(c)); });
}

void FakeSynthesizer::cancel(quint64 job) {
    cancelled_.push_back(job);
    jobCancelled(job);
}

void FakeSynthesizer::emitAll(quint64 job, std::vector<SpeechChunk> chunks) {
    // A receiver may cancel the job while handling one of its chunks.
    for (const SpeechChunk& c : chunks) {
        if (!jobRunning(job))
            return;
        deliver(job, c);
    }
}

}  // namespace vistrel::speech

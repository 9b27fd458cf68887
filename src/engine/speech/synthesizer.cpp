#include "engine/speech/synthesizer.h"

#include "engine/speech/mouth.h"

#include <algorithm>

namespace vistrel::speech {

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

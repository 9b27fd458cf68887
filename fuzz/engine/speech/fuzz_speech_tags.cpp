// Parses arbitrary text (as UTF-8) as a text to speak and checks that every range the
// result holds lies inside its text.

#include "engine/speech/speechtags.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vistrel::speech;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const SpeechScript s = parseSpeech(text);
    const int shown = int(s.shownText.size());
    int next = 0;
    for (const SpeechSegment& seg : s.segments) {
        if (seg.shownStart != next || seg.shownLength < 0 || seg.pauseMs < 0 ||
            seg.pauseMs > kMaxPauseMs)
            std::abort();
        next = seg.shownStart + seg.shownLength;
        for (const WordSpan& w : seg.words) {
            if (w.spokenStart < 0 || w.spokenStart + w.spokenLength > seg.spoken.size() ||
                w.shownStart < seg.shownStart || w.shownStart + w.shownLength > next)
                std::abort();
            const auto r = seg.shownRangeFor(w.spokenStart, w.spokenLength);
            if (!r || r->start < 0 || r->start + r->length > shown)
                std::abort();
        }
    }
    if (next != shown)
        std::abort();
    return 0;
}

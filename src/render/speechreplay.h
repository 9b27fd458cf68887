#pragma once

// The sound of every utterance a render has had made, given again to later renders that speak
// the same text in the same voice. espeak-ng carries state from one utterance into the next
// that its interface offers no way to reset, not even by initialising it again: the phase of
// its pitch flutter, an alternation between pitch periods, the echo of the last sound and the
// noise of breathy voices. The same sentence therefore comes out a few samples longer or
// shorter each time it is spoken, and the moments its words appear at move with it. Given the
// first render's sound again, a script renders the same every time in the process, and both
// passes of a GIF see the same speech.

#include "engine/speech/synthesizer.h"

#include <QByteArray>
#include <QHash>

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

namespace vistrel::render {

class SpeechReplay {
  public:
    using Chunks = std::vector<speech::SpeechChunk>;

    // Holds at most `capacityBytes` of sound; the utterances used longest ago go first.
    explicit SpeechReplay(std::int64_t capacityBytes);

    // The one every render in the process shares: room for well over an hour of speech.
    static SpeechReplay& shared();

    // What tells two utterances apart: the whole parsed text and the voice.
    static QByteArray keyOf(const speech::SpeechScript& script, const speech::VoiceParams& voice);

    // The chunks kept for `key`, in order; null when there are none.
    std::shared_ptr<const Chunks> find(const QByteArray& key);
    // Keeps the chunks of a whole utterance, the last one final. Safe from any thread.
    void keep(const QByteArray& key, Chunks chunks);

    std::int64_t bytes() const;
    int size() const;

  private:
    struct Entry {
        std::shared_ptr<const Chunks> chunks;
        std::int64_t bytes = 0;
        std::list<QByteArray>::iterator use;
    };

    mutable std::mutex m_;
    std::int64_t capacity_;
    std::int64_t bytes_ = 0;
    QHash<QByteArray, Entry> entries_;
    std::list<QByteArray> uses_;  // most recently used first
};

}  // namespace vistrel::render

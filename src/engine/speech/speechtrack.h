#pragma once

// One utterance as it plays: the chunks a synthesizer sent so far, asked "what now?" at any
// time on the engine's clock: how much of the balloon text to show, which mouth to draw,
// which bookmarks were passed, and whether the speech is over. A player takes its word and
// mouth events one by one as they fall due.

#include "engine/speech/synthesizer.h"

#include <vector>

namespace vistrel::speech {

class SpeechTrack {
  public:
    // `shownLength`: the length of the script's shownText, all of which shows once the
    // speech has ended.
    explicit SpeechTrack(int shownLength = 0) : shownLength_(shownLength) {}

    void add(const SpeechChunk& chunk);

    bool complete() const { return complete_; }
    // Known once complete.
    qint64 totalMs() const { return totalMs_; }
    // Audio received so far, in milliseconds: how far playback can go without waiting.
    qint64 audioMs() const;

    // Characters of shownText revealed at `ms`: up to the end of the last word started.
    int revealedAt(qint64 ms) const;
    // The mouth shape at `ms`; closed before the first and after the end.
    int mouthAt(qint64 ms) const;
    // Bookmarks reached in (fromMs, toMs], in order.
    std::vector<int> bookmarksIn(qint64 fromMs, qint64 toMs) const;
    // Playing the track in order: the word and mouth events due by `ms` that were not taken
    // yet, in time order. An event that arrives after its time comes with the next call.
    std::vector<SpeechEvent> takeDue(qint64 ms);
    // When takeDue next has something, or the speech ends; -1 when nothing more is known.
    qint64 nextDue() const;
    // Whether the speech has ended by `ms`.
    bool endedAt(qint64 ms) const { return complete_ && ms >= totalMs_; }

  private:
    int shownLength_;
    bool complete_ = false;
    qint64 totalMs_ = 0;
    qint64 samples_ = 0;
    int sampleRate_ = 0;
    std::vector<SpeechEvent> words_;
    std::vector<SpeechEvent> mouth_;
    std::vector<SpeechEvent> bookmarks_;
    std::vector<SpeechEvent> due_;  // words and mouths not taken yet
};

}  // namespace vistrel::speech

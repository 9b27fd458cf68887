#pragma once

// Speech output tags: the backslash commands a text to speak may carry, such as
// \Pau=500\ or \Chr="Whisper"\. parseSpeech() splits a text into what the balloon shows and
// what the voice says, in segments of equal prosody, keeping a word-by-word link between
// the two so that a word being spoken can be found in the balloon.

#include <QString>

#include <optional>
#include <vector>

namespace vistrel::speech {

enum class SpeechStyle { Normal, Monotone, Whisper };

inline constexpr int kMaxTagVolume = 65535;
inline constexpr int kMaxPauseMs = 30000;
inline constexpr int kMinTagRateWpm = 50;
inline constexpr int kMaxTagRateWpm = 500;
inline constexpr int kMinTagPitchHz = 40;
inline constexpr int kMaxTagPitchHz = 500;
// Longer texts are cut at this many UTF-16 units before parsing.
inline constexpr qsizetype kMaxSpeechTextLength = 65536;

struct Prosody {
    int rateWpm = 0;  // 0: the voice's own rate
    int pitchHz = 0;  // 0: the voice's own pitch
    int volume = kMaxTagVolume;
    SpeechStyle style = SpeechStyle::Normal;
    bool emphasis = false;
    bool operator==(const Prosody&) const = default;
};

// One spoken word and the part of the shown text it stands for. Offsets are UTF-16 indices:
// spoken ones into the segment's `spoken`, shown ones into SpeechScript::shownText.
struct WordSpan {
    int spokenStart = 0;
    int spokenLength = 0;
    int shownStart = 0;
    int shownLength = 0;
    bool operator==(const WordSpan&) const = default;
};

struct ShownRange {
    int start = 0;
    int length = 0;
    bool operator==(const ShownRange&) const = default;
};

struct SpeechSegment {
    QString spoken;
    int shownStart = 0;
    int shownLength = 0;
    int pauseMs = 0;             // silence before the text
    std::vector<int> bookmarks;  // \Mrk\ numbers reached before the text, in order
    Prosody prosody;
    std::vector<WordSpan> words;  // in spoken order

    // The shown text of the spoken range [spokenPos, spokenPos + spokenLength): from the word
    // holding its first character (or the next word, when that is a space) to the word
    // holding its last. Empty when the segment has no word there.
    std::optional<ShownRange> shownRangeFor(int spokenPos, int spokenLength) const;
};

struct SpeechScript {
    QString shownText;
    std::vector<SpeechSegment> segments;
};

// Never fails: malformed and unknown tags are left out of both texts, a backslash with no
// closing backslash is dropped on its own and the text after it kept.
SpeechScript parseSpeech(const QString& text);

}  // namespace vistrel::speech

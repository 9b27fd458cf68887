#pragma once

// Choosing an espeak-ng voice for a character: from its language identifier and the voice
// settings stored in its character file.

#include <QString>
#include <QtGlobal>

namespace vistrel::acs {
struct VoiceInfo;
}

namespace vistrel::speech {

inline constexpr int kDefaultRateWpm = 175;
inline constexpr int kMinRateWpm = 80;
inline constexpr int kMaxRateWpm = 450;
inline constexpr int kDefaultPitch = 50;
inline constexpr int kDefaultVolume = 100;

enum class VoiceGender { Neutral = 0, Female = 1, Male = 2 };

struct VoiceParams {
    QString voice = QStringLiteral("en-us");  // espeak-ng voice name, without variant
    int gender = int(VoiceGender::Neutral);   // 0 neutral, 1 female, 2 male
    int rateWpm = kDefaultRateWpm;            // kMinRateWpm..kMaxRateWpm
    int pitch = kDefaultPitch;                // 0..100, 50 the voice's normal pitch
    int volume = kDefaultVolume;              // 0..100
    bool operator==(const VoiceParams&) const = default;
};

// A Windows language identifier (LANGID) to an espeak-ng voice name: the exact identifier
// when known, else its primary language, else "en-us".
QString espeakVoiceForLanguage(quint16 langId);

// A pitch in Hz (as speech tags and character files give it) on espeak-ng's 0..100 scale,
// where 50 is the voice's normal pitch: one octave up or down spans the half scale.
int espeakPitchForHz(int hz, VoiceGender gender);

// The voice for a character. `langId` 0 means "not set": the file's voice language is used,
// then English. File speeds and pitches outside plausible ranges (such as the 0xFFFFFFFF the
// files use for "engine default") give the defaults.
VoiceParams voiceFor(quint16 langId, const vistrel::acs::VoiceInfo* fileVoice);

}  // namespace vistrel::speech

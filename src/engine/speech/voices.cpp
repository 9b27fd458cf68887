#include "engine/speech/voices.h"

#include "acs/model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace vistrel::speech {

namespace {

// Full identifiers whose voice differs from their primary language's.
constexpr std::array<std::pair<quint16, const char*>, 11> kExact{{
    {0x0409, "en-us"},
    {0x0809, "en-gb"},
    {0x1009, "en-us"},   // English (Canada)
    {0x0804, "cmn"},     // Chinese (PRC)
    {0x0404, "cmn"},     // Chinese (Taiwan)
    {0x0C04, "yue"},     // Chinese (Hong Kong)
    {0x080A, "es-419"},  // Spanish (Mexico)
    {0x0416, "pt-br"},
    {0x0816, "pt"},
    {0x080C, "fr-be"},
    {0x100C, "fr-ch"},
}};

// Primary language (the low ten bits) to voice.
constexpr std::array<std::pair<quint16, const char*>, 46> kPrimary{{
    {0x01, "ar"}, {0x02, "bg"}, {0x03, "ca"},    {0x04, "cmn"}, {0x05, "cs"}, {0x06, "da"},
    {0x07, "de"}, {0x08, "el"}, {0x09, "en-gb"}, {0x0A, "es"},  {0x0B, "fi"}, {0x0C, "fr-fr"},
    {0x0D, "he"}, {0x0E, "hu"}, {0x0F, "is"},    {0x10, "it"},  {0x11, "ja"}, {0x12, "ko"},
    {0x13, "nl"}, {0x14, "nb"}, {0x15, "pl"},    {0x16, "pt"},  {0x18, "ro"}, {0x19, "ru"},
    {0x1A, "hr"}, {0x1B, "sk"}, {0x1C, "sq"},    {0x1D, "sv"},  {0x1E, "th"}, {0x1F, "tr"},
    {0x20, "ur"}, {0x21, "id"}, {0x22, "uk"},    {0x23, "be"},  {0x24, "sl"}, {0x25, "et"},
    {0x26, "lv"}, {0x27, "lt"}, {0x29, "fa"},    {0x2A, "vi"},  {0x2D, "eu"}, {0x36, "af"},
    {0x39, "hi"}, {0x3E, "ms"}, {0x41, "sw"},    {0x45, "bn"},
}};

template <std::size_t N>
const char* find(const std::array<std::pair<quint16, const char*>, N>& table, quint16 key) {
    for (const auto& [id, voice] : table)
        if (id == key)
            return voice;
    return nullptr;
}

}  // namespace

QString espeakVoiceForLanguage(quint16 langId) {
    if (const char* v = find(kExact, langId))
        return QString::fromLatin1(v);
    if (const char* v = find(kPrimary, quint16(langId & 0x3FF)))
        return QString::fromLatin1(v);
    return QStringLiteral("en-us");
}

int espeakPitchForHz(int hz, VoiceGender gender) {
    const double reference = gender == VoiceGender::Female ? 210.0 : 120.0;
    const double octaves = std::log2(std::clamp(hz, 20, 2000) / reference);
    return std::clamp(int(std::lround(kDefaultPitch + 50.0 * octaves)), 0, 100);
}

VoiceParams voiceFor(quint16 langId, const vistrel::acs::VoiceInfo* fileVoice) {
    VoiceParams params;
    quint16 language = langId;
    if (fileVoice && fileVoice->extra) {
        if (language == 0)
            language = fileVoice->extra->language;
        if (fileVoice->extra->gender <= 2)
            params.gender = fileVoice->extra->gender;
    }
    params.voice = espeakVoiceForLanguage(language == 0 ? 0x0409 : language);
    if (fileVoice) {
        // Files store words per minute and Hz as far as is known; anything far outside
        // what a voice can do is taken as "use the default".
        if (fileVoice->speed >= 40 && fileVoice->speed <= 1000)
            params.rateWpm = std::clamp(int(fileVoice->speed), kMinRateWpm, kMaxRateWpm);
        if (fileVoice->pitch >= 20 && fileVoice->pitch <= 1000)
            params.pitch = espeakPitchForHz(fileVoice->pitch, VoiceGender(params.gender));
    }
    return params;
}

}  // namespace vistrel::speech

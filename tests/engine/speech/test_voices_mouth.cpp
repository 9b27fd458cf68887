// Voice choice from language and character file, and mouth shapes from phonemes.

#include "acs/model.h"
#include "engine/speech/mouth.h"
#include "engine/speech/voices.h"

#include <gtest/gtest.h>

#include <set>

using namespace vistrel::speech;

namespace {

TEST(Voices, LanguageIdentifiersFindTheirVoiceThenTheirLanguageThenEnglish) {
    EXPECT_EQ(espeakVoiceForLanguage(0x0409), "en-us");
    EXPECT_EQ(espeakVoiceForLanguage(0x0809), "en-gb");
    EXPECT_EQ(espeakVoiceForLanguage(0x0C09), "en-gb");  // Australia: by primary language
    EXPECT_EQ(espeakVoiceForLanguage(0x0416), "pt-br");
    EXPECT_EQ(espeakVoiceForLanguage(0x0816), "pt");
    EXPECT_EQ(espeakVoiceForLanguage(0x0C07), "de");  // Austria
    EXPECT_EQ(espeakVoiceForLanguage(0x0000), "en-us");
    EXPECT_EQ(espeakVoiceForLanguage(0x007F), "en-us");  // invariant language
}

TEST(Voices, TheMostUsedLanguagesAllHaveTheirOwnVoice) {
    // ar zh cs da de el en es fi fr he hu it ja ko nl nb pl pt ru sv tr id uk hi vi th ro
    const quint16 ids[] = {0x0401, 0x0804, 0x0405, 0x0406, 0x0407, 0x0408, 0x0409,
                           0x0C0A, 0x040B, 0x040C, 0x040D, 0x040E, 0x0410, 0x0411,
                           0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0419, 0x041D,
                           0x041F, 0x0421, 0x0422, 0x0439, 0x042A, 0x041E, 0x0418};
    std::set<QString> voices;
    for (quint16 id : ids)
        voices.insert(espeakVoiceForLanguage(id));
    EXPECT_EQ(voices.size(), std::size(ids));
}

TEST(Voices, FileVoiceGivesRatePitchGenderAndLanguage) {
    vistrel::acs::VoiceInfo file;
    file.speed = 157;
    file.pitch = 120;
    file.extra = vistrel::acs::VoiceExtra{};
    file.extra->language = 0x0407;
    file.extra->gender = 1;
    VoiceParams v = voiceFor(0, &file);
    EXPECT_EQ(v.voice, "de");
    EXPECT_EQ(v.gender, 1);
    EXPECT_EQ(v.rateWpm, 157);
    EXPECT_LT(v.pitch, kDefaultPitch);  // 120 Hz is low for a female voice
    // The character's language, once set, wins over the file's.
    EXPECT_EQ(voiceFor(0x040C, &file).voice, "fr-fr");

    // "Engine default" markers and values out of range give the defaults.
    file.speed = 0xFFFFFFFF;
    file.pitch = 0xFFFF;
    file.extra.reset();
    v = voiceFor(0, &file);
    EXPECT_EQ(v, VoiceParams{});
    file.speed = 60;  // plausible but slower than espeak-ng goes
    EXPECT_EQ(voiceFor(0, &file).rateWpm, kMinRateWpm);
    EXPECT_EQ(voiceFor(0x0419, nullptr).voice, "ru");
}

TEST(Voices, PitchInHertzIsAnOctaveEitherWayOfTheVoicesOwn) {
    EXPECT_EQ(espeakPitchForHz(120, VoiceGender::Male), 50);
    EXPECT_EQ(espeakPitchForHz(240, VoiceGender::Male), 100);
    EXPECT_EQ(espeakPitchForHz(60, VoiceGender::Male), 0);
    EXPECT_EQ(espeakPitchForHz(210, VoiceGender::Female), 50);
    EXPECT_EQ(espeakPitchForHz(5000, VoiceGender::Male), 100);
    EXPECT_LT(espeakPitchForHz(140, VoiceGender::Male), espeakPitchForHz(150, VoiceGender::Male));
}

}  // namespace

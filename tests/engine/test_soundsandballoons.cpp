// Characters as real authors make them: compressed frame sounds, balloon flags, no voice,
// and two services sharing one synthesizer and one sound output.

#include "engine/service.h"
#include "engine/speech/testing/fakeaudiooutput.h"
#include "engine/speech/testing/fakesynthesizer.h"
#include "engine/speech/wav.h"
#include "engine/speechballoon.h"
#include "engine/testing/soundcharacter.h"
#include "engine/testing/testcharacter.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vistrel::engine::testing {
namespace {

using agent::RequestStatus;

class SoundCharacterTest : public ::testing::Test {
  protected:
    SoundCharacterTest() {
        synth.setSampleRate(1000);
        ServiceOptions options;
        options.defaultCharacterFolder = folder.path();
        service = std::make_unique<Service>(clock, &synth, &audio, options);
    }

    agent::CharacterRef load(const SoundCharacterOptions& options,
                             const QString& id = QStringLiteral("Sounding")) {
        writeSoundCharacter(folder.path(), id, options);
        service->Characters().Load(id, folder.filePath(id + QStringLiteral(".acs")));
        return service->Characters().Item(id);
    }

    // A short PCM sound file for Speak.
    QString soundFile() const {
        const QString path = folder.filePath(QStringLiteral("voice.wav"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        const auto wav = speech::writeWav(std::vector<qint16>(2205, 9000), 22050);
        file.write(reinterpret_cast<const char*>(wav.data()), qint64(wav.size()));
        return path;
    }

    scene::BalloonView balloon(const QString& id = QStringLiteral("Sounding")) const {
        return service->scene().view(id).balloon;
    }

    QTemporaryDir folder;
    ManualClock clock;
    speech::FakeSynthesizer synth{speech::FakeSynthesizer::Delivery::Immediate};
    speech::FakeAudioOutput audio;
    std::unique_ptr<Service> service;
};

TEST_F(SoundCharacterTest, AdpcmAndMpegFrameSoundsPlayAndAnUndecodableOneIsSkipped) {
    auto c = load({});
    const agent::Request show = c->Show();
    clock.advance(0);
    clock.advance(0);
    ASSERT_EQ(audio.streams.size(), 1u);
    const auto& adpcm = audio.streams.begin()->second;
    EXPECT_EQ(adpcm.sampleRate, 22050);
    // 200 ms of tone, its last block padded.
    EXPECT_GE(adpcm.samples.size(), std::size_t(22050 * 0.2));
    EXPECT_LE(adpcm.samples.size(), std::size_t(22050 * 0.3));
    clock.advance(200);
    EXPECT_EQ(show.status(), RequestStatus::Complete);

    c->Hide();
    clock.advance(100);
    ASSERT_EQ(audio.streams.size(), 2u);
    const auto& mpeg = audio.streams.rbegin()->second;
    EXPECT_EQ(mpeg.sampleRate, 22050);
    EXPECT_GT(mpeg.samples.size(), std::size_t(22050 * 0.3));

    // A sound that does not decode plays nothing; the animation goes on.
    SoundCharacterOptions damaged;
    damaged.damagedShowSound = true;
    auto d = load(damaged, QStringLiteral("Damaged"));
    const agent::Request shown = d->Show();
    clock.advance(200);
    EXPECT_EQ(shown.status(), RequestStatus::Complete);
    EXPECT_EQ(audio.streams.size(), 2u);
}

TEST_F(SoundCharacterTest, AVoicelessCharacterReadsItsTextSilentlyButPlaysItsSoundFiles) {
    auto c = load({});
    c->Show(true);
    clock.advance(0);
    const std::size_t streams = audio.streams.size();
    const agent::Request r = c->Speak("Quietly reading these words");
    clock.advance(100);
    EXPECT_TRUE(synth.calls().empty());
    const scene::BalloonView early = balloon();
    EXPECT_TRUE(early.visible);
    EXPECT_LT(early.revealed, early.text.size());
    EXPECT_GT(early.revealed, 0);
    clock.advance(3000);
    EXPECT_EQ(r.status(), RequestStatus::Complete);
    EXPECT_EQ(audio.streams.size(), streams);  // no voice was heard

    const agent::Request sound = c->Speak("", soundFile());
    clock.advance(500);
    EXPECT_EQ(sound.status(), RequestStatus::Complete);
    EXPECT_EQ(audio.streams.size(), streams + 1);
}

TEST_F(SoundCharacterTest, BalloonFlagsOfTheFileSizeTheBalloonKeepItAndPaceIt) {
    SoundCharacterOptions options;
    options.voice = true;
    options.balloonFlags = kFileBalloonSizeToText | kFileBalloonNoAutoHide;
    auto c = load(options);
    c->Show(true);
    EXPECT_EQ(c->Balloon().Style(),
              agent::Balloon::kBalloonOn | kBalloonSizeToText | kBalloonAutoPace);
    const agent::Request r = c->Speak("Stay with me");
    clock.advance(100);
    EXPECT_TRUE(balloon().style.sizeToText);
    EXPECT_TRUE(balloon().style.autoPace);
    clock.advance(5000);
    EXPECT_EQ(r.status(), RequestStatus::Complete);
    // No auto-hide: the balloon stays, whole, until the next speech replaces it...
    clock.advance(60000);
    EXPECT_TRUE(balloon().visible);
    EXPECT_EQ(balloon().revealed, balloon().text.size());
    c->Speak("Next");
    clock.advance(100);
    EXPECT_EQ(balloon().text, "Next");
    clock.advance(5000);
    EXPECT_TRUE(balloon().visible);
    // ... or by a speech with no text of its own, such as a sound ...
    c->Speak("", soundFile());
    clock.advance(0);
    EXPECT_FALSE(balloon().visible);
    clock.advance(500);
    c->Think("Later");
    clock.advance(5000);
    EXPECT_EQ(balloon().text, "Later");
    c->Think("");
    clock.advance(0);
    EXPECT_FALSE(balloon().visible);
    // ... or the character hides.
    c->Think("Last");
    clock.advance(5000);
    EXPECT_TRUE(balloon().visible);
    c->Hide(true);
    clock.advance(0);
    EXPECT_FALSE(balloon().visible);

    // A script that clears only the on bit keeps the others.
    c->Balloon().setStyle(c->Balloon().Style() & ~agent::Balloon::kBalloonOn);
    EXPECT_EQ(c->Balloon().Style(), kBalloonSizeToText | kBalloonAutoPace);

    SoundCharacterOptions unpaced;
    unpaced.voice = true;
    unpaced.balloonFlags = kFileBalloonNoAutoPace;
    auto u = load(unpaced, QStringLiteral("Unpaced"));
    u->Show(true);
    u->Speak("All at once");
    clock.advance(100);
    EXPECT_FALSE(balloon(QStringLiteral("Unpaced")).style.autoPace);
    EXPECT_FALSE(balloon(QStringLiteral("Unpaced")).style.sizeToText);
    clock.advance(5000);
    EXPECT_FALSE(balloon(QStringLiteral("Unpaced")).visible);  // auto-hide is on
}

TEST_F(SoundCharacterTest, LongTextsAndLongThoughtsRevealToTheirEnd) {
    SoundCharacterOptions options;
    options.voice = true;
    auto c = load(options);
    c->Show(true);
    clock.advance(0);
    synth.setMsPerWord(10);
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("word%1 ").arg(i);
    const agent::Request speak = c->Speak(text);
    clock.advance(100 + 15005);  // halfway, and still in step with the voice
    EXPECT_EQ(balloon().text.left(balloon().revealed).section(u' ', -1), "word1500");
    clock.advance(14990);
    EXPECT_EQ(balloon().text.left(balloon().revealed).section(u' ', -1), "word2999");
    EXPECT_EQ(speak.status(), RequestStatus::InProgress);
    clock.advance(10);
    EXPECT_EQ(speak.status(), RequestStatus::Complete);

    // A thought of several pages starts on its first words.
    const QString thought = text.left(400);
    c->Think(thought);
    clock.advance(0);
    EXPECT_EQ(balloon().kind, scene::BalloonKind::Think);
    EXPECT_LT(balloon().revealed, 10);
    clock.advance(400 * 55);
    EXPECT_EQ(balloon().revealed, balloon().text.size());
}

// The program's two services (the script's characters and the assistant) share one
// synthesizer and one sound output: each character hears its own words.
TEST(SharedSynthesizer, TwoServicesSpeakingAtOnceEachKeepTheirOwnWords) {
    QTemporaryDir folder;
    SoundCharacterOptions voiced;
    voiced.voice = true;
    writeSoundCharacter(folder.path(), QStringLiteral("Script"), voiced);
    writeSoundCharacter(folder.path(), QStringLiteral("Helper"), voiced);
    ManualClock clock;
    speech::FakeSynthesizer synth{speech::FakeSynthesizer::Delivery::Queued};
    synth.setSampleRate(1000);
    speech::FakeAudioOutput audio;
    Service scriptService(clock, &synth, &audio);
    Service assistantService(clock, &synth, &audio);
    scriptService.Characters().Load(QStringLiteral("Script"), folder.filePath("Script.acs"));
    assistantService.Characters().Load(QStringLiteral("Helper"), folder.filePath("Helper.acs"));
    auto script = scriptService.Characters().Item(QStringLiteral("Script"));
    auto helper = assistantService.Characters().Item(QStringLiteral("Helper"));
    script->Show(true);
    helper->Show(true);
    clock.advance(0);
    audio.streams.clear();

    const agent::Request longer = script->Speak("one two three four");
    const agent::Request shorter = helper->Speak("five six");
    clock.advance(100);                 // the speaking animation
    QCoreApplication::processEvents();  // the synthesizer's chunks
    ASSERT_EQ(synth.calls().size(), 2u);
    EXPECT_NE(synth.calls()[0].job, synth.calls()[1].job);
    // Both voices are heard, each as long as its own words.
    ASSERT_EQ(audio.streams.size(), 2u);
    std::vector<std::size_t> lengths;
    for (const auto& [id, stream] : audio.streams)
        lengths.push_back(stream.samples.size());
    std::sort(lengths.begin(), lengths.end());
    EXPECT_EQ(lengths, (std::vector<std::size_t>{600, 1200}));

    clock.advance(700);
    const scene::BalloonView s = scriptService.scene().view(QStringLiteral("Script")).balloon;
    const scene::BalloonView h = assistantService.scene().view(QStringLiteral("Helper")).balloon;
    EXPECT_EQ(s.text.left(s.revealed), "one two three");
    EXPECT_EQ(h.text.left(h.revealed), "five six");
    EXPECT_EQ(shorter.status(), RequestStatus::Complete);
    EXPECT_EQ(longer.status(), RequestStatus::InProgress);
    clock.advance(700);
    EXPECT_EQ(longer.status(), RequestStatus::Complete);
}

}  // namespace
}  // namespace vistrel::engine::testing

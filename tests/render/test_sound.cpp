// The render's sound: placed by the engine's clock, and speech waited for in lockstep.

#include "engine/clock.h"
#include "engine/service.h"
#include "engine/speech/espeaksynthesizer.h"
#include "engine/speech/testing/fakesynthesizer.h"
#include "engine/testing/testcharacter.h"
#include "render/lockstep.h"
#include "render/mixer.h"
#include "render/speechreplay.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace vistrel::render::testing {
namespace {

std::int64_t firstSound(const std::vector<float>& track) {
    const auto it =
        std::find_if(track.begin(), track.end(), [](float s) { return std::abs(s) > 1e-4f; });
    return it == track.end() ? -1 : std::int64_t(it - track.begin());
}

TEST(AudioMixer, PlacesSoundsAtTheirClockTimeResampledAndCutWhenStopped) {
    engine::ManualClock clock;
    AudioMixer mixer(clock, 48000);
    clock.advance(250);
    // A stream at the track's own rate starts at exactly 250 ms.
    mixer.startStream(7, 48000);
    mixer.writeStream(7, std::vector<qint16>(4800, 16384));
    clock.advance(500);
    // A sound at 8 kHz played at 750 ms lasts as long at 48 kHz.
    speech::WavData wav;
    wav.sampleRate = 8000;
    wav.samples.assign(800, -8192);
    const quint64 played = mixer.play(wav);
    std::vector<float> track = mixer.mixUntil(mixer.sampleAt(800));
    EXPECT_EQ(firstSound(track), 12000);
    EXPECT_NEAR(track[12000 + 100], 0.5f, 1e-3f);
    EXPECT_EQ(track[12000 + 4800], 0.0f);  // the stream wrote 100 ms
    EXPECT_NEAR(track[36000 + 1000], -0.25f, 0.02f);
    // Stopped at 810 ms: nothing of it after that.
    clock.advance(60);
    mixer.stop(played);
    const std::vector<float> rest = mixer.mixUntil(mixer.sampleAt(1000));
    ASSERT_EQ(rest.size(), std::size_t(mixer.sampleAt(200)));
    EXPECT_NEAR(rest[100], -0.25f, 0.02f);
    EXPECT_EQ(firstSound(std::vector<float>(rest.begin() + 480, rest.end())), -1);
    // Overlapping sounds add up, clipped to full scale.
    mixer.startStream(8, 48000);
    mixer.writeStream(8, std::vector<qint16>(480, 30000));
    mixer.startStream(9, 48000);
    mixer.writeStream(9, std::vector<qint16>(480, 30000));
    mixer.endStream(8);
    mixer.endStream(9);
    track = mixer.mixUntil(mixer.sampleAt(1100));
    EXPECT_EQ(track[10], 1.0f);
    // Unknown ids and streams at unusable rates change nothing.
    mixer.stop(12345);
    mixer.startStream(10, 0);
    mixer.writeStream(10, std::vector<qint16>(480, 30000));
    clock.advance(200);
    EXPECT_EQ(firstSound(mixer.mixUntil(mixer.sampleAt(1300))), -1);
}

TEST(Lockstep, SpeechSoundsFromTheMomentItsBalloonOpensWhateverTheSynthesizersSpeed) {
    speech::EspeakSynthesizer espeak;
    if (!espeak.isAvailable())
        GTEST_SKIP() << "espeak-ng and its voices are not installed";
    QTemporaryDir folder;
    engine::testing::writeTestCharacter(folder.path(), QStringLiteral("Tester"));
    engine::ManualClock clock;
    LockstepSynthesizer lockstep(espeak);
    AudioMixer mixer(clock, 48000);
    engine::Service service(clock, &lockstep, &mixer);
    service.Characters().Load(QStringLiteral("Tester"),
                              folder.filePath(QStringLiteral("Tester.acs")));
    auto tester = service.Characters().Item(QStringLiteral("Tester"));
    std::int64_t opened = -1;
    std::vector<int> reveals;
    QObject::connect(&service.scene(), &scene::Scene::changed,
                     [&](const QString& id, unsigned what) {
                         const scene::BalloonView balloon = service.scene().view(id).balloon;
                         if (!(what & scene::ChangedBalloon) || !balloon.visible)
                             return;
                         if (opened < 0)
                             opened = clock.now();
                         reveals.push_back(balloon.revealed);
                     });
    tester->Show(true);
    tester->Play(QStringLiteral("Wave"));
    const agent::Request spoken = tester->Speak(QStringLiteral("One two three four five."));
    // Stepped as a render steps: the synthesizer is waited for before time moves on.
    for (int step = 0; step < 400 && spoken.status() != agent::RequestStatus::Complete; ++step) {
        for (;;) {
            ASSERT_TRUE(lockstep.settle(20000));
            const std::int64_t due = clock.nextDue();
            if (due < 0 || due > step * 33)
                break;
            clock.fireNext();
        }
        clock.advance(step * 33 - clock.now());
    }
    ASSERT_EQ(spoken.status(), agent::RequestStatus::Complete);
    ASSERT_GT(opened, 0);
    const std::vector<float> track = mixer.mixUntil(mixer.sampleAt(clock.now()));
    const std::int64_t voice = firstSound(track);
    EXPECT_GE(voice, mixer.sampleAt(opened));
    EXPECT_LT(voice, mixer.sampleAt(opened + 300));
    // Every word was revealed in order, while the voice lasted.
    ASSERT_GE(reveals.size(), 5u);
    EXPECT_TRUE(std::is_sorted(reveals.begin(), reveals.end()));
    EXPECT_EQ(reveals.back(), 24);
}

// What an utterance sent, reduced to what the engine acts on.
struct Heard {
    std::size_t chunks = 0;
    std::vector<qint16> pcm;
    std::vector<qint64> eventTimes;
    qint64 totalMs = -1;  // from the final chunk
    bool operator==(const Heard&) const = default;
};

TEST(Lockstep, AnUtteranceSpokenBeforeIsGivenAgainAsItWasFirstMade) {
    speech::FakeSynthesizer fake(speech::FakeSynthesizer::Delivery::Queued);
    fake.setSampleRate(8000);
    fake.setChunkPerWord(true);
    SpeechReplay replay(1 << 20);
    LockstepSynthesizer lockstep(fake, &replay);
    std::map<quint64, Heard> heard;
    QObject::connect(&lockstep, &speech::Synthesizer::chunk,
                     [&](quint64 job, const speech::SpeechChunk& chunk) {
                         Heard& h = heard[job];
                         ++h.chunks;
                         h.pcm.insert(h.pcm.end(), chunk.pcm.begin(), chunk.pcm.end());
                         for (const speech::SpeechEvent& e : chunk.events)
                             h.eventTimes.push_back(e.timeMs);
                         if (chunk.final)
                             h.totalMs = chunk.totalMs;
                     });
    auto say = [&](const QString& text, const speech::VoiceParams& voice) {
        const quint64 job = speech::Synthesizer::newJob();
        lockstep.speak(job, speech::parseSpeech(text), voice);
        EXPECT_TRUE(heard[job].chunks == 0) << "sent before speak() returned";
        EXPECT_TRUE(lockstep.settle(5000));
        return job;
    };
    const speech::VoiceParams voice;
    const quint64 first = say(QStringLiteral("One two three."), voice);
    ASSERT_EQ(heard[first].totalMs, 900);
    ASSERT_GT(heard[first].chunks, 2u);

    // Made again now, the same words would take another length; they are not made again.
    fake.setMsPerWord(100);
    const quint64 again = say(QStringLiteral("One two three."), voice);
    EXPECT_EQ(fake.calls().size(), 1u);
    EXPECT_EQ(heard[again], heard[first]);

    // Other words, or the same words in another voice, are other utterances.
    speech::VoiceParams higher = voice;
    higher.pitch += 20;
    EXPECT_EQ(heard[say(QStringLiteral("One two three."), higher)].totalMs, 300);
    EXPECT_EQ(heard[say(QStringLiteral("One two four."), voice)].totalMs, 300);
    EXPECT_EQ(fake.calls().size(), 3u);

    // An utterance cancelled before its end is not its whole sound: it is made again next time.
    const quint64 cut = speech::Synthesizer::newJob();
    lockstep.speak(cut, speech::parseSpeech(QStringLiteral("Cut short.")), voice);
    lockstep.cancel(cut);
    EXPECT_TRUE(lockstep.settle(5000));
    EXPECT_EQ(heard[cut].chunks, 0u);
    EXPECT_EQ(heard[say(QStringLiteral("Cut short."), voice)].totalMs, 200);
    EXPECT_EQ(fake.calls().size(), 5u);

    // A render being cancelled stops waiting at once, the utterance still open.
    const std::atomic<bool> stop{true};
    const quint64 waiting = speech::Synthesizer::newJob();
    lockstep.speak(waiting, speech::parseSpeech(QStringLiteral("Still to come.")), voice);
    EXPECT_FALSE(lockstep.settle(5000, &stop));
    EXPECT_TRUE(lockstep.busy());
    EXPECT_TRUE(lockstep.settle(5000));
    EXPECT_EQ(fake.calls().size(), 6u);

    // A replayed utterance cancelled before the event loop runs sends nothing.
    const quint64 dropped = speech::Synthesizer::newJob();
    lockstep.speak(dropped, speech::parseSpeech(QStringLiteral("One two three.")), voice);
    lockstep.cancel(dropped);
    EXPECT_TRUE(lockstep.settle(5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(heard[dropped].chunks, 0u);
    EXPECT_EQ(fake.calls().size(), 6u);
}

TEST(SpeechReplay, DropsTheUtterancesUsedLongestAgoWhenFull) {
    speech::SpeechChunk chunk;
    chunk.pcm.assign(1000, 1);
    chunk.final = true;
    const auto key = [](int n) { return QByteArray::number(n); };
    SpeechReplay replay(5000);
    replay.keep(key(1), {chunk});
    replay.keep(key(2), {chunk});
    ASSERT_NE(replay.find(key(1)), nullptr);  // 1 is now the more recent
    replay.keep(key(3), {chunk});
    EXPECT_NE(replay.find(key(1)), nullptr);
    EXPECT_EQ(replay.find(key(2)), nullptr);
    EXPECT_NE(replay.find(key(3)), nullptr);
    EXPECT_LE(replay.bytes(), 5000);
    // Larger than the whole replay: never kept, and nothing else goes for it.
    chunk.pcm.assign(3000, 1);
    replay.keep(key(4), {chunk});
    EXPECT_EQ(replay.find(key(4)), nullptr);
    EXPECT_EQ(replay.size(), 2);
}

}  // namespace
}  // namespace vistrel::render::testing

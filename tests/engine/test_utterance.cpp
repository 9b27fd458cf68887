// The utterance on its own, on a manual clock: what it reveals and which mouth it draws, and
// when, whether chunks come at once, late, or not at all.

#include "engine/utterance.h"

#include "engine/speech/mouth.h"
#include "engine/speech/speechtags.h"
#include "engine/speech/testing/fakeaudiooutput.h"
#include "engine/speech/testing/fakesynthesizer.h"
#include "engine/speech/voices.h"
#include "engine/speech/wav.h"

#include <gtest/gtest.h>

#include <vector>

namespace vistrel::engine {
namespace {

struct Seen {
    char what;  // 'r' reveal, 'm' mouth, 'e' end
    std::int64_t at;
    int value;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* os) {
    *os << s.what << s.value << "@" << s.at;
}

class UtteranceTest : public ::testing::Test {
  protected:
    UtteranceTest() {
        synth.setMsPerWord(100);
        synth.setSampleRate(1000);
        QObject::connect(&synth, &speech::Synthesizer::chunk,
                         [this](quint64 job, const speech::SpeechChunk& c) {
                             if (forward)
                                 utterance.chunk(job, c);
                             else
                                 held.push_back(c);
                         });
    }

    std::vector<Seen> of(char what) const {
        std::vector<Seen> out;
        for (const Seen& s : seen)
            if (s.what == what)
                out.push_back(s);
        return out;
    }

    ManualClock clock;
    speech::FakeSynthesizer synth;
    speech::FakeAudioOutput audio;
    std::vector<Seen> seen;
    bool forward = true;
    std::vector<speech::SpeechChunk> held;
    Utterance utterance{QStringLiteral("Tester"), clock, &synth, &audio,
                        Utterance::Hooks{[this](int end) {
                                             seen.push_back({'r', clock.now(), end});
                                         },
                                         [this](int mouth) {
                                             seen.push_back({'m', clock.now(), mouth});
                                         },
                                         [this] {
                                             seen.push_back({'e', clock.now(), 0});
                                         }}};
};

TEST_F(UtteranceTest, RevealsEachWordOnTimeStreamsTheAudioAndEndsOnce) {
    synth.setChunkPerWord(true);
    utterance.speak(7, speech::parseSpeech("Hi there you"), speech::VoiceParams{});
    clock.advance(1000);
    EXPECT_EQ(of('r'), (std::vector<Seen>{{'r', 0, 2}, {'r', 100, 8}, {'r', 200, 12}}));
    EXPECT_EQ(of('e'), (std::vector<Seen>{{'e', 300, 0}}));
    EXPECT_EQ(of('m').front(), (Seen{'m', 0, speech::mouthForLetter(u'H')}));
    EXPECT_FALSE(utterance.playing());
    ASSERT_EQ(audio.streams.count(7), 1u);
    EXPECT_EQ(audio.streams[7].samples.size(), 300u);
    EXPECT_TRUE(audio.streams[7].ended);
}

TEST_F(UtteranceTest, ChunksThatComeLateArePlayedInOrderAtOnce) {
    synth.setChunkPerWord(true);
    forward = false;
    utterance.speak(1, speech::parseSpeech("one two three"), speech::VoiceParams{});
    ASSERT_EQ(held.size(), 4u);
    utterance.chunk(1, held[0]);  // the clock starts with the first chunk
    clock.advance(250);
    EXPECT_EQ(of('r'), (std::vector<Seen>{{'r', 0, 3}}));
    utterance.chunk(1, held[1]);
    utterance.chunk(1, held[2]);
    clock.advance(0);
    // Both words were due: each is revealed, in order, now.
    EXPECT_EQ(of('r'), (std::vector<Seen>{{'r', 0, 3}, {'r', 250, 7}, {'r', 250, 13}}));
    clock.advance(1000);
    EXPECT_TRUE(of('e').empty());  // the end is not known before the final chunk
    utterance.chunk(1, held[3]);
    clock.advance(0);
    EXPECT_EQ(of('e'), (std::vector<Seen>{{'e', 1250, 0}}));
}

TEST_F(UtteranceTest, CancelStopsSynthesisAndSoundAndNothingMoreHappens) {
    synth.setChunkPerWord(true);
    utterance.speak(3, speech::parseSpeech("a long sentence here"), speech::VoiceParams{});
    clock.advance(150);
    utterance.cancel();
    const std::size_t before = seen.size();
    clock.advance(5000);
    EXPECT_EQ(seen.size(), before);
    EXPECT_EQ(synth.cancelled(), std::vector<quint64>{3});
    EXPECT_TRUE(audio.streams[3].stopped);
    // A chunk of the cancelled job that was already on its way changes nothing.
    utterance.chunk(3, synth.render(speech::parseSpeech("late")).front());
    clock.advance(1000);
    EXPECT_EQ(seen.size(), before);
}

TEST_F(UtteranceTest, AHookMayEndTheUtteranceItHears) {
    Utterance* self = nullptr;
    Utterance stopping(QStringLiteral("Tester"), clock, &synth, &audio,
                       Utterance::Hooks{[&](int) { self->cancel(); },
                                        [&](int) {
                                            seen.push_back({'m', clock.now(), 0});
                                        },
                                        [&] {
                                            seen.push_back({'e', clock.now(), 0});
                                        }});
    self = &stopping;
    const auto connection = QObject::connect(
        &synth, &speech::Synthesizer::chunk,
        [&](quint64 job, const speech::SpeechChunk& c) { stopping.chunk(job, c); });
    stopping.speak(4, speech::parseSpeech("stop me"), speech::VoiceParams{});
    EXPECT_TRUE(stopping.playing());
    clock.advance(1000);
    QObject::disconnect(connection);
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(stopping.playing());
}

TEST_F(UtteranceTest, ThoughtsSoundsAndSilenceKeepTheirOwnTime) {
    // A thought is read: each word shows when the reader reaches it, the whole takes at
    // least the minimum.
    utterance.read(speech::parseSpeech("Hmm well"), 55, 1500);
    clock.advance(1499);
    EXPECT_EQ(seen, (std::vector<Seen>{{'r', 0, 3}, {'r', 750, 8}}));
    clock.advance(1);
    EXPECT_EQ(seen.back(), (Seen{'e', 1500, 0}));

    // Half a second of silence, then half a second of loud sound: the mouth opens midway.
    std::vector<qint16> samples(1000);
    for (std::size_t i = 500; i < samples.size(); ++i)
        samples[i] = static_cast<qint16>(i % 2 ? 20000 : -20000);
    const std::vector<std::uint8_t> bytes = speech::writeWav(samples, 1000);
    seen.clear();
    utterance.playSound(speech::parseWav(bytes));
    clock.advance(2000);
    ASSERT_GE(of('m').size(), 2u);
    EXPECT_EQ(of('m').front().at, 2000);
    EXPECT_GT(of('m').front().value, speech::MouthClosed);
    EXPECT_EQ(of('m').back().value, speech::MouthClosed);
    EXPECT_EQ(of('e'), (std::vector<Seen>{{'e', 2500, 0}}));

    // Without a synthesizer the words are revealed over an estimate, in silence.
    seen.clear();
    Utterance silent(QStringLiteral("Tester"), clock, nullptr, nullptr,
                     Utterance::Hooks{[&](int end) {
                                          seen.push_back({'r', clock.now(), end});
                                      },
                                      [](int) {},
                                      [&] {
                                          seen.push_back({'e', clock.now(), 0});
                                      }});
    silent.speak(0, speech::parseSpeech("ab cd"), speech::VoiceParams{});
    clock.advance(1000);
    // Five letters take the shortest estimate, 500 ms; each word starts at its share of it.
    EXPECT_EQ(seen, (std::vector<Seen>{{'r', 3500, 2}, {'r', 3800, 5}, {'e', 4000, 0}}));
}

}  // namespace
}  // namespace vistrel::engine

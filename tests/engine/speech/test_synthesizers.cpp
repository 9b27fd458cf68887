// The synthesizers' contract: the predictable one the engine's tests use, the estimate used
// when no speech engine runs, and espeak-ng itself.

#include "engine/speech/espeaksynthesizer.h"
#include "engine/speech/mouth.h"
#include "engine/speech/speechtrack.h"
#include "engine/speech/testing/fakesynthesizer.h"
#include "engine/speech/voices.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <set>

using namespace vistrel::speech;
using Kind = SpeechEvent::Kind;

namespace {

struct Received {
    quint64 job;
    SpeechChunk chunk;
};

class Collector {
  public:
    explicit Collector(Synthesizer& synth) {
        QObject::connect(&synth, &Synthesizer::chunk, &context_,
                         [this](quint64 job, const SpeechChunk& c) {
                             got.push_back({job, c});
                         });
    }

    // Runs the event loop until `job` has its final chunk or `ms` have passed.
    bool waitFinal(quint64 job, int ms = 10000) {
        QElapsedTimer timer;
        timer.start();
        while (!hasFinal(job) && timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return hasFinal(job);
    }

    bool hasFinal(quint64 job) const {
        for (const auto& r : got)
            if (r.job == job && r.chunk.final)
                return true;
        return false;
    }

    std::vector<SpeechEvent> events(quint64 job, Kind kind) const {
        std::vector<SpeechEvent> out;
        for (const auto& r : got)
            if (r.job == job)
                for (const auto& e : r.chunk.events)
                    if (e.kind == kind)
                        out.push_back(e);
        return out;
    }

    std::vector<qint16> pcm(quint64 job) const {
        std::vector<qint16> out;
        for (const auto& r : got)
            if (r.job == job)
                out.insert(out.end(), r.chunk.pcm.begin(), r.chunk.pcm.end());
        return out;
    }

    std::vector<Received> got;

  private:
    QObject context_;
};

void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(FakeSynthesizer, ImmediateDeliveryTimesWordsPausesAndBookmarks) {
    FakeSynthesizer synth;
    synth.setMsPerWord(200);
    Collector c(synth);
    const auto script = parseSpeech("Hi Bob\\Pau=100\\\\Mrk=4\\ ok");
    synth.speak(7, script, VoiceParams{});
    // Everything is there before speak() returns.
    ASSERT_EQ(c.got.size(), 1u);
    const SpeechChunk& chunk = c.got[0].chunk;
    EXPECT_EQ(c.got[0].job, 7u);
    EXPECT_TRUE(chunk.final);
    EXPECT_EQ(chunk.totalMs, 700);
    EXPECT_TRUE(chunk.pcm.empty());

    const auto words = c.events(7, Kind::Word);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[0].timeMs, 0);
    EXPECT_EQ(words[1].timeMs, 200);
    EXPECT_EQ(words[2].timeMs, 500);
    EXPECT_EQ(script.shownText.mid(words[1].shownStart, words[1].shownLength), "Bob");
    const auto marks = c.events(7, Kind::Bookmark);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].timeMs, 500);
    EXPECT_EQ(marks[0].bookmark, 4);

    // "Bob" (after the closed lips of its "B" at 200 ms): medium, closed, closed at the end.
    std::vector<std::pair<qint64, int>> bob;
    for (const auto& e : c.events(7, Kind::Mouth))
        if (e.timeMs > 200 && e.timeMs <= 400)
            bob.push_back({e.timeMs, e.mouth});
    EXPECT_EQ(bob, (std::vector<std::pair<qint64, int>>{
                       {266, MouthMedium}, {333, MouthClosed}, {400, MouthClosed}}));
}

TEST(FakeSynthesizer, QueuedDeliveryWaitsForTheEventLoopAndHonoursCancel) {
    FakeSynthesizer synth(FakeSynthesizer::Delivery::Queued);
    synth.setSampleRate(8000);
    synth.setChunkPerWord(true);
    Collector c(synth);
    synth.speak(1, parseSpeech("one two three"), VoiceParams{});
    synth.speak(2, parseSpeech("four"), VoiceParams{});
    EXPECT_TRUE(c.got.empty());
    synth.cancel(2);
    ASSERT_TRUE(c.waitFinal(1, 1000));
    spin(20);
    EXPECT_FALSE(c.hasFinal(2));
    EXPECT_EQ(synth.cancelled(), std::vector<quint64>{2});
    // A chunk per word and a final one; silent audio as long as the utterance.
    EXPECT_EQ(c.got.size(), 4u);
    EXPECT_EQ(c.pcm(1).size(), std::size_t(900 * 8));
    EXPECT_EQ(synth.calls().size(), 2u);
    EXPECT_EQ(synth.calls()[0].script.shownText, "one two three");
}

TEST(FakeSynthesizer, CancellingFromAChunkHandlerStopsTheRest) {
    FakeSynthesizer synth;
    synth.setChunkPerWord(true);
    int seen = 0;
    QObject::connect(&synth, &Synthesizer::chunk, [&](quint64 job, const SpeechChunk&) {
        ++seen;
        synth.cancel(job);
    });
    synth.speak(3, parseSpeech("a b c d"), VoiceParams{});
    EXPECT_EQ(seen, 1);
}

TEST(SpeechTrack, AnswersWhatToShowAndDrawAtAnyTime) {
    FakeSynthesizer synth;
    synth.setMsPerWord(100);
    synth.setSampleRate(1000);
    synth.setChunkPerWord(true);
    const auto script = parseSpeech("Go \\Mrk=1\\now, \\Map=\"ok\"=\"OK!!\"\\\\Pau=50\\\\Mrk=2\\");
    SpeechTrack track(int(script.shownText.size()));
    std::vector<SpeechChunk> chunks;
    QObject::connect(&synth, &Synthesizer::chunk,
                     [&](quint64, const SpeechChunk& c) { chunks.push_back(c); });
    synth.speak(1, script, VoiceParams{});
    ASSERT_EQ(chunks.size(), 4u);
    // Chunks arrive one by one; the track knows only what came.
    track.add(chunks[0]);
    EXPECT_EQ(track.audioMs(), 100);
    EXPECT_FALSE(track.complete());
    EXPECT_EQ(track.revealedAt(0), 2);    // "Go"
    EXPECT_EQ(track.revealedAt(150), 2);  // the next word is not known yet
    for (std::size_t i = 1; i < chunks.size(); ++i)
        track.add(chunks[i]);
    EXPECT_EQ(script.shownText, "Go now, OK!!");
    EXPECT_EQ(track.revealedAt(99), 2);
    EXPECT_EQ(track.revealedAt(100), 7);  // "Go now,"
    EXPECT_EQ(track.revealedAt(200), 12);
    EXPECT_EQ(track.mouthAt(0), MouthWide1);    // "G"
    EXPECT_EQ(track.mouthAt(60), MouthMedium);  // "o"
    EXPECT_EQ(track.mouthAt(100), MouthWide1);  // "n" at 100 comes after "Go" closed
    EXPECT_EQ(track.bookmarksIn(-1, 100), std::vector<int>{1});
    EXPECT_TRUE(track.bookmarksIn(100, 349).empty());
    EXPECT_EQ(track.bookmarksIn(100, 350), std::vector<int>{2});
    EXPECT_EQ(track.totalMs(), 350);
    EXPECT_FALSE(track.endedAt(349));
    EXPECT_TRUE(track.endedAt(350));
    EXPECT_EQ(track.mouthAt(400), MouthClosed);
}

TEST(SpeechTrack, HandsOutEachWordAndMouthOnceInTimeOrderEvenWhenTheyComeLate) {
    FakeSynthesizer synth;
    synth.setMsPerWord(100);
    synth.setChunkPerWord(true);
    const std::vector<SpeechChunk> chunks = synth.render(parseSpeech("ab cd"));
    ASSERT_EQ(chunks.size(), 3u);
    SpeechTrack track(5);
    EXPECT_EQ(track.nextDue(), -1);
    track.add(chunks[0]);
    EXPECT_EQ(track.nextDue(), 0);
    const std::vector<SpeechEvent> first = track.takeDue(60);
    ASSERT_EQ(first.size(), 3u);  // the word, "a", "b"
    EXPECT_EQ(first[0].kind, SpeechEvent::Kind::Word);
    EXPECT_EQ(first[2].mouth, MouthClosed);
    EXPECT_TRUE(track.takeDue(60).empty());
    EXPECT_EQ(track.nextDue(), 100);  // "ab" closes
    track.takeDue(150);
    EXPECT_EQ(track.nextDue(), -1);  // nothing more known yet
    // The next word arrives after its time: it is due at once, then the end.
    track.add(chunks[1]);
    track.add(chunks[2]);
    EXPECT_EQ(track.nextDue(), 100);
    const std::vector<SpeechEvent> late = track.takeDue(150);
    ASSERT_FALSE(late.empty());
    EXPECT_EQ(late.front().shownStart, 3);
    EXPECT_TRUE(std::is_sorted(late.begin(), late.end(),
                               [](const auto& a, const auto& b) { return a.timeMs < b.timeMs; }));
    track.takeDue(200);
    EXPECT_EQ(track.nextDue(), 200);  // the end
    EXPECT_TRUE(track.endedAt(200));
}

TEST(EstimatedSpeech, FollowsTheRateThePausesAndEveryWord) {
    const auto script = parseSpeech("one two three four five six\\Pau=500\\\\Mrk=2\\");
    VoiceParams slow;
    slow.rateWpm = 100;
    VoiceParams fast;
    fast.rateWpm = 300;
    const SpeechChunk s = estimatedSpeech(script, slow);
    const SpeechChunk f = estimatedSpeech(script, fast);
    EXPECT_TRUE(s.final);
    EXPECT_TRUE(s.pcm.empty());
    // Six short words at 100 per minute: about 3.6 s, with the pause on top.
    EXPECT_GT(s.totalMs, 2500);
    EXPECT_LT(s.totalMs, 5000);
    EXPECT_NEAR(double(f.totalMs - 500) * 3, double(s.totalMs - 500), 30);
    int words = 0;
    qint64 last = -1;
    for (const auto& e : s.events) {
        EXPECT_GE(e.timeMs, last);
        last = e.timeMs;
        words += e.kind == Kind::Word;
    }
    EXPECT_EQ(words, 6);
    EXPECT_EQ(s.events.back().kind, Kind::Bookmark);
    EXPECT_EQ(s.events.back().timeMs, s.totalMs);
}

// --- espeak-ng itself -------------------------------------------------------------------

class Espeak : public testing::Test {
  protected:
    void SetUp() override {
        if (!synth.isAvailable())
            GTEST_SKIP() << "espeak-ng or its voice data is not installed";
    }
    EspeakSynthesizer synth;
};

// Share of sign changes between neighbouring samples: high for noise such as a whisper.
double zeroCrossings(const std::vector<qint16>& pcm) {
    std::size_t n = 0;
    for (std::size_t i = 1; i < pcm.size(); ++i)
        n += (pcm[i - 1] < 0) != (pcm[i] < 0);
    return pcm.size() > 1 ? double(n) / double(pcm.size() - 1) : 0;
}

TEST_F(Espeak, SpeaksASentenceWithWordsMouthAndExactLength) {
    Collector c(synth);
    const auto script = parseSpeech("The quick brown fox jumps over the lazy dog.");
    synth.speak(1, script, VoiceParams{});
    ASSERT_TRUE(c.waitFinal(1));
    EXPECT_GT(c.got.size(), 1u) << "audio should stream in several chunks";

    const auto pcm = c.pcm(1);
    ASSERT_FALSE(pcm.empty());
    const int rate = c.got.front().chunk.sampleRate;
    EXPECT_EQ(rate, 22050);
    const SpeechChunk& last = c.got.back().chunk;
    EXPECT_TRUE(last.final);
    EXPECT_NEAR(double(last.totalMs), pcm.size() * 1000.0 / rate, 1.0);
    EXPECT_GT(last.totalMs, 1500);
    EXPECT_LT(last.totalMs, 6000);

    const auto words = c.events(1, Kind::Word);
    QStringList shown;
    qint64 t = -1;
    for (const auto& w : words) {
        EXPECT_GE(w.timeMs, t);
        EXPECT_LE(w.timeMs, last.totalMs);
        t = w.timeMs;
        shown << script.shownText.mid(w.shownStart, w.shownLength);
    }
    EXPECT_EQ(shown.join(' '), "The quick brown fox jumps over the lazy dog.");

    const auto mouth = c.events(1, Kind::Mouth);
    std::set<int> shapes;
    for (const auto& m : mouth)
        shapes.insert(m.mouth);
    EXPECT_GE(shapes.size(), 4u) << "the mouth should take several shapes";
    EXPECT_EQ(mouth.back().mouth, MouthClosed);
}

TEST_F(Espeak, WhisperPausesBookmarksAndMappedWordsAreHonoured) {
    Collector c(synth);
    synth.speak(1, parseSpeech("Listen to me carefully."), VoiceParams{});
    synth.speak(2, parseSpeech("\\Chr=\"Whisper\"\\Listen to me carefully."), VoiceParams{});
    const auto paused = parseSpeech("Wait\\Pau=800\\\\Mrk=5\\ \\Map=\"Doctor\"=\"Dr.\"\\ Who");
    synth.speak(3, paused, VoiceParams{});
    ASSERT_TRUE(c.waitFinal(3));
    ASSERT_TRUE(c.hasFinal(1) && c.hasFinal(2));
    const auto normal = c.pcm(1);
    const auto whisper = c.pcm(2);
    EXPECT_GT(zeroCrossings(whisper), zeroCrossings(normal) * 1.3)
        << "a whisper is breath noise, not a voiced tone";

    const auto marks = c.events(3, Kind::Bookmark);
    ASSERT_EQ(marks.size(), 1u);
    const auto words = c.events(3, Kind::Word);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_GE(words[1].timeMs - marks[0].timeMs, 0);
    EXPECT_GE(marks[0].timeMs - words[0].timeMs, 800);
    EXPECT_EQ(paused.shownText.mid(words[1].shownStart, words[1].shownLength), "Dr.");
}

TEST_F(Espeak, CancelledJobsSendNothingMoreAndLaterJobsStillRun) {
    Collector c(synth);
    synth.speak(
        1, parseSpeech(QString("This is a long text that will not be finished. ").repeated(100)),
        VoiceParams{});
    synth.speak(2, parseSpeech("Nor this one."), VoiceParams{});
    synth.speak(3, parseSpeech("But this one."), VoiceParams{});
    synth.cancel(2);
    QElapsedTimer timer;
    timer.start();
    while (c.got.empty() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_FALSE(c.got.empty());
    synth.cancel(1);
    const std::size_t before = c.got.size();
    ASSERT_TRUE(c.waitFinal(3));
    for (std::size_t i = before; i < c.got.size(); ++i)
        EXPECT_EQ(c.got[i].job, 3u);
    EXPECT_FALSE(c.hasFinal(1));
    EXPECT_FALSE(c.hasFinal(2));
}

TEST_F(Espeak, TwoSynthesizersShareTheEngineAndEveryMappedVoiceExists) {
    EspeakSynthesizer other;
    Collector a(synth);
    Collector b(other);
    synth.speak(1, parseSpeech("First."), VoiceParams{});
    other.speak(1, parseSpeech("Second."), voiceFor(0x0407, nullptr));
    ASSERT_TRUE(a.waitFinal(1));
    ASSERT_TRUE(b.waitFinal(1));
    EXPECT_EQ(a.events(1, Kind::Word).size(), 1u);
    EXPECT_EQ(b.events(1, Kind::Word).size(), 1u);

    const QStringList installed = synth.voiceNames();
    std::set<QString> mapped;
    for (quint16 id = 1; id < 0x0400; ++id)
        for (quint16 sub : {0x0400, 0x0800, 0x0C00, 0x1000})
            mapped.insert(espeakVoiceForLanguage(quint16(sub | id)));
    for (const QString& voice : mapped)
        EXPECT_TRUE(installed.contains(voice)) << voice.toStdString();
}

}  // namespace

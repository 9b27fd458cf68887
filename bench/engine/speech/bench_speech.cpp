// Speech: how soon the first audio of a sentence is ready, how fast synthesis runs against
// real time, and the cost of parsing speech tags and of loudness lip-sync.

#include "engine/speech/espeaksynthesizer.h"
#include "engine/speech/speechtags.h"
#include "engine/speech/wav.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <cmath>

namespace {

using namespace vistrel::speech;

// Runs the event loop until `done` or five seconds have passed.
template <typename Pred>
bool spinUntil(Pred done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return done();
}

// From speak() to the first chunk holding audio, for a short sentence.
void BM_SpeakToFirstAudio(benchmark::State& state) {
    EspeakSynthesizer synth;
    if (!synth.isAvailable()) {
        state.SkipWithError("espeak-ng is not available");
        return;
    }
    const SpeechScript script = parseSpeech("Hello, I am Merlin. Welcome to the show!");
    quint64 job = 0;
    bool gotAudio = false;
    bool finished = false;
    QObject::connect(&synth, &Synthesizer::chunk, [&](quint64 j, const SpeechChunk& c) {
        if (j != job)
            return;
        gotAudio = gotAudio || !c.pcm.empty();
        finished = finished || c.final;
    });
    for (auto _ : state) {
        ++job;
        gotAudio = finished = false;
        const auto start = std::chrono::steady_clock::now();
        synth.speak(job, script, VoiceParams{});
        if (!spinUntil([&] { return gotAudio; })) {
            state.SkipWithError("no audio arrived");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        spinUntil([&] { return finished; });
    }
}
BENCHMARK(BM_SpeakToFirstAudio)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

// A whole paragraph: time to synthesise one second of speech.
void BM_SynthesisPerSecondOfSpeech(benchmark::State& state) {
    EspeakSynthesizer synth;
    if (!synth.isAvailable()) {
        state.SkipWithError("espeak-ng is not available");
        return;
    }
    const SpeechScript script = parseSpeech(
        "Characters speak their lines in balloons while their mouths follow the words. "
        "Each line is made into sound on a worker thread and played as it arrives.");
    quint64 job = 0;
    qint64 totalMs = 0;
    QObject::connect(&synth, &Synthesizer::chunk, [&](quint64 j, const SpeechChunk& c) {
        if (j == job && c.final)
            totalMs = c.totalMs;
    });
    double audioSeconds = 0;
    for (auto _ : state) {
        ++job;
        totalMs = 0;
        synth.speak(job, script, VoiceParams{});
        spinUntil([&] { return totalMs > 0; });
        audioSeconds += totalMs / 1000.0;
    }
    state.counters["speech_s_per_s"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SynthesisPerSecondOfSpeech)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseSpeechTags(benchmark::State& state) {
    QString text;
    for (int i = 0; i < 20; ++i)
        text +=
            "Hello \\Chr=\"Whisper\"\\there, \\Pau=200\\my friend \\Map=\"Doctor\"=\"Dr.\"\\ "
            "Who\\Rst\\ is \\Emp\\here. ";
    for (auto _ : state)
        benchmark::DoNotOptimize(parseSpeech(text));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_ParseSpeechTags);

void BM_LoudnessMouth(benchmark::State& state) {
    WavData wav;
    wav.sampleRate = 22050;
    for (int i = 0; i < 22050 * 10; ++i)
        wav.samples.push_back(qint16(10000 * std::sin(i * 0.05) * std::sin(i * 0.0003)));
    wav.durationMs = 10000;
    for (auto _ : state)
        benchmark::DoNotOptimize(loudnessMouth(wav, 40));
}
BENCHMARK(BM_LoudnessMouth)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

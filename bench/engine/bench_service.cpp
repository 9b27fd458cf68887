// What the character engine costs: CPU while characters idle on real time, the delay from
// Speak to the first audio sample, the memory a loaded character holds, decoding every sound
// of the real characters and a sound of every codec, and the delay from Show to the first
// sample of the show sound.

#include "acs/character.h"
#include "engine/service.h"
#include "engine/speech/espeaksynthesizer.h"
#include "engine/speech/testing/encodedsound.h"
#include "engine/speech/testing/fakeaudiooutput.h"
#include "engine/speech/wav.h"
#include "engine/testing/soundcharacter.h"
#include "engine/testing/testcharacter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>

namespace as = vistrel::engine;
namespace speech = vistrel::speech;

namespace {

// A character with real idle animations when the third-party samples are present, else the
// project's tiny test character.
QString characterFile(const QTemporaryDir& folder) {
    for (const char* name : {"Joe.acs", "ViktorNeo8.acs", "otacon.acs"}) {
        const QString path = QStringLiteral(VISTREL_REALCHARS_DIR "/") + QLatin1String(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return as::testing::writeTestCharacter(folder.path(), QStringLiteral("Tester"));
}

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Three characters shown on real time, resting and then idling, for 15 s: the share of one
// core the process used.
void BM_ThreeCharactersIdling(benchmark::State& state) {
    QTemporaryDir folder;
    const QString file = characterFile(folder);
    for (auto _ : state) {
        as::RealClock clock;
        as::Service service(clock, nullptr, nullptr);
        for (const char* id : {"One", "Two", "Three"}) {
            service.Characters().Load(QLatin1String(id), file);
            service.Characters().Item(QLatin1String(id))->Show();
        }
        runEventLoop(1000);  // shown and settled
        const double cpu0 = processCpuMs();
        QElapsedTimer wall;
        wall.start();
        runEventLoop(15000);
        const double cpu = processCpuMs() - cpu0;
        state.counters["cpu_percent_of_core"] = 100.0 * cpu / double(wall.elapsed());
        state.SetLabel(QFileInfo(file).fileName().toStdString());
    }
}
BENCHMARK(BM_ThreeCharactersIdling)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

class FirstSample : public speech::FakeAudioOutput {
  public:
    void writeStream(quint64 id, std::span<const qint16> samples) override {
        if (!samples.empty() && firstAt < 0)
            firstAt = timer.nsecsElapsed();
        FakeAudioOutput::writeStream(id, samples);
    }
    QElapsedTimer timer;
    qint64 firstAt = -1;
};

// From Speak on a shown character to the first synthesised sample reaching the sound output.
void BM_SpeakToFirstAudioSample(benchmark::State& state) {
    QTemporaryDir folder;
    const QString file = characterFile(folder);
    speech::EspeakSynthesizer espeak;
    if (!espeak.isAvailable()) {
        state.SkipWithError("espeak-ng is not installed");
        return;
    }
    as::RealClock clock;
    FirstSample audio;
    as::Service service(clock, &espeak, &audio);
    service.Characters().Load(QStringLiteral("Speaker"), file);
    auto c = service.Characters().Item(QStringLiteral("Speaker"));
    c->Show(true);
    c->Speak(QStringLiteral("Warming up."));
    runEventLoop(3000);
    for (auto _ : state) {
        c->Stop();
        runEventLoop(50);
        audio.firstAt = -1;
        audio.timer.start();
        c->Speak(QStringLiteral("Hello, welcome to the Vistrel Scripter."));
        QElapsedTimer waited;
        waited.start();
        while (audio.firstAt < 0 && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(double(audio.firstAt) / 1e9);
    }
}
BENCHMARK(BM_SpeakToFirstAudioSample)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The memory a loaded character holds: after loading, and after every animation has been
// played once (every frame composed and cached).
void BM_MemoryPerCharacter(benchmark::State& state) {
    QTemporaryDir folder;
    const QString file = characterFile(folder);
    for (auto _ : state) {
        as::ManualClock clock;
        as::Service service(clock, nullptr, nullptr);
        service.Characters().Load(QStringLiteral("Held"), file);
        auto c = service.Characters().Item(QStringLiteral("Held"));
        state.counters["held_after_load_MB"] = double(service.heldBytes("Held")) / 1e6;
        c->Show(true);
        for (const QString& name : c->AnimationNames()) {
            c->Play(name);
            clock.advance(20000);
            c->Stop();
            clock.advance(5000);
        }
        state.counters["held_after_playing_all_MB"] = double(service.heldBytes("Held")) / 1e6;
        state.SetLabel(QFileInfo(file).fileName().toStdString());
    }
}
BENCHMARK(BM_MemoryPerCharacter)->Iterations(1)->Unit(benchmark::kMillisecond);

// Every sound of every character file in the shared folder.
std::vector<std::vector<std::uint8_t>> realSounds() {
    std::vector<std::vector<std::uint8_t>> sounds;
    const QDir real(QStringLiteral(VISTREL_REALCHARS_DIR));
    for (const QString& name : real.entryList({QStringLiteral("*.acs")}, QDir::Files)) {
        try {
            const auto character = vistrel::acs::Character::open(real.filePath(name).toStdString());
            for (std::size_t i = 0; i < character.soundCount(); ++i) {
                const auto bytes = character.sound(i);
                sounds.emplace_back(bytes.begin(), bytes.end());
            }
        } catch (const std::exception&) {
        }
    }
    return sounds;
}

// One second of a tone in each codec characters use, made by FFmpeg's encoders.
std::vector<std::vector<std::uint8_t>> soundsOfEveryCodec() {
    std::vector<std::vector<std::uint8_t>> sounds;
    const auto tone = speech::testing::toneSamples(22050, 1000);
    for (const char* codec : {"pcm_s16le", "pcm_u8", "adpcm_ms", "adpcm_ima_wav", "pcm_mulaw",
                              "pcm_alaw", "libgsm_ms", "libmp3lame"})
        sounds.push_back(speech::testing::encodeWav(
            tone, std::string(codec).starts_with("libgsm") ? 8000 : 22050, 1, codec));
    return sounds;
}

// Decodes every sound once per iteration.
void decodeAll(benchmark::State& state, const std::vector<std::vector<std::uint8_t>>& sounds) {
    std::size_t bytes = 0;
    for (const auto& sound : sounds)
        bytes += sound.size();
    for (auto _ : state) {
        std::size_t samples = 0;
        for (const auto& sound : sounds) {
            try {
                samples += speech::parseWav(sound).samples.size();
            } catch (const speech::WavError&) {
            }
        }
        benchmark::DoNotOptimize(samples);
    }
    state.counters["sounds"] = double(sounds.size());
    state.counters["MB"] = double(bytes) / 1e6;
}

void BM_DecodeEveryRealSound(benchmark::State& state) {
    const auto sounds = realSounds();
    if (sounds.empty()) {
        state.SkipWithError("no third-party characters at " VISTREL_REALCHARS_DIR);
        return;
    }
    decodeAll(state, sounds);
}
BENCHMARK(BM_DecodeEveryRealSound)->Unit(benchmark::kMillisecond);

// The codecs the shared characters may lack: compressed sounds cost more to decode.
void BM_DecodeOneSecondOfEveryCodec(benchmark::State& state) {
    decodeAll(state, soundsOfEveryCodec());
}
BENCHMARK(BM_DecodeOneSecondOfEveryCodec)->Unit(benchmark::kMillisecond);

class FirstPlayed : public speech::FakeAudioOutput {
  public:
    quint64 play(const speech::WavData& sound) override {
        if (!sound.samples.empty() && firstAt < 0)
            firstAt = timer.nsecsElapsed();
        return FakeAudioOutput::play(sound);
    }
    QElapsedTimer timer;
    qint64 firstAt = -1;
};

// From Show on a hidden character to the first sample of the sound of Show's first frame
// (MS-ADPCM, as in many real characters) reaching the sound output, on real time.
void BM_ShowToFirstShowSoundSample(benchmark::State& state) {
    QTemporaryDir folder;
    const QString file = as::testing::writeSoundCharacter(folder.path(), QStringLiteral("Shower"),
                                                          as::testing::SoundCharacterOptions{});
    as::RealClock clock;
    FirstPlayed audio;
    as::Service service(clock, nullptr, &audio);
    service.Characters().Load(QStringLiteral("Shower"), file);
    auto c = service.Characters().Item(QStringLiteral("Shower"));
    for (auto _ : state) {
        c->Hide(true);
        runEventLoop(20);
        audio.firstAt = -1;
        audio.timer.start();
        c->Show();
        QElapsedTimer waited;
        waited.start();
        while (audio.firstAt < 0 && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(double(audio.firstAt) / 1e9);
        runEventLoop(300);  // Show plays to its end
    }
}
BENCHMARK(BM_ShowToFirstShowSoundSample)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

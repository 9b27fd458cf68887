// The bundled dialogue rendered at 1280x720, 30 frames a second, to MP4 and to GIF: how many
// seconds of video each wall-clock (and processor) second makes, the peak memory, and where
// the time goes: the engine with the drawing, the encoding, and waiting for speech.

#include "render/renderer.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <ctime>

using namespace vistrel;

namespace {

double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void renderDialogue(benchmark::State& state, const char* extension) {
    QTemporaryDir dir;
    render::RenderOptions options;
    options.script = QStringLiteral(VISTREL_SCRIPTS_DIR "/dialogue.vtl");
    options.output = dir.filePath(QStringLiteral("dialogue.") + QLatin1String(extension));
    options.charactersFolder = QStringLiteral(VISTREL_BUILT_CHARS_DIR);
    options.programFolder = dir.path();
    render::RenderResult result;
    double video = 0, wall = 0, cpu = 0, draw = 0, encode = 0, speech = 0;
    for (auto _ : state) {
        const double before = processSeconds();
        result = render::renderScript(options);
        cpu += processSeconds() - before;
        video += double(result.durationMs) / 1000.0;
        wall += result.totalMs / 1000.0;
        draw += result.drawMs;
        encode += result.encodeMs;
        speech += result.speechMs;
    }
    const double fileMiB = double(QFileInfo(options.output).size()) / (1024.0 * 1024.0);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double total = draw + encode + speech;
    state.counters["video_s"] = double(result.durationMs) / 1000.0;
    state.counters["x_realtime_wall"] = video / wall;
    state.counters["x_realtime_cpu"] = video / cpu;
    state.counters["peak_MiB"] = double(usage.ru_maxrss) / 1024.0;
    state.counters["file_MiB"] = fileMiB;
    state.counters["share_draw"] = draw / total;
    state.counters["share_encode"] = encode / total;
    state.counters["share_speech"] = speech / total;
}

}  // namespace

BENCHMARK_CAPTURE(renderDialogue, mp4, "mp4")->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(renderDialogue, gif, "gif")->Unit(benchmark::kSecond)->Iterations(1);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

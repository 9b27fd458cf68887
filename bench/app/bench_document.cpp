// How fast the editor opens, reads back and saves long scripts, and how fast Load All reads a
// script's characters.

#include "agent/recording.h"
#include "app/mainwindow.h"
#include "document/document.h"
#include "document/editor.h"
#include "document/scriptfile.h"
#include "platform/testing/scripted.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using vistrel::document::ScriptEditor;

// A script of `lines` lines in the mix a composed script has.
QByteArray makeScript(int lines) {
    static const char* const kLines[] = {
        "Merlin.Show",
        "Req1.Merlin.MoveTo.300/200",
        "Merlin.Speak.Hello, and welcome to the show!",
        "WaitOn.Req.1",
        "Genie.Think.What next?",
        "Merlin.Hide",
    };
    QByteArray script = "Load.Merlin\r\nLoad.Genie\r\n";
    for (int i = 2; i < lines; ++i)
        script += QByteArray(kLines[i % std::size(kLines)]) + "\r\n";
    return script;
}

class ScriptOnDisk {
  public:
    explicit ScriptOnDisk(int lines) : path_(dir_.filePath(QStringLiteral("bench.vtl"))) {
        QFile f(path_);
        if (f.open(QIODevice::WriteOnly))
            f.write(makeScript(lines));
    }
    const QString& path() const { return path_; }

  private:
    QTemporaryDir dir_;
    QString path_;
};

void openScript(benchmark::State& s) {
    const ScriptOnDisk script(static_cast<int>(s.range(0)));
    ScriptEditor editor;
    for (auto _ : s) {
        if (!editor.loadFile(script.path()))
            s.SkipWithError("cannot open the script");
    }
    s.SetItemsProcessed(s.iterations() * s.range(0));
}
BENCHMARK(openScript)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void readEditorText(benchmark::State& s) {
    const ScriptOnDisk script(static_cast<int>(s.range(0)));
    ScriptEditor editor;
    editor.loadFile(script.path());
    for (auto _ : s)
        benchmark::DoNotOptimize(editor.scriptText());
    s.SetItemsProcessed(s.iterations() * s.range(0));
}
BENCHMARK(readEditorText)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void saveScript(benchmark::State& s) {
    const ScriptOnDisk script(static_cast<int>(s.range(0)));
    ScriptEditor editor;
    editor.loadFile(script.path());
    for (auto _ : s) {
        if (!vistrel::document::writeScriptFile(script.path(), editor.scriptText()))
            s.SkipWithError("cannot save the script");
    }
    s.SetItemsProcessed(s.iterations() * s.range(0));
}
BENCHMARK(saveScript)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Load All on a long script whose two characters are loaded, shown and unloaded each time.
void loadAll(benchmark::State& s) {
    const ScriptOnDisk script(static_cast<int>(s.range(0)));
    QTemporaryDir program;
    vistrel::platform::testing::ScriptedPlatform platform;
    vistrel::agent::RecordingAgent control;
    vistrel::agent::RecordingAgent assistant;
    control.setAssumeFilesExist(true);
    control.setRecording(false);
    vistrel::app::MainWindow form(platform.platform(), control, assistant, program.path());
    form.start({script.path(), QStringLiteral("/ed")});
    for (auto _ : s) {
        form.commands().loadAll->trigger();
        if (form.state().cast.size() != 2)
            s.SkipWithError("the characters were not loaded");
    }
    s.SetItemsProcessed(s.iterations() * s.range(0));
}
BENCHMARK(loadAll)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

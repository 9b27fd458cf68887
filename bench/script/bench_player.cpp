// How fast the player reads a long script and hands its commands to the service.

#include "agent/recording.h"
#include "script/player.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>

namespace {

using vistrel::agent::RecordingAgent;
using vistrel::script::PlayerState;
using vistrel::script::ScriptPlayer;

class QuietHost final : public vistrel::script::PlayerHost {
  public:
    void setStatusText(const QString&) override {}
    void minimizeWindow() override {}
    void showStopMessage(const QString&, const QString& text) override { last = text; }
    void focusEditor() override {}
    QString programFolder() const override { return QStringLiteral("/nonexistent"); }
    QString last;
};

// A script of `items` items in the mix a composed script has: commands for three characters,
// stored requests and waits, quoted speech, comments and blank lines.
QString makeScript(int items) {
    static const char* const kLines[] = {
        "Merlin.Show",
        "Req1.Merlin.MoveTo.300/200",
        "Merlin.Play.Greet",
        "\"Merlin.Speak.Hello, and welcome to the show!\"",
        "WaitOn.Req.1",
        "Genie.Show",
        "Req2.Genie.Speak.And I am Genie.",
        "Merlin.GestureAt.600/250",
        "",
        "This line is only a comment for the reader.",
        "Genie.Think.What next?",
        "Robby.Whisper.psst",
        "Robby.Play.Wave",
        "Merlin.Hide",
        "Genie.Hide.Quick",
        "Merlin.Balloon.Off",
    };
    QString script = QStringLiteral("Load.Merlin\r\nLoad.Genie\r\nLoad.Robby\r\n");
    for (int i = 3; i < items; ++i)
        script += QLatin1String(kLines[i % std::size(kLines)]) + QLatin1String("\r\n");
    return script;
}

// 100,000 items per iteration, as four scripts of 25,000 (the player counts items in 16 bits).
void playScripts(benchmark::State& s, bool keepCalls) {
    constexpr int kScripts = 4;
    constexpr int kItemsPerScript = 25'000;
    const QString script = makeScript(kItemsPerScript);
    RecordingAgent service;
    service.setAssumeFilesExist(true);
    service.setRecording(keepCalls);
    PlayerState state;
    state.charactersFolder = QStringLiteral("/chars");
    QuietHost host;
    ScriptPlayer player(state, service, host);
    std::int64_t items = 0;
    std::size_t calls = 0;
    for (auto _ : s) {
        for (int i = 0; i < kScripts; ++i) {
            for (const QString& id :
                 {QStringLiteral("Merlin"), QStringLiteral("Genie"), QStringLiteral("Robby")}) {
                if (service.recorded(id))
                    service.Unload(id);
            }
            service.clearCalls();
            player.playText(script);
            if (player.failed())
                s.SkipWithError(host.last.toStdString().c_str());
            items += player.itemsRead();
            calls += service.calls().size();
        }
    }
    s.SetItemsProcessed(items);
    s.counters["calls/iteration"] =
        benchmark::Counter(static_cast<double>(calls) / static_cast<double>(s.iterations()));
}

void BM_PlayWithCallLog(benchmark::State& s) {
    playScripts(s, true);
}
void BM_PlayCallsNotKept(benchmark::State& s) {
    playScripts(s, false);
}

BENCHMARK(BM_PlayWithCallLog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayCallsNotKept)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

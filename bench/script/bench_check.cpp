// How long checking a long script takes once its characters are opened: 100,000 lines that
// load 10 characters and use them in the mix a composed script has.

#include "acs/testing/synthetic.h"
#include "acs/writer.h"
#include "script/check.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

namespace {

using vistrel::script::CheckOptions;

constexpr int kCharacters = 10;
constexpr int kLines = 100'000;

QString makeScript() {
    static const char* const kMix[] = {
        "%1.Show",
        "Req1.%1.MoveTo.300/200",
        "%1.Play.Wave",
        "\"%1.Speak.Hello and welcome to the show!\"",
        "WaitOn.Req.1",
        "Req2.%1.Speak.And I am here.",
        "%1.GestureAt.600/250",
        "",
        "This line is only a comment for the reader.",
        "%1.Think.What next?",
        "%1.Whisper.psst",
        "%1.Play.Blink",
        "%1.Hide",
        "%1.Balloon.Off",
    };
    QString script;
    for (int c = 0; c < kCharacters; ++c)
        script += QStringLiteral("Load.Char%1\r\n").arg(c);
    for (int i = kCharacters; i < kLines; ++i)
        script += QString::fromLatin1(kMix[i % std::size(kMix)])
                      .arg(QStringLiteral("Char%1").arg(i % kCharacters)) +
                  QLatin1String("\r\n");
    return script;
}

void checkLongScript(benchmark::State& state) {
    QTemporaryDir dir;
    vistrel::acs::testing::SyntheticOptions o;
    o.animations = 12;
    for (int c = 0; c < kCharacters; ++c) {
        o.seed = static_cast<std::uint32_t>(c + 1);
        vistrel::acs::CharacterData data = vistrel::acs::testing::makeSyntheticCharacter(o);
        data.info.localized.at(0).name = QStringLiteral("Char%1").arg(c).toStdU16String();
        const std::vector<std::uint8_t> bytes = vistrel::acs::writeAcs(data);
        QFile f(dir.filePath(QStringLiteral("Char%1.acs").arg(c)));
        if (!f.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot write the characters");
            return;
        }
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    CheckOptions options;
    options.charactersFolder = dir.path();
    options.shelf = std::make_shared<vistrel::script::CharacterShelf>();
    const QString script = makeScript();
    std::size_t findings = vistrel::script::checkScript(script, options).findings.size();
    for (auto _ : state) {
        const auto result = vistrel::script::checkScript(script, options);
        benchmark::DoNotOptimize(result.findings.data());
        findings = result.findings.size();
    }
    state.counters["findings"] = static_cast<double>(findings);
    state.counters["lines"] = kLines;
}
BENCHMARK(checkLongScript)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// What a long queue costs: 100,000 requests that end at once, queued behind a running one,
// worked off when it ends, with every RequestComplete delivered.

#include "engine/service.h"
#include "engine/testing/movercharacter.h"
#include "engine/testing/testcharacter.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace as = vistrel::engine;

namespace {

void BM_QueueOfRequestsEndingAtOnce(benchmark::State& state) {
    QTemporaryDir folder;
    const QString runner = as::testing::writeTestCharacter(folder.path(), QStringLiteral("Tester"));
    const QString hidden = as::testing::writeMoverCharacter(folder.path(), QStringLiteral("Mover"));
    const auto count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        as::ManualClock clock;
        as::Service service(clock, nullptr, nullptr);
        std::size_t heard = 0;
        QObject::connect(&service, &vistrel::agent::Agent::RequestComplete,
                         [&heard](const vistrel::agent::Request&) { ++heard; });
        service.Characters().Load(QStringLiteral("Tester"), runner);
        service.Characters().Load(QStringLiteral("Mover"), hidden);
        auto tester = service.Characters().Item(QStringLiteral("Tester"));
        auto mover = service.Characters().Item(QStringLiteral("Mover"));
        tester->Show(true);
        const vistrel::agent::Request loop = tester->Play(QStringLiteral("Loop"));
        mover->Wait(loop);
        for (int i = 0; i < count; ++i)
            mover->MoveTo(static_cast<std::int16_t>(i % 500), 7);
        as::ManualClock::deliverPosted();
        heard = 0;
        state.ResumeTiming();

        tester->Stop(loop);
        as::ManualClock::deliverPosted();

        state.PauseTiming();
        if (heard != static_cast<std::size_t>(count) + 2)
            state.SkipWithError("not every request was heard to end");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_QueueOfRequestsEndingAtOnce)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

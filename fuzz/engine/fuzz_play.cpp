// The character engine on any character file the reader accepts: loading it, and playing
// every animation, the states, speech, moves and stops on a manual clock, must never crash
// or hang, whatever frames, branches, exit paths and states the file declares.

#include "engine/service.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace as = vistrel::engine;

namespace {

// Enough to walk long exit paths and loops without letting one input run for long.
constexpr int kSteps = 60;
constexpr int kStepMs = 250;
constexpr int kMaxAnimations = 24;

void settle(as::ManualClock& clock) {
    for (int i = 0; i < kSteps && clock.nextDue() >= 0; ++i)
        clock.advance(kStepMs);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Fuzz.acs"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    as::ManualClock clock;
    as::ServiceOptions options;
    options.idleOnsetMs = 500;
    options.idleGapMs = 500;
    options.idleLevel2Ms = 1000;
    options.idleLevel3Ms = 2000;
    as::Service service(clock, nullptr, nullptr, options);
    try {
        service.Characters().Load(QStringLiteral("Fuzz"), path);
    } catch (const vistrel::agent::AgentError&) {
        return 0;  // refused cleanly
    }
    auto c = service.Characters().Item(QStringLiteral("Fuzz"));
    c->Show();
    settle(clock);
    const QStringList names = c->AnimationNames();
    for (int i = 0; i < names.size() && i < kMaxAnimations; ++i) {
        c->Play(names[i]);
        settle(clock);
        c->Stop();
        settle(clock);
    }
    c->Speak(QStringLiteral("Hello \\Pau=100\\there"));
    c->Think(QStringLiteral("Hmm"));
    c->MoveTo(300, 200);
    c->GestureAt(0, 0);
    c->GestureAt(2000, 2000);
    settle(clock);
    (void)service.scene().view(QStringLiteral("Fuzz"));
    c->Hide();
    settle(clock);
    service.Characters().Unload(QStringLiteral("Fuzz"));
    return 0;
}

// The engine with the real espeak-ng: one spoken sentence, from the request to its end.

#include "engine/speech/espeaksynthesizer.h"
#include "servicefixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace vistrel::engine::testing {
namespace {

TEST(EngineWithEspeak, SpeaksASentenceWithWordsAndMouthShapes) {
    QTemporaryDir folder;
    writeTestCharacter(folder.path(), "Tester");
    ManualClock clock;
    speech::EspeakSynthesizer espeak;
    if (!espeak.isAvailable())
        GTEST_SKIP() << "espeak-ng and its voices are not installed";
    Service service(clock, &espeak, nullptr);
    service.Characters().Load("Tester", folder.filePath("Tester.acs"));
    auto c = service.Characters().Item("Tester");
    std::vector<int> reveals, mouths;
    QObject::connect(&service.scene(), &scene::Scene::changed,
                     [&](const QString& id, unsigned what) {
                         const scene::CharacterView v = service.scene().view(id);
                         if (what & scene::ChangedBalloon)
                             reveals.push_back(v.balloon.revealed);
                         if (what & scene::ChangedFrame)
                             mouths.push_back(mouthLabel(v.frame));
                     });
    c->Show(true);
    const agent::Request r = c->Speak("Hello there, how are you today?");
    // Real time passes for the synthesiser; the engine's own time only when the test says.
    QElapsedTimer waited;
    waited.start();
    while (r.status() != agent::RequestStatus::Complete && waited.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        clock.advance(20);
    }
    ASSERT_EQ(r.status(), agent::RequestStatus::Complete);
    ASSERT_GE(reveals.size(), 4u);  // opened, then word by word
    EXPECT_TRUE(std::is_sorted(reveals.begin() + 1, reveals.end()));
    EXPECT_EQ(reveals.back(), 31);
    EXPECT_GT(std::count_if(mouths.begin(), mouths.end(), [](int m) { return m > kMouth0; }), 3);
    EXPECT_GT(clock.now(), 800);  // a sentence takes a while to say
}

}  // namespace
}  // namespace vistrel::engine::testing

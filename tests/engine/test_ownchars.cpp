// The characters the program ships with, played by the engine: every animation a script author
// or the program's own texts name plays to its end, and speech moves the mouth.

#include "art/animations.h"
#include "servicefixture.h"

#include <set>

namespace vistrel::engine::testing {
namespace {

class OwnCharacters : public ::testing::TestWithParam<const char*> {
  protected:
    OwnCharacters() {
        ServiceOptions options;
        options.defaultCharacterFolder = QStringLiteral(VISTREL_BUILT_CHARS_DIR);
        service = std::make_unique<Service>(clock, &synth, nullptr, options);
        service->Characters().Load(QLatin1String(GetParam()));  // by id, from the default place
        character = service->Characters().Item(QLatin1String(GetParam()));
        character->Show();
        clock.advance(5000);
    }

    ManualClock clock;
    speech::FakeSynthesizer synth{speech::FakeSynthesizer::Delivery::Immediate};
    std::unique_ptr<Service> service;
    agent::CharacterRef character;
};

TEST_P(OwnCharacters, EveryNamedAnimationPlaysToItsEnd) {
    std::vector<std::u16string_view> names(art::requiredAnimations().begin(),
                                           art::requiredAnimations().end());
    names.insert(names.end(), art::programAnimations().begin(), art::programAnimations().end());
    for (std::u16string_view name : names) {
        const QString animation = QString::fromUtf16(name.data(), qsizetype(name.size()));
        const agent::Request r = character->Play(animation);
        for (int waited = 0; waited < 120000 && (r.status() == agent::RequestStatus::Pending ||
                                                 r.status() == agent::RequestStatus::InProgress);
             waited += 100)
            clock.advance(100);
        EXPECT_EQ(r.status(), agent::RequestStatus::Complete) << animation.toStdString();
    }
    EXPECT_TRUE(character->Visible());
}

TEST_P(OwnCharacters, SpeechMovesTheMouthAndMovesAndGesturesComplete) {
    std::set<qint64> pictures;
    QObject::connect(&service->scene(), &scene::Scene::changed,
                     [&](const QString& id, unsigned what) {
                         if (what & scene::ChangedFrame)
                             pictures.insert(service->scene().view(id).frame.cacheKey());
                     });
    const agent::Request r = character->Speak("Abracadabra, open sesame, hocus pocus!");
    clock.advance(10000);
    EXPECT_EQ(r.status(), agent::RequestStatus::Complete);
    EXPECT_GE(pictures.size(), 4u);  // several mouth shapes

    // Moves and a gesture leave through their exit paths, so the queue runs to its end.
    const QPoint at = service->scene().view(GetParam()).position;
    character->MoveTo(static_cast<std::int16_t>(at.x() + 300), static_cast<std::int16_t>(at.y()));
    character->MoveTo(static_cast<std::int16_t>(at.x()), static_cast<std::int16_t>(at.y() + 200));
    character->GestureAt(0, 0);
    const agent::Request last = character->Play("RestPose");
    clock.advance(20000);
    EXPECT_EQ(last.status(), agent::RequestStatus::Complete);
    EXPECT_EQ(service->scene().view(GetParam()).position, QPoint(at.x(), at.y() + 200));
}

INSTANTIATE_TEST_SUITE_P(Shipped, OwnCharacters, ::testing::Values("Merlin", "Rivet"));

}  // namespace
}  // namespace vistrel::engine::testing

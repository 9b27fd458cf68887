#pragma once

// A service on a manual clock with the test character, recording what a presenter and the
// program would see: every frame shown (as its label, with the time), every request that ends.

#include "engine/service.h"
#include "engine/speech/testing/fakeaudiooutput.h"
#include "engine/speech/testing/fakesynthesizer.h"
#include "engine/testing/testcharacter.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace vistrel::engine::testing {

struct Shown {
    std::int64_t time;
    int label;
    bool operator==(const Shown&) const = default;
};

inline void PrintTo(const Shown& s, std::ostream* os) {
    *os << s.label << "@" << s.time;
}

class ServiceTest : public ::testing::Test {
  protected:
    ServiceTest() {
        writeTestCharacter(folder.path(), QStringLiteral("Tester"));
        writeTestCharacter(folder.path(), QStringLiteral("Other"));
        ServiceOptions options;
        options.defaultCharacterFolder = folder.path();
        service = std::make_unique<Service>(clock, &synth, &audio, options);
        QObject::connect(&service->scene(), &scene::Scene::changed,
                         [this](const QString& id, unsigned what) {
                             if (!(what & scene::ChangedFrame))
                                 return;
                             const scene::CharacterView v = service->scene().view(id);
                             frames[id].push_back(Shown{clock.now(), frameLabel(v.frame)});
                             mouths[id].push_back(mouthLabel(v.frame));
                         });
        QObject::connect(service.get(), &agent::Agent::RequestComplete,
                         [this](const agent::Request& r) {
                             ended.push_back(r);
                             endedAt.push_back(clock.now());
                         });
    }

    agent::CharacterRef load(const QString& id = QStringLiteral("Tester")) {
        service->Characters().Load(id, folder.filePath(id + QStringLiteral(".acs")));
        return service->Characters().Item(id);
    }

    // Loads and shows without the showing animation, and forgets what that displayed.
    agent::CharacterRef ready(const QString& id = QStringLiteral("Tester")) {
        auto c = load(id);
        c->Show(true);
        clock.advance(0);
        frames.clear();
        mouths.clear();
        ended.clear();
        endedAt.clear();
        return c;
    }

    // "Tester" and "Other", both shown.
    std::pair<agent::CharacterRef, agent::CharacterRef> readyPair() {
        auto other = load(QStringLiteral("Other"));
        other->Show(true);
        return {ready(QStringLiteral("Tester")), other};
    }

    std::vector<int> labels(const QString& id = QStringLiteral("Tester")) const {
        std::vector<int> out;
        auto it = frames.find(id);
        if (it != frames.end())
            for (const Shown& s : it->second)
                out.push_back(s.label);
        return out;
    }

    scene::CharacterView view(const QString& id = QStringLiteral("Tester")) const {
        return service->scene().view(id);
    }

    QTemporaryDir folder;
    ManualClock clock;
    speech::FakeSynthesizer synth{speech::FakeSynthesizer::Delivery::Immediate};
    speech::FakeAudioOutput audio;
    std::unique_ptr<Service> service;
    std::map<QString, std::vector<Shown>> frames;
    std::map<QString, std::vector<int>> mouths;
    std::vector<agent::Request> ended;
    std::vector<std::int64_t> endedAt;
};

}  // namespace vistrel::engine::testing

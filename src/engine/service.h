#pragma once

// The character engine: a real implementation of the character-service interface. Each
// loaded character has a queue of requests that it plays on the service's clock: animations
// from its file with branches and exit branches, moves, gestures, speech with balloons and
// lip-sync, and idling when it has nothing to do. Presenters draw it through scene().

#include "agent/agent.h"
#include "engine/clock.h"
#include "scene/scene.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace vistrel::speech {
class Synthesizer;
class AudioOutput;
}  // namespace vistrel::speech

namespace vistrel::engine {

struct ServiceOptions {
    // Where a character id loaded without a file is looked up (as <folder>/<id>.acs).
    QString defaultCharacterFolder;
    // Seed of the characters' random choices (branches, state animations).
    std::uint32_t seed = 0x5eed;
    // Rest after the last request before the first idle animation, and between idle
    // animations; idle level 2 and 3 begin after these times of idling.
    int idleOnsetMs = 5000;
    int idleGapMs = 4000;
    int idleLevel2Ms = 30000;
    int idleLevel3Ms = 90000;
    // How long a balloon stays after its speech ends.
    int balloonLingerMs = 1200;
    // Position updates per second while a character moves.
    int moveUpdatesPerSecond = 30;
};

class Service : public agent::Agent {
    Q_OBJECT
  public:
    // `synthesizer` and `audio` may be null: speech then takes its estimated time in silence.
    Service(Clock& clock, speech::Synthesizer* synthesizer, speech::AudioOutput* audio,
            ServiceOptions options = {}, QObject* parent = nullptr);
    ~Service() override;

    agent::CharacterCollection& Characters() override;
    scene::Scene& scene();

    const ServiceOptions& options() const;
    void setDefaultCharacterFolder(const QString& folder);

    // Memory held by a loaded character (file, decoded images, composed frames); 0 if unknown.
    std::size_t heldBytes(const QString& id) const;

    struct Impl;

  private:
    std::unique_ptr<Impl> d_;
};

}  // namespace vistrel::engine

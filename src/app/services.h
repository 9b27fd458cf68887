#pragma once

#include "agent/agent.h"

#include <QString>

#include <memory>
#include <vector>

namespace vistrel::engine {
class Clock;
}  // namespace vistrel::engine
namespace vistrel::desktop {
class DesktopStage;
}  // namespace vistrel::desktop
namespace vistrel::speech {
class Synthesizer;
class AudioOutput;
}  // namespace vistrel::speech

namespace vistrel::app {

// The two character-service instances the main window works with: one for the script's
// characters and one for the help assistant, with what they run on. Members are destroyed
// in reverse order: the desktop windows first, then the services, then their clock, voice
// and sound.
struct CharacterServices {
    CharacterServices();
    CharacterServices(CharacterServices&&) noexcept;
    CharacterServices& operator=(CharacterServices&&) noexcept;
    ~CharacterServices();

    std::unique_ptr<engine::Clock> clock;
    std::unique_ptr<speech::Synthesizer> synthesizer;
    std::unique_ptr<speech::AudioOutput> audio;
    std::unique_ptr<agent::Agent> scriptService;
    std::unique_ptr<agent::Agent> assistantService;
    std::vector<std::unique_ptr<desktop::DesktopStage>> stages;
};

// The character engine on real time, speaking through espeak-ng, sounding through the
// default audio device (silently when there is none) and showing its characters on the
// desktop. An id loaded without a file comes from the characters installed with the program.
CharacterServices createCharacterServices(const QString& programFolder);

}  // namespace vistrel::app

#include "app/services.h"

#include "engine/clock.h"
#include "engine/service.h"
#include "engine/speech/audio.h"
#include "engine/speech/espeaksynthesizer.h"
#include "platform/paths.h"
#include "stage/desktop/desktopstage.h"

namespace vistrel::app {

AgentServices::AgentServices() = default;
AgentServices::AgentServices(AgentServices&&) noexcept = default;
AgentServices& AgentServices::operator=(AgentServices&&) noexcept = default;
AgentServices::~AgentServices() = default;

AgentServices createAgentServices(const QString& programFolder) {
    AgentServices services;
    services.clock = std::make_unique<engine::RealClock>();
    services.synthesizer = std::make_unique<speech::EspeakSynthesizer>();
    services.audio = speech::createAudioOutput();
    engine::ServiceOptions options;
    options.defaultCharacterFolder = platform::charactersDataFolder(programFolder);
    auto make = [&](std::uint32_t seed) {
        options.seed = seed;
        auto service = std::make_unique<engine::Service>(
            *services.clock, services.synthesizer.get(), services.audio.get(), options);
        services.stages.push_back(std::make_unique<desktop::DesktopStage>(service->scene()));
        return service;
    };
    services.AgentControl = make(0x5eed);
    services.AgeCC = make(0xacc);
    return services;
}

}  // namespace vistrel::app

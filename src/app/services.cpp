#include "services.h"

#include "agentservice/clock.h"
#include "agentservice/desktop/desktopstage.h"
#include "agentservice/service.h"
#include "agentservice/speech/audio.h"
#include "agentservice/speech/espeaksynthesizer.h"
#include "paths.h"

namespace vistrel::app {

AgentServices::AgentServices() = default;
AgentServices::AgentServices(AgentServices&&) noexcept = default;
AgentServices& AgentServices::operator=(AgentServices&&) noexcept = default;
AgentServices::~AgentServices() = default;

AgentServices createAgentServices(const QString& programFolder) {
    AgentServices services;
    services.clock = std::make_unique<agentservice::RealClock>();
    services.synthesizer = std::make_unique<speech::EspeakSynthesizer>();
    services.audio = speech::createAudioOutput();
    agentservice::ServiceOptions options;
    options.defaultCharacterFolder = platform::charactersDataFolder(programFolder);
    auto make = [&](std::uint32_t seed) {
        options.seed = seed;
        auto service = std::make_unique<agentservice::Service>(
            *services.clock, services.synthesizer.get(), services.audio.get(), options);
        services.stages.push_back(std::make_unique<agentservice::DesktopStage>(service->scene()));
        return service;
    };
    services.AgentControl = make(0x5eed);
    services.AgeCC = make(0xacc);
    return services;
}

}  // namespace vistrel::app

#include "app/services.h"

#include "engine/clock.h"
#include "engine/service.h"
#include "engine/speech/audio.h"
#include "engine/speech/espeaksynthesizer.h"
#include "platform/paths.h"
#include "stage/desktop/desktopstage.h"

namespace vistrel::app {

CharacterServices::CharacterServices() = default;
CharacterServices::CharacterServices(CharacterServices&&) noexcept = default;
CharacterServices& CharacterServices::operator=(CharacterServices&&) noexcept = default;
CharacterServices::~CharacterServices() = default;

CharacterServices createCharacterServices(const QString& programFolder) {
    CharacterServices services;
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
    services.scriptService = make(0x5eed);
    services.assistantService = make(0xacc);
    return services;
}

}  // namespace vistrel::app

#include "services.h"

#include "paths.h"
#include "recording.h"

namespace vistrel::app {

AgentServices createAgentServices(const QString& programFolder) {
    const QString characters = platform::charactersDataFolder(programFolder);
    auto make = [&] {
        auto service = std::make_unique<agent::RecordingAgent>();
        service->setDefaultCharacterFolder(characters);
        return service;
    };
    return {make(), make()};
}

}  // namespace vistrel::app

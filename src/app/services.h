#pragma once

#include "agent.h"

#include <QString>

#include <memory>

namespace vistrel::app {

// The two character-service instances the main window works with: one for the script's
// characters and one for the help assistant.
struct AgentServices {
    std::unique_ptr<agent::Agent> AgentControl;
    std::unique_ptr<agent::Agent> AgeCC;
};

// Creates the services the program runs with; their default character place is the
// characters folder installed with the program.
AgentServices createAgentServices(const QString& programFolder);

}  // namespace vistrel::app

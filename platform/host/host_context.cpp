#include "platform/host/host_context.h"

namespace gsf::host {

namespace {

HostContext& currentContext()
{
    static HostContext context;
    return context;
}

ScriptedInteraction& standIn()
{
    static ScriptedInteraction fallback;
    return fallback;
}

Interaction*& currentInteraction()
{
    static Interaction* current = nullptr;
    return current;
}

} // namespace

std::map<std::string, std::vector<std::string>> HostContext::defaultBillingTypes()
{
    return {{"001", {"EXCDIA", "TABCORR"}}};
}

HostContext& hostContext() { return currentContext(); }

void setHostContext(HostContext context) { currentContext() = std::move(context); }

Interaction& interaction()
{
    Interaction* current = currentInteraction();
    return current != nullptr ? *current : standIn();
}

Interaction* setInteraction(Interaction* current)
{
    Interaction* previous = currentInteraction();
    currentInteraction() = current;
    return previous;
}

bool ModuFili() { return hostContext().branchFixed; }

std::string FiliProcFat() { return hostContext().branchCode; }

std::string NomeFiliProcFat() { return hostContext().branchName; }

std::string WebURL() { return hostContext().serverHost; }

int WebPort() { return hostContext().serverPort; }

} // namespace gsf::host

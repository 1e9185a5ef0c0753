#pragma once

// Internal to the host library: the one object that holds what the host
// shares with every screen of the process.

#include "platform/host/host_context.h"
#include "platform/host/interaction.h"

namespace gsf::host::detail {

/// The host as the screens reach it: its configuration, the Interaction in
/// use, the stand-in for none and whether the progress indicator is shown.
struct Host {
    HostContext context;
    Interaction* current = nullptr;
    ScriptedInteraction standIn;
    bool progressShown = false;
};

/// The process's host object.
Host& theHost();

} // namespace gsf::host::detail

#pragma once

#include "platform/host/interaction.h"

#include <map>
#include <string>
#include <vector>

namespace gsf::host {

/// What the host application's configuration tells the screens.
struct HostContext {
    /// True when the host fixes the branch: the person cannot choose another.
    bool branchFixed = false;
    std::string branchCode;
    std::string branchName;
    /// Application server the screens connect to; the host configures the
    /// port (0 until it does, and no call then reaches a server).
    std::string serverHost = "127.0.0.1";
    int serverPort = 0;
    /// The server's access token, sent with every call when not empty.
    std::string serverToken;
    /// Who uses the screens: sent with every call, for the server's change
    /// history; empty when the host has no name to give.
    std::string userName;
    /// Database of the general data module: an SQLite file path, or a
    /// PostgreSQL connection string ("postgresql://..." or "host=... dbname=...").
    std::string database;
    /// Billing types: type code -> its parameter names, in order. The first
    /// two of a type are the day-exceptions and the correction-table
    /// parameters. The host configures them; none until it does.
    std::map<std::string, std::vector<std::string>> billingTypes;
};

/// The process-wide host context. Screens read it at every call; the host
/// application (or a test) changes it at will.
HostContext& hostContext();
void setHostContext(HostContext context);

/// The current Interaction. Until one is installed, a process-wide
/// ScriptedInteraction with no answers stands in: it records messages and
/// refuses dialogs with a ScriptError.
Interaction& interaction();
/// Installs @p current (not owned; nullptr restores the stand-in).
/// @return the Interaction installed before, or nullptr for the stand-in.
Interaction* setInteraction(Interaction* current);

/// Installs an Interaction for the lifetime of the guard, then restores the previous one.
class InteractionScope {
public:
    explicit InteractionScope(Interaction& current) : previous_(setInteraction(&current)) {}
    ~InteractionScope() { setInteraction(previous_); }
    InteractionScope(const InteractionScope&) = delete;
    InteractionScope& operator=(const InteractionScope&) = delete;

private:
    Interaction* previous_;
};

// Host-context functions; each reads the current host context at every call.

/// @return true when the host context fixes the branch.
bool ModuFili();
/// @return the host context's branch code.
std::string FiliProcFat();
/// @return the host context's branch name.
std::string NomeFiliProcFat();
/// @return the application server's host name.
std::string WebURL();
/// @return the application server's port.
int WebPort();

} // namespace gsf::host

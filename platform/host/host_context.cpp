#include "platform/host/host_context.h"

#include "platform/host/host_state.h"
#include "platform/remote/connection.h"

namespace gsf::host {

namespace {

// The user name as it travels in a header: UTF-8, every byte outside
// letters, digits and "-._~" percent-encoded.
std::string headerText(const std::string& name)
{
    static const char* const digits = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        }
    }
    return out;
}

// Every connection a screen opens carries the host's access token and the
// user's name, read from the host context at each opening as the server's
// address is; the screens themselves know nothing of either.
void applyHostContext(remote::RemoteConnection& connection)
{
    const HostContext& context = hostContext();
    if (!context.serverToken.empty())
        connection.Token = context.serverToken;
    connection.SetHeader("X-Gsf-User", headerText(context.userName));
}

[[maybe_unused]] const bool hostDefaultsInstalled = [] {
    remote::RemoteConnection::SetOpenDefaults(applyHostContext);
    return true;
}();

using detail::Host;
using detail::theHost;

HostContext& currentContext()
{
    return theHost().context;
}

} // namespace

detail::Host& detail::theHost()
{
    static Host host;
    return host;
}

HostContext& hostContext()
{
    return currentContext();
}

void setHostContext(HostContext context)
{
    currentContext() = std::move(context);
}

Interaction& interaction()
{
    Host& host = theHost();
    return host.current != nullptr ? *host.current : host.standIn;
}

Interaction* setInteraction(Interaction* current)
{
    Interaction* previous = theHost().current;
    theHost().current = current;
    return previous;
}

bool ModuFili()
{
    return hostContext().branchFixed;
}

std::string FiliProcFat()
{
    return hostContext().branchCode;
}

std::string NomeFiliProcFat()
{
    return hostContext().branchName;
}

std::string WebURL()
{
    return hostContext().serverHost;
}

int WebPort()
{
    return hostContext().serverPort;
}

} // namespace gsf::host

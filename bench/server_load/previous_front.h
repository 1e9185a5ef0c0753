#pragma once

#include "server/remote_module.h"

#include <functional>
#include <memory>
#include <string>

namespace gsf::bench {

/// The server's earlier front, kept as the baseline of the load driver: a
/// thread-per-connection HTTP library server, one worker per open
/// keep-alive connection, routing, token check, error texts and log line as
/// that front had them, over the same remote module.
class PreviousFront {
public:
    PreviousFront(server::RemoteModule& module, int workers, std::function<void(const std::string&)> log,
                  const std::string& token = "");
    ~PreviousFront();
    PreviousFront(const PreviousFront&) = delete;
    PreviousFront& operator=(const PreviousFront&) = delete;

    int Port() const { return port_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    int port_ = 0;
};

} // namespace gsf::bench

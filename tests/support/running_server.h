#pragma once

#include "server/app_server.h"

#include <memory>
#include <string>
#include <thread>

namespace gsf::test {

/// An AppServer over a database the test chose (SQLite file or PostgreSQL),
/// serving from a thread of its own on an ephemeral loopback port. Several
/// may share one database, as server processes do. The constructor returns
/// once it accepts connections; the destructor stops it.
class RunningServer {
public:
    /// @param options the database and what else the test sets; listen and
    ///        port are set here.
    /// @throws std::runtime_error when it cannot listen or get ready.
    explicit RunningServer(gsf::server::ServerOptions options);
    ~RunningServer();
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    int port() const { return server_->Port(); }
    gsf::server::AppServer& server() { return *server_; }

private:
    std::unique_ptr<gsf::server::AppServer> server_;
    std::thread thread_;
};

} // namespace gsf::test

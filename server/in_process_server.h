#pragma once

#include "server/app_server.h"

#include <memory>
#include <string>

namespace gsf::server {

/// The application server run inside the calling process: a new temporary
/// folder holding a SQLite database seeded with the demo data, an AppServer
/// on an ephemeral loopback port serving from its own thread. The constructor
/// returns once the server accepts connections; the destructor stops it,
/// joins the thread and removes the folder.
class InProcessServer {
public:
    /// @param options token, workers, log and timeouts to use; the database,
    ///        address, port and demo seeding are always set by this class.
    /// @param folderPrefix leading part of the temporary folder's name.
    /// @throws std::runtime_error (Portuguese message) when the folder cannot
    ///         be made or the server cannot listen or get ready.
    /// @throws gsf::sql::SqlError when the database cannot be opened.
    /// Nothing is left behind when the constructor throws.
    InProcessServer(ServerOptions options, const std::string& folderPrefix);
    ~InProcessServer();
    InProcessServer(const InProcessServer&) = delete;
    InProcessServer& operator=(const InProcessServer&) = delete;

    /// The loopback address the server listens on.
    const std::string& Host() const { return host_; }
    int Port() const;
    /// The SQLite file inside the temporary folder.
    const std::string& DatabasePath() const { return databasePath_; }
    AppServer& Server();

private:
    struct State;
    void stop();
    std::string host_ = "127.0.0.1";
    std::string directory_;
    std::string databasePath_;
    std::unique_ptr<State> state_;
};

} // namespace gsf::server

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
///
/// The server can be stopped and started again in between, as an operator
/// restarts one: the same database and the same port, a new server state.
class InProcessServer {
public:
    /// @param options token, workers, log and timeouts to use; the address,
    ///        port and demo seeding are always set by this class, and the
    ///        database too unless options.database names one to serve (an
    ///        empty one, which is seeded and left in place).
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
    /// The port chosen at the first start; a restarted server listens there again.
    int Port() const { return port_; }
    /// The SQLite file inside the temporary folder, or the database given.
    const std::string& DatabasePath() const { return databasePath_; }
    /// The running server. @throws std::logic_error while stopped.
    AppServer& Server();

    /// Whether the server is serving (not stopped by Stop).
    bool Running() const;
    /// Stops serving and closes the database; the folder and the port number
    /// stay for Start. Calls that arrive meanwhile find nobody listening.
    /// Does nothing when already stopped.
    void Stop();
    /// Serves again from the same database on the same port, with a new
    /// server state (nothing kept in memory survives: cached answers, calls
    /// told to fail). Does nothing when running.
    /// @throws std::runtime_error (Portuguese message) when the port is taken
    ///         meanwhile or the server does not get ready; it stays stopped.
    /// @throws gsf::sql::SqlError when the database cannot be opened.
    void Start();

private:
    struct State;
    void start(int port);
    void removeFolder();
    ServerOptions options_;
    std::string host_ = "127.0.0.1";
    std::string directory_;
    std::string databasePath_;
    int port_ = 0;
    std::unique_ptr<State> state_;
};

} // namespace gsf::server

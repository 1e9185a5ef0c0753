#pragma once

#include <memory>
#include <string>

namespace gsf::server {
class InProcessServer;
}

namespace gsf::script {

/// The application server started inside the driver's process, on an
/// ephemeral loopback port, over a SQLite database in a new temporary folder
/// seeded with the demo data, logging nothing. The destructor stops it and
/// removes the folder.
class EmbeddedServer {
public:
    /// @throws std::runtime_error (Portuguese message) when the folder cannot
    /// be made or the server cannot open its database, listen or get ready.
    EmbeddedServer();
    ~EmbeddedServer();
    EmbeddedServer(const EmbeddedServer&) = delete;
    EmbeddedServer& operator=(const EmbeddedServer&) = delete;

    const std::string& host() const;
    int port() const;
    /// The SQLite file, for the host's general data module.
    const std::string& databasePath() const;

private:
    std::unique_ptr<server::InProcessServer> server_;
};

} // namespace gsf::script

#pragma once

#include "tools/script/server_control.h"

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
class EmbeddedServer : public ServerControl {
public:
    /// @throws std::runtime_error (Portuguese message) when the folder cannot
    /// be made or the server cannot open its database, listen or get ready.
    EmbeddedServer();
    ~EmbeddedServer() override;
    EmbeddedServer(const EmbeddedServer&) = delete;
    EmbeddedServer& operator=(const EmbeddedServer&) = delete;

    const std::string& host() const;
    /// The same before and after a restart.
    int port() const;
    /// The SQLite file, for the host's general data module.
    const std::string& databasePath() const;

    std::string address() const override;
    bool hasMethod(const std::string& method) const override;
    /// @throws std::logic_error while stopped.
    void failOnce(const std::string& method, const Refusal& refusal, int passing) override;
    bool running() const override;
    void stop() override;
    /// @throws also gsf::sql::SqlError for a database that cannot be opened again.
    void start() override;

private:
    std::unique_ptr<server::InProcessServer> server_;
};

} // namespace gsf::script

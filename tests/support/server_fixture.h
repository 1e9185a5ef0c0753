#pragma once

#include <memory>
#include <string>
#include <vector>

namespace gsf::server {
class AppServer;
class Storage;
} // namespace gsf::server

namespace gsf::test {

/// The real application server, started in-process on a thread on an
/// ephemeral loopback port, over a temporary SQLite database seeded with the
/// demo data. The constructor returns once the server accepts connections;
/// the destructor stops it and removes the database.
class ServerFixture {
public:
    /// @param token when not empty, the server asks every request for it.
    /// @param database an empty database to serve (a TempDatabase's target,
    ///        PostgreSQL included) instead of a temporary SQLite file; it is
    ///        seeded with the demo data and left in place.
    /// @throws std::runtime_error when the server cannot start.
    explicit ServerFixture(const std::string& token = "", const std::string& database = "");
    ~ServerFixture();
    ServerFixture(const ServerFixture&) = delete;
    ServerFixture& operator=(const ServerFixture&) = delete;

    const std::string& host() const;
    int port() const;
    /// The database, for direct checks: the SQLite file, or the database given.
    const std::string& databasePath() const;
    /// Makes the next call of @p method fail with @p message (HTTP 500).
    void failOnce(const std::string& method, const std::string& message);
    gsf::server::Storage& storage();
    /// The running server, for its test hooks (DieAt, Freeze).
    gsf::server::AppServer& app();
    /// Stops the server (a killed one included); start serves again on the
    /// same database and port, nothing kept in memory.
    void stop();
    void start();
    /// The server's log lines so far (one JSON object per request).
    std::vector<std::string> logLines() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace gsf::test

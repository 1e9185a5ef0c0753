#pragma once

#include "server/remote_module.h"
#include "server/storage.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace gsf::server {

struct ServerOptions {
    std::string database;                 ///< SQLite path or PostgreSQL connection string
    std::string listen = "127.0.0.1";
    int port = 8211;                      ///< 0: any free port (see AppServer::Port)
    std::string token;                    ///< when not empty, every request must carry it as a bearer token
    bool demo = false;                    ///< seed the demo data into an empty database
    int workers = 32;                     ///< one per expected keep-alive client
    std::chrono::seconds readTimeout{10};
    std::chrono::seconds writeTimeout{10};
    std::chrono::seconds keepAliveTimeout{30};
    size_t maxBodyBytes = 1024 * 1024;
    /// Serve repeated Get calls from memory while the database is unchanged
    /// (see RemoteModule).
    bool cacheReads = true;
    /// Receives one JSON line per request; stderr when empty.
    std::function<void(const std::string&)> log;
};

/// The application server: the remote data module over HTTP/1.1 keep-alive.
///
/// `POST /Vex04120.rdmGrupServFat/<Method>` with `{"args": [...]}`; `GET /health`.
class AppServer {
public:
    /// Opens and migrates the database and, with demo set, seeds it.
    /// @throws gsf::sql::SqlError when the database cannot be opened.
    explicit AppServer(ServerOptions options);
    ~AppServer();
    AppServer(const AppServer&) = delete;
    AppServer& operator=(const AppServer&) = delete;

    /// Binds the listening socket. @return false when the address or port is taken.
    bool Bind();
    /// The bound port (after Bind).
    int Port() const { return port_; }
    /// Serves until Stop; Bind first.
    void Run();
    /// Stops a Run in progress (from any thread).
    void Stop();
    /// Blocks until Run accepts connections or @p timeout passes.
    bool WaitUntilReady(std::chrono::milliseconds timeout) const;

    Storage& GetStorage() { return *storage_; }
    RemoteModule& Module() { return *module_; }

private:
    struct Http;
    ServerOptions options_;
    std::unique_ptr<Storage> storage_;
    std::unique_ptr<RemoteModule> module_;
    std::unique_ptr<Http> http_;
    int port_ = 0;
};

} // namespace gsf::server

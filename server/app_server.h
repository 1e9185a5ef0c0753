#pragma once

#include "server/remote_module.h"
#include "records/remote_module.h"
#include "server/storage.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gsf::server {

/// A secret a client may present as `Authorization: Bearer <secret>`, and
/// the name the change history records for the calls made with it.
struct AccessToken {
    std::string name; ///< may be empty
    std::string secret;
};

struct HttpAnswer;
struct HttpHead;

struct ServerOptions {
    std::string database; ///< SQLite path or PostgreSQL connection string
    std::string listen = "127.0.0.1";
    int port = gsf::records::kServerPort; ///< 0: any free port (see AppServer::Port)
    std::string token;                    ///< when not empty, every request must carry it as a bearer token
    /// More accepted tokens, each with its name; with `token`, any of them
    /// is accepted and none is asked for when both are empty.
    std::vector<AccessToken> tokens;
    bool demo = false; ///< seed the demo data into an empty database
    /// Database workers. SQLite: the readers, writes having one worker of
    /// their own; PostgreSQL: every call, one database connection each.
    /// 0: 4 on SQLite, 8 on PostgreSQL.
    int workers = 0;
    int ioThreads = 2;                   ///< threads reading and writing the connections
    std::chrono::seconds readTimeout{5}; ///< for a request's headers and body, from its first byte
    std::chrono::seconds writeTimeout{10};
    /// How long a keep-alive connection stays open with no request; an open
    /// screen keeps its one connection for its whole session.
    std::chrono::seconds keepAliveTimeout{600};
    int maxConnections = 10000; ///< open at once; the next ones are answered 503
    size_t maxBodyBytes = 1024 * 1024;
    /// Serve repeated Get calls from memory while the database is unchanged
    /// (see RemoteModule).
    bool cacheReads = true;
    /// Days the change history is kept; 0 keeps it for ever.
    int historyDays = 1825;
    /// Answer `GET /metrics` (Prometheus text format).
    bool metrics = false;
    /// Receives one JSON line per request; stderr when empty.
    std::function<void(const std::string&)> log;
};

/// The application server: the remote data module over HTTP/1.1 keep-alive.
///
/// `POST /Vex04120.rdmGrupServFat/<Method>` with `{"args": [...]}`; `GET /health`.
/// Connections are served by a few I/O threads (see HttpFront) and the calls
/// by a pool of database workers sized to the engine.
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
    /// Stops a Run in progress: from any thread, also from a signal handler.
    /// Run returns once the requests being handled are answered.
    void Stop();
    /// Blocks until Run accepts connections or @p timeout passes.
    bool WaitUntilReady(std::chrono::milliseconds timeout) const;

    /// In-process test hooks: what a failing server does to the call in progress.
    enum class Fault {
        /// Dies before the call is applied: no answer, and the server stops
        /// listening, as a killed one would.
        DieBefore,
        /// Dies once the call is applied (committed), before its answer.
        DieAfter,
        /// Freezes: the call, and every call arriving meanwhile, waits for
        /// the duration given, then runs and is answered.
        Freeze,
    };
    /// Makes @p fault happen at the @p n th call of the module from now (1:
    /// the next). A server that died comes back as a new server on the same
    /// database (InProcessServer::Stop, then Start).
    void FaultAt(int n, Fault fault, std::chrono::milliseconds freeze = {});

    Storage& GetStorage() { return *storage_; }
    RemoteModule& Module() { return *module_; }

private:
    struct Http;
    /// The accepted token @p authorization carries, or null.
    const AccessToken* tokenOf(const std::string& authorization) const;
    void purgeHistory();
    /// One call of the module, a write with a request id through the replays.
    HttpAnswer serve(const HttpHead& head, const std::string& body, std::optional<std::int64_t> version);
    ServerOptions options_;
    std::unique_ptr<Storage> storage_;
    std::unique_ptr<RemoteModule> module_;
    std::unique_ptr<Http> http_;
    int port_ = 0;
};

} // namespace gsf::server

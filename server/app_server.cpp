#include "server/app_server.h"

#include "server/http_front.h"
#include "server/http_workers.h"

#include <algorithm>
#include <iostream>
#include <mutex>
#include <thread>

namespace gsf::server {

namespace {

const std::string& modulePrefix() {
    static const std::string prefix = std::string("/") + RemoteModule::kName + "/";
    return prefix;
}

// Method names are letters only; anything else under the module's path is an
// unknown resource, as any other path is.
bool methodName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

} // namespace

struct AppServer::Http {
    std::mutex logMutex;
    std::unique_ptr<DatabaseWorkers> workers;
    std::unique_ptr<HttpFront> front;
};

AppServer::AppServer(ServerOptions options)
    : options_(std::move(options)),
      storage_(std::make_unique<Storage>(options_.database)),
      module_(std::make_unique<RemoteModule>(*storage_, options_.cacheReads)),
      http_(std::make_unique<Http>()) {
    if (options_.demo) storage_->SeedDemo();
    if (!options_.log) options_.log = [this](const std::string& line) {
        // One write per line: lines of requests answered at once never mix.
        const std::string text = line + '\n';
        std::lock_guard lock(http_->logMutex);
        std::cerr.write(text.data(), static_cast<std::streamsize>(text.size()));
    };

    // SQLite takes one writer at a time: writes queue on a worker of their
    // own instead of waiting on the database's lock in several.
    const bool sqlite = storage_->GetEngine() == gsf::sql::Engine::SQLite;
    const int workers = options_.workers > 0 ? options_.workers : sqlite ? 4 : 8;
    // On PostgreSQL the workers are the pool's connections. A call answered
    // from memory waits for a shared read of the change version holding no
    // connection: twice as many threads keep the connections busy while
    // those calls wait.
    if (!sqlite) storage_->SetConnectionLimit(static_cast<std::size_t>(workers));
    http_->workers = std::make_unique<DatabaseWorkers>(sqlite ? workers : 2 * workers, sqlite);

    HttpLimits limits;
    limits.ioThreads = std::max(1, options_.ioThreads);
    limits.maxBodyBytes = options_.maxBodyBytes;
    limits.requestDeadline = options_.readTimeout;
    limits.writeTimeout = options_.writeTimeout;
    limits.idleTimeout = options_.keepAliveTimeout;
    limits.maxConnections = std::max(1, options_.maxConnections);

    const std::string expected = options_.token.empty() ? "" : "Bearer " + options_.token;
    auto admit = [expected](const HttpHead& head) -> HttpAdmission {
        using Route = HttpAdmission::Route;
        if (!expected.empty() && !constantTimeEquals(head.authorization, expected))
            return {Route::Answer,
                    {401, errorBody("unauthorized", "Acesso não autorizado: informe a chave de acesso do servidor.")}};
        if (head.verb == "GET" && head.path == "/health") return {Route::Answer, {200, R"({"status":"ok"})"}};
        if (head.verb == "POST" && head.path.starts_with(modulePrefix())) {
            const std::string_view name = std::string_view(head.path).substr(modulePrefix().size());
            if (methodName(name)) return {name.starts_with("Get") ? Route::Read : Route::Write, {}};
        }
        return {Route::Answer, {404, errorBody("not_found", "Recurso desconhecido: " + head.path + ".")}};
    };
    auto handle = [this](const HttpHead& head, std::string body) -> HttpAnswer {
        Reply reply = module_->Call(std::string_view(head.path).substr(modulePrefix().size()), body);
        return {reply.status, std::move(reply.body), std::move(reply.shared)};
    };
    http_->front = std::make_unique<HttpFront>(limits, *http_->workers, std::move(admit), std::move(handle),
                                               [this](const std::string& line) { options_.log(line); });
}

AppServer::~AppServer() {
    Stop();
    // The front's requests end before the workers that answer them.
    http_->front.reset();
    http_->workers.reset();
}

bool AppServer::Bind() {
    port_ = http_->front->Bind(options_.listen, options_.port) ? http_->front->Port() : -1;
    return port_ > 0;
}

void AppServer::Run() { http_->front->Run(); }

void AppServer::Stop() { http_->front->Stop(); }

bool AppServer::WaitUntilReady(std::chrono::milliseconds timeout) const {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!http_->front->Running()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace gsf::server

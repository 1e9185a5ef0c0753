#include "server/app_server.h"

#include "server/http_front.h"
#include "server/http_workers.h"
#include "server/replay_store.h"

#include <algorithm>
#include <atomic>
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

void waitWhileFrozen(const std::atomic<std::chrono::steady_clock::rep>& until) {
    using Clock = std::chrono::steady_clock;
    for (;;) {
        const auto end = Clock::time_point(Clock::duration(until.load()));
        const auto now = Clock::now();
        if (now >= end) return;
        std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(5)));
    }
}

} // namespace

struct AppServer::Http {
    std::mutex logMutex;
    ReplayStore replays;
    // Test hooks (DieAt, Freeze).
    std::atomic<int> faultCountdown{0};
    std::atomic<Fault> fault{Fault::DieBefore};
    std::atomic<std::chrono::steady_clock::rep> freezeFor{0};
    std::atomic<bool> dead{false};
    std::atomic<std::chrono::steady_clock::rep> frozenUntil{0};
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
    http_->workers = std::make_unique<DatabaseWorkers>(workers, sqlite);

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
            if (methodName(name)) {
                const bool read = name.starts_with("Get");
                if (const auto id = head.Extra(kRequestIdHeader); !read && !id.empty() && !validRequestId(id))
                    return {Route::Answer,
                            {400, errorBody("bad_request", "Requisição inválida: o cabeçalho X-Request-Id deve ter de "
                                                           "8 a 64 letras, dígitos, '-' ou '_'.")}};
                return {read ? Route::Read : Route::Write, {}};
            }
        }
        return {Route::Answer, {404, errorBody("not_found", "Recurso desconhecido: " + head.path + ".")}};
    };
    auto handle = [this](const HttpHead& head, std::string body) -> HttpAnswer {
        if (http_->faultCountdown.load() > 0 && http_->faultCountdown.fetch_sub(1) == 1) {
            if (http_->fault == Fault::Freeze) {
                const auto until = std::chrono::steady_clock::now() + std::chrono::steady_clock::duration(http_->freezeFor);
                http_->frozenUntil = until.time_since_epoch().count();
            } else {
                if (http_->fault == Fault::DieAfter) serve(head, body);
                http_->dead = true;
                http_->front->Stop();
            }
        }
        waitWhileFrozen(http_->frozenUntil);
        if (http_->dead) return HttpAnswer{0, {}, true};
        return serve(head, body);
    };
    http_->front = std::make_unique<HttpFront>(limits, *http_->workers, std::move(admit), std::move(handle),
                                               [this](const std::string& line) { options_.log(line); });
}

HttpAnswer AppServer::serve(const HttpHead& head, const std::string& body) {
    const std::string_view method = std::string_view(head.path).substr(modulePrefix().size());
    const std::string_view id = method.starts_with("Get") ? std::string_view() : head.Extra(kRequestIdHeader);
    if (id.empty()) {
        Reply reply = module_->Call(method, body);
        return {reply.status, std::move(reply.body)};
    }
    // A write sent again with its id gets the first answer: from memory
    // while this process keeps it, from the database once it committed
    // (through another process, or before a restart).
    const std::string fingerprint = requestFingerprint(method, body);
    StoredAnswer answer = http_->replays.Run(std::string(id), fingerprint, [&] {
        DatabaseReplayMark mark{std::string(id), fingerprint};
        ScopedWriteHook scope(mark);
        Reply reply = module_->Call(method, body);
        return StoredAnswer{reply.status, std::move(reply.body)};
    });
    return {answer.status, std::move(answer.body)};
}

void AppServer::FaultAt(int n, Fault fault, std::chrono::milliseconds freeze) {
    http_->fault = fault;
    http_->freezeFor = std::chrono::duration_cast<std::chrono::steady_clock::duration>(freeze).count();
    http_->faultCountdown = n;
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

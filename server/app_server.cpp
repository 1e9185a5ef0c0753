#include "server/app_server.h"

#include "server/history.h"
#include "server/http_front.h"
#include "server/http_workers.h"
#include "server/metrics.h"
#include "server/replay_store.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>

namespace gsf::server {

namespace {

const std::string& modulePrefix()
{
    static const std::string prefix = std::string("/") + RemoteModule::kName + "/";
    return prefix;
}

// Method names are letters only; anything else under the module's path is an
// unknown resource, as any other path is.
// The user name for the change history, sent by the host.
constexpr const char* kUserHeader = "x-gsf-user";

bool methodName(std::string_view name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(),
                                        [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
}

// The user name as the host sent it: percent-encoded UTF-8. Control
// characters and bytes that are not UTF-8 are replaced, and a name longer
// than the history keeps is cut at a character's boundary.
std::string userName(std::string_view sent)
{
    constexpr size_t kMaxCharacters = 200;
    const std::string bytes = percentDecoded(sent);
    std::string_view rest = bytes;
    std::string out;
    for (size_t characters = 0; !rest.empty() && characters < kMaxCharacters; ++characters) {
        const size_t length = utf8Sequence(rest);
        const auto lead = static_cast<unsigned char>(rest.front());
        if (length == 0 || lead < 0x20 || lead == 0x7f)
            out += '?';
        else
            out.append(rest.substr(0, length));
        rest.remove_prefix(length == 0 ? 1 : length);
    }
    return out;
}

void waitWhileFrozen(const std::atomic<std::chrono::steady_clock::rep>& until)
{
    using Clock = std::chrono::steady_clock;
    for (;;) {
        const auto end = Clock::time_point(Clock::duration(until.load()));
        const auto now = Clock::now();
        if (now >= end)
            return;
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
    Metrics metrics;

    // Old history is removed at start and then hourly while the server runs.
    std::mutex purgeMutex;
    std::condition_variable purgeWake;
    bool purgeStop = false;
};

AppServer::AppServer(ServerOptions options)
    : options_(std::move(options)), storage_(std::make_unique<Storage>(options_.database, options_.demo)),
      module_(std::make_unique<RemoteModule>(*storage_, options_.cacheReads)), http_(std::make_unique<Http>())
{
    if (!options_.log)
        options_.log = [this](const std::string& line) {
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
    // those calls wait. Reads waiting together share one such read.
    if (!sqlite)
        storage_->SetConnectionLimit(static_cast<std::size_t>(workers));
    DatabaseWorkers::VersionReader versionReader;
    if (!sqlite && options_.cacheReads)
        versionReader = [this] { return storage_->ChangeVersion(); };
    http_->workers =
        std::make_unique<DatabaseWorkers>(sqlite ? workers : 2 * workers, sqlite, std::move(versionReader));

    HttpLimits limits;
    limits.ioThreads = std::max(1, options_.ioThreads);
    limits.maxBodyBytes = options_.maxBodyBytes;
    limits.requestDeadline = options_.readTimeout;
    limits.writeTimeout = options_.writeTimeout;
    limits.idleTimeout = options_.keepAliveTimeout;
    limits.maxConnections = std::max(1, options_.maxConnections);

    if (!options_.token.empty())
        options_.tokens.push_back({"", options_.token});
    auto admit = [this](const HttpHead& head) -> HttpAdmission {
        using Route = HttpAdmission::Route;
        if (!options_.tokens.empty() && !tokenOf(head.authorization))
            return {Route::Answer,
                    {401, errorBody("unauthorized", "Acesso não autorizado: informe a chave de acesso do servidor.")}};
        if (head.verb == "GET" && head.path == "/health")
            return {Route::Answer, {200, R"({"status":"ok"})"}};
        if (options_.metrics && head.verb == "GET" && head.path == "/metrics") {
            const auto lookups = module_->Cache().Counts();
            const Metrics::Gauges gauges{lookups.hits, lookups.misses, module_->Cache().Size(),
                                         http_->front->OpenConnections()};
            return {Route::Answer,
                    {200, http_->metrics.Text(gauges), false, "text/plain; version=0.0.4; charset=utf-8"}};
        }
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
    auto handle = [this](const HttpHead& head, std::string body, std::optional<std::int64_t> version) -> HttpAnswer {
        if (http_->faultCountdown.load() > 0 && http_->faultCountdown.fetch_sub(1) == 1) {
            if (http_->fault == Fault::Freeze) {
                const auto until =
                    std::chrono::steady_clock::now() + std::chrono::steady_clock::duration(http_->freezeFor);
                http_->frozenUntil = until.time_since_epoch().count();
            } else {
                if (http_->fault == Fault::DieAfter)
                    serve(head, body, version);
                http_->dead = true;
                http_->front->Stop();
            }
        }
        waitWhileFrozen(http_->frozenUntil);
        if (http_->dead)
            return HttpAnswer{0, {}, true};
        return serve(head, body, version);
    };
    http_->front = std::make_unique<HttpFront>(limits, *http_->workers, std::move(admit), std::move(handle),
                                               [this](const std::string& line) { options_.log(line); });
    if (options_.metrics)
        http_->front->SetObserver([this](std::string_view method, int status, double seconds) {
            http_->metrics.Request(method, status, seconds);
        });
}

// Every token is compared, in a time that does not depend on which one
// matches or how much of one does.
const AccessToken* AppServer::tokenOf(const std::string& authorization) const
{
    const AccessToken* found = nullptr;
    for (const AccessToken& token : options_.tokens)
        if (constantTimeEquals(authorization, "Bearer " + token.secret) && !found)
            found = &token;
    return found;
}

HttpAnswer AppServer::serve(const HttpHead& head, const std::string& body, std::optional<std::int64_t> version)
{
    const std::string_view method = std::string_view(head.path).substr(modulePrefix().size());
    const std::string_view id = method.starts_with("Get") ? std::string_view() : head.Extra(kRequestIdHeader);
    // What this call changes is recorded in the change history as theirs.
    const AccessToken* token = tokenOf(head.authorization);
    const history::AuthorScope author({userName(head.Extra(kUserHeader)), token ? token->name : "", std::string(id)});
    const auto started = std::chrono::steady_clock::now();
    HttpAnswer answer = [&]() -> HttpAnswer {
        if (id.empty()) {
            Reply reply = module_->Call(method, body, version);
            return {.status = reply.status, .body = std::move(reply.body), .shared = std::move(reply.shared)};
        }
        // A write sent again with its id gets the first answer: from memory
        // while this process keeps it, from the database once it committed
        // (through another process, or before a restart).
        const std::string fingerprint = requestFingerprint(method, body);
        StoredAnswer stored = http_->replays.Run(std::string(id), fingerprint, [&] {
            DatabaseReplayMark mark{std::string(id), fingerprint};
            ScopedWriteHook scope(mark);
            Reply reply = module_->Call(method, body);
            // A kept answer is shared with other callers: the store keeps its own copy.
            return StoredAnswer{reply.status, reply.shared ? std::string(*reply.shared) : std::move(reply.body)};
        });
        return {stored.status, std::move(stored.body)};
    }();
    if (options_.metrics)
        http_->metrics.Database(method,
                                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    return answer;
}

void AppServer::FaultAt(int n, Fault fault, std::chrono::milliseconds freeze)
{
    http_->fault = fault;
    http_->freezeFor = std::chrono::duration_cast<std::chrono::steady_clock::duration>(freeze).count();
    http_->faultCountdown = n;
}

AppServer::~AppServer()
{
    Stop();
    // The front's requests end before the workers that answer them.
    http_->front.reset();
    http_->workers.reset();
}

bool AppServer::Bind()
{
    port_ = http_->front->Bind(options_.listen, options_.port) ? http_->front->Port() : -1;
    return port_ > 0;
}

void AppServer::Run()
{
    std::thread purger;
    if (options_.historyDays > 0) {
        {
            std::lock_guard lock(http_->purgeMutex);
            http_->purgeStop = false;
        }
        purger = std::thread([this] { purgeHistory(); });
    }
    http_->front->Run();
    if (purger.joinable()) {
        {
            std::lock_guard lock(http_->purgeMutex);
            http_->purgeStop = true;
        }
        http_->purgeWake.notify_all();
        purger.join();
    }
}

void AppServer::purgeHistory()
{
    std::unique_lock lock(http_->purgeMutex);
    while (!http_->purgeStop) {
        lock.unlock();
        try {
            const auto connection = gsf::sql::openDatabase(options_.database);
            if (const auto removed = history::purge(*connection, options_.historyDays); removed > 0)
                options_.log(nlohmann::json{{"event", "history_purged"}, {"rows", removed}}.dump());
        } catch (const std::exception& e) {
            // A busy or unreachable database is tried again at the next round.
            options_.log(nlohmann::json{{"event", "history_purge_failed"}, {"detail", e.what()}}.dump(
                -1, ' ', false, nlohmann::json::error_handler_t::replace));
        }
        lock.lock();
        http_->purgeWake.wait_for(lock, std::chrono::hours(1), [this] { return http_->purgeStop; });
    }
}

void AppServer::Stop()
{
    http_->front->Stop();
}

bool AppServer::WaitUntilReady(std::chrono::milliseconds timeout) const
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!http_->front->Running()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace gsf::server

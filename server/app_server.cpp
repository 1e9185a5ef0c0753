#include "server/app_server.h"

#include "server/history.h"
#include "server/http_front.h"
#include "server/http_workers.h"
#include "server/metrics.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <condition_variable>
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

// The user name as the host sent it: percent-encoded UTF-8. Control
// characters are replaced, and a name longer than the history keeps is cut at
// a character's boundary.
std::string userName(std::string_view sent) {
    constexpr size_t kMaxCharacters = 200;
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string bytes;
    for (size_t i = 0; i < sent.size(); ++i) {
        if (sent[i] == '%' && i + 2 < sent.size() && hex(sent[i + 1]) >= 0 && hex(sent[i + 2]) >= 0) {
            bytes += static_cast<char>(hex(sent[i + 1]) * 16 + hex(sent[i + 2]));
            i += 2;
        } else {
            bytes += sent[i];
        }
    }
    std::string out;
    size_t characters = 0;
    for (size_t i = 0; i < bytes.size() && characters < kMaxCharacters;) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const size_t length = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        bool valid = length > 0 && i + length <= bytes.size();
        for (size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        if (!valid || lead < 0x20 || lead == 0x7f) {
            out += '?';
            i += valid ? length : 1;
        } else {
            out.append(bytes, i, length);
            i += length;
        }
        ++characters;
    }
    return out;
}

} // namespace

struct AppServer::Http {
    std::mutex logMutex;
    std::unique_ptr<DatabaseWorkers> workers;
    std::unique_ptr<HttpFront> front;
    Metrics metrics;

    // Old history is removed at start and then hourly while the server runs.
    std::mutex purgeMutex;
    std::condition_variable purgeWake;
    bool purgeStop = false;
};

AppServer::AppServer(ServerOptions options)
    : options_(std::move(options)),
      storage_(std::make_unique<Storage>(options_.database, options_.demo)),
      module_(std::make_unique<RemoteModule>(*storage_, options_.cacheReads)),
      http_(std::make_unique<Http>()) {
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

    if (!options_.token.empty()) options_.tokens.push_back({"", options_.token});
    auto admit = [this](const HttpHead& head) -> HttpAdmission {
        using Route = HttpAdmission::Route;
        if (!options_.tokens.empty() && !tokenOf(head.authorization))
            return {Route::Answer,
                    {401, errorBody("unauthorized", "Acesso não autorizado: informe a chave de acesso do servidor.")}};
        if (head.verb == "GET" && head.path == "/health") return {Route::Answer, {200, R"({"status":"ok"})"}};
        if (options_.metrics && head.verb == "GET" && head.path == "/metrics") {
            const auto lookups = module_->Cache().Counts();
            const Metrics::Gauges gauges{lookups.hits, lookups.misses, module_->Cache().Size(),
                                         http_->front->OpenConnections()};
            return {Route::Answer, {200, http_->metrics.Text(gauges), "text/plain; version=0.0.4; charset=utf-8"}};
        }
        if (head.verb == "POST" && head.path.starts_with(modulePrefix())) {
            const std::string_view name = std::string_view(head.path).substr(modulePrefix().size());
            if (methodName(name)) return {name.starts_with("Get") ? Route::Read : Route::Write, {}};
        }
        return {Route::Answer, {404, errorBody("not_found", "Recurso desconhecido: " + head.path + ".")}};
    };
    auto handle = [this](const HttpHead& head, std::string body) -> HttpAnswer {
        const std::string_view method = std::string_view(head.path).substr(modulePrefix().size());
        const AccessToken* token = tokenOf(head.authorization);
        const history::AuthorScope author({userName(head.user), token ? token->name : "", ""});
        const auto started = std::chrono::steady_clock::now();
        Reply reply = module_->Call(method, body);
        if (options_.metrics)
            http_->metrics.Database(method,
                                    std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        return {reply.status, std::move(reply.body)};
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
const AccessToken* AppServer::tokenOf(const std::string& authorization) const {
    const AccessToken* found = nullptr;
    for (const AccessToken& token : options_.tokens)
        if (constantTimeEquals(authorization, "Bearer " + token.secret) && !found) found = &token;
    return found;
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

void AppServer::Run() {
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

void AppServer::purgeHistory() {
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

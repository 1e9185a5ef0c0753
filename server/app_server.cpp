#include "server/app_server.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <iostream>
#include <mutex>
#include <thread>

namespace gsf::server {

namespace {

// A request is handled start to finish on one worker thread, so the start
// time taken before routing can wait here for the log line.
thread_local std::chrono::steady_clock::time_point requestStart;

// The timestamp changes once a second; formatting it on every request costs
// as much as a small method call, so each worker keeps its last one.
const std::string& utcNow() {
    thread_local std::time_t last = -1;
    thread_local std::string text;
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    if (t != last) {
        std::tm tm{};
        gmtime_r(&t, &tm);
        char buffer[32];
        text.assign(buffer, std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &tm));
        last = t;
    }
    return text;
}

// Text that needs no JSON escaping: what method names, HTTP verbs and
// addresses are made of.
bool plain(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == ':' || c == '-' || c == '_' || c == '/';
    });
}

// One request's log line, keys in the documented order. Written by hand when
// every part is plain text (every real call), through the JSON library
// otherwise, so that whatever a client puts in the path is escaped.
std::string logLine(const std::string& http, const std::string& method, int status, double ms,
                    const std::string& remote) {
    const double rounded = std::round(ms * 1000) / 1000;
    if (!plain(http) || !plain(method) || !plain(remote)) {
        const nlohmann::json line = {{"ts", utcNow()}, {"method", method}, {"http", http},
                                     {"status", status}, {"ms", rounded}, {"remote", remote}};
        return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    char number[32];
    const auto end = std::to_chars(number, number + sizeof number, rounded).ptr;
    std::string line;
    line.reserve(128);
    line.append("{\"http\":\"").append(http).append("\",\"method\":\"").append(method).append("\",\"ms\":");
    line.append(number, end).append(",\"remote\":\"").append(remote).append("\",\"status\":");
    line.append(std::to_string(status)).append(",\"ts\":\"").append(utcNow()).append("\"}");
    return line;
}

} // namespace

struct AppServer::Http {
    httplib::Server server;
    std::mutex logMutex;
};

AppServer::AppServer(ServerOptions options)
    : options_(std::move(options)),
      storage_(std::make_unique<Storage>(options_.database)),
      module_(std::make_unique<RemoteModule>(*storage_, options_.cacheReads)),
      http_(std::make_unique<Http>()) {
    if (options_.demo) storage_->SeedDemo();
    if (!options_.log) options_.log = [this](const std::string& line) {
        std::lock_guard lock(http_->logMutex);
        std::cerr << line << '\n';
    };

    auto& svr = http_->server;
    const int workers = std::max(2, options_.workers);
    svr.new_task_queue = [workers] { return new httplib::ThreadPool(static_cast<size_t>(workers)); };
    svr.set_tcp_nodelay(true);
    svr.set_keep_alive_max_count(1000000);
    svr.set_keep_alive_timeout(options_.keepAliveTimeout.count());
    svr.set_read_timeout(options_.readTimeout.count(), 0);
    svr.set_write_timeout(options_.writeTimeout.count(), 0);
    svr.set_payload_max_length(options_.maxBodyBytes);

    const std::string expected = options_.token.empty() ? "" : "Bearer " + options_.token;
    svr.set_pre_routing_handler([expected](const httplib::Request& req, httplib::Response& res) {
        requestStart = std::chrono::steady_clock::now();
        if (!expected.empty() && req.get_header_value("Authorization") != expected) {
            res.status = 401;
            res.set_content(errorBody("unauthorized", "Acesso não autorizado: informe a chave de acesso do servidor."),
                            "application/json");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    svr.Get("/health", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"status":"ok"})", "application/json");
    });
    svr.Post(std::string("/") + RemoteModule::kName + "/([A-Za-z]+)",
             [this](const httplib::Request& req, httplib::Response& res) {
                 Reply reply = module_->Call(req.matches[1].str(), req.body);
                 res.status = reply.status;
                 // Moved rather than copied: a packet may be a hundred kilobytes.
                 res.body = std::move(reply.body);
                 res.set_header("Content-Type", "application/json");
             });
    svr.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return;
        std::string message;
        if (res.status == 413)
            message = "Requisição grande demais: o limite é de 1 MiB.";
        else if (res.status == 404)
            message = "Recurso desconhecido: " + req.path + ".";
        else
            message = "Requisição inválida.";
        res.set_content(errorBody(res.status == 404 ? "not_found" : res.status == 413 ? "too_large" : "bad_request",
                                  message),
                        "application/json");
    });
    svr.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - requestStart).count();
        const auto slash = req.path.rfind('/');
        options_.log(logLine(req.method, slash == std::string::npos ? req.path : req.path.substr(slash + 1), res.status,
                             ms, req.remote_addr));
    });
}

AppServer::~AppServer() { Stop(); }

bool AppServer::Bind() {
    if (options_.port == 0)
        port_ = http_->server.bind_to_any_port(options_.listen);
    else
        port_ = http_->server.bind_to_port(options_.listen, options_.port) ? options_.port : -1;
    return port_ > 0;
}

void AppServer::Run() { http_->server.listen_after_bind(); }

void AppServer::Stop() { http_->server.stop(); }

bool AppServer::WaitUntilReady(std::chrono::milliseconds timeout) const {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!http_->server.is_running()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace gsf::server

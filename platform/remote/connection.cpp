#include "platform/remote/connection.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <random>
#include <stdexcept>

namespace gsf::remote {

namespace {

constexpr const char* kRequestIdHeader = "X-Request-Id";

std::string reasonOf(httplib::Error error)
{
    switch (error) {
    case httplib::Error::Connection: return "conexão recusada ou endereço inacessível.";
    case httplib::Error::Read: return "tempo de espera esgotado ou conexão interrompida na leitura da resposta.";
    case httplib::Error::Write: return "falha ao enviar a requisição.";
    case httplib::Error::ConnectionTimeout: return "tempo de conexão esgotado.";
    case httplib::Error::BindIPAddress: return "endereço local inválido.";
    case httplib::Error::ExceedRedirectCount: return "redirecionamentos demais.";
    case httplib::Error::Canceled: return "chamada cancelada.";
    default: return "falha de comunicação (" + httplib::to_string(error) + ").";
    }
}

// Whether the request may have reached the server whole: it was written (or
// being written) on a connection that then gave no answer. A refused or
// timed-out connect sent nothing.
bool answerLost(httplib::Error error)
{
    return error == httplib::Error::Read || error == httplib::Error::Write;
}

bool changesData(const std::string& method)
{
    return !method.starts_with("Get");
}

std::string hex(std::uint64_t value, int digits)
{
    static const char* const table = "0123456789abcdef";
    std::string out(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        out[static_cast<size_t>(i)] = table[value & 0xF];
    return out;
}

bool headerToken(const std::string& name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
}

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

struct RemoteConnection::Client {
    Client(const std::string& h, int p) : http(h, p), host(h), port(p) {}
    httplib::Client http;
    std::string host;
    int port = 0;
};

namespace {

std::function<void(RemoteConnection&)>& openDefaults()
{
    static std::function<void(RemoteConnection&)> defaults;
    return defaults;
}

} // namespace

RemoteConnection::RemoteConnection(std::string name) : name_(std::move(name))
{
    // Ids of different screens, processes and machines must not meet: 64
    // random bits per connection, then a counter.
    std::random_device seed;
    idPrefix_ = hex((static_cast<std::uint64_t>(seed()) << 32) ^ seed(), 16);
}

void RemoteConnection::SetOpenDefaults(std::function<void(RemoteConnection&)> defaults)
{
    openDefaults() = std::move(defaults);
}

RemoteConnection::~RemoteConnection() = default;

void RemoteConnection::applyLimits(Client& client) const
{
    auto& http = client.http;
    const auto set = [](std::chrono::milliseconds limit, auto apply) {
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(limit).count();
        apply(static_cast<time_t>(us / 1000000), static_cast<time_t>(us % 1000000));
    };
    set(ConnectTimeout, [&](time_t s, time_t us) { http.set_connection_timeout(s, us); });
    set(Timeout, [&](time_t s, time_t us) {
        http.set_read_timeout(s, us);
        http.set_write_timeout(s, us);
    });
}

std::unique_ptr<RemoteConnection::Client> RemoteConnection::makeClient()
{
    auto client = std::make_unique<Client>(Host, Port);
    auto& http = client->http;
    http.set_keep_alive(true);
    http.set_tcp_nodelay(true);
    if (!Token.empty())
        http.set_bearer_token_auth(Token);
    // Called for every socket the client makes: a new connection.
    http.set_socket_options([this](socket_t) { ++stats_.connectionsOpened; });
    return client;
}

void RemoteConnection::Open()
{
    if (BeforeConnect)
        BeforeConnect(*this);
    if (openDefaults())
        openDefaults()(*this);
    client_ = makeClient();
}

void RemoteConnection::Close()
{
    client_.reset();
}

bool RemoteConnection::Connected() const
{
    return client_ != nullptr;
}

void RemoteConnection::SetConnected(bool value)
{
    if (value)
        Open();
    else
        Close();
}

void RemoteConnection::SetHeader(const std::string& name, const std::string& value)
{
    if (!headerToken(name))
        throw std::invalid_argument("Nome de cabeçalho inválido: \"" + name + "\".");
    for (const char* own : {kRequestIdHeader, "Authorization", "Content-Type", "Content-Length", "Host", "Connection"})
        if (sameName(name, own))
            throw std::invalid_argument("O cabeçalho " + name + " é definido pela conexão.");
    if (std::any_of(value.begin(), value.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        throw std::invalid_argument("Valor do cabeçalho " + name + " com caractere de controle.");
    const auto it =
        std::find_if(headers_.begin(), headers_.end(), [&](const auto& h) { return sameName(h.first, name); });
    if (value.empty()) {
        if (it != headers_.end())
            headers_.erase(it);
    } else if (it != headers_.end()) {
        it->second = value;
    } else {
        headers_.emplace_back(name, value);
    }
}

std::string RemoteConnection::newRequestId()
{
    return idPrefix_ + "-" + hex(++idCounter_, 8);
}

CallResult RemoteConnection::unavailable(const std::string& reason) const
{
    const std::string host = client_ ? client_->host : Host;
    const int port = client_ ? client_->port : Port;
    return {false, "", "unavailable",
            "Servidor de aplicação indisponível em " + host + ":" + std::to_string(port) + ": " + reason};
}

CallResult RemoteConnection::Call(const std::string& method, const std::vector<std::string>& args)
{
    logCall(method, args);
    ++stats_.calls;
    nlohmann::json body = {{"args", args}};
    std::string text;
    try {
        text = body.dump();
    } catch (const nlohmann::json::exception&) {
        return {false, "", "bad_request", "Argumento com codificação inválida (UTF-8) na chamada de " + method + "."};
    }
    return post(method, text);
}

CallResult RemoteConnection::Call(const std::string& method, const gsf::data::Delta& delta)
{
    logCall(method, {"<delta: " + std::to_string(delta.changes.size()) + " alterações>"});
    ++stats_.calls;
    std::string text;
    try {
        text = "{\"args\":[" + gsf::data::encodeDelta(delta) + "]}";
    } catch (const std::exception& e) {
        return {false, "", "bad_request", std::string("Delta inválido na chamada de ") + method + ": " + e.what()};
    }
    return post(method, text);
}

CallResult RemoteConnection::post(const std::string& method, const std::string& body)
{
    if (!client_)
        return unavailable("a conexão não está aberta.");
    const bool writes = changesData(method);
    httplib::Headers headers(headers_.begin(), headers_.end());
    if (writes)
        headers.emplace(kRequestIdHeader, newRequestId());
    const std::string path = "/" + ServerName + "/" + method;
    // Limits changed while open count from the next call.
    applyLimits(*client_);
    try {
        bool sent = false; // a try went out and its answer was lost
        for (int attempt = 0;; ++attempt) {
            const auto started = std::chrono::steady_clock::now();
            const auto res = client_->http.Post(path.c_str(), headers, body, "application/json");
            if (!res) {
                const auto error = res.error();
                const bool lost = answerLost(error);
                const bool timedOut = std::chrono::steady_clock::now() - started >= Timeout * 9 / 10;
                sent = sent || lost;
                // A failed connection is never used again: an answer that
                // comes late must not be read as the next call's.
                client_ = makeClient();
                applyLimits(*client_);
                if (attempt == 0 && lost && (writes || !timedOut)) {
                    ++stats_.retries;
                    continue;
                }
                CallResult failed = unavailable(reasonOf(error));
                failed.outcomeUnknown = writes && sent;
                return failed;
            }
            if (res->status == 200)
                return {true, res->body, "", ""};
            CallResult failed{false, "", "http_" + std::to_string(res->status),
                              "O servidor de aplicação recusou a chamada de " + method + " (HTTP " +
                                  std::to_string(res->status) + ")."};
            const auto reply = nlohmann::json::parse(res->body, nullptr, false);
            if (reply.is_object() && reply.contains("error") && reply["error"].is_object()) {
                const auto& error = reply["error"];
                if (error.contains("code") && error["code"].is_string())
                    failed.errorCode = error["code"];
                if (error.contains("message") && error["message"].is_string())
                    failed.message = error["message"];
            }
            return failed;
        }
    } catch (const std::exception& e) {
        return unavailable(std::string("erro inesperado: ") + e.what());
    }
}

void RemoteConnection::logCall(const std::string& method, std::vector<std::string> args)
{
    std::lock_guard lock(logMutex_);
    log_.push_back({++logged_, method, std::move(args)});
    trimLog();
}

void RemoteConnection::trimLog()
{
    while (log_.size() > logLimit_)
        log_.pop_front();
}

std::vector<CallLogEntry> RemoteConnection::CallLog() const
{
    return CallLogSince(0);
}

std::vector<CallLogEntry> RemoteConnection::CallLogSince(std::uint64_t number) const
{
    std::lock_guard lock(logMutex_);
    // Numbers rise along the log: the first one past @p number starts the answer.
    const auto first = std::partition_point(log_.begin(), log_.end(),
                                            [number](const CallLogEntry& entry) { return entry.number <= number; });
    return {first, log_.end()};
}

void RemoteConnection::ClearCallLog()
{
    std::lock_guard lock(logMutex_);
    log_.clear();
}

std::size_t RemoteConnection::CallLogLimit() const
{
    std::lock_guard lock(logMutex_);
    return logLimit_;
}

void RemoteConnection::SetCallLogLimit(std::size_t limit)
{
    std::lock_guard lock(logMutex_);
    logLimit_ = limit;
    trimLog();
}

} // namespace gsf::remote

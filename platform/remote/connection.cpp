#include "platform/remote/connection.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace gsf::remote {

namespace {

std::string reasonOf(httplib::Error error) {
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

} // namespace

struct RemoteConnection::Client {
    Client(const std::string& h, int p) : http(h, p), host(h), port(p) {}
    httplib::Client http;
    std::string host;
    int port = 0;
};

namespace {

std::function<void(RemoteConnection&)>& openDefaults() {
    static std::function<void(RemoteConnection&)> defaults;
    return defaults;
}

} // namespace

RemoteConnection::RemoteConnection(std::string name) : name_(std::move(name)) {}

void RemoteConnection::SetOpenDefaults(std::function<void(RemoteConnection&)> defaults) {
    openDefaults() = std::move(defaults);
}

RemoteConnection::~RemoteConnection() = default;

void RemoteConnection::Open() {
    if (BeforeConnect) BeforeConnect(*this);
    if (openDefaults()) openDefaults()(*this);
    auto client = std::make_unique<Client>(Host, Port);
    auto& http = client->http;
    http.set_keep_alive(true);
    http.set_tcp_nodelay(true);
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(Timeout).count();
    const time_t sec = static_cast<time_t>(us / 1000000);
    const time_t usec = static_cast<time_t>(us % 1000000);
    http.set_connection_timeout(sec, usec);
    http.set_read_timeout(sec, usec);
    http.set_write_timeout(sec, usec);
    if (!Token.empty()) http.set_bearer_token_auth(Token);
    client_ = std::move(client);
}

void RemoteConnection::Close() { client_.reset(); }

bool RemoteConnection::Connected() const { return client_ != nullptr; }

void RemoteConnection::SetConnected(bool value) {
    if (value) Open();
    else Close();
}

CallResult RemoteConnection::unavailable(const std::string& reason) const {
    const std::string host = client_ ? client_->host : Host;
    const int port = client_ ? client_->port : Port;
    return {false, "", "unavailable",
            "Servidor de aplicação indisponível em " + host + ":" + std::to_string(port) + ": " + reason};
}

CallResult RemoteConnection::Call(const std::string& method, const std::vector<std::string>& args) {
    {
        std::lock_guard lock(logMutex_);
        log_.push_back({method, args});
    }
    nlohmann::json body = {{"args", args}};
    std::string text;
    try {
        text = body.dump();
    } catch (const nlohmann::json::exception&) {
        return {false, "", "bad_request", "Argumento com codificação inválida (UTF-8) na chamada de " + method + "."};
    }
    return post(method, text);
}

CallResult RemoteConnection::Call(const std::string& method, const gsf::data::Delta& delta) {
    {
        std::lock_guard lock(logMutex_);
        log_.push_back({method, {"<delta: " + std::to_string(delta.changes.size()) + " alterações>"}});
    }
    std::string text;
    try {
        text = "{\"args\":[" + gsf::data::encodeDelta(delta) + "]}";
    } catch (const std::exception& e) {
        return {false, "", "bad_request", std::string("Delta inválido na chamada de ") + method + ": " + e.what()};
    }
    return post(method, text);
}

CallResult RemoteConnection::post(const std::string& method, const std::string& body) {
    if (!client_) return unavailable("a conexão não está aberta.");
    try {
        const auto res = client_->http.Post(("/" + ServerName + "/" + method).c_str(), body, "application/json");
        if (!res) return unavailable(reasonOf(res.error()));
        if (res->status == 200) return {true, res->body, "", ""};
        CallResult failed{false, "", "http_" + std::to_string(res->status),
                          "O servidor de aplicação recusou a chamada de " + method + " (HTTP " +
                              std::to_string(res->status) + ")."};
        const auto reply = nlohmann::json::parse(res->body, nullptr, false);
        if (reply.is_object() && reply.contains("error") && reply["error"].is_object()) {
            const auto& error = reply["error"];
            if (error.contains("code") && error["code"].is_string()) failed.errorCode = error["code"];
            if (error.contains("message") && error["message"].is_string()) failed.message = error["message"];
        }
        return failed;
    } catch (const std::exception& e) {
        return unavailable(std::string("erro inesperado: ") + e.what());
    }
}

std::vector<CallLogEntry> RemoteConnection::CallLog() const {
    std::lock_guard lock(logMutex_);
    return log_;
}

void RemoteConnection::ClearCallLog() {
    std::lock_guard lock(logMutex_);
    log_.clear();
}

} // namespace gsf::remote

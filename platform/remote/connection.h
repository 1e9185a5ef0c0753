#pragma once

#include "platform/data/packet.h"
#include "platform/remote/call_result.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace gsf::remote {

/// One entry of the call log: the method and its arguments as sent.
struct CallLogEntry {
    std::string method;
    /// Text arguments in order; a delta appears as "<delta: N alterações>".
    std::vector<std::string> args;
};

/// Connection to the application server's remote data module (the screen's
/// `netGrupServFat`).
///
/// Calls go as `POST /<ServerName>/<Method>` with `{"args": [...]}` over one
/// keep-alive HTTP connection. The component never throws on its own: an
/// unreachable server, a timeout, a refusal or a call while closed all come
/// back as a failed CallResult. Thread-compatible: one caller at a time.
class RemoteConnection {
public:
    explicit RemoteConnection(std::string name = "netGrupServFat");
    ~RemoteConnection();
    RemoteConnection(const RemoteConnection&) = delete;
    RemoteConnection& operator=(const RemoteConnection&) = delete;

    const std::string& Name() const { return name_; }

    /// Remote module name, the first part of every call's path.
    std::string ServerName = "Vex04120.rdmGrupServFat";
    std::string Host = "127.0.0.1";
    int Port = 8211;
    /// Sent as `Authorization: Bearer <Token>` when not empty.
    std::string Token;
    /// Limit for connecting and for each read and write of a call.
    std::chrono::milliseconds Timeout{std::chrono::seconds(30)};
    /// Runs at every Open, before the connection is made; sets Host and Port.
    std::function<void(RemoteConnection&)> BeforeConnect;

    /// Runs at every Open of every connection, after its BeforeConnect: where
    /// the host application puts what each call must carry whichever screen
    /// makes it (the access token, the user's name). Set once, at load time.
    static void SetOpenDefaults(std::function<void(RemoteConnection&)> defaults);

    /// Runs BeforeConnect and the open defaults, and prepares the keep-alive client. A server that is
    /// not there yet is found out at the first call.
    void Open();
    void Close();
    bool Connected() const;
    /// Open (true) or Close (false).
    void SetConnected(bool value);

    /// Calls @p method with text arguments. Never throws.
    /// @return ok with the body (a packet or "{}"), or failed with code and message;
    /// code "unavailable" with "Servidor de aplicação indisponível em HOST:PORTA: ..."
    /// when the server cannot be reached or does not answer in time.
    CallResult Call(const std::string& method, const std::vector<std::string>& args);
    /// Calls @p method with a delta as its one argument. Never throws.
    CallResult Call(const std::string& method, const gsf::data::Delta& delta);

    /// Every call made, in order (failed ones included).
    std::vector<CallLogEntry> CallLog() const;
    void ClearCallLog();

private:
    struct Client;
    CallResult post(const std::string& method, const std::string& body);
    CallResult unavailable(const std::string& reason) const;

    std::string name_;
    std::unique_ptr<Client> client_;
    mutable std::mutex logMutex_;
    std::vector<CallLogEntry> log_;
};

} // namespace gsf::remote

#pragma once

#include "platform/data/packet.h"
#include "platform/remote/call_result.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace gsf::remote {

/// One entry of the call log: the method and its arguments as sent.
struct CallLogEntry {
    /// Place of the call among every call of this connection, from 1; kept
    /// across ClearCallLog, so a reader can ask for what came after the last
    /// one it saw.
    std::uint64_t number = 0;
    std::string method;
    /// Text arguments in order; a delta appears as "<delta: N alterações>".
    std::vector<std::string> args;
};

/// What the connection did so far, for measuring and for tests.
struct ConnectionStats {
    int calls = 0;             ///< Call invocations
    int connectionsOpened = 0; ///< TCP connections made (a kept-alive one counts once)
    int retries = 0;           ///< calls sent a second time after a lost answer
};

/// Connection to one remote data module of an application server. The
/// component knows no module or server of its own: whoever owns it names the
/// module (ServerName) and, at every Open, the server's address.
///
/// Calls go as `POST /<ServerName>/<Method>` with `{"args": [...]}` over one
/// keep-alive HTTP connection. The component never throws on its own: an
/// unreachable server, a timeout, a refusal or a call while closed all come
/// back as a failed CallResult. Thread-compatible: one caller at a time.
///
/// Lost answers. Every call that changes data (every method but the `Get`
/// ones) carries a new request id in the `X-Request-Id` header; the server
/// answers a repeated id with the first answer instead of applying the call
/// again. When the answer of such a call is lost (a timeout, or the
/// connection dropped after the request went out), the call is sent once
/// more, with the same id, on a new connection. A `Get` call is sent again
/// only when the connection dropped, not after a timeout: it changes nothing,
/// and a server that took the whole timeout once is not waited for twice.
class RemoteConnection {
public:
    explicit RemoteConnection(std::string name = {});
    ~RemoteConnection();
    RemoteConnection(const RemoteConnection&) = delete;
    RemoteConnection& operator=(const RemoteConnection&) = delete;

    const std::string& Name() const { return name_; }

    /// Remote module name, the first part of every call's path.
    std::string ServerName;
    std::string Host = "127.0.0.1";
    int Port = 0;
    /// Sent as `Authorization: Bearer <Token>` when not empty.
    std::string Token;
    /// Limits changed while the connection is open count from the next call.
    /// Limit for making the TCP connection: on a local network a server that
    /// has not accepted in this time is not there.
    std::chrono::milliseconds ConnectTimeout{std::chrono::seconds(3)};
    /// Limit for each read and write of a call: well above the slowest call a
    /// working server makes (a delta of thousands of changes takes about a
    /// second), and with the one retry of a write call it bounds a frozen
    /// server's wait at about twice this.
    std::chrono::milliseconds Timeout{std::chrono::seconds(10)};
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

    /// Sends the header @p name with @p value on every call from now on
    /// (replacing an earlier value); an empty value stops sending it.
    /// @throws std::invalid_argument for a name that is not a header token, a
    /// value with a control character, or a header the connection sets itself.
    void SetHeader(const std::string& name, const std::string& value);
    /// The headers set with SetHeader, in the order first set.
    const std::vector<std::pair<std::string, std::string>>& Headers() const { return headers_; }

    ConnectionStats Stats() const { return stats_; }

    /// Calls the log keeps by default: far more than one action of a screen
    /// makes, so a reader that looks after every action misses none.
    static constexpr std::size_t kDefaultCallLogLimit = 1000;
    /// The last calls made, oldest first (failed ones included); at most
    /// CallLogLimit() of them, the oldest dropped first.
    std::vector<CallLogEntry> CallLog() const;
    /// The kept calls whose number is above @p number, oldest first.
    std::vector<CallLogEntry> CallLogSince(std::uint64_t number) const;
    void ClearCallLog();
    std::size_t CallLogLimit() const;
    /// Keeps at most @p limit calls from now on (0 keeps none), dropping the
    /// oldest ones over it at once.
    void SetCallLogLimit(std::size_t limit);

private:
    struct Client;
    std::unique_ptr<Client> makeClient();
    void applyLimits(Client& client) const;
    CallResult post(const std::string& method, const std::string& body);
    CallResult unavailable(const std::string& reason) const;
    std::string newRequestId();
    void logCall(const std::string& method, std::vector<std::string> args);
    void trimLog();

    std::string name_;
    std::unique_ptr<Client> client_;
    std::vector<std::pair<std::string, std::string>> headers_;
    ConnectionStats stats_;
    std::string idPrefix_;
    std::uint64_t idCounter_ = 0;
    mutable std::mutex logMutex_;
    std::deque<CallLogEntry> log_;
    std::size_t logLimit_ = kDefaultCallLogLimit;
    std::uint64_t logged_ = 0;
};

} // namespace gsf::remote

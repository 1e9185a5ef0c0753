#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace gsf::test {

/// One answer as it came over the wire.
struct WireResponse {
    int status = 0;
    std::map<std::string, std::string> headers; ///< names in lower case
    std::string body;
};

/// A raw loopback TCP connection, for sending what no HTTP library would:
/// half requests, garbage, bodies in pieces, requests followed by a half-close.
class Wire {
public:
    /// Connects to 127.0.0.1:@p port. @throws std::runtime_error when it cannot.
    explicit Wire(int port);
    ~Wire();
    Wire(const Wire&) = delete;
    Wire& operator=(const Wire&) = delete;

    /// @return false when the connection no longer takes bytes.
    bool send(std::string_view bytes);
    void shutdownWrite();
    /// The next answer (a 100 Continue is one); none when the connection
    /// closed or nothing complete came within @p timeout.
    std::optional<WireResponse> response(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    /// Whether the server closed the connection within @p timeout, reading
    /// and dropping whatever it still sent.
    bool closedWithin(std::chrono::milliseconds timeout);

private:
    // Reads what arrives within @p timeout. @return false on end of stream or error.
    bool fill(std::chrono::steady_clock::time_point until);
    int fd_ = -1;
    std::string received_;
};

/// A request with a body: "VERB PATH HTTP/1.1", Host, Content-Length, @p extraHeaders
/// (each ending in CRLF), the body.
std::string request(std::string_view verb, std::string_view path, std::string_view body,
                    std::string_view extraHeaders = "");

/// POST of @p body to the remote module's @p method.
std::string call(std::string_view method, std::string_view body, std::string_view extraHeaders = "");

/// Raises this process's soft descriptor limit to at least @p wanted when the hard one allows.
void allowDescriptors(unsigned wanted);

} // namespace gsf::test

#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gsf::server {

class DatabaseWorkers;

/// The head of a request as the service sees it, once it is read and checked.
struct HttpHead {
    std::string verb;          ///< "GET", "POST", ...
    std::string path;          ///< percent-decoded, valid UTF-8, without the query
    std::string authorization; ///< the Authorization header, empty when absent
    /// The application's own headers, those named "X-...", names in lower
    /// case, in the order sent (the request id, for one).
    std::vector<std::pair<std::string, std::string>> extra;

    /// The value of the extra header @p name (lower case), empty when absent.
    std::string_view Extra(std::string_view name) const
    {
        for (const auto& [key, value] : extra)
            if (key == name)
                return value;
        return {};
    }
};

/// A JSON answer.
struct HttpAnswer {
    int status = 200;
    std::string body; ///< the body, unless @c shared holds it
    /// Close the connection without answering, as a server that died in the
    /// call would (a test's way to lose an answer).
    bool drop = false;
    std::string contentType = "application/json";
    std::shared_ptr<const std::string> shared = {}; ///< a body written once and sent without a copy, when set

    std::string_view Body() const { return shared ? std::string_view(*shared) : std::string_view(body); }
};

/// What the service makes of a request head, on an I/O thread.
struct HttpAdmission {
    enum class Route {
        Answer, ///< answer with `answer` once the body is read (and dropped)
        Read,   ///< run the handler on a database reader
        Write,  ///< run the handler on the database writer
    };
    Route route = Route::Answer;
    HttpAnswer answer;
};

struct HttpLimits {
    int ioThreads = 2;
    size_t maxBodyBytes = 1024 * 1024;
    size_t maxHeaderBytes = 16 * 1024;
    /// From a request's first byte until its headers and body are in.
    std::chrono::milliseconds requestDeadline{std::chrono::seconds(5)};
    /// For writing one answer.
    std::chrono::milliseconds writeTimeout{std::chrono::seconds(10)};
    /// How long a keep-alive connection may stay open between requests.
    std::chrono::milliseconds idleTimeout{std::chrono::minutes(10)};
    /// Open connections at once; the next is answered 503 and closed.
    int maxConnections = 10000;
};

/// An asynchronous HTTP/1.1 server: a few I/O threads read and write every
/// connection; each complete request goes to a database worker. A connection
/// waiting for its next request holds no thread.
///
/// What the front itself answers, `{"error": {...}}` with a Portuguese
/// message: 400 for a malformed request (at once for a malformed request
/// line), for a path or header that is not UTF-8 and for a request not
/// complete within the deadline that is still open; 413 past the body limit
/// (Content-Length or chunked); 503 past the connection cap; 500 when the
/// handler throws. One log line per answer:
/// `{"http":VERB,"method":LAST-SEGMENT,"ms":...,"remote":ADDRESS,"status":N,"ts":...}`.
class HttpFront {
public:
    /// Runs on an I/O thread once a head is read: must not block.
    using Admit = std::function<HttpAdmission(const HttpHead&)>;
    /// Runs on a database worker with the whole body and the change version
    /// the worker read for it, if it read one (see DatabaseWorkers).
    using Handle = std::function<HttpAnswer(const HttpHead&, std::string body, std::optional<std::int64_t> version)>;
    using Log = std::function<void(const std::string&)>;
    /// Told of every answer once it is out, on an I/O thread: the last
    /// segment of the path, the status, the time from the first byte.
    using Observe = std::function<void(std::string_view method, int status, double seconds)>;

    HttpFront(HttpLimits limits, DatabaseWorkers& workers, Admit admit, Handle handle, Log log);
    ~HttpFront();
    HttpFront(const HttpFront&) = delete;
    HttpFront& operator=(const HttpFront&) = delete;

    /// Binds and listens on @p address (a numeric address or a host name).
    /// @param port 0 for any free port.
    /// @return false when the address cannot be used or the port is taken.
    bool Bind(const std::string& address, int port);
    int Port() const;
    /// Serves on the calling thread and ioThreads - 1 more until Stop. Returns
    /// once every connection is closed and every request in a worker has been
    /// answered (or its connection was gone).
    void Run();
    /// Closes the listening socket and every connection waiting for a request;
    /// a request being handled is answered, then its connection closed.
    /// Async-signal-safe; from any thread, before, during or after Run.
    void Stop();
    /// Installs @p observe; before Run.
    void SetObserver(Observe observe);
    /// Whether Run is accepting connections.
    bool Running() const;

    /// Open connections, those being refused past the cap excluded.
    int OpenConnections() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

/// The log line of one answered request, keys in this order:
/// `{"http":VERB,"method":...,"ms":...,"remote":...,"status":N,"ts":"2024-05-01T12:00:00Z"}`.
/// Whatever the client sent is escaped; bytes that are not UTF-8 are replaced.
std::string requestLogLine(std::string_view http, std::string_view method, int status, double ms,
                           std::string_view remote);

/// "1 MiB", "64 KiB", "1000 bytes": a byte count as the messages show it.
std::string byteSize(size_t bytes);

/// Whether @p a equals @p b, in a time that depends only on the length of @p b.
bool constantTimeEquals(std::string_view a, std::string_view b);

/// @p text with its percent escapes decoded; a '%' not followed by two hex
/// digits stays as it is.
std::string percentDecoded(std::string_view text);

/// Length of the UTF-8 sequence at the start of @p s (not empty), 0 when it
/// is not one (overlong forms, surrogates and code points past U+10FFFF included).
size_t utf8Sequence(std::string_view s);

} // namespace gsf::server

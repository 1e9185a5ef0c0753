#pragma once

#include "server/storage.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace gsf::server {

/// The header a client sends with each write call: an id of its own choosing,
/// the same when it sends the call again because no answer came.
inline constexpr const char* kRequestIdHeader = "x-request-id";

/// Whether @p id can be a request id: 8 to 64 letters, digits, '-' or '_'.
bool validRequestId(std::string_view id);

/// A short fingerprint of a call, its method and its body: a repeated id must
/// come with the same call.
std::string requestFingerprint(std::string_view method, std::string_view body);

/// The answer of one call.
struct StoredAnswer {
    int status = 200;
    std::string body;
};

/// Write calls in progress, by request id: a try that comes while an earlier
/// try of the same call is still being worked on (on another worker, after
/// the client gave up waiting for the first) waits for it and gets its answer
/// instead of running again.
///
/// Only calls in progress are held, so memory follows the calls at the same
/// instant, not the traffic; once a call is answered, a later try of it is
/// answered by the database (DatabaseReplayMark) when it was applied, and run
/// again when it was not (a refusal or a failure applied nothing).
/// Thread-safe.
class ReplayStore {
public:
    /// Runs @p call for @p id, or waits for the try of it in progress and
    /// answers with that. An id in progress with another fingerprint is
    /// refused (422) without running.
    StoredAnswer Run(const std::string& id, const std::string& fingerprint, const std::function<StoredAnswer()>& call);

    /// Calls in progress.
    std::size_t Size() const;

private:
    struct Entry {
        std::string fingerprint;
        bool done = false;
        StoredAnswer answer;
    };

    mutable std::mutex mutex_;
    std::condition_variable finished_;
    std::unordered_map<std::string, std::shared_ptr<Entry>> inProgress_;
};

/// Records a write request's id in the database in the transaction of its
/// change, and finds it there when the request comes again: through another
/// server process sharing the database, or after this one was restarted.
/// Ids older than @p keep are removed now and then by the writes themselves.
class DatabaseReplayMark : public WriteHook {
public:
    DatabaseReplayMark(std::string id, std::string fingerprint, std::chrono::seconds keep = std::chrono::minutes(10))
        : id_(std::move(id)), fingerprint_(std::move(fingerprint)), keep_(keep)
    {}

    bool Before(gsf::sql::Connection& db) override;
    void After(gsf::sql::Connection& db) override;

    /// Whether the request was found applied already (its change left out).
    bool Replayed() const { return replayed_; }

private:
    std::string id_;
    std::string fingerprint_;
    std::chrono::seconds keep_;
    bool replayed_ = false;
    bool recorded_ = false;
};

} // namespace gsf::server

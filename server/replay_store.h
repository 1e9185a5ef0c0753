#pragma once

#include "server/storage.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
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

/// Answers of write calls kept by request id for a while, in memory, so that
/// a call sent again after a lost answer gets the first answer instead of
/// being applied twice. A call with an id still being worked on waits for it.
///
/// Only final answers are kept: a success or a refusal (4xx). A 5xx leaves
/// nothing applied and nothing kept, so the next try runs again. Bounded in
/// count and in time; thread-safe.
class ReplayStore {
public:
    using Clock = std::chrono::steady_clock;

    explicit ReplayStore(std::chrono::seconds keep = std::chrono::minutes(10), std::size_t maxEntries = 100000)
        : keep_(keep), maxEntries_(maxEntries) {}

    /// Runs @p call for @p id, or answers with what it answered before.
    /// An id seen with another fingerprint is refused (422) without running.
    StoredAnswer Run(const std::string& id, const std::string& fingerprint, const std::function<StoredAnswer()>& call);

    /// Answers kept (being worked on included).
    std::size_t Size() const;

private:
    struct Entry {
        std::string fingerprint;
        Clock::time_point at;
        bool done = false;
        StoredAnswer answer;
    };
    void expire(Clock::time_point now);

    const std::chrono::seconds keep_;
    const std::size_t maxEntries_;
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    std::unordered_map<std::string, Entry> entries_;
    std::deque<std::pair<Clock::time_point, std::string>> order_;
};

/// Records a write request's id in the database in the transaction of its
/// change, and finds it there when the request comes again: through another
/// server process sharing the database, or after this one was restarted.
/// Ids older than @p keep are removed now and then by the writes themselves.
class DatabaseReplayMark : public WriteHook {
public:
    DatabaseReplayMark(std::string id, std::string fingerprint, std::chrono::seconds keep = std::chrono::minutes(10))
        : id_(std::move(id)), fingerprint_(std::move(fingerprint)), keep_(keep) {}

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

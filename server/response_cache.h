#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace gsf::server {

/// Answers of the read-only methods, each kept with the database's change
/// version (Storage::ChangeVersion) read before it was computed.
///
/// An answer is served again only while the version is still the same: the
/// version moves with every committed write of any connection or process, so
/// an equal version means nothing was written since the answer was read.
/// Thread-safe.
class ResponseCache {
public:
    /// @p maxBytes bounds the bodies kept; past it the cache starts over.
    explicit ResponseCache(std::size_t maxBytes = 64 * 1024 * 1024) : maxBytes_(maxBytes) {}

    /// The body stored for @p key at @p version, or null.
    std::shared_ptr<const std::string> Find(const std::string& key, std::int64_t version);
    /// Keeps @p body for @p key, computed at @p version. A body older than
    /// one already seen is not kept: it can never be served.
    void Store(const std::string& key, std::int64_t version, std::shared_ptr<const std::string> body);

    /// Number of answers kept.
    std::size_t Size() const;

    /// Finds since the cache was made that found a body, and that did not.
    struct Lookups {
        std::uint64_t hits = 0, misses = 0;
    };
    Lookups Counts() const;

private:
    struct Entry {
        std::int64_t version;
        std::shared_ptr<const std::string> body;
    };
    void forgetOlderThan(std::int64_t version);

    const std::size_t maxBytes_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
    std::int64_t newest_ = -1;
    std::size_t bytes_ = 0;
    std::uint64_t hits_ = 0, misses_ = 0;
};

/// Strings that answers are written into, taken back once an answer is sent
/// (and no longer kept by the cache): their memory serves request after
/// request, so a large packet is written without the heap growing and being
/// trimmed around it every time. Thread-safe; a buffer may outlive the pool.
class AnswerBuffers {
public:
    /// Keeps at most @p maxKept strings, of at most @p maxBytes each.
    explicit AnswerBuffers(std::size_t maxKept = 32, std::size_t maxBytes = 16 * 1024 * 1024);

    /// An empty string with the capacity of an earlier answer, when one is
    /// free; it comes back to the pool when its last pointer goes.
    std::shared_ptr<std::string> Take();

    /// Strings waiting to be taken again.
    std::size_t Kept() const;

private:
    struct Pool;
    std::shared_ptr<Pool> pool_;
};

} // namespace gsf::server

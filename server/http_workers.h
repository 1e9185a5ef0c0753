#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace gsf::server {

/// The threads that run database work for the HTTP front, so that a slow
/// query never holds up the threads that read and write sockets.
///
/// Readers share one queue. With a separate writer, writes go to a queue of
/// their own served by one thread, in the order they were submitted (SQLite
/// takes one writer at a time: a second one would only wait on its lock);
/// without one, reads and writes share the readers (PostgreSQL, where every
/// worker holds a connection of its own).
///
/// With a version reader (PostgreSQL, where reading the database's change
/// version is a round trip), a reader takes the reads waiting next to each
/// other in the queue together, up to kBatch, reads the version once and runs
/// them with it one after another. The version is read after every one of
/// them was queued, so it is as fresh as one each would have read; under load
/// one read then serves several calls, and none of them sleeps waiting for it.
class DatabaseWorkers {
public:
    /// A task, given the change version read for it when it was taken with a
    /// version reader; none otherwise, or when that read failed.
    using Task = std::function<void(std::optional<std::int64_t> version)>;
    using VersionReader = std::function<std::int64_t()>;

    /// Reads taken together at most.
    static constexpr std::size_t kBatch = 8;

    /// Starts @p readers threads (at least one) and, with @p separateWriter, one more.
    DatabaseWorkers(int readers, bool separateWriter, VersionReader versionReader = {});
    /// Runs what is queued, then joins every thread.
    ~DatabaseWorkers();
    DatabaseWorkers(const DatabaseWorkers&) = delete;
    DatabaseWorkers& operator=(const DatabaseWorkers&) = delete;

    /// Queues @p task. A task that throws loses only itself.
    void Submit(bool write, Task task);

    /// Threads started, the writer included.
    int Threads() const { return static_cast<int>(threads_.size()); }

private:
    struct Entry {
        bool write = false;
        Task task;
    };
    struct Queue {
        std::mutex mutex;
        std::condition_variable ready;
        std::deque<Entry> tasks;
        bool closing = false;
    };
    void serve(Queue& queue);
    std::vector<Entry> take(Queue& queue) const;
    std::optional<std::int64_t> versionFor(const std::vector<Entry>& batch) const;
    static void close(Queue& queue);

    Queue reads_;
    Queue writes_;
    bool separateWriter_;
    VersionReader versionReader_;
    std::vector<std::thread> threads_;
};

} // namespace gsf::server

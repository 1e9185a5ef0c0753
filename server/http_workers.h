#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
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
class DatabaseWorkers {
public:
    /// Starts @p readers threads (at least one) and, with @p separateWriter, one more.
    DatabaseWorkers(int readers, bool separateWriter);
    /// Runs what is queued, then joins every thread.
    ~DatabaseWorkers();
    DatabaseWorkers(const DatabaseWorkers&) = delete;
    DatabaseWorkers& operator=(const DatabaseWorkers&) = delete;

    /// Queues @p task. A task that throws loses only itself.
    void Submit(bool write, std::function<void()> task);

    /// Threads started, the writer included.
    int Threads() const { return static_cast<int>(threads_.size()); }

private:
    struct Queue {
        std::mutex mutex;
        std::condition_variable ready;
        std::deque<std::function<void()>> tasks;
        bool closing = false;
    };
    static void serve(Queue& queue);
    static void close(Queue& queue);

    Queue reads_;
    Queue writes_;
    bool separateWriter_;
    std::vector<std::thread> threads_;
};

} // namespace gsf::server

#include "server/http_workers.h"

#include <algorithm>

namespace gsf::server {

DatabaseWorkers::DatabaseWorkers(int readers, bool separateWriter, VersionReader versionReader)
    : separateWriter_(separateWriter), versionReader_(std::move(versionReader))
{
    const int count = std::max(1, readers);
    threads_.reserve(static_cast<size_t>(count) + 1);
    for (int i = 0; i < count; ++i)
        threads_.emplace_back([this] { serve(reads_); });
    if (separateWriter_)
        threads_.emplace_back([this] { serve(writes_); });
}

DatabaseWorkers::~DatabaseWorkers()
{
    close(reads_);
    close(writes_);
    for (auto& thread : threads_)
        thread.join();
}

void DatabaseWorkers::Submit(bool write, Task task)
{
    Queue& queue = write && separateWriter_ ? writes_ : reads_;
    {
        std::lock_guard lock(queue.mutex);
        queue.tasks.push_back({write, std::move(task)});
    }
    queue.ready.notify_one();
}

void DatabaseWorkers::close(Queue& queue)
{
    {
        std::lock_guard lock(queue.mutex);
        queue.closing = true;
    }
    queue.ready.notify_all();
}

// The next task, with the reads queued right behind it when it is a read
// and a version is read for them. Empty once the queue is closed and drained.
std::vector<DatabaseWorkers::Entry> DatabaseWorkers::take(Queue& queue) const
{
    std::vector<Entry> batch;
    std::unique_lock lock(queue.mutex);
    queue.ready.wait(lock, [&] { return queue.closing || !queue.tasks.empty(); });
    if (queue.tasks.empty())
        return batch;
    const auto pop = [&] {
        batch.push_back(std::move(queue.tasks.front()));
        queue.tasks.pop_front();
    };
    pop();
    const std::size_t most = versionReader_ ? kBatch : 1;
    while (!batch.front().write && batch.size() < most && !queue.tasks.empty() && !queue.tasks.front().write)
        pop();
    return batch;
}

// A read that fails leaves the tasks without a version: each then reads
// its own and answers that failure as it would any other.
std::optional<std::int64_t> DatabaseWorkers::versionFor(const std::vector<Entry>& batch) const
{
    if (!versionReader_ || batch.front().write)
        return std::nullopt;
    try {
        return versionReader_();
    } catch (...) {
        return std::nullopt;
    }
}

void DatabaseWorkers::serve(Queue& queue)
{
    for (;;) {
        std::vector<Entry> batch = take(queue);
        if (batch.empty())
            return;
        const std::optional<std::int64_t> version = versionFor(batch);
        for (Entry& entry : batch) {
            try {
                entry.task(version);
            } catch (...) {
                // The tasks of the front answer their own failures; nothing that
                // escapes one may take the thread, and with it the pool, down.
            }
        }
    }
}

} // namespace gsf::server

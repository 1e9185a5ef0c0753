#include "server/http_workers.h"

#include <algorithm>

namespace gsf::server {

DatabaseWorkers::DatabaseWorkers(int readers, bool separateWriter) : separateWriter_(separateWriter)
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

void DatabaseWorkers::Submit(bool write, std::function<void()> task)
{
    Queue& queue = write && separateWriter_ ? writes_ : reads_;
    {
        std::lock_guard lock(queue.mutex);
        queue.tasks.push_back(std::move(task));
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

void DatabaseWorkers::serve(Queue& queue)
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(queue.mutex);
            queue.ready.wait(lock, [&] { return queue.closing || !queue.tasks.empty(); });
            if (queue.tasks.empty())
                return;
            task = std::move(queue.tasks.front());
            queue.tasks.pop_front();
        }
        try {
            task();
        } catch (...) {
            // The tasks of the front answer their own failures; nothing that
            // escapes one may take the thread, and with it the pool, down.
        }
    }
}

} // namespace gsf::server

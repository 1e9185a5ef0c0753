#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>

namespace gsf::server {

/// One value read for many callers at once (the database's change version).
///
/// A caller needs a read that begins after it called: any such read reflects
/// everything committed before the call, as one of its own would. One read
/// runs at a time; the callers that arrive meanwhile wait for the next one
/// and all take its answer, so under load one round trip serves many calls.
/// A read that throws fails the caller that ran it; the others try again.
template <typename T>
class SharedRead {
public:
    /// @p read runs without the lock held. @throws what @p read throws.
    template <typename Read>
    T Current(const Read& read) {
        std::unique_lock lock(mutex_);
        const std::uint64_t wanted = started_ + 1;  // the first read to begin from now on
        while (finished_ < wanted) {
            if (running_) {
                done_.wait(lock);
                continue;
            }
            running_ = true;
            const std::uint64_t mine = ++started_;
            lock.unlock();
            T answer{};
            std::exception_ptr failure;
            try {
                answer = read();
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            running_ = false;
            if (!failure) {
                finished_ = mine;
                value_ = answer;
            }
            done_.notify_all();
            if (failure) std::rethrow_exception(failure);
        }
        return value_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool running_ = false;
    std::uint64_t started_ = 0;   ///< reads begun, numbered from 1
    std::uint64_t finished_ = 0;  ///< number of the last read that answered
    T value_{};                   ///< its answer
};

} // namespace gsf::server

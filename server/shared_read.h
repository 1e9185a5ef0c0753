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
/// runs at a time; the callers that arrive while it runs all take the next
/// one, begun by the first of them as soon as the running one is done. Under
/// load one round trip to the database then serves many calls.
///
/// Reads are numbered from 1. The callers of read n sleep on the condition of
/// n's parity and are woken when n ends; the one caller that will begin n
/// (its starter) sleeps on another condition until no read runs. A caller
/// thus sleeps once, barring races. A read that throws fails the caller that
/// ran it; the callers that waited for it plan another.
template <typename T>
class SharedRead {
public:
    /// @p read runs without the lock held. @throws what @p read throws.
    template <typename Read>
    T Current(const Read& read)
    {
        std::unique_lock lock(mutex_);
        std::uint64_t wanted = plan();
        bool starter = false;
        for (;;) {
            if (best_ >= wanted)
                return value_;
            if (failed_ >= wanted) { // the read waited for failed
                wanted = plan();
                starter = false;
                continue;
            }
            if (!running_) {
                // No read runs and none answered for this caller, so the
                // read it wants is the next one: begin it.
                running_ = true;
                started_ = wanted;
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
                if (failure) {
                    failed_ = wanted;
                } else {
                    best_ = wanted;
                    value_ = answer;
                }
                answered_[wanted % 2].notify_all();
                // Every starter is woken, a stale one too (one whose read
                // another caller began meanwhile): none may be left asleep
                // with no read running to wake it.
                free_.notify_all();
                if (failure)
                    std::rethrow_exception(failure);
                return value_;
            }
            if (starter || starterOf_ < wanted) {
                starter = true;
                starterOf_ = wanted;
                free_.wait(lock);
            } else {
                answered_[wanted % 2].wait(lock);
            }
        }
    }

private:
    // The read a caller arriving now waits for: the one planned and not
    // begun, or a new one.
    std::uint64_t plan() { return planned_ > started_ ? planned_ : ++planned_; }

    std::mutex mutex_;
    std::condition_variable answered_[2]; ///< by the parity of the read waited for
    std::condition_variable free_;        ///< no read running: the next may begin
    bool running_ = false;
    std::uint64_t planned_ = 0;   ///< last read planned
    std::uint64_t started_ = 0;   ///< last read begun
    std::uint64_t starterOf_ = 0; ///< last read given a starter
    std::uint64_t best_ = 0;      ///< last read that answered
    std::uint64_t failed_ = 0;    ///< last read that failed
    T value_{};                   ///< the answer of read best_
};

} // namespace gsf::server

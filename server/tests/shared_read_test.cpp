#include "server/shared_read.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using gsf::server::SharedRead;

// A read that numbers itself as it begins and waits to be let go.
struct GatedReads {
    std::atomic<int> begun{0};
    std::promise<void> firstBegun;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();

    int operator()()
    {
        const int number = ++begun;
        if (number == 1) {
            firstBegun.set_value();
            released.wait();
        }
        return number;
    }
};

TEST(SharedRead, CallersArrivingDuringAReadShareTheNextOneNeverTheRunningOne)
{
    SharedRead<int> shared;
    GatedReads reads;
    auto first = std::async(std::launch::async, [&] { return shared.Current(std::ref(reads)); });
    reads.firstBegun.get_future().wait();
    // These two call while read 1, begun before them, is still running.
    auto second = std::async(std::launch::async, [&] { return shared.Current(std::ref(reads)); });
    auto third = std::async(std::launch::async, [&] { return shared.Current(std::ref(reads)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    reads.release.set_value();
    EXPECT_EQ(first.get(), 1);
    EXPECT_EQ(second.get(), 2);
    EXPECT_EQ(third.get(), 2);
    EXPECT_EQ(reads.begun.load(), 2) << "one read served both late callers";
    // Alone, a caller begins a read of its own.
    EXPECT_EQ(shared.Current(std::ref(reads)), 3);
}

TEST(SharedRead, ManyCallersAtOnceEachGetAReadBegunAfterTheirCall)
{
    SharedRead<int> shared;
    std::atomic<int> begun{0};
    std::atomic<int> wrong{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 8; ++t) {
        callers.emplace_back([&] {
            for (int i = 0; i < 500; ++i) {
                const int before = begun.load(); // reads begun before this call
                if (shared.Current([&] { return ++begun; }) <= before)
                    ++wrong;
            }
        });
    }
    for (auto& c : callers)
        c.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_LE(begun.load(), 8 * 500);
}

TEST(SharedRead, CallersOfAFailedReadTakeAFreshOneAndNoneIsLeftWaiting)
{
    // Every third read fails; the caller that ran it sees the failure and
    // calls again. A caller left asleep with no read running would hang here.
    SharedRead<int> shared;
    std::atomic<int> begun{0};
    std::atomic<int> wrong{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 6; ++t) {
        callers.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                const int before = begun.load();
                try {
                    const int got = shared.Current([&] {
                        const int number = ++begun;
                        if (number % 3 == 0)
                            throw std::runtime_error("banco fora");
                        return number;
                    });
                    if (got <= before || got % 3 == 0)
                        ++wrong;
                } catch (const std::runtime_error&) {
                    ++failures;
                }
            }
        });
    }
    for (auto& c : callers)
        c.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_GT(failures.load(), 0);
    EXPECT_LE(failures.load(), begun.load() / 3) << "only the caller that ran a failed read sees it";
}

TEST(SharedRead, AFailedReadFailsItsCallerAndTheNextOneReadsAgain)
{
    SharedRead<int> shared;
    int calls = 0;
    EXPECT_THROW(shared.Current([&]() -> int {
        ++calls;
        throw std::runtime_error("banco fora");
    }),
                 std::runtime_error);
    EXPECT_EQ(shared.Current([&] { return ++calls; }), 2);
}

} // namespace

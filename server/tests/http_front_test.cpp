// The HTTP front with handlers of the test's own: failures inside a handler,
// a stop while a request is in a worker, and the order of the workers.

#include "server/http_front.h"
#include "server/http_workers.h"
#include "server/tests/http_wire.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace {

using gsf::server::DatabaseWorkers;
using gsf::server::HttpAdmission;
using gsf::server::HttpAnswer;
using gsf::server::HttpFront;
using gsf::server::HttpHead;
using gsf::test::request;
using gsf::test::Wire;
using Json = nlohmann::json;
using namespace std::chrono_literals;

// A front serving /echo (the body back), /throw (a handler that throws) and
// /wait (a handler that holds until released), on its own thread.
class Front {
public:
    Front() : workers_(2, true)
    {
        front_ = std::make_unique<HttpFront>(
            gsf::server::HttpLimits{}, workers_,
            [](const HttpHead& head) {
                return HttpAdmission{head.path == "/echo" ? HttpAdmission::Route::Read : HttpAdmission::Route::Write,
                                     {}};
            },
            [this](const HttpHead& head, std::string body, std::optional<std::int64_t>) -> HttpAnswer {
                if (head.path == "/throw")
                    throw std::runtime_error("estouro \xFF no tratamento");
                if (head.path == "/wait") {
                    entered_.set_value();
                    release_.get_future().wait();
                }
                return {200, body};
            },
            [this](const std::string& line) {
                std::lock_guard lock(mutex_);
                log_.push_back(Json::parse(line));
            });
        if (!front_->Bind("127.0.0.1", 0))
            throw std::runtime_error("bind");
        thread_ = std::thread([this] { front_->Run(); });
        while (!front_->Running())
            std::this_thread::sleep_for(1ms);
    }
    ~Front()
    {
        front_->Stop();
        if (thread_.joinable())
            thread_.join();
    }
    int port() const { return front_->Port(); }
    HttpFront& front() { return *front_; }
    std::thread& thread() { return thread_; }
    std::future<void> entered() { return entered_.get_future(); }
    void release() { release_.set_value(); }
    // A line is written once its answer is out: it may come just after.
    std::vector<Json> log(size_t atLeast)
    {
        for (int i = 0; i < 200; ++i) {
            {
                std::lock_guard lock(mutex_);
                if (log_.size() >= atLeast)
                    return log_;
            }
            std::this_thread::sleep_for(10ms);
        }
        return {};
    }

private:
    DatabaseWorkers workers_;
    std::promise<void> entered_;
    std::promise<void> release_;
    std::mutex mutex_;
    std::vector<Json> log_;
    std::unique_ptr<HttpFront> front_;
    std::thread thread_;
};

TEST(HttpFront, HandlerFailureIsA500ForThatRequestAlone)
{
    Front front;
    Wire wire(front.port());
    ASSERT_TRUE(wire.send(request("POST", "/throw", "{}")));
    auto answer = wire.response();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 500);
    EXPECT_EQ(Json::parse(answer->body)["error"]["message"],
              "Erro interno do servidor: estouro \xEF\xBF\xBD no tratamento");
    // Same connection, next request.
    ASSERT_TRUE(wire.send(request("POST", "/echo", "eco")));
    answer = wire.response();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 200);
    EXPECT_EQ(answer->body, "eco");
    const auto log = front.log(2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0]["status"], 500);
    EXPECT_EQ(log[0]["method"], "throw");
}

TEST(HttpFront, PipelinedAndContinuedRequestsKeepTheirOrder)
{
    Front front;
    Wire wire(front.port());
    ASSERT_TRUE(wire.send(request("POST", "/echo", "um") + request("POST", "/echo", "dois") +
                          request("POST", "/echo", "três")));
    for (const char* expected : {"um", "dois", "três"}) {
        const auto answer = wire.response();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->body, expected);
    }
    // A client that waits for the go-ahead before its body.
    const std::string continued = request("POST", "/echo", "depois", "Expect: 100-continue\r\n");
    const size_t head = continued.find("\r\n\r\n") + 4;
    ASSERT_TRUE(wire.send(continued.substr(0, head)));
    const auto goAhead = wire.response();
    ASSERT_TRUE(goAhead);
    EXPECT_EQ(goAhead->status, 100);
    ASSERT_TRUE(wire.send(continued.substr(head)));
    const auto answer = wire.response();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body, "depois");
}

TEST(HttpFront, StopAnswersTheRequestInAWorkerThenCloses)
{
    Front front;
    Wire working(front.port());
    Wire idle(front.port());
    ASSERT_TRUE(idle.send(request("POST", "/echo", "x")));
    ASSERT_TRUE(idle.response());
    ASSERT_TRUE(working.send(request("POST", "/wait", "esperou")));
    ASSERT_EQ(front.entered().wait_for(5s), std::future_status::ready);

    front.front().Stop();
    EXPECT_TRUE(idle.closedWithin(2s)) << "a conexão ociosa ficou aberta depois do Stop";
    // Run waits for the answer in the worker.
    auto done = std::async(std::launch::async, [&] { front.thread().join(); });
    EXPECT_EQ(done.wait_for(200ms), std::future_status::timeout);
    front.release();
    const auto answer = working.response();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->body, "esperou");
    EXPECT_EQ(answer->headers.at("connection"), "close");
    EXPECT_EQ(done.wait_for(2s), std::future_status::ready);
    EXPECT_THROW(Wire{front.port()}, std::runtime_error);
}

TEST(DatabaseWorkersTest, WritesRunOneAtATimeInOrderWhileReadsShareThreads)
{
    std::mutex mutex;
    std::vector<int> writes;
    std::atomic<int> writing{0}, reading{0}, mostWriting{0}, mostReading{0};
    const auto track = [](std::atomic<int>& now, std::atomic<int>& most) {
        const int n = ++now;
        int seen = most.load();
        while (n > seen && !most.compare_exchange_weak(seen, n)) {}
        std::this_thread::sleep_for(2ms);
        --now;
    };
    {
        DatabaseWorkers workers(3, true);
        EXPECT_EQ(workers.Threads(), 4);
        for (int i = 0; i < 30; ++i) {
            workers.Submit(true, [&, i](auto) {
                track(writing, mostWriting);
                std::lock_guard lock(mutex);
                writes.push_back(i);
            });
            workers.Submit(false, [&](auto) { track(reading, mostReading); });
        }
        // One task that throws takes neither its thread nor the others down.
        workers.Submit(true, [](auto) { throw std::runtime_error("falha"); });
        workers.Submit(true, [&](auto) {
            std::lock_guard lock(mutex);
            writes.push_back(30);
        });
    } // the destructor runs what is queued
    EXPECT_EQ(mostWriting, 1);
    EXPECT_GT(mostReading, 1);
    std::vector<int> expected(31);
    for (int i = 0; i < 31; ++i)
        expected[static_cast<size_t>(i)] = i;
    EXPECT_EQ(writes, expected);
}

// Reads waiting side by side share one version, read after the last of them
// was queued; a write breaks the run and gets none; a failed read gives none.
TEST(DatabaseWorkersTest, ReadsQueuedTogetherShareOneVersionReadAfterThem)
{
    std::atomic<std::int64_t> committed{0};
    std::atomic<int> versionReads{0};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    struct Seen {
        std::int64_t queuedAt;
        std::optional<std::int64_t> version;
    };
    std::mutex mutex;
    std::vector<Seen> seen;
    {
        DatabaseWorkers workers(1, false, [&] {
            ++versionReads;
            return committed.load();
        });
        std::promise<void> entered;
        workers.Submit(false, [&](auto) {
            entered.set_value();
            released.wait();
        });
        entered.get_future().wait();
        const auto submit = [&](bool write) {
            const std::int64_t queuedAt = ++committed; // a commit just before the call arrives
            workers.Submit(write, [&, queuedAt](std::optional<std::int64_t> version) {
                std::lock_guard lock(mutex);
                seen.push_back({queuedAt, version});
            });
        };
        for (int i = 0; i < 3; ++i)
            submit(false);
        submit(true);
        for (int i = 0; i < 2; ++i)
            submit(false);
        release.set_value();
    }
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(versionReads, 3) << "the held read, the three reads, the two reads";
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].queuedAt, static_cast<std::int64_t>(i + 1)) << "in the order queued";
        if (i == 3) {
            EXPECT_FALSE(seen[i].version) << "a write is given no version";
            continue;
        }
        ASSERT_TRUE(seen[i].version);
        EXPECT_GE(*seen[i].version, seen[i].queuedAt) << "read after the call was queued";
    }
    EXPECT_EQ(seen[0].version, seen[2].version);

    std::optional<std::int64_t> given = 1;
    {
        DatabaseWorkers workers(1, false, [&]() -> std::int64_t { throw std::runtime_error("banco fora"); });
        workers.Submit(false, [&](std::optional<std::int64_t> version) { given = version; });
    }
    EXPECT_FALSE(given) << "a failed read leaves the task to read its own";
}

TEST(HttpFrontText, SizesAndTokens)
{
    EXPECT_EQ(gsf::server::byteSize(1024 * 1024), "1 MiB");
    EXPECT_EQ(gsf::server::byteSize(64 * 1024), "64 KiB");
    EXPECT_EQ(gsf::server::byteSize(1500), "1500 bytes");
    EXPECT_TRUE(gsf::server::constantTimeEquals("Bearer abc", "Bearer abc"));
    EXPECT_FALSE(gsf::server::constantTimeEquals("Bearer ab", "Bearer abc"));
    EXPECT_FALSE(gsf::server::constantTimeEquals("Bearer abcd", "Bearer abc"));
    EXPECT_FALSE(gsf::server::constantTimeEquals("Bearer abd", "Bearer abc"));
    EXPECT_FALSE(gsf::server::constantTimeEquals("", "Bearer abc"));
}

} // namespace

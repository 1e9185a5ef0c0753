#include "server/replay_store.h"
#include "server/storage.h"
#include "tests/support/engine_test.h"
#include "tests/support/running_server.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <thread>

namespace {

using gsf::server::ReplayStore;
using gsf::server::StoredAnswer;

const std::string kPath = "/Vex04120.rdmGrupServFat/";

// A new group: applied twice, the second insert would be a duplicate.
std::string newGroup(const std::string& code, const std::string& description)
{
    return R"({"args": [{"fields": [{"name": "CDFILIAL", "type": "string", "size": 4},
        {"name": "CDCLIENTE", "type": "string", "size": 21}, {"name": "CDGRSERVFAT", "type": "string", "size": 3},
        {"name": "DSGRSERVFAT", "type": "string", "size": 30}, {"name": "QTEFETMINIGSF", "type": "float"}],
        "changes": [{"op": "insert", "new": ["0001", "000002", ")" +
           code + R"(", ")" + description + R"(", 1]}]}]})";
}

httplib::Result post(int port, const std::string& method, const std::string& body, const std::string& id)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(20, 0);
    httplib::Headers headers;
    if (!id.empty())
        headers.emplace("X-Request-Id", id);
    return client.Post((kPath + method).c_str(), headers, body, "application/json");
}

class ReplayTest : public gsf::test::DemoStorageTest {
protected:
    gsf::server::ServerOptions options() const
    {
        gsf::server::ServerOptions o;
        o.database = db_->target();
        return o;
    }
    size_t groups() { return storage_->GetGrupServ("0001", "000002").rows.size(); }
};

TEST_P(ReplayTest, ARepeatedIdGetsTheFirstAnswerAndIsAppliedOnce)
{
    gsf::test::RunningServer server(options());
    const auto first = post(server.port(), "UpdGrupServ", newGroup("009", "Noturno"), "req-0000-0001");
    ASSERT_TRUE(first);
    ASSERT_EQ(first->status, 200) << first->body;
    const auto again = post(server.port(), "UpdGrupServ", newGroup("009", "Noturno"), "req-0000-0001");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200) << again->body;
    EXPECT_EQ(again->body, first->body);
    EXPECT_EQ(groups(), 4u);

    // The same call under a new id is a new call, refused as a duplicate;
    // without any id, as before.
    const auto fresh = post(server.port(), "UpdGrupServ", newGroup("009", "Noturno"), "req-0000-0002");
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->status, 409);
    const auto bare = post(server.port(), "UpdGrupServ", newGroup("009", "Noturno"), "");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->status, 409);

    // A refused call applied nothing: a try of it runs again and is refused the same way.
    const auto refusedAgain = post(server.port(), "UpdGrupServ", newGroup("009", "Noturno"), "req-0000-0002");
    ASSERT_TRUE(refusedAgain);
    EXPECT_EQ(refusedAgain->status, 409);
    EXPECT_EQ(refusedAgain->body, fresh->body);
}

TEST_P(ReplayTest, AnIdReusedForAnotherCallOrMalformedIsRefused)
{
    gsf::test::RunningServer server(options());
    ASSERT_EQ(post(server.port(), "UpdGrupServ", newGroup("009", "Noturno"), "req-reused-01")->status, 200);
    const auto other = post(server.port(), "UpdGrupServ", newGroup("010", "Diurno"), "req-reused-01");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 422);
    EXPECT_NE(other->body.find("Identificador de requisição já usado"), std::string::npos) << other->body;
    for (const char* bad : {"curto", "com espaço no meio", "ç-não-ascii-ç-ç"}) {
        const auto res = post(server.port(), "UpdGrupServ", newGroup("011", "Extra"), bad);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 400) << bad;
    }
    EXPECT_EQ(groups(), 4u);
}

TEST_P(ReplayTest, TheDatabaseAnswersARepeatAfterARestartAndOnAnotherServer)
{
    {
        gsf::test::RunningServer first(options());
        ASSERT_EQ(post(first.port(), "UpdGrupServ", newGroup("009", "Noturno"), "req-restart-1")->status, 200);
    }
    gsf::test::RunningServer second(options());
    gsf::test::RunningServer third(options());
    for (const int port : {second.port(), third.port()}) {
        const auto res = post(port, "UpdGrupServ", newGroup("009", "Noturno"), "req-restart-1");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200) << res->body;
    }
    const auto other = post(third.port(), "UpdGrupServ", newGroup("010", "Outro"), "req-restart-1");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 422);
    EXPECT_EQ(groups(), 4u);
}

TEST_P(ReplayTest, TriesOfOneCallAtOnceApplyItOnce)
{
    // Two servers on one database, eight tries of each of ten calls at once,
    // half on each: every try is answered 200 and each call applied once.
    gsf::test::RunningServer a(options());
    gsf::test::RunningServer b(options());
    std::atomic<int> ok{0};
    std::vector<std::thread> senders;
    for (int call = 0; call < 10; ++call)
        for (int attempt = 0; attempt < 8; ++attempt)
            senders.emplace_back([&, call, attempt] {
                const std::string code = "Z" + std::to_string(call);
                const auto res = post(attempt % 2 ? a.port() : b.port(), "UpdGrupServ", newGroup(code, "Paralelo"),
                                      "req-parallel-" + std::to_string(call));
                if (res && res->status == 200)
                    ++ok;
                else
                    ADD_FAILURE() << (res ? res->body : httplib::to_string(res.error()));
            });
    for (auto& t : senders)
        t.join();
    EXPECT_EQ(ok.load(), 80);
    EXPECT_EQ(groups(), 13u);
}

TEST_P(ReplayTest, AServerFailureKeepsNothingAndTheNextTryRuns)
{
    gsf::test::RunningServer server(options());
    server.server().Module().FailOnce("UpdGrupServ", 503, "busy", "Ocupado.");
    EXPECT_EQ(post(server.port(), "UpdGrupServ", newGroup("009", "Noturno"), "req-busy-0001")->status, 503);
    EXPECT_EQ(groups(), 3u);
    EXPECT_EQ(post(server.port(), "UpdGrupServ", newGroup("009", "Noturno"), "req-busy-0001")->status, 200);
    EXPECT_EQ(groups(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Engines, ReplayTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST(ReplayStore, ATryWhileTheFirstIsInProgressWaitsForItsAnswerAndNothingIsHeldAfter)
{
    ReplayStore store;
    std::atomic<bool> release{false};
    std::atomic<int> runs{0};
    std::thread first([&] {
        store.Run("id-slow", "f", [&] {
            ++runs;
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return StoredAnswer{200, "primeira"};
        });
    });
    while (runs == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(store.Size(), 1u);
    // Another call under the id in progress is refused at once.
    EXPECT_EQ(store
                  .Run("id-slow", "g",
                       [&] {
                           ++runs;
                           return StoredAnswer{200, ""};
                       })
                  .status,
              422);
    StoredAnswer second;
    std::thread retry([&] {
        second = store.Run("id-slow", "f", [&] {
            ++runs;
            return StoredAnswer{200, "segunda"};
        });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    release = true;
    first.join();
    retry.join();
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(second.body, "primeira");
    // Answered, the call is no longer held: a later try is the database's to answer.
    EXPECT_EQ(store.Size(), 0u);
    EXPECT_EQ(store
                  .Run("id-slow", "f",
                       [&] {
                           ++runs;
                           return StoredAnswer{200, "terceira"};
                       })
                  .body,
              "terceira");
    EXPECT_THROW(store.Run("id-throw", "f", []() -> StoredAnswer { throw std::runtime_error("x"); }),
                 std::runtime_error);
    EXPECT_EQ(store.Size(), 0u);
}

TEST(ReplayStore, FingerprintDependsOnMethodAndBody)
{
    const auto base = gsf::server::requestFingerprint("UpdGrupServ", "{}");
    EXPECT_EQ(base, gsf::server::requestFingerprint("UpdGrupServ", "{}"));
    EXPECT_NE(base, gsf::server::requestFingerprint("UpdServClie", "{}"));
    EXPECT_NE(base, gsf::server::requestFingerprint("UpdGrupServ", "{ }"));
    EXPECT_EQ(base.size(), 16u);
}

} // namespace

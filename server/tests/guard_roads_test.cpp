// What the guards let through: the screen's own call sequences, one call at a
// time; and what they cost: a refusal keeps its connection, a race is a 409.

#include "server/tests/guards_test_support.h"
#include "server/tests/storage_test_support.h"

#include <atomic>
#include <barrier>
#include <set>
#include <thread>

namespace {

using gsf::data::ChangeKind;
using gsf::data::Packet;
using gsf::data::Value;
using namespace gsf::server::testing;

class GuardRoadsTest : public GuardsTest {
protected:
    // Group 001 of client 000004: no services and no correction service yet.
    void addGroupWithoutServices()
    {
        const Packet groups = storage_->GetGrupServ("0001", "000004");
        std::vector<Value> fresh = {"0001", "000004", "001", "Portaria", 1.0};
        for (int i = 0; i < 8; ++i)
            fresh.emplace_back(1.0);
        fresh.emplace_back(Value());
        storage_->UpdGrupServ(deltaOf(groups, ChangeKind::Insert, {}, fresh));
    }
};

INSTANTIATE_TEST_SUITE_P(Engines, GuardRoadsTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(GuardRoadsTest, CrossRowRulesTheScreenPassesThroughAreNotRefusedPerCall)
{
    addGroupWithoutServices();

    // The first service: assigned, assigned again by the post that follows,
    // then made the correction service.
    storage_->ProAtualizaGrupo("0001", "000004", "001", "00030");
    storage_->ProAtualizaGrupo("0001", "000004", "001", "00030");
    storage_->ProAtualizaServ("0001", "000004", "001", "00030");
    // A second service left without the flag, then the flag taken away.
    storage_->ProAtualizaGrupo("0001", "000004", "001", "00040");
    storage_->ProLimpaServ("0001", "000004", "001");
    Packet now = storage_->GetGrupServ("0001", "000004");
    EXPECT_TRUE(gsf::data::isNull(cell(now, 0, "CDSERAJEFEGSF")));

    // An alteration that names one of the group's own services, or keeps the
    // one it has, is accepted.
    storage_->UpdGrupServ(updateOf(now, 0, "CDSERAJEFEGSF", "00040"));
    now = storage_->GetGrupServ("0001", "000004");
    storage_->UpdGrupServ(updateOf(now, 0, "DSGRSERVFAT", "Portaria 24h"));
    now = storage_->GetGrupServ("0001", "000004");
    EXPECT_EQ(text(now, 0, "CDSERAJEFEGSF"), "00040");
    EXPECT_EQ(text(now, 0, "DSGRSERVFAT"), "Portaria 24h");

    // Removing the service through the grid's own deletion clears it again.
    const Packet services = storage_->GetServClie("0001", "000004", "001");
    storage_->UpdServClie(deltaOf(services, ChangeKind::Delete, services.rows[1], {}));
    EXPECT_TRUE(gsf::data::isNull(cell(storage_->GetGrupServ("0001", "000004"), 0, "CDSERAJEFEGSF")));
}

TEST_P(GuardRoadsTest, ARefusedDeltaKeepsItsDatabaseConnection)
{
    const Packet table = storage_->GetCorrPrecGrup("0001", "000002", "001");
    const std::string gap = argsOf(deltaOf(table, ChangeKind::Insert, {}, {"0001", "000002", 60.0, 70.0, 3.0, "001"}));
    const std::string conflict =
        argsOf(deltaOf(table, ChangeKind::Delete, {"0001", "000002", 1.0, 2.0, 3.0, "001"}, {}));
    const std::size_t before = storage_->ConnectionsOpened();
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(call("UpdCorrPrecGrup", gap).status, 422);
        ASSERT_EQ(call("UpdCorrPrecGrup", conflict).status, 409);
        ASSERT_EQ(call("ProDelServ", R"({"args":["0001","000002","009"]})").status, 422);
    }
    EXPECT_EQ(storage_->ConnectionsOpened(), before);
    EXPECT_EQ(call("GetGrupServ", R"({"args":["0001","000002"]})").status, 200);
}

TEST_P(GuardRoadsTest, OnlyABrokenConnectionIsReplaced)
{
    if (GetParam() != gsf::sql::Engine::PostgreSQL)
        GTEST_SKIP() << "a SQLite file cannot lose its session";
    ASSERT_EQ(call("GetGrupServ", R"({"args":["0001","000002"]})").status, 200);
    const std::size_t before = storage_->ConnectionsOpened();
    gsf::sql::openDatabase(db_->target())
        ->Execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = current_database() AND "
                  "pid <> pg_backend_pid()");
    EXPECT_EQ(call("GetGrupServ", R"({"args":["0001","000002"]})").status, 503);
    EXPECT_EQ(call("GetGrupServ", R"({"args":["0001","000002"]})").status, 200);
    EXPECT_EQ(storage_->ConnectionsOpened(), before + 1);
}

TEST_P(GuardRoadsTest, ALimitedPoolHoldsAtMostItsLimitOfConnections)
{
    // Eight callers share two connections: reads, writes and version reads
    // wait for one to come back instead of opening more, and none is stuck.
    addGroupWithoutServices();
    storage_->SetConnectionLimit(2);
    const std::size_t before = storage_->ConnectionsOpened();
    std::atomic<int> failed{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 8; ++t) {
        callers.emplace_back([&, t] {
            try {
                for (int i = 0; i < 20; ++i) {
                    if (storage_->GetGrupServ("0001", "000002").rows.empty())
                        ++failed;
                    storage_->ChangeVersion();
                    if (t % 4 == 0)
                        storage_->ProAtualizaGrupo("0001", "000004", "001", "00030");
                }
            } catch (...) {
                ++failed;
            }
        });
    }
    for (auto& c : callers)
        c.join();
    EXPECT_EQ(failed.load(), 0);
    EXPECT_LE(storage_->ConnectionsOpened(), before + 2);
}

TEST_P(GuardRoadsTest, ConcurrentAssignmentsOfOneServiceAnswer200Or409)
{
    // Two clerks assign service 00050 at the same moment, to the same group
    // or to two groups; whoever comes second gets a clear answer, never 500.
    constexpr int kRounds = 25;
    std::multiset<int> statuses;
    std::mutex statusesMutex;
    for (const bool sameGroup : {true, false}) {
        for (int round = 0; round < kRounds; ++round) {
            std::barrier start(2);
            auto clerk = [&](const char* group) {
                start.arrive_and_wait();
                const auto reply =
                    call("ProAtualizaGrupo", std::string(R"({"args":["0001","000002",")") + group + R"(","00050"]})");
                std::lock_guard lock(statusesMutex);
                statuses.insert(reply.status);
                if (reply.status != 200) {
                    EXPECT_EQ(reply.status, 409) << reply.Body();
                }
            };
            std::thread a(clerk, "003");
            std::thread b(clerk, sameGroup ? "003" : "002");
            a.join();
            b.join();
            const Packet assigned = storage_->GetVerifServ("0001", "00050", "000002", "");
            ASSERT_EQ(assigned.rows.size(), 1u);
            for (const char* group : {"002", "003"})
                storage_->ProDeletaServ("0001", "000002", group, "00050");
        }
    }
    EXPECT_EQ(statuses.count(500), 0u);
    // Each round of two groups ends with exactly one of them refused.
    EXPECT_EQ(statuses.count(409), static_cast<std::size_t>(kRounds));
}

TEST_P(GuardRoadsTest, WritersOfOneGroupNeverDeadlock)
{
    // One clerk renames a group while another appends to and trims its
    // correction table: each write checks rows the other touches, and both
    // must go through, one after the other.
    constexpr int kRounds = 20;
    std::atomic<int> refused{0};
    std::thread renamer([&] {
        for (int round = 0; round < kRounds; ++round) {
            const Packet groups = storage_->GetGrupServ("0001", "000002");
            const auto reply =
                call("UpdGrupServ", argsOf(updateOf(groups, 0, "DSGRSERVFAT", "Vigilância " + std::to_string(round))));
            if (reply.status != 200)
                ++refused;
        }
    });
    std::thread editor([&] {
        for (int round = 0; round < kRounds; ++round) {
            const Packet table = storage_->GetCorrPrecGrup("0001", "000002", "001");
            const std::vector<Value> added = {"0001", "000002", 50.0, 60.0, 3.0, "001"};
            if (call("UpdCorrPrecGrup", argsOf(deltaOf(table, ChangeKind::Insert, {}, added))).status != 200)
                ++refused;
            if (call("UpdCorrPrecGrup", argsOf(deltaOf(table, ChangeKind::Delete, added, {}))).status != 200)
                ++refused;
        }
    });
    renamer.join();
    editor.join();
    EXPECT_EQ(refused.load(), 0);
    EXPECT_EQ(text(storage_->GetGrupServ("0001", "000002"), 0, "DSGRSERVFAT"),
              "Vigilância " + std::to_string(kRounds - 1));
    EXPECT_EQ(storage_->GetCorrPrecGrup("0001", "000002", "001").rows.size(), 3u);
}

} // namespace

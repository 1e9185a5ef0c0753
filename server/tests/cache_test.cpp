#include "platform/sql/database.h"
#include "server/remote_module.h"
#include "server/response_cache.h"
#include "server/storage.h"
#include "server/tests/storage_test_support.h"
#include "tests/support/engine_test.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>

namespace {

using gsf::server::RemoteModule;
using gsf::server::ResponseCache;
using gsf::server::Storage;
using gsf::sql::Engine;
using namespace gsf::server::testing;

std::shared_ptr<const std::string> body(std::string text)
{
    return std::make_shared<const std::string>(std::move(text));
}

TEST(ResponseCache, ServesOnlyTheVersionAnAnswerWasReadAt)
{
    ResponseCache cache(100);
    cache.Store("a", 5, body("cinco"));
    ASSERT_TRUE(cache.Find("a", 5));
    EXPECT_EQ(*cache.Find("a", 5), "cinco");
    EXPECT_FALSE(cache.Find("b", 5));
    // A newer version drops everything older, and an answer read before it
    // (a slow call racing with a write) is never kept.
    EXPECT_FALSE(cache.Find("a", 6));
    EXPECT_EQ(cache.Size(), 0u);
    cache.Store("a", 5, body("cinco"));
    EXPECT_FALSE(cache.Find("a", 5));
    EXPECT_FALSE(cache.Find("a", 6));
    // Past its byte limit the cache starts over rather than growing.
    cache.Store("a", 6, body(std::string(60, 'a')));
    cache.Store("b", 6, body(std::string(60, 'b')));
    EXPECT_FALSE(cache.Find("a", 6));
    EXPECT_EQ(*cache.Find("b", 6), std::string(60, 'b'));
    cache.Store("c", 6, body(std::string(101, 'c')));
    EXPECT_FALSE(cache.Find("c", 6));
}

TEST(AnswerBuffers, ABufferComesBackWithItsRoomOnceNothingHoldsIt)
{
    gsf::server::AnswerBuffers buffers(2, 1024);
    std::shared_ptr<std::string> first = buffers.Take();
    first->assign(500, 'a');
    const char* room = first->data();
    std::shared_ptr<const std::string> kept = first; // as the cache keeps an answer
    first.reset();
    EXPECT_EQ(buffers.Kept(), 0u) << "still held";
    kept.reset();
    ASSERT_EQ(buffers.Kept(), 1u);
    const auto again = buffers.Take();
    EXPECT_TRUE(again->empty());
    EXPECT_GE(again->capacity(), 500u);
    EXPECT_EQ(again->data(), room) << "the same memory, not a new block";

    // Past its bounds the pool lets buffers go: too large, or too many.
    auto large = buffers.Take();
    large->assign(2000, 'b');
    large.reset();
    EXPECT_EQ(buffers.Kept(), 0u);
    {
        auto a = buffers.Take(), b = buffers.Take(), c = buffers.Take();
    }
    EXPECT_EQ(buffers.Kept(), 2u);

    // A buffer may outlive its pool.
    std::shared_ptr<std::string> orphan;
    {
        gsf::server::AnswerBuffers gone;
        orphan = gone.Take();
        orphan->assign("fim");
    }
    EXPECT_EQ(*orphan, "fim");
}

const std::string kGroups = R"({"args":["0001","000002"]})";

class CacheTest : public gsf::test::DemoStorageTest {
protected:
    void SetUp() override
    {
        DemoStorageTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        module_ = std::make_unique<RemoteModule>(*storage_);
    }

    // GetGrupServ through the cached module, checked against a fresh read.
    std::string groups()
    {
        const auto reply = module_->Call("GetGrupServ", kGroups);
        EXPECT_EQ(reply.status, 200) << reply.Body();
        EXPECT_EQ(reply.Body(), encodePacket(storage_->GetGrupServ("0001", "000002")));
        return std::string(reply.Body());
    }
    std::string description() { return text(gsf::data::decodePacket(groups()), 0, "DSGRSERVFAT"); }
    void describeThroughAnotherConnection(gsf::sql::Connection& connection, const std::string& text)
    {
        connection.Execute("UPDATE GRUPSERVFAT SET DSGRSERVFAT = ? WHERE CDFILIAL = '0001' AND CDCLIENTE = '000002' "
                           "AND CDGRSERVFAT = '001'",
                           {text});
    }

    std::unique_ptr<RemoteModule> module_;
};

INSTANTIATE_TEST_SUITE_P(Engines, CacheTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(CacheTest, RepeatedReadIsServedFromMemoryUntilAnyWrite)
{
    const std::string first = groups();
    EXPECT_EQ(groups(), first);
    EXPECT_EQ(module_->Cache().Size(), 1u);
    EXPECT_EQ(module_->Call("GetGrupServ", R"({"args":["0001","000001"]})").status, 200);
    EXPECT_EQ(module_->Cache().Size(), 2u);

    // Through this module.
    const auto packet = gsf::data::decodePacket(first);
    const auto delta = updateOf(packet, 0, "DSGRSERVFAT", std::string("Pelo módulo"));
    const auto upd = module_->Call("UpdGrupServ", R"({"args":[)" + encodeDelta(delta) + "]}");
    ASSERT_EQ(upd.status, 200) << upd.Body();
    EXPECT_EQ(description(), "Pelo módulo");

    // Through another pool of connections, as another server process has.
    Storage other(db_->target());
    other.ProAtualizaServ("0001", "000002", "001", "00020");
    EXPECT_EQ(text(gsf::data::decodePacket(groups()), 0, "CDSERAJEFEGSF"), "00020");

    // Through a plain connection of some other program, by any kind of write.
    auto raw = gsf::sql::openDatabase(db_->target());
    describeThroughAnotherConnection(*raw, "Por fora");
    EXPECT_EQ(description(), "Por fora");
    raw->Execute("DELETE FROM CORRPRECGRUP");
    raw->Execute("DELETE FROM SERVGRUPFAT");
    raw->Execute("DELETE FROM GRUPSERVFAT WHERE CDGRSERVFAT = '003'");
    EXPECT_EQ(gsf::data::decodePacket(groups()).rows.size(), 2u);
}

TEST_P(CacheTest, AKeptAnswerIsServedWithoutACopy)
{
    const auto first = module_->Call("GetGrupServ", kGroups);
    const auto second = module_->Call("GetGrupServ", kGroups);
    ASSERT_TRUE(first.shared && second.shared);
    EXPECT_EQ(first.shared.get(), second.shared.get());
    EXPECT_EQ(first.Body().data(), second.Body().data());
    // A module without the cache writes every answer anew, into memory that
    // the previous answer gave back once it was gone.
    RemoteModule cold(*storage_, false);
    auto answer = cold.Call("GetGrupServ", kGroups);
    const std::string text(answer.Body());
    const char* room = answer.Body().data();
    answer = {};
    const auto next = cold.Call("GetGrupServ", kGroups);
    EXPECT_EQ(next.Body(), text);
    EXPECT_EQ(next.Body().data(), room);
}

TEST_P(CacheTest, AnswerReadWhileAWriteIsOpenIsNotServedAfterItsCommit)
{
    auto raw = gsf::sql::openDatabase(db_->target());
    groups();
    gsf::sql::Transaction transaction(*raw, true);
    describeThroughAnotherConnection(*raw, "Depois do commit");
    // Read and kept while the change is not committed: the old text is right.
    EXPECT_EQ(description(), "Vigilância");
    EXPECT_EQ(description(), "Vigilância");
    transaction.Commit();
    EXPECT_EQ(description(), "Depois do commit");
}

TEST_P(CacheTest, ARolledBackWriteKeepsTheVersion)
{
    const auto before = storage_->ChangeVersion();
    {
        auto raw = gsf::sql::openDatabase(db_->target());
        gsf::sql::Transaction transaction(*raw, true);
        describeThroughAnotherConnection(*raw, "Desfeito");
    }
    EXPECT_EQ(storage_->ChangeVersion(), before);
    storage_->AddService("0001", "00060", "Copa");
    EXPECT_GT(storage_->ChangeVersion(), before);
}

TEST_P(CacheTest, WriteByAnotherServerProcessIsSeen)
{
    EXPECT_EQ(description(), "Vigilância");
    const char* engine = GetParam() == Engine::SQLite ? "--sqlite" : "--postgres";
    gsf::test::ServerProcess server(GSF_SERVER_EXE, {engine, db_->target()});
    ASSERT_TRUE(server.waitUntilHealthy());
    httplib::Client client("127.0.0.1", server.port());
    const auto packet = gsf::data::decodePacket(groups());
    const auto delta = updateOf(packet, 0, "DSGRSERVFAT", std::string("Outro processo"));
    const auto res = client.Post("/Vex04120.rdmGrupServFat/UpdGrupServ", R"({"args":[)" + encodeDelta(delta) + "]}",
                                 "application/json");
    ASSERT_TRUE(res) << httplib::to_string(res.error());
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(description(), "Outro processo");
}

} // namespace

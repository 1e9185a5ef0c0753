#include "platform/sql/database.h"
#include "tests/support/engine_test.h"

#include <gtest/gtest.h>

namespace {

using gsf::sql::Connection;
using gsf::sql::ErrorKind;
using gsf::sql::SqlError;

class ConnectionTest : public gsf::test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped()) return;
        db = gsf::sql::openDatabase(db_->target());
        db->ExecuteScript("CREATE TABLE T (K INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))");
    }

    std::unique_ptr<Connection> db;
};

INSTANTIATE_TEST_SUITE_P(Engines, ConnectionTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(ConnectionTest, StatementsOfManyShapesKeepTheCacheBounded) {
    // Each text is a statement of its own, as differently shaped deltas are.
    for (int i = 0; i < 300; ++i)
        db->Execute("INSERT INTO T (K, V) VALUES (?, ?) /* " + std::to_string(i) + " */", {std::int64_t{i}, "v"});
    EXPECT_EQ(db->CachedStatements(), Connection::kStatementCacheSize);
    // A statement dropped from the cache is prepared again when it comes back,
    // and a recent one is still served.
    EXPECT_EQ(db->Execute("SELECT COUNT(*) FROM T /* 0 */").rows.at(0).at(0), gsf::sql::SqlValue(std::int64_t{300}));
    db->Execute("INSERT INTO T (K, V) VALUES (?, ?) /* 0 */", {std::int64_t{1000}, "w"});
    db->Execute("INSERT INTO T (K, V) VALUES (?, ?) /* 299 */", {std::int64_t{1001}, "w"});
    EXPECT_EQ(db->Execute("SELECT COUNT(*) FROM T WHERE V = ?", {"w"}).rows.at(0).at(0),
              gsf::sql::SqlValue(std::int64_t{2}));
    EXPECT_EQ(db->CachedStatements(), Connection::kStatementCacheSize);
}

TEST_P(ConnectionTest, AFailedStatementLeavesTheConnectionUsable) {
    db->Begin(true);
    db->Execute("INSERT INTO T (K, V) VALUES (1, 'a')");
    try {
        db->Execute("INSERT INTO T (K, V) VALUES (1, 'b')");
        FAIL() << "duplicate key accepted";
    } catch (const SqlError& e) {
        EXPECT_EQ(e.Kind(), ErrorKind::UniqueViolation);
    }
    EXPECT_TRUE(db->InTransaction());
    EXPECT_TRUE(db->IsUsable());
    db->Rollback();
    EXPECT_FALSE(db->InTransaction());
    EXPECT_TRUE(db->Execute("SELECT K FROM T").IsEmpty());
}

TEST(PostgresConnection, ALostSessionIsNoLongerUsable) {
    if (!gsf::test::TempDatabase::Available(gsf::sql::Engine::PostgreSQL)) GTEST_SKIP() << "GSF_TEST_POSTGRES não definido";
    gsf::test::TempDatabase temp(gsf::sql::Engine::PostgreSQL);
    auto victim = gsf::sql::openDatabase(temp.target());
    const auto pid = victim->Execute("SELECT pg_backend_pid()").rows.at(0).at(0);
    gsf::sql::openDatabase(temp.target())->Execute("SELECT pg_terminate_backend(CAST(? AS INTEGER))", {pid});
    EXPECT_THROW(victim->Execute("SELECT 1"), SqlError);
    EXPECT_FALSE(victim->IsUsable());
}

} // namespace

#include "platform/sql/database.h"
#include "tests/support/engine_test.h"

#include <gtest/gtest.h>

namespace {

using gsf::sql::Connection;
using gsf::sql::ErrorKind;
using gsf::sql::SqlError;

class ConnectionTest : public gsf::test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        db = gsf::sql::openDatabase(db_->target());
        db->ExecuteScript("CREATE TABLE T (K INTEGER NOT NULL PRIMARY KEY, V VARCHAR(10))");
    }

    std::unique_ptr<Connection> db;
};

INSTANTIATE_TEST_SUITE_P(Engines, ConnectionTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(ConnectionTest, StatementsOfManyShapesKeepTheCacheBounded)
{
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

TEST_P(ConnectionTest, AFailedStatementLeavesTheConnectionUsable)
{
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

TEST_P(ConnectionTest, RowsAreReadInPlaceAndAnAbandonedRunHoldsNothing)
{
    db->Execute("INSERT INTO T (K, V) VALUES (1, 'um'), (2, NULL), (3, 'três')");
    {
        auto rows = db->Query("SELECT K, V, CAST(K AS DOUBLE PRECISION) / 2 FROM T ORDER BY K");
        ASSERT_EQ(rows.ColumnCount(), 3);
        ASSERT_TRUE(rows.Next());
        EXPECT_EQ(rows.Kind(0), gsf::sql::CellKind::Integer);
        EXPECT_EQ(rows.Integer(0), 1);
        EXPECT_EQ(rows.Kind(1), gsf::sql::CellKind::Text);
        EXPECT_EQ(rows.Text(1), "um");
        EXPECT_EQ(rows.Kind(2), gsf::sql::CellKind::Number);
        EXPECT_EQ(rows.Number(2), 0.5);
        ASSERT_TRUE(rows.Next());
        EXPECT_EQ(rows.Kind(1), gsf::sql::CellKind::Null);
        EXPECT_EQ(rows.Value(1), gsf::sql::SqlValue());
        // Left here, with a row still to read.
    }
    // The abandoned run keeps no snapshot: another connection's write can be
    // checkpointed whole, and the same statement runs again from its first row.
    auto other = gsf::sql::openDatabase(db_->target());
    other->Execute("UPDATE T SET V = 'dois' WHERE K = 2");
    if (GetParam() == gsf::sql::Engine::SQLite) {
        const auto checkpoint = other->Execute("PRAGMA wal_checkpoint(PASSIVE)").rows.at(0);
        EXPECT_EQ(checkpoint.at(1), checkpoint.at(2)) << "frames in the log against frames checkpointed";
    }
    auto again = db->Query("SELECT K, V, CAST(K AS DOUBLE PRECISION) / 2 FROM T ORDER BY K");
    std::vector<std::string> texts;
    while (again.Next())
        texts.emplace_back(again.Text(1));
    EXPECT_EQ(texts, (std::vector<std::string>{"um", "dois", "três"}));

    auto changed = db->Query("UPDATE T SET V = ? WHERE K > ?", {"x", std::int64_t{1}});
    EXPECT_FALSE(changed.Next());
    EXPECT_EQ(changed.Affected(), 2);
}

TEST(PostgresConnection, StatementsArePreparedOnceAndDroppedPastTheCache)
{
    if (!gsf::test::TempDatabase::Available(gsf::sql::Engine::PostgreSQL))
        GTEST_SKIP() << "GSF_TEST_POSTGRES não definido";
    gsf::test::TempDatabase temp(gsf::sql::Engine::PostgreSQL);
    auto db = gsf::sql::openDatabase(temp.target());
    const std::string count = "SELECT COUNT(*) FROM pg_prepared_statements";
    for (int run = 0; run < 3; ++run)
        db->Execute("SELECT 1 + ?", {std::int64_t{run}});
    EXPECT_EQ(db->Execute(count).rows.at(0).at(0), gsf::sql::SqlValue(std::int64_t{2}))
        << "one server-side statement per text, run again by name";
    for (int i = 0; i < 200; ++i)
        db->Execute("SELECT " + std::to_string(i));
    EXPECT_EQ(db->Execute(count).rows.at(0).at(0),
              gsf::sql::SqlValue(static_cast<std::int64_t>(Connection::kStatementCacheSize)));
}

TEST(PostgresConnection, ALostSessionIsNoLongerUsable)
{
    if (!gsf::test::TempDatabase::Available(gsf::sql::Engine::PostgreSQL))
        GTEST_SKIP() << "GSF_TEST_POSTGRES não definido";
    gsf::test::TempDatabase temp(gsf::sql::Engine::PostgreSQL);
    auto victim = gsf::sql::openDatabase(temp.target());
    const auto pid = victim->Execute("SELECT pg_backend_pid()").rows.at(0).at(0);
    gsf::sql::openDatabase(temp.target())->Execute("SELECT pg_terminate_backend(CAST(? AS INTEGER))", {pid});
    EXPECT_THROW(victim->Execute("SELECT 1"), SqlError);
    EXPECT_FALSE(victim->IsUsable());
}

} // namespace

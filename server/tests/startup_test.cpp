// Servers started all at once on one empty database: one migrates and seeds,
// the others wait for it and find nothing left to do.

#include "server/schema.h"
#include "server/storage.h"
#include "tests/support/engine_test.h"
#include "tests/support/server_process.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using gsf::sql::Engine;

std::int64_t count(gsf::sql::Connection& db, const std::string& table)
{
    return std::get<std::int64_t>(db.Execute("SELECT COUNT(*) FROM " + table).rows.at(0).at(0));
}

class StartupTest : public ::testing::TestWithParam<Engine> {};

INSTANTIATE_TEST_SUITE_P(Engines, StartupTest, gsf::test::allEngines(), gsf::test::engineTestName);

TEST_P(StartupTest, FourServersStartedAtOnceOnAnEmptyDatabaseAllServeOneSeed)
{
    if (!gsf::test::TempDatabase::Available(GetParam()))
        GTEST_SKIP() << "GSF_TEST_POSTGRES não definido";
    const std::vector<std::string> tables = {"FILIAL",      "CLIENTE",     "SERVFILI",     "SERVCLIE",
                                             "GRUPSERVFAT", "SERVGRUPFAT", "CORRPRECGRUP", "PARAMFATFILI"};
    // What one server seeds on its own.
    gsf::test::TempDatabase reference(GetParam());
    gsf::server::Storage(reference.target(), true);
    const auto expected = gsf::sql::openDatabase(reference.target());

    // A race shows up in some rounds only; a few rounds make it show.
    for (int round = 0; round < 3; ++round) {
        gsf::test::TempDatabase db(GetParam());
        const std::string engineOption = GetParam() == Engine::SQLite ? "--sqlite" : "--postgres";
        std::vector<std::unique_ptr<gsf::test::ServerProcess>> servers;
        for (int n = 0; n < 4; ++n)
            servers.push_back(std::make_unique<gsf::test::ServerProcess>(
                GSF_SERVER_EXE, std::vector<std::string>{engineOption, db.target(), "--demo"}));
        for (size_t n = 0; n < servers.size(); ++n)
            EXPECT_TRUE(servers[n]->waitUntilHealthy(std::chrono::seconds(30)))
                << "round " << round << ", server " << n << " did not start";
        for (auto& server : servers) {
            const auto status = server->stop(SIGTERM);
            ASSERT_TRUE(status.has_value());
            EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "round " << round;
        }

        const auto connection = gsf::sql::openDatabase(db.target());
        EXPECT_EQ(count(*connection, "schema_version"), gsf::server::latestSchemaVersion());
        for (const auto& table : tables)
            EXPECT_EQ(count(*connection, table), count(*expected, table)) << table << ", round " << round;
        EXPECT_EQ(count(*connection, "change_history"), 0) << "the demo data is no change of anybody";
    }
}

} // namespace

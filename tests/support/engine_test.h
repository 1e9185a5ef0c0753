#pragma once

#include "server/storage.h"
#include "tests/support/temp_database.h"

#include <gtest/gtest.h>

#include <memory>

namespace gsf::test {

/// Base of the tests run once per database engine: each test gets an empty
/// database of its own in `db_`, and is skipped on an engine not set up here.
/// A subclass's SetUp calls this one first and returns when IsSkipped().
class EngineTest : public ::testing::TestWithParam<gsf::sql::Engine> {
protected:
    void SetUp() override
    {
        if (!TempDatabase::Available(GetParam()))
            GTEST_SKIP() << "GSF_TEST_POSTGRES não definido";
        db_ = std::make_unique<TempDatabase>(GetParam());
    }

    std::unique_ptr<TempDatabase> db_;
};

/// An EngineTest whose database is opened by the server's storage in
/// `storage_` and seeded with the demo data.
class DemoStorageTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        storage_ = std::make_unique<gsf::server::Storage>(db_->target());
        ASSERT_TRUE(storage_->SeedDemo());
    }

    std::unique_ptr<gsf::server::Storage> storage_;
};

/// Both engines, for INSTANTIATE_TEST_SUITE_P with engineTestName.
inline auto allEngines()
{
    return ::testing::Values(gsf::sql::Engine::SQLite, gsf::sql::Engine::PostgreSQL);
}

/// "SQLite" or "PostgreSQL" as the instance's name.
inline std::string engineTestName(const ::testing::TestParamInfo<gsf::sql::Engine>& info)
{
    return engineLabel(info.param);
}

} // namespace gsf::test

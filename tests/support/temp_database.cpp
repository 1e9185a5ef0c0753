#include "tests/support/temp_database.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace gsf::test {

namespace {

const char* postgresBase()
{
    const char* base = std::getenv("GSF_TEST_POSTGRES");
    return base && *base ? base : nullptr;
}

} // namespace

bool TempDatabase::Available(gsf::sql::Engine engine)
{
    return engine == gsf::sql::Engine::SQLite || postgresBase() != nullptr;
}

std::string engineLabel(gsf::sql::Engine engine)
{
    return engine == gsf::sql::Engine::SQLite ? "SQLite" : "PostgreSQL";
}

TempDatabase::TempDatabase(gsf::sql::Engine engine) : engine_(engine)
{
    if (engine == gsf::sql::Engine::SQLite) {
        std::string pattern = (std::filesystem::temp_directory_path() / "gsf-db-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        directory_ = pattern;
        target_ = directory_ + "/test.db";
        return;
    }
    if (!postgresBase())
        throw std::runtime_error("GSF_TEST_POSTGRES is not set");
    std::random_device random;
    pgName_ = "gsf_t_" + std::to_string(random()) + std::to_string(random());
    auto admin = gsf::sql::openPostgres(postgresBase());
    admin->ExecuteScript("CREATE DATABASE " + pgName_);
    // In a libpq connection string a later keyword wins over an earlier one.
    target_ = std::string(postgresBase()) + " dbname=" + pgName_;
}

TempDatabase::~TempDatabase()
{
    std::error_code ignored;
    if (!directory_.empty())
        std::filesystem::remove_all(directory_, ignored);
    if (!pgName_.empty()) {
        try {
            auto admin = gsf::sql::openPostgres(postgresBase());
            admin->ExecuteScript("DROP DATABASE IF EXISTS " + pgName_ + " WITH (FORCE)");
        } catch (const std::exception&) {
            // The throwaway cluster goes away with its folder anyway.
        }
    }
}

} // namespace gsf::test

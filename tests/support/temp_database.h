#pragma once

#include "platform/sql/database.h"

#include <string>

namespace gsf::test {

/// An empty database of its own for one test: a SQLite file in a temporary
/// folder, or a new database on the PostgreSQL server named by the
/// GSF_TEST_POSTGRES connection string. Removed by the destructor.
class TempDatabase {
public:
    /// @throws std::runtime_error when it cannot be created.
    explicit TempDatabase(gsf::sql::Engine engine);
    ~TempDatabase();
    TempDatabase(const TempDatabase&) = delete;
    TempDatabase& operator=(const TempDatabase&) = delete;

    /// Whether tests can run on @p engine here (PostgreSQL needs GSF_TEST_POSTGRES).
    static bool Available(gsf::sql::Engine engine);
    /// SQLite path or PostgreSQL connection string.
    const std::string& target() const { return target_; }

private:
    gsf::sql::Engine engine_;
    std::string target_;
    std::string directory_;
    std::string pgName_;
};

/// "SQLite" or "PostgreSQL", for test names.
std::string engineLabel(gsf::sql::Engine engine);

} // namespace gsf::test

#pragma once

#include "platform/sql/database.h"

#include <memory>
#include <string>

namespace gsf::server {

/// Number of the newest migration.
int latestSchemaVersion();
/// Version recorded in schema_version; 0 for a new database.
int schemaVersion(gsf::sql::Connection& connection);
/// Applies the migrations the database lacks, in one transaction.
/// @throws gsf::sql::SqlError when one fails; nothing of the run is kept then.
void migrate(gsf::sql::Connection& connection);

/// Held while a process brings a database to the latest schema and seeds it,
/// so that any number of servers may start at once on one database: they
/// pass one at a time, and those that follow find nothing left to do.
/// SQLite: an exclusive lock on the database's folder (a lock on the file
/// itself would be dropped with SQLite's own locks when it is closed);
/// PostgreSQL: an advisory lock held by a session of its own.
class StartupLock {
public:
    /// Waits until the lock is had.
    /// @throws gsf::sql::SqlError (Connection) when the folder or the
    ///         database cannot be reached.
    explicit StartupLock(const std::string& target);
    ~StartupLock();
    StartupLock(const StartupLock&) = delete;
    StartupLock& operator=(const StartupLock&) = delete;

private:
    int folder_ = -1;
    std::unique_ptr<gsf::sql::Connection> session_;
};

} // namespace gsf::server

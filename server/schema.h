#pragma once

#include "platform/sql/database.h"

namespace gsf::server {

/// Number of the newest migration.
int latestSchemaVersion();
/// Version recorded in schema_version; 0 for a new database.
int schemaVersion(gsf::sql::Connection& connection);
/// Applies the migrations the database lacks, in one transaction.
/// @throws gsf::sql::SqlError when one fails; nothing of the run is kept then.
void migrate(gsf::sql::Connection& connection);

} // namespace gsf::server

#pragma once

#include <string>

namespace gsf::server {

/// Copies the SQLite database @p database into @p file, consistently even
/// while servers keep writing to it: the copy is the database as one
/// committed transaction left it. The copy is written beside @p file and
/// renamed over it once whole, so @p file is never left half written; it is
/// a single file (no write-ahead log beside it).
/// @throws std::runtime_error (Portuguese message) when the database cannot
///         be read (a missing file included) or the copy cannot be written.
void backupDatabase(const std::string& database, const std::string& file);

/// Replaces the content of the SQLite database @p database (created when
/// missing) with the backup @p file, in one transaction: a reader sees the
/// old content or the new, never a mix. @p file must be a sound database of
/// this server whose schema is not newer than this program's. The change
/// counter is moved past what it was, so that no answer a running server
/// keeps from before the restore is served again.
/// @throws std::runtime_error (Portuguese message) when @p file is not such a
///         backup or the database cannot be written; @p database is then
///         left as it was.
void restoreDatabase(const std::string& file, const std::string& database);

} // namespace gsf::server

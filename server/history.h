#pragma once

#include "platform/data/packet.h"
#include "platform/sql/database.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gsf::server::history {

/// Who makes the changes of the call a thread is running.
struct Author {
    std::string user;      ///< the user name the client sent; empty when it sent none
    std::string token;     ///< the name of the access token the call came with; may be empty
    std::string requestId; ///< the call's request id; empty when it had none
};

/// Makes @p author the author of what the calling thread writes while the
/// scope lives (the server sets it around each call it runs).
class AuthorScope {
public:
    explicit AuthorScope(Author author);
    ~AuthorScope();
    AuthorScope(const AuthorScope&) = delete;
    AuthorScope& operator=(const AuthorScope&) = delete;

private:
    std::optional<Author> previous_;
};

/// While one lives, what the calling thread writes is not recorded: the demo
/// data is where a database starts, not a change anybody made.
class Unrecorded {
public:
    Unrecorded();
    ~Unrecorded();
    Unrecorded(const Unrecorded&) = delete;
    Unrecorded& operator=(const Unrecorded&) = delete;

private:
    bool previous_;
};

/// A billing service group, the unit every write touches.
struct GroupRef {
    std::string branch, client, group;
    bool operator==(const GroupRef&) const = default;
};

/// The groups the changes of @p delta belong to (their CDFILIAL, CDCLIENTE
/// and CDGRSERVFAT, original and new), each once.
std::vector<GroupRef> groupsOf(const gsf::data::Delta& delta);

/// Records one write in the change history, in the write's own transaction:
/// reads the rows of @p groups (the group, its services, its correction
/// table) when made, and again at Finish, and writes one history row per row
/// that was inserted, changed or removed in between, cascades and side
/// effects included. A write that changed nothing leaves nothing.
class Recorder {
public:
    /// @param db the connection the write runs on, inside its transaction.
    Recorder(gsf::sql::Connection& db, std::string method, std::vector<GroupRef> groups);
    /// Writes the history rows. Call after the write's statements, before commit.
    void Finish();

private:
    struct Row {
        std::string table;
        std::string identity; ///< the key's values, to match a row before and after
        std::vector<std::string> columns;
        std::vector<gsf::sql::SqlValue> values;
        size_t keyColumns; ///< the first keyColumns columns are the key
        GroupRef group;
    };
    std::vector<Row> read() const;

    gsf::sql::Connection& db_;
    std::string method_;
    std::vector<GroupRef> groups_;
    bool recording_;
    std::vector<Row> before_;
};

/// Removes the rows older than @p days days (none when @p days is 0), a
/// batch per transaction so that writers never wait long.
/// @return the number of rows removed.
std::int64_t purge(gsf::sql::Connection& db, int days);

/// One recorded change.
struct Entry {
    std::string at; ///< UTC, `2024-05-01T12:00:00.123456Z`
    std::string user, token, requestId, method;
    char operation; ///< 'I' insert, 'U' update, 'D' delete
    std::string table, branch, client, group;
    std::string key;       ///< JSON object of the key columns
    std::string oldValues; ///< JSON object, empty for an insert
    std::string newValues; ///< JSON object, empty for a delete
};

/// What `history` lists; an empty field does not filter.
struct Filter {
    std::string branch, client, group;
    std::string since; ///< `AAAA-MM-DDTHH:MM:SS`, UTC
};

/// The entries matching @p filter, oldest first.
std::vector<Entry> entries(gsf::sql::Connection& db, const Filter& filter);

/// Reads a date as the operator types it: `AAAA-MM-DD`, `DD/MM/AAAA`, either
/// followed by a time `HH:MM` or `HH:MM:SS` (after a blank or a `T`), UTC.
/// @return `AAAA-MM-DDTHH:MM:SS`, or empty when @p text is no such date.
std::string parseSince(const std::string& text);

/// The entries as a table for a terminal: one line each, the changed values
/// in the last column (`CAMPO: antigo → novo`).
std::string formatTable(const std::vector<Entry>& entries);
/// The entries as CSV (RFC 4180, a header line first), the values as JSON.
std::string formatCsv(const std::vector<Entry>& entries);

/// The UTC time @p at in the history's format.
std::string timestamp(std::chrono::system_clock::time_point at);

} // namespace gsf::server::history

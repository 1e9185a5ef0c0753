#pragma once

// How a delta reaches its table, in steps: the check against the table's
// declarations, the statements built from the columns it carries, the
// application of each change, and the table's own rules around them. The
// steps know no table; each table declares what it adds (server/delta_tables.h).

#include "platform/data/packet.h"
#include "platform/sql/database.h"
#include "records/records.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace gsf::server {

/// One change of a delta, as the table's rules see it.
struct DeltaRow {
    const gsf::data::Delta& delta;
    const gsf::data::Change& change;
    std::string name;       ///< how messages name it ("Alteração 2 (grupo 001)")
    std::int64_t rowId = 0; ///< after the change: the row's id, on a table that has one

    gsf::data::ChangeKind Kind() const { return change.kind; }
    /// The row the change is about: the new values of an insertion, the original ones otherwise.
    const std::vector<gsf::data::Value>& Row() const;
};

/// What a table adds to the application of its deltas; one instance serves
/// one delta, so it may gather what Finish judges. Each hook runs inside the
/// write transaction and refuses by throwing a ServiceError.
class TableRules {
public:
    virtual ~TableRules() = default;
    /// Before the change's statement: what must hold for it to be made.
    virtual void Before(gsf::sql::Connection& db, const DeltaRow& row);
    /// After the change's statement: what follows from it.
    virtual void After(gsf::sql::Connection& db, const DeltaRow& row);
    /// Once every change of the delta is in place.
    virtual void Finish(gsf::sql::Connection& db);
};

/// How deltas reach one table: its declarations, the method that sends them,
/// and its rules.
struct DeltaTable {
    const gsf::records::Table& table;
    const char* method;           ///< the remote method that sends them
    const char* duplicateMessage; ///< a key already taken
    /// A column that tells identical rows apart (a generated id), or null when
    /// the key columns identify a row. With one, a change touches one of the
    /// rows that match and reports its id.
    const char* rowId = nullptr;
    /// Makes the rules of one delta; null for a table without any.
    std::unique_ptr<TableRules> (*rules)() = nullptr;
};

/// Checks @p sent against the table's declarations.
/// @return the delta to store (see gsf::records::checkDelta).
/// @throws ServiceError 400 for a malformed delta, 422 for a row that breaks a rule.
gsf::data::Delta checkedDelta(const DeltaTable& table, const gsf::data::Delta& sent);

/// The statements that apply the changes of one delta: built once from the
/// stored columns the delta carries. A row to update or delete is found
/// through its key columns (an index serves them; keys are never null) and
/// must still hold every original value, compared null-safely.
class DeltaStatements {
public:
    DeltaStatements(const DeltaTable& table, const gsf::data::Delta& delta, const std::string& nullSafeEqual);
    /// Makes @p row's change.
    /// @return the id of the row touched on a table with a row id, otherwise 0.
    /// @throws ServiceError 409 "conflict" when no stored row holds the original values.
    std::int64_t Apply(gsf::sql::Connection& db, const DeltaRow& row) const;

private:
    struct Column {
        std::string name;
        std::size_t index; ///< in the delta's rows
        bool key;
    };
    std::vector<gsf::sql::SqlValue> paramsOf(const gsf::data::Change& change) const;

    bool rowId_;
    std::vector<Column> columns_;
    std::string insert_, update_, delete_;
};

/// Applies every change of the checked @p delta in order on @p db, inside the
/// caller's write transaction, with the table's rules around each one;
/// @p beforeEach runs before every change.
void applyChanges(gsf::sql::Connection& db, const DeltaTable& table, const gsf::data::Delta& delta,
                  const std::function<void()>& beforeEach);

} // namespace gsf::server

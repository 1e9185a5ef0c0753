#pragma once

// What the storage's writes share: the values of a delta's rows, the group a
// row belongs to, the checks that a referenced row exists, and the refusals
// of a write that another writer overtook.

#include "platform/data/packet.h"
#include "platform/sql/database.h"

#include <optional>
#include <string>
#include <vector>

namespace gsf::server {

/// The refusal of a change whose row another writer changed or removed.
extern const char* const kChangedMeanwhile;

/// A constraint the database raised inside a write: one raised because
/// another writer got there first is a refusal (@p duplicateMessage for a key
/// already taken); anything else is thrown on as it is. Call from inside a
/// catch handler.
[[noreturn]] void raced(const gsf::sql::SqlError& e, const std::string& duplicateMessage);

gsf::sql::SqlValue toSql(const gsf::data::Value& v);

/// The value of field @p name in @p row of @p delta; null when the delta lacks the field.
const gsf::data::Value& valueOf(const gsf::data::Delta& delta, const std::vector<gsf::data::Value>& row,
                                const char* name);
/// The text of field @p name in @p row; empty for a null or a missing field.
std::string textOf(const gsf::data::Delta& delta, const std::vector<gsf::data::Value>& row, const char* name);

std::optional<double> numberOf(const gsf::data::Value& v);
std::optional<double> numberOf(const gsf::sql::SqlValue& v);

/// The group a row belongs to.
struct GroupKey {
    std::string branch, client, group;
    bool operator==(const GroupKey&) const = default;
};
GroupKey groupOf(const gsf::data::Delta& delta, const std::vector<gsf::data::Value>& row);

/// Whether @p sql returns a row.
bool exists(gsf::sql::Connection& db, const std::string& sql, std::vector<gsf::sql::SqlValue> params);
bool groupExists(gsf::sql::Connection& db, const GroupKey& key);

} // namespace gsf::server

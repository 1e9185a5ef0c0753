#include "server/delta.h"

#include "server/arguments.h"
#include "server/write_support.h"

#include "records/delta_check.h"

namespace gsf::server {

using gsf::data::Change;
using gsf::data::ChangeKind;
using gsf::data::Delta;
using gsf::data::Value;
using gsf::sql::SqlValue;

const std::vector<Value>& DeltaRow::Row() const
{
    return change.kind == ChangeKind::Insert ? change.newValues : change.oldValues;
}

void TableRules::Before(gsf::sql::Connection&, const DeltaRow&) {}
void TableRules::After(gsf::sql::Connection&, const DeltaRow&) {}
void TableRules::Finish(gsf::sql::Connection&) {}

Delta checkedDelta(const DeltaTable& table, const Delta& sent)
{
    try {
        return gsf::records::checkDelta(table.table, sent);
    } catch (const gsf::records::Refusal& refusal) {
        if (refusal.GetKind() == gsf::records::Refusal::Kind::Malformed)
            badRequest(std::string("Argumento 1 (delta) inválido: ") + refusal.what());
        unprocessable(refusal.what());
    }
}

DeltaStatements::DeltaStatements(const DeltaTable& table, const Delta& delta, const std::string& nullSafeEqual)
    : rowId_(table.rowId != nullptr)
{
    // The stored columns the delta carries, in the table's order.
    for (const auto& f : table.table.fields) {
        const int i = delta.indexOf(f.name);
        if (f.stored && i >= 0)
            columns_.push_back({f.name, static_cast<size_t>(i), f.key});
    }
    const std::string name = table.table.table;
    std::string names, marks, set, match;
    for (const Column& c : columns_) {
        names += (names.empty() ? "" : ", ") + c.name;
        marks += marks.empty() ? "?" : ", ?";
        if (!c.key)
            set += (set.empty() ? "" : ", ") + c.name + " = ?";
        match += (match.empty() ? "" : " AND ") + c.name + (c.key ? " = ?" : " " + nullSafeEqual + " ?");
    }
    std::string where = match;
    std::string returning;
    if (rowId_) {
        // Identical rows may exist: touch one of them, and match the values
        // again so a concurrent change is still seen after the lock.
        const std::string id = table.rowId;
        where = id + " = (SELECT MIN(" + id + ") FROM " + name + " WHERE " + match + ") AND " + match;
        returning = " RETURNING " + id;
    }
    insert_ = "INSERT INTO " + name + " (" + names + ") VALUES (" + marks + ")" + returning;
    update_ = "UPDATE " + name + " SET " + set + " WHERE " + where + returning;
    delete_ = "DELETE FROM " + name + " WHERE " + where + returning;
}

// New values of the changed columns, then the original values that find the
// row (twice with a row id: the inner choice and the outer match).
std::vector<SqlValue> DeltaStatements::paramsOf(const Change& change) const
{
    std::vector<SqlValue> params;
    params.reserve((rowId_ ? 3 : 2) * columns_.size());
    const auto values = [&](const std::vector<Value>& from, bool keys) {
        for (const Column& c : columns_)
            if (keys || !c.key)
                params.push_back(toSql(from[c.index]));
    };
    if (change.kind == ChangeKind::Insert) {
        values(change.newValues, true);
        return params;
    }
    if (change.kind == ChangeKind::Update)
        values(change.newValues, false);
    values(change.oldValues, true);
    if (rowId_)
        values(change.oldValues, true);
    return params;
}

std::int64_t DeltaStatements::Apply(gsf::sql::Connection& db, const DeltaRow& row) const
{
    const ChangeKind kind = row.Kind();
    const std::string& sql = kind == ChangeKind::Insert ? insert_ : kind == ChangeKind::Update ? update_ : delete_;
    const auto result = db.Execute(sql, paramsOf(row.change));
    const auto affected = rowId_ ? static_cast<std::int64_t>(result.rows.size()) : result.rowsAffected;
    if (kind != ChangeKind::Insert && affected == 0)
        conflict(kChangedMeanwhile);
    return rowId_ ? std::get<std::int64_t>(result.rows.at(0).at(0)) : 0;
}

void applyChanges(gsf::sql::Connection& db, const DeltaTable& table, const Delta& delta,
                  const std::function<void()>& beforeEach)
{
    const DeltaStatements statements(table, delta, db.NullSafeEqual());
    const std::unique_ptr<TableRules> rules = table.rules ? table.rules() : std::make_unique<TableRules>();
    for (size_t n = 0; n < delta.changes.size(); ++n) {
        beforeEach();
        DeltaRow row{delta, delta.changes[n], gsf::records::changeName(table.table, delta, n)};
        rules->Before(db, row);
        row.rowId = statements.Apply(db, row);
        rules->After(db, row);
    }
    rules->Finish(db);
}

} // namespace gsf::server

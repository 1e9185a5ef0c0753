#include "server/write_support.h"

#include "server/arguments.h"

namespace gsf::server {

using gsf::data::Delta;
using gsf::data::Value;
using gsf::sql::SqlValue;

const char* const kChangedMeanwhile =
    "O registro foi alterado ou excluído por outro usuário. Recarregue os dados e tente novamente.";

void raced(const gsf::sql::SqlError& e, const std::string& duplicateMessage)
{
    switch (e.Kind()) {
    case gsf::sql::ErrorKind::UniqueViolation: duplicate(duplicateMessage);
    case gsf::sql::ErrorKind::ForeignKeyViolation:
    case gsf::sql::ErrorKind::Serialization: conflict(kChangedMeanwhile);
    default: throw;
    }
}

SqlValue toSql(const Value& v)
{
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    return std::monostate{};
}

const Value& valueOf(const Delta& delta, const std::vector<Value>& row, const char* name)
{
    static const Value none;
    const int i = delta.indexOf(name);
    return i < 0 ? none : row[static_cast<size_t>(i)];
}

std::string textOf(const Delta& delta, const std::vector<Value>& row, const char* name)
{
    const auto* s = std::get_if<std::string>(&valueOf(delta, row, name));
    return s ? *s : std::string();
}

std::optional<double> numberOf(const Value& v)
{
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    return std::nullopt;
}

std::optional<double> numberOf(const SqlValue& v)
{
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*i);
    return std::nullopt;
}

GroupKey groupOf(const Delta& delta, const std::vector<Value>& row)
{
    return {textOf(delta, row, "CDFILIAL"), textOf(delta, row, "CDCLIENTE"), textOf(delta, row, "CDGRSERVFAT")};
}

bool exists(gsf::sql::Connection& db, const std::string& sql, std::vector<SqlValue> params)
{
    return !db.Execute(sql, std::move(params)).IsEmpty();
}

bool groupExists(gsf::sql::Connection& db, const GroupKey& key)
{
    return exists(db, "SELECT 1 FROM GRUPSERVFAT WHERE CDFILIAL = ? AND CDCLIENTE = ? AND CDGRSERVFAT = ?",
                  {key.branch, key.client, key.group});
}

} // namespace gsf::server
